#!/usr/bin/env bash
# Peak resident memory of one conversion must not grow with the JPEG's size.
#   memory.sh BUILD/kestrel BOUND_KB SIZE_MB...     e.g. memory.sh kestrel 16384 1 256
# A real JPEG padded after its end of image with real (non-sparse) bytes to
# each size, converted alone, measured by /usr/bin/time -v. The largest may
# use at most 1 MB more than the smallest, in every build. Every run must also
# stay under BOUND_KB, unless it is 0: a sanitizer runtime's own footprint
# differs from machine to machine, so only the plain build has a fixed bound.
set -uo pipefail
program=$(realpath "$1")
bound_kb=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-memory.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }

if [ ! -x /usr/bin/time ]; then
  echo "FAIL: /usr/bin/time is missing (Debian package time)"
  exit 1
fi
cd "$work" || exit 1

smallest=
largest=
for size_mb in "$@"; do
  jpeg=padded-$size_mb.jpg
  { cat "$here/inputs/rgb.jpg"; yes 'kestrel padding after the end of image' |
      head -c $((size_mb * 1048576 - $(stat -c %s "$here/inputs/rgb.jpg"))); } > "$jpeg"
  start=$SECONDS
  /usr/bin/time -v -o time.txt "$program" "$jpeg" 2>messages.txt
  status=$?
  seconds=$((SECONDS - start))
  rss=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): *//p' time.txt)
  pdf=${jpeg%.jpg}.pdf
  echo "$size_mb MB JPEG: peak resident $rss KB, ${seconds}s, PDF $(stat -c %s "$pdf" 2>/dev/null) bytes"
  [ "$status" -eq 0 ] && [ ! -s messages.txt ] && pass || fail "$size_mb MB: status $status, $(cat messages.txt)"
  # The copy is whole: the image comes back out byte for byte.
  pdfimages -j "$pdf" extracted >/dev/null 2>&1
  cmp -s extracted-000.jpg "$jpeg" && pass || fail "$size_mb MB: the image in the PDF is not the JPEG"
  rm -f extracted-* "$jpeg" "$pdf"
  if [ -n "$rss" ] && { [ "$bound_kb" -eq 0 ] || [ "$rss" -le "$bound_kb" ]; }; then pass; else
    fail "$size_mb MB: peak resident ${rss:-?} KB, bound $bound_kb KB"; fi
  [ -z "$smallest" ] && smallest=$rss
  largest=$rss
done
if [ -n "$smallest" ] && [ -n "$largest" ] && [ $((largest - smallest)) -le 1024 ]; then pass; else
  fail "peak resident grew from ${smallest:-?} KB to ${largest:-?} KB"; fi
# -o writes its pages as they come: peak resident must not grow with the page
# count (a few bytes per object), and stays under 8 MB. Only the plain build:
# a sanitizer keeps every freed block a while, which grows with the pages.
if [ "$bound_kb" -ne 0 ]; then
  merge_bound_kb=$((bound_kb < 8192 ? bound_kb : 8192))
  fewest=
  for pages in 20 2000; do
    names=()
    for ((i = 0; i < pages; i++)); do
      names+=("$(printf 'p%04d.jpg' "$i")")
      [ -f "${names[i]}" ] || cp "$here/inputs/rgb.jpg" "${names[i]}"
    done
    /usr/bin/time -v -o time.txt "$program" -o book.pdf "${names[@]}" 2>messages.txt
    status=$?
    rss=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): *//p' time.txt)
    echo "-o, $pages pages: peak resident $rss KB, PDF $(stat -c %s book.pdf 2>/dev/null) bytes"
    [ "$status" -eq 0 ] && [ ! -s messages.txt ] && pass || fail "-o, $pages pages: status $status, $(cat messages.txt)"
    count=$(pdfinfo book.pdf 2>/dev/null | sed -n 's/^Pages: *//p')
    qpdf --check book.pdf >/dev/null 2>&1 && [ "$count" = "$pages" ] && pass ||
      fail "-o, $pages pages: qpdf --check failed or $count pages"
    if [ -n "$rss" ] && [ "$rss" -le "$merge_bound_kb" ]; then pass; else
      fail "-o, $pages pages: peak resident ${rss:-?} KB, bound $merge_bound_kb KB"; fi
    [ -z "$fewest" ] && fewest=$rss
  done
  if [ -n "$fewest" ] && [ -n "$rss" ] && [ $((rss - fewest)) -le 1024 ]; then pass; else
    fail "-o: peak resident grew from ${fewest:-?} KB to ${rss:-?} KB with the pages"; fi
  rm -f p*.jpg book.pdf
fi
echo "memory: $checks checks passed, $failures failed"
[ "$failures" -eq 0 ]
