#!/usr/bin/env bash
# Installs every Debian package Zelmora needs to build, run and test.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build git pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev
  qt6-translations-l10n
  libsimpleini-dev
  libsqlite3-dev
  libgeoip-dev geoip-database iso-codes famfamfam-flag-png
  clang-14 libclang-rt-14-dev lld-14
  g++-mingw-w64-x86-64-posix
  xvfb xauth fonts-dejavu-core fonts-liberation2
  dpkg-dev lintian appstream desktop-file-utils librsvg2-bin
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
