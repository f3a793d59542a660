#!/usr/bin/env bash
# Robustness over real-world files from other people's cameras and programs.
#   corpus.sh BUILD/kestrel [CORPUS]     (default ../shared/corpus; exit 77 when absent)
# Every JPEG there is converted alone: it either converts into a PDF that qpdf
# accepts and that gives the JPEG back byte for byte, or it is refused with one
# message and exit status 1, and then either exiftool finds a frame that no PDF
# reader shows (samples other than 8-bit, a lossless or hierarchical process)
# or libjpeg's djpeg must refuse it too. Every profile there is named beside a
# gray, an RGB and a CMYK image, which must all convert. With --pdfa every JPEG
# that converts becomes a valid PDF/A-1b file or is refused with a reason.
set -uo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
corpus=${2:-$here/../../../shared/corpus}
if [ ! -d "$corpus" ]; then
  echo "SKIP: no corpus at $corpus"
  exit 77
fi
corpus=$(realpath "$corpus")
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-corpus.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
converted=0
refused=0
unshowable=0
undecodable=0
profiles=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
declare -A reasons=()

# Runs the program in the work folder; a status above 128 is a crash.
kestrel() {
  (cd "$work" && timeout 60 "$program" "$@" 2>messages.txt)
}

# A PDF that qpdf accepts and whose image is the JPEG, byte for byte. qpdf
# also decodes the image: when that alone fails and libjpeg's djpeg cannot
# decode the JPEG either (12-bit samples, say), the PDF is sound but its
# image is not; that is counted and shown, not failed.
check_pdf() {
  local name=$1 pdf=$2 jpeg=$3 report
  report=$(qpdf --check "$pdf" 2>&1)
  local status=$?
  if [ $status -eq 3 ] &&
     ! grep WARNING <<<"$report" | grep -vqE 'error decoding stream data|re-processed without filtering' &&
     ! djpeg "$jpeg" >/dev/null 2>"$work/djpeg.txt"; then
    undecodable=$((undecodable + 1))
    echo "converted, image undecodable: $name ($(head -n 1 "$work/djpeg.txt"))"
  elif [ $status -ne 0 ]; then
    fail "$name: qpdf --check: $(tail -n 2 <<<"$report")"
    return 1
  fi
  rm -f "$work"/extracted-*
  pdfimages -j "$pdf" "$work/extracted" >/dev/null 2>&1
  cmp -s "$work/extracted-000.jpg" "$jpeg" || { fail "$name: the image in the PDF is not the JPEG"; return 1; }
}

# Why no PDF reader would show the JPEG, as exiftool reads its frame; nothing
# when readers show it.
unshown_reason() {
  local process bits
  { read -r process; read -r bits; } < <(exiftool -s -s -s -n -EncodingProcess -BitsPerSample "$1" 2>/dev/null)
  case ${process:-} in
    3 | 5 | 6 | 7 | 11 | 13 | 14 | 15) echo "no PDF reader shows it: process SOF$process" ;;
    *) [ -n "${bits:-}" ] && [ "$bits" != 8 ] && echo "no PDF reader shows it: $bits-bit samples" ;;
  esac
}

# --pdfa on every JPEG that converts: a PDF kept for the validator (one Java
# start at the end), or one message with the reason PDF/A-1 cannot carry it.
archived=0 archive_refused=0
declare -A archive_refusals=()
archive() {
  local name=$1 copy=$2 reason
  rm -f "$work/input.pdf"
  kestrel --pdfa "$(basename "$copy")"
  if [ -s "$work/messages.txt" ]; then
    reason=$(sed -n 's/^Kestrel Error: [^:]*: //p' "$work/messages.txt")
    [ -n "$reason" ] && [ ! -e "$work/input.pdf" ] || fail "$name: --pdfa refused it without a reason"
    archive_refusals[$reason]=$((${archive_refusals[$reason]:-0} + 1)) archive_refused=$((archive_refused + 1))
    echo "--pdfa refused: $name ($reason)"
  else
    archived=$((archived + 1))
    mkdir -p "$work/archives" && mv "$work/input.pdf" "$work/archives/${name//\//_}.pdf"
  fi
}

# img2pdf/ holds sample files of another JPEG-to-PDF converter; this project
# does not use them.
while IFS= read -r -d '' file; do
  name=${file#"$corpus"/}
  case ${file,,} in
    *.jpg | *.jpeg)
      copy=$work/input.${file##*.}
      cp "$file" "$copy"
      rm -f "$work/input.pdf"
      kestrel "$(basename "$copy")"
      status=$?
      if [ $status -gt 1 ]; then fail "$name: exit status $status"; continue; fi
      if [ -s "$work/messages.txt" ]; then
        refused=$((refused + 1))
        [ $status -eq 1 ] || fail "$name: refused with exit status $status"
        [ "$(wc -l < "$work/messages.txt")" -eq 1 ] || fail "$name: more than one message"
        [ -e "$work/input.pdf" ] && fail "$name: refused, but a PDF was written"
        reason=$(unshown_reason "$copy")
        if [ -n "$reason" ]; then
          unshowable=$((unshowable + 1))
          reasons[$reason]=$((${reasons[$reason]:-0} + 1))
          echo "refused: $name ($reason)"
        # Any other JPEG that libjpeg decodes must not be refused.
        elif djpeg "$copy" >/dev/null 2>"$work/djpeg.txt"; then
          fail "$name: refused, but djpeg decodes it"
        else
          reason="djpeg: $(head -n 1 "$work/djpeg.txt" | sed 's/^djpeg: //')"
          reasons[$reason]=$((${reasons[$reason]:-0} + 1))
          echo "refused: $name ($reason)"
        fi
      elif [ $status -ne 0 ]; then
        fail "$name: exit status $status without a message"
      else
        check_pdf "$name" "$work/input.pdf" "$copy" && converted=$((converted + 1))
        archive "$name" "$copy"
      fi
      ;;
    *.icc | *.icm)
      profiles=$((profiles + 1))
      cp "$file" "$work/profile.${file##*.}"
      for image in gray rgb cmyk; do cp "$here/inputs/$image.jpg" "$work/"; done
      kestrel profile."${file##*.}" gray.jpg rgb.jpg cmyk.jpg
      status=$?
      if [ $status -ne 0 ] || [ -s "$work/messages.txt" ]; then
        fail "$name: status $status, messages $(cat "$work/messages.txt")"; continue; fi
      for image in gray rgb cmyk; do
        check_pdf "$name with $image.jpg" "$work/$image.pdf" "$work/$image.jpg"
      done
      ;;
  esac
done < <(find "$corpus" -path "$corpus/img2pdf" -prune -o -type f -print0 | sort -z)

echo "corpus: $converted JPEGs converted ($undecodable of them with image data that libjpeg cannot decode)," \
  "$refused refused ($unshowable of them JPEGs no PDF reader shows), $profiles profiles used"
for reason in "${!reasons[@]}"; do echo "  refused ${reasons[$reason]}: $reason"; done
if [ "$archived" -gt 0 ]; then
  report=$(bash "$here/pdfa_check.sh" "$work"/archives/*.pdf)
  [ $? -eq 0 ] || fail "--pdfa: $(grep '^not' <<<"$report")"
  echo "corpus --pdfa: $(tail -n 1 <<<"$report")"
fi
echo "corpus --pdfa: $archived converted, $archive_refused refused"
for reason in "${!archive_refusals[@]}"; do echo "  --pdfa refused ${archive_refusals[$reason]}: $reason"; done
echo "corpus: $failures failures"
[ "$failures" -eq 0 ] && [ $((converted + refused)) -gt 0 ]
