#!/usr/bin/env bash
# Runs every test of an existing build under Wine: an X server of its own, a warmed persistent
# wineserver, then ctest. Both are stopped at the end, also when tests fail or the run is
# interrupted. Arguments go to ctest (e.g. -R 'ui\.' or --repeat until-fail:5). Exits with
# ctest's code.
set -uo pipefail
# shellcheck source=tools/wine-env.sh
source "$(dirname "$0")/wine-env.sh"

trap marvesk_stop_bench EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

marvesk_start_xvfb || exit 1
marvesk_start_wineserver

cd "$BUILD_DIR" || exit 1
ctest --output-on-failure -j2 "$@" </dev/null
exit $?
