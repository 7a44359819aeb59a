#!/usr/bin/env bash
# Installs the Debian packages that the native build, the tests and the
# samples need, when any is missing. Safe to run again.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libpoppler-private-dev poppler-data poppler-utils
          googletest libgtest-dev qpdf nlohmann-json3-dev libfribidi-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # Another install may hold the package lock for a while: wait for it.
  $sudo apt-get -o DPkg::Lock::Timeout=900 update -q >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends "${missing[@]}" >&2
fi
