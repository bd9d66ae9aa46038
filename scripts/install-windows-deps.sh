#!/usr/bin/env bash
# Installs the Debian packages of the Windows cross-build: MinGW-w64 (posix
# thread model), Wine to run the results, and the sources of GoogleTest and the
# header-only libraries that scripts/build-windows.sh builds or copies for the
# target, and Xvfb, the virtual screen the screenshots of the native dialogs
# are taken from. Safe to run again.
set -euo pipefail
pkgs=(g++-mingw-w64-x86-64-posix wine64 wine
      googletest libcli11-dev nlohmann-json3-dev cmake ninja-build xvfb)
bash "$(dirname "$0")/apt-install.sh" --no-install-recommends "${pkgs[@]}"
