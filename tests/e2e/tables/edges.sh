# needs: java pdfbox python3 pdfinfo convert exiftool script timeout mkfifo
# --- Edges of the options: each case the smallest that once lost or garbled
# data or failed without a word, on both programs where it exists there.
mkdir "$work/edges" && cd "$work/edges"
# Each archive made here is kept for the validator as it is made: later
# cases clear the folder.
mkdir "$work/edge-archives"
kept_archives=0
keep_archives() { local pdf; for pdf in "$@"; do cp "$pdf" "$work/edge-archives/$(basename "$pdf")" && kept_archives=$((kept_archives + 1)); done; }
# Folder paths of 255 to 270 units under t, and 500 levels: every walk stays inside t.
mkdir -p b t/b && cp "$inputs/rgb.jpg" b/p.jpg && cp "$inputs/rgb.jpg" t/b/p.jpg && echo "the user's PDF" > b/p.pdf
deep=$(printf 'a%.0s' $(seq 128))
for length in $(seq 255 270) 500-levels; do
  rm -rf t/a* && if [ $length = 500-levels ]; then python3 -c 'import os; os.makedirs("/".join(["t"] + ["a"] * 500))'
  else mkdir -p "t/$deep/$(printf 'c%.0s' $(seq $((length - 131))))"; fi
  touch stamp && sleep 0.01 && rm -f t/b/p.pdf
  kestrel -r t > /dev/null 2>&1
  [ "$(find . -name '*.pdf' -newer stamp)" = ./t/b/p.pdf ] && [ "$(cat b/p.pdf)" = "the user's PDF" ] && pass ||
    fail "walk at $length: PDFs written: $(find . -name '*.pdf' -newer stamp | head -3)"
