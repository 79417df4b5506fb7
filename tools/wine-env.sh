# shellcheck shell=bash
# Sourced by the other scripts: the environment Marvesk's Wine bench runs in, and the functions
# that start and stop the bench's X server and wineserver.
#
#   WINEPREFIX   the Wine prefix; $HOME/.cache/marvesk-wine unless already set. Created with
#                wineboot on first use.
#   BUILD_DIR    the build directory; build/ in the work tree unless already set.

# Wine must start through its preloader (Debian's wine64-preloader): it keeps Wine's fixed
# addresses free before anything else is placed. Without it, about one start in several thousand
# found the loader's heap on the page of the shared user data and died before the program ran.
if [ ! -x /usr/lib/wine/wine64-preloader ]; then
  echo "wine64-preloader is missing: run tools/setup-debian.sh" >&2
fi

MARVESK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export MARVESK_ROOT
export BUILD_DIR="${BUILD_DIR:-$MARVESK_ROOT/build}"

export PATH="/usr/lib/wine:$PATH"
export WINEPREFIX="${WINEPREFIX:-${HOME:-/tmp}/.cache/marvesk-wine}"
export WINEARCH=win64
export WINEDEBUG=-all
# No .NET and no Gecko: the prefix is made without their installer dialogs.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine takes its code pages from the locale: C.UTF-8 gives ANSI 1252 and OEM 437, which the
# tests' expected texts assume.
export LC_ALL=C.UTF-8
unset LANG LANGUAGE

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix $WINEPREFIX ..."
  mkdir -p "$WINEPREFIX"
  wine64 wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
fi

MARVESK_XVFB_PID=

# Starts an X server of its own on a free display and points DISPLAY at it.
marvesk_start_xvfb() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" </dev/null >/dev/null 2>&1 &
  MARVESK_XVFB_PID=$!
  local i
  for ((i = 0; i < 100; i++)); do
    if [ -s "$fdfile" ]; then break; fi
    if ! kill -0 "$MARVESK_XVFB_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then
    rm -f "$fdfile"
    echo "Xvfb did not start" >&2
    return 1
  fi
  DISPLAY=":$(tr -d '[:space:]' <"$fdfile")"
  export DISPLAY
  rm -f "$fdfile"
}

# Starts a persistent wineserver for the prefix and warms it: the first Wine program starts
# Wine's own services, and they must not inherit anybody's pipes (a test runner waiting for the
# end of a test's output would wait for them forever).
marvesk_start_wineserver() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
  wine64 cmd /c exit </dev/null >/dev/null 2>&1
  marvesk_configure_prefix
}

# Settings of the prefix, made on every start so that an older prefix gets them too:
# - a program that crashes writes Wine's backtrace and ends, instead of opening the crash dialog,
#   which nobody would close;
# - "Courier New", the panes' font, which Wine lacks, is drawn with its metric twin Liberation
#   Mono (fonts-liberation) instead of a proportional font;
# - windows are not left to a window manager: the bench's X server has none, and Wine would
#   wait two seconds for one each time a shown window is hidden or destroyed.
marvesk_configure_prefix() {
  wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
  wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono' /f \
    </dev/null >/dev/null 2>&1
}

# Stops what the two functions above started; safe to call more than once.
marvesk_stop_bench() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$MARVESK_XVFB_PID" ]; then
    kill "$MARVESK_XVFB_PID" 2>/dev/null || true
    wait "$MARVESK_XVFB_PID" 2>/dev/null || true
    MARVESK_XVFB_PID=
  fi
}
