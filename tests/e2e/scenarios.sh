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
  # A cmd.exe of its own in the current folder: the system's CMD.EXE starts all the same.
  e2e_new_work_folder
  cp "$E2E_TESTCHILD" "$e2e_work/cmd.exe"
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

# --- Encodings ----------------------------------------------------------------------------------

# The line each encoding round-trips: sent in the input encoding, copied back byte for byte by the
# test child and read in the same output encoding.
E2E_WORLD_LINE='é € Ж 中 😀'

# What of that line each encoding carries. ANSI is code page 1252 and OEM is 437 on the bench: the
# first has é and €, the second only é.
e2e_world_line_in() {
  case $1 in
    UTF8 | UTF16LE | UTF16BE) printf '%s' "$E2E_WORLD_LINE" ;;
    ANSI) printf '%s' 'é €' ;;
    OEM) printf '%s' 'é' ;;
  esac
}

# Keys that pick an encoding in the options dialog: one list for the input, one for the output.
# UTF16BE has no access key of its own: it is the radio button below UTF16LE.
e2e_options_keys() {
  local direction=$1 encoding=$2
  case $direction:$encoding in
    input:UTF8) echo alt+8 ;;
    input:UTF16LE) echo alt+u ;;
    input:UTF16BE) echo alt+u Down ;;
    input:ANSI) echo alt+a ;;
    input:OEM) echo alt+o ;;
    output:UTF8) echo alt+t ;;
    output:UTF16LE) echo alt+n ;;
    output:UTF16BE) echo alt+n Down ;;
    output:ANSI) echo alt+s ;;
    output:OEM) echo alt+m ;;
  esac
}

# Sets both encodings in the options dialog, opened from the Tools menu and closed with Enter.
e2e_set_encodings() {
  e2e_key alt+t o
  e2e_expect_dialog " Options"
  # shellcheck disable=SC2046
  e2e_key $(e2e_options_keys input "$1") $(e2e_options_keys output "$1") Return
  e2e_expect_main_focus
}

# Sends the world line from the command pane and waits for the child's copy of it. A code page
# that lacks characters of it refuses to send it (a box says so, and the line stays in the pane);
# then what the code page has of it goes, and nothing else arrives.
e2e_round_trip() {
  local encoding=$1 expected
  expected=$(e2e_world_line_in "$encoding")
  e2e_type_unicode "$E2E_WORLD_LINE"
  if [ "$expected" != "$E2E_WORLD_LINE" ]; then
    e2e_key shift+Return
    e2e_box_says "$(e2e_refusal "$encoding")"
    [[ $(e2e_pane 0) == *"$E2E_WORLD_LINE"* ]] || e2e_fail "the refused line is not in the command pane"
    e2e_key ctrl+a
    e2e_type_unicode "$expected"
  fi
  e2e_key shift+Return
  e2e_wait "the world line back in $encoding" e2e_output_last_line_is "$expected"
  if e2e_output_has '\?'; then e2e_fail "a character was replaced on the way: $(e2e_pane 1)"; fi
  e2e_log "$encoding carried: $(e2e_pane 1 | tail -n 1)"
}

# e2e_refusal ENCODING: the box of a command that ANSI (1252 on the bench) or OEM (437) cannot carry.
e2e_refusal() {
  local codepage=437
  if [ "$1" = ANSI ]; then codepage=1252; fi
  printf '%s' "The command was not sent: the input encoding $1 (code page $codepage) cannot carry all of its"\
" characters."$'\n\n'"Under Tools > Options, the input encoding UTF8, UTF16LE or UTF16BE carries every character."
}

e2e_output_last_line_is() { [ "$(e2e_pane 1 | tail -n 1)" = "$1" ]; }

