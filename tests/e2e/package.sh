#!/usr/bin/env bash
# The packages and the installed program find their default profiles from
# wherever they are started.
#   package.sh windows BUILD/kestrel-1.0.0.1-win64.zip   (kestrel.exe under Wine)
#   package.sh posix BUILD_DIR                            (cmake --install, then the bin/ symlink)
#   package.sh setup BUILD/kestrel-1.0.0.1-setup.exe     (silent install and uninstall under Wine)
#   package.sh deb BUILD/kestrel_1.0.0.1_amd64.deb       (lintian, apt-get install and remove; root)
#   package.sh demo SOURCE_DIR                            (a clone's scripts/demo, then the install it prints)
set -uo pipefail
mode=$1
target=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0 checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }

# The PDFs in the current folder carry the default profiles.
check_defaults() {
  local name pdf want subject
  for name in gray:sGray rgb:sRGB cmyk:Kestrel; do
    pdf=${name%%:*}.pdf want=${name#*:}
    subject=$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Subject: *//p')
    [[ "$subject" == "$want"* ]] && pass || fail "$1: $pdf: default profile not used (subject '$subject')"
    rm -f "$pdf"
  done
}

# A new user's first minutes: a fresh clone, scripts/demo, the install
# command it prints (into a home of the test's own), then the program and
# its manual page from where they were installed.
if [ "$mode" = demo ]; then
  git clone -q "$target" "$work/clone" || fail "git clone $target"
  export HOME=$work/home && mkdir -p "$HOME"
  (cd "$work/clone" && scripts/demo) > "$work/demo.txt" 2>&1 || fail "scripts/demo: $(tail -5 "$work/demo.txt")"
  install=$(grep -E '^  cmake --install ' "$work/demo.txt" | sed 's/^ *//')
  [ -n "$install" ] && (cd "$work" && eval "$install") > /dev/null 2>&1 && pass || fail "the printed install '$install' failed"
  [ "$("$HOME/.local/bin/kestrel" --version 2>&1)" = "kestrel 1.0.0.1" ] && pass || fail "installed kestrel --version"
  if command -v man > /dev/null; then
    MANPATH=$HOME/.local/share/man man kestrel 2>/dev/null | grep -q -- 'outline' && pass || fail "man kestrel from ~/.local"
  else
    zcat "$HOME/.local/share/man/man1/kestrel.1.gz" | grep -q -- 'outline' && pass || fail "no manual page in ~/.local"
  fi
  echo "$checks passed, $failures failed"
  [ "$failures" -eq 0 ]
  exit
fi

mkdir -p "$work/photos" &&
  cp "$here/inputs/gray.jpg" "$here/inputs/rgb.jpg" "$here/inputs/cmyk.jpg" "$here/inputs/orient-6.jpg" "$work/photos/"
cd "$work/photos"
if [ "$mode" = setup ]; then
  setup=$target
  wine() { WINEDEBUG=-all DISPLAY= "${KESTREL_WINE:-/usr/lib/wine/wine64}" "$@"; }
  sendto=$(wine winepath.exe -u "$(wine cmd.exe /c echo %APPDATA% | tr -d '\r')")/Microsoft/Windows/SendTo
  # Send To entries: name, then the arguments the shortcut carries.
  entries=("Kestrel|--recursive" "Kestrel (photos upright)|--recursive --auto-orient")
  # Version and icon of the installer and of the uninstaller it writes: the
  # program's icon images, at their four sizes.
  icons() { x86_64-w64-mingw32-windres -i "$1" -O rc 2>/dev/null | sed -nE 's/^ *("\\[0-7]{3}.*0x[0-9a-f]+L),.*/\1/p'; }
  check_resources() {
    local resources want
    resources=$(x86_64-w64-mingw32-windres -i "$1" -O rc 2>/dev/null)
    for want in 'FILEVERSION 1, 0, 0, 1' 'PRODUCTVERSION 1, 0, 0, 1' 'VALUE "ProductName", "Kestrel"' \
        'VALUE "ProductVersion", "1.0.0.1"' 'Subsystem'; do
      if [ "$want" = Subsystem ]; then
        grep -q 'Subsystem.*(Windows GUI)' <<<"$(x86_64-w64-mingw32-objdump -p "$1")" && pass ||
          fail "$(basename "$1") is not a GUI-subsystem program"
      else
        grep -qF "$want" <<<"$resources" && pass || fail "$(basename "$1") resources lack $want"
      fi
    done
    [ "$(icons "$1")" = "$(icons "$(dirname "$setup")/kestrel.exe")" ] && [ -n "$(icons "$1")" ] && pass ||
      fail "$(basename "$1") does not carry the program's icon: $(icons "$1")"
  }
  check_resources "$setup"

  # Per machine (the default for an administrator) and per user: the switch
  # given to setup.exe, the scope the uninstaller is told, the registry root and
  # the install folder.
  wine_dir() { wine winepath.exe -u "$1" | tr -d '\r'; }
  wine_windows_path() { wine winepath.exe -w "$1" | tr -d '\r'; }
  local_appdata=$(wine cmd.exe /c echo %LOCALAPPDATA% | tr -d '\r')
  scopes=("|AllUsers|HKLM|C:\\Program Files\\Kestrel"
          "/CurrentUser|CurrentUser|HKCU|$local_appdata\\Programs\\Kestrel")
  for scope in "${scopes[@]}"; do
    IFS='|' read -r switch mode_name root windir <<<"$scope"
    key="$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel"
    dir=$(wine_dir "$windir")
    # A run that failed half-way may have left an install behind.
    rm -rf "$dir" "$sendto/Kestrel.lnk" "$sendto/Kestrel (photos upright).lnk"
    wine reg delete "$key" /f >/dev/null 2>&1

    wine "$setup" /S $switch && pass || fail "$mode_name: silent install failed"
    echo "$mode_name: installed in $windir:"
    listing=$(cd "$dir" 2>/dev/null && find . -type f | sort)
    echo "$listing"
    [ "$listing" = "$(printf './%s\n' data/sCMYK.icc data/sGray.icc data/sRGB.icc kestrel.exe uninstall.exe)" ] &&
      pass || fail "$mode_name: installed files differ from kestrel.exe, data\\ and uninstall.exe"
    check_resources "$dir/uninstall.exe"
    for entry in "${entries[@]}"; do
      name=${entry%%|*} args=${entry#*|}
      info=$(lnkinfo "$sendto/$name.lnk" 2>&1)
      [ "$(sed -n 's/^\tLocal path\t*: //p' <<<"$info")" = "$windir\\kestrel.exe" ] && pass ||
        fail "$mode_name: Send To '$name' does not point at the installed program: $info"
      [ "$(sed -n 's/^\tCommand line arguments\t*: //p' <<<"$info")" = "$args" ] && pass ||
        fail "$mode_name: Send To '$name' does not carry the arguments '$args'"
    done
    registry=$(wine reg query "$key" 2>&1 | tr -d '\r')
    for want in 'DisplayName    REG_SZ    Kestrel' 'DisplayVersion    REG_SZ    1.0.0.1' \
        'Publisher    REG_SZ    The Kestrel developers' "DisplayIcon    REG_SZ    $windir\\kestrel.exe,0" \
        "UninstallString    REG_SZ    \"$windir\\uninstall.exe\" /$mode_name" \
        "QuietUninstallString    REG_SZ    \"$windir\\uninstall.exe\" /$mode_name /S"; do
      grep -qF "$want" <<<"$registry" && pass || fail "$mode_name: uninstall entry lacks $want: $registry"
    done

    # Conversions as Send To starts them: the shortcut's arguments, then the
    # photos. A photo stored turned (orientation 6, 48 x 32) gets an upright
    # page only through the upright entry. A folder sent converts its photos.
    pages=()
    mkdir -p album/inner && cp rgb.jpg album/inner/ && album=$(wine_windows_path album)
    for entry in "${entries[@]}"; do
      name=${entry%%|*} args=${entry#*|}
      wine "$dir/kestrel.exe" $args gray.jpg rgb.jpg cmyk.jpg orient-6.jpg "$album"
      check_defaults "$mode_name: installed program through Send To '$name'"
      [ -f album/inner/rgb.pdf ] && pass || fail "$mode_name: the folder sent through '$name' was not converted"
      rm -f album/inner/rgb.pdf
      pages+=("$(pdfinfo orient-6.pdf 2>&1 | sed -n 's/^Page size: *//p')")
      rm -f orient-6.pdf
    done
    [ "${pages[*]}" = "48 x 32 pts 32 x 48 pts" ] && pass ||
      fail "$mode_name: pages of orient-6.jpg through the two entries: ${pages[*]}"

    # The quiet uninstall command, run in place: from a copy, given the folder
    # after "_?=" at the very end of its command line, unquoted (its words as
    # separate arguments, which Wine joins with single spaces), so it has
    # finished when wine returns.
    quiet=$(sed -n 's/^ *QuietUninstallString *REG_SZ *"[^"]*" //p' <<<"$registry")
    read -r -a in_place <<<"_?=$windir"
    cp "$dir/uninstall.exe" "$work/" && wine "$work/uninstall.exe" $quiet "${in_place[@]}" &&
      pass || fail "$mode_name: silent uninstall failed"
    left=$(find "$dir" "$sendto" -iname '*kestrel*' 2>/dev/null)
    [ -z "$left" ] && pass || fail "$mode_name: left after uninstall: $left"
    wine reg query "$key" >/dev/null 2>&1 && fail "$mode_name: uninstall entry left in the registry" || pass
  done
elif [ "$mode" = deb ]; then
  deb=$target
  echo "$(basename "$deb"):"
  listing=$(dpkg-deb -c "$deb")
  echo "$listing"
  for want in './usr/bin/kestrel -> ../lib/kestrel/kestrel' ./usr/lib/kestrel/kestrel \
      ./usr/lib/kestrel/data/sGray.icc ./usr/lib/kestrel/data/sRGB.icc ./usr/lib/kestrel/data/sCMYK.icc \
      ./usr/share/man/man1/kestrel.1.gz ./usr/share/doc/kestrel/copyright ./usr/share/doc/kestrel/changelog.gz \
      ./usr/share/doc/kestrel/README.md; do
    grep -qE " ${want//./\\.}\$" <<<"$listing" && pass || fail "package lacks $want"
  done
  depends=$(dpkg-deb -f "$deb" Depends)
  [[ $depends == *libc6* ]] && pass || fail "Depends not from dpkg-shlibdeps: '$depends'"
  # Every default profile that data/README.md lists has its origin and
  # licence in the copyright file: Zlib where the table says Zlib, another
  # licence of its own where it does not.
  copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/kestrel/copyright)
  profiles=0
  while IFS='|' read -r profile licence; do
    profiles=$((profiles + 1))
    stated=$(awk -v files="Files: data/$profile" '$0 == files { on = 1 } on && /^License:/ { print $2; exit }' \
             <<<"$copyright")
    { [ "$licence" = Zlib ] && [ "$stated" = Zlib ]; } || { [ "$licence" != Zlib ] && [ -n "$stated" ] &&
      [ "$stated" != Zlib ]; } && pass || fail "copyright gives $profile '$stated', data/README.md '$licence'"
  done < <(sed -nE 's/^\| `([^`]+\.icc)` .*\| ([^|]+) \|$/\1|\2/p' "$here/../../data/README.md")
  [ "$profiles" -ge 3 ] && pass || fail "data/README.md's table of profiles not found"
  report=$(lintian "$deb" 2>&1 | grep -v '^running with root privileges')
  echo "lintian: ${report:-no tags}"
  grep -q '^E:' <<<"$report" && fail "lintian errors" || pass

  # Root, or sudo that asks no password (a test cannot type one); else skipped.
  if ((EUID != 0)) && ! sudo -n true 2>/dev/null; then
    echo "$checks passed, $failures failed; installing needs root or sudo"
    [ "$failures" -eq 0 ] && exit 77 || exit 1
  fi
  source "$here/../../scripts/lib/install-missing"
  apt() { as_root env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"; }
  trap 'apt remove kestrel >/dev/null 2>&1; rm -rf "$work"' EXIT
  (cd "$(dirname "$deb")" && apt install "./$(basename "$deb")" >"$work/apt.log" 2>&1) && pass ||
    fail "apt-get install: $(tail -n 5 "$work/apt.log")"
  files=$(dpkg -L kestrel)
  # By name, from a folder of photos, as a user runs it.
  [ "$(PATH=/usr/bin:/bin kestrel --version)" = "kestrel 1.0.0.1" ] && pass || fail "installed kestrel --version"
  PATH=/usr/bin:/bin kestrel gray.jpg rgb.jpg cmyk.jpg
  check_defaults "installed package"
  apt remove kestrel >"$work/apt.log" 2>&1 && pass || fail "apt-get remove: $(tail -n 5 "$work/apt.log")"
  [ "$(dpkg-query -W -f='${db:Status-Status}' kestrel 2>/dev/null)" != installed ] && pass ||
    fail "kestrel still installed"
  # What may stay is a folder another package owns too.
  left=()
  while IFS= read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue
    left+=("$path")
  done <<<"$files"
  [ ${#left[@]} -eq 0 ] && pass || fail "left after apt-get remove: ${left[*]}"
elif [ "$mode" = windows ]; then
  zip=$target
  (cd "$work" && unzip -q "$zip") || fail "cannot unpack $zip"
  dir=$work/kestrel-1.0.0.1-win64
  for f in kestrel.exe README.txt data/sGray.icc data/sRGB.icc data/sCMYK.icc; do
    [ -f "$dir/$f" ] && pass || fail "package lacks $f"
  done
  # Static runtime: nothing but system DLLs.
  deps=$(x86_64-w64-mingw32-objdump -p "$dir/kestrel.exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' |
         grep -v -E '^(kernel32|user32|ws2_32|bcrypt|msvcrt|advapi32|shell32|api-ms-win-.*)\.dll$')
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
  man=$work/prefix/share/man/man1/kestrel.1.gz
  [ -f "$man" ] && pass || fail "no manual page in share/man/man1"
  warnings=$(zcat "$man" | groff -ww -man -Tutf8 2>&1 >/dev/null)
  [ -z "$warnings" ] && pass || fail "the manual page renders with warnings: $warnings"
  manual=$(zcat "$man" | groff -man -Tutf8 -P-cbou 2>/dev/null)
  options=$("$work/prefix/bin/kestrel" --help | grep -oE '^ +(-[[:alnum:]], )?--[a-z-]*' | grep -oE -- '--[a-z-]*')
  [ -n "$options" ] && pass || fail "--help lists no option"
  for option in $options; do
    grep -qF -- "$option" <<<"$manual" && pass || fail "the manual page does not name $option"
  done
  [ "$("$work/prefix/bin/kestrel" --version)" = "kestrel 1.0.0.1" ] && pass || fail "--version"
fi
if [ "$mode" = windows ] || [ "$mode" = posix ]; then check_defaults "$mode"; fi
echo "$checks passed, $failures failed"
[ "$failures" -eq 0 ]
