#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Safe to run again.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config
      libgtest-dev libgmock-dev libbenchmark-dev
      libcli11-dev nlohmann-json3-dev libfmt-dev
      fpc clang-format
      qt6-base-dev libgl-dev fonts-dejavu-core
      chromium)  # the HTML report's test in a headless browser
bash "$(dirname "$0")/apt-install.sh" "${pkgs[@]}"
