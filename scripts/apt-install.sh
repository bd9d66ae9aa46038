#!/usr/bin/env bash
# Installs the Debian packages named that are not installed yet; options
# before the names (such as --no-install-recommends) go to apt-get install.
set -euo pipefail
opts=()
while [ $# -gt 0 ] && [ "${1#--}" != "$1" ]; do opts+=("$1"); shift; done
missing=()
for p in "$@"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${opts[@]}" "${missing[@]}"
fi
