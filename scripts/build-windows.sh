#!/usr/bin/env bash
# Cross-builds tolvern.exe and the tests for 64-bit Windows with MinGW-w64, and
# with --test runs the whole test suite under Wine.
#
#   bash scripts/install-windows-deps.sh        # once: the Debian packages
#   bash scripts/build-windows.sh [--test] [BUILD_FOLDER]   # default build-win
#
# The build folder holds: deps/ (the header-only libraries copied from the
# Debian packages and GoogleTest built for the target from /usr/src/googletest),
# tolvern/ (the project's build: tolvern.exe, tolvern_tests.exe) and wine/ (the
# Wine prefix of the test run, private to this build).
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
run_tests=0
if [ "${1:-}" = "--test" ]; then run_tests=1; shift; fi
out=$(realpath -m "${1:-build-win}")
deps=$out/deps
toolchain=$src/cmake/mingw-w64-x86_64.cmake

# Header-only libraries: only their own folders, so that no header of the
# build machine's C library reaches the target's compiler.
mkdir -p "$deps/include" "$deps/share/cmake"
for d in nlohmann CLI; do
  [ -d "$deps/include/$d" ] || cp -r "/usr/include/$d" "$deps/include/"
done
for d in nlohmann_json CLI11; do
  [ -d "$deps/share/cmake/$d" ] || cp -r "/usr/share/cmake/$d" "$deps/share/cmake/"
done

# GoogleTest for the target, from the sources Debian ships.
if [ ! -f "$deps/lib/libgtest.a" ]; then
  cmake -S /usr/src/googletest -B "$out/googletest" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTOLVERN_WIN_DEPS="$deps" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$deps" >/dev/null
  cmake --build "$out/googletest" -j2
  cmake --install "$out/googletest" >/dev/null
fi

cmake -S . -B "$out/tolvern" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DTOLVERN_WIN_DEPS="$deps" -DTOLVERN_WERROR=ON -DTOLVERN_BUILD_GUI=OFF
cmake --build "$out/tolvern" -j2

[ $run_tests = 1 ] || exit 0

# Wine: a prefix of its own, a server kept running for the whole test run, and
# the prefix set up by one command before the first test pays for it.
export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k || true' EXIT
wine cmd /c exit
ctest --test-dir "$out/tolvern" -j2 --output-on-failure
