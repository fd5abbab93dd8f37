#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Ravlin need.
# Safe to run again: only missing packages are installed.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6opengl6-dev qt6-qpa-plugins
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev
  clang clang-format libclang-rt-14-dev
  xvfb xauth x11-apps imagemagick alsa-utils
  fonts-dejavu-core
  poppler-utils libreoffice-calc-nogui
  desktop-file-utils shared-mime-info libxml2-utils man-db
  libmosquitto-dev mosquitto mosquitto-clients openssl
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then SUDO="sudo"; else
    echo "Please run as root (apt-get needs it) or install: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
