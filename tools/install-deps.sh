#!/usr/bin/env bash
# Installs what building and testing Quelta needs on Debian 12 (run as root). Idempotent.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev libqt6serialport6-dev libgtest-dev libgmock-dev
          clang libclang-rt-14-dev xvfb xauth)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
