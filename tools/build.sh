#!/usr/bin/env bash
# Cross-builds Marvesk.exe, the tests and the test child for 64-bit Windows into build/ (or
# $BUILD_DIR), with GoogleTest built from Debian's sources.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="${BUILD_DIR:-$root/build}"

configure=(-S "$root" -B "$build_dir")
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  configure+=(-G Ninja
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
    -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-Release}"
    -DGTEST_SOURCE_DIR=/usr/src/googletest)
fi
cmake "${configure[@]}"
cmake --build "$build_dir" --parallel "$(nproc)"
