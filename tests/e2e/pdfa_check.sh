#!/usr/bin/env bash
# PDF/A-1b validation of many PDFs in one Java start, with Apache PDFBox
# preflight from Debian (scripts/test installs it). Prints one line per file
# that fails, with the validator's findings, and the count that passed.
#   pdfa_check.sh FILE.pdf...      exit 0 when every file is valid PDF/A-1b
set -uo pipefail
jars=(preflight xmpbox pdfbox2 fontbox2 commons-logging javax.activation jaxb-api)
classpath=$(printf '/usr/share/java/%s.jar:' "${jars[@]}")
list=$(mktemp "${TMPDIR:-/tmp}/kestrel-pdfa.XXXXXX")
trap 'rm -f "$list" "$list.preflight.xml"' EXIT
for pdf in "$@"; do realpath "$pdf"; done > "$list"
# "group" mode: one XML report for every file of the list, named after it.
java -cp "$classpath" org.apache.pdfbox.preflight.Validator_A1b xml group "$list" >/dev/null 2>&1
if [ ! -s "$list.preflight.xml" ]; then
  echo "FAIL: PDFBox preflight did not run (libpdfbox2-java and its jars in /usr/share/java?)"
  exit 1
fi
python3 - "$list.preflight.xml" "$#" <<'PY'
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
valid = 0
for report in root.iter("preflight"):
    if report.findtext("isValid") == "true":
        valid += 1
        continue
    findings = "; ".join(f"{e.findtext('code')} {e.findtext('details')}" for e in report.iter("error"))
    print(f"not PDF/A-1b: {report.get('name')}: {findings or report.findtext('exceptionThrown') or 'no report'}")
print(f"PDF/A-1b: {valid} of {sys.argv[2]} valid")
sys.exit(0 if valid == int(sys.argv[2]) else 1)
PY
