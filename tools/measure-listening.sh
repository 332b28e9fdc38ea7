#!/bin/bash
# Renders the full listening set (two melodies of 22 notes for each instrument, clean and with white
# noise 20 dB below the music, and three clap patterns), runs the listener and aubionotes on every
# file, and prints the table of docs/performance.md ("Hearing the learner"). Then runs the cost
# benchmark of the listener.
#
#   tools/measure-listening.sh [WORK_DIR]
#
# listen_file comes from the bench tree (optimised); the tree is configured and the two targets built
# when missing.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$here/build/bench/listening-work}
cd "$here"
[ -f build/bench/build.ninja ] || cmake --preset bench >/dev/null
nice -n 10 cmake --build build/bench --target listen_file vellaro_benchmarks -j2 >/dev/null
nice -n 10 /usr/bin/python3 tests/listening/listening.py --listen build/bench/tests/listening/listen_file \
  --work "$work" --aubio
echo
nice -n 10 build/bench/tests/bench/vellaro_benchmarks --benchmark_filter=Listener
