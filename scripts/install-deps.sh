#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the packages (nsis for
# the Windows installer, dpkg-dev and file for the .deb) need. Safe to run again.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config
      libgtest-dev libgmock-dev libbenchmark-dev
      libcli11-dev nlohmann-json3-dev libssl-dev
      libsqlite3-dev   # the SQLite database tolvern data writes
      fpc clang-format
      nsis file dpkg-dev
      qt6-base-dev libgl-dev fonts-dejavu-core
      chromium   # the HTML report's test in a headless browser
      strace time)  # bench/run.sh counts a run's sync calls and times whole runs
bash "$(dirname "$0")/apt-install.sh" "${pkgs[@]}"
