#!/usr/bin/env bash
# Runs the benchmarks of an existing build under Wine, in an X server of its own, and prints
# their figures. Not part of the test run: figures vary with the machine.
set -uo pipefail
# shellcheck source=tools/wine-env.sh
source "$(dirname "$0")/wine-env.sh"

trap marvesk_stop_bench EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

marvesk_start_xvfb || exit 1
marvesk_start_wineserver

for bench in "$BUILD_DIR"/tests/bin/*_bench.exe; do
  echo "== $(basename "$bench" .exe)"
  wine64 "$bench" </dev/null
done
