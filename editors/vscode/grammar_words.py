#!/usr/bin/env python3
"""Keeps the command words of the .scn grammar equal to the player's command table.

    grammar_words.py check SOURCE_DIR GRAMMAR    exits with 1 and names every word that differs
    grammar_words.py write SOURCE_DIR GRAMMAR    puts the table's words into the grammar
    grammar_words.py words SOURCE_DIR FILE       writes every word, one a line (for the grammar test)

The words are read the way the reference check reads them (tests/docs/check_reference.py): the
command table kCommandTable and the flow words that the main loop tests. The grammar colours them
in four rules: command-line (the table's words at the start of a line), flow-line (the flow words
but if, which if-line handles), if-line (if itself) and if-rest (any word after an if's condition,
since the rest of a true if runs as a command line).
"""
import json
import re
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "docs"))
from check_reference import command_words  # noqa: E402  (one reader of the table for both checks)

ALTERNATION = re.compile(r"\(([A-Za-z|]+)\)")


def expected_words(source_dir):
    commands, flow = command_words(source_dir)
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


def check(source_dir, grammar_path):
    grammar = json.loads(Path(grammar_path).read_text(encoding="utf-8"))
    expected = expected_words(source_dir)
    if len(expected["command-line"]) < 30 or len(expected["flow-line"]) < 7:
        print("%s: found too few words in the command table: has it moved?" % grammar_path)
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
    print("grammar words: %s" % ("%d differences; run grammar_words.py write" % len(problems) if problems else "as in the command table"))
    return 1 if problems else 0


def write(source_dir, grammar_path):
    grammar = json.loads(Path(grammar_path).read_text(encoding="utf-8"))
    for rule, words in expected_words(source_dir).items():
        key = rule_pattern(grammar, rule)
        # Longer words first, so that no word stops the match at a shorter one it starts with.
        ordered = "|".join(sorted(words, key=lambda w: (-len(w), w)))
        grammar["repository"][rule][key] = ALTERNATION.sub("(%s)" % ordered, grammar["repository"][rule][key], count=1)
    Path(grammar_path).write_text(json.dumps(grammar, indent=2) + "\n", encoding="utf-8")
    return 0


def words(source_dir, path):
    Path(path).write_text("".join(w + "\n" for w in expected_words(source_dir)["if-rest"]), encoding="utf-8")
    return 0


def main(argv):
    actions = {"check": check, "write": write, "words": words}
    if len(argv) != 4 or argv[1] not in actions:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    return actions[argv[1]](argv[2], argv[3])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
