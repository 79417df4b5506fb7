#!/usr/bin/env bash
# Installs what building and testing Marvesk needs on Debian 12: the mingw-w64 cross compiler,
# clang and LLVM's linker (the second build, tools/build.sh --clang), CMake and Ninja, Wine with its
# preloader, an X server without a screen and its tools, ImageMagick, procps (the end-to-end
# scenarios find the test child's process id with pgrep) and GoogleTest's sources. Does
# nothing when everything is there already.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix
  clang
  lld
  cmake
  ninja-build
  wine
  wine64
  wine64-preloader
  xvfb
  xdotool
  x11-utils
  imagemagick
  procps
  googletest
  fonts-liberation
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "All build and test packages are installed."
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
