#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages that building and testing Vellaro needs, when any is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libbenchmark-dev clang libclang-rt-14-dev ncompress
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine64 xvfb xauth xdotool imagemagick python3 graphviz unzip
  clang libclang-rt-14-dev ncompress
  python3-mido  # an independent MIDI file writer for midimelody's tests (Debian's /usr/bin/python3)
  nodejs        # the editor support's grammar tests and its .vsix (editors/vscode)
  chromium      # a real browser for lessonreport's page (headless: DOM and screenshot)
  # the listener's rendered recordings, its scoring and its peer (tests/listening)
  fluidsynth fluid-soundfont-gm aubio-tools python3-mir-eval python3-numpy
  pulseaudio pulseaudio-utils  # a room whose microphone hears a recording, for Wine's capture
)
# npm comes with some builds of nodejs (which then conflict with Debian's npm package): only the
# command counts.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
