#!/usr/bin/env bash
# The recipes of docs/cluster.md on 2,000 photos: GNU parallel over two
# simulated hosts (its --ssh a stand-in that runs the command in a working
# folder of its own), killed part-way and resumed; and the Slurm array script,
# one run per task id. Every photo converted exactly once.
#   cluster.sh BUILD/kestrel
set -uo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-cluster.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0 checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }
cd "$work" && mkdir -p bin photos/a photos/b && ln -s "$program" bin/kestrel && export PATH=$work/bin:$PATH
perl -e 'local $/; my $jpeg = <STDIN>; for (1 .. 1000) {
  for my $name ("photos/a/p$_.jpg", "photos/b/p $_.JPG") { open my $f, ">", $name or die; print $f $jpeg } }' \
  < "$here/inputs/gray.jpg"
cat > bin/ssh <<'SSH'
#!/bin/bash
host=$1; shift; [ "$1" = -- ] && shift
mkdir -p "$HOSTS/$host" && cd "$HOSTS/$host" && exec bash -c "$*"
SSH
chmod +x bin/ssh && export HOSTS=$work/hosts
# parallel runs a remote command through $SHELL and keeps its state under
# $HOME, which sshd and a login shell always set; a bare CI environment may
# not, and then every batch does nothing.
export SHELL=${SHELL:-/bin/bash} HOME=${HOME:-$work}
pdfs() { find photos -name '*.pdf' -printf '%p %i %T@\n' | sort; }
# The recipe: names NUL-separated, -X batches of 100, a job log to resume from.
find "$work/photos" -type f -iname '*.jpg' -print0 > names
recipe=(parallel -0 -X -n 100 --ssh bin/ssh -S 1/one,1/two --joblog jobs.log --resume)
# Stopped once four batches are done: it lets the running ones finish. In a
# session of its own, so that every job it started is found by the session:
# one forked just before the stop still has parallel's command line.
setsid "${recipe[@]}" kestrel -u -v < names > first.txt 2> errors.txt & stopped=$!
while [ "$(cat jobs.log 2>/dev/null | grep -c .)" -lt 5 ]; do sleep 0.1; done
kill -TERM $stopped; wait $stopped
# Jobs already running finish on their own after parallel has gone.
while pgrep -s $stopped >/dev/null; do sleep 0.1; done
before=$(pdfs)
"${recipe[@]}" kestrel -u -v < names > second.txt 2>> errors.txt
done_before=$(grep -c . <<<"$before")
[ "$done_before" -ge 400 ] && [ "$done_before" -lt 2000 ] && pass || fail "parallel: $done_before PDFs when stopped"
[ -z "$(comm -23 <(echo "$before") <(pdfs))" ] && pass || fail "parallel: the resumed run rewrote PDFs"
# The resumed run converts exactly what was missing when the first stopped
# (a batch cut short by the stop may have written PDFs its output never told).
[ "$(cat first.txt second.txt | sort | uniq -d)" = "" ] && [ "$(grep -c . second.txt)" -eq $((2000 - done_before)) ] &&
  [ "$(pdfs | wc -l)" -eq 2000 ] && pass ||
  fail "parallel: $done_before PDFs at the stop, $(grep -c . second.txt) conversions after, $(pdfs | wc -l) PDFs"
[ -d hosts/one ] && [ -d hosts/two ] && pass || fail "parallel: not both hosts ran jobs"
# A failure is one message per file, and the job log shows the batch failed.
echo "not a photo" > "photos/b/bad.jpg"
find "$work/photos" -name 'bad.jpg' -print0 | parallel -0 -X --joblog bad.log kestrel 2> bad.txt
[ "$(cat bad.txt)" = "Kestrel Error: $work/photos/b/bad.jpg: not a JPEG file" ] && [ "$(awk 'NR == 2 { print $7 }' bad.log)" = 1 ] &&
  pass || fail "parallel: failure shown as '$(cat bad.txt)', job log $(cat bad.log)"
rm photos/b/bad.jpg && find photos -name '*.pdf' -delete
# Slurm: four tasks of one array, the variables set by hand.
find photos -type f -print0 > photos.list
for task in 0 1 2 3; do
  SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_COUNT=4 "$here/../../contrib/slurm/kestrel-array.sh" photos.list -v
done > slurm.txt
[ "$(sort slurm.txt | uniq -d)" = "" ] && [ "$(wc -l < slurm.txt)" -eq 2000 ] && [ "$(pdfs | wc -l)" -eq 2000 ] &&
  pass || fail "slurm: $(wc -l < slurm.txt) conversions, $(pdfs | wc -l) PDFs"
echo "cluster: $checks checks passed, $failures failed"
echo "$checks passed, $failures failed"
[ "$failures" -eq 0 ]
