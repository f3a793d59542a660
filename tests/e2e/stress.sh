#!/usr/bin/env bash
# Many photos at once: 2,000 inputs (a list and a folder) with failures spread
# among them, some named twice or sharing a PDF's name, converted with -j 8
# RUNS times (default 20). Every run must print the same standard output and
# error, exit the same way and write the same PDFs as -j 1 does.
#   stress.sh BUILD/kestrel [RUNS]
# KESTREL_STRESS_NO_ASLR=1 runs the program with address randomization off
# (ThreadSanitizer's runtime needs that on some kernels).
set -uo pipefail
program=$(realpath "$1")
runs=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-stress.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }
# A run that hangs fails: 5 minutes is far beyond any run's time.
run() {
  if [ "${KESTREL_STRESS_NO_ASLR:-}" = 1 ]; then timeout 300 setarch "$(uname -m)" -R "$program" "$@"
  else timeout 300 "$program" "$@"; fi
}

# Every seventh photo is no JPEG, every eleventh empty, every thirteenth named
# twice on the list; every 97th has a .jpeg twin that wants the same PDF, and
# every 50th list line names a photo that is not there.
mkdir -p tree/a/b list
for i in $(seq 0 999); do
  if ((i % 7 == 3)); then printf 'not a photo\n' > "list/p$i.jpg"
  elif ((i % 11 == 5)); then : > "list/p$i.jpg"
  else cp "$here/inputs/gray.jpg" "list/p$i.jpg"; fi
  echo "list/p$i.jpg" >> names
  ((i % 13 == 0)) && echo "list/p$i.jpg" >> names
  ((i % 50 == 0)) && echo "list/missing$i.jpg" >> names
  ((i % 97 == 0)) && cp "$here/inputs/gray.jpg" "list/p$i.jpeg" && echo "list/p$i.jpeg" >> names
  folder=tree/$((i % 3 == 0 ? 0 : 1))
  ((i % 5 == 0)) && folder=tree/a/b
  mkdir -p "$folder"
  if ((i % 9 == 4)); then printf 'GIF89a' > "$folder/q$i.jpg"; else cp "$here/inputs/gray.jpg" "$folder/q$i.jpg"; fi
done

# Every other run with a fixed date, the rest with the clock's: the PDFs are
# compared with their dates masked.
convert_all() {
  if (($2 % 2)); then export SOURCE_DATE_EPOCH=1; else unset SOURCE_DATE_EPOCH; fi
  run -q -v -j "$1" -r tree --files-from names > out 2> err
  echo $? > status
  find list tree -name '*.pdf' -print0 | sort -z | perl -0 -MDigest::MD5=md5_hex -ne 'chomp;
    open my $f, "<", $_ or die; my $pdf = do { local $/; <$f> };
    $pdf =~ s/D:\d{14}[+-]\d\d\x27\d\d\x27/D:/g; print md5_hex($pdf), "  $_\n"' > sums
  find list tree -name '*.pdf' -delete
}

convert_all 1 0
for f in out err status sums; do mv $f one.$f; done
[ "$(cat one.status)" = 1 ] && pass || fail "-j 1: exit status $(cat one.status), want 1"
[ "$(wc -l < one.sums)" -gt 1500 ] && pass || fail "-j 1: only $(wc -l < one.sums) PDFs written"
grep -q "already written by this run" one.err && grep -q "missing0.jpg" one.err && pass ||
  fail "-j 1: the failures planted are not all reported"
for r in $(seq 1 "$runs"); do
  convert_all 8 "$r"
  for f in out err status sums; do
    cmp -s $f one.$f && pass || fail "-j 8, run $r: $f differs from -j 1's: $(diff one.$f $f | head -4 | tr '\n' ' ')"
  done
done
# -u over 100 photos whose first 89 PDFs are up to date: two workers wake
# to a ring whose places were all taken and given back without them.
mkdir hundred && for n in $(seq -w 100); do cp "$here/inputs/gray.jpg" "hundred/p$n.jpg"; done
run -j 1 -r hundred
for r in 1 2 3 4 5; do
  rm -f hundred/p09*.pdf hundred/p1*.pdf
  run -q -v -j 2 -r -u hundred > out 2> err
  [ $? = 0 ] && [ "$(wc -l < out)" = 11 ] && pass || fail "-u, 89 of 100 up to date, run $r: $(head -c 200 err)"
done
echo "stress: $checks checks passed, $failures failed"
((failures == 0))
