#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, AddressSanitizer, UBSan) and runs every fuzz target for
# SECONDS (default 20) on a scratch copy of its seed corpus, printing each target's execution count.
# Exits non-zero when any target finds something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2

# In memory where possible: the library target writes its input to a file on every run.
scratch=$(mktemp -d -p "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")")
trap 'rm -rf "$scratch"' EXIT
status=0
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=${target##*/fuzz_}
  mkdir -p "$scratch/$name/corpus" "$scratch/$name/artifacts"
  cp tests/fuzz/corpus/"$name"/* "$scratch/$name/corpus/" 2>/dev/null || true
  log="$scratch/$name/log.txt"
  if TMPDIR="$scratch/$name" "$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$scratch/$name/artifacts/" "$scratch/$name/corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz $name: ${runs:-?} executions in ${seconds}s, no finding"
  else
    status=1
    mkdir -p build/fuzz/findings
    cp -r "$scratch/$name/artifacts/." build/fuzz/findings/ 2>/dev/null || true
    tail -40 "$log"
    echo "fuzz $name: FINDING (inputs kept in build/fuzz/findings)"
  fi
done
exit $status
