#!/usr/bin/python3
"""lessonreport run as a teacher runs it, on logs written here line by line.

    lessonreport_cli_test.py LESSONREPORT WORKDIR CASE

The log of the page cases holds three tags and twenty attempts, with two damaged lines among them;
the test knows each attempt's words and computes its score itself. "browser" opens the page in
headless Chromium: the DOM Chromium built is counted (one chart point per attempt, the skipped
count, the lesson's markup shown as text), and a screenshot is taken, checked for the verdict
colours and left in WORKDIR/browser for a person to look at.
"""
import os
import re
import shutil
import subprocess
import sys

BROWSER_TIMEOUT = 120

# (tag, minute of the day, verdict words per attempt); a tag holds lesson text, markup included.
TAGS = [
    ("Echo the rhythm", 9 * 60, [
        "ok late ok wrong missed extra", "ok ok ok late ok", "ok ok ok ok ok", "early ok wrong ok ok",
        "ok ok ok ok missed", "ok ok late ok ok extra extra", "ok ok ok ok ok", "missed missed ok ok ok",
    ]),
    ("Tune to your ears", 10 * 60, [
        "wrong", "ok", "wrong", "ok", "ok", "ok", "extra",
    ]),
    ('Intervals <script>alert("x")</script> & more', 11 * 60, [
        "ok wrong", "ok ok", "late ok", "ok ok", "",
    ]),
]
DAMAGED = [
    "2026-12-04 09:00:00\tEcho the rhythm\t67\tok late ok wrong missed\t200\r\n",  # a field lost
    "\x00\x01PK\x03\x04 binary\r\n",
]
ATTEMPTS = sum(len(words) for _, _, words in TAGS)
# Verdict colours of the page's style sheet, as the browser paints them.
COLOURS = {"ok": "2E9E44", "early/late": "F08C00", "wrong/missed": "D32F2F", "extra": "9E9E9E",
           "chart": "1565C0"}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def score(words):
    """round(100 * ok / max(expected, played)), halves up, as check score gives it."""
    verdicts = words.split()
    played = sum(1 for w in verdicts if w not in ("missed",))
    expected = sum(1 for w in verdicts if w != "extra")
    notes = max(expected, played)
    return 0 if notes == 0 else (200 * verdicts.count("ok") + notes) // (2 * notes)


