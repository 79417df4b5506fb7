#!/usr/bin/env bash
# Runs the benchmarks of an existing build under Wine, in an X server of its own: every one, or
# only those named (`bash tools/bench.sh flood soak` runs flood_bench and soak_bench). Each prints
# its figures as it goes; its table rows (lines "ROW<TAB>work<TAB>ours<TAB>baseline<TAB>unit") are
# kept, and once all have run one table shows them with the ratio ours/baseline. Not part of the
# test run: figures vary with the machine.
set -uo pipefail
# shellcheck source=tools/wine-env.sh
source "$(dirname "$0")/wine-env.sh"

rows=$(mktemp)
trap 'marvesk_stop_bench; rm -f "$rows"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

marvesk_start_xvfb || exit 1
marvesk_start_wineserver

benches=()
if [ $# -eq 0 ]; then
  benches=("$BUILD_DIR"/tests/bin/*_bench.exe)
else
  for name in "$@"; do
    bench="$BUILD_DIR/tests/bin/${name%_bench}_bench.exe"
    [ -f "$bench" ] || { echo "no benchmark $bench" >&2; exit 2; }
    benches+=("$bench")
  done
fi

failed=()
for bench in "${benches[@]}"; do
  name=$(basename "$bench" .exe)
  echo "== $name"
  started=$SECONDS
  wine64 "$bench" </dev/null | while IFS= read -r line; do
    line=${line%$'\r'}
    if [[ $line == ROW$'\t'* ]]; then
      printf '%s\n' "$line" >>"$rows"
    else
      printf '%s\n' "$line"
    fi
  done
  status=${PIPESTATUS[0]}
  if [ "$status" -ne 0 ]; then
    echo "   $name FAILED (exit code $status)"
    failed+=("$name")
  fi
  echo "   ($name took $((SECONDS - started)) s)"
done

echo
echo "== Marvesk against a baseline measured in the same run (ratio = Marvesk / baseline)"
awk -F'\t' '
  { work[NR] = $2; ours[NR] = sprintf("%.3f", $3); base[NR] = sprintf("%.3f", $4); unit[NR] = $5
    ratio[NR] = $4 > 0 ? sprintf("%.2f", $3 / $4) : "-" }
  function widen(w, text) { return length(text) > w ? length(text) : w }
  END {
    w1 = length("work"); w2 = length("Marvesk"); w3 = length("baseline"); w4 = length("unit"); w5 = length("ratio")
    for (i = 1; i <= NR; i++) {
      w1 = widen(w1, work[i]); w2 = widen(w2, ours[i]); w3 = widen(w3, base[i])
      w4 = widen(w4, unit[i]); w5 = widen(w5, ratio[i])
    }
    format = "%-" w1 "s | %" w2 "s | %" w3 "s | %-" w4 "s | %" w5 "s\n"
    printf format, "work", "Marvesk", "baseline", "unit", "ratio"
    rule = sprintf(format, "", "", "", "", ""); gsub(/[^|\n]/, "-", rule); gsub(/\|/, "+", rule)
    printf "%s", rule
    for (i = 1; i <= NR; i++) printf format, work[i], ours[i], base[i], unit[i], ratio[i]
  }' "$rows"

if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
