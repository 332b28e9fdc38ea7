#!/usr/bin/env bash
# Builds the libFuzzer targets (the fuzz preset) and runs each for SECONDS (default 20) on a
# scratch copy of its seed corpus, so that the repository's corpus stays as it is. Prints each
# target's execution count; exits non-zero when any target finds a crash, a leak or a hang.
#
#   tools/fuzz.sh [SECONDS]
#
# A finding leaves its input as build/fuzz/findings/<target>/crash-* (or leak-*, timeout-*).
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j 2 || exit 1

failed=0
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=${target##*/fuzz_}
  scratch=$(mktemp -d /tmp/vellaro-corpus-XXXXXX)
  findings=build/fuzz/findings/$name
  mkdir -p "$findings"
  cp -r "tests/fuzz/corpus/$name/." "$scratch/" 2>/dev/null || true
  log=build/fuzz/findings/$name.log
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$scratch" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    echo "fuzz_$name: ${runs:-?} runs in ${seconds} s, no finding"
  else
    echo "fuzz_$name: FINDING after ${runs:-?} runs (exit $status); log $log, input in $findings/"
    grep -m 20 -E 'ERROR|SUMMARY|runtime error|#[0-9]+ 0x' "$log" || true
    failed=1
  fi
  rm -rf "$scratch"
done
exit $failed
