#!/usr/bin/env bash
# Installs what is missing, builds, and starts Marvesk under Wine; arguments go to Marvesk.
#
# With a DISPLAY, Marvesk runs there until its window is closed. Without one, it runs in an X
# server of its own: the script waits until CMD's prompt shows in the output pane, saves a
# screenshot (its path is printed; set MARVESK_SCREENSHOT to choose it) and closes Marvesk.
set -euo pipefail
tools=$(cd "$(dirname "$0")" && pwd)
bash "$tools/setup-debian.sh"
bash "$tools/build.sh"
# shellcheck source=tools/wine-env.sh
source "$tools/wine-env.sh"
exe="$BUILD_DIR/Marvesk.exe"

if [ -n "${DISPLAY:-}" ]; then
  marvesk_configure_prefix
  exec wine64 "$exe" "$@" </dev/null
fi

trap marvesk_stop_bench EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
marvesk_start_xvfb
marvesk_start_wineserver

probe="$BUILD_DIR/tests/bin/windowprobe.exe"
screenshot="${MARVESK_SCREENSHOT:-$BUILD_DIR/marvesk-screenshot.png}"
log="$BUILD_DIR/marvesk-run.log"

wine64 "$exe" "$@" </dev/null >"$log" 2>&1 &
marvesk_pid=$!

# The prompt is a line like "Z:\work\marvesk>" at the end of the output pane.
prompt_seen=
for ((i = 0; i < 120; i++)); do
  if text=$(wine64 "$probe" text Marvesk </dev/null 2>/dev/null) &&
    grep -qE '^[A-Za-z]:\\[^>]*>[[:space:]]*$' <<<"${text//$'\r'/}"; then
    prompt_seen=yes
    break
  fi
  if ! kill -0 "$marvesk_pid" 2>/dev/null; then break; fi
  sleep 0.5
done
sleep 1  # the last output may still be painting

import -window root "$screenshot"
echo "Screenshot: $screenshot"

wine64 "$probe" close Marvesk </dev/null >/dev/null 2>&1 || true
for ((i = 0; i < 50; i++)); do
  if ! kill -0 "$marvesk_pid" 2>/dev/null; then break; fi
  sleep 0.2
done

if [ -z "$prompt_seen" ]; then
  echo "CMD's prompt did not show in Marvesk's window within a minute (Wine's output: $log)" >&2
  exit 1
fi
echo "Marvesk showed CMD's prompt and was closed."
