#!/usr/bin/env bash
# Installs the Debian packages helixcavern needs to build, run, test and package; installs only what is missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  qt6-base-dev libqt6opengl6-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev libxext-dev libxss-dev
  fonts-ipafont-gothic qt6-translations-l10n
  xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick
  xscreensaver xsecurelock dpkg-dev file
  libxml2-utils desktop-file-utils
  build-essential debhelper lintian autopkgtest
  libwayland-dev libwayland-bin libegl-dev wayland-protocols pkgconf
  sway swaybg grim wtype swayidle
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
