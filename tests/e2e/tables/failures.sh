# needs: qpdf pdfinfo perl
# Failures: one message each, nothing written for them, the batch goes on.
# Each cause, made by a real run, and the POSIX line that names it.
mkdir -p "$work/failures/sub dir" "$work/failures/folder.jpg" "$work/failures/photos" && cd "$work/failures"
cp "$inputs"/rgb.jpg "$inputs"/fake.jpg "$inputs"/notes.txt . && cp "$inputs"/gray.jpg "sub dir/"
# JPEGs no PDF reader shows: 12-bit samples, lossless, hierarchical.
cp "$inputs"/twelve-bit.jpg "$inputs"/lossless.jpg "$inputs"/hierarchical.jpg .
printf '\x89PNG\r\n\x1a\n' > png.jpg && printf 'GIF89a' > gif.jpg && printf 'II*\0' > tiff.jpg && printf 'BM6' > bmp.jpg
printf 'RIFF\0\0\0\0WEBPVP8 ' > webp.jpg && printf '\0\0\0\30ftypheic' > heic.jpg && printf '%%PDF-1.4' > pdf.jpg
: > empty.jpg && head -c 20 rgb.jpg > cut.jpg
causes=(notes.txt 'not a JPEG name (.jpg, .jpeg, .jpe or .jfif)' fake.jpg 'not a JPEG file' missing.jpg 'no such file'
  folder.jpg 'is a folder; -r converts its photos' photos 'is a folder; -r converts its photos' empty.jpg 'empty file'
  twelve-bit.jpg '12-bit JPEG: no PDF reader shows it' lossless.jpg 'lossless JPEG: no PDF reader shows it'
  hierarchical.jpg 'hierarchical JPEG: no PDF reader shows it' cut.jpg 'cut short before its frame header'
  nodir/a.jpg 'no such file' png.jpg 'not a JPEG file (PNG image)' gif.jpg 'not a JPEG file (GIF image)'
  tiff.jpg 'not a JPEG file (TIFF image)' bmp.jpg 'not a JPEG file (BMP image)' webp.jpg 'not a JPEG file (WebP image)'
  heic.jpg 'not a JPEG file (HEIC image)' pdf.jpg 'not a JPEG file (PDF document)')