# Each encoding set on the command line, then the next one set in the options dialog with the
# session running; the test child copies back what it reads.
scenario_encodings() {
  local encodings=(UTF8 UTF16LE UTF16BE ANSI OEM) i first next
  for ((i = 0; i < ${#encodings[@]}; i++)); do
    first=${encodings[i]}
    next=${encodings[(i + 1) % ${#encodings[@]}]}
    e2e_start "-input:$first" "-output:$first" -- "$E2E_TESTCHILD" copy
    e2e_wait "the command pane is editable" e2e_editable 0
    e2e_round_trip "$first"
    e2e_set_encodings "$next"
    e2e_round_trip "$next"
    e2e_close
  done
}

# --- Modes --------------------------------------------------------------------------------------

# -dump shows a backspace and a form feed as they came; without it they act on the pane: the
# backspace takes back the "a", the form feed clears the pane.
scenario_dump() {
  local child=("$E2E_TESTCHILD" out:610862 out:0C630D0A out:646F6E650D0A sleep) expected option
  for option in -dump ""; do
    if [ -n "$option" ]; then expected=$'a\bb\fc\ndone'; else expected=$'c\ndone'; fi
    e2e_start $option -- "${child[@]}"
    e2e_wait "the child's last line" e2e_output_has '^done$'
    [ "$(e2e_pane 1)" = "$expected" ] ||
      e2e_fail "with \"$option\" the output pane shows $(e2e_pane 1 | od -c | head -n 3)"
    e2e_close
  done

  # A backspace takes back the whole of a character beyond the Basic Multilingual Plane.
  e2e_start -output:UTF8 -- "$E2E_TESTCHILD" out:61F09F988008 out:0D0A646F6E650D0A sleep
  e2e_wait "the child's last line" e2e_output_has '^done$'
  [ "$(e2e_pane 1)" = $'a\ndone' ] || e2e_fail "the emoji was not taken back whole: $(e2e_pane 1 | od -c | head -n 3)"
  e2e_close
}

# A progress display: with -cr each CR sends the line back to its start and the pane ends with the
# last update only, no tail of a longer one left; without it the updates run into one line. The
# log keeps every CR as it came either way. The CR LF that ends the display is cut between writes.
scenario_progress_lines() {
  e2e_new_work_folder
  local child=("$E2E_TESTCHILD" "out:$(e2e_hex $'\r  5% copying')" sleep:300
    "out:$(e2e_hex $'\r 50% copying a long name')" sleep:300 "out:$(e2e_hex $'\r100% done\r')" sleep:300
    "out:$(e2e_hex $'\nnext\r\n')" sleep)
  local option expected
  for option in -cr ""; do
    expected=$'  5% copying 50% copying a long name100% done\nnext'
    if [ -n "$option" ]; then expected=$'100% done\nnext'; fi
    e2e_start $option "-log:progress$option.log" -- "${child[@]}"
    e2e_wait "the child's last line" e2e_output_has '^next$'
    [ "$(e2e_pane 1)" = "$expected" ] ||
      e2e_fail "with \"$option\" the output pane shows $(e2e_pane 1 | od -c | head -n 5)"
    e2e_close
    cmp -s <(tail -n +2 "$e2e_work/progress$option.log") \
      <(printf '\r  5%% copying\r 50%% copying a long name\r100%% done\r\nnext\r\n') ||
      e2e_fail "with \"$option\" the log holds: $(cat -A "$e2e_work/progress$option.log")"
  done
}

# Colour: the pane holds the plain text (the looks are kept beside it), and -dump shows every
# sequence as the child wrote it. The first SGR is cut between two writes.
scenario_colours() {
  local first second expected option
  first=$(e2e_hex $'\e[31mred\e[0m \e[1;38;5')
  second=$(e2e_hex $';33mbold\e[0m\e]0;title\a\e[?25l\e[2K\r\ndone\r\n')
  for option in -dump ""; do
    if [ -n "$option" ]; then
      expected=$'\e[31mred\e[0m \e[1;38;5;33mbold\e[0m\e]0;title\a\e[?25l\e[2K\ndone'
    else
      expected=$'red bold\ndone'
    fi
    e2e_start $option -- "$E2E_TESTCHILD" "out:$first" sleep:200 "out:$second" sleep
    e2e_wait "the child's last line" e2e_output_has '^done$'
    [ "$(e2e_pane 1)" = "$expected" ] ||
      e2e_fail "with \"$option\" the output pane shows $(e2e_pane 1 | od -c | head -n 5)"
    if [ -z "$option" ]; then
      # The colours on the screen: red as the console's red, 256-colour 33 (a light blue, darkened
      # for contrast on the pane's white), and the plain word in the pane's black.
      e2e_wait "\"red\" drawn in red" e2e_drawn_in 0 'r > 150 && g < 60 && b < 80'
      e2e_wait "\"bold\" drawn in blue" e2e_drawn_in 4 'b > 120 && r < 40 && g > 40 && g < b'
      e2e_drawn_in 10 'r < 60 && g < 60 && b < 60' || e2e_fail "\"done\" is not drawn in black"
      e2e_drawn_in 10 'r > 150 && g < 60 && b < 80' && e2e_fail "\"done\" is drawn in red"
    fi
    e2e_close
  done
}

# e2e_drawn_in POSITION CONDITION: a pixel of the output pane's character at the position, and the
# two after it, meets the awk condition on r, g and b (read off a screenshot of the display).
e2e_drawn_in() {
  local point x y
  point=$(e2e_probe point 1 "$1") || return 1
  x=$((${point% *} - 2)) y=$((${point#* } - 4))
  import -window root -crop "24x14+$x+$y" -depth 8 txt:- 2>/dev/null |
    awk -F'[(),]' 'NR > 1 { r = $3; g = $4; b = $5; if ('"$2"') found = 1 } END { exit !found }'
}

# Windows' dark mode for apps set in the prefix: both panes show dark with light text, and the
# console's black, red, blue and bright black are lightened to read on it (see e2e_drawn_in). The
# screenshot stays among the artifacts.
scenario_dark_theme() {
  local line
  line=$(e2e_hex $'\e[30mblack\e[0m \e[31mred\e[0m \e[34mblue\e[0m \e[90mgrey\e[0m plain\r\ndone\r\n')
  e2e_apps_dark
  e2e_start -- "$E2E_TESTCHILD" "out:$line" echo
  e2e_wait "the child's last line" e2e_output_has '^done$'
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_type_command 'x'
  e2e_wait "the command pane's background is dark" e2e_all_in 0 0 40 'r < 60 && g < 60 && b < 60'
  e2e_wait "the output pane's background is dark" e2e_all_in 1 27 200 'r < 60 && g < 60 && b < 60'
  e2e_drawn_in 20 'r > 200 && g > 200 && b > 200' || e2e_fail "plain text is not drawn light"
  # Black and bright black become a grey that reads; red and blue keep their hue, lightened.
  local grey='r > 110 && g > 110 && r - b < 12 && b - r < 12'
  e2e_drawn_in 0 "$grey" || e2e_fail "black is not lightened to a grey"
  e2e_drawn_in 6 'r > 180 && g < 150 && r - g > 60' || e2e_fail "red is not drawn in a light red"
  e2e_drawn_in 10 'b > 200 && b - r > 60 && b > g' || e2e_fail "blue is not drawn in a light blue"
  e2e_drawn_in 15 "$grey" || e2e_fail "bright black is not lightened to a grey"
  import -window root "$E2E_ARTIFACTS/dark_theme.png" && e2e_log "screenshot: $E2E_ARTIFACTS/dark_theme.png"
  e2e_close
  e2e_apps_as_before
}

# Windows' setting for apps in the prefix: made dark, and put back as it was, also when the
# scenario fails.
E2E_PERSONALIZE='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'
e2e_apps_dark() {
  e2e_apps_before=$(wine64 reg query "$E2E_PERSONALIZE" /v AppsUseLightTheme </dev/null 2>/dev/null |
    awk '$1 == "AppsUseLightTheme" { print $3 }')
  trap 'e2e_abandon; e2e_apps_as_before; e2e_bench_down' EXIT
  wine64 reg add "$E2E_PERSONALIZE" /v AppsUseLightTheme /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 ||
    e2e_fail "the setting for apps cannot be made dark"
}
e2e_apps_as_before() {
  if [ -n "$e2e_apps_before" ]; then
    wine64 reg add "$E2E_PERSONALIZE" /v AppsUseLightTheme /t REG_DWORD /d "$((e2e_apps_before))" /f </dev/null
  else
    wine64 reg delete "$E2E_PERSONALIZE" /v AppsUseLightTheme /f </dev/null
  fi >/dev/null 2>&1
  trap 'e2e_abandon; e2e_bench_down' EXIT
}

# e2e_all_in PANE POSITION DX CONDITION: every pixel of a patch DX pixels right of where the
# pane's character at the position shows meets the awk condition on r, g and b.
e2e_all_in() {
  local point x y
  point=$(e2e_probe point "$1" "$2") || return 1
  x=$((${point% *} + $3)) y=$((${point#* } - 2))
  import -window root -crop "24x10+$x+$y" -depth 8 txt:- 2>/dev/null |
    awk -F'[(),]' 'NR > 1 { r = $3; g = $4; b = $5; if (!('"$4"')) bad = 1 } END { exit bad || NR < 2 }'
}

# -U2 starts CMD.EXE /U, whose UTF-16 output reads as text.
scenario_unicode2() {
  e2e_start -U2
  e2e_wait "the caption names the child" e2e_caption_is " Marvesk: CMD.EXE /U"
  e2e_wait "CMD's prompt" e2e_output_ends_with_prompt
  e2e_output_has '^Microsoft Windows' || e2e_fail "CMD's banner is missing"
  e2e_close
}

# --- Console control keys -----------------------------------------------------------------------

# Ctrl+Break and Ctrl+C reach a child that reports the console control events it gets. Marvesk is
# started by a console program here, so under Wine it starts with that program's console.
scenario_ctrl_break() {
  # "ready": the child's handler is in place.
  e2e_start_raw "-- \"$(e2e_windows_path "$E2E_TESTCHILD")\" ctrl out:72656164790D0A sleep"
  e2e_wait "the child is ready" e2e_output_has '^ready$'
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_key ctrl+Break
  e2e_wait "the child reports Ctrl+Break" e2e_output_has '^CTRL_(BREAK|C)_EVENT$'
  # Windows raises CTRL_BREAK_EVENT. Wine 8 cannot raise it for a console, and the program types
  # a Ctrl+C into the console instead: the child sees CTRL_C_EVENT.
  e2e_log "Ctrl+Break arrived as $(e2e_pane 1 | tail -n 1)"
  e2e_key ctrl+c
  e2e_wait "the child reports Ctrl+C" e2e_output_has_count '^CTRL_(BREAK|C)_EVENT$' 2
  [ "$(e2e_pane 1 | tail -n 1)" = CTRL_C_EVENT ] || e2e_fail "Ctrl+C arrived as $(e2e_pane 1 | tail -n 1)"
  e2e_close
}

e2e_output_lines() { e2e_pane 1 | wc -l; }

# Ctrl+C stops CMD's endless loop. Windows' CMD ends the loop, asks nothing when its input is a
# pipe, and reads the next command; Wine's CMD has no handler for Ctrl+C and ends with the loop.
scenario_ctrl_c() {
  e2e_start
  e2e_wait "CMD's prompt" e2e_output_ends_with_prompt
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_type_command 'for /L %i in (1,1,2000000000) do @echo %i'
  e2e_key shift+Return
  e2e_wait "the loop runs" e2e_output_has '^500$'
  e2e_key ctrl+c
  e2e_wait "the loop stops" e2e_output_stands_still
  if e2e_read_only 0; then
    e2e_wait "the caption marks the end" e2e_caption_is " Marvesk: CMD.EXE (terminated)"
    e2e_log "Ctrl+C ended CMD with its loop (Wine's CMD)"
  else
    e2e_type_command 'echo after'
    e2e_key shift+Return
    e2e_wait "the command after the loop" e2e_output_has '(^|>)after$'
    e2e_log "Ctrl+C stopped the loop and CMD read the next command"
  fi
  e2e_close
}

# The output pane's line count does not change within a second.
e2e_output_stands_still() {
  local before
  before=$(e2e_output_lines)
  sleep 1
  [ "$(e2e_output_lines)" = "$before" ]
}

# --- Find and go to -----------------------------------------------------------------------------

# e2e_find_next WHAT SELECTION: F3, and the match that it selects in the command pane.
e2e_find_next() {
  e2e_key F3
  E2E_BOUND=5 e2e_poll e2e_selection_is 0 "$2" ||
    e2e_fail "F3 does not select $1 ($2) but $(e2e_probe selection 0)"
}

# F3 past the last match: the box says so, Enter dismisses it and the selection stays.
e2e_find_past_end() {
  local selection
  selection=$(e2e_probe selection 0)
  e2e_key F3
  e2e_expect_dialog " Marvesk"
  [[ $(e2e_dialog) == *"Search string 'needle' not found"* ]] || e2e_fail "the box says: $(e2e_dialog)"
  e2e_key Return
  e2e_expect_main_focus
  e2e_selection_is 0 "$selection" || e2e_fail "the selection moved to $(e2e_probe selection 0)"
}

# Ctrl+F finds the first of three matches in the command pane, F3 the others and then says there
# are no more; the same backwards. Ctrl+G puts the caret on a line and column.
scenario_find_goto() {
  e2e_start -- "$E2E_TESTCHILD" sleep
  e2e_wait "the command pane is editable" e2e_editable 0
  # Plain Enter breaks the lines without sending them. With CR LF line breaks the matches are
  # at 4, 16 and 30.
  e2e_type_command $'one needle\ntwo needle\nthree needle'
  e2e_key ctrl+Home
  e2e_key ctrl+f
  e2e_expect_dialog " Find"
  e2e_type needle
  e2e_key Return
  e2e_expect_main_focus
  e2e_wait "Ctrl+F selects the first match" e2e_selection_is 0 "4 10"
  e2e_find_next "the second match" "16 22"
  e2e_find_next "the third match" "30 36"
  e2e_find_past_end

  e2e_key ctrl+f
  e2e_expect_dialog " Find"
  # With a match selected the dialog offers to search the selection: Global instead.
  e2e_key alt+b alt+g Return
  e2e_expect_main_focus
  # Find from the cursor, backwards, counts the selected match: it is selected again.
  e2e_wait "the backward search selects the third match again" e2e_selection_is 0 "30 36"
  e2e_find_next "the second match" "16 22"
  e2e_find_next "the first match" "4 10"
  e2e_find_past_end

  e2e_key ctrl+g
  e2e_expect_dialog "Go to Line/Column"
  e2e_type 3
  e2e_key Tab
  e2e_type 7
  e2e_key Return
  e2e_expect_main_focus
  e2e_wait "the caret on line 3, column 7" e2e_selection_is 0 "30 30"
  e2e_close
}

# What Alt+Enter and Shift+Enter send is where the caret and the selection are after Go to, Find
# Next and Select All moved them, and a wrapped line goes whole.
scenario_sent_command() {
  e2e_start -- "$E2E_TESTCHILD" echo
  e2e_wait "the command pane is editable" e2e_editable 0
  local commands=$'del *.tmp\nrem\ndir' modifier sent=0 wrapped=echo
  # Find once, so that F3 has something to find next.
  e2e_type_command "$commands"
  e2e_key ctrl+Home ctrl+f
  e2e_expect_dialog " Find"
  e2e_type dir
  e2e_key Return
  e2e_expect_main_focus
  for modifier in alt shift; do
    # Shift+Enter also breaks the line in the pane, so each step starts from the same text.
    e2e_key ctrl+a
    e2e_type_command "$commands"
    e2e_key ctrl+Home ctrl+g
    e2e_expect_dialog "Go to Line/Column"
    e2e_type 3
    e2e_key Return
    e2e_expect_main_focus
    e2e_key "$modifier+Return"
    sent=$((sent + 1))
    e2e_wait "$modifier+Enter after Go to sends line 3" e2e_output_has_count '^dir$' "$sent"

    e2e_key ctrl+a
    e2e_type_command "$commands"
    e2e_key ctrl+Home F3
    e2e_wait "Find Next selects the match" e2e_selection_is 0 "16 19"
    e2e_key "$modifier+Return"
    sent=$((sent + 1))
    e2e_wait "$modifier+Enter after Find Next sends the match" e2e_output_has_count '^dir$' "$sent"

    e2e_key ctrl+a
    e2e_type_command "$commands"
    e2e_key ctrl+Home ctrl+a "$modifier+Return"
    e2e_wait "$modifier+Enter after Select All sends the whole text" e2e_output_has_count '^del \*\.tmp rem dir$' \
      "$([ "$modifier" = alt ] && echo 1 || echo 2)"
  done
  [ "$(e2e_output_count '^del \*\.tmp$')" = 0 ] || e2e_fail "the line under the first caret was sent"

  # A command longer than the pane is wide, sent with the caret on its first row.
  while [ ${#wrapped} -lt 400 ]; do wrapped+=" word"; done
  e2e_key ctrl+a
  e2e_type "$wrapped"
  e2e_key alt+v
  e2e_key w
  e2e_key ctrl+Home alt+Return
  e2e_wait "the wrapped command arrives whole" e2e_output_has "^$wrapped\$"
  e2e_close
}

# --- Help, about and the menu -------------------------------------------------------------------

# F1 opens the help window; About names the version and the copyright; Ctrl+Shift+M hides the
# menu bar and shows it again.
scenario_help_about_menu() {
  e2e_start -- "$E2E_TESTCHILD" sleep
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_key F1
  e2e_expect_dialog " Marvesk Help"
  e2e_key Escape
  e2e_expect_main_focus

  e2e_key alt+h a
  e2e_expect_dialog " Marvesk"
  e2e_dialog_has "v. 1.0.0" || e2e_fail "the about box says: $(e2e_dialog)"
  e2e_dialog_has "Copyright (C) 2026 Marvesk Project" || e2e_fail "the about box says: $(e2e_dialog)"
  e2e_key Return
  e2e_expect_main_focus

  e2e_menu_is menu || e2e_fail "the menu bar is not shown at start"
  e2e_key ctrl+shift+m
  e2e_wait "the menu bar hides" e2e_menu_is "no menu"
  e2e_key ctrl+shift+m
  e2e_wait "the menu bar shows again" e2e_menu_is menu
  e2e_close
}

# --- Floods and faults --------------------------------------------------------------------------

# e2e_hex TEXT: TEXT's bytes in hexadecimal, for the test child's out: verb.
# A verb that marks a test child as this scenario's, so that it can be found among processes.
e2e_child_mark() { echo "out:$(e2e_hex "$e2e_scenario")0D0A"; }

# The test child's process: its command line starts with the child's name and the mark (Marvesk's
# own command line holds them too, but further on).
e2e_child_pattern() { echo "^[^ ]*testchild\.exe $(e2e_child_mark)"; }
e2e_child_running() { pgrep -f -- "$(e2e_child_pattern)" >/dev/null; }
# The process id of this scenario's test child, once it runs.
e2e_child_pid() { pgrep -f -- "$(e2e_child_pattern)" | head -n 1; }

# e2e_length_at_least PANE N: the pane holds N characters or more.
e2e_length_at_least() {
  local length
  length=$(e2e_probe length "$1") && ((length >= $2))
}

# e2e_length_is PANE N: the pane holds N characters (CR LF counting two).
e2e_length_is() { [ "$(e2e_probe length "$1")" = "$2" ]; }

# e2e_watch_answers WHAT COMMAND...: until COMMAND succeeds, asks the main window for an answer
# twice a second; fails when an answer takes more than E2E_ANSWER_BOUND ms or COMMAND does not
# succeed within the bound. Leaves the longest answer in e2e_longest_answer.
E2E_ANSWER_BOUND=3000
e2e_watch_answers() {
  local what=$1
  shift
  local deadline=$((SECONDS + ${E2E_BOUND:-$E2E_WAIT_BOUND})) took
  e2e_longest_answer=0
  while :; do
    took=$(e2e_probe answer) || e2e_fail "the window did not answer while waiting for: $what"
    ((took > e2e_longest_answer)) && e2e_longest_answer=$took
    ((took <= E2E_ANSWER_BOUND)) || e2e_fail "the window took $took ms to answer while waiting for: $what"
    if "$@"; then return 0; fi
    e2e_marvesk_running || e2e_fail "Marvesk ended while waiting for: $what"
    ((SECONDS < deadline)) || e2e_fail "not within ${E2E_BOUND:-$E2E_WAIT_BOUND} s: $what"
    sleep 0.5
  done
}

# e2e_flood_report LINES: what is wrong with the output pane, which should hold this scenario's
# mark, LINES numbered lines of the test child's flood and "done"; nothing when all is right.
e2e_flood_report() {
  e2e_pane 1 | awk -v lines="$1" -v mark="$e2e_scenario" '
    BEGIN { for (i = 0; i < 4; i++) alphabet = alphabet "abcdefghijklmnopqrstuvwxyz" }
    NR == 1 { if ($0 != mark) { print "line 1 is not the mark: " $0; exit 1 }; next }
    NR <= lines + 1 {
      n = NR - 1
      expected = sprintf("%08d ", n) substr(alphabet, (n + 9) % 26 + 1, 69)
      if ($0 != expected) { print "line " n " is \"" $0 "\", not \"" expected "\""; exit 1 }
      next
    }
    NR == lines + 2 { if ($0 != "done") { print "the last line is not done: " $0; exit 1 }; next }
    { print "a line too many: " $0; exit 1 }
    END { if (NR != lines + 2) print "only " NR - 2 " lines"; }'
}

# 16 MB of numbered lines: every line shows, in order, none missing or doubled, and the window
# answers throughout.
scenario_flood() {
  local lines=209715 # 80 bytes each: 16 MB
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" "flood:$((lines * 80))" out:646F6E650D0A sleep
  E2E_BOUND=240 e2e_watch_answers "all $lines lines" e2e_length_is 1 $((${#e2e_scenario} + 2 + lines * 80 + 6))
  e2e_log "the longest answer during the flood: $e2e_longest_answer ms"
  local report
  report=$(e2e_flood_report "$lines")
  [ -z "$report" ] || e2e_fail "the flood did not arrive whole: $report"
  e2e_close
}

# One long line of 8 MB with no line break shows whole, and the window answers meanwhile
# (E2E_LONG_LINE_BYTES and E2E_LONG_LINE_BOUND change the size and the wait).
scenario_long_line() {
  local size=${E2E_LONG_LINE_BYTES:-$((8 * 1024 * 1024))}
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" "line:$size" out:0D0A646F6E650D0A sleep
  local began=$SECONDS
  E2E_BOUND=${E2E_LONG_LINE_BOUND:-120} e2e_watch_answers "the long line" e2e_length_is 1 $((${#e2e_scenario} + 2 + size + 8))
  e2e_log "$size bytes in one line shown in about $((SECONDS - began)) s; the longest answer meanwhile: $e2e_longest_answer ms"
  local output expected
  output=$(e2e_pane 1)
  expected=$(yes 0123456789 | tr -d '\n' | head -c "$size")
  [ "$(sed -n 2p <<<"$output")" = "$expected" ] ||
    e2e_fail "the long line did not arrive whole: $(sed -n 2p <<<"$output" | wc -c) bytes"
  [ "$(sed -n 3p <<<"$output")" = done ] || e2e_fail "the line after the long one is missing"
  e2e_close
}

# The output pane is edited as the user edits it, with real keys and the mouse: typing, undo,
# selecting with the keys and by dragging, copying and pasting; then View > Word Wrap is switched
# while output floods in, and every line still arrives.
scenario_output_view() {
  # "alpha beta" and a line break; the flood comes once a line is sent.
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" out:616C70686120626574610D0A prompt: flood:32000000 sleep
  e2e_wait "the first line" e2e_output_has '^alpha beta$'
  # A click below the text puts the caret at its end.
  xdotool mousemove 600 400 click 1
  e2e_type xyz
  e2e_wait "typed text in the output pane" e2e_pane_ends_with 1 $'alpha beta\nxyz'
  e2e_key ctrl+z
  e2e_wait "undo takes the typing back" e2e_pane_ends_with 1 'alpha beta'
  # Ctrl+C would reach the child: Ctrl+Insert copies, Shift+Insert pastes.
  e2e_key ctrl+Home Down shift+End ctrl+Insert
  e2e_wait "the keys select the line" e2e_selection_is 1 "$((${#e2e_scenario} + 2)) $((${#e2e_scenario} + 12))"
  e2e_key ctrl+End shift+Insert
  e2e_wait "the copy pasted at the end" e2e_pane_ends_with 1 $'alpha beta\nalpha beta'
  xdotool mousemove 195 48 mousedown 1 mousemove 260 48 mouseup 1
  local selection
  selection=$(e2e_probe selection 1)
  [ "${selection% *}" != "${selection#* }" ] || e2e_fail "dragging selected nothing: $selection"

  # Sent from the command pane, the line starts the flood; the output pane gets the focus again.
  xdotool mousemove 80 400 click 1
  e2e_type go
  e2e_key shift+Return
  e2e_wait "the flood begins" e2e_output_has '^00000001 '
  xdotool mousemove 600 400 click 1
  e2e_key alt+v
  e2e_key w
  # The mark, "alpha beta", the pasted copy, the line sent back ("go") and the flood.
  local flood=$((${#e2e_scenario} + 2 + 12 + 10 + 4 + 32000000))
  E2E_BOUND=120 e2e_watch_answers "every line of the flood after the switch" e2e_length_is 1 "$flood"
  e2e_log "the longest answer while wrap switched during the flood: $e2e_longest_answer ms"
  e2e_close
}

# The output pane's rows, words and undo, through real keys and the mouse: End on a wrapped row
# leaves the caret at the end of that row (End again keeps it there, Home takes it back to the
# row's start); a double-click on either half of a word's last letter selects the word and the
# blank after it; undo after typing and two Backspaces brings back what the Backspaces took.
scenario_output_rows() {
  local words="" letter
  for letter in {a..z} {a..n}; do words+="$letter$letter$letter$letter$letter "; done
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" "out:$(e2e_hex "$words")0D0A" sleep
  e2e_wait "the line of words" e2e_output_has '^aaaaa bbbbb '
  local first=$((${#e2e_scenario} + 2)) point
  point=$(e2e_probe point 1 $((first + 2))) || e2e_fail "the first row's position is not known"
  xdotool mousemove "${point% *}" "${point#* }" click 1
  e2e_wait "a click in the first row puts the caret there" e2e_selection_is 1 "$((first + 2)) $((first + 2))"
  e2e_key End
  e2e_wait "End moves the caret" e2e_caret_beyond 1 $((first + 2))
  local row_end
  row_end=$(e2e_probe selection 1)
  row_end=${row_end#* }
  ((row_end < first + ${#words} - 1)) || e2e_fail "End went to the end of the line ($row_end), not of the row"
  e2e_key End Home
  e2e_wait "End again, then Home: the start of the first row" e2e_selection_is 1 "$first $first"

  # The second word, bbbbb, and its blank: from first + 6 to first + 12; its last letter at first + 10.
  local half x y
  for half in left right; do
    e2e_key ctrl+Home
    e2e_wait "the caret at the start" e2e_selection_is 1 "0 0"
    # A point is 2 pixels inside a character's cell: the letter's, or 3 to the left of the blank's.
    if [ "$half" = left ]; then point=$(e2e_probe point 1 $((first + 10))); else point=$(e2e_probe point 1 $((first + 11))); fi
    [ -n "$point" ] || e2e_fail "the word's position is not known"
    x=${point% *} y=${point#* }
    [ "$half" = left ] || x=$((x - 3))
    xdotool mousemove "$x" "$y" click --repeat 2 --delay 60 1
    e2e_wait "a double-click on the $half half of a word's last letter selects the word and its blank" \
      e2e_selection_is 1 "$((first + 6)) $((first + 12))"
  done

  # Below the text: the caret at its end.
  xdotool mousemove 600 400 click 1
  e2e_type "typed here"
  e2e_wait "typed text in the output pane" e2e_pane_ends_with 1 "typed here"
  e2e_key BackSpace BackSpace
  e2e_wait "two Backspaces" e2e_pane_ends_with 1 "typed he"
  e2e_key ctrl+z
  e2e_wait "undo brings back what the Backspaces took" e2e_pane_ends_with 1 "typed here"
  local length
  length=$(e2e_probe length 1)
  e2e_selection_is 1 "$((length - 2)) $length" || e2e_fail "undo selected $(e2e_probe selection 1), not \"re\""
  e2e_close
}

# e2e_caret_beyond PANE POSITION: the pane's caret (the selection's end) stands after the position.
e2e_caret_beyond() {
  local selection
  selection=$(e2e_probe selection "$1")
  [ -n "$selection" ] && ((${selection#* } > $2))
}

# The output pane scrolls for a real notch of the wheel (3 rows) and for finer turns, which xdotool
# cannot send (windowprobe sends them to the window under the pointer: 40 is a row, 30 three
# quarters of one); after Ctrl+Home and Ctrl+End the scroll bar's thumb, read off a screenshot,
# stands at the top and at the bottom of its track.
scenario_scroll_view() {
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" "flood:$((300 * 80))" out:646F6E650D0A sleep
  e2e_wait "the last line" e2e_output_has '^done$'
  local x y width height last
  read -r x y width height <<<"$(e2e_probe bar 1)"
  xdotool mousemove $((x - 200)) $((y + height / 2)) click 1
  last=$(e2e_probe top 1)
  # Long enough for the pane to have drawn all it owed to the output.
  sleep 1
  e2e_key ctrl+Home
  e2e_wait "the first row at the top" e2e_top_is 0
  e2e_thumb_at top || e2e_fail "after Ctrl+Home the thumb is not at the top: $(e2e_thumb)"
  e2e_key ctrl+End
  e2e_wait "the last rows shown" e2e_top_is "$last"
  e2e_thumb_at bottom || e2e_fail "after Ctrl+End the thumb is not at the bottom: $(e2e_thumb)"

  xdotool click 4
  e2e_wait "a notch of the wheel scrolls 3 rows up" e2e_top_is $((last - 3))
  local delta
  for delta in 40 40 40 30 30 30 30; do e2e_probe wheel "$delta" || e2e_fail "no window under the pointer"; done
  e2e_top_is $((last - 9)) || e2e_fail "3 turns of 40 and 4 of 30 scrolled to row $(e2e_probe top 1), not $((last - 9))"
  xdotool click 5
  e2e_wait "a notch of the wheel scrolls 3 rows down" e2e_top_is $((last - 6))
  e2e_close
}

e2e_top_is() { [ "$(e2e_probe top 1)" = "$1" ]; }

# Where the output pane's thumb is, as "FIRST LAST TRACKSTART TRACKEND" rows of its scroll bar:
# the pixels of the bar's middle column between the arrows (as high as the bar is wide) that
# differ from the track's colour, the commonest one there.
e2e_thumb() {
  local x y width height
  read -r x y width height <<<"$(e2e_probe bar 1)"
  import -window root -crop "1x$((height - 2 * width))+$((x + width / 2))+$((y + width))" -depth 8 txt:- 2>/dev/null |
    awk -F'[(),: ]+' -v rows=$((height - 2 * width)) 'NR > 1 { colour[$2] = $3 "," $4 "," $5; n[$3 "," $4 "," $5]++ }
      END {
        for (c in n) if (n[c] > most) { most = n[c]; track = c }
        first = -1
        for (i = 0; i < rows; i++) if (colour[i] != track) { if (first < 0) first = i; last = i }
        print first, last, 0, rows - 1
      }'
}

# e2e_thumb_at top|bottom: a thumb shorter than half the track touches that end of it.
e2e_thumb_at() {
  local first last start end
  read -r first last start end <<<"$(e2e_thumb)"
  ((first >= 0 && 2 * (last - first) < end - start)) || return 1
  if [ "$1" = top ]; then [ "$first" = "$start" ]; else [ "$last" = "$end" ]; fi
}

# A child that never reads its input while 100 commands of 10 KB are sent: the window answers,
# and closing it ends Marvesk and the child within 2 s.
scenario_never_reads() {
  e2e_new_work_folder
  printf 'echo %s\r\n' "$(head -c 10235 /dev/zero | tr '\0' x)" >"$e2e_work/command.txt"
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" sleep
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_load command.txt
  e2e_length_is 0 10242 || e2e_fail "the command pane holds $(e2e_probe length 0) characters, not 10242"
  e2e_key ctrl+Home
  # Alt+Enter sends the caret's line and leaves the caret where it is.
  xdotool key --delay 10 $(printf 'alt+Return %.0s' {1..100}) || e2e_fail "xdotool could not press the keys"
  e2e_watch_answers "the window answers after 100 commands" true
  local took
  took=$(e2e_probe answer)
  e2e_log "the window answers in $took ms after 100 commands to a child that reads nothing"
  E2E_EXIT_BOUND=2 e2e_close
  e2e_child_running && e2e_fail "the child still runs"
  return 0
}

# The test child killed from outside while it floods: the panes lock, the output so far stays,
# and the program goes on working.
scenario_child_killed() {
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" "flood:$((64 * 1024 * 1024))" sleep
  e2e_wait "the flood has begun" e2e_length_at_least 1 80000
  local child
  child=$(e2e_child_pid)
  [ -n "$child" ] || e2e_fail "the child was not found"
  kill -KILL "$child" || e2e_fail "the child could not be killed"
  e2e_wait "the command pane is read-only" e2e_read_only 0
  e2e_wait "the output pane is read-only" e2e_read_only 1
  e2e_wait "the caption marks the end" e2e_caption_is_terminated
  local shown
  shown=$(e2e_pane 1 | wc -l)
  ((shown >= 1000)) || e2e_fail "the output so far is gone: $shown lines"
  sleep 1
  [ "$(e2e_pane 1 | wc -l)" = "$shown" ] || e2e_fail "the output pane changed after the child ended"
  e2e_key alt+h a
  e2e_expect_dialog " Marvesk"
  e2e_key Return
  e2e_expect_main_focus
  e2e_close
}

e2e_caption_is_terminated() { [[ $(e2e_caption) == *" (terminated)" ]]; }

# Closing the window mid-flood ends Marvesk and the child within 2 s, and no crash box shows.
scenario_close_mid_flood() {
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" "flood:$((256 * 1024 * 1024))" sleep
  e2e_wait "the flood has begun" e2e_length_at_least 1 80000
  E2E_EXIT_BOUND=2 e2e_close
  e2e_child_running && e2e_fail "the child still runs"
  if pgrep -f winedbg >/dev/null; then e2e_fail "Wine's debugger was started: a crash"; fi
  return 0
}

# 1,000 short commands sent fast to an echoing child arrive complete and in order.
scenario_thousand_commands() {
  e2e_new_work_folder
  seq -f 'command %04g' 1 1000 | sed 's/$/\r/' >"$e2e_work/commands.txt"
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" echo
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_load commands.txt
  e2e_length_is 0 14000 || e2e_fail "the command pane holds $(e2e_probe length 0) characters, not 14000"
  e2e_key ctrl+Home
  xdotool key --delay 5 $(printf 'alt+Return Down %.0s' {1..1000}) || e2e_fail "xdotool could not press the keys"
  E2E_BOUND=120 e2e_watch_answers "the 1000th command's echo" e2e_output_has '^command 1000$'
  local report
  report=$(e2e_pane 1 | awk -v mark="$e2e_scenario" '
    NR == 1 { if ($0 != mark) { print "line 1 is not the mark: " $0; exit 1 }; next }
    { expected = sprintf("command %04d", NR - 1); if ($0 != expected) { print "line " NR - 1 " is " $0; exit 1 } }
    END { if (NR != 1001) print NR - 1 " lines, not 1000" }')
  [ -z "$report" ] || e2e_fail "the commands did not arrive whole and in order: $report"
  e2e_close
}

# --- Hostile command lines ----------------------------------------------------------------------

# e2e_box_says TEXT: the box shows with TEXT as one of its texts; Enter dismisses it.
e2e_box_says() {
  e2e_expect_dialog " Marvesk"
  local box
  box=$(e2e_dialog)
  [[ $box == *$'\n'"$1"$'\n----'* ]] || e2e_fail "the box does not say \"$1\": $box"
  e2e_box_says_then Return
}

# An empty "--", quotes, a command line of 32,000 characters and options with odd prefixes: no
# crash, the messages that name the fault, and the session goes on.
scenario_hostile_command_lines() {
  # Nothing after "--": the default child.
  e2e_start --
  e2e_wait "the caption names the default child" e2e_caption_is " Marvesk: CMD.EXE"
  e2e_wait "CMD's prompt" e2e_output_ends_with_prompt
  e2e_close

  # The child gets the text after "--" as written: its quotes and blanks stay.
  e2e_start_raw '-- cmd /c echo "a  b"'
  e2e_wait "the caption names the child as written" e2e_caption_is ' Marvesk: cmd /c echo "a  b" (terminated)'
  e2e_output_has '^"a  b"$' || e2e_fail "the child's output is not \"a  b\" in its quotes"
  e2e_close

  # A program in a folder whose name has a space, and an argument with two blanks in it.
  mkdir -p "$e2e_work/dir with space"
  cp "$E2E_TESTCHILD" "$e2e_work/dir with space/prog.exe"
  e2e_start -- "$(e2e_windows_path "$e2e_work/dir with space/prog.exe")" "prompt:in  file.txt"
  e2e_wait "the quoted program's prompt" e2e_output_has '^in  file\.txt$'
  e2e_close

  # The child's command line near the system's limit of 32,767 characters arrives whole.
  local payload
  payload=$(printf 'x%.0s' {1..15998})
  e2e_start -- "$E2E_TESTCHILD" "out:$(e2e_hex "$payload")0D0A" sleep
  e2e_wait "the child's 16,000 bytes" e2e_length_is 1 16000
  [ "$(e2e_pane 1)" = "$payload" ] || e2e_fail "the long command line did not arrive whole"
  e2e_close

  # Conflicting and malformed options: the conflict is named in a box before the child starts,
  # the malformed ones are dropped without a word.
  e2e_start -U -U2 / - -:x -input:UTF8+ /Echo- --
  e2e_box_says "Conflicting or redundant options: -U (-Unicode) and -U2 (-Unicode2)"$'\n\n'"Assuming -U (-Unicode)"$'\n'"(Equivalent to -input:OEM -output:UTF16LE)"
  e2e_wait "the caption names CMD.EXE /U" e2e_caption_is " Marvesk: CMD.EXE /U"
  e2e_wait "CMD's prompt" e2e_output_ends_with_prompt
  e2e_close

  e2e_start -OUTPUT:xyz -- "$E2E_TESTCHILD" out:C9 sleep
  e2e_box_says "Invalid encoding: -output:xyz"
  # The output falls back to ANSI: byte C9 is É in code page 1252.
  e2e_wait "the child's output read as ANSI" e2e_output_has '^É$'
  e2e_close
}

# --- Files ---------------------------------------------------------------------------------------

# e2e_save_as FILE [TYPE]: File > Save As with FILE (in the scratch folder) typed into the dialog
# and the TYPE-th file type picked (1 UTF-8, 2 UTF-16LE, 3 UTF-16BE, 4 ANSI); without TYPE, the
# type the dialog shows.
e2e_save_as() {
  e2e_key alt+f a
  e2e_expect_dialog " Save As"
  e2e_type "$(e2e_windows_path "$e2e_work/$1")"
  if [ -z "${2:-}" ]; then
    e2e_key alt+s
    return
  fi
  local downs=() i
  for ((i = 1; i < $2; i++)); do downs+=(Down); done
  e2e_key alt+t Home "${downs[@]}" alt+s
}

# e2e_file_is FILE EXPECTED: FILE holds exactly the bytes of the file EXPECTED.
e2e_file_is() { cmp -s "$e2e_work/$1" "$e2e_work/$2"; }

# Save As in each encoding, byte for byte with its byte order mark, then each file loaded back,
# and files that iconv made; an ANSI save that would lose characters asks first, and Cancel
# leaves the old file as it was; a read-only target gives an error box and leaves no file
# behind; a missing folder is refused.
scenario_files() {
  e2e_new_work_folder
  local text=$'é € Ж 中 😀\r\nsecond'
  printf '\xef\xbb\xbf%s' "$text" >"$e2e_work/expected-1"
  { printf '\xff\xfe'; printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE; } >"$e2e_work/expected-2"
  { printf '\xfe\xff'; printf '%s' "$text" | iconv -f UTF-8 -t UTF-16BE; } >"$e2e_work/expected-3"
  printf '\xe9 \x80 ? ? ??\r\nsecond' >"$e2e_work/expected-4"
  printf 'old\r\n' >"$e2e_work/old.txt"
  cp "$e2e_work/old.txt" "$e2e_work/old-copy"
  printf 'read-only\r\n' >"$e2e_work/read-only.txt"
  chmod 444 "$e2e_work/read-only.txt"
  cp "$e2e_work/read-only.txt" "$e2e_work/read-only-copy"

  e2e_start -- "$E2E_TESTCHILD" sleep
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_type_unicode 'é € Ж 中 😀'
  e2e_key Return
  e2e_type_command second

  local type
  for type in 1 2 3; do
    e2e_save_as "saved-$type.txt" "$type"
    e2e_expect_main_focus
    e2e_wait "the file of type $type" e2e_file_is "saved-$type.txt" "expected-$type"
  done
  # ANSI cannot carry Ж, 中 and 😀: the program asks, and OK saves them as "?".
  e2e_save_as saved-4.txt 4
  e2e_box_says_then shift+Tab Return
  e2e_wait "the ANSI file" e2e_file_is saved-4.txt expected-4

  # Over an old file: the dialog asks to replace it, then the program asks about the loss;
  # Cancel leaves the old file.
  e2e_save_as old.txt 4
  e2e_replace_yes
  e2e_box_says_then Return
  e2e_file_is old.txt old-copy || e2e_fail "the cancelled save changed the old file"

  # Onto a read-only file: an error box, the file as it was and no temporary file left.
  e2e_save_as read-only.txt 1
  e2e_replace_yes
  # The error box carries the window's caption.
  e2e_expect_dialog "$(e2e_caption)"
  e2e_dialog_has 'read-only.txt". Access denied.' || e2e_fail "the error box says: $(e2e_dialog)"
  e2e_key Return
  e2e_expect_main_focus
  e2e_file_is read-only.txt read-only-copy || e2e_fail "the read-only file changed"
  [ "$(find "$e2e_work" -maxdepth 1 -type f | wc -l)" = 12 ] ||
    e2e_fail "files were left behind: $(ls "$e2e_work")"

  # Into a folder that is not there: the file dialog says so, and nothing is written.
  e2e_save_as missing/saved.txt 1
  e2e_wait "the file dialog's box" e2e_dialog_has $'\nPath does not exist\n'
  e2e_wait "the box has the keys" e2e_foreground_is ""
  e2e_key Return
  e2e_wait "the file dialog again" e2e_foreground_is " Save As"
  e2e_key Escape
  e2e_expect_main_focus
  [ ! -e "$e2e_work/missing" ] || e2e_fail "the missing folder was made"

  for type in 1 2 3; do
    e2e_key ctrl+a Delete
    e2e_load "saved-$type.txt"
    e2e_wait "saved-$type.txt loaded back" e2e_pane_is 0 $'é € Ж 中 😀\nsecond'
  done

  # Files that iconv made: the text as iconv reads it (CRs aside, which the text tests check
  # byte for byte).
  local fixture encoding skip
  for fixture in utf16be-bom-mixed.txt:UTF-16BE:3 ansi1252-crlf.txt:CP1252:1; do
    IFS=: read -r fixture encoding skip <<<"$fixture"
    cp "$e2e_root/tests/data/text/$fixture" "$e2e_work/"
    e2e_load "$fixture"
    local expected
    expected=$(tail -c "+$skip" "$e2e_work/$fixture" | iconv -f "$encoding" -t UTF-8 | tr -d '\r')
    E2E_BOUND=10 e2e_poll e2e_pane_lines_are 0 "$expected" ||
      e2e_fail "$fixture shows as $(e2e_pane 0 | od -c | head -n 4)"
  done

  # NULs no longer cut the text short: each shows as ␀, and a box says how many there were.
  printf 'a\0b\0\0c' >"$e2e_work/nuls.txt"
  e2e_key alt+f l
  e2e_expect_dialog " Load"
  e2e_type "$(e2e_windows_path "$e2e_work/nuls.txt")"
  e2e_key Return
  e2e_expect_dialog " Marvesk"
  e2e_dialog_has 'nuls.txt": 3' || e2e_fail "the box says: $(e2e_dialog)"
  e2e_dialog_has 'shown as ␀' || e2e_fail "the box says: $(e2e_dialog)"
  e2e_key Return
  e2e_expect_main_focus
  e2e_wait "the text with its stand-ins" e2e_pane_is 0 'a␀b␀␀c'
  e2e_close
}

# A file without a byte order mark loads as UTF-8 when its bytes are UTF-8; Save As after a load
# starts with the type of the file, so accepting the dialog writes an ANSI file back as it was;
# a save into a folder longer than MAX_PATH - 14 characters works. Wine 8's file dialog cuts a
# name at MAX_PATH characters, so the folder has 250 and the file's name is short.
scenario_file_types() {
  e2e_new_work_folder
  printf 'caf\xc3\xa9 \xe2\x82\xac\r\n' >"$e2e_work/utf8.txt"
  cp "$e2e_root/tests/data/text/ansi1252-crlf.txt" "$e2e_work/"
  local work long
  work=$(e2e_windows_path "$e2e_work")
  long=$(printf 'd%.0s' $(seq $((249 - ${#work}))))
  mkdir -p "$e2e_work/$long"

  e2e_start -- "$E2E_TESTCHILD" sleep
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_load utf8.txt
  e2e_wait "the UTF-8 file read as UTF-8" e2e_pane_is 0 'café €'

  e2e_load ansi1252-crlf.txt
  e2e_save_as again.txt
  e2e_expect_main_focus
  e2e_wait "the ANSI file saved back as it was" e2e_file_is again.txt ansi1252-crlf.txt

  e2e_save_as "$long/s.txt"
  e2e_expect_main_focus
  e2e_wait "the file in the long folder" e2e_file_is "$long/s.txt" ansi1252-crlf.txt
  e2e_close
}

# e2e_pane_lines_are PANE TEXT: the pane shows TEXT, CRs aside (the probe drops them).
e2e_pane_lines_are() { [ "$(e2e_pane "$1")" = "$2" ]; }

e2e_pane_is() { [ "$(e2e_pane "$1")" = "$2" ]; }

# e2e_box_says_then KEY...: a box of Marvesk shows; the keys answer it.
e2e_box_says_then() {
  e2e_expect_dialog " Marvesk"
  e2e_log "the box says: $(e2e_dialog | sed -n 5p | cut -c1-100)"
  e2e_key "$@"
  e2e_expect_main_focus
}

# The file dialog asks whether to replace the file: Yes.
e2e_replace_yes() {
  e2e_wait "the question whether to replace the file" e2e_dialog_has "already exists"
  e2e_wait "the question has the keys" e2e_foreground_is " Save As"
  e2e_key y
}

# --- The session's log and the child's environment -------------------------------------------

# E2E_TIME: the time that starts the log's first line and, with -timestamps, every line.
E2E_TIME='[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}'

# e2e_file_has FILE REGEX: some line of FILE (in the scratch folder) matches REGEX and then CR LF.
e2e_file_has() { grep -qE -- "$2"$'\r$' "$e2e_work/$1"; }

# e2e_file_lines_are FILE REGEX...: FILE has one CR LF ended line for each REGEX, and it matches.
e2e_file_lines_are() {
  local file="$e2e_work/$1" n=0 regex
  shift
  [ "$(wc -l <"$file")" = $# ] || return 1
  for regex in "$@"; do
    n=$((n + 1))
    sed -n "${n}p" "$file" | grep -qxE -- "$regex"$'\r' || return 1
  done
}

# Started with -log: onto an old file: once the window has closed, the file holds the old text,
# the first line with the time and the command, and each line of output with its time. A log
# on a full disk (/dev/full under Wine) gets one box, and the session goes on.
scenario_log_file() {
  e2e_new_work_folder
  printf 'old\r\n' >"$e2e_work/session.log"
  e2e_start -timestamps -log:session.log -- cmd /c echo logged
  e2e_wait "the child's output" e2e_output_has '^logged$'
  e2e_wait "the caption marks the end" e2e_caption_is " Marvesk: cmd /c echo logged (terminated)"
  e2e_close
  e2e_file_lines_are session.log old "$E2E_TIME cmd /c echo logged" "$E2E_TIME logged" ||
    e2e_fail "the log holds: $(cat -A "$e2e_work/session.log")"

  local full
  full=$(e2e_windows_path /dev/full)
  e2e_start "-log:$full" -- cmd /c echo still shown
  e2e_expect_dialog " Marvesk"
  e2e_dialog_has "The log file \"$full\" cannot be written. " || e2e_fail "the box says: $(e2e_dialog)"
  e2e_key Return
  e2e_expect_main_focus
  e2e_wait "the child's output" e2e_output_has '^still shown$'
  e2e_close
}

# File > Log to File... starts a log, whose lines reach the file within a second or two, and
# stops it again: what comes after is not logged.
scenario_log_menu() {
  e2e_new_work_folder
  e2e_start -echo -- "$E2E_TESTCHILD" echo
  e2e_wait "the command pane is editable" e2e_editable 0
  e2e_key alt+f f
  e2e_expect_dialog " Log to File"
  e2e_type "$(e2e_windows_path "$e2e_work/menu.log")"
  e2e_key Return
  e2e_expect_main_focus
  e2e_type_command during
  e2e_key shift+Return
  e2e_wait "the child's answer" e2e_output_has_count '^during$' 2
  E2E_BOUND=2 e2e_wait "the answer in the log while it is on" e2e_file_has menu.log '^during'
  e2e_key alt+f f
  e2e_key ctrl+a
  e2e_type_command after
  e2e_key shift+Return
  e2e_wait "the child's answer" e2e_output_has_count '^after$' 2
  e2e_close
  # The first line, the command echoed, then the child's answer; nothing after the log stopped.
  e2e_file_lines_are menu.log "$E2E_TIME .*testchild\.exe echo" during during ||
    e2e_fail "the log holds: $(cat -A "$e2e_work/menu.log")"
}

# The log holds the output as the pane shows it before editing: colour, a window title and other
# sequences (the first one cut between two writes) stay out of it, and CR LF ends each line, for
# Notepad; with -dump it keeps every sequence, as the pane shows them.
scenario_log_escapes() {
  e2e_new_work_folder
  local first second option
  first=$(e2e_hex $'\e[31mred\e[0m \e[1;38;5')
  second=$(e2e_hex $';33mbold\e[0m\e]0;title\a\e[?25l\e[2K\r\ndone\r\n')
  for option in "" -dump; do
    e2e_start $option "-log:colours$option.log" -- "$E2E_TESTCHILD" "out:$first" sleep:200 "out:$second"
    e2e_wait "the caption marks the end" e2e_caption_is_terminated
    e2e_close
  done
  cmp -s <(tail -n +2 "$e2e_work/colours.log") <(printf 'red bold\r\ndone\r\n') ||
    e2e_fail "the log holds: $(cat -A "$e2e_work/colours.log")"
  cmp -s <(tail -n +2 "$e2e_work/colours-dump.log") \
    <(printf '\e[31mred\e[0m \e[1;38;5;33mbold\e[0m\e]0;title\a\e[?25l\e[2K\r\ndone\r\n') ||
    e2e_fail "the log of -dump holds: $(cat -A "$e2e_work/colours-dump.log")"
}

# A log into a pipe that nothing reads (a test child holds it) while the child floods 8 MB: the
# whole flood shows and the window answers throughout; the log stops once what waits for the pipe
# reaches its bound, with one box that names the pipe.
scenario_log_unread_pipe() {
  e2e_new_work_folder
  local name="marvesk-e2e-$$" lines=104858 # 80 bytes each: 8 MB
  (exec wine64 "$E2E_TESTCHILD" "pipe:$name" out:72656164790D0A sleep </dev/null >"$e2e_work/holder.txt" 2>&1) &
  local holder=$!
  e2e_wait "the pipe nobody reads" grep -q ready "$e2e_work/holder.txt"
  local pipe="\\\\.\\pipe\\$name"
  e2e_start "-log:$pipe" -- "$E2E_TESTCHILD" "$(e2e_child_mark)" "flood:$((lines * 80))" out:646F6E650D0A sleep
  E2E_BOUND=120 e2e_watch_answers "all $lines lines" e2e_length_is 1 $((${#e2e_scenario} + 2 + lines * 80 + 6))
  e2e_log "the longest answer during the flood: $e2e_longest_answer ms"
  local report
  report=$(e2e_flood_report "$lines")
  [ -z "$report" ] || e2e_fail "the flood did not arrive whole: $report"
  e2e_expect_dialog " Marvesk"
  e2e_dialog_has "The log file \"$pipe\" is not taking what is written to it." ||
    e2e_fail "the box says: $(e2e_dialog)"
  e2e_key Return
  e2e_expect_main_focus
  e2e_no_dialog || e2e_fail "a second box: $(e2e_dialog)"
  e2e_close
  kill "$holder"
}

# The child sees PYTHONUNBUFFERED and PYTHONIOENCODING (the encoding of both directions, here
# OEM's code page 437 and then UTF-8), and -env: sets variables and leaves both out.
scenario_python_variables() {
  unset PYTHONUNBUFFERED PYTHONIOENCODING
  e2e_start -- cmd /c set PYTHON
  e2e_wait "the encoding" e2e_output_has '^PYTHONIOENCODING=cp437:backslashreplace$'
  e2e_output_has '^PYTHONUNBUFFERED=1$' || e2e_fail "the output is: $(e2e_pane 1)"
  e2e_close
  e2e_start -input:UTF8 -output:UTF8 -- cmd /c set PYTHON
  e2e_wait "the encoding" e2e_output_has '^PYTHONIOENCODING=utf-8:backslashreplace$'
  e2e_close
  e2e_start -env:PYTHONUNBUFFERED= -env:PYTHONIOENCODING= -env:MARVESK_E2E=a=b -- cmd /c set
  e2e_wait "the variable set" e2e_output_has '^MARVESK_E2E=a=b$'
  if e2e_output_has '^PYTHON(UNBUFFERED|IOENCODING)='; then e2e_fail "the variables left out show: $(e2e_pane 1)"; fi
  e2e_close
}

# Started from a folder whose name the ANSI code page (1252) cannot carry, the program still reads
# its own file: the caption and the about box show the product name and version from it, and F1
# opens the help window.
scenario_unicode_program_folder() {
  e2e_new_work_folder
  local folder="$e2e_work/Марвеск 中"
  mkdir -p "$folder"
  cp "$MARVESK_EXE" "$folder/Marvesk.exe"
  MARVESK_EXE="$folder/Marvesk.exe" e2e_start
  e2e_wait "CMD's prompt" e2e_output_ends_with_prompt
  e2e_caption_is " Marvesk: CMD.EXE" || e2e_fail "the caption is: $(e2e_caption)"
  e2e_wait "the command pane is editable" e2e_editable 0

  e2e_key alt+h a
  e2e_expect_dialog " Marvesk"
  e2e_dialog_has "v. 1.0.0" || e2e_fail "the about box says: $(e2e_dialog)"
  e2e_key Return
  e2e_expect_main_focus

  e2e_key F1
  e2e_expect_dialog " Marvesk Help"
  e2e_key Escape
  e2e_expect_main_focus
  e2e_close
}

# The release archive of the program under test (tools/pack-release.sh), unpacked in a folder of
# its own: it holds the program and its two texts, matches its SHA-256, and the program from it
# starts CMD. To check an archive made already (tools/release.sh's) instead:
#   E2E_RELEASE_ZIP=dist/Marvesk-1.0.0-win64.zip bash tests/e2e/scenarios.sh release_archive
scenario_release_archive() {
  e2e_new_work_folder
  local archive=${E2E_RELEASE_ZIP:-}
  if [ -z "$archive" ]; then
    archive=$(bash "$e2e_root/tools/pack-release.sh" "$MARVESK_EXE" "$e2e_work/dist") ||
      e2e_fail "tools/pack-release.sh failed"
  fi
  archive=$(realpath "$archive")
  (cd "$(dirname "$archive")" && sha256sum --quiet -c "$(basename "$archive").sha256") ||
    e2e_fail "the archive does not match its SHA-256"
  local unpacked="$e2e_work/unpacked" listing
  mkdir "$unpacked"
  (cd "$unpacked" && cmake -E tar xf "$archive") || e2e_fail "the archive does not unpack"
  listing=$(cd "$unpacked" && ls -A)
  [ "$listing" = $'Marvesk.exe\nREADME.txt\nTHIRD-PARTY-NOTICES.txt' ] ||
    e2e_fail "the archive holds: $listing"
  local MARVESK_EXE="$unpacked/Marvesk.exe"
  e2e_start
  e2e_wait "CMD's prompt" e2e_output_ends_with_prompt
  e2e_close
}

# Places that open. F4 and Ctrl+click run the editor command (the test child built as a GUI
# program, which shows no window and so leaves the keyboard to Marvesk, recording its arguments) with the file, line and column; a place naming a batch file opens it in the editor
# and never runs it. An address goes to the shell's URL open, which Wine hands to winebrowser:
# for this scenario only, Wine's "Browsers" setting names a script that records the address.
scenario_places() {
  e2e_new_work_folder
  mkdir -p "$e2e_work/src dir"
  : >"$e2e_work/src dir/main file.c"
  local work_win
  work_win=$(e2e_windows_path "$e2e_work")
  printf '@echo ran>"%s\\ran.txt"\r\n' "$work_win" >"$e2e_work/tool.cmd"
  local editor_record="$e2e_work/editor.txt" browser_record="$e2e_work/browser.txt"
  e2e_record_browser "$browser_record"

  local source="$work_win\\src dir\\main file.c" output
  output="$source(12,5): error C2065: 'x': undeclared identifier"$'\r\n'
  output+="see https://example.com/page?a=1 for more"$'\r\n'
  output+="$work_win\\tool.cmd:3: note"$'\r\n'
  e2e_start_places "$editor_record" "$output" 'tool\.cmd:3: note'

  e2e_key F4
  e2e_wait "F4 opens the first location in the editor" e2e_file_holds "$editor_record" "$source"$'\n12\n5'
  rm -f "$editor_record"
  e2e_key F4
  e2e_wait "F4 hands the address to the browser" e2e_file_holds "$browser_record" 'https://example.com/page?a=1'
  e2e_key F4
  e2e_wait "F4 opens the batch file in the editor" e2e_file_holds "$editor_record" "$work_win\\tool.cmd"$'\n3\n1'
  rm -f "$editor_record"
  local selection
  selection=$(e2e_probe selection 1)

  # Ctrl+click on the first location.
  e2e_ctrl_click 20
  e2e_wait "Ctrl+click opens the location in the editor" e2e_file_holds "$editor_record" "$source"$'\n12\n5'
  e2e_selection_is 1 "$selection" || e2e_fail "Ctrl+click moved the selection to $(e2e_probe selection 1)"
  sleep 1
  [ ! -e "$e2e_work/ran.txt" ] || e2e_fail "a place ran the batch file it names"
  wine64 reg delete 'HKCU\Software\Wine\WineBrowser' /v Browsers /f </dev/null >/dev/null 2>&1
  e2e_close
}

# An editor command that runs through CMD.EXE gets no path that CMD would expand: F4 on an existing
# file named x%PATH%y.c shows a box that names the interpreter and the character, and starts
# nothing (the editor behind CMD would record its arguments).
scenario_interpreter_editor() {
  e2e_new_work_folder
  : >"$e2e_work/x%PATH%y.c"
  local work_win record="$e2e_work/editor.txt" editor
  work_win=$(e2e_windows_path "$e2e_work")
  editor=$(e2e_windows_path "$(dirname "$E2E_TESTCHILD")/testchild_gui.exe")
  e2e_start "-editor:cmd.exe /c $editor args:$(e2e_windows_path "$record") %f %l" -- \
    "$(e2e_windows_path "$E2E_TESTCHILD")" "out:$(e2e_hex "$work_win\\x%PATH%y.c:3: error"$'\r\n')" sleep
  e2e_wait "the place shows" e2e_output_has 'y\.c:3: error'
  e2e_wait "the command pane is editable" e2e_editable 0
  xdotool mousemove 600 400 click 1
  e2e_key ctrl+Home F4
  e2e_expect_dialog " Marvesk"
  e2e_dialog_has "a command interpreter (cmd.exe), which could expand it, or split it into other arguments or commands, at these characters: %" ||
    e2e_fail "the box says: $(e2e_dialog)"
  e2e_dialog_has "File: $work_win\\x%PATH%y.c" || e2e_fail "the box says: $(e2e_dialog)"
  e2e_key Return
  e2e_expect_main_focus
  sleep 1
  [ ! -e "$record" ] || e2e_fail "the editor was started: $(cat "$record")"
  e2e_close
}

# A place on the network is never asked for. F4 passes a UNC location for the local one below it;
# Ctrl+click on it asks first, naming the computer: Enter is No and opens nothing, Yes opens the
# file in the editor (the test child as the editor records its arguments and opens nothing).
scenario_network_places() {
  e2e_new_work_folder
  : >"$e2e_work/local.c"
  local work_win editor_record="$e2e_work/editor.txt" output
  work_win=$(e2e_windows_path "$e2e_work")
  output='\\evilhost\share\x.c:12: error: not here'$'\r\n'"$work_win\\local.c:3: error"$'\r\n'
  e2e_start_places "$editor_record" "$output" 'local\.c:3: error'
  e2e_key F4
  e2e_wait "F4 passes the network place for the local one" e2e_file_holds "$editor_record" "$work_win\\local.c"$'\n3\n1'
  rm -f "$editor_record"

  e2e_network_question Return
  sleep 1
  [ ! -e "$editor_record" ] || e2e_fail "No opened the network place: $(cat "$editor_record")"
  e2e_network_question y
  e2e_wait "Yes opens the network place in the editor" e2e_file_holds "$editor_record" '\\evilhost\share\x.c'$'\n12\n1'
  e2e_close
}

# e2e_network_question KEY: Ctrl+click on the output's first place, on the network, asks whether to
# open it, naming the computer and the file; KEY answers.
e2e_network_question() {
  local box
  e2e_ctrl_click 5
  e2e_expect_dialog " Marvesk"
  box=$(e2e_dialog)
  [[ $box == *'"evilhost"'*'\\evilhost\share\x.c'* ]] ||
    e2e_fail "the question does not name the computer and the file: $box"
  e2e_key "$1"
  e2e_expect_main_focus
}

# A command that prints once and then works for 11 s in silence. Ended while Marvesk is in the
# foreground, it asks for nothing; ended while another window is, it asks for attention. Wine
# turns FlashWindowEx into a _NET_WM_STATE request to the window manager on the root window, which
# xev watches here: Xvfb has no window manager and no taskbar, so no flash itself can be seen.
# -times: left of the output pane's rows each line's time is drawn in grey, dimmer than the text
# (read off a screenshot, which stays among the artifacts); a copy of all the output holds no time.
scenario_arrival_times() {
  e2e_start -times -- "$E2E_TESTCHILD" "out:$(e2e_hex $'first\r\nsecond\r\n')" sleep
  e2e_wait "the child's last line" e2e_output_has '^second$'
  e2e_wait "a grey time left of the first line" e2e_drawn_before 0 'r > 60 && r < 180 && r - b < 12 && b - r < 12'
  e2e_drawn_before 0 'r < 40' && e2e_fail "the time is drawn as dark as the text"
  import -window root "$E2E_ARTIFACTS/arrival_times.png" && e2e_log "screenshot: $E2E_ARTIFACTS/arrival_times.png"
  # Ctrl+C would reach the child: Ctrl+Insert copies, and Shift+Insert pastes into the command pane.
  xdotool mousemove 600 400 click 1
  e2e_key ctrl+a ctrl+Insert
  xdotool mousemove 80 400 click 1
  e2e_key shift+Insert
  e2e_wait "the copy pasted into the command pane" e2e_pane_ends_with 0 second
  [ "$(e2e_pane 0)" = "$(e2e_pane 1)" ] || e2e_fail "the copy holds $(e2e_pane 0 | od -c | head -n 5)"
  e2e_close
}

# e2e_drawn_before POSITION CONDITION: a pixel of the 80 left of the output pane's character at the
# position, on its row, meets the awk condition on r, g and b.
e2e_drawn_before() {
  local point x y
  point=$(e2e_probe point 1 "$1") || return 1
  x=$((${point% *} - 84)) y=$((${point#* } + 2))
  import -window root -crop "80x10+$x+$y" -depth 8 txt:- 2>/dev/null |
    awk -F'[(),]' 'NR > 1 { r = $3; g = $4; b = $5; if ('"$2"') found = 1 } END { exit !found }'
}

scenario_flash_on_end() {
  local requests="$E2E_ARTIFACTS/flash_on_end-xev.log" command other_pid
  xev -root -event substructure >"$requests" 2>&1 &
  local xev_pid=$!
  e2e_start -- cmd
  e2e_wait "CMD's prompt" e2e_output_ends_with_prompt
  e2e_wait "the command pane is editable" e2e_editable 0
  command="\"$(e2e_windows_path "$E2E_TESTCHILD")\" out:$(e2e_hex $'go\r\n') sleep:11000"

  e2e_type_command "$command"
  e2e_key shift+Return
  e2e_wait "the command's first output" e2e_output_has_count '(^|>)go$' 1
  e2e_wait "the prompt after the command in the foreground" e2e_output_ends_with_prompt
  sleep 1
  [ "$(e2e_attention_requests "$requests")" = 0 ] || e2e_fail "a command that ended in the foreground asked for attention"

  e2e_type_command "$command"
  e2e_key shift+Return
  e2e_wait "the command's first output" e2e_output_has_count '(^|>)go$' 2
  xmessage -name e2e-other-window "another window" &
  other_pid=$!
  xdotool search --sync --name e2e-other-window windowfocus --sync >/dev/null
  e2e_wait "another window is in the foreground" e2e_not_foreground
  e2e_wait "the prompt after the command in the background" e2e_output_ends_with_prompt
  e2e_wait "the request for attention" e2e_attention_requested "$requests"
  # The status bar's panels are drawn by Marvesk itself, and no probe reads them: the screenshot
  # shows the command's time after the line count ("took 0:11.0") to whoever looks.
  import -window root "$E2E_ARTIFACTS/flash_on_end-status.png" 2>/dev/null
  kill "$other_pid"
  wait "$other_pid" 2>/dev/null
  # A click activates the window again (Xvfb has no window manager that would on focus).
  xdotool mousemove 600 400 click 1
  e2e_wait "Marvesk is in the foreground again" e2e_main_has_focus
  e2e_close
  kill "$xev_pid"
  wait "$xev_pid" 2>/dev/null
}

# e2e_attention_requests XEV_LOG: how many _NET_WM_STATE requests xev saw.
e2e_attention_requests() { grep -c 'message_type .*(_NET_WM_STATE)' "$1"; }
e2e_attention_requested() { [ "$(e2e_attention_requests "$1")" -gt 0 ]; }
e2e_not_foreground() { ! e2e_probe foreground >/dev/null; }

# Links that the output marks (OSC 8, one ended by BEL, one by ST), whose text says something else
# than their targets: Ctrl+click on the web link hands its address to the browser (the recording
# script of the places scenario), on the file link the percent-decoded path to the editor.
scenario_osc8_links() {
  e2e_new_work_folder
  mkdir -p "$e2e_work/src dir"
  : >"$e2e_work/src dir/main file.c"
  local work_win uri
  work_win=$(e2e_windows_path "$e2e_work")
  uri="file:///${work_win//\\//}/src dir/main file.c"
  uri=${uri// /%20}
  local editor_record="$e2e_work/editor.txt" browser_record="$e2e_work/browser.txt"
  e2e_record_browser "$browser_record"

  local output
  output=$'\e]8;;https://example.com/osc8?x=1\athe manual\e]8;;\a\r\n'
  output+=$'\e]8;id=2;'"$uri"$'\e\\main\e]8;;\e\\\r\n'
  e2e_start_places "$editor_record" "$output" '^main$'

  e2e_ctrl_click 2
  e2e_wait "Ctrl+click hands the web link to the browser" e2e_file_holds "$browser_record" 'https://example.com/osc8?x=1'
  e2e_ctrl_click 13
  e2e_wait "Ctrl+click opens the file link in the editor" \
    e2e_file_holds "$editor_record" "$work_win\\src dir\\main file.c"$'\n1\n1'
  wine64 reg delete 'HKCU\Software\Wine\WineBrowser' /v Browsers /f </dev/null >/dev/null 2>&1
  e2e_close
}

# e2e_ctrl_click POSITION: the mouse moves over the output pane's character at the position with
# Ctrl held, then clicks.
e2e_ctrl_click() {
  local point x y
  point=$(e2e_probe point 1 "$1") || e2e_fail "the position $1 is not known"
  x=${point% *} y=${point#* }
  xdotool mousemove "$x" "$y" keydown ctrl mousemove "$((x + 1))" "$y" click 1 keyup ctrl
}

# e2e_record_browser FILE: for this scenario, Wine's "Browsers" setting names a script that writes
# the address it is given into FILE (the scenario removes the setting again).
e2e_record_browser() {
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s.partial" && mv "%s.partial" "%s"\n' "$1" "$1" "$1" >"$e2e_work/browser.sh"
  chmod +x "$e2e_work/browser.sh"
  wine64 reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$e2e_work/browser.sh" /f </dev/null >/dev/null 2>&1 ||
    e2e_fail "the browser setting cannot be made"
}

# e2e_start_places RECORD OUTPUT PATTERN: Marvesk with the test child writing OUTPUT, and as the
# editor the test child built as a GUI program, which writes its arguments into RECORD. Once a line
# matching PATTERN shows, the output pane has the keyboard and the caret at its start.
e2e_start_places() {
  local child editor
  child=$(e2e_windows_path "$E2E_TESTCHILD")
  editor=$(e2e_windows_path "$(dirname "$E2E_TESTCHILD")/testchild_gui.exe")
  e2e_start "-editor:$editor args:$(e2e_windows_path "$1") %f %l %c" -- "$child" "out:$(e2e_hex "$2")" sleep
  e2e_wait "the places show" e2e_output_has "$3"
  e2e_wait "the command pane is editable" e2e_editable 0
  xdotool mousemove 600 400 click 1
  e2e_key ctrl+Home
}

# View > Follow Output through its key: Scroll Lock holds the reader's selection and the rows shown
# while output comes, and pressed again, in the other pane, takes the caret to the end and shows
# it. Then a drag holds the pane while output comes, until the button is up. Under Wine 8 with
# Xvfb, which gives Scroll Lock no modifier, the first key after a Scroll Lock that turned the lock
# on comes after a Scroll Lock press of Wine's own (seen here: before the "g" typed while held),
# which must not count.
scenario_follow_output() {
  local ticks=() i
  for ((i = 0; i < 300; i++)); do ticks+=(sleep:400 "out:$(e2e_hex tick)0D0A"); done
  # 40000 bytes: the selection's answer has 16 bits.
  e2e_start -- "$E2E_TESTCHILD" "$(e2e_child_mark)" flood:40000 prompt: "${ticks[@]}" sleep
  e2e_wait "the flood" e2e_length_is 1 $((${#e2e_scenario} + 2 + 40000))
  xdotool mousemove 600 400 click 1
  e2e_key ctrl+Home Down shift+End
  e2e_wait "the keys select a row" e2e_selected 1
  local selection count
  selection=$(e2e_probe selection 1)
  e2e_key Scroll_Lock
  xdotool mousemove 80 400 click 1
  e2e_type_command go
  e2e_key shift+Return
  e2e_wait "output while held" e2e_output_count_above '^tick$' 2
  e2e_selection_is 1 "$selection" || e2e_fail "output took the held selection to $(e2e_probe selection 1)"
  [ "$(e2e_probe top 1)" = 0 ] || e2e_fail "output scrolled the held pane to row $(e2e_probe top 1)"
  e2e_key Scroll_Lock
  e2e_wait "following again puts the caret at the end" e2e_caret_at_end 1
  e2e_wait "and shows it" e2e_top_above 1 0

  xdotool mousemove 300 60 mousedown 1 mousemove 420 120
  e2e_wait "the drag selects" e2e_selected 1
  selection=$(e2e_probe selection 1)
  count=$(e2e_output_count '^tick$')
  e2e_wait "output during the drag" e2e_output_count_above '^tick$' $((count + 2))
  e2e_selection_is 1 "$selection" || e2e_fail "output took the dragged selection to $(e2e_probe selection 1)"
  xdotool mouseup 1
  e2e_wait "output after the drag takes the caret to the end" e2e_caret_at_end 1
  e2e_close
}

# e2e_top_above PANE N: the pane shows rows below row N at its top.
e2e_top_above() { (($(e2e_probe top "$1") > $2)); }
e2e_selected() {
  local selection
  selection=$(e2e_probe selection "$1") && [ "${selection% *}" != "${selection#* }" ]
}
# The caret stands at the end, or beyond where it was a moment ago while output keeps coming.
e2e_caret_at_end() {
  local length selection
  length=$(e2e_probe length "$1") && selection=$(e2e_probe selection "$1") &&
    [ "${selection% *}" = "${selection#* }" ] && ((${selection% *} >= length))
}
e2e_output_count_above() { (($(e2e_output_count "$1") > $2)); }

# e2e_file_holds FILE TEXT: the file holds the text (its last line break aside).
e2e_file_holds() { [ -f "$1" ] && [ "$(cat "$1")" = "$2" ]; }

all_scenarios=(no_arguments echo child_ends child_cannot_start encodings dump colours dark_theme unicode2 ctrl_break ctrl_c
  find_goto sent_command help_about_menu flood long_line never_reads child_killed close_mid_flood
  thousand_commands hostile_command_lines files file_types log_file log_menu log_escapes log_unread_pipe python_variables
  output_rows
  scroll_view
  follow_output
  flash_on_end
  progress_lines arrival_times
  output_view unicode_program_folder places interpreter_editor network_places osc8_links release_archive)
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