def write_log(path):
    """Attempts a day apart per tag, one tag after another each day; the damaged lines among them."""
    lines = []
    for tag, minute, attempts in TAGS:
        for day, words in enumerate(attempts):
            lines.append("2026-12-%02d %02d:%02d:%02d\t%s\t%d\t%s\t200\t40\r\n"
                         % (day + 1, minute // 60, minute % 60, day, tag, score(words), words))
    lines.insert(3, DAMAGED[0])
    lines.insert(14, DAMAGED[1])
    with open(path, "w", newline="", encoding="utf-8") as log:
        log.write("".join(lines))


def run(tool, *arguments, cwd=None):
    return subprocess.run([tool, *arguments], capture_output=True, text=True, timeout=60, cwd=cwd)


def escaped(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("'", "&#39;"))


def sections(html):
    """{heading text as on the page: section's html} for each exercise."""
    found = {}
    for part in html.split('<section class="exercise"')[1:]:
        heading = re.search(r"<h2>(.*?)</h2>", part).group(1)
        found[heading] = part.split("</section>")[0]
    return found


def check_page(html, source):
    """What the page must hold, whether as written or as the browser's DOM."""
    points = re.findall(r'<circle\b[^>]*\bclass="attempt"', html)
    check(len(points) == ATTEMPTS, f"{source}: {len(points)} chart points, not one per attempt ({ATTEMPTS})")
    by_tag = sections(html)
    check(len(by_tag) == len(TAGS), f"{source}: {len(by_tag)} sections, not {len(TAGS)}")
    for tag, _, attempts in TAGS:
        heading = escaped(tag).replace("&#39;", "'").replace("&quot;", '"') if source == "DOM" else escaped(tag)
        section = by_tag.get(heading)
        check(section is not None, f"{source}: no section headed {heading!r}; headings {list(by_tag)}")
        count = len(re.findall(r'<circle\b[^>]*\bclass="attempt"', section))
        check(count == len(attempts), f"{source}: {tag}: {count} points for {len(attempts)} attempts")
        best = re.search(r'<b class="best">(\d+)</b>', section).group(1)
        latest = re.search(r'<b class="latest">(\d+)</b>', section).group(1)
        scores = [score(words) for words in attempts]
        check(int(best) == max(scores), f"{source}: {tag}: best {best}, not {max(scores)}")
        check(int(latest) == scores[-1], f"{source}: {tag}: latest {latest}, not {scores[-1]}")
        cells = len(re.findall(r'<rect\b[^>]*\bclass="note ', section)) - 6  # less the legend's
        words = sum(len(w.split()) for w in attempts)
        check(cells == words, f"{source}: {tag}: {cells} note cells for {words} verdict words")
    check(re.search(r"<h2>2 lines skipped</h2>", html), f"{source}: the page does not say 2 lines skipped")
    check("<script" not in html, f"{source}: the tag's <script> became markup")


def case_page(tool, work):
    log, page = os.path.join(work, "progress.log"), os.path.join(work, "report.html")
    write_log(log)
    result = run(tool, log, "-o", page)
    check(result.returncode == 0, f"exit code {result.returncode}: {result.stderr}")
    check("2 lines skipped" in result.stderr, f"stderr does not count the skipped lines: {result.stderr!r}")
    with open(page, encoding="utf-8") as f:
        html = f.read()
    check_page(html, "page")
    check(f"{log} line 4: not six fields separated by tabs" in html, "the first damaged line's place is missing")
    check(f"{log} line 15: control bytes: not a line of text" in html, "the second damaged line's place is missing")
    for part in ("http:", "https:", "src=", "url(", "@import", "<link", "<img", "<iframe", "<object"):
        check(part not in html, f"the page would load something from elsewhere: {part}")
    check(html.count("href=") == html.count('href="#'), "a link leads off the page")
    print(f"page: {len(html)} bytes, {ATTEMPTS} points in {len(TAGS)} charts")


def chromium(profile, *arguments):
    # Root in a container has no sandbox to enter; the page is our own and holds no script.
    command = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--user-data-dir=" + profile,
               "--force-color-profile=srgb", "--hide-scrollbars", *arguments]
    return subprocess.run(command, capture_output=True, text=True, timeout=BROWSER_TIMEOUT)


def colour_counts(png):
    """{RRGGBB: pixels} of a picture, from ImageMagick's histogram."""
    result = subprocess.run(["convert", png, "-format", "%c", "histogram:info:-"], capture_output=True, text=True,
                            timeout=60)
    check(result.returncode == 0, f"convert could not read {png}: {result.stderr}")
    counts = {}
    for count, colour in re.findall(r"^\s*(\d+):.*?#([0-9A-Fa-f]{6})", result.stdout, re.M):
        counts[colour.upper()] = counts.get(colour.upper(), 0) + int(count)
    return counts


def case_browser(tool, work):
    check(shutil.which("chromium"), "chromium is missing: tools/install-deps.sh installs it")
    check(shutil.which("convert"), "ImageMagick's convert is missing: tools/install-deps.sh installs it")
    log, page = os.path.join(work, "progress.log"), os.path.join(work, "report.html")
    write_log(log)
    result = run(tool, log, "-o", page)
    check(result.returncode == 0, f"exit code {result.returncode}: {result.stderr}")
    url = "file://" + os.path.abspath(page)
    profile = os.path.join(work, "chromium-profile")
    dom = chromium(profile, "--dump-dom", url)
    check(dom.returncode == 0 and "<html" in dom.stdout, f"chromium --dump-dom failed ({dom.returncode}): {dom.stderr}")
    check_page(dom.stdout, "DOM")
    shot = os.path.join(work, "report.png")
    if os.path.exists(shot):
        os.remove(shot)
    taken = chromium(profile, "--screenshot=" + shot, "--window-size=1000,2400", url)
    check(taken.returncode == 0 and os.path.exists(shot), f"no screenshot ({taken.returncode}): {taken.stderr}")
    counts = colour_counts(shot)
    for name, colour in COLOURS.items():
        # A cell is 14 by 14 pixels; the screenshot shows many of each.
        check(counts.get(colour, 0) >= 3 * 14 * 14, f"the screenshot has {counts.get(colour, 0)} pixels of {name}")
    print(f"browser: {ATTEMPTS} points in the DOM; screenshot {shot}")


def case_usage(tool, work):
    for arguments, message in [((), "no log given"), (("a.log",), "no page given: -o REPORT.html"),
                               (("a.log", "-o"), "-o needs the page's file name"),
                               (("a.log", "-o", "a.html", "-o", "b.html"), "-o given twice"),
                               (("--colour", "a.log", "-o", "a.html"), "unknown option --colour")]:
        result = run(tool, *arguments, cwd=work)
        check(result.returncode == 2, f"{arguments}: exit code {result.returncode}, not 2")
        check(result.stderr == f"lessonreport: {message}\nusage: lessonreport LOG... -o REPORT.html\n",
              f"{arguments}: stderr {result.stderr!r}")
    result = run(tool, "--help")
    check(result.returncode == 0 and result.stdout.startswith("usage: lessonreport"), f"--help: {result}")


def case_unreadable(tool, work):
    """A log that cannot be read stops the tool before the page, which keeps what it held."""
    log, page = os.path.join(work, "progress.log"), os.path.join(work, "report.html")
    write_log(log)
    with open(page, "w") as f:
        f.write("last week's page")
    missing = os.path.join(work, "missing.log")
    for path, message in [(missing, "cannot open the log: No such file or directory"),
                          (work, "is a folder, not a log")]:
        result = run(tool, log, path, "-o", page)
        check(result.returncode == 1, f"{path}: exit code {result.returncode}, not 1")
        check(result.stderr == f"lessonreport: {path}: {message}\n", f"{path}: stderr {result.stderr!r}")
        with open(page) as f:
            check(f.read() == "last week's page", f"{path}: the old page was overwritten")
    nowhere = os.path.join(work, "no-such-folder", "report.html")
    result = run(tool, log, "-o", nowhere)
    check(result.returncode == 1 and result.stderr == f"lessonreport: {nowhere}: cannot write the page\n",
          f"unwritable page: {result.returncode} {result.stderr!r}")


def case_foreign(tool, work):
    """Other programs' files (the tool itself, a cut log) given as logs: skipped lines, never a crash."""
    cut = os.path.join(work, "cut.log")
    with open(cut, "wb") as f:
        f.write(b"2026-12-01 09:00:00\tEcho the rhythm\t100\tok ok\t200\t40\r\n2026-12-02 09:00:00\tEcho the rh")
    page = os.path.join(work, "report.html")
    result = run(tool, cut, tool, "-o", page)
    check(result.returncode == 0, f"exit code {result.returncode}: {result.stderr}")
    with open(page, encoding="utf-8") as f:
        html = f.read()
    skipped = int(re.search(r"<h2>(\d+) lines? skipped</h2>", html).group(1))
    check(skipped > 100, f"only {skipped} lines of the tool's own file skipped")
    check(re.search(r"<li>and \d+ more</li>", html), "the skipped lines past the first hundred are not counted")
    check(len(re.findall(r'<circle\b[^>]*\bclass="attempt"', html)) == 1, "the cut log's whole line is not on the page")
    check(f"{cut} line 2: not six fields separated by tabs" in html, "the cut line is not named")


CASES = {"page": case_page, "browser": case_browser, "usage": case_usage, "unreadable": case_unreadable,
         "foreign": case_foreign}


def main():
    tool, workdir, case = sys.argv[1:4]
    work = os.path.join(workdir, case)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    try:
        CASES[case](os.path.abspath(tool), os.path.abspath(work))
    except (Failure, subprocess.TimeoutExpired) as failure:
        sys.exit(f"lessonreport {case}: {failure}")


if __name__ == "__main__":
    main()
