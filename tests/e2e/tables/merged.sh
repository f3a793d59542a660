# needs: qpdf pdfimages pdfinfo pdftoppm cjpeg python3 perl
# --- -o: the images of the line as the pages of one PDF, in order. A file
# that cannot be converted is left out; each page is its single-file PDF's
# page (size, profile, rendering, turned with --auto-orient); one profile
# stream per distinct profile; an existing output replaced only by a complete
# document.
mkdir -p "$work/merge/single" && cd "$work/merge"
merge_pages=(gray.jpg rgb.jpg cmyk.jpg rgb-icc.jpg orient-6.jpg progressive.jpg rgb.jpg)
merge_sizes=("64 x 48" "19.2 x 14.4" "23.04 x 23.04" "38.4 x 28.8" "32 x 48" "48 x 40" "19.2 x 14.4")
cp "$inputs"/*.jpg . && cp "$inputs"/*.jpg single/
echo "an older book" > book.pdf
kestrel gray.jpg rgb.jpg -o book.pdf cmyk.jpg fake.jpg rgb-icc.jpg --auto-orient orient-6.jpg \
  progressive.jpg rgb.jpg 2> stderr.txt
status=$?
if [ "$mode" = posix ]; then
  [ $status -eq 1 ] && pass || fail "merge: exit code $status, want 1 (fake.jpg)"
  [ "$(cat stderr.txt)" = "Kestrel Error: fake.jpg: not a JPEG file" ] && pass || fail "merge: messages were: $(cat stderr.txt)"
fi
if [ "${KESTREL_E2E_UPDATE:-}" = 1 ]; then mkdir -p "$expected/merge" && masked book.pdf > "$expected/merge/book.pdf"; fi
cmp -s <(masked book.pdf) "$expected/merge/book.pdf" && pass || fail "merge: book.pdf differs from expected/merge/book.pdf"
report=$(qpdf --check book.pdf 2>&1)
[ $? -eq 0 ] && ! grep -qi warning <<<"$report" && pass || fail "merge: qpdf --check book.pdf: $report"
rm -f extracted-*
pdfimages -j book.pdf extracted >/dev/null 2>&1
[ "$(ls extracted-* 2>/dev/null | wc -l)" -eq ${#merge_pages[@]} ] && pass || fail "merge: $(ls extracted-* | wc -l) images"
(cd single && kestrel --auto-orient "${merge_pages[@]}" 2>/dev/null)
for i in "${!merge_pages[@]}"; do
  jpeg=${merge_pages[i]}
  cmp -s "$(printf 'extracted-%03d.jpg' "$i")" "$jpeg" && pass || fail "merge: image $i is not $jpeg byte for byte"
  page=$(pdfinfo -f $((i + 1)) -l $((i + 1)) book.pdf 2>/dev/null | sed -n 's/^Page *[0-9]* size: *\([0-9.]* x [0-9.]*\) pts.*/\1/p')
  [ "$page" = "${merge_sizes[i]}" ] && pass || fail "merge: page $((i + 1)) size '$page', want '${merge_sizes[i]}'"
  pdftoppm -r 150 -f $((i + 1)) -l $((i + 1)) -singlefile book.pdf merged >/dev/null 2>&1
  pdftoppm -r 150 -singlefile "single/${jpeg%.jpg}.pdf" alone >/dev/null 2>&1
  [ -s merged.ppm ] && cmp -s merged.ppm alone.ppm && pass || fail "merge: page $((i + 1)) renders unlike ${jpeg%.jpg}.pdf"
  rm -f merged.ppm alone.ppm
