#!/bin/bash
# Measures the processor time vellaro.exe uses during a 5-second `pause` under Wine, and prints it.
#
#   tools/measure-pause-cpu.sh [VELLARO_EXE] [WINE_STATE_DIR]
#
# It runs two scenarios, "pause 5000 ms" and "pause 0 ms", each followed by `terminate`, and
# reads the player's own CPU time (utime + stime of /proc/PID/stat, sampled until it exits) and
# that of the Wine server of the same prefix. The difference between the two runs is what the
# five seconds of waiting cost; start-up and shutdown cancel out.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$here/build/win64/vellaro.exe}
made_state=no
if [ $# -ge 2 ]; then
  state=$2
else
  state=$(mktemp -d /tmp/vellaro-measure-XXXXXX)
  made_state=yes
fi
env_script=$here/tests/wine/wine-env.sh
ticks=$(getconf CLK_TCK)

[ -f "$exe" ] || { echo "no player at $exe; build it with: cmake --preset win64 && cmake --build --preset win64" >&2; exit 1; }

started_env=no
if [ ! -s "$state/display" ]; then
  bash "$env_script" "$state" start
  started_env=yes
fi
cleanup() {
  if [ "$started_env" = yes ]; then bash "$env_script" "$state" stop || true; fi
  if [ "$made_state" = yes ]; then rm -rf "$state"; fi
}
trap cleanup EXIT

# CPU ticks (user + system) of a process from its stat line; the name may hold blanks, so
# fields are counted after the closing parenthesis.
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | awk '{print $12 + $13}'; }

# The wineserver of our prefix (several Wine users may share the machine).
our_wineserver() {
  for dir in /proc/[0-9]*; do
    case "$(cat "$dir/comm" 2>/dev/null)" in wineserver*) ;; *) continue ;; esac
    if tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qx "WINEPREFIX=$state/wineprefix"; then
      basename "$dir"
      return
    fi
  done
}

# Runs one scenario line followed by terminate; prints "player_ticks server_ticks wall_seconds".
measure() {
  local folder pid server server_before server_after last=0 value start end
  folder=$(mktemp -d /tmp/vellaro-pause-XXXXXX)
  cp "$exe" "$folder/vellaro.exe"
  printf '%s\r\nterminate\r\n' "$1" >"$folder/index.scn"
  server=$(our_wineserver)
  server_before=$( [ -n "$server" ] && cpu_ticks "$server" || echo 0)
  start=$(date +%s%N)
  (cd "$folder" && exec bash "$env_script" "$state" run ./vellaro.exe >/dev/null 2>&1) &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    value=$(cpu_ticks "$pid") && [ -n "$value" ] && last=$value
    sleep 0.05
  done
  end=$(date +%s%N)
  server_after=$( [ -n "$server" ] && cpu_ticks "$server" || echo 0)
  rm -rf "$folder"
  echo "$last $((server_after - server_before)) $(( (end - start) / 1000000 ))"
}

# Each scenario three times; the sums even out the noise of Wine's start-up.
runs=3
long_player=0 long_server=0 long_wall=0 short_player=0 short_server=0 short_wall=0
for _ in $(seq $runs); do
  read -r p s w < <(measure "pause 5000 ms")
  long_player=$((long_player + p)) long_server=$((long_server + s)) long_wall=$((long_wall + w))
  read -r p s w < <(measure "pause 0 ms")
  short_player=$((short_player + p)) short_server=$((short_server + s)) short_wall=$((short_wall + w))
done

ms() { echo $(( $1 * 1000 / ticks / runs )); }
pause_player=$(( long_player - short_player ))
pause_server=$(( long_server - short_server ))
echo "averages of $runs runs each"
echo "run with pause 5000 ms: wall $((long_wall / runs)) ms, player CPU $(ms "$long_player") ms, wineserver CPU $(ms "$long_server") ms"
echo "run with pause 0 ms:    wall $((short_wall / runs)) ms, player CPU $(ms "$short_player") ms, wineserver CPU $(ms "$short_server") ms"
echo "the 5-second pause cost: player $(ms "$pause_player") ms CPU, wineserver $(ms "$pause_server") ms CPU" \
     "(about $(( (pause_player + pause_server) * 1000 * 1000 / ticks / runs / 5000 ))/1000 of one core; clock tick $((1000 / ticks)) ms)"
