# needs: qpdf pdfimages pdfinfo perl node pdfium identify convert compare djpeg
# PDFium (Chrome, Edge) draws samples as they are only under the one standard
# sRGB profile; any other profile goes through a transform that bands smooth
# gradients in large images. Each render at the image's pixel size must match
# the decoded JPEG (CMYK: converted with its profile) and keep its levels.
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
mkdir "$work/pdfium" && cd "$work/pdfium" && cp "$inputs"/rgb.jpg "$inputs"/gray.jpg "$inputs"/cmyk.jpg "$inputs"/gradient.jpg .
kestrel rgb.jpg gray.jpg cmyk.jpg 2> stderr.txt
kestrel gradient.jpg 2> stderr.txt
[ -s stderr.txt ] && fail "gradient: unexpected messages: $(cat stderr.txt)" || pass
check_pdf defaults gradient gradient.jpg "900 x 600"
check_pdfium gradient.pdf gradient.jpg
check_pdfium rgb.pdf rgb.jpg
check_pdfium gray.pdf gray.jpg
check_pdfium cmyk.pdf cmyk.jpg "$(dirname "$program")/data/sCMYK.icc"
