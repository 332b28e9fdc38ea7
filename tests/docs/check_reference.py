#!/usr/bin/env python3
"""Checks that the lesson author's reference (docs/scenario-language.md) keeps up with the player.

    check_reference.py commands LANGUAGE REFERENCE
    check_reference.py messages LANGUAGE REFERENCE
    check_reference.py stray SOURCE_DIR        (fails on a message text written outside the catalogue)
    check_reference.py list SOURCE_DIR         (prints every message literal the sources still hold)

LANGUAGE is the language description that `scnlint --language` prints: the path of scnlint (the
script runs it) or of a saved .json file.

commands: every word of the language, table commands and flow words, has a section whose heading
line is exactly ### `word`.

messages: every message text of the catalogue (src/base/messages.h) and every item name that the
missing-variable message gives appears in the reference. A text is split at printf conversions
(%d, %s, %.*s, ...), which the reference may write as any placeholder (NAME, <number>, ...), and at
line breaks (\\r, \\n); each piece that holds a letter must appear on one line of the reference, in
order, with anything in place of the conversions.

stray: the catalogue is complete. The sources (with comments removed) are searched for message
texts by four simple rules; each string literal they pick outside the catalogue is reported:
  1. literals inside the parentheses of a call that ends in a message box or a message text:
     showMessage, scriptError, askOkCancel, report (MIDI output, image library coder) and
     recordError (the math command's error text);
  2. literals in the statements of the same function that set a variable passed to such a call
     (name = ..., name += ...);
  3. literals in statements that set something named problem (the reason a message adds), and in
     the bodies of the functions called in the calls of rule 1 and in those statements: the helpers
     that build message texts;
  4. the second argument of resolveArgument and expandReferences: the label that the
     missing-variable message names.
"""
import json
import re
import subprocess
import sys
from pathlib import Path

MESSAGE_CALLS = ("showMessage", "scriptError", "askOkCancel", "report", "recordError")
LABEL_CALLS = ("resolveArgument", "expandReferences")
CONVERSION = re.compile(r"%[-+ #0]*(?:\*|\d+)?(?:\.(?:\*|\d+))?(?:hh|h|ll|l|z|j|t|L)?[diouxXcsfeEgGp]")
STRING = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
ESCAPES = {"n": "\n", "r": "\n", "t": "\t", "\\": "\\", '"': '"', "'": "'", "0": ""}


def strip_comments(code):
    """Blanks out comments, keeping string and character literals and every line break."""
    out, i, n = [], 0, len(code)
    while i < n:
        c = code[i]
        if code.startswith("//", i):
            j = code.find("\n", i)
            i = n if j < 0 else j
        elif code.startswith("/*", i):
            j = code.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", code[i:j]))
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and code[j] != c:
                j += 2 if code[j] == "\\" else 1
            out.append(code[i:j + 1])
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def closing(code, open_at, pair="()"):
    """Index of the bracket that closes the one at open_at (literals skipped)."""
    depth, i = 0, open_at
    while i < len(code):
        c = code[i]
        if c in "\"'":
            j = i + 1
            while j < len(code) and code[j] != c:
                j += 2 if code[j] == "\\" else 1
            i = j
        elif c == pair[0]:
            depth += 1
        elif c == pair[1]:
            depth -= 1
            if depth == 0:
                return i
        i += 1
    return len(code)


def literals(text):
    return [unescape(m.group(1)) for m in STRING.finditer(text)]


def unescape(body):
    return re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(1)), body)


def statement_around(code, at):
    start = max(code.rfind(";", 0, at), code.rfind("{", 0, at), code.rfind("}", 0, at)) + 1
    end = code.find(";", at)
    return code[start:end if end >= 0 else len(code)]


def function_bodies(code):
    """(start, end, name) of every function body: a brace block that follows a closing parenthesis."""
    bodies = []
    for m in re.finditer(r"\)\s*(?:const\s*)?(?:override\s*)?\{", code):
        head_start = max(code.rfind(";", 0, m.start()), code.rfind("}", 0, m.start()), code.rfind("{", 0, m.start()))
        name = re.search(r"(\w+)\s*\($", code[head_start + 1:m.start()].split("(")[0] + "(")
        if name and name.group(1) not in ("if", "for", "while", "switch", "catch"):
            bodies.append((m.end() - 1, closing(code, m.end() - 1, "{}"), name.group(1)))
    return bodies


def enclosing_body(bodies, at):
    inside = [b for b in bodies if b[0] < at < b[1]]
    return min(inside, key=lambda b: b[1] - b[0]) if inside else None


def called_functions(text):
    """Names of the free functions called in text (not methods, not std:: functions)."""
    return set(re.findall(r"(?<![.>:\w])([A-Za-z_]\w*)\s*\(", re.sub(STRING, '""', text)))


