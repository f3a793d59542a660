#!/usr/bin/env bash
# End-to-end test of the program as users run it: converts the inputs in
# tests/e2e/inputs and checks every PDF (expected bytes with the date masked,
# qpdf, the JPEG bytes unchanged, page sizes, a rendering), the failure
# messages, and the exit code.
#   run.sh posix BUILD/kestrel       the POSIX program
#   run.sh wine  BUILD/kestrel.exe   the Windows program under Wine (headless)
# KESTREL_E2E_UPDATE=1 rewrites tests/e2e/expected from this run instead;
# KESTREL_E2E_JOBS=N runs every conversion with -j N.
set -uo pipefail
mode=$1
program=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
inputs=$here/inputs
source "$here/own_profiles.sh"
expected=$here/expected
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
# The comma-decimal run must really be under such a locale.
if [ -n "${KESTREL_E2E_LOCALE:-}" ]; then
  export LC_ALL=$KESTREL_E2E_LOCALE
  if [ "$(locale decimal_point 2>/dev/null)" != "," ]; then
    echo "FAIL: locale $LC_ALL is not available or has no comma decimal point"
    echo "0 passed, 1 failed"
    exit 1
  fi
fi

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }

# Runs the program in the current folder; Windows paths use backslashes.
# KESTREL_E2E_JOBS goes first on a line that names no job count itself.
kestrel() {
  local args=() a
  if [ -n "${KESTREL_E2E_JOBS:-}" ] && [ $# -gt 0 ] && [[ " $* " != *" -j"* && " $* " != *" --jobs"* ]]; then
    args=(-j "$KESTREL_E2E_JOBS")
  fi
  for a in "$@"; do
    if [ "$mode" = wine ]; then args+=("${a//\//\\}"); else args+=("$a"); fi
  done
  if [ "$mode" = wine ]; then
    WINEDEBUG=-all DISPLAY= "${KESTREL_WINE:-/usr/lib/wine/wine64}" "$program" "${args[@]}"
  else
    "$program" "${args[@]}"
  fi
}

masked() { perl -0777 -pe "s/D:\d{14}[+-]\d\d'\d\d'/D:00000000000000+09'00'/g" "$1"; }

# Checks one output against its expected file and the independent checkers.
check_pdf() {
  local case=$1 name=$2 jpeg=$3 size=$4 pdf=$2.pdf
  if [ ! -f "$pdf" ]; then fail "$case: $pdf was not written"; return; fi
  if [ "${KESTREL_E2E_UPDATE:-}" = 1 ]; then
    mkdir -p "$expected/$case" && masked "$pdf" > "$expected/$case/$name.pdf"
  fi
  if cmp -s <(masked "$pdf") "$expected/$case/$name.pdf"; then pass; else
    fail "$case: $pdf differs from expected/$case/$name.pdf"; fi
  local report
  report=$(qpdf --check "$pdf" 2>&1)
  if [ $? -eq 0 ] && ! grep -qi warning <<<"$report"; then pass; else
    fail "$case: qpdf --check $pdf: $report"; fi
  rm -f extracted-*
  pdfimages -j "$pdf" extracted >/dev/null 2>&1
  if cmp -s extracted-000.jpg "$jpeg"; then pass; else
    fail "$case: the image in $pdf is not $jpeg byte for byte"; fi
  local page
  page=$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Page size: *\([0-9.]* x [0-9.]*\) pts.*/\1/p')
  if [ "$page" = "$size" ]; then pass; else fail "$case: $pdf page size '$page', want '$size'"; fi
}

# The page rendered at the image's own resolution must look like the JPEG.
check_render() {
  local pdf=$1 jpeg=$2 dpi=$3 colour=${4:-} rmse
  rm -f rendered.p?m
  pdftoppm -r "$dpi" -singlefile $colour "$pdf" rendered >/dev/null 2>&1
  djpeg -pnm "$jpeg" > decoded.pnm 2>/dev/null
  rmse=$(compare -metric RMSE rendered.p?m decoded.pnm null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
  if [ -n "$rmse" ] && awk -v r="$rmse" 'BEGIN { exit !(r < 0.02) }'; then pass; else
    fail "render of $pdf differs from djpeg of $jpeg (normalized RMSE '${rmse:-none}')"; fi
}

# Defaults from data/ beside the program; embedded profile wins.
mkdir "$work/defaults" && cd "$work/defaults" && cp "$inputs"/*.jpg .
kestrel gray.jpg rgb.jpg rgb-dpcm.jpg rgb-icc.jpg cmyk.jpg progressive.jpg fill-bytes.jpg \
  2> stderr.txt
[ $? -eq 0 ] && pass || fail "defaults: exit code not 0"
[ -s stderr.txt ] && fail "defaults: unexpected messages: $(cat stderr.txt)" || pass
check_pdf defaults gray gray.jpg "64 x 48"
check_pdf defaults rgb rgb.jpg "19.2 x 14.4"
check_pdf defaults rgb-dpcm rgb-dpcm.jpg "19.22 x 14.41"
check_pdf defaults rgb-icc rgb-icc.jpg "38.4 x 28.8"
check_pdf defaults cmyk cmyk.jpg "23.04 x 23.04"
check_pdf defaults progressive progressive.jpg "48 x 40"
check_pdf defaults fill-bytes fill-bytes.jpg "19.2 x 14.4"
check_render rgb.pdf rgb.jpg 300
check_render gray.pdf gray.jpg 72 -gray
# Fill bytes before markers change nothing but the copied bytes: the same
# image dictionary (but its /Length), page and content stream.
image_dictionary() { tr '\r' '\n' < "$1" | sed -n '/\/Type \/XObject/,/^stream/p' | grep -v /Length; }
page_and_content() { tr '\r' '\n' < "$1" | grep -a -E '^/MediaBox|^q .* Do Q'; }
if cmp -s <(image_dictionary rgb.pdf) <(image_dictionary fill-bytes.pdf) &&
   cmp -s <(page_and_content rgb.pdf) <(page_and_content fill-bytes.pdf) &&
   [ -n "$(image_dictionary rgb.pdf)" ]; then
  pass; else fail "fill bytes: the image is described differently"; fi

# PDFium (Chrome, Edge) draws samples as they are only under the one standard
# sRGB profile; any other profile goes through a transform that bands smooth
# gradients in large images. Each render at the image's pixel size must match
# the decoded JPEG (CMYK: converted with its profile) and keep its levels.
pdfium_package=${KESTREL_PDFIUM:-$here/../../build/pdfium/node_modules/@hyzyla/pdfium}
check_pdfium() {
  local pdf=$1 jpeg=$2 cmyk_profile=${3:-} rmse channel have want
  rm -f pdfium.ppm reference.pnm
  if ! node "$here/pdfium_render.mjs" "$pdfium_package" "$pdf" $(identify -format '%w %h' "$jpeg") pdfium.ppm \
      2> pdfium-errors.txt; then
    fail "PDFium cannot render $pdf (scripts/test installs it in build/pdfium): $(head -c 300 pdfium-errors.txt)"
    return
  fi
  if [ -n "$cmyk_profile" ]; then
    convert "$jpeg" -intent relative -black-point-compensation -profile "$cmyk_profile" \
      -profile "$(dirname "$program")/data/sRGB.icc" reference.pnm
  else
    djpeg -pnm "$jpeg" > reference.pnm 2>/dev/null
  fi
  rmse=$(compare -metric RMSE pdfium.ppm reference.pnm null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
  if [ -n "$rmse" ] && awk -v r="$rmse" 'BEGIN { exit !(r < 0.01) }'; then pass; else
    fail "PDFium render of $pdf differs from $jpeg (normalized RMSE '${rmse:-none}')"; fi
  [ -n "$cmyk_profile" ] && return
  for channel in R G B; do
    have=$(convert pdfium.ppm -channel $channel -separate -format %k info:)
    want=$(convert reference.pnm -channel $channel -separate -format %k info:)
    if [ $((have * 100)) -ge $((want * 95)) ]; then pass; else
      fail "PDFium render of $pdf has $have $channel levels, $jpeg has $want"; fi
  done
}
kestrel gradient.jpg 2> stderr.txt
[ -s stderr.txt ] && fail "gradient: unexpected messages: $(cat stderr.txt)" || pass
check_pdf defaults gradient gradient.jpg "900 x 600"
check_pdfium gradient.pdf gradient.jpg
check_pdfium rgb.pdf rgb.jpg
check_pdfium gray.pdf gray.jpg
check_pdfium cmyk.pdf cmyk.jpg "$(dirname "$program")/data/sCMYK.icc"

# Profiles named on the command line, after the images, extension in any case.
mkdir "$work/command-line" && cd "$work/command-line"
cp "$inputs"/rgb.jpg "$inputs"/gray.jpg "$inputs"/*.icc "$inputs"/*.ICM .
kestrel rgb.jpg gray.jpg gray-cie-l.icc lstar-rgb.ICM 2> stderr.txt
[ -s stderr.txt ] && fail "command-line: unexpected messages: $(cat stderr.txt)" || pass
check_pdf command-line rgb rgb.jpg "19.2 x 14.4"
check_pdf command-line gray gray.jpg "64 x 48"
# Each JPEG takes the profile of its kind, the last of a kind wins, and one that
# does not load (cut short) or names another colour space (Lab) leaves the slot
# as it was. Case (its PDFs in expected/command-line/CASE), then the arguments.
cp "$inputs"/cmyk.jpg . && head -c 100 press-cmyk.icc > short-cmyk.icc
declare -A page=([gray]="64 x 48" [rgb]="19.2 x 14.4" [cmyk]="23.04 x 23.04")
# A profile that does not load is reported by the POSIX program; the run goes on.
while read -r case arguments; do
  rm -f ./*.pdf
  kestrel $arguments 2> stderr.txt
  want=""
  if [ "$mode" = posix ] && [[ $arguments == *short-cmyk.icc* ]]; then want="Kestrel Error: short-cmyk.icc: not an ICC profile"; fi
  [ "$(cat stderr.txt)" = "$want" ] && pass || fail "command-line/$case: messages: $(cat stderr.txt)"
  for jpeg in $arguments; do
    [[ $jpeg == *.jpg ]] && check_pdf "command-line/$case" "${jpeg%.jpg}" "$jpeg" "${page[${jpeg%.jpg}]}"
  done
done <<'CASES'
one-each   gray.jpg rgb.jpg cmyk.jpg lstar-rgb.ICM gray-cie-l.icc press-cmyk.icc
last-wins  rgb.jpg cmyk.jpg proof-cmyk.icc press-cmyk.icc
unusable   rgb.jpg cmyk.jpg press-cmyk.icc lab.icc short-cmyk.icc
CASES

# A program copied alone, with no data folder: no profile but the embedded one.
mkdir -p "$work/alone/bin" "$work/alone/run" && cp "$program" "$work/alone/bin/"
program_saved=$program
program=$work/alone/bin/$(basename "$program")
cd "$work/alone/run" && cp "$inputs"/rgb.jpg "$inputs"/gray.jpg "$inputs"/cmyk.jpg "$inputs"/rgb-icc.jpg .
kestrel rgb.jpg gray.jpg cmyk.jpg rgb-icc.jpg 2> stderr.txt
[ -s stderr.txt ] && fail "alone: unexpected messages: $(cat stderr.txt)" || pass
check_pdf none rgb rgb.jpg "19.2 x 14.4"
check_pdf none gray gray.jpg "64 x 48"
check_pdf none cmyk cmyk.jpg "23.04 x 23.04"
check_pdf none rgb-icc rgb-icc.jpg "38.4 x 28.8"
check_render rgb.pdf rgb.jpg 300
program=$program_saved

# --auto-orient, anywhere on the line: a photo with each EXIF orientation gets
# the page a viewer shows it on, its JPEG unchanged. Rendered at four times its
# resolution, where whole image pixels are drawn, the page must match the
# picture turned by ImageMagick.
mkdir "$work/orient" && cd "$work/orient" && cp "$inputs"/orient-?.jpg .
kestrel orient-1.jpg orient-2.jpg orient-3.jpg orient-4.jpg --auto-orient orient-5.jpg \
  orient-6.jpg orient-7.jpg orient-8.jpg 2> stderr.txt
[ -s stderr.txt ] && fail "orient: unexpected messages: $(cat stderr.txt)" || pass
for n in 1 2 3 4 5 6 7 8; do
  if [ $n -le 4 ]; then size="48 x 32"; else size="32 x 48"; fi
  check_pdf orient orient-$n orient-$n.jpg "$size"
  rm -f rendered.ppm turned.ppm
  pdftoppm -r 288 -singlefile orient-$n.pdf rendered >/dev/null 2>&1
  convert orient-$n.jpg -auto-orient -scale 400% turned.ppm
  rmse=$(compare -metric RMSE rendered.ppm turned.ppm null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
  if [ -n "$rmse" ] && awk -v r="$rmse" 'BEGIN { exit !(r < 0.02) }'; then pass; else
    fail "orient: orient-$n.pdf is not the picture turned (normalized RMSE '${rmse:-none}')"; fi
done

# --- Page layout: --page-size, --fit, --margin, --dpi, one run per line
# (mode and margin in points, the options, then each picture with its page
# size and, for shrink, its own size). Each PDF, or page of -o, must have that
# size, pass qpdf, give its JPEG back, and render like the picture composed by
# ImageMagick on a page of that size: scaled, extended or cut about the centre,
# the margin a white border.
mkdir "$work/layout" && cd "$work/layout" && cp "$inputs"/orient-1.jpg "$inputs"/orient-6.jpg .
jpegtran -rotate 90 -perfect orient-1.jpg > portrait.jpg
layout_render() {  # pdf page jpeg page-width page-height margin mode own-size options
  local px py m ow oh room scale rmse turn=()
  [[ $9 =~ --rotate[=\ ]([0-9]+) ]] && turn=(-rotate "${BASH_REMATCH[1]}")
  read -r px py m ow oh < <(awk -v w=$4 -v h=$5 -v m=$6 -v own=$8 'BEGIN { s = 600 / (w > h ? w : h)
    split(own, o, "x"); printf "%d %d %d %d %d\n", w*s+0.5, h*s+0.5, m*s+0.5, o[1]*s+0.5, o[2]*s+0.5 }')
  room=$((px - 2 * m))x$((py - 2 * m))
  case $7 in into) scale=(-resize $room) ;; fill) scale=(-resize $room^) ;; own) scale=(-resize $room!) ;;
    shrink) scale=(-resize "${ow}x${oh}!" -resize "$room>") ;; esac
  pdftoppm -f $2 -l $2 -scale-to-x $px -scale-to-y $py -singlefile "$1" rendered >/dev/null 2>&1
  # Both blurred a little: a picture edge a pixel off is rounding, not a fault.
  rmse=$(convert \( "$3" $([[ $9 == *--auto-orient* ]] && echo -auto-orient) "${turn[@]}" "${scale[@]}" -background white \
    -gravity center -extent $room -bordercolor white -border $m \) rendered.ppm -blur 0x1.5 -metric RMSE \
    -compare -format '%[distortion]' info: 2>/dev/null)
  if [ -n "$rmse" ] && awk -v r="$rmse" 'BEGIN { exit !(r < 0.04) }'; then pass; else
    fail "layout: page $2 of $1 is not $3 composed $7 on $4 x $5 pt (normalized RMSE '${rmse:-none}')"; fi
}
while IFS='|' read -r head options pictures; do
  read -r fit margin <<<"$head" && rm -f ./*.pdf && kestrel $options $(sed 's/=[^ ]*//g' <<<"$pictures") 2> stderr.txt
  [ -s stderr.txt ] && fail "layout $options: messages: $(cat stderr.txt)" || pass
  n=0
  for picture in $pictures; do
    IFS='=/' read -r jpeg size own <<<"$picture" && n=$((n + 1)) && w=${size%x*} && h=${size#*x}
    if [[ " $options " == *" -o "* ]]; then pdf=book.pdf; else pdf=${jpeg%.jpg}.pdf n=1; fi
    page=$(pdfinfo -f $n -l $n "$pdf" 2>/dev/null | sed -n 's/^Page *[0-9]* size: *\([0-9.]* x [0-9.]*\) pts.*/\1/p')
    [ "$page" = "$w x $h" ] && pass || fail "layout $options: $jpeg's page is '$page', want '$w x $h'"
    qpdf --check "$pdf" >/dev/null 2>&1 && pass || fail "layout $options: qpdf --check $pdf"
    rm -f extracted-* && pdfimages -f $n -l $n -j "$pdf" extracted >/dev/null 2>&1
    cmp -s extracted-000.jpg "$jpeg" && pass || fail "layout $options: the image of $jpeg is not its JPEG"
    layout_render "$pdf" $n "$jpeg" "$w" "$h" "$margin" "$fit" "${own:-0x0}" "$options"
  done
done <<'CASES'
into   0     |--page-size A3                   |orient-1.jpg=1190.55x841.89 portrait.jpg=841.89x1190.55
fill   0     |--page-size a4-landscape --fit fill|orient-1.jpg=841.89x595.28 portrait.jpg=841.89x595.28
shrink 0     |--page-size A5-PORTRAIT --fit shrink|orient-1.jpg=419.53x595.28/48x32 portrait.jpg=419.53x595.28/32x48
shrink 0     |--page-size=B5 --fit=shrink --dpi 2|orient-1.jpg=708.66x498.9/1728x1152 portrait.jpg=498.9x708.66/1152x1728
fill   72    |--page-size Letter --margin 1in --fit fill|orient-1.jpg=792x612 portrait.jpg=612x792
into   36    |--page-size legal --margin 36pt  |orient-1.jpg=1008x612 portrait.jpg=612x1008
into   0     |--page-size tabloid --auto-orient|orient-6.jpg=792x1224 orient-1.jpg=1224x792
fill   14.17 |-o book.pdf --page-size 100x150mm --fit fill --margin 5mm --auto-orient|orient-6.jpg=283.46x425.2 orient-1.jpg=425.2x283.46 portrait.jpg=283.46x425.2
into   0     |--page-size 10x12cm-landscape    |portrait.jpg=340.16x283.46
into   18    |--page-size 4x6in --margin 0.25in|portrait.jpg=288x432 orient-1.jpg=432x288
into   0     |--page-size 300x200pt            |portrait.jpg=200x300 orient-1.jpg=300x200
own    14.17 |--margin 5mm --dpi 36            |orient-1.jpg=124.35x92.35 portrait.jpg=92.35x124.35
own    0     |--rotate 90                      |orient-1.jpg=32x48 portrait.jpg=48x32
own    0     |--rotate 180 --auto-orient       |orient-1.jpg=48x32 orient-6.jpg=32x48
own    0     |-o book.pdf --rotate=270          |orient-1.jpg=32x48 orient-6.jpg=32x48
into   0     |--rotate 270 --page-size A5      |orient-1.jpg=419.53x595.28 portrait.jpg=595.28x419.53
CASES
# A value that cannot be honoured: a usage error naming it (kestrel.exe: its
# message box), nothing converted. Rows marked "both" run under Wine too.
rm -f ./*.pdf
while IFS=';' read -r where arguments message; do
  [ "$mode" = wine ] && [ "$where" != both ] && continue
  kestrel $arguments orient-1.jpg > /dev/null 2> stderr.txt
  status=$? said=$(head -n 1 stderr.txt)
  if [ "$mode" = wine ]; then [ $status -eq 0 ]; else [ $status -eq 2 ] && [ "$said" = "kestrel: $message" ]; fi &&
    pass || fail "layout $arguments: status $status, said: $said"
  [ -e orient-1.pdf ] && fail "layout $arguments: orient-1.pdf was written" || pass
done <<'ERRORS'
both;--page-size A6;unknown page size (A3-A5, B5, Letter, Legal, Tabloid, or WxH and a unit): A6
posix;--page-size 210x297furlong;unknown unit (mm, cm, in or pt): 210x297furlong
posix;--page-size=A4-sideways;unknown page size suffix (-portrait or -landscape): A4-sideways
posix;--page-size US-Letter;unknown page size (A3-A5, B5, Letter, Legal, Tabloid, or WxH and a unit): US-Letter
posix;--page-size 0x297mm;length must be more than 0: 0x297mm
posix;--page-size 201x100in;length over 14400 pt (200 in), more than PDF readers show: 201x100in
posix;--margin -5mm;length must be more than 0: -5mm
posix;--margin 0.0cm;length must be more than 0: 0.0cm
posix;--margin 5;length without a unit (mm, cm, in or pt): 5
posix;--margin 5,5mm;unknown unit (mm, cm, in or pt): 5,5mm
both;-j 0;not a number of jobs from 1 to 64: 0
posix;--jobs 65;not a number of jobs from 1 to 64: 65
posix;--jobs=2x;not a number of jobs from 1 to 64: 2x
posix;--outline;needs -o: --outline
both;--rotate 45;not one of 90|180|270: 45
posix;--margin nanmm;not a length (a number, then mm, cm, in or pt): nanmm
both;--margin 75mm --page-size A5;margin leaves no room on the page: A5
both;--fit fill;option needs --page-size: --fit
posix;--page-size A4 --fit cover;not one of into|fill|shrink: cover
posix;--dpi 0;not a resolution (1 to 65535 dots per inch): 0
posix;--dpi 1e3;not a resolution (1 to 65535 dots per inch): 1e3
ERRORS

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

# --- Edges of the options: each case the smallest that once lost or garbled
# data or failed without a word, on both programs where it exists there.
mkdir "$work/edges" && cd "$work/edges"
edge_archives=()
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
edge_archives+=("$PWD/archive/reordered.pdf")
# A date no calendar has is no date: the run's date, and a valid PDF/A.
cp "$inputs/rgb.jpg" feb30.jpg && cp "$inputs/rgb.jpg" leap.jpg
exiftool -q -overwrite_original -DateTimeOriginal='2021:02:30 10:00:00' feb30.jpg
exiftool -q -overwrite_original -DateTimeOriginal='2024:02:29 10:00:00' leap.jpg
SOURCE_DATE_EPOCH=1700000000 kestrel --pdfa --exif-date feb30.jpg leap.jpg 2>/dev/null
created() { pdfinfo -isodates "$1" 2>/dev/null | sed -n 's/^CreationDate: *//p'; }
[ "$(created feb30.pdf) $(created leap.pdf)" = "2023-11-14T22:13:20Z 2024-02-29T10:00:00Z" ] && pass ||
  fail "impossible date: $(created feb30.pdf) / $(created leap.pdf)"
edge_archives+=("$PWD/feb30.pdf" "$PWD/leap.pdf")
# One pixel at 65,535 dpi would print its page as 0.00 pt: refused, said.
convert -size 1x1 xc:red -density 65535 -units PixelsPerInch dot.jpg && kestrel dot.jpg 2> stderr.txt; status=$?
[ ! -e dot.pdf ] && { [ "$mode" = wine ] || [ "$status: $(cat stderr.txt)" = "1: Kestrel Error: dot.jpg: page under 0.01 pt on a side (too few pixels for the resolution)" ]; } &&
  pass || fail "one pixel at 65535 dpi: status $status, $(cat stderr.txt)"
# Metadata texts up to 4,096 characters, in the dictionary and the XMP packet.
text=$(printf 'x%.0s' $(seq 4096))
cp "$inputs/rgb.jpg" long-title.jpg && SOURCE_DATE_EPOCH=1700000000 kestrel --pdfa --title "$text" long-title.jpg 2>/dev/null
[ "$(pdfinfo long-title.pdf 2>/dev/null | sed -n 's/^Title: *//p')" = "$text" ] && pass || fail "4,096-character title"
edge_archives+=("$PWD/long-title.pdf")
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
# (The validator reports files of one folder: the edge cases' archives join them.)
for pdf in "${edge_archives[@]}"; do cp "$pdf" "edge-$(basename "$pdf")" && archives+=("edge-$(basename "$pdf")"); done
report=$(bash "$here/pdfa_check.sh" "${archives[@]}" no-id.pdf)
if [ "$(grep -c '^not PDF/A-1b' <<<"$report")" = 1 ] && grep -q '^not PDF/A-1b: no-id.pdf: 1.4.1 ' <<<"$report" &&
   grep -q "^PDF/A-1b: ${#archives[@]} of $((${#archives[@]} + 1)) valid" <<<"$report"; then pass; else
  fail "pdfa: validator: $report"; fi

echo "e2e ($mode): $checks checks passed, $failures failed"
echo "$checks passed, $failures failed"
[ "$failures" -eq 0 ]
