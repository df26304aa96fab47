#!/usr/bin/env bash
# Installs the Debian packages that are missing, and only those: what
# building and running vindralo need, plus any packages named as arguments
# (scripts/test.sh names what the tests need besides).
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev libgl-dev libturbojpeg0-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
