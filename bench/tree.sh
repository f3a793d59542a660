#!/usr/bin/env bash
# kestrel -r against find | xargs kestrel on a tree of 100,000 small JPEGs
# (100 folders of 10 subfolders of 100 photos, made once outside the
# repository), alternating, ROUNDS rounds each; wall time and peak memory
# (GNU time's maximum resident set) to bench/RESULTS.md. Run by hand, never
# by CI:   bench/tree.sh [BUILD/kestrel] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build/linux/kestrel}")
rounds=${2:-5}
tree=${KESTREL_TREE:-${TMPDIR:-/tmp}/kestrel-bench-tree}
export TREE=$tree
if [ ! -f "$tree/.complete" ]; then
  echo "Making $tree (100,000 files)"
  rm -rf "$tree" && mkdir -p "$tree"
  perl -e 'my @jpeg = map { local $/; open my $f, "<", $_ or die; scalar <$f> } @ARGV;
    my $t = $ENV{TREE} or die; for my $a (1 .. 100) { for my $b (1 .. 10) { my $d = "$t/f$a/s$b"; mkdir "$t/f$a";
      mkdir $d or die; for my $c (1 .. 100) { open my $o, ">", "$d/p$c.jpg" or die; print $o $jpeg[$c % @jpeg] } } }' \
    "$root"/tests/e2e/inputs/{rgb,gray,cmyk,orient-6,rgb-icc}.jpg
  touch "$tree/.complete"
fi
measure() {  # label, command: one line "label wall-seconds kilobytes cpu-seconds"
  find "$tree" -name '*.pdf' -delete
  sync
  /usr/bin/time -f "$1 %e %M %U %S" -o time.txt bash -c "$2" &&
    awk '{ printf "%s %s %s %.2f\n", $1, $2, $3, $4 + $5 }' time.txt
}
cd "$(mktemp -d)"
for ((i = 1; i <= rounds; i++)); do
  measure recursive "'$program' -r '$tree'"
  measure find-xargs "find '$tree' -type f -iname '*.jpg' -print0 | xargs -0 '$program'"
done | tee runs.txt
count=$(find "$tree" -name '*.pdf' | wc -l)
median() { grep "^$1 " runs.txt | awk '{ print $'"$2"' }' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
r=$(median recursive 2) x=$(median find-xargs 2) rm_=$(median recursive 3) xm=$(median find-xargs 3)
rc=$(median recursive 4) xc=$(median find-xargs 4)
section=$(cat <<TEXT
## A tree of 100,000 small files (\`bench/tree.sh\`)

$(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git -C "$root" rev-parse --short HEAD), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end (the machine is shared); tree on $(df --output=fstype "$tree" | tail -1 | tr -d ' '), ${rounds} alternating rounds, median. Each run converted all $count photos (0.26 to 1.6 kB each) into PDFs beside them.

| command | wall time (s) | CPU time, user + system (s) | peak memory (MB) |
|---|---|---|---|
| \`kestrel -r TREE\` | $r | $rc | $(awk -v k="$rm_" 'BEGIN { printf "%.1f", k / 1024 }') |
| \`find TREE -type f -iname '*.jpg' -print0 \\| xargs -0 kestrel\` | $x | $xc | $(awk -v k="$xm" 'BEGIN { printf "%.1f", k / 1024 }') (the largest process: a kestrel) |

kestrel -r / find | xargs: $(awk -v a="$r" -v b="$x" 'BEGIN { printf "%.3f", a / b }') in wall time, $(awk -v a="$rc" -v b="$xc" 'BEGIN { printf "%.3f", a / b }') in CPU time. Every round (label, wall s, peak kB, CPU s): $(tr '\n' ';' < runs.txt | sed 's/;$//; s/;/; /g').
TEXT
)
results=$root/bench/RESULTS.md
perl -0777 -i -pe 's/\n## A tree of 100,000 small files.*?(?=\n## |\z)//s' "$results"
printf '\n%s\n' "$section" >> "$results"
echo "$section"