done
rm -rf t
# A 261-unit argument converts: the temporary name fits where the PDF's does.
half=$(printf 'd%.0s' $(seq 127)) && mkdir -p "$half/$half" && cp "$inputs/rgb.jpg" "$half/$half/a.jpg"
kestrel "$half/$half/a.jpg" 2> stderr.txt
[ "$(ls -A "$half/$half" | tr '\n' ' ')" = "a.jpg a.pdf " ] && pass || fail "261 units: $(ls -A "$half/$half") $(cat stderr.txt)"
# ICC chunks of any size and order are joined by number; one missing or repeated
# leaves no profile of its own (the default is drawn): streams byte-equal to each.
chunked_profile_photos
profile_stream() { python3 -c 'import re, sys; d = open(sys.argv[1], "rb").read()
m = re.search(rb"<< /N \d /Length (\d+) >>\s*stream\r?\n", d); sys.stdout.buffer.write(d[m.end():m.end() + int(m.group(1))])' "$1"; }
srgb="$(dirname "$program")/data/sRGB.icc" && kestrel reordered.jpg missing.jpg repeated.jpg 2> stderr.txt
cmp -s <(profile_stream reordered.pdf) embedded.icc && cmp -s <(profile_stream missing.pdf) "$srgb" &&
  cmp -s <(profile_stream repeated.pdf) "$srgb" && [ ! -s stderr.txt ] && pass || fail "ICC chunks: $(cat stderr.txt)"
mkdir archive && cp reordered.jpg archive/ && (cd archive && kestrel --pdfa reordered.jpg 2>/dev/null)
keep_archives archive/reordered.pdf
# A date no calendar has is no date: the run's date, and a valid PDF/A.
cp "$inputs/rgb.jpg" feb30.jpg && cp "$inputs/rgb.jpg" leap.jpg
exiftool -q -overwrite_original -DateTimeOriginal='2021:02:30 10:00:00' feb30.jpg
exiftool -q -overwrite_original -DateTimeOriginal='2024:02:29 10:00:00' leap.jpg
SOURCE_DATE_EPOCH=1700000000 kestrel --pdfa --exif-date feb30.jpg leap.jpg 2>/dev/null
created() { pdfinfo -isodates "$1" 2>/dev/null | sed -n 's/^CreationDate: *//p'; }
[ "$(created feb30.pdf) $(created leap.pdf)" = "2023-11-14T22:13:20Z 2024-02-29T10:00:00Z" ] && pass ||
  fail "impossible date: $(created feb30.pdf) / $(created leap.pdf)"
keep_archives feb30.pdf leap.pdf
# One pixel at 65,535 dpi would print its page as 0.00 pt: refused, said.
convert -size 1x1 xc:red -density 65535 -units PixelsPerInch dot.jpg && kestrel dot.jpg 2> stderr.txt; status=$?
[ ! -e dot.pdf ] && { [ "$mode" = wine ] || [ "$status: $(cat stderr.txt)" = "1: Kestrel Error: dot.jpg: page under 0.01 pt on a side (too few pixels for the resolution)" ]; } &&
  pass || fail "one pixel at 65535 dpi: status $status, $(cat stderr.txt)"
# Metadata texts up to 4,096 characters, in the dictionary and the XMP packet.
text=$(printf 'x%.0s' $(seq 4096))
cp "$inputs/rgb.jpg" long-title.jpg && SOURCE_DATE_EPOCH=1700000000 kestrel --pdfa --title "$text" long-title.jpg 2>/dev/null
[ "$(pdfinfo long-title.pdf 2>/dev/null | sed -n 's/^Title: *//p')" = "$text" ] && pass || fail "4,096-character title"
keep_archives long-title.pdf
if [ "$mode" = posix ]; then
  cp "$inputs/rgb.jpg" a.jpg && cp a.jpg b.jpg && sha256sum a.jpg b.jpg > before.txt
  edge_files() { sha256sum --quiet -c before.txt >/dev/null 2>&1 && pass || fail "$1: a photo changed"; }
  # Readers never block each other: a photo under another's shared lock, and two runs at once.
  flock -s a.jpg sleep 2 & sleep 0.3
  "$program" a.jpg 2> stderr.txt && [ ! -s stderr.txt ] && pass || fail "shared lock: $(cat stderr.txt)"; wait
  mkdir -p pair && for n in $(seq 40); do cp "$inputs/gradient.jpg" pair/p$n.jpg; done
  "$program" -o pair1.pdf pair/*.jpg 2> pair1.txt & "$program" -o pair2.pdf pair/*.jpg 2> pair2.txt &
  "$program" -r -u pair 2> pair3.txt & "$program" -r -u pair 2> pair4.txt & wait
  pages() { pdfinfo "$1" 2>/dev/null | sed -n 's/^Pages: *//p'; }
  [ "$(pages pair1.pdf) $(pages pair2.pdf) $(cat pair?.txt)" = "40 40 " ] && pass || fail "two runs: $(cat pair?.txt | head -3)"
  edge_files "two runs"
  # A list is read once from any stream: a pipe, a FIFO, /dev/stdin.
  rm -f a.pdf b.pdf && mkfifo list.fifo
  { echo b.jpg > list.fifo; } 2>/dev/null & writer=$!
  timeout 20 "$program" -v --files-from list.fifo > stdout.txt 2> stderr.txt; status=$?
  kill $writer 2>/dev/null; wait $writer 2>/dev/null
  "$program" -v --files-from <(echo a.jpg) >> stdout.txt 2>> stderr.txt; status=$status$?
  echo b.jpg | "$program" -v --files-from /dev/stdin >> stdout.txt 2>> stderr.txt; status=$status$?
  [ "$status" = 000 ] && [ "$(cat stdout.txt)" = $'b.pdf\na.pdf\nb.pdf' ] && pass ||
    fail "lists from streams: $status $(cat stdout.txt) $(cat stderr.txt)"
  # Each row: the status and first line wanted, then the arguments. Usage
  # errors convert nothing; standard output closed at start, full, or the file
  # of an input (overwritten or appended) is said; an empty document is said;
  # a NUL list without --null gets the hint; a cut photo converts, with a warning.
  mkdir -p empty-dir && rm -f ./*.pdf && printf 'a.jpg\0b.jpg\0' > list0 && head -c 10000 "$inputs/gradient.jpg" > half.jpg
  while IFS='|' read -r want arguments; do
    eval "\"\$program\" $arguments" > /dev/null 2> stderr.txt; status=$?
    [ "$status: $(head -n 1 stderr.txt)" = "$want" ] && { [ "${want%%:*}" != 2 ] || [ -z "$(ls ./*.pdf 2>/dev/null)" ]; } &&
      pass || fail "edge case '$arguments': $status: $(head -n 1 stderr.txt)"
    rm -f ./*.pdf
  done <<'CASES'
1: Kestrel Error: none.pdf: not written: no image to put in it|-r -o none.pdf empty-dir
1: Kestrel Error: nodir/x.pdf: cannot be written: no such folder|-o nodir/x.pdf a.jpg
1: Kestrel Error: standard output: cannot be written: disk full|-o - a.jpg > /dev/full
2: kestrel: empty name: --output-dir|--output-dir '' a.jpg
2: kestrel: not a folder: a.jpg|--output-dir a.jpg b.jpg
2: kestrel: needs --files-from: --null|--null a.jpg
2: kestrel: value too long (4,096 characters at most): --author|--author "$(printf 'y%.0s' $(seq 4097))" a.jpg
1: Kestrel Error: a.jpg: input file is output file|-o - a.jpg b.jpg 1<>a.jpg
1: Kestrel Error: b.jpg: input file is output file|-o - b.jpg >> b.jpg
1: Kestrel Error: standard output: cannot be written: closed|-o - a.jpg >&-
1: Kestrel Error: standard output: closed|-v b.jpg >&-
1: Kestrel Error: standard output: closed|--help >&-
1: Kestrel Error: a.jpg: looks like a NUL-separated list: add --null|--files-from list0
0: Kestrel Warning: half.jpg: no end-of-image marker, perhaps cut short; converted as it is|half.jpg
CASES
  edge_files "standard output onto an input"
  script -qc "$program -o - a.jpg" /dev/null > tty.txt < /dev/null
  grep -q 'standard output is a terminal' tty.txt && ! grep -q '%PDF' tty.txt && pass || fail "-o - on a terminal: $(head -c 200 tty.txt)"
fi
# The archives made here, through the PDF/A-1b validator (one Java start).
report=$(bash "$here/pdfa_check.sh" "$work"/edge-archives/*.pdf)
[ "$kept_archives" = 4 ] && grep -q "^PDF/A-1b: 4 of 4 valid" <<<"$report" && pass ||
  fail "edges: $kept_archives of 4 archives made; validator: $report"
