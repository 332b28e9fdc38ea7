#!/usr/bin/env python3
"""Keeps the command words of the .scn grammar equal to the player's language.

    grammar_words.py check LANGUAGE GRAMMAR    exits with 1 and names every word that differs
    grammar_words.py write LANGUAGE GRAMMAR    puts the language's words into the grammar
    grammar_words.py words LANGUAGE FILE       writes every word, one a line (for the grammar test)

LANGUAGE is the language description that `scnlint --language` prints: the path of scnlint (the
script runs it) or of a saved .json file. The grammar colours the words in four rules:
command-line (the table commands at the start of a line), flow-line (the flow words but if, which
if-line handles), if-line (if itself) and if-rest (any word after an if's condition, since the rest
of a true if runs as a command line).
"""
import json
import re
import subprocess
import sys
from pathlib import Path

ALTERNATION = re.compile(r"\(([A-Za-z|]+)\)")


def load_language(source):
    """The language description: run scnlint --language, or read a saved .json file."""
    if str(source).endswith(".json"):
        return json.loads(Path(source).read_text(encoding="utf-8"))
    return json.loads(subprocess.run([str(source), "--language"], check=True, capture_output=True, text=True).stdout)


def expected_words(source):
    language = load_language(source)
    commands = [w["word"] for w in language["words"] if w["kind"] == "command"]
    flow = [w["word"] for w in language["words"] if w["kind"] == "flow"]
    return {
        "command-line": sorted(commands),
        "flow-line": sorted(w for w in flow if w != "if"),
        "if-line": ["if"],
        "if-rest": sorted(commands + flow),
    }


def rule_pattern(grammar, rule):
    entry = grammar["repository"][rule]
    return "begin" if "begin" in entry else "match"


def words_in(grammar, rule):
    text = grammar["repository"][rule][rule_pattern(grammar, rule)]
    found = ALTERNATION.search(text)
    return sorted(found.group(1).split("|")) if found else []


def check(source, grammar_path):
    grammar = json.loads(Path(grammar_path).read_text(encoding="utf-8"))
    expected = expected_words(source)
    if len(expected["command-line"]) < 30 or len(expected["flow-line"]) < 7:
        print("%s: the language has too few words" % grammar_path)
        return 1
    problems = []
    for rule, words in expected.items():
        have = words_in(grammar, rule)
        for word in sorted(set(words) - set(have)):
            problems.append("rule %s does not colour %s" % (rule, word))
        for word in sorted(set(have) - set(words)):
            problems.append("rule %s colours %s, which the player does not know" % (rule, word))
    for problem in problems:
        print("%s: %s" % (grammar_path, problem))
    print("grammar words: %s" % ("%d differences; run grammar_words.py write" % len(problems) if problems else "as in the language"))
    return 1 if problems else 0


def write(source, grammar_path):
    grammar = json.loads(Path(grammar_path).read_text(encoding="utf-8"))
    for rule, words in expected_words(source).items():
        key = rule_pattern(grammar, rule)
        # Longer words first, so that no word stops the match at a shorter one it starts with.
        ordered = "|".join(sorted(words, key=lambda w: (-len(w), w)))
        grammar["repository"][rule][key] = ALTERNATION.sub("(%s)" % ordered, grammar["repository"][rule][key], count=1)
    Path(grammar_path).write_text(json.dumps(grammar, indent=2) + "\n", encoding="utf-8")
    return 0


def words(source, path):
    Path(path).write_text("".join(w + "\n" for w in expected_words(source)["if-rest"]), encoding="utf-8")
    return 0


def main(argv):
    actions = {"check": check, "write": write, "words": words}
    if len(argv) != 4 or argv[1] not in actions:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    return actions[argv[1]](argv[2], argv[3])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
