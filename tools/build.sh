#!/usr/bin/env bash
# Cross-builds Marvesk.exe, the tests and the test child for 64-bit Windows into build/ (or
# $BUILD_DIR), with GoogleTest built from Debian's sources.
#
# With --clang the same with clang instead of GCC (cmake/clang-mingw-w64-x86_64.cmake) into
# build-clang/ (or $CLANG_BUILD_DIR): what only one of the compilers accepts fails there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir="${BUILD_DIR:-$root/build}"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
if [ "${1:-}" = --clang ]; then
  build_dir="${CLANG_BUILD_DIR:-$root/build-clang}"
  toolchain="$root/cmake/clang-mingw-w64-x86_64.cmake"
fi

configure=(-S "$root" -B "$build_dir")
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  configure+=(-G Ninja
    -DCMAKE_TOOLCHAIN_FILE="$toolchain"
    -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-Release}"
    -DGTEST_SOURCE_DIR=/usr/src/googletest)
fi
cmake "${configure[@]}"
cmake --build "$build_dir" --parallel "$(nproc)"
