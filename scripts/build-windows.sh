#!/usr/bin/env bash
# Cross-builds for 64-bit Windows with MinGW-w64: tolvern.exe, the expert
# tolvern_expert.dll (the native wizard, INITWIZARD0001), the host
# tolvern-host.exe and the tests; with --test runs the whole test suite under
# Wine, the native dialogs' tests included; with --screenshots renders every
# dialog of the native wizard under Wine into docs/screenshots/windows/.
#
#   bash scripts/install-windows-deps.sh        # once: the Debian packages
#   bash scripts/build-windows.sh [--test] [--screenshots] [BUILD_FOLDER]   # default build-win
#
# The build folder holds: deps/ (the header-only libraries copied from the
# Debian packages and GoogleTest built for the target from /usr/src/googletest),
# tolvern/ (the project's build) and wine/ (the Wine prefix of the test run,
# private to this build).
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
run_tests=0
screenshots=0
while [ $# -gt 0 ]; do
  case "$1" in
    --test) run_tests=1; shift ;;
    --screenshots) screenshots=1; shift ;;
    *) break ;;
  esac
done
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

# Compile results are shared through ccache where it is installed.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$out/tolvern" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DTOLVERN_WIN_DEPS="$deps" -DTOLVERN_WERROR=ON -DTOLVERN_BUILD_GUI=OFF "${launcher[@]}"
cmake --build "$out/tolvern" -j2

[ $run_tests = 1 ] || [ $screenshots = 1 ] || exit 0

# Wine: a prefix of its own, a server kept running for the whole test run, and
# the prefix set up by one command before the first test pays for it.
export WINEPREFIX=$out/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
mkdir -p "$WINEPREFIX"
wineserver -p
trap 'wineserver -k || true' EXIT
wine cmd /c exit
# Without an X display, Wine's null graphics driver: windows and dialogs are
# made and drawn into memory as on a screen (the dialogs' tests and the
# screenshots draw them with PrintWindow), and nothing is shown.
if [ -z "${DISPLAY:-}" ]; then
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
  # The desktop of a new prefix was started before the setting, with a
  # driver that has no display to draw on, and no dialog could be made on
  # it: start the prefix again so that the null driver makes every window.
  wineserver -k || true
  wineserver -w || true
  wineserver -p
  wine cmd /c exit
fi
if [ $run_tests = 1 ]; then
  ctest --test-dir "$out/tolvern" -j2 --output-on-failure
fi
if [ $screenshots = 1 ]; then
  # The screenshots are read from a screen: a virtual one (Xvfb), with
  # Wine's X11 driver drawing the windows' frames itself, in a prefix of
  # their own.
  shots=$out/screenshots
  rm -rf "$shots" && mkdir -p "$shots"
  display=:$((90 + RANDOM % 9))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp &
  xvfb=$!
  trap 'wineserver -k || true; kill $xvfb 2>/dev/null || true' EXIT
  (
    export DISPLAY=$display WINEPREFIX=$out/wine-screenshots
    mkdir -p "$WINEPREFIX"
    wine cmd /c exit
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
    TOLVERN_EXAMPLE="$(winepath -w "$src/examples/orders")" \
      wine "$out/tolvern/tolvern-host.exe" --screenshots "$(winepath -w "$shots")"
    wineserver -k || true
  )
  kill $xvfb
  mkdir -p docs/screenshots/windows
  rm -f docs/screenshots/windows/*.png
  python3 scripts/bmp-to-png.py "$shots" docs/screenshots/windows
fi
