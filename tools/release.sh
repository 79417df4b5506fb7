#!/usr/bin/env bash
# Installs what is missing, builds Marvesk.exe in Release from a clean build folder
# (build-release/, or $RELEASE_BUILD_DIR) with the mingw-w64 cross compiler, and packs it with
# tools/pack-release.sh into dist/: Marvesk-VERSION-win64.zip and its SHA-256 beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="${RELEASE_BUILD_DIR:-$root/build-release}"

bash "$root/tools/setup-debian.sh"
rm -rf "$build_dir"
cmake -S "$root" -B "$build_dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DMARVESK_TESTS=OFF
cmake --build "$build_dir" --parallel "$(nproc)"
archive=$(bash "$root/tools/pack-release.sh" "$build_dir/Marvesk.exe" "$root/dist")
echo "Archive: $archive"
echo "SHA-256: $(cat "$archive.sha256")"
