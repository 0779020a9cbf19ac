#!/usr/bin/env bash
# Installs what building, running and testing Mirelan need on Debian 12.
# Quick when everything is already there: it only asks apt for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev libqt6opengl6-dev
  libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  zlib1g-dev libjpeg-dev libdeflate-dev
  fonts-liberation
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth openbox
  povray povray-includes
  libxml2-utils
  locales fonts-dejavu-core fonts-dejavu-extra
  imagemagick giflib-tools python3-pil netpbm
  libtiff-tools
  libtiff-dev libstb-dev
  libtinyobjloader-dev libx11-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests run the program once more under a locale with a decimal comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Generating the locale de_DE.UTF-8"
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
