#!/usr/bin/env bash
# Makes the Debian packages of a build with CPack (cpack -G DEB) in a scratch
# folder and checks them:
#   - tolvern_VERSION_ARCH.deb lists usr/bin/tolvern, the profiles, the manual
#     page and the completion, and declares its library dependencies (libc6,
#     libstdc++6) and none on Qt;
#   - tolvern-gui (where it is built) holds the host and the expert module and
#     declares Qt;
#   - dpkg installs tolvern into a scratch root (dpkg --root), the program
#     installed there runs, and dpkg removes every file again;
#   - apt, in simulation, finds every declared dependency on this machine.
#
#   scripts/check-deb.sh BUILD_DIR VERSION
set -euo pipefail
build=$(realpath "$1")
version=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tolvern-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out") > "$scratch/cpack.log" ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB"; }
arch=$(dpkg --print-architecture)
deb=$scratch/out/tolvern_${version}_${arch}.deb
[ -f "$deb" ] || { ls "$scratch/out" >&2; fail "no $(basename "$deb")"; }

dpkg-deb -c "$deb" | awk '{print $6}' > "$scratch/files"
for f in ./usr/bin/tolvern ./usr/share/tolvern/profiles/bde-nexa.json \
         ./usr/share/tolvern/schemas/report.schema.json ./usr/share/man/man1/tolvern.1 \
         ./usr/share/bash-completion/completions/tolvern ./usr/share/doc/tolvern/README.md; do
  grep -qx -- "$f" "$scratch/files" || fail "$(basename "$deb") does not hold $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
case "$depends" in *libc6*libstdc++6*|*libstdc++6*libc6*) ;; *) fail "tolvern depends on '$depends'" ;; esac
case "$depends" in *qt6*|*Qt6*) fail "tolvern depends on Qt: '$depends'" ;; esac
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"

gui=$scratch/out/tolvern-gui_${version}_${arch}.deb
if [ -e "$build/tolvern-gui" ]; then
  [ -f "$gui" ] || fail "no $(basename "$gui")"
  dpkg-deb -c "$gui" | awk '{print $6}' > "$scratch/gui-files"
  for f in ./usr/bin/tolvern-gui ./usr/lib/tolvern/tolvern-gui ./usr/lib/tolvern/libtolvern_expert.so; do
    grep -qx -- "$f" "$scratch/gui-files" || fail "$(basename "$gui") does not hold $f"
  done
  case "$(dpkg-deb -f "$gui" Depends)" in *libqt6widgets6*) ;; *) fail "tolvern-gui does not declare Qt" ;; esac
fi

# Installed into a scratch root with its own package database; the libraries
# it needs are this machine's, so their packages are not in that database.
droot=$scratch/root
mkdir -p "$droot/var/lib/dpkg/info" "$droot/var/lib/dpkg/updates"
touch "$droot/var/lib/dpkg/status"
dpkg --root="$droot" --force-depends --force-not-root --force-script-chrootless -i "$deb" \
  > "$scratch/dpkg.log" 2>&1 || { cat "$scratch/dpkg.log" >&2; fail "dpkg -i"; }
[ "$("$droot/usr/bin/tolvern" --version)" = "tolvern $version" ] || fail "the packaged tolvern does not run"
"$droot/usr/bin/tolvern" profile --show > /dev/null || fail "the packaged tolvern profile --show"
dpkg --root="$droot" --force-not-root --force-script-chrootless --purge tolvern > "$scratch/dpkg.log" 2>&1 ||
  { cat "$scratch/dpkg.log" >&2; fail "dpkg --purge"; }
left=$(cd "$droot" && find . -path ./var -prune -o -type f -print)
[ -z "$left" ] || fail "files left after dpkg --purge: $left"

# Every dependency resolvable here (a simulation: nothing is installed).
if command -v apt-get >/dev/null; then
  apt-get -s -o Debug::NoLocking=1 install "$deb" > "$scratch/apt.log" 2>&1 ||
    { cat "$scratch/apt.log" >&2; fail "apt cannot satisfy the dependencies of $(basename "$deb")"; }
fi
echo "$(basename "$deb"): files, dependencies, install and removal in a scratch root"
