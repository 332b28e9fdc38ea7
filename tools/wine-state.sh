# Sourced by the measuring scripts: a Wine prefix and virtual display (tests/wine/wine-env.sh) for
# the measurement. open_wine_state [STATE_DIR] sets state: the given folder, whose prefix and
# display are reused when they run already, or a new temporary one. close_wine_state stops and
# removes only what open_wine_state started or made.
open_wine_state() {
  wine_env_script=$here/tests/wine/wine-env.sh
  made_state=no
  if [ -n "${1:-}" ]; then
    state=$1
  else
    state=$(mktemp -d /tmp/vellaro-measure-XXXXXX)
    made_state=yes
  fi
  started_env=no
  if [ ! -s "$state/display" ]; then
    bash "$wine_env_script" "$state" start
    started_env=yes
  fi
}

close_wine_state() {
  if [ "$started_env" = yes ]; then bash "$wine_env_script" "$state" stop || true; fi
  if [ "$made_state" = yes ]; then rm -rf "$state"; fi
}
