#!/usr/bin/env bash
# Installs the Debian packages vindralo needs, only those that are missing.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-private-dev libgl-dev libturbojpeg0-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libgtest-dev ffmpeg imagemagick)
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
