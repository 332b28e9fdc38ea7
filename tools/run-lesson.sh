#!/usr/bin/env bash
# Builds vellaro.exe and runs a lesson folder of one's own in it under Wine.
#
#   tools/run-lesson.sh DIR [--watch] [--headless] [SCENARIO]
#
# The player starts in DIR with SCENARIO (index.scn when none is given), as `vellaro.exe
# [--watch] [SCENARIO]` started in that folder on Windows; --watch reloads the lesson a second
# after a .scn file of the folder is saved.
#   With a display (and without --headless) it runs on that display until the lesson ends.
#   Without one, or with --headless, it runs on a virtual display (Xvfb, 1024x768) for
#   VELLARO_RUN_SECONDS seconds (5) after its start, leaves a screenshot of the screen in
#   build/run-lesson/NAME.png (NAME the folder's name), prints its path and ends the player.
set -euo pipefail

usage() {
  echo "usage: tools/run-lesson.sh DIR [--watch] [--headless] [SCENARIO]" >&2
  exit 2
}

folder=""
scenario=""
watch=()
headless=0
for argument in "$@"; do
  case "$argument" in
    --watch) watch=(--watch) ;;
    --headless) headless=1 ;;
    -*) usage ;;
    *)
      if [ -z "$folder" ]; then folder=$argument
      elif [ -z "$scenario" ]; then scenario=$argument
      else usage
      fi ;;
  esac
done
[ -n "$folder" ] || usage
[ -d "$folder" ] || { echo "run-lesson: $folder is no folder" >&2; exit 2; }
folder=$(cd "$folder" && pwd)
[ -f "$folder/${scenario:-index.scn}" ] || { echo "run-lesson: $folder has no ${scenario:-index.scn}" >&2; exit 2; }

cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target vellaro controls_library -j "$(nproc 2>/dev/null || echo 2)"
exe=$root/build/win64/vellaro.exe
arguments=("${watch[@]}")
[ -z "$scenario" ] || arguments+=("$scenario")

if [ -n "${DISPLAY:-}" ] && [ "$headless" = 0 ]; then
  cd "$folder" && exec wine "$exe" "${arguments[@]}"
fi

state=$root/build/run-lesson
mkdir -p "$state"
shot=$state/$(basename "$folder").png
rm -f "$shot"
env_script="sh $root/tests/wine/wine-env.sh $state"
$env_script start
trap '$env_script stop >/dev/null 2>&1 || true' EXIT
(cd "$folder" && $env_script run "$exe" "${arguments[@]}" >"$state/player.log" 2>&1) &
export DISPLAY=$(cat "$state/display")

for _ in $(seq 100); do xdotool search --name '^Vellaro$' >/dev/null 2>&1 && break; sleep 0.2; done
# The lesson's boxes stay open and show in the screenshot.
seconds=${VELLARO_RUN_SECONDS:-5}
sleep "$seconds"
import -window root "$shot"
echo "The lesson ran on a virtual display for $seconds seconds; the screen at the end is:"
echo "  $shot"
