#!/bin/bash
# Kestrel as a Slurm job array: each task converts its share of one list of
# photos, by position (task k of n takes names k, k+n, k+2n, ...), so every
# name belongs to exactly one task whatever the list's length.
#
#   find /archive/photos -type f \( -iname '*.jp*g' -o -iname '*.jpe' -o -iname '*.jfif' \) \
#     -print0 > /archive/photos.list
#   sbatch --array=0-31 contrib/slurm/kestrel-array.sh /archive/photos.list
#
# The list and the photos must be on storage every node sees. Options after
# the list go to kestrel (for example --output-dir /archive/pdf). -u is always
# given: a task that is run again (sbatch --array=7, or --requeue after a
# node failed) converts only what is missing or older, and a PDF that exists
# is complete, never half-written. Each failure is one "Kestrel Error:" line
# in the task's error file (slurm-JOB_TASK.out unless --error says otherwise),
# and the task then exits 1, so `sacct -j JOB` shows which tasks to look at.
#SBATCH --job-name=kestrel
#SBATCH --cpus-per-task=1
#SBATCH --mem=64M
#SBATCH --time=02:00:00
set -euo pipefail
list=${1:?usage: kestrel-array.sh LIST [kestrel options...]}
shift
task=$((SLURM_ARRAY_TASK_ID - ${SLURM_ARRAY_TASK_MIN:-0}))
tasks=${SLURM_ARRAY_TASK_COUNT:?run it as a job array: sbatch --array=0-N}
# perl -0 reads NUL-terminated names, the same bytes as find wrote them.
perl -0 -ne "print if (\$. - 1) % $tasks == $task" "$list" |
  "${KESTREL:-kestrel}" -u --null --files-from - "$@"
