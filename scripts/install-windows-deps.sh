#!/usr/bin/env bash
# Installs the Debian packages of the Windows cross-build: MinGW-w64 (posix
# thread model), Wine to run the results, and the sources of GoogleTest and the
# header-only libraries that scripts/build-windows.sh builds or copies for the
# target. Safe to run again.
set -euo pipefail
pkgs=(g++-mingw-w64-x86-64-posix wine64 wine
      googletest libcli11-dev nlohmann-json3-dev cmake ninja-build)
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
