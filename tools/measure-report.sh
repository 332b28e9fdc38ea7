#!/bin/bash
# Times lessonreport on a generated progress log: LINES attempts (default 10 000) over five tags of
# 16 notes each, in one log, with one damaged line in every thousand. Builds lessonreport alone with
# the bench preset (optimised, no sanitizers) and prints, for RUNS runs (default 5), the median
# wall-clock and CPU time and the page's size.
#
#   tools/measure-report.sh [LINES] [RUNS]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
lines=${1:-10000}
runs=${2:-5}

(cd "$here" && cmake --preset bench >/dev/null && cmake --build --preset bench --target lessonreport >/dev/null)

folder=$(mktemp -d /tmp/vellaro-report-XXXXXX)
trap 'rm -rf "$folder"' EXIT

/usr/bin/python3 - "$here/build/bench/lessonreport" "$folder" "$lines" "$runs" <<'PYTHON'
import os, random, resource, statistics, subprocess, sys, time

tool, folder, lines, runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
random.seed(1)
tags = ["Echo the rhythm", "Tune to your ears", "Name the note", "Intervals by ear", "Note values"]
words = ["ok"] * 6 + ["early", "late", "wrong", "missed"]
log = os.path.join(folder, "progress.log")
with open(log, "w", newline="") as f:
    for i in range(lines):
        if i % 1000 == 999:
            f.write("a damaged line\r\n")
            continue
        verdicts = [random.choice(words) for _ in range(16)]
        day, minute = divmod(i * 7, 24 * 60)
        f.write("2026-%02d-%02d %02d:%02d:00\t%s\t%d\t%s\t200\t40\r\n" % (
            1 + day // 28 % 12, 1 + day % 28, minute // 60, minute % 60, tags[i % len(tags)],
            round(100 * verdicts.count("ok") / 16), " ".join(verdicts)))
page = os.path.join(folder, "report.html")
walls, cpus = [], []
for _ in range(runs):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run([tool, log, "-o", page], check=True, stderr=subprocess.DEVNULL)
    walls.append(time.perf_counter() - start)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpus.append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
print(f"{lines} lines ({os.path.getsize(log)} bytes), {runs} runs: median wall {statistics.median(walls) * 1000:.0f} ms, "
      f"median CPU {statistics.median(cpus) * 1000:.0f} ms, page {os.path.getsize(page)} bytes; "
      f"load average {os.getloadavg()[0]:.1f}")
PYTHON
