#!/bin/bash
# Measures the processor time vellaro.exe uses during a 5-second `pause` under Wine, and prints it.
#
#   tools/measure-pause-cpu.sh [BUILD_DIR] [WINE_STATE_DIR]
#   VELLARO_WAIT_LINE='input v' tools/measure-pause-cpu.sh ...
#   VELLARO_WATCH=1 tools/measure-pause-cpu.sh ...
#
# VELLARO_WAIT_LINE measures another waiting line instead, typically one without a time limit:
# vellaro_pause_cpu.exe ends it after 5 seconds through the debug menu (a navi.scn line that jumps
# to the line writing the second store file). VELLARO_WATCH=1 starts the player with --watch, so
# the wait also sleeps on the change notice of the lesson's folder (the store files written there
# signal it, as a saved picture would).
#
# BUILD_DIR (default build/win64) holds vellaro.exe and vellaro_pause_cpu.exe, which starts the
# player the way the Wine tests do and answers its start-up box. The scenario writes a store file
# right before and right after `pause 5000 ms`; the script reads the player's CPU time (utime +
# stime in /proc) and that of the Wine server of the same prefix when each file appears, so
# start-up and shutdown do not count. The player's first thread, which runs the interpreter and
# the wait, is shown apart from its other threads (the sound engine's mixer timer among them).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/win64}
env_script=$here/tests/wine/wine-env.sh
ticks=$(getconf CLK_TCK)
runs=${VELLARO_RUNS:-3}
pause_ms=5000
wait_line=${VELLARO_WAIT_LINE:-}
watch=()
[ -n "${VELLARO_WATCH:-}" ] && watch=(--watch)

for program in vellaro.exe vellaro_pause_cpu.exe; do
  [ -f "$build/$program" ] || {
    echo "no $program in $build; build it with: cmake --preset win64 && cmake --build --preset win64" >&2
    exit 1
  }
done

. "$here/tools/wine-state.sh"
open_wine_state "${2:-}"
cleanup() {
  close_wine_state
}
trap cleanup EXIT

