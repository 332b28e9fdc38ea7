#!/usr/bin/env python3
"""The reference check's own extraction: each rule must find its kind of message, and nothing that
is no message. If a rule stopped finding texts, the reference could drift without a failing test."""
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import check_reference as cr  # noqa: E402


def pieces(code):
    files = [(Path("fragment.cpp"), cr.strip_comments(code))]
    return sorted({p for text, _ in cr.message_texts_of(files) for p, _ in cr.patterns_of(text)})


class ExtractionRules(unittest.TestCase):
    # One row per rule: a source fragment and the message pieces it must give, exactly.
    CASES = [
        ("rule 1, a format and a concatenation",
         'void f() { in.scriptError("move -- object (%s) is not found", name);\n'
         '  host.showMessage(std::string("Cannot open WAV file ") + path); }',
         ["Cannot open WAV file ", "move -- object (%s) is not found"]),
        ("rule 1, comments are no messages",
         'void f() { // showMessage("not this")\n host.showMessage("Plain BMP Image not found"); }',
         ["Plain BMP Image not found"]),
        ("rule 2, a variable passed to the call; a tested one is no text",
         'void f() { const char* why = bad ? "is out of range" : "is not a NUMBER";\n'
         '  File old = openFile(path, "rb");\n'
         '  scriptError("goto N. Variable %s", why); showMessage("SLI: Cannot write " + (old ? a : b)); }',
         ["SLI: Cannot write ", "goto N. Variable %s", "is not a NUMBER", "is out of range"]),
        ("rule 3, a helper that builds a text, a problem field and the helper that gives it",
         'std::string cannotShow(const std::string& path) { return "Cannot show the BMP picture " + path; }\n'
         'void load() { host.showMessage(cannotShow(path)); }\n'
         'std::string readEntry() { return "the directory ends early"; }\n'
         'Dir read() { Dir d; std::string problem = readEntry(); d.problem = "SLI: Damaged library (" + problem; }',
         ["Cannot show the BMP picture ", "SLI: Damaged library (", "the directory ends early"]),
        ("rule 3 follows only helpers of messages: a text for another output is none",
         'std::string describe(const Record& r) { return format("picture %s at %d,%d", r.name, r.x, r.y); }\n'
         'void show() { transcript.add("show " + describe(record)); }',
         []),
        ("rule 4, the label of the missing-variable message",
         'void cmdMove(Interpreter& in) { const char* x = in.resolveArgument(args.item[2], "move, X"); }',
         ["move, X"]),
        ("no rule: file modes and names",
         'void f() { std::FILE* file = std::fopen("debug.txt", "ab"); copyText(word, "debug"); }',
         []),
    ]

    def test_each_rule_finds_its_messages(self):
        for what, code, expected in self.CASES:
            with self.subTest(what):
                self.assertEqual(pieces(code), sorted(expected))


class Matching(unittest.TestCase):
    # A message matches a reference line with any placeholder for a conversion, but not a changed text.
    CASES = [
        ("%s  -- Variable (%s) Does not Exists", "| `LINE: move, X  -- Variable ($NAME) Does not Exists` |", True),
        ("Label (%s) not found. %s:%d Load it from begin?", "`Label (TARGET) not found. FILE:LINE Load it from begin?`", True),
        ("inc  -- value is not number", "`LINE: inc -- value is not number`", False),
        ("OBJECT:%s\r\nX:%d", "OBJECT:KIND", True),
        ("Math Error: Divide by 0 near '%.*s'\n", "`Math Error: Divide by 0 near 'PART'`", True),
    ]

    def test_placeholders_match_and_changed_texts_do_not(self):
        for message, line, expected in self.CASES:
            with self.subTest(message):
                found = any(cr.re.search(pattern, line) for _, pattern in cr.patterns_of(cr.unescape(message)))
                self.assertEqual(found, expected)


class Sections(unittest.TestCase):
    LANGUAGE = {"words": [{"word": w, "kind": "command", "items": []} for w in ["play"] + ["w%d" % i for i in range(30)]]
                + [{"word": w, "kind": "flow", "items": []} for w in ["terminate"] + ["f%d" % i for i in range(7)]]}

    def test_a_word_needs_its_own_heading(self):
        words, flow = cr.command_words(self.LANGUAGE)
        self.assertIn("play", words)
        self.assertIn("terminate", flow)
        reference = "".join("### `%s`\n" % w for w in words + flow)
        self.assertEqual(cr.check_commands(self.LANGUAGE, reference), [])
        damaged = reference.replace("### `play`\n", "## play\n")
        self.assertEqual(cr.check_commands(self.LANGUAGE, damaged), ["no section ### `play`"])


if __name__ == "__main__":
    unittest.main()
