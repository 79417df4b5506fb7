# shellcheck shell=bash
# Sourced by the end-to-end scenarios: drives the built Marvesk.exe under Wine as a user does.
#
# Keys go through the X display with real key events (xdotool), so Shift, Ctrl and Alt are held
# as a user holds them; nothing is posted into Marvesk's windows. What the window shows is read
# from outside with windowprobe.exe, a program started under the same wineserver.
#
# Settings (environment, or the options of scenarios.sh):
#   MARVESK_EXE     the program; $BUILD_DIR/Marvesk.exe unless set
#   WINDOWPROBE     windowprobe.exe; $BUILD_DIR/tests/bin/windowprobe.exe unless set
#   E2E_ARTIFACTS   where scratch folders, Wine's output and screenshots of failures go;
#                   $BUILD_DIR/tests/e2e unless set
#
# With a DISPLAY (the test run's Xvfb, with its wineserver running) the scenarios use it; without
# one they start a bench of their own and stop it at the end.

e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=tools/wine-env.sh
source "$e2e_root/tools/wine-env.sh"

MARVESK_EXE="${MARVESK_EXE:-$BUILD_DIR/Marvesk.exe}"
WINDOWPROBE="${WINDOWPROBE:-$BUILD_DIR/tests/bin/windowprobe.exe}"
E2E_TESTCHILD="${E2E_TESTCHILD:-$(dirname "$WINDOWPROBE")/testchild.exe}"
E2E_ARTIFACTS="${E2E_ARTIFACTS:-$BUILD_DIR/tests/e2e}"

# Every window of Marvesk has the product name in its caption.
E2E_TITLE=Marvesk
# Bounds of the waits, in seconds: generous, because a loaded machine makes Wine slow, and a
# condition that holds ends its wait at once.
E2E_START_BOUND=60
E2E_WAIT_BOUND=30
E2E_EXIT_BOUND=10

e2e_scenario=
e2e_marvesk_pid=
# The process that owns Marvesk's X windows, where it is not the one started (e2e_start_raw).
e2e_window_pid=
e2e_own_bench=
e2e_work=

e2e_log() { printf '[%s] %s\n' "${e2e_scenario:-e2e}" "$*"; }

# Starts the bench unless the caller's display and wineserver are there to use.
e2e_bench_up() {
  mkdir -p "$E2E_ARTIFACTS"
  if [ -z "${DISPLAY:-}" ]; then
    e2e_own_bench=yes
    marvesk_start_xvfb || return 1
    marvesk_start_wineserver
  fi
}

e2e_bench_down() {
  if [ -n "$e2e_own_bench" ]; then marvesk_stop_bench; fi
}

