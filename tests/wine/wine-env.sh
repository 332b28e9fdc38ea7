#!/bin/sh
# One virtual display and one Wine server for a whole run of the Wine tests.
#
#   wine-env.sh STATE_DIR start            start Xvfb and a persistent wineserver, prepare the prefix
#   wine-env.sh STATE_DIR run EXE [ARG...] run a Windows program on that display and server
#   wine-env.sh STATE_DIR stop             stop the wineserver (and every Wine process) and Xvfb
#
# STATE_DIR keeps the Wine prefix (made once with wineboot, reused by later runs), the display
# number, the process ids and the logs. The caller's DISPLAY is never used: the tests draw on
# their own 1024x768x24 screen, so they run the same on a desktop, over ssh and in CI.
set -eu

if [ $# -lt 2 ]; then
  echo "usage: $0 STATE_DIR start|run EXE [ARG...]|stop" >&2
  exit 2
fi
# Wine wants an absolute prefix ("not an absolute path" otherwise), whatever the caller passed.
mkdir -p "$1"
state=$(cd "$1" && pwd)
action=$2
shift 2

prefix=$state/wineprefix
# Raise this when the settings below change, so that existing prefixes take them up.
prefix_version=3
wine_bin=${WINE:-wine}

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No Mono or Gecko install dialogs: the player needs neither .NET nor HTML.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Wine wants a home; CI may run without one.
export HOME="${HOME:-$state}"

log() { echo "wine-env: $*" >&2; }

# True when PID is alive and runs the program NAME (guards against a reused process id).
is_our_process() {
  [ -n "$1" ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ]
}

stop_env() {
  if [ -d "$prefix" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  if [ -f "$state/xvfb.pid" ]; then
    pid=$(cat "$state/xvfb.pid")
    if is_our_process "$pid" Xvfb; then
      kill "$pid" 2>/dev/null || true
      i=0
      while is_our_process "$pid" Xvfb && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
      is_our_process "$pid" Xvfb && kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$state/xvfb.pid"
  fi
  rm -f "$state/display"
}

start_xvfb() {
  rm -f "$state/display.fd"
  # -displayfd picks a free display number and reports it once the server accepts clients.
  # setsid and the redirections detach Xvfb from ctest's pipes, so ctest does not wait for it.
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$state/display.fd" </dev/null >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  i=0
  while [ ! -s "$state/display.fd" ]; do
    if [ $i -ge 100 ] || ! kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
      log "Xvfb did not start; see $state/xvfb.log"
      cat "$state/xvfb.log" >&2 || true
      exit 1
    fi
    sleep 0.1
    i=$((i + 1))
  done
  echo ":$(head -n 1 "$state/display.fd" | tr -d ' \n')" >"$state/display"
  rm -f "$state/display.fd"
}

start_env() {
  mkdir -p "$state"
  stop_env  # leftovers of an interrupted run
  start_xvfb
  DISPLAY=$(cat "$state/display")
  export DISPLAY
  log "Xvfb on $DISPLAY, prefix $prefix"
  if [ "$(cat "$prefix/.vellaro-tests-ready" 2>/dev/null)" != "$prefix_version" ]; then
    prepare_prefix
  fi
  # A persistent server lives until 'stop', so every test reuses it instead of starting its own.
  wineserver -p </dev/null >"$state/wineserver.log" 2>&1
  # Start Wine's services and its desktop now, writing to a log: started later by a test, they
  # would keep ctest's output pipe open after the test has ended.
  if ! wineboot </dev/null >"$state/services.log" 2>&1; then
    log "wineboot failed; see $state/services.log"
    exit 1
  fi
  log "ready"
}

# Makes the prefix once: wineboot, then the settings below. The settings take effect for the
# Wine desktop started after them, so the server (and the desktop wineboot started) is stopped.
#
# Every window opens inside one Wine desktop of the screen's size. Without it Wine treats each
# window as a window of the X display and, as Xvfb has no window manager, waits two seconds for
# one whenever a window is hidden (every message box that closes). A program that crashes ends at
# once with its exception code, instead of waiting behind a crash dialog or for a debugger to attach
# (no AeDebug debugger is registered).
prepare_prefix() {
  log "preparing the Wine prefix $prefix (once)"
  mkdir -p "$prefix"
  if ! wineboot -i </dev/null >"$state/wineboot.log" 2>&1; then
    log "wineboot failed; see $state/wineboot.log"
    cat "$state/wineboot.log" >&2 || true
    exit 1
  fi
  cat >"$state/vellaro-tests.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"=-
"Auto"="0"

[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"=-
"Auto"="0"
REG
  if ! "$wine_bin" reg import "$state/vellaro-tests.reg" </dev/null >>"$state/wineboot.log" 2>&1; then
    log "cannot configure the Wine prefix; see $state/wineboot.log"
    exit 1
  fi
  wineserver -k >/dev/null 2>&1 || true  # saves the registry
  wineserver -w >/dev/null 2>&1 || true
  echo "$prefix_version" >"$prefix/.vellaro-tests-ready"
}

# Every run gets the same sound device, whatever the machine has: ALSA's default device writes
# what Wine plays into $state/sound/heard.wav (a WAV file, in Wine's mixing format) over the silent
# null device, and the sound tests read it. Wine hands its children the Unix environment, not the
# environment a Windows program passes to CreateProcess, so the setting is made here for the run.
capture_sound() {
  sound=$(cd "$state" && pwd)/sound
  mkdir -p "$sound"
  cat >"$sound/asound.conf" <<ALSA
</usr/share/alsa/alsa.conf>
pcm.!default {
  type file
  slave.pcm "null"
  file "$sound/heard.wav"
  format "wav"
}
ALSA
  export ALSA_CONFIG_PATH="$sound/asound.conf"
  export VELLARO_HEARD_WAV="$sound/heard.wav"
  # VELLARO_WINE_RECORDING=none: a machine without a recording device. The playback side is the
  # same; the default device has no capture side, and there is no sound card, so Wine lists no
  # recording device at all.
  if [ "${VELLARO_WINE_RECORDING:-}" = none ]; then
    cat >"$sound/no-recording.conf" <<ALSA
</usr/share/alsa/alsa.conf>
pcm.!default {
  type asym
  playback.pcm {
    type file
    slave.pcm "null"
    file "$sound/heard.wav"
    format "wav"
  }
}
ALSA
    export ALSA_CONFIG_PATH="$sound/no-recording.conf"
  fi
}

# VELLARO_WINE_RECORDING=FILE.wav: a room whose microphone hears FILE.wav. A PulseAudio server of
# the run's own plays it once into a silent null sink, 300 ms after the first recording stream
# opens, in 20 ms blocks (left to itself the null sink renders seconds at a time, and the recording
# device then hands Wine bursts it cannot keep). Its default source, an ordinary source remapped
# from the sink's monitor, is what Wine records through PulseAudio. What Wine plays in that run goes
# to the same sink. Every other run names a server that is not there, so that Wine uses the ALSA
# devices above and libpulse never starts a server of its own.
start_room() {
  room=$state/room
  recording=$1
  mkdir -p "$room/run"
  chmod 700 "$room/run"
  cat >"$room/room.pa" <<PA
load-module module-native-protocol-unix socket=$room/native auth-anonymous=1
load-module module-null-sink sink_name=vellaro_room rate=44100 channels=1
load-module module-remap-source master=vellaro_room.monitor source_name=vellaro_microphone channels=1
set-default-sink vellaro_room
set-default-source vellaro_microphone
PA
  rm -f "$room/native"
  XDG_RUNTIME_DIR=$room/run HOME=$room setsid pulseaudio -n -F "$room/room.pa" --daemonize=no \
    --exit-idle-time=-1 --use-pid-file=no --system=false --disallow-exit=yes \
    --log-target="file:$room/pulseaudio.log" </dev/null >/dev/null 2>&1 &
  echo $! >"$room/pulseaudio.pid"
  export PULSE_SERVER="unix:$room/native"
  i=0
  until pactl info >/dev/null 2>&1; do
    if [ $i -ge 100 ]; then
      log "PulseAudio did not start; see $room/pulseaudio.log"
      exit 1
    fi
    sleep 0.1
    i=$((i + 1))
  done
  (
    i=0
    while [ $i -lt 1200 ]; do
      if [ -n "$(pactl list short source-outputs 2>/dev/null)" ]; then
        sleep 0.3
        paplay -d vellaro_room --latency-msec=20 "$recording"
        break
      fi
      sleep 0.05
      i=$((i + 1))
    done
  ) </dev/null >/dev/null 2>&1 &
  echo $! >"$room/cue.pid"
}

stop_room() {
  room=$state/room
  for name in cue pulseaudio; do
    [ -f "$room/$name.pid" ] || continue
    pid=$(cat "$room/$name.pid")
    pkill -P "$pid" 2>/dev/null || true
    kill "$pid" 2>/dev/null || true
    rm -f "$room/$name.pid"
  done
}

run_in_env() {
  if [ ! -s "$state/display" ]; then
    log "not started: run '$0 $state start' first"
    exit 1
  fi
  DISPLAY=$(cat "$state/display")
  export DISPLAY
  capture_sound
  case "${VELLARO_WINE_RECORDING:-}" in
    *.wav)
      start_room "$VELLARO_WINE_RECORDING"
      trap stop_room EXIT
      ;;
    *) export PULSE_SERVER="unix:$state/no-pulseaudio-here" ;;
  esac
  # The program writes to a file that tail passes on: a Wine process started in the background
  # during the run holds that file open, not ctest's pipe, so the test ends when the program ends.
  output=$(mktemp "$state/run.XXXXXX")
  "$wine_bin" "$@" </dev/null >"$output" 2>&1 &
  pid=$!
  tail -s 0.1 -n +1 -f --pid=$pid "$output"
  status=0
  wait $pid || status=$?
  rm -f "$output"
  exit $status
}

case "$action" in
  start) start_env ;;
  run) run_in_env "$@" ;;
  stop) stop_env ;;
  *)
    echo "unknown action: $action" >&2
    exit 2
    ;;
esac