done
# sGray, sRGB (pages 2, 5, 6, 7), sCMYK and rgb-icc.jpg's own: four streams.
profiles=$(tr '\r' '\n' < book.pdf | grep -a -c '^<< /N [134] /Length')
[ "$profiles" -eq 4 ] && pass || fail "merge: $profiles profile streams, want 4"
title=$(pdfinfo book.pdf 2>/dev/null | sed -n 's/^Title: *//p')
subject=$(pdfinfo book.pdf 2>/dev/null | sed -n 's/^Subject: *//p')
[ "$title" = book.pdf ] && [ -z "$subject" ] && pass || fail "merge: title '$title', subject '$subject'"
labels=$(qpdf --json book.pdf 2>/dev/null | python3 -c 'import json, sys
print(" ".join(p["label"]["/P"][2:] for p in json.load(sys.stdin)["pages"]))')
[ "$labels" = "${merge_pages[*]}" ] && pass || fail "merge: page labels '$labels'"
# Pages of one profile: the document's subject is that profile's.
kestrel -o same.pdf rgb.jpg rgb-dpcm.jpg 2>/dev/null
subject=$(pdfinfo same.pdf 2>/dev/null | sed -n 's/^Subject: *//p')
[[ "$subject" == sRGB* ]] && pass || fail "merge: one profile, subject '$subject'"
# No page left: nothing written, nothing left behind.
kestrel -o none.pdf fake.jpg missing.jpg 2> stderr.txt
status=$?
if [ "$mode" = posix ]; then
  [ $status -eq 1 ] && [ "$(cat stderr.txt)" = $'Kestrel Error: fake.jpg: not a JPEG file\nKestrel Error: missing.jpg: no such file' ] && pass ||
    fail "merge, no page: status $status, messages: $(cat stderr.txt)"
fi
[ ! -e none.pdf ] && pass || fail "merge: none.pdf written without a page"
# The writes stop at 64 KB inside the padded image's copy, longer than what
# the writer holds back, so the failure shows during it (SIGXFSZ ignored,
# so the write returns EFBIG): the image and the document are reported, the
# older book.pdf stays as it was and the temporary file is gone.
{ cat rgb.jpg; head -c 655360 /dev/urandom; } > big.jpg
cp book.pdf book.before
(trap '' XFSZ; ulimit -f 64 && kestrel -o book.pdf gray.jpg big.jpg rgb.jpg 2> stderr.txt)
status=$?
if [ "$mode" = posix ]; then
  [ $status -eq 1 ] && [ "$(cat stderr.txt)" = 'Kestrel Error: book.pdf: cannot be written: file size limit reached' ] && pass ||
    fail "merge, failed copy: status $status, messages: $(cat stderr.txt)"
fi
cmp -s book.pdf book.before && pass || fail "merge: book.pdf changed by a failed document"
ls ./~kestrel-* >/dev/null 2>&1 && fail "merge: a temporary file was left: $(ls ./~kestrel-*)" || pass
# The final move fails (onto shelf.pdf, a folder that holds a file): the
# document is reported, the folder stays as it was and no temporary file is left.
mkdir shelf.pdf && echo "a book" > shelf.pdf/kept.txt
kestrel -o shelf.pdf gray.jpg rgb.jpg 2> stderr.txt
status=$?
if [ "$mode" = posix ]; then
  [ $status -eq 1 ] && [ "$(cat stderr.txt)" = "Kestrel Error: shelf.pdf: cannot be written: is a folder" ] && pass ||
    fail "merge, failed move: status $status, messages: $(cat stderr.txt)"
fi
[ "$(ls -A shelf.pdf)" = kept.txt ] && [ "$(cat shelf.pdf/kept.txt)" = "a book" ] && pass ||
  fail "merge: the folder shelf.pdf changed: $(ls -A shelf.pdf)"
ls ./~kestrel-* >/dev/null 2>&1 && fail "merge, failed move: a temporary file was left: $(ls ./~kestrel-*)" || pass
# Embedded profiles are told apart by their bytes. 70 pages, each with its own
# profile (byte 100, reserved, differs): 70 streams, past the table's first 64.
own_profile_photos 70
kestrel -o own.pdf own-*.jpg 2> stderr.txt
status=$?
profiles=$(tr '\r' '\n' < own.pdf | grep -a -c '^<< /N 3 /Length')
[ $status -eq 0 ] && [ ! -s stderr.txt ] && [ "$profiles" -eq 70 ] && qpdf --check own.pdf >/dev/null 2>&1 &&
  pass || fail "merge, 70 profiles: status $status, $profiles profile streams, messages: $(cat stderr.txt)"
# Past the 1 MB of profile bytes kept for comparing: three 600 KB profiles of
# one size and one FNV-1a hash, unequal in their last 32 bytes (padding), keep
# three streams. sum(E[i] * P**(15 - i)) is 0 mod 2**64 (a lattice reduction
# found E): two 16-byte blocks whose values after each XOR differ by E end in
# the same hash, whatever the hash before them.
python3 - "$inputs/lstar-rgb.ICM" <<'PY' || fail "merge, equal hashes: the profiles were not made"
import sys
P, MASK, SIZE = 0x100000001b3, (1 << 64) - 1, 600000
E = [5, 0, -2, 8, -3, 0, -7, -7, -2, 2, 8, 4, 5, 1, -6, -2]
def blocks(h):
    one, two, g, g2 = bytearray(), bytearray(), h, h
    for e in E:
        x2 = max(0, (g2 & 255) - (g & 255) - e)
        x = x2 + e + (g & 255) - (g2 & 255)
        assert 0 <= x <= 255 and x2 <= 255
        one.append((g & 255) ^ x), two.append((g2 & 255) ^ x2)
        g, g2 = ((g ^ one[-1]) * P) & MASK, ((g2 ^ two[-1]) * P) & MASK
    assert g == g2 and one != two
    return one, two, g
start = bytearray(open(sys.argv[1], 'rb').read().ljust(SIZE - 32, b'\0'))
start[0:4] = SIZE.to_bytes(4, 'big')
h = 14695981039346656037
for b in start: h = ((h ^ b) * P) & MASK
a1, a2, h = blocks(h)
b1, b2, h = blocks(h)
for name, tail in ('same-0.icc', a1 + b1), ('same-1.icc', a2 + b1), ('same-2.icc', a1 + b2):
    open(name, 'wb').write(start + tail)
PY
for k in 0 1 2; do cjpeg -icc same-$k.icc rgb.ppm > same-$k.jpg; done
kestrel -o same-hash.pdf same-0.jpg same-1.jpg same-2.jpg 2> stderr.txt
status=$?
profiles=$(tr '\r' '\n' < same-hash.pdf | grep -a -c '^<< /N 3 /Length')
[ $status -eq 0 ] && [ ! -s stderr.txt ] && [ "$profiles" -eq 3 ] && pass ||
  fail "merge, equal hashes past the copy budget: status $status, $profiles profile streams, want 3"
