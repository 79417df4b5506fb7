#!/usr/bin/env bash
# End-to-end scenarios: Marvesk.exe started, typed into and closed as a user does (see driver.sh).
#
#   bash tests/e2e/scenarios.sh [--marvesk EXE] [--probe EXE] [--artifacts DIR] [SCENARIO...]
#
# Without scenario names every scenario runs. CTest runs each one as a test of its own
# (e2e.SCENARIO) in the test run's display; by hand, without a DISPLAY, the scripts start a bench
# of their own.
set -uo pipefail

while [ $# -gt 0 ]; do
  case $1 in
    --marvesk) export MARVESK_EXE=$2; shift 2 ;;
    --probe) export WINDOWPROBE=$2; shift 2 ;;
    --artifacts) export E2E_ARTIFACTS=$2; shift 2 ;;
    --) shift; break ;;
    -*) echo "unknown option: $1" >&2; exit 2 ;;
    *) break ;;
  esac
done

# shellcheck source=tests/e2e/driver.sh
source "$(dirname "$0")/driver.sh"

# CMD.EXE as the child: banner and prompt, then a command sent with each modifier of Enter.
# Plain Enter only breaks the line: a command typed before it must never reach CMD.
scenario_no_arguments() {
  e2e_start
  e2e_wait "CMD's prompt" e2e_output_ends_with_prompt
  e2e_output_has '^Microsoft Windows' || e2e_fail "CMD's banner is missing"
  e2e_wait "the command pane is editable" e2e_editable 0

  # CMD does not repeat a command read from a pipe: "hello" follows the prompt.
  local hello="(^|>)hello\$" count=0 modifier
  for modifier in shift ctrl alt; do
    e2e_type_command 'echo hello'
    e2e_key "$modifier+Return"
    count=$((count + 1))
    e2e_wait "hello number $count, sent with $modifier+Enter" e2e_output_has_count "$hello" "$count"
    e2e_wait "the prompt after $modifier+Enter" e2e_output_ends_with_prompt
  done

  # Alt+Enter leaves the caret at the end of its line; plain Enter starts the next one. The
  # command typed then is followed by plain Enter, and the next command, sent with Shift+Enter,
  # proves by its arrival that nothing was sent before it.
  e2e_key Return
  e2e_type_command 'echo plain'
  e2e_key Return
  e2e_type_command 'echo sentinel'
  e2e_key shift+Return
  e2e_wait "the output of the command sent after plain Enter" e2e_output_has '(^|>)sentinel$'
  if e2e_output_has '(^|>)plain$'; then e2e_fail "plain Enter sent a command"; fi
  e2e_output_has_count "$hello" 3 || e2e_fail "hello shows $(e2e_output_count "$hello") times, not 3"

  local commands
  commands=$(e2e_pane 0)
  [[ $commands == *$'echo plain\necho sentinel'* ]] ||
    e2e_fail "the command pane does not hold the plain-Enter line break: $commands"
  e2e_close
}

# -echo: the command stands on its own line below the prompt, before CMD's answer.
scenario_echo() {
  e2e_start -echo
  e2e_wait "CMD's prompt" e2e_output_ends_with_prompt
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_type_command 'echo hello'
  e2e_key shift+Return
  e2e_wait "CMD's answer to the echoed command" e2e_output_has '(^|>)hello$'
  e2e_wait "the prompt after the command" e2e_output_ends_with_prompt

  local output
  output=$(e2e_pane 1)
  grep -qzP "(^|\n)${E2E_PROMPT}\necho hello\n" <<<"$output" ||
    e2e_fail "the command is not on its own line below the prompt"
  [ "$(grep -c '^echo hello$' <<<"$output")" = 1 ] || e2e_fail "the command is not echoed exactly once"
  e2e_close
}

# A child that ends by itself: its output stays, both panes lock and the caption says so.
scenario_child_ends() {
  e2e_new_work_folder
  : >"$e2e_work/e2e-listing-marker.txt"
  e2e_start -- cmd /c dir
  e2e_wait "dir's listing with the marker file" e2e_output_has 'e2e-listing-marker\.txt'
  e2e_wait "the command pane is read-only" e2e_read_only 0
  e2e_wait "the output pane is read-only" e2e_read_only 1
  e2e_wait "the caption marks the end" e2e_caption_is " Marvesk: cmd /c dir (terminated)"
  e2e_output_has 'Directory of' || e2e_fail "dir's heading is missing"
  e2e_close
}

e2e_caption_is() { [ "$(e2e_caption)" = "$1" ]; }

# A child that cannot start: the box names the system's message and the command, and the
# program closes once the box is dismissed.
scenario_child_cannot_start() {
  e2e_start -- no_such_program.exe
  e2e_wait "the error box" e2e_dialog_shown
  local caption message box
  caption=$(e2e_caption)
  [[ $caption == " Marvesk: "?* ]] || e2e_fail "the caption holds no system message: $caption"
  message=${caption#" Marvesk: "}
  box=$(e2e_dialog)
  [[ $box == " Marvesk"$'\n----\n'* ]] || e2e_fail "the box's title is not \" Marvesk\": $box"
  [[ $box == *$'\n'"$message"$'\n\nCommand: no_such_program.exe\n----'* ]] ||
    e2e_fail "the box does not say \"$message\", an empty line and the command: $box"
  e2e_read_only 0 && e2e_read_only 1 || e2e_fail "the panes are not read-only"
  e2e_key Return
  e2e_expect_exit "the error box was dismissed with Enter"
}

e2e_dialog_shown() { e2e_dialog >/dev/null; }

all_scenarios=(no_arguments echo child_ends child_cannot_start)
if [ $# -eq 0 ]; then set -- "${all_scenarios[@]}"; fi
for name in "$@"; do
  if ! declare -F "scenario_$name" >/dev/null; then
    echo "unknown scenario: $name (known: ${all_scenarios[*]})" >&2
    exit 2
  fi
done

trap 'e2e_abandon; e2e_bench_down' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
e2e_bench_up || exit 1
for name in "$@"; do e2e_run "$name"; done