def message_statements(code):
    """(literals, called functions) of the statements of one source file that make message texts."""
    found, calls = [], set()

    def take(text):
        found.extend(literals(text))
        calls.update(called_functions(text))

    bodies = function_bodies(code)
    for m in re.finditer(r"\b(%s)\s*\(" % "|".join(MESSAGE_CALLS), code):
        inner = code[m.end():closing(code, m.end() - 1)]
        take(inner)  # rule 1
        body = enclosing_body(bodies, m.start())
        if not body:
            continue
        # A variable tested with ? is a condition, not text.
        for name in set(re.findall(r"(?<![.\w>])([A-Za-z_]\w*)\b(?!\s*[(?])", re.sub(STRING, "", inner))):
            setter = re.compile(r"\b%s\s*(?:\+=|=(?!=))" % re.escape(name))
            for s in setter.finditer(code, body[0], m.start()):  # rule 2
                found.extend(literals(statement_around(code, s.end())))
    for s in re.finditer(r"\bproblem\s*(?:\+=|=(?!=))", code):  # rule 3, the problem texts
        take(statement_around(code, s.end()))
    for m in re.finditer(r"\b(%s)\s*\(" % "|".join(LABEL_CALLS), code):  # rule 4
        found.extend(literals(code[m.end():closing(code, m.end() - 1)]))
    return found, calls


def source_files(source_dir):
    for path in sorted(Path(source_dir).rglob("*")):
        if path.suffix in (".cpp", ".h"):
            yield path, strip_comments(path.read_text(encoding="utf-8", errors="replace"))


def message_texts_of(files):
    """[(text, file)] of every message text or piece, by the four rules."""
    texts, builders = [], set()
    for path, code in files:
        found, calls = message_statements(code)
        texts += [(text, path) for text in found]
        builders |= calls
    for path, code in files:  # rule 3, the helpers that build texts for the calls above
        for start, end, name in function_bodies(code):
            if name in builders:
                texts += [(text, path) for text in literals(code[start:end])]
    return texts


def patterns_of(text):
    """Regular expressions, one per line piece of a message text that holds a letter."""
    result = []
    for piece in text.split("\n"):
        parts = CONVERSION.split(piece)
        if not re.search(r"[A-Za-z]", "".join(parts)):
            continue
        parts[0], parts[-1] = parts[0].lstrip(), parts[-1].rstrip()
        result.append((piece, ".*?".join(re.escape(p) for p in parts)))
    return result


def all_patterns(source_dir):
    patterns = {}
    files = list(source_files(source_dir))
    for text, path in message_texts_of(files):
        for piece, pattern in patterns_of(text):
            patterns.setdefault(pattern, (piece, path.relative_to(source_dir)))
    return patterns


def load_language(source):
    """The language description: run scnlint --language, or read a saved .json file."""
    if str(source).endswith(".json"):
        return json.loads(Path(source).read_text(encoding="utf-8"))
    output = subprocess.run([str(source), "--language"], check=True, capture_output=True, text=True).stdout
    return json.loads(output)


def command_words(language):
    """(table commands, flow words) of the language description."""
    words = [w["word"] for w in language["words"] if w["kind"] == "command"]
    flow = [w["word"] for w in language["words"] if w["kind"] == "flow"]
    return words, flow


def check_commands(language, reference):
    words, flow = command_words(language)
    if len(words) < 30 or len(flow) < 8:
        return ["the language has only %d command words and %d flow words" % (len(words), len(flow))]
    headings = set(re.findall(r"^### `([^`]+)`\s*$", reference, re.M))
    return ["no section ### `%s`" % w for w in words + flow if w not in headings]


def catalogue_patterns(language):
    patterns = {}
    for entry in language["messages"] + language["itemNames"]:
        for piece, pattern in patterns_of(entry["text"]):
            patterns.setdefault(pattern, (piece, entry["name"]))
    return patterns


def check_messages(language, reference):
    patterns = catalogue_patterns(language)
    if len(patterns) < 50:
        return ["the language lists only %d message texts" % len(patterns)]
    lines = reference.splitlines()
    missing = []
    for pattern, (piece, name) in sorted(patterns.items(), key=lambda p: p[1][1]):
        regex = re.compile(pattern)
        if not any(regex.search(line) for line in lines):
            missing.append("%s: %r" % (name, piece))
    return missing


# Texts that the rules pick but that are no message of the player: lessontest's own step errors.
NOT_THE_PLAYERS = re.compile(r"(^|/)headless_steps\.cpp$")


def stray_texts(source_dir):
    """[(piece, file)] of the message texts written outside the catalogue."""
    found = []
    for pattern, (piece, where) in sorted(all_patterns(source_dir).items(), key=lambda p: str(p[1][1])):
        if str(where) != "base/messages.h" and not NOT_THE_PLAYERS.search(str(where)):
            found.append((piece, where))
    return found


def main(argv):
    if len(argv) == 3 and argv[1] in ("list", "stray"):
        texts = stray_texts(argv[2]) if argv[1] == "stray" else [(p, w) for _, (p, w) in all_patterns(argv[2]).items()]
        for piece, where in texts:
            print("%s: %r" % (where, piece))
        if argv[1] == "stray":
            print("message texts outside the catalogue: %d" % len(texts))
            return 1 if texts else 0
        return 0
    if len(argv) != 4 or argv[1] not in ("commands", "messages"):
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    language = load_language(argv[2])
    reference = Path(argv[3]).read_text(encoding="utf-8")
    check = check_commands if argv[1] == "commands" else check_messages
    problems = check(language, reference)
    for problem in problems:
        print("%s: %s" % (argv[3], problem))
    what = "command sections" if argv[1] == "commands" else "message texts"
    print("%s: %s" % (what, "%d missing" % len(problems) if problems else "all present"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
