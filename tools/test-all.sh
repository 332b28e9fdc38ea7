#!/usr/bin/env bash
# Builds everything and runs all tests in one ctest run: the native unit tests (AddressSanitizer
# and UBSan), the thread stress tests (ThreadSanitizer) and the Wine tests of vellaro.exe, all built
# with warnings as errors, after a short run of every fuzz target. Installs missing packages first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

for preset in native tsan win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

# Each fuzz target for 20 s: a parser or interpreter regression shows before the long test run.
tools/fuzz.sh 20

# One ctest run over the three build trees, so there is one summary at the end.
mkdir -p build/all
cat >build/all/CTestTestfile.cmake <<CTEST
subdirs("$PWD/build/native")
subdirs("$PWD/build/tsan")
subdirs("$PWD/build/win64")
CTEST
echo "vellaro.exe: $PWD/build/win64/vellaro.exe"
# Every test has a time limit: one that hangs fails instead of holding the run.
ctest --test-dir build/all --output-on-failure --timeout 300 "$@"
