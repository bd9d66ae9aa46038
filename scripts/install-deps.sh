#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the packages (nsis for
# the Windows installer, dpkg-dev and file for the .deb) need. Safe to run again.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config
      libgtest-dev libgmock-dev libbenchmark-dev
      libcli11-dev nlohmann-json3-dev libssl-dev
      libsqlite3-dev   # the SQLite database tolvern data writes
      pxlib-dev        # the cipher of password-protected Paradox tables
      fpc clang-format
      nsis file dpkg-dev
      qt6-base-dev libgl-dev fonts-dejavu-core
      chromium   # the HTML report's test in a headless browser
      python3-jsonschema  # the SARIF log's test validates it against its schema
      strace time)  # bench/run.sh counts a run's sync calls and times whole runs
bash "$(dirname "$0")/apt-install.sh" "${pkgs[@]}"

# The official SARIF 2.1.0 schema (its final release, rtm.5), which the SARIF
# log's test validates against: npm's @microsoft/jest-sarif ships it. Where
# npm is missing or the registry cannot be reached, the test says so and skips.
sarif_dir=/usr/local/share/tolvern/sarif
sarif_schema=sarif-2.1.0-rtm.5.json
if [ ! -f "$sarif_dir/$sarif_schema" ] && command -v npm >/dev/null 2>&1; then
  tmp=$(mktemp -d)
  if (cd "$tmp" && npm pack --silent @microsoft/jest-sarif@1.0.0-beta.0 >/dev/null &&
      tar xzf microsoft-jest-sarif-1.0.0-beta.0.tgz "package/lib/schemas/$sarif_schema"); then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO mkdir -p "$sarif_dir"
    $SUDO cp "$tmp/package/lib/schemas/$sarif_schema" "$sarif_dir/"
  else
    echo "install-deps: the SARIF schema could not be fetched; its test will skip" >&2
  fi
  rm -rf "$tmp"
fi
