#!/usr/bin/env bash
# End-to-end test of the program as users run it: converts the inputs in
# tests/e2e/inputs and checks every PDF (expected bytes with the date masked,
# qpdf, the JPEG bytes unchanged, page sizes, a rendering), the failure
# messages, and the exit code. The checks are in tables/, one file a theme.
#   run.sh posix BUILD/kestrel [TABLE...]       the POSIX program
#   run.sh wine  BUILD/kestrel.exe [TABLE...]   the Windows program under Wine (headless)
# Every table when none is named. A table whose tools are missing is skipped
# with the reason; when each table named was skipped the exit code is 77.
# KESTREL_E2E_UPDATE=1 rewrites tests/e2e/expected from this run instead;
# KESTREL_E2E_JOBS=N runs every conversion with -j N.
set -uo pipefail
mode=$1
program=$(realpath "$2")
shift 2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

tables=("$@")
((${#tables[@]})) || tables=(profiles pdfium layout failures merged folders nothing_lost edges pdfa)
skipped=0
for table in "${tables[@]}"; do
  if [ ! -f "$here/tables/$table.sh" ]; then fail "no table $table in $here/tables"; continue; fi
  missing=$(missing_needs "$here/tables/$table.sh")
  if [ -n "$missing" ]; then
    echo "skipped: $table: needs $missing"
    skipped=$((skipped + 1))
    continue
  fi
  source "$here/tables/$table.sh"
done

echo "e2e ($mode: ${tables[*]}): $checks checks passed, $failures failed, $skipped tables skipped"
echo "$checks passed, $failures failed"
((failures == 0)) || exit 1
((skipped < ${#tables[@]})) || exit 77
