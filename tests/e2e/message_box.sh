#!/usr/bin/env bash
# kestrel.exe under Wine on a virtual display: a failing argument brings up a
# message box captioned "Kestrel Error"; the batch waits while it is shown and
# converts the next argument once it is dismissed. Keeps a screenshot.
#   message_box.sh BUILD/kestrel.exe ARTIFACT_FOLDER
set -uo pipefail
program=$(realpath "$1")
artifacts=$(realpath -m "${2:-.}")
here=$(cd "$(dirname "$0")" && pwd)
wine=${KESTREL_WINE:-/usr/lib/wine/wine64}
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-box.XXXXXX")
xvfb_pid= kestrel_pid=
cleanup() {
  [ -n "$kestrel_pid" ] && kill "$kestrel_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0 checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }
finish() { echo "$checks passed, $failures failed"; [ "$failures" -eq 0 ]; exit; }

mkdir -p "$artifacts"
cd "$work" && cp "$here/inputs/rgb.jpg" "$here/inputs/fake.jpg" .

# A display of our own; Xvfb writes its number once it is ready.
exec 3> display.txt
Xvfb -displayfd 3 -screen 0 480x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s display.txt ] && break; sleep 0.1; done
[ -s display.txt ] || { fail "Xvfb did not start"; finish; }
export DISPLAY=:$(head -n1 display.txt)

# A Wine desktop window of its own draws the box with its caption bar.
WINEDEBUG=-all "$wine" explorer /desktop=kestrel,480x240 "$program" fake.jpg rgb.jpg &
kestrel_pid=$!
window=$(timeout 60 xdotool search --sync --name '^Kestrel Error$' 2>/dev/null | head -n1)
if [ -z "$window" ]; then fail "no window captioned 'Kestrel Error' appeared"; finish; fi
pass
[ "$(xdotool getwindowname "$window")" = "Kestrel Error" ] && pass || fail "caption is not 'Kestrel Error'"

# While the box is shown the batch waits: the next argument is not converted.
sleep 2
kill -0 "$kestrel_pid" 2>/dev/null && pass || fail "the program did not wait for the box"
[ -e rgb.pdf ] && fail "rgb.pdf was written while the box was shown" || pass
xwd -root -silent | convert xwd:- "$artifacts/message_box.png" 2>/dev/null && pass ||
  fail "no screenshot"

# Dismiss it with the keyboard, as a user would press Enter on OK.
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --clearmodifiers Return
for _ in $(seq 300); do kill -0 "$kestrel_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$kestrel_pid" 2>/dev/null; then fail "the program did not go on after the box was dismissed"; finish; fi
wait "$kestrel_pid"
[ $? -eq 0 ] && pass || fail "exit code not 0"
kestrel_pid=
[ -f rgb.pdf ] && qpdf --check rgb.pdf >/dev/null 2>&1 && pass || fail "rgb.pdf was not written after the box"

# A folder (-r) keeps its failures for one box at the end: every photo is
# converted before it shows, and once it is dismissed the run is over.
mkdir -p tree && cp rgb.jpg tree/zz-good.jpg && for n in $(seq 25); do cp fake.jpg "tree/broken-$n.jpg"; done
WINEDEBUG=-all "$wine" explorer /desktop=kestrel,480x600 "$program" -r tree & kestrel_pid=$!
window=$(timeout 60 xdotool search --sync --name '^Kestrel Error$' 2>/dev/null | head -n1)
[ -n "$window" ] && [ -f tree/zz-good.pdf ] && pass || fail "-r: no box, or it came before the last photo was converted"
xwd -root -silent | convert xwd:- "$artifacts/failure_summary.png" 2>/dev/null
xdotool windowactivate --sync "$window" 2>/dev/null; xdotool key --clearmodifiers Return
for _ in $(seq 300); do kill -0 "$kestrel_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$kestrel_pid" 2>/dev/null && fail "-r: a second box followed the first" || pass
kestrel_pid=
finish
