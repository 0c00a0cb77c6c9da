#!/usr/bin/env bash
# Installs what Carbonel needs to build, test and run on Debian. Safe to run again.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libgtest-dev libbenchmark-dev
  libwmf-bin giflib-tools libgif-dev
  xvfb xauth time bc xdg-utils fonts-dejavu-core fonts-urw-base35
  fonts-liberation2 clang libclang-rt-dev libomp-dev
  libpng-dev qt6-image-formats-plugins appstream desktop-file-utils man-db
  libpotrace-dev libcairo2-dev librsvg2-bin poppler-utils libxml2-utils parallel
  libwebp-dev libavcodec-dev libavformat-dev libswscale-dev libavutil-dev libswresample-dev
  ffmpeg webp
  libtiff-dev libheif-dev libheif-examples lintian python3-pil
  openbox xdotool xclip x11-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
