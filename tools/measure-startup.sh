#!/bin/bash
# Times start-up to first paint under Wine: vellaro.exe on a lesson whose first line shows a
# full-screen background picture, beside vellaro_bare_startup.exe, a bare Win32 program that opens
# the same full-screen window, DirectSound buffer and 10 ms timer and paints the same picture.
#
#   tools/measure-startup.sh [RUNS] [WINE_STATE_DIR]
#   VELLARO_PLAYER=other.exe tools/measure-startup.sh   # another build of the player, in build/win64
#
# Builds what it needs with the win64 preset. Both programs are started the same way, by
# vellaro_startup_probe.exe, with VELLARO_STARTUP_TRACE naming a file: each paint of the main
# window appends the milliseconds since the process was created (its creation time as Wine
# records it, before the program's first instruction). Each run starts the bare program, then the
# player, and prints both times and their ratio; a first, uncounted run warms the prefix and the
# file cache. RUNS defaults to 5.
#
# The player shows no box at start-up; a box the probe reports ("box: TEXT") fails the run.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
player_exe=${VELLARO_PLAYER:-vellaro.exe}
build=$here/build/win64
env_script=$here/tests/wine/wine-env.sh

(cd "$here" && cmake --preset win64 >/dev/null &&
  cmake --build --preset win64 -j2 --target vellaro vellaro_bare_startup vellaro_startup_probe >/dev/null)

. "$here/tools/wine-state.sh"
open_wine_state "${2:-}"
folder=$(mktemp -d /tmp/vellaro-startup-lesson-XXXXXX)
cleanup() {
  rm -rf "$folder"
  close_wine_state
}
trap cleanup EXIT

windows_path() { echo "Z:$(echo "$1" | tr / '\\')"; }

# A full-screen (1024 x 768, 24-bit) background with the faint stripes of a stave.
python3 - "$folder/back.bmp" <<'PY'
import struct, sys
width, height = 1024, 768
paper, line = bytes((248, 241, 236)), bytes((228, 208, 196))  # blue, green, red
rows = b"".join((line if (height - 1 - y) % 16 == 8 else paper) * width for y in range(height))
header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
with open(sys.argv[1], "wb") as f:
    f.write(header + info + rows)
PY
printf 'clear back.bmp\r\npause 1000 ms\r\nterminate\r\n' >"$folder/index.scn"

# Runs one program through the probe; prints the probe's lines, then "paint WALL_MS CPU_MS" for
# each paint of the main window.
run_probe() {
  local program=$1 argument=${2:-} trace=$folder/trace.txt
  rm -f "$trace"
  bash "$env_script" "$state" run "$build/vellaro_startup_probe.exe" "$(windows_path "$build/$program")" \
    "$(windows_path "$folder")" "$(windows_path "$trace")" ${argument:+"$argument"} | tr -d '\r'
  tr -d '\r' <"$trace" 2>/dev/null | sed 's/^/paint /'
}

# One run: "bare_ms player_ms first_paint_ms bare_cpu_ms player_cpu_ms".
measure_once() {
  local bare player
  bare=$(run_probe vellaro_bare_startup.exe "$(windows_path "$folder/back.bmp")")
  player=$(run_probe "$player_exe")
  printf '%s\n%s\n' "$bare" "$player" >"$state/last-run.txt"
  if echo "$player" | grep -q '^box: '; then return 1; fi
  local bare_paint
  bare_paint=$(echo "$bare" | awk '/^paint / { print $2, $3; exit }')
  # The lesson's picture is the last paint; an earlier one is the new window, still white.
  echo "$player" | awk -v bare="$bare_paint" '
    /^paint / { if (++count == 1) first = $2; picture = $2; cpu = $3 }
    END {
      if (split(bare, b, " ") != 2 || count < 1) exit 1
      print b[1], picture, (count > 1 ? first : "-"), b[2], cpu
    }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
measure_once >/dev/null || { echo "the warm-up run failed; see $state/last-run.txt" >&2; exit 1; }
: >"$state/results.txt"
for run in $(seq "$runs"); do
  if ! measure_once >"$state/run.txt"; then
    echo "run $run failed:" >&2
    cat "$state/last-run.txt" >&2
    exit 1
  fi
  read -r bare player first bare_cpu player_cpu <"$state/run.txt"
  echo "$bare $player $(ratio "$player" "$bare") $bare_cpu $player_cpu" >>"$state/results.txt"
  white=""
  [ "$first" = - ] || white="; its first paint, still white, at $first ms"
  echo "run $run: bare program $bare ms (CPU $bare_cpu ms), player $player ms (CPU $player_cpu ms)" \
       "to the lesson's picture: ratio $(ratio "$player" "$bare")$white"
done
column_median() { awk -v c="$1" '{ print $c }' "$state/results.txt" | median; }
column_least() { awk -v c="$1" '{ print $c }' "$state/results.txt" | sort -n | head -n 1; }
echo "median of $runs runs: bare program $(column_median 1) ms (CPU $(column_median 4) ms)," \
     "player $(column_median 2) ms (CPU $(column_median 5) ms); median ratio $(column_median 3)"
# Other work on the machine only ever adds time, so the least times come closest to the programs'
# own cost.
echo "least of $runs runs (each figure on its own): bare program $(column_least 1) ms (CPU $(column_least 4) ms)," \
     "player $(column_least 2) ms (CPU $(column_least 5) ms);" \
     "ratio $(ratio "$(column_least 2)" "$(column_least 1)") (CPU $(ratio "$(column_least 5)" "$(column_least 4)"))"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
