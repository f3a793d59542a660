# What every table of the end-to-end test shares, sourced by run.sh after it
# has set mode, program and here: the work folder, the counters, the program
# run as a user runs it, and the checks of one PDF.
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

# A table's first line names what it needs: commands on PATH, and "pdfium"
# (scripts/test installs it in build/pdfium) or "pdfbox" (the PDF/A-1b
# validator's jars from Debian). Prints those missing.
pdfium_package=${KESTREL_PDFIUM:-$here/../../build/pdfium/node_modules/@hyzyla/pdfium}
missing_needs() {
  local need missing=()
  for need in $(sed -n '1s/^# needs://p' "$1"); do
    case $need in
      pdfium) [ -f "$pdfium_package/package.json" ] || missing+=("PDFium ($pdfium_package)") ;;
      pdfbox) [ -f /usr/share/java/preflight.jar ] || missing+=("PDFBox preflight (/usr/share/java/preflight.jar)") ;;
      *) command -v "$need" >/dev/null || missing+=("$need") ;;
    esac
  done
  echo "${missing[*]}"
}