failing=() && : > want.txt
for ((i = 0; i < ${#causes[@]}; i += 2)); do
  failing+=("${causes[i]}") && printf 'Kestrel Error: %s: %s\n' "${causes[i]}" "${causes[i + 1]}" >> want.txt
done
kestrel "${failing[@]}" rgb.jpg "sub dir/gray.jpg" 2> stderr.txt
status=$?
# The POSIX program says something failed; kestrel.exe always exits 0.
if [ "$mode" = posix ]; then want_status=1; else want_status=0; fi
[ $status -eq $want_status ] && pass || fail "failures: exit code $status, want $want_status"
if [ "$mode" = posix ]; then
  cmp -s stderr.txt want.txt && pass || fail "failures: messages were: $(diff want.txt stderr.txt)"
  # Causes that need another process or user: a reader of another program
  # holding its lock, a file and a folder closed to the user running it.
  if command -v flock >/dev/null && command -v setpriv >/dev/null; then
    cp rgb.jpg held.jpg && cp rgb.jpg private.jpg && chmod 600 private.jpg && mkdir shut && cp rgb.jpg shut/ && chmod 555 shut
    flock -x held.jpg sleep 3 & sleep 0.5
    { "$program" held.jpg; setpriv --reuid=65534 --regid=65534 --clear-groups "$program" private.jpg shut/rgb.jpg; } 2> stderr.txt
    wait && chmod 755 shut
    [ "$(cat stderr.txt)" = $'Kestrel Error: held.jpg: in use by another program\nKestrel Error: private.jpg: permission denied\nKestrel Error: shut/rgb.pdf: cannot be written: permission denied' ] &&
      pass || fail "failures, locks and rights: $(cat stderr.txt)"
  fi
fi
for f in notes.pdf fake.pdf missing.pdf folder.pdf twelve-bit.pdf lossless.pdf hierarchical.pdf png.pdf empty.pdf cut.pdf; do
  [ -e "$f" ] && fail "failures: $f was created" || pass
done
[ -f rgb.pdf ] && qpdf --check rgb.pdf >/dev/null 2>&1 && pass || fail "failures: rgb.pdf missing or broken"
[ -f "sub dir/gray.pdf" ] && pass || fail "failures: sub dir/gray.pdf missing"
# An empty argument ends the list on Windows; the POSIX program reports it
# like any file that cannot be converted and goes on.
rm -f rgb.pdf "sub dir/gray.pdf"
kestrel rgb.jpg "" "sub dir/gray.jpg" 2> stderr.txt
if [ "$mode" = wine ]; then
  [ -f rgb.pdf ] && [ ! -e "sub dir/gray.pdf" ] && pass || fail "an empty argument did not end the list"
fi

# Linux names are bytes: every name converts, its PDF is the same bytes with
# .pdf, its title and page label show the name as a UTF-8 terminal does, and
# -v lists each PDF written. An empty argument and options in between.
if [ "$mode" = posix ]; then
  mkdir "$work/names" && cd "$work/names"
  #           name (bytes)              title and label (as a terminal shows them)
  name_cases=($'caf\xe9'                 $'caf\xef\xbf\xbd'
              'scan\1'                  'scan\1'
              'x"y'                     'x"y'
              '"quoted'                 '"quoted'
              'a "b c'                  'a "b c'
              '-odd'                    '-odd'
              $'\xf0\x9f\x93\xb7 (1)'   $'\xf0\x9f\x93\xb7 (1)'
              $'tab\there'              $'tab\there'
              $'\x80\xff'               $'\xef\xbf\xbd\xef\xbf\xbd')
  names=()
  for ((i = 0; i < ${#name_cases[@]}; i += 2)); do
    cp -- "$inputs/rgb.jpg" "${name_cases[i]}.jpg" && names+=("${name_cases[i]}.jpg")
  done
  kestrel -v "${names[@]:0:2}" "" -- "${names[@]:2}" > stdout.txt 2> stderr.txt
  status=$?
  [ $status -eq 1 ] && pass || fail "names: exit code $status, want 1 (the empty argument)"
  [ "$(cat stderr.txt)" = "Kestrel Error: : empty name" ] && pass || fail "names: messages were: $(cat stderr.txt)"
  printf '%s.pdf\n' "${names[@]%.jpg}" | cmp -s - stdout.txt && pass ||
    fail "names: -v printed: $(cat stdout.txt)"
  # The title and the first page label are the same string, byte for byte.
  label_is_title() {
    perl -0777 -ne 'my $s = qr/\(((?:\\.|[^\\)])*)\)/s; my ($t) = /\/Title $s/; my ($p) = /\/P $s/;
                    exit !(defined $t && defined $p && $t eq $p)' "$1"
  }
  for ((i = 0; i < ${#name_cases[@]}; i += 2)); do
    pdf=./${name_cases[i]}.pdf
    if [ ! -f "$pdf" ]; then fail "names: $(printf %q "$pdf") was not written"; continue; fi
    qpdf --check "$pdf" >/dev/null 2>&1 && pass || fail "names: qpdf --check $(printf %q "$pdf")"
    title=$(pdfinfo -enc UTF-8 "$pdf" 2>/dev/null | sed -n 's/^Title: *//p')
    [ "$title" = "${name_cases[i + 1]}.jpg" ] && pass ||
      fail "names: title of $(printf %q "$pdf") is $(printf %q "$title")"
    label_is_title "$pdf" && pass || fail "names: the page label of $(printf %q "$pdf") is not its title"
  done
fi

# A usage error anywhere on the line (an unknown long or short option, a known
# name with more after it): exit 2, the argument named on standard error,
# nothing converted or written. The argument, then the line.
if [ "$mode" = posix ]; then
  mkdir "$work/usage" && cd "$work/usage"
  while read -r bad arguments; do
    cp "$inputs"/rgb.jpg "$inputs"/gray.jpg . && rm -f ./*.pdf
    kestrel $arguments > /dev/null 2> stderr.txt
    status=$?
    [ $status -eq 2 ] && grep -qF -- "$bad" stderr.txt && [ -z "$(ls ./*.pdf 2>/dev/null)" ] &&
      cmp -s rgb.jpg "$inputs/rgb.jpg" && pass ||
      fail "usage ($arguments): status $status, PDFs: $(ls ./*.pdf 2>/dev/null), messages: $(cat stderr.txt)"
  done <<'CASES'
--bogus            --bogus rgb.jpg gray.jpg
-x                 rgb.jpg -x gray.jpg
-vx                -vx rgb.jpg gray.jpg
--verbosely        rgb.jpg gray.jpg --verbosely
--auto-orientx     --auto-orientx rgb.jpg gray.jpg
--outputx=book.pdf --outputx=book.pdf rgb.jpg gray.jpg
-obook.pdf         -obook.pdf rgb.jpg gray.jpg
CASES
fi
