# needs: java pdfbox python3 qpdf pdfimages pdfinfo pdftoppm jpegtran exiftool perl
# --- --pdfa and the metadata options. Every PDF made with --pdfa, the Windows
# program's too, is checked by a PDF/A-1b validator (PDFBox preflight, one
# Java start at the end); an image PDF/A-1 cannot carry is refused with its
# reason; the texts come back exactly from the dictionary and the XMP packet;
# with SOURCE_DATE_EPOCH two runs give the same bytes.
mkdir -p "$work/pdfa/again" "$work/pdfa/alone" && cd "$work/pdfa"
cp "$inputs"/*.jpg "$inputs"/*.icc .
jpegtran -arithmetic rgb.jpg > arithmetic.jpg
# Refused: a profile claiming version 4, one of Lab data, a CMYK one in an RGB photo.
python3 -c 'import sys; d = bytearray(open("rgb-icc.jpg", "rb").read())
d[d.index(b"ICC_PROFILE\0") + 14 + 8] = 4; open("v4-profile.jpg", "wb").write(d)'
cp rgb.jpg single.jpg && cp rgb.jpg lab-profile.jpg && cp rgb.jpg cmyk-profile.jpg && cp rgb.jpg dated.jpg && cp rgb.jpg dated-here.jpg
exiftool -q -overwrite_original '-ICC_Profile<=lab.icc' lab-profile.jpg
exiftool -q -overwrite_original '-ICC_Profile<=press-cmyk.icc' cmyk-profile.jpg
exiftool -q -overwrite_original -DateTimeOriginal='2019:06:30 14:05:09' -OffsetTimeOriginal=+09:30 dated.jpg
exiftool -q -overwrite_original -DateTimeOriginal='2019:06:30 14:05:09' dated-here.jpg
archive_pages=(gray.jpg rgb.jpg cmyk.jpg rgb-icc.jpg progressive.jpg arithmetic.jpg dated.jpg dated-here.jpg)
refused=(v4-profile.jpg lab-profile.jpg cmyk-profile.jpg)
# Wine hands a Windows program its arguments through the code page: ASCII
# there, and no '/', which kestrel() turns into '\' for Windows paths.
if [ "$mode" = posix ]; then title=$'Caf\u00e9 <&> "\u03a9" \u65e5\u672c \U0001F4F7 1/2'; else title='Cafe <&> 1+2'; fi
archive_run() {
  SOURCE_DATE_EPOCH=1700000000 kestrel --pdfa --title "$title" --author 'Ann & Bob' --subject 'x<y>z' \
    --keywords 'sea, sky' --exif-date "${archive_pages[@]}" "${refused[@]}" 2> stderr.txt
  SOURCE_DATE_EPOCH=1700000000 kestrel --pdfa -o book.pdf "${archive_pages[@]:0:5}" v4-profile.jpg \
    --auto-orient orient-6.jpg arithmetic.jpg 2>> stderr.txt
  SOURCE_DATE_EPOCH=1700000000 kestrel --author 'Ann & Bob' -o plain.pdf rgb.jpg gray.jpg 2>> stderr.txt
  SOURCE_DATE_EPOCH=1700000000 kestrel single.jpg 2>> stderr.txt
}
archive_run
if [ "$mode" = posix ]; then
  printf 'Kestrel Error: %s\n' \
    'v4-profile.jpg: its ICC profile is of version 4 or later; PDF/A-1 allows 2 at most' \
    'lab-profile.jpg: its ICC profile is of Lab or XYZ data, which PDF/A-1 cannot draw an image in' \
    'cmyk-profile.jpg: its ICC profile is for another number of colour components than the image has' \
    'v4-profile.jpg: its ICC profile is of version 4 or later; PDF/A-1 allows 2 at most' > want.txt
  cmp -s stderr.txt want.txt && pass || fail "pdfa: messages were: $(cat stderr.txt)"
fi
for jpeg in "${refused[@]}"; do [ -e "${jpeg%.jpg}.pdf" ] && fail "pdfa: ${jpeg%.jpg}.pdf written" || pass; done
archives=()
for jpeg in "${archive_pages[@]}"; do
  pdf=${jpeg%.jpg}.pdf archives+=("$pdf")
  rm -f extracted-*
  pdfimages -j "$pdf" extracted >/dev/null 2>&1
  qpdf --check "$pdf" >/dev/null 2>&1 && cmp -s extracted-000.jpg "$jpeg" && pass ||
    fail "pdfa: $pdf missing, broken, or its image is not $jpeg byte for byte"
  info=$(pdfinfo -enc UTF-8 "$pdf" 2>/dev/null)
  xmp=$(exiftool -a -s3 -charset UTF8 -XMP-dc:Title -XMP-dc:Creator -XMP-dc:Description -XMP-pdf:Keywords "$pdf")
  [ "$(sed -n 's/^Title: *//p; s/^Author: *//p; s/^Subject: *//p; s/^Keywords: *//p' <<<"$info" | sort)" = \
    "$(printf '%s\n' "$title" 'Ann & Bob' 'x<y>z' 'sea, sky' | sort)" ] && [ "$xmp" = "$(printf '%s\n' "$title" 'Ann & Bob' 'x<y>z' 'sea, sky')" ] &&
    pass || fail "pdfa: $pdf says: $info / XMP: $xmp"