# Runs windowprobe with a verb on Marvesk's main window; its output with CR LF made LF (by tr:
# bash's own replacement takes time that grows with the square of a pane of megabytes).
e2e_probe() {
  timeout 30 wine64 "$WINDOWPROBE" "$1" "$E2E_TITLE" "${@:2}" </dev/null 2>/dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

e2e_caption() { e2e_probe caption; }
# Pane 0 is the command pane, pane 1 the output pane.
e2e_pane() { e2e_probe pane "$1"; }
e2e_read_only() { [ "$(e2e_probe readonly "$1")" = read-only ]; }
e2e_editable() { [ "$(e2e_probe readonly "$1")" = editable ]; }
e2e_window_shown() { e2e_probe caption >/dev/null; }
e2e_dialog() { e2e_probe dialog; }
e2e_caption_is() { [ "$(e2e_caption)" = "$1" ]; }
e2e_dialog_shown() { e2e_dialog >/dev/null; }
e2e_no_dialog() { ! e2e_dialog >/dev/null; }
e2e_dialog_has() { [[ $(e2e_dialog) == *"$1"* ]]; }
# e2e_selection_is N "START END": the selection of pane N.
e2e_selection_is() { [ "$(e2e_probe selection "$1")" = "$2" ]; }
e2e_menu_is() { [ "$(e2e_probe menu)" = "$1" ]; }

e2e_marvesk_running() { [ -n "$e2e_marvesk_pid" ] && kill -0 "$e2e_marvesk_pid" 2>/dev/null; }

# Saves a screenshot of the display, ends Marvesk and the scenario with a failure.
e2e_fail() {
  local shot
  shot="$E2E_ARTIFACTS/$e2e_scenario-failure.png"
  echo "FAILED [$e2e_scenario]: $*" >&2
  if import -window root "$shot" 2>/dev/null; then
    echo "Screenshot: $shot" >&2
  else
    echo "No screenshot could be saved" >&2
  fi
  if e2e_marvesk_running; then
    echo "Caption: $(e2e_caption)" >&2
    echo "Output pane (its end):" >&2
    e2e_pane 1 | tail -n 20 | tail -c 4000 >&2
    echo >&2
  fi
  echo "Wine's output: $E2E_ARTIFACTS/$e2e_scenario-wine.log" >&2
  e2e_abandon
  exit 1
}

# Ends a Marvesk that is still running after a failure: first as a window close (so it ends its
# child), then by force.
e2e_abandon() {
  e2e_marvesk_running || return 0
  e2e_probe close >/dev/null
  local i
  for ((i = 0; i < 25; i++)); do
    e2e_marvesk_running || return 0
    sleep 0.2
  done
  kill -KILL "$e2e_marvesk_pid" 2>/dev/null
}

# e2e_wait WHAT COMMAND...: polls COMMAND until it succeeds; fails the scenario with WHAT when it
# does not within the bound (E2E_BOUND overrides it), or when Marvesk ends meanwhile.
e2e_wait() {
  local what=$1
  shift
  local bound=${E2E_BOUND:-$E2E_WAIT_BOUND}
  local deadline=$((SECONDS + bound))
  while :; do
    if "$@"; then return 0; fi
    if [ -n "$e2e_marvesk_pid" ] && ! e2e_marvesk_running; then
      e2e_marvesk_pid=
      e2e_fail "Marvesk ended while waiting for: $what"
    fi
    if ((SECONDS >= deadline)); then e2e_fail "not within ${bound} s: $what"; fi
    sleep 0.2
  done
}

# e2e_poll COMMAND...: like e2e_wait, but answers whether COMMAND succeeded within the bound
# instead of failing the scenario.
e2e_poll() {
  local deadline=$((SECONDS + ${E2E_BOUND:-$E2E_WAIT_BOUND}))
  while :; do
    if "$@"; then return 0; fi
    if ((SECONDS >= deadline)); then return 1; fi
    sleep 0.1
  done
}

# Makes the scenario's scratch folder anew: Marvesk's and so the child's current directory.
e2e_new_work_folder() {
  e2e_work="$E2E_ARTIFACTS/$e2e_scenario-work"
  rm -rf "$e2e_work"
  mkdir -p "$e2e_work"
}

# e2e_start ARGUMENTS...: starts Marvesk with these arguments in the scratch folder (made now
# unless the scenario made it) and waits until its window shows.
e2e_start() {
  if [ -z "$e2e_work" ]; then e2e_new_work_folder; fi
  local log="$E2E_ARTIFACTS/$e2e_scenario-wine.log"
  local shown="$*"
  if ((${#shown} > 200)); then shown="${shown:0:200}... (${#shown} characters)"; fi
  e2e_log "start: Marvesk.exe $shown"
  (cd "$e2e_work" && exec wine64 "$MARVESK_EXE" "$@" </dev/null >"$log" 2>&1) &
  e2e_marvesk_pid=$!
  e2e_window_pid=
  E2E_BOUND=$E2E_START_BOUND e2e_wait "Marvesk's window (or a box of it) shows" e2e_window_or_box_shown
}

e2e_window_or_box_shown() { e2e_window_shown || e2e_dialog_shown; }

# e2e_start_raw REST: starts Marvesk in the scratch folder the way a console program starts a
# program (through "windowprobe run", whose console Wine then hands to Marvesk), with REST as the
# rest of its command line exactly as written. (Started from a Unix command line, Wine quotes
# every argument that holds a blank or a quote, and escapes its quotes.)
e2e_start_raw() {
  if [ -z "$e2e_work" ]; then e2e_new_work_folder; fi
  local log="$E2E_ARTIFACTS/$e2e_scenario-wine.log" line
  line="\"$(e2e_windows_path "$MARVESK_EXE")\" $1"
  e2e_log "start from a console program: $line"
  (cd "$e2e_work" && exec wine64 "$WINDOWPROBE" run "$(e2e_hex "$line")" </dev/null >"$log" 2>&1) &
  e2e_marvesk_pid=$!
  E2E_BOUND=$E2E_START_BOUND e2e_wait "Marvesk's window (or a box of it) shows" e2e_window_or_box_shown
  # The windows belong to Marvesk's own process, not to the one that started it.
  e2e_wait "Marvesk's X window" e2e_find_window_pid
}

e2e_find_window_pid() {
  e2e_window_pid=$(xdotool search --name "$E2E_TITLE" getwindowpid %1 2>/dev/null)
  [ -n "$e2e_window_pid" ]
}

# e2e_hex TEXT: the hexadecimal digits of the text's UTF-8 bytes.
e2e_hex() { printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n'; }

# The X input focus is in a window of Marvesk's process (the main window or one of its dialogs):
# keys typed now reach it and nothing else. Wine gives its X windows the process's id.
e2e_has_focus() {
  [ "$(xdotool getwindowfocus getwindowpid 2>/dev/null)" = "${e2e_window_pid:-$e2e_marvesk_pid}" ]
}

# Wine's foreground window, which keys go to, has this caption. (The X input focus is no sign:
# without a window manager it may stay on the main window's X window while Wine activates a
# dialog.)
e2e_foreground_is() { [ "$(e2e_probe foreground)" = "$1" ]; }

# e2e_expect_dialog CAPTION: a dialog box of Marvesk with this caption shows and has the X input
# focus. Keys typed the moment a dialog shows can still reach the window under it.
e2e_expect_dialog() {
  e2e_wait "the dialog \"$1\"" e2e_dialog_has "$1"$'\n----'
  e2e_wait "the dialog \"$1\" is the foreground window" e2e_foreground_is "$1"
}

# e2e_expect_main_focus: no dialog shows any more and the main window has the X input focus again.
e2e_expect_main_focus() {
  e2e_wait "the dialog closes" e2e_no_dialog
  e2e_wait "the main window is the foreground window" e2e_main_has_focus
}

e2e_main_has_focus() { [ "$(e2e_probe foreground)" = "$(e2e_caption)" ]; }

e2e_expect_focus() { e2e_wait "Marvesk has the keyboard focus" e2e_has_focus; }

# e2e_type TEXT: types TEXT key by key.
e2e_type() {
  e2e_expect_focus
  xdotool type --delay 25 -- "$1" || e2e_fail "xdotool could not type: $1"
}

# e2e_type_unicode TEXT: types TEXT one character per xdotool run, each checked in the command
# pane before the next. xdotool lends a spare key code to a character the keyboard map lacks, and
# Wine now and then misses the first key after such a change (seen: "é" of "é € Ж 中 😀" lost in
# two runs out of three), so a character that does not show is typed once more.
e2e_type_unicode() {
  local text=$1 i typed=
  for ((i = 0; i < ${#text}; i++)); do
    local char=${text:i:1} try
    typed+=$char
    for try in 1 2 3; do
      e2e_expect_focus
      xdotool type --delay 60 -- "$char" || e2e_fail "xdotool could not type: $char"
      if E2E_BOUND=2 e2e_poll e2e_pane_ends_with 0 "$typed"; then continue 2; fi
      e2e_log "typed \"$char\" once more"
    done
    e2e_fail "the command pane does not show the typed \"$typed\""
  done
}

e2e_pane_ends_with() { [[ $(e2e_pane "$1") == *"$2" ]]; }

# e2e_type_command TEXT: types TEXT into the command pane and waits until the pane shows it, so
# that a key that went astray shows here and not as a wrong answer later.
e2e_type_command() {
  e2e_type "$1"
  e2e_wait "the command pane shows the typed \"$1\"" e2e_pane_ends_with 0 "$1"
}

# e2e_key KEY...: presses each key combination (xdotool's names: shift+Return, alt+F4).
e2e_key() {
  e2e_expect_focus
  xdotool key --delay 25 -- "$@" || e2e_fail "xdotool could not press: $*"
}

# e2e_expect_exit WHAT: Marvesk's process ends within the bound.
e2e_expect_exit() {
  local deadline=$((SECONDS + E2E_EXIT_BOUND))
  while e2e_marvesk_running; do
    if ((SECONDS >= deadline)); then e2e_fail "Marvesk still runs ${E2E_EXIT_BOUND} s after $1"; fi
    sleep 0.1
  done
  wait "$e2e_marvesk_pid" 2>/dev/null
  e2e_marvesk_pid=
  e2e_log "Marvesk ended after $1"
}

# Closes the main window with Alt+F4 and checks that the process ends.
e2e_close() {
  e2e_key alt+F4
  e2e_expect_exit "Alt+F4"
}

# e2e_windows_path PATH: the path as Wine's programs name it.
e2e_windows_path() { winepath -w "$1" 2>/dev/null; }

# e2e_load FILE: loads FILE (a name in the scratch folder) into the focused pane through File >
# Load, typing the file's full name into the file dialog.
e2e_load() {
  e2e_key alt+f l
  e2e_expect_dialog " Load"
  e2e_type "$(e2e_windows_path "$e2e_work/$1")"
  e2e_key Return
  e2e_expect_main_focus
}

# --- Conditions on what the output pane shows --------------------------------------------------

# A line like "Z:\tmp\x>" and nothing after it: CMD waits for a command.
E2E_PROMPT='[A-Za-z]:\\[^>]*>'

e2e_output_ends_with_prompt() {
  local text
  text=$(e2e_pane 1) && [[ $(tail -n 1 <<<"$text") =~ ^${E2E_PROMPT}$ ]]
}

# e2e_output_count REGEX: how many lines of the output pane match the extended REGEX.
e2e_output_count() { e2e_pane 1 | grep -cE -- "$1"; }

# e2e_output_has_count REGEX N: exactly N lines match.
e2e_output_has_count() { [ "$(e2e_output_count "$1")" = "$2" ]; }

# e2e_output_has REGEX: some line matches.
e2e_output_has() { e2e_pane 1 | grep -qE -- "$1"; }

# --- Running scenarios --------------------------------------------------------------------------

# e2e_run NAME: runs the function scenario_NAME with the bench up, times it and reports.
e2e_run() {
  e2e_scenario=$1
  e2e_work=
  local started=$SECONDS
  e2e_log "begin"
  "scenario_$1"
  if e2e_marvesk_running; then e2e_fail "the scenario left Marvesk running"; fi
  e2e_log "passed in $((SECONDS - started)) s"
}
