#!/usr/bin/env bash
# Packages the Windows build that scripts/build-windows.sh made: the installer
# (NSIS, made with Debian's makensis) and a zip of the same files for those who
# do not install. With --test, checks the installer under Wine: it installs
# silently (/S), the installed tolvern.exe runs, /ADDTOPATH puts the folder on
# the user's PATH, and the uninstaller removes every file it installed, its
# registration and the PATH entry.
#
#   bash scripts/build-windows.sh [BUILD_FOLDER]            # first: the build
#   bash scripts/package-windows.sh [--test] [BUILD_FOLDER] # default build-win
#
# Writes into BUILD_FOLDER/package/: stage/ (what `cmake --install` puts in
# the installation folder, programs stripped), tolvern-VERSION-win64-setup.exe
# and tolvern-VERSION-win64.zip. The programs installed are those the build
# holds: tolvern.exe always; the wizard, the host and the expert DLL once
# they are built (the install rules name them only where they exist).
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
run_tests=0
if [ "${1:-}" = "--test" ]; then run_tests=1; shift; fi
out=$(realpath -m "${1:-build-win}")
build=$out/tolvern
pkg=$out/package
stage=$pkg/stage
[ -f "$build/CMakeCache.txt" ] || { echo "no Windows build in $build: run scripts/build-windows.sh first" >&2; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
name=tolvern-$version-win64

rm -rf "$pkg" && mkdir -p "$stage"
# What a user runs and reads (the components cli and gui; an import library is
# not among them).
for component in cli gui; do
  cmake --install "$build" --prefix "$stage" --component $component > /dev/null
done
strip=x86_64-w64-mingw32-strip
find "$stage" -name '*.exe' -o -name '*.dll' | while IFS= read -r f; do "$strip" --strip-unneeded "$f"; done

# The file lists of the installer and the uninstaller, from the staged tree:
# the uninstaller deletes by name exactly what was installed, folders last and
# only when empty.
install_list=$pkg/files-install.nsh
uninstall_list=$pkg/files-uninstall.nsh
winpath() { printf '%s' "$1" | sed 's|/|\\|g'; }
: > "$install_list"
: > "$uninstall_list"
(cd "$stage" && find . -type d | LC_ALL=C sort) | while IFS= read -r d; do
  d=${d#./}; [ "$d" = . ] && d=
  files=$(cd "$stage/${d:-.}" && find . -maxdepth 1 -type f | LC_ALL=C sort)
  [ -n "$files" ] || continue
  echo "SetOutPath \"\$INSTDIR${d:+\\$(winpath "$d")}\"" >> "$install_list"
  while IFS= read -r f; do
    f=${f#./}
    echo "File \"$stage/${d:+$d/}$f\"" >> "$install_list"
    echo "Delete \"\$INSTDIR\\$(winpath "${d:+$d/}$f")\"" >> "$uninstall_list"
  done <<< "$files"
done
(cd "$stage" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while IFS= read -r d; do
  echo "RMDir \"\$INSTDIR\\$(winpath "${d#./}")\"" >> "$uninstall_list"
done

makensis -V2 -DVERSION="$version" -DOUTFILE="$pkg/$name-setup.exe" \
  -DFILES_INSTALL="$install_list" -DFILES_UNINSTALL="$uninstall_list" "$src/scripts/tolvern.nsi"
# The zip: the same files in a folder of the version's name.
rm -rf "$pkg/$name" && cp -r "$stage" "$pkg/$name"
(cd "$pkg" && cmake -E tar cf "$name.zip" --format=zip "$name") && rm -rf "${pkg:?}/$name"
echo "$pkg/$name-setup.exe"
echo "$pkg/$name.zip"

[ $run_tests = 1 ] || exit 0

# Under Wine, in a prefix of its own.
export WINEPREFIX=$pkg/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
mkdir -p "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit
fail() { echo "FAILED: $*" >&2; exit 1; }
target=$(winepath -u 'C:\Program Files\Tolvern')
reg_query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvern'

# Each file staged is installed, byte for byte (the installer's own uninstaller
# aside, nothing else).
check_installed() {
  [ -d "$target" ] || fail "nothing installed in $target"
  (cd "$stage" && find . -type f | LC_ALL=C sort) > "$pkg/staged.txt"
  (cd "$target" && find . -type f ! -name Uninstall.exe | LC_ALL=C sort) > "$pkg/installed.txt"
  diff -u "$pkg/staged.txt" "$pkg/installed.txt" || fail "the installed files differ from the staged ones"
  while IFS= read -r f; do
    cmp -s "$stage/$f" "$target/$f" || fail "$f differs from the staged one"
  done < "$pkg/staged.txt"
  [ -f "$target/Uninstall.exe" ] || fail "no uninstaller"
  reg_query "$key" /v UninstallString | grep -q 'Uninstall.exe' || fail "the uninstaller is not registered"
}
# The uninstaller runs a copy of itself and returns at once: wait for every
# process of the prefix to end.
uninstall() {
  wine "C:\\Program Files\\Tolvern\\Uninstall.exe" /S
  wineserver -w
  [ ! -e "$target" ] || fail "left after uninstalling: $(cd "$target" && find . | tr '\n' ' ')"
  ! reg_query "$key" > /dev/null || fail "the uninstall key is left"
}
user_path() { reg_query 'HKCU\Environment' /v Path | sed -n 's/.*REG_[A-Z_]*SZ *//p'; }

wine "$pkg/$name-setup.exe" /S
wineserver -w
check_installed
got=$(wine "C:\\Program Files\\Tolvern\\tolvern.exe" --version | tr -d '\r')
[ "$got" = "tolvern $version" ] || fail "the installed tolvern.exe --version prints '$got'"
wine "C:\\Program Files\\Tolvern\\tolvern.exe" profile --show | tr -d '\r' > "$pkg/profile.json"
grep -q '"name": "bde-nexa"' "$pkg/profile.json" || fail "the installed tolvern.exe profile --show"
case ";$(user_path);" in *';C:\Program Files\Tolvern;'*) fail "PATH changed without /ADDTOPATH" ;; esac
uninstall

# Again with the folder put on the user's PATH, which the uninstaller takes
# out, leaving what was there before.
wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d 'C:\Tools' /f > /dev/null
wine "$pkg/$name-setup.exe" /S /ADDTOPATH
wineserver -w
check_installed
[ "$(user_path)" = 'C:\Tools;C:\Program Files\Tolvern' ] || fail "PATH after /ADDTOPATH: '$(user_path)'"
uninstall
[ "$(user_path)" = 'C:\Tools' ] || fail "PATH after uninstalling: '$(user_path)'"
echo "the installer installs silently, tolvern.exe $version runs, the uninstaller removes every file"
