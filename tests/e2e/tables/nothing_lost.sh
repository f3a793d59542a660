# needs: qpdf pdfimages timeout mkfifo
# --- Nothing lost: each case is the smallest that once destroyed a photo, a
# PDF or a profile, or reported a failure as success. What must stay is
# hashed before and compared after.
mkdir "$work/safe" && cd "$work/safe"
cp "$inputs"/rgb.jpg a.jpg && cp "$inputs"/gray.jpg b.jpg && cp "$inputs"/cmyk.jpg c.jpg
cp "$inputs"/lstar-rgb.ICM my.icc && echo "an older book" > book.pdf
sha256sum a.jpg b.jpg c.jpg my.icc book.pdf > before.txt
same_files() { sha256sum --quiet -c before.txt >/dev/null 2>&1 && pass || fail "$1: a file changed: $(sha256sum --quiet -c before.txt 2>&1)"; }
no_temporary() { ls ./~kestrel-* >/dev/null 2>&1 && fail "$1: a temporary file was left" || pass; }
# -o onto a photo or a profile (the shell's -o *.jpg), given twice, onto an
# input, or without an image: a usage error, nothing written.
while IFS='|' read -r arguments message; do
  kestrel $arguments 2> stderr.txt
  status=$?
  if [ "$mode" = posix ]; then
    [ $status -eq 2 ] && [ "$(head -n 1 stderr.txt)" = "kestrel: $message" ] && pass ||
      fail "usage '$arguments': status $status, messages: $(cat stderr.txt)"
  fi
  same_files "usage '$arguments'"
  [ "$(ls ./*.pdf)" = ./book.pdf ] && pass || fail "usage '$arguments': wrote $(ls ./*.pdf)"
done <<'CASES'
-o a.jpg b.jpg c.jpg|the output must be a name ending in .pdf: a.jpg
-o my.icc a.jpg|the output must be a name ending in .pdf: my.icc
-o b.jpg a.jpg b.jpg|the output must be a name ending in .pdf: b.jpg
-o x.pdf a.jpg --output=y.pdf|option given twice: --output
-o book.pdf a.jpg book.pdf|the output is also an input: book.pdf
CASES
# The same photo under three names makes one PDF, from the first; the others
# are reported and the first PDF kept.
cp a.jpg d.jpg && cp b.jpg d.jpeg && cp c.jpg d.JPG
kestrel d.jpg d.jpeg d.JPG 2> stderr.txt
status=$?
if [ "$mode" = posix ]; then
  [ $status -eq 1 ] && [ "$(cat stderr.txt)" = "$(printf 'Kestrel Error: %s: its PDF was already written by this run\n' d.jpeg d.JPG)" ] &&
    pass || fail "same output: status $status, messages: $(cat stderr.txt)"
fi
rm -f extracted-* && pdfimages -j d.pdf extracted >/dev/null 2>&1
cmp -s extracted-000.jpg d.jpg && pass || fail "same output: d.pdf does not hold d.jpg"
# Bytes before the start-of-image marker (a junk prefix) are not copied.
{ printf 'junk before the image\0'; cat a.jpg; } > junk.jpg
kestrel junk.jpg 2>/dev/null
rm -f extracted-* && pdfimages -j junk.pdf extracted >/dev/null 2>&1
cmp -s extracted-000.jpg a.jpg && qpdf --check junk.pdf >/dev/null 2>&1 && pass ||
  fail "junk prefix: junk.pdf does not hold the JPEG from its marker on"
