#!/usr/bin/env bash
# Jobs at once: kestrel -r over 5,000 small photos with -j 1 and -j 2 (and an
# earlier build, when given, as it runs by default), then -o of 2,000 of them,
# with and without --outline, against cat of the same files into one; alternating, ROUNDS rounds, in
# DIR (default: a tmpfs). The photos are the bench corpus's small class
# (bench/make-corpus), hard links to one copy of each. Wall time and peak
# memory (GNU time) per round, the medians and ratios at the end. Run by
# hand, never by CI:
#   bench/jobs.sh BUILD/kestrel [EARLIER/kestrel|-] [ROUNDS] [DIR] [CORPUS/small]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "$1")
earlier=${2:--}
[ "$earlier" != - ] && earlier=$(realpath "$earlier")
rounds=${3:-5}
base=${4:-/dev/shm}
corpus=$(realpath "${5:-$root/build/bench-corpus/small}")
tree=$(mktemp -d "$base/kestrel-jobs.XXXXXX")
trap 'rm -rf "$tree" "$tree".*' EXIT
mkdir "$tree/source"
cp "$corpus"/*.jpg "$tree/source/"
# 5,000 photos in 50 folders of 100, the corpus's files taken in turn.
mapfile -t names < <(ls "$tree/source" | sort)
for a in $(seq 1 50); do
  mkdir "$tree/f$a"
  for c in $(seq 1 100); do ln "$tree/source/${names[(a * 100 + c) % ${#names[@]}]}" "$tree/f$a/p$c.jpg"; done
done
mv "$tree/source" "$tree.source"
find "$tree" -name '*.jpg' | sort | sed -n 1,2000p > "$tree.list"
measure() {  # label, command: one line "label wall-seconds kilobytes"
  find "$tree" -name '*.pdf' -delete
  rm -f "$tree/book.pdf" "$tree/all.cat"
  sync
  # Wall time to the microsecond (GNU time's %e has only hundredths, too
  # coarse for runs of a tenth of a second), peak memory from GNU time.
  local start=$EPOCHREALTIME
  /usr/bin/time -f "%M" -o "$tree.time" bash -c "$2" || return
  local end=$EPOCHREALTIME
  echo "$1 $(awk -v s="${start/,/.}" -v e="${end/,/.}" 'BEGIN { printf "%.4f", e - s }') $(cat "$tree.time")"
}
{
  for ((i = 1; i <= rounds; i++)); do
    measure j1 "'$program' -j 1 -r '$tree'"
    measure j2 "'$program' -j 2 -r '$tree'"
    [ "$earlier" = - ] || measure earlier "'$earlier' -r '$tree'"
    measure book "'$program' --files-from '$tree.list' -o '$tree/book.pdf'"
    measure outline "'$program' --outline --files-from '$tree.list' -o '$tree/book.pdf'"
    measure cat "tr '\n' '\0' < '$tree.list' | xargs -0 cat > '$tree/all.cat'"
  done
} | tee "$tree.rounds"
awk '{ wall[$1] = wall[$1] " " $2; rss[$1] = rss[$1] " " $3 }
  function median(list,   n, v, i, j, t) { n = split(list, v, " ");
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2 }
  END { for (k in wall) { w[k] = median(wall[k]); printf "%s: median %.4f s, peak %.1f MB\n", k, w[k], median(rss[k]) / 1024 }
    printf "j1 / j2: %.2f\n", w["j1"] / w["j2"]
    if ("earlier" in w) printf "j1 / earlier: %.3f\n", w["j1"] / w["earlier"]
    printf "book / cat: %.2f\n", w["book"] / w["cat"]
    printf "book with --outline / cat: %.2f\n", w["outline"] / w["cat"] }' "$tree.rounds"
