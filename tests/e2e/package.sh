#!/usr/bin/env bash
# The portable package and the installed program find their default profiles
# from wherever they are started.
#   package.sh windows BUILD/kestrel-1.0.0.1-win64.zip   (kestrel.exe under Wine)
#   package.sh posix BUILD_DIR                            (cmake --install, then the bin/ symlink)
set -uo pipefail
mode=$1
target=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0 checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }

mkdir -p "$work/photos" && cp "$here/inputs/gray.jpg" "$here/inputs/rgb.jpg" "$here/inputs/cmyk.jpg" "$work/photos/"
cd "$work/photos"
if [ "$mode" = windows ]; then
  zip=$target
  (cd "$work" && unzip -q "$zip") || fail "cannot unpack $zip"
  dir=$work/kestrel-1.0.0.1-win64
  for f in kestrel.exe README.txt data/sGray.icc data/sRGB.icc data/sCMYK.icc; do
    [ -f "$dir/$f" ] && pass || fail "package lacks $f"
  done
  # Static runtime: nothing but system DLLs.
  deps=$(x86_64-w64-mingw32-objdump -p "$dir/kestrel.exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' |
         grep -v -E '^(kernel32|user32|ws2_32|msvcrt|advapi32|shell32|api-ms-win-.*)\.dll$')
  [ -z "$deps" ] && pass || fail "kestrel.exe needs $deps"
  headers=$(x86_64-w64-mingw32-objdump -p "$dir/kestrel.exe")
  grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" && pass ||
    fail "kestrel.exe is not a GUI-subsystem program"
  # Resources, all in language 1041: string table, icon at four sizes, version.
  resources=$(x86_64-w64-mingw32-windres -i "$dir/kestrel.exe" -O rc 2>/dev/null)
  [ "$(grep -c '^LANGUAGE' <<<"$resources")" = 1 ] && grep -q '^LANGUAGE 17, 1$' <<<"$resources" && pass ||
    fail "resources are not all in language 1041"
  for want in '103, "Kestrel"' '104, "data\\sRGB.icc"' '105, "data\\sGray.icc"' '106, "data\\sCMYK.icc"' \
      'FILEVERSION 1, 0, 0, 1' 'PRODUCTVERSION 1, 0, 0, 1' 'VALUE "Translation", 0x411, 1200' \
      'Has 4 elements' '"\020\020' '"\040\040' '"\060\060' '"\000\000'; do
    grep -qF "$want" <<<"$resources" && pass || fail "resources lack $want"
  done
  WINEDEBUG=-all DISPLAY= "${KESTREL_WINE:-/usr/lib/wine/wine64}" "$dir/kestrel.exe" gray.jpg rgb.jpg cmyk.jpg
else
  build=$target
  cmake --install "$build" --prefix "$work/prefix" >/dev/null || fail "cmake --install failed"
  [ -L "$work/prefix/bin/kestrel" ] && pass || fail "no bin/kestrel symlink"
  PATH=$work/prefix/bin:$PATH kestrel gray.jpg rgb.jpg cmyk.jpg
  # The manual page: installed, rendered without a warning, naming every
  # option that --help lists.
  man=$work/prefix/share/man/man1/kestrel.1
  [ -f "$man" ] && pass || fail "no manual page in share/man/man1"
  warnings=$(groff -ww -man -Tutf8 "$man" 2>&1 >/dev/null)
  [ -z "$warnings" ] && pass || fail "the manual page renders with warnings: $warnings"
  manual=$(groff -man -Tutf8 -P-cbou "$man" 2>/dev/null)
  options=$("$work/prefix/bin/kestrel" --help | grep -oE '^ +(-[[:alnum:]], )?--[a-z-]*' | grep -oE -- '--[a-z-]*')
  [ -n "$options" ] && pass || fail "--help lists no option"
  for option in $options; do
    grep -qF -- "$option" <<<"$manual" && pass || fail "the manual page does not name $option"
  done
  [ "$("$work/prefix/bin/kestrel" --version)" = "kestrel 1.0.0.1" ] && pass || fail "--version"
fi
for name in gray:sGray rgb:sRGB cmyk:Kestrel; do
  pdf=${name%%:*}.pdf want=${name#*:}
  subject=$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Subject: *//p')
  [[ "$subject" == "$want"* ]] && pass || fail "$pdf: default profile not used (subject '$subject')"
done
echo "$checks passed, $failures failed"
[ "$failures" -eq 0 ]