# CPU ticks (user + system) from a stat file; the name may hold blanks, so fields are counted
# after the closing parenthesis.
stat_ticks() { sed 's/.*) //' "$1" 2>/dev/null | awk '{print $12 + $13}'; }
cpu_ticks() { stat_ticks "/proc/$1/stat"; }
first_thread_ticks() { stat_ticks "/proc/$1/task/$1/stat"; }
# Wine's own audio threads: the ALSA driver's timer and DirectSound's mixer run for any program
# with a looping buffer, and their cost swings from run to run. Wine gives them these names.
wine_audio_pattern='^(winealsa|winepulse|wineoss|wine_dsound|mmdevapi|wine_audio)'
wine_audio_ticks() {
  local task sum=0 t
  for task in /proc/$1/task/*; do
    grep -Eq "$wine_audio_pattern" "$task/comm" 2>/dev/null || continue
    t=$(stat_ticks "$task/stat")
    sum=$((sum + ${t:-0}))
  done
  echo "$sum"
}

# The process of our Wine prefix whose name starts with $1 (other Wine users may share the machine).
our_process() {
  local dir
  for dir in /proc/[0-9]*; do
    case "$(cat "$dir/comm" 2>/dev/null)" in "$1"*) ;; *) continue ;; esac
    if { tr '\0' '\n' <"$dir/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$state/wineprefix"; then
      basename "$dir"
      return
    fi
  done
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# One run; prints "player_ticks first_thread_ticks server_ticks wall_ms audio_ticks" between the two
# files. With VELLARO_LIST_THREADS set, the names of the player's threads go to stderr.
measure_once() {
  local folder windows_folder runner player="" server begin_ms begin_player begin_first begin_server begin_audio
  folder=$(mktemp -d /tmp/vellaro-pause-XXXXXX)
  # The first second gives the script time to find the player's process; the last keeps the
  # threads alive until they are read (a thread that has ended has no task entry left).
  local wake=()
  if [ -n "$wait_line" ]; then
    printf 'pause 1000 ms\r\nstore begin.sto $tempo\r\n%s\r\nterminate\r\n:measured\r\nstore end.sto $tempo\r\npause 1000 ms\r\nterminate\r\n' \
      "$wait_line" >"$folder/index.scn"
    printf 'goto :measured\r\n' >"$folder/navi.scn"
    wake=("$pause_ms")
  else
    printf 'pause 1000 ms\r\nstore begin.sto $tempo\r\npause %s ms\r\nstore end.sto $tempo\r\npause 1000 ms\r\nterminate\r\n' "$pause_ms" \
      >"$folder/index.scn"
  fi
  windows_folder="Z:$(echo "$folder" | tr / '\\')"
  server=$(our_process wineserver)
  bash "$env_script" "$state" run "$build/vellaro_pause_cpu.exe" "${watch[@]}" "$windows_folder" "${wake[@]}" >/dev/null 2>&1 &
  runner=$!
  while [ -z "$player" ]; do
    kill -0 "$runner" 2>/dev/null || { echo "the player did not start" >&2; return 1; }
    player=$(our_process vellaro.exe)
  done
  # The process is found beforehand, so each sample is taken the moment its file appears.
  while [ ! -f "$folder/begin.sto" ]; do
    kill -0 "$runner" 2>/dev/null || { echo "the player ended before its pause" >&2; return 1; }
    sleep 0.01
  done
  begin_ms=$(now_ms) begin_player=$(cpu_ticks "$player") begin_first=$(first_thread_ticks "$player")
  begin_server=$(cpu_ticks "$server") begin_audio=$(wine_audio_ticks "$player")
  if [ -n "${VELLARO_LIST_THREADS:-}" ]; then cat /proc/"$player"/task/*/comm >&2; fi
  while [ ! -f "$folder/end.sto" ]; do
    kill -0 "$runner" 2>/dev/null || { echo "the player ended during its pause" >&2; return 1; }
    sleep 0.01
  done
  echo "$(( $(cpu_ticks "$player") - begin_player )) $(( $(first_thread_ticks "$player") - begin_first ))" \
       "$(( $(cpu_ticks "$server") - begin_server )) $(( $(now_ms) - begin_ms ))" \
       "$(( $(wine_audio_ticks "$player") - begin_audio ))"
  wait "$runner" || true
  # Wine may still be tearing the process down; the next run must not find it.
  for _ in $(seq 200); do [ -d "/proc/$player" ] || break; sleep 0.05; done
  rm -rf "$folder"
}

ms() { echo $(( $1 * 1000 / ticks )); }
# Three parts of the player's CPU: the main (waiting) thread, the player's other threads (the
# mixer's timer among them) and Wine's audio threads, so that the player's own part is not hidden
# in Wine's noise.
total_player=0 total_first=0 total_server=0 total_wall=0 total_audio=0
for run in $(seq $runs); do
  measure_once >"$state/run.txt"  # not in a pipe: the runs must not overlap
  read -r player first server wall audio <"$state/run.txt"
  echo "run $run: ${wait_line:-pause ${pause_ms} ms}${watch:+ with --watch} took ${wall} ms; player CPU $(ms "$player") ms:" \
       "main thread $(ms "$first") ms, player's other threads $(ms $((player - first - audio))) ms," \
       "Wine's audio threads $(ms "$audio") ms; wineserver CPU $(ms "$server") ms"
  total_player=$((total_player + player)) total_first=$((total_first + first)) total_audio=$((total_audio + audio))
  total_server=$((total_server + server)) total_wall=$((total_wall + wall))
done
wall=$((total_wall / runs))
percent() { echo "$(( $(ms "$1") * 1000 / runs / wall ))" | sed 's/\(.\)$/.\1/; s/^\./0./'; }
echo "average of $runs runs over $wall ms of pause:" \
     "main thread $(( $(ms "$total_first") / runs )) ms ($(percent "$total_first") % of a core)," \
     "player's other threads $(( $(ms $((total_player - total_first - total_audio))) / runs )) ms" \
     "($(percent $((total_player - total_first - total_audio))) %)," \
     "Wine's audio threads $(( $(ms "$total_audio") / runs )) ms ($(percent "$total_audio") %);" \
     "wineserver $(( $(ms "$total_server") / runs )) ms (clock tick $((1000 / ticks)) ms)"
