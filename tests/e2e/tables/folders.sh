# needs: qpdf pdfinfo python3 perl script mkfifo
# --- Folders (-r), --output-dir, --update, --files-from; POSIX also
# standard input and output and the progress line. A tree with nested folders,
# mixed-case extensions, hidden entries, a link loop and page2/page10.
mkdir -p "$work/tree" && cd "$work/tree"
mkdir -p photos/b10 photos/b2/c photos/.secret && ln -s .. photos/b2/loop
for f in page10.jpg page2.JPG Page03.jpeg page1.jpe .hidden.jpg b10/q.jfif b2/q.jpg b2/c/z.jpg .secret/s.jpg; do
  cp "$inputs/rgb.jpg" "photos/$f"; done
cp "$inputs/notes.txt" photos/ && touch -d '2001-01-01' $(find photos -type f)
pages=(page1.jpe page2.JPG Page03.jpeg page10.jpg q.jpg z.jpg q.jfif)
outputs="out/page1.pdf out/page2.pdf out/Page03.pdf out/page10.pdf out/b2/q.pdf out/b2/c/z.pdf out/b10/q.pdf"
kestrel -r -o tree.pdf photos 2> stderr.txt
kestrel --recursive --output-dir out photos 2>> stderr.txt
printf 'photos/page1.jpe\r\n\nphotos/b2/q.jpg\n' > list.txt
kestrel --files-from list.txt --output-dir=flat photos/b10/q.jfif 2> clash.txt
[ -s stderr.txt ] && fail "tree: unexpected messages: $(cat stderr.txt)" || pass
labels=$(qpdf --json tree.pdf 2>/dev/null | python3 -c 'import json, sys
print(" ".join(p["label"]["/P"][2:] for p in json.load(sys.stdin)["pages"]))')
[ "$labels" = "${pages[*]}" ] && pass || fail "tree: -r -o pages '$labels', want '${pages[*]}'"
# --outline: an entry per page in entries for its folders, in page order,
# each opening its page (a folder its first); counts and links as qpdf reads them.
kestrel -r --outline -o outlined.pdf photos 2>> stderr.txt
outline=$(qpdf --json outlined.pdf 2>/dev/null | python3 -c 'import json, sys
def show(items):
    return " ".join(i["title"] + "@" + str(i["destpageposfrom1"]) + ("[" + show(i["kids"]) + "]" if i["kids"] else "") for i in items)
print(show(json.load(sys.stdin)["outlines"]))')
[ "$outline" = "page1.jpe@1 page2.JPG@2 Page03.jpeg@3 page10.jpg@4 b2@5[q.jpg@5 c@6[z.jpg@6]] b10@7[q.jfif@7]" ] &&
  qpdf --check outlined.pdf >/dev/null 2>&1 && pass || fail "--outline: '$outline'"
# --sort: the names of the line and the list, shuffled, in natural order.
printf 'photos/page10.jpg\nphotos/Page03.jpeg\n' > shuffled.txt
kestrel --sort -o sorted.pdf photos/page2.JPG --files-from shuffled.txt photos/page1.jpe 2>> stderr.txt
labels=$(qpdf --json sorted.pdf 2>/dev/null | python3 -c 'import json, sys
print(" ".join(p["label"]["/P"][2:] for p in json.load(sys.stdin)["pages"]))')
[ "$labels" = "page1.jpe page2.JPG Page03.jpeg page10.jpg" ] && pass || fail "--sort: pages '$labels'"
[ "$(find out -type f | sort)" = "$(tr ' ' '\n' <<<"$outputs" | sort)" ] && pass || fail "tree: out/ has $(find out | sort)"
[ -z "$(find photos -name '*.pdf')" ] && pass || fail "tree: PDFs written beside the photos"
# flat/: page1 from the list, then q.jfif and q.jpg both as flat/q.pdf: the
# second is reported and the first kept.
[ "$(find flat -type f | sort | tr '\n' ' ')" = "flat/page1.pdf flat/q.pdf " ] && pass || fail "clash: flat/ has $(find flat)"
[ "$(pdfinfo flat/q.pdf 2>/dev/null | sed -n 's/^Title: *//p')" = q.jfif ] && pass || fail "clash: flat/q.pdf was replaced"
[ "$mode" = wine ] || [ "$(cat clash.txt)" = 'Kestrel Error: photos/b2/q.jpg: its PDF was already written by this run' ] && pass || fail "clash: messages were: $(cat clash.txt)"
# --update after a partial run: only the missing PDF and the one older than its photo.
rm out/page2.pdf && touch -d '1 hour ago' $(find out -type f) && touch photos/b2/c/z.jpg
touch -d '30 minutes ago' stamp && kestrel -r -u --output-dir out photos 2> stderr.txt
[ "$(find out -newer stamp -type f | sort | tr '\n' ' ')" = "out/b2/c/z.pdf out/page2.pdf " ] && pass ||
  fail "update: converted $(find out -newer stamp -type f)"
# -u with -o: the document stays while no photo is newer than it; a photo
# touched rebuilds it.
kestrel -o book-u.pdf photos/page1.jpe photos/page2.JPG 2> stderr.txt && touch -d '10 minutes ago' book-u.pdf
kept=$(stat -c %Y book-u.pdf)
kestrel $([ "$mode" = posix ] && echo -v) -u -o book-u.pdf photos/page1.jpe photos/page2.JPG > said.txt 2>> stderr.txt
[ "$(stat -c %Y book-u.pdf)" = "$kept" ] && { [ "$mode" = wine ] || [ "$(cat said.txt)" = "up to date: book-u.pdf" ]; } &&
  pass || fail "-u -o: book-u.pdf rewritten, or -v said '$(cat said.txt)'"
touch photos/page2.JPG && kestrel -u -o book-u.pdf photos/page1.jpe photos/page2.JPG 2>> stderr.txt
[ "$(stat -c %Y book-u.pdf)" -gt "$kept" ] && [ "$(pdfinfo book-u.pdf | sed -n 's/^Pages: *//p')" = 2 ] && [ ! -s stderr.txt ] &&
  pass || fail "-u -o: not rebuilt after a photo was touched: $(cat stderr.txt)"
touch -d '2001-01-01' photos/page2.JPG
if [ "$mode" = posix ]; then
  # Names that look like options, in a newline list and a NUL list.
  cp "$inputs/rgb.jpg" ./-v.jpg && cp "$inputs/rgb.jpg" ./--help.jpg && cp "$inputs/rgb.jpg" $'new\nline.jpg'
  printf -- '-v.jpg\n' | kestrel --files-from - -v > stdout.txt 2> stderr.txt
  printf -- '--help.jpg\0new\nline.jpg\0' > list0 && kestrel --null --files-from list0 -v >> stdout.txt 2>> stderr.txt
  [ "$(cat stdout.txt)" = $'-v.pdf\n--help.pdf\nnew\nline.pdf' ] && [ ! -s stderr.txt ] && pass ||
    fail "files-from: -v printed '$(cat stdout.txt)', messages '$(cat stderr.txt)'"
  # Standard input to standard output: the same bytes but for the date, the
  # title and label (- for a.pdf and a.jpg) and the offsets they move.
  inner() { perl -0777 -pe "s/D:\d{14}[+-]\d\d'\d\d'//g; s/\/(Title|P) \((\\\\.|[^\\\\)])*\)//g; s/xref\r.*//s" "$1"; }
  cp photos/page10.jpg a.jpg && cat a.jpg | kestrel -o - - > piped.pdf 2> stderr.txt && kestrel -o a.pdf a.jpg
  [ -s piped.pdf ] && cmp -s <(inner piped.pdf) <(inner a.pdf) && qpdf --check piped.pdf >/dev/null 2>&1 &&
    [ ! -s stderr.txt ] && pass || fail "stdin/stdout: piped.pdf differs from a.pdf: $(cat stderr.txt)"
  # Titled and labelled "standard input"; --help names both uses of "-".
  [ "$(perl -0777 -ne 'print scalar(() = /\(\xFE\xFF\x00s\x00t\x00a\x00n\x00d\x00a\x00r\x00d\x00 \x00i\x00n\x00p\x00u\x00t\)/g)' piped.pdf)" = 2 ] &&
    [ "$(kestrel --help | grep -cE '^  -( |o - ) ')" = 2 ] && pass || fail "stdin/stdout: title, label or --help"
  # The progress line: drawn and erased under a terminal, never in a pipe or with -q.
  script -qc "$program -r photos" /dev/null > tty.txt < /dev/null
  grep -q '1 of 7 images' tty.txt && [ "$(tail -c 1 tty.txt)" = $'\r' ] && pass || fail "progress: $(od -c tty.txt | head -3)"
  script -qc "$program -q -r photos" /dev/null > tty.txt < /dev/null
  script -qc "$program photos/page10.jpg" /dev/null >> tty.txt < /dev/null
  kestrel -r photos 2> stderr.txt | cat
  [ ! -s tty.txt ] && [ ! -s stderr.txt ] && pass || fail "progress: shown with -q, for one image or in a pipe"
  # Standard input's copy leaves nothing in TMPDIR: converted, refused, or
  # the run ended by a signal while it reads.
  mkdir own-tmp && cp "$inputs/notes.txt" .
  cat a.jpg | TMPDIR=$PWD/own-tmp "$program" -o - - > /dev/null 2>&1
  TMPDIR=$PWD/own-tmp "$program" -o - - < notes.txt > /dev/null 2>&1
  mkfifo slow-stdin
  TMPDIR=$PWD/own-tmp "$program" -o - - < slow-stdin > /dev/null 2>&1 &
  pid=$! && exec 3> slow-stdin && cat a.jpg >&3
  for _ in $(seq 500); do [ -n "$(find own-tmp -type f)" ] && break; sleep 0.01; done
  kill -s TERM $pid; wait $pid; exec 3>&-
  [ -z "$(ls -A own-tmp)" ] && pass || fail "standard input: TMPDIR holds $(find own-tmp)"
fi