if [ "$mode" = posix ]; then
  kestrel -o book.pdf 2> stderr.txt
  [ $? -eq 2 ] && [ "$(head -n 1 stderr.txt)" = "kestrel: no image for the document: book.pdf" ] && pass ||
    fail "-o without an image: $(cat stderr.txt)"
  # A failed conversion (a file-size limit) keeps the older PDF, says so, and
  # leaves no temporary file.
  { cat a.jpg; head -c 655360 /dev/zero; } > big.jpg && echo "an older PDF" > big.pdf
  (ulimit -f 64 && kestrel big.jpg 2> stderr.txt)
  [ $? -eq 1 ] && [ "$(cat stderr.txt)" = "Kestrel Error: big.pdf: cannot be written: file size limit reached" ] && [ "$(cat big.pdf)" = "an older PDF" ] &&
    pass || fail "size limit: status, message '$(cat stderr.txt)' or big.pdf changed"
  no_temporary "size limit"
  # Killed in the middle of a large conversion: the older PDF is intact, at
  # most a temporary file is left. SIGINT, SIGTERM and SIGHUP remove even that.
  { cat a.jpg; head -c 400000000 /dev/zero; } > huge.jpg && echo "an older PDF" > huge.pdf
  for signal in KILL INT TERM HUP QUIT USR1 USR2 ALRM PIPE; do
    env --default-signal "$program" huge.jpg 2>/dev/null &
    pid=$!
    for _ in $(seq 1000); do [ -s "$(ls ./~kestrel-* 2>/dev/null | head -n 1)" ] && break; sleep 0.01; done
    # Private while it is written, whatever the umask: it may replace a private PDF.
    [ "$(stat -c %a ./~kestrel-* 2>/dev/null)" = 600 ] && pass || fail "kill -$signal: temporary file mode $(stat -c %a ./~kestrel-*)"
    kill -s $signal $pid && wait $pid
    [ "$(cat huge.pdf)" = "an older PDF" ] && pass || fail "kill -$signal: huge.pdf changed"
    if [ $signal = KILL ]; then
      [ "$(ls ./~kestrel-* 2>/dev/null | wc -l)" -le 1 ] && pass || fail "kill -9: more than a temporary file left"
      rm -f ./~kestrel-*
    else
      no_temporary "kill -$signal"
    fi
  done
  # Jobs at once, ended while several files are written: none is left.
  { cat a.jpg; head -c 60000000 /dev/zero; } > huge.jpg && for n in 1 2 3; do ln -f huge.jpg huge$n.jpg; done
  env --default-signal "$program" -j 4 a.jpg huge.jpg huge1.jpg huge2.jpg huge3.jpg 2>/dev/null &
  pid=$!
  for _ in $(seq 1000); do [ "$(ls ./~kestrel-* 2>/dev/null | wc -l)" -ge 2 ] && break; sleep 0.01; done
  kill -s TERM $pid && wait $pid
  no_temporary "kill -TERM, four jobs"
  rm -f huge*.jpg huge?.pdf
  # The PDF's name is a link to the photo: the link is replaced, the photo kept.
  cp a.jpg linked.jpg && ln -s linked.jpg linked.pdf && sha256sum linked.jpg >> before.txt
  kestrel linked.jpg 2>/dev/null
  [ ! -L linked.pdf ] && qpdf --check linked.pdf >/dev/null 2>&1 && pass || fail "link: linked.pdf is no PDF of its own"
  same_files "link"
  # Standard error closed: no message lands inside the document (the first
  # image is longer than what the writer holds back, so the message would
  # fall inside it).
  cp "$inputs/fake.jpg" . && { cat a.jpg; head -c 300000 /dev/zero; } > long.jpg
  kestrel -o closed.pdf long.jpg fake.jpg b.jpg 2>&-
  [ $? -eq 1 ] && qpdf --check closed.pdf >/dev/null 2>&1 && ! grep -aq 'Kestrel Error' closed.pdf && pass ||
    fail "2>&-: closed.pdf is broken"
  rm -f extracted-* && pdfimages -j closed.pdf extracted >/dev/null 2>&1
  cmp -s extracted-000.jpg long.jpg && cmp -s extracted-001.jpg b.jpg && pass || fail "2>&-: the JPEGs did not come back"
  # A FIFO or a device named as a photo returns at once with its message; a
  # FIFO where the PDF would go is not replaced.
  mkfifo fifo.jpg pipe.pdf && ln -s /dev/zero zero.jpg && cp a.jpg pipe.jpg
  timeout 20 "$program" fifo.jpg zero.jpg a.jpg pipe.jpg 2> stderr.txt
  [ $? -eq 1 ] && [ "$(cat stderr.txt)" = "$(printf 'Kestrel Error: %s: not a regular file\n' fifo.jpg zero.jpg)
Kestrel Error: pipe.jpg: its PDF's name is not a regular file" ] && [ -p pipe.pdf ] &&
    pass || fail "FIFO and device: $(cat stderr.txt)"
  # Permission bits of the PDF replaced are kept: a private document stays private.
  chmod 600 book.pdf && echo "an older PDF" > private.pdf && chmod 640 private.pdf && cp a.jpg private.jpg
  kestrel -o book.pdf a.jpg 2>/dev/null && kestrel private.jpg 2>/dev/null
  [ "$(stat -c %a book.pdf) $(stat -c %a private.pdf)" = "600 640" ] && pass ||
    fail "modes: book.pdf $(stat -c %a book.pdf), private.pdf $(stat -c %a private.pdf)"
  # A new PDF gets what the umask leaves of 0666, alone and with -o.
  for mask in 022 077; do
    rm -f new.pdf new-book.pdf && cp a.jpg new.jpg
    (umask $mask && kestrel new.jpg && kestrel -o new-book.pdf a.jpg) 2>/dev/null
    want=$(printf '%o' $((0666 & ~0$mask)))
    [ "$(stat -c %a new.pdf) $(stat -c %a new-book.pdf)" = "$want $want" ] && pass ||
      fail "modes under umask $mask: new.pdf $(stat -c %a new.pdf), new-book.pdf $(stat -c %a new-book.pdf), want $want"
  done
  # A profile that does not load and a name too long are said; -v that cannot
  # be written fails the run.
  long=$(printf 'n%.0s' $(seq 300)).jpg
  kestrel a.jpg mypaper.icc "$long" 2> stderr.txt
  [ "$(cat stderr.txt)" = "$(printf 'Kestrel Error: mypaper.icc: no such file\nKestrel Error: %s: name too long' "${long:0:261}")" ] && pass ||
    fail "profile and long name: $(cat stderr.txt)"
  kestrel -v a.jpg > /dev/full 2>/dev/null
  [ $? -eq 1 ] && pass || fail "-v > /dev/full: exit status $?"
  kestrel --version > /dev/full 2>/dev/null
  [ $? -eq 1 ] && pass || fail "--version > /dev/full: exit status $?"
fi
# The document date carries the zone's own offset at that instant.
TZ=EST5EDT kestrel a.jpg 2>/dev/null
want=$(TZ=EST5EDT date +%z | sed "s/\(...\)\(..\)/\1'\2'/")
grep -aq "/CreationDate (D:[0-9]\{14\}$want)" a.pdf && pass || fail "date offset: want $want: $(grep -ao '/CreationDate ([^)]*)' a.pdf)"
