# needs: qpdf pdfimages pdfinfo perl pdftoppm djpeg compare convert
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
