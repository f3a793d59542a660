# needs: qpdf pdfimages pdfinfo pdftoppm jpegtran convert
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
