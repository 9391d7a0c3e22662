#!/usr/bin/env bash
# Installs every Debian package the editor, its tests, its benchmarks and its
# fuzz targets (clang 14 with its sanitizer and libFuzzer runtimes) need,
# skipping those already present. Runs as root, or through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev
  libavcodec-dev libavformat-dev libavutil-dev libswresample-dev
  libpulse-dev pulseaudio pulseaudio-utils
  xvfb xdotool xclip x11-utils imagemagick
  desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl poppler-utils
  sox libsox-fmt-all ffmpeg
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