done
archives+=(book.pdf)
[ "$(pdfinfo book.pdf 2>/dev/null | sed -n 's/^Pages: *//p')" = 7 ] && pass || fail "pdfa: book.pdf has not 7 pages"
# The same drawing as without --pdfa: the image now in its profile, not a default space.
pdftoppm -r 150 -singlefile rgb-icc.pdf archived >/dev/null 2>&1
(cd again && cp ../rgb-icc.jpg . && kestrel rgb-icc.jpg && pdftoppm -r 150 -singlefile rgb-icc.pdf plain >/dev/null 2>&1)
[ -s archived.ppm ] && cmp -s archived.ppm again/plain.ppm && pass || fail "pdfa: rgb-icc.pdf renders unlike its plain PDF"
# Dates: the photo's with its offset, or without one; the others SOURCE_DATE_EPOCH in UTC.
dates() { pdfinfo -isodates "$1" 2>/dev/null | sed -n 's/^\(CreationDate\|ModDate\): *//p' | tr '\n' ' '
          exiftool -s3 -XMP-xmp:CreateDate -XMP-xmp:ModifyDate "$1" | tr '\n' ' '; }
# (pdfinfo shows a date without an offset as UTC.)
epoch='2023-11-14T22:13:20Z' epoch_xmp='2023:11:14 22:13:20+00:00'
[ "$(dates dated.pdf)" = "2019-06-30T14:05:09+09:30 $epoch 2019:06:30 14:05:09+09:30 $epoch_xmp " ] &&
  [ "$(dates dated-here.pdf)" = "2019-06-30T14:05:09Z $epoch 2019:06:30 14:05:09 $epoch_xmp " ] &&
  [ "$(dates book.pdf)" = "$epoch $epoch $epoch_xmp $epoch_xmp " ] &&
  pass || fail "pdfa: dates $(dates dated.pdf) / $(dates dated-here.pdf) / $(dates book.pdf)"
[ "$(pdfinfo plain.pdf 2>/dev/null | sed -n 's/^Author: *//p')" = 'Ann & Bob' ] && pass || fail "pdfa: plain.pdf has no author"
# Reproducible: the same bytes from a second run, with and without --pdfa.
mkdir again/run && cp ./*.jpg again/run/ && (cd again/run && archive_run)
for pdf in "${archives[@]}" plain.pdf single.pdf; do cmp -s "$pdf" "again/run/$pdf" && pass || fail "pdfa: $pdf differs between two runs"; done
# The /ID follows the content: a long image changed in its middle, a byte
# changed early in the picture's data, each gives another /ID; the same bytes
# twice the same /ID. Each document is long.jpg in a folder of its own.
python3 - rgb.jpg <<'PY'
import os, sys
d = bytearray(open(sys.argv[1], 'rb').read())
data = d.index(b'\xff\xda') + 2 + int.from_bytes(d[d.index(b'\xff\xda') + 2:][:2], 'big') + 8
early = bytearray(d)
early[data] ^= 0x01 if early[data] < 0xf0 else 0x10
long = d + bytes(400000)
middle = bytearray(long)
middle[len(long) // 2] = 1
for name, b in ('same', long), ('twice', long), ('middle', middle), ('early', early + bytes(400000)):
    os.makedirs('id-' + name, exist_ok=True)
    open('id-' + name + '/long.jpg', 'wb').write(b)
PY
ids=""
for case in same twice middle early; do
  (cd id-$case && SOURCE_DATE_EPOCH=1700000000 kestrel --pdfa long.jpg 2>/dev/null)
  ids+="$(grep -ao '/ID \[ <[0-9A-F]*>' id-$case/long.pdf | tail -c 33) "
done
read -r same twice middle early <<<"$ids"
[ -n "$early" ] && [ "$same" = "$twice" ] && [ "$same" != "$middle" ] && [ "$same" != "$early" ] && [ "$middle" != "$early" ] &&
  pass || fail "pdfa: /IDs same, twice, middle, early: $ids"
# No profile at all (a program without its data folder): refused.
cp "$program" rgb.jpg alone/ && program_saved=$program && program=$work/pdfa/alone/$(basename "$program")
(cd alone && kestrel --pdfa rgb.jpg 2> stderr.txt)
program=$program_saved
[ ! -e alone/rgb.pdf ] && pass || fail "pdfa: rgb.pdf written without a profile"
if [ "$mode" = posix ]; then
  [ "$(cat alone/stderr.txt)" = "Kestrel Error: rgb.jpg: no ICC profile for its colour space, which PDF/A-1 needs" ] && pass ||
    fail "pdfa: without a profile: $(cat alone/stderr.txt)"
  SOURCE_DATE_EPOCH=yesterday kestrel --pdfa rgb.jpg 2> stderr.txt; status=$?
  kestrel --title $'a\x01b' rgb.jpg 2>> stderr.txt; status=$status$?
  [ "$status" = 22 ] && [ "$(grep -c '^kestrel: ' stderr.txt)" = 2 ] && pass || fail "pdfa: usage errors: $status $(cat stderr.txt)"
fi
# The validator over every archive at once, and a copy without its /ID,
# which it must refuse (1.4.1), so that a passing run means something.
perl -0777 -pe 's{/ID \[ <[0-9A-F]+> <[0-9A-F]+> \]\r}{}' gray.pdf > no-id.pdf
report=$(bash "$here/pdfa_check.sh" "${archives[@]}" no-id.pdf)
if [ "$(grep -c '^not PDF/A-1b' <<<"$report")" = 1 ] && grep -q '^not PDF/A-1b: no-id.pdf: 1.4.1 ' <<<"$report" &&
   grep -q "^PDF/A-1b: ${#archives[@]} of $((${#archives[@]} + 1)) valid" <<<"$report"; then pass; else
  fail "pdfa: validator: $report"; fi
