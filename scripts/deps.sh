#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, run, test, benchmark and fuzz, and
# to build, check and take screenshots for its Debian package.
# Runs apt-get as root, or through sudo when not root.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev libgl1-mesa-dev libcli11-dev
  # The charts (Qt Charts, whose CMake files ask for Qt OpenGL's; SVG export) and spreadsheets.
  qt6-charts-dev libqt6opengl6-dev qt6-svg-dev libxlsxwriter-dev
  libgtest-dev googletest libbenchmark-dev
  libsqlite3-dev
  libofx-dev libcsv-dev
  python3 python3-dbfread python3-dbf python3-openpyxl libdbd-xbase-perl
  xvfb xauth
  clang libclang-rt-14-dev
  help2man bash-completion desktop-file-utils appstream lintian dpkg-dev
  xdotool imagemagick
  cups printer-driver-cups-pdf poppler-utils
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
