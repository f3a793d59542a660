#!/usr/bin/env bash
# The end-to-end inputs and failure cases once more, the POSIX program under valgrind.
#   valgrind.sh BUILD/kestrel
# Any invalid access, use of uninitialised memory, leak or unclosed file fails
# the run, and the results must still be right. (tests/e2e/run.sh cannot take a
# wrapper: it copies the program alone to a folder without data/, and valgrind
# would run the original beside its data/.)
set -uo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
inputs=$here/inputs
source "$here/own_profiles.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-valgrind.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }

if ! command -v valgrind >/dev/null; then
  echo "FAIL: valgrind is missing"
  exit 1
fi

# Runs the program under valgrind; its own messages go to messages.txt, the
# report to valgrind.txt. Valgrind's findings exit 97; otherwise the program's
# own status must be the one wanted (1 when an argument fails).
under_valgrind() {
  local want=$1
  shift
  valgrind --error-exitcode=97 --leak-check=full --show-leak-kinds=all \
    --errors-for-leak-kinds=all --track-fds=yes --log-file=valgrind.txt \
    "$program" "$@" 2>messages.txt
  local status=$?
  if [ "$status" -eq "$want" ]; then pass; else
    fail "$(basename "$PWD"): exit $status under valgrind"; cat valgrind.txt; fi
  # Every descriptor still open at exit came from the parent; valgrind shows
  # where the program opened any other.
  local opened
  opened=$(awk '/Open file descriptor/ { d = $0; getline; if ($0 !~ /inherited from parent/) print d }' \
    valgrind.txt)
  if grep -q 'FILE DESCRIPTORS:' valgrind.txt && [ -z "$opened" ]; then pass; else
    fail "$(basename "$PWD"): files left open: ${opened:-no descriptor report}"; fi
}

converted() {
  local jpeg=$1 pdf=${1%.*}.pdf
  if qpdf --check "$pdf" >/dev/null 2>&1; then pass; else fail "$pdf is missing or broken"; fi
  rm -f extracted-*
  pdfimages -j "$pdf" extracted >/dev/null 2>&1
  cmp -s extracted-000.jpg "$jpeg" && pass || fail "the image in $pdf is not $jpeg"
}

# Every e2e image with the default profiles, embedded profile included.
mkdir "$work/defaults" && cd "$work/defaults" && cp "$inputs"/*.jpg .
under_valgrind 0 gray.jpg rgb.jpg rgb-dpcm.jpg rgb-icc.jpg cmyk.jpg progressive.jpg fill-bytes.jpg
[ -s messages.txt ] && fail "defaults: messages $(cat messages.txt)" || pass
for jpeg in gray rgb rgb-dpcm rgb-icc cmyk progressive fill-bytes; do converted $jpeg.jpg; done

# Profiles named on the command line, and profiles that are not profiles.
mkdir "$work/profiles" && cd "$work/profiles"
cp "$inputs"/rgb.jpg "$inputs"/gray.jpg "$inputs"/*.icc "$inputs"/*.ICM .
cp "$inputs/notes.txt" broken.icc
head -c 100 "$inputs/gray-cie-l.icc" > short.icm
under_valgrind 1 rgb.jpg broken.icc gray.jpg gray-cie-l.icc short.icm lstar-rgb.ICM missing.icc
[ "$(cat messages.txt)" = "$(printf 'Kestrel Error: %s\n' 'broken.icc: not an ICC profile' 'short.icm: not an ICC profile' 'missing.icc: no such file')" ] && pass ||
  fail "profiles: messages $(cat messages.txt)"
converted rgb.jpg
converted gray.jpg

# Failures: one message each, the good input between them converted.
mkdir -p "$work/failures/folder.jpg" && cd "$work/failures"
cp "$inputs"/rgb.jpg "$inputs"/fake.jpg "$inputs"/notes.txt .
long=$(printf 'x%.0s' $(seq 300)).jpg
under_valgrind 1 notes.txt fake.jpg missing.jpg folder.jpg rgb.jpg "$long"
printf 'Kestrel Error: %s\n' 'notes.txt: not a JPEG name (.jpg, .jpeg, .jpe or .jfif)' 'fake.jpg: not a JPEG file' \
  'missing.jpg: no such file' 'folder.jpg: is a folder; -r converts its photos' > want.txt
printf 'Kestrel Error: %s: name too long\n' "${long:0:261}" >> want.txt
cmp -s messages.txt want.txt && pass || fail "failures: messages were $(cat messages.txt)"
converted rgb.jpg

# -o: one document of every image (embedded and default profiles, one failing
# file left out), and one with no page left; nothing left open or behind.
mkdir "$work/merge" && cd "$work/merge" && cp "$inputs"/*.jpg .
under_valgrind 1 -o book.pdf gray.jpg rgb-icc.jpg fake.jpg cmyk.jpg rgb.jpg rgb-icc.jpg
[ "$(cat messages.txt)" = "Kestrel Error: fake.jpg: not a JPEG file" ] && pass || fail "merge: messages $(cat messages.txt)"
qpdf --check book.pdf >/dev/null 2>&1 && [ "$(pdfinfo book.pdf | sed -n 's/^Pages: *//p')" = 5 ] && pass ||
  fail "merge: book.pdf is broken or not 5 pages"
under_valgrind 1 --output none.pdf fake.jpg missing.jpg
[ ! -e none.pdf ] && [ -z "$(ls ./~kestrel-* 2>/dev/null)" ] && pass || fail "merge: a file was left without a page"
# 70 pages of 70 distinct embedded profiles (byte 100, reserved, differs):
# the profile table grows past its first 64 entries.
own_profile_photos 70
under_valgrind 0 -o own.pdf own-*.jpg
[ ! -s messages.txt ] && qpdf --check own.pdf >/dev/null 2>&1 &&
  [ "$(tr '\r' '\n' < own.pdf | grep -a -c '^<< /N 3 /Length')" -eq 70 ] && pass ||
  fail "merge: own.pdf is broken or has not 70 profile streams; messages $(cat messages.txt)"

# The options' edges: a walk past a 261-unit folder and 500 levels deep, ICC
# chunks of 100 bytes in reverse order, a photo cut short, a list from a pipe,
# a 4,096-character title.
mkdir -p "$work/edges/t/b" && cd "$work/edges" && cp "$inputs/rgb.jpg" t/b/p.jpg && chunked_profile_photos
mkdir -p "t/$(printf 'a%.0s' $(seq 128))/$(printf 'c%.0s' $(seq 130))" && head -c 10000 "$inputs/gradient.jpg" > half.jpg
python3 -c 'import os; os.makedirs("/".join(["t"] + ["d"] * 500))'
under_valgrind 1 -r t --title "$(printf 'x%.0s' $(seq 4096))" --files-from <(printf 'reordered.jpg\nhalf.jpg\n')
converted t/b/p.jpg
converted reordered.jpg
# (qpdf rightly finds the cut photo's data short: only the bytes are compared.)
rm -f extracted-* && pdfimages -j half.pdf extracted >/dev/null 2>&1
cmp -s extracted-000.jpg half.jpg && pass || fail "the image in half.pdf is not half.jpg"
echo "valgrind: $checks checks passed, $failures failed"
[ "$failures" -eq 0 ]
