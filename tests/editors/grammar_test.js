// The .scn grammar run the way VS Code runs it (vscode-textmate on the Oniguruma engine):
//   node grammar_test.js GRAMMAR WORDS_FILE LESSON...
// 1. Fixture lines: each kind of token once, with the scope it must get.
// 2. Every word of the player's command table (WORDS_FILE, one a line, written by grammar_words.py
//    words) is coloured as a keyword at the start of a line and after an if's condition.
// 3. The lessons: every command line's first word is a keyword, every $variable a variable, and
//    no line of them is marked as an unknown word.
'use strict';

const fs = require('fs');
const path = require('path');
const textmate = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

const KEYWORD = 'keyword.';

// [line, [[token text, part of its innermost scope]...]]
const FIXTURES = [
  ['# a comment with show in it', [['# a comment with show in it', 'comment.line.number-sign.scn']]],
  [':start', [[':', 'punctuation.definition.label.scn'], ['start', 'entity.name.label.scn']]],
  ['&drill', [['&', 'punctuation.definition.label.scn'], ['drill', 'entity.name.function.subroutine.scn']]],
  ['goto :start', [['goto', 'keyword.control.flow.scn'], ['start', 'entity.name.label.scn']]],
  ['gosub &drill', [['gosub', 'keyword.control.flow.scn'], ['drill', 'entity.name.function.subroutine.scn']]],
  ['print *0 -30 "Well done, $name." praise',
    [['print', 'keyword.other.command.scn'], ['*0', 'constant.numeric.scn'], ['-30', 'constant.numeric.scn'],
      ['"Well done, $name."', 'string.quoted.double.scn'], ['$name', 'variable.other.scn']]],
  ['show 100 50 pictures\\door.bmp door FF00FF',
    [['show', 'keyword.other.command.scn'], ['pictures\\door.bmp', 'string.unquoted.file-name.scn'],
      ['FF00FF', 'constant.other.color.rgb-value.scn']]],
  ['font 40 203060 "DejaVu Sans" b', [['203060', 'constant.other.color.rgb-value.scn'], ['"DejaVu Sans"', 'string.quoted.double.scn']]],
  ['let $answer $other', [['$answer', 'variable.other.scn'], ['$other', 'variable.other.scn']]],
  ['melody ( *0 24 -500 +piano.wav (26) )',
    [['(', 'punctuation.section.capture.scn'], ['*0', 'constant.numeric.scn'], ['24', 'constant.numeric.scn'],
      ['+piano.wav', 'string.unquoted.file-name.scn'], ['26', 'constant.numeric.scn'], [')', 'punctuation.section.capture.scn']]],
  ['if $score > 8 poke "Excellent!"',
    [['if', 'keyword.control.flow.scn'], ['$score', 'variable.other.scn'], ['>', 'keyword.operator.comparison.scn'],
      ['8', 'constant.numeric.scn'], ['poke', 'keyword.control.flow.scn'], ['"Excellent!"', 'string.quoted.double.scn']]],
  ['if "$a b" = yes :opened', [['"', 'string.quoted.double.scn'], ['$a', 'variable.other.scn'], ['=', 'keyword.operator.comparison.scn'], ['opened', 'entity.name.label.scn']]],
  ['shw 1 2', [['shw', 'invalid.illegal.unknown-command.scn'], ['1', 'constant.numeric.scn']]],
  ['Poke "case counts"', [['Poke', 'invalid.illegal.unknown-command.scn']]],
  [' load lesson2.scn :begin', [['load', 'keyword.control.flow.scn'], ['lesson2.scn', 'string.unquoted.file-name.scn']]],
  ['pause 5a -7 1.5', [['pause', 'keyword.other.command.scn'], ['-7', 'constant.numeric.scn']]],
];

async function loadGrammar(grammarPath) {
  const wasm = fs.readFileSync(path.join(path.dirname(require.resolve('vscode-oniguruma')), 'onig.wasm'));
  await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
  const registry = new textmate.Registry({
    onigLib: Promise.resolve({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (text) => new oniguruma.OnigString(text),
    }),
    loadGrammar: async () => textmate.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath),
  });
  return registry.loadGrammar('source.scn');
}

// [[text, scopes joined by blanks]] of each line, the grammar's state carried from line to line.
function tokenize(grammar, lines) {
  let state = textmate.INITIAL;
  return lines.map((line) => {
    const result = grammar.tokenizeLine(line, state);
    state = result.ruleStack;
    return result.tokens.map((t) => [line.substring(t.startIndex, t.endIndex), t.scopes.join(' '), t.startIndex]);
  });
}

// Each wanted text, found from where the previous one ended, must lie in tokens that all carry the
// scope, and must not be part of a longer token.
function checkFixtures(grammar, failures) {
  const tokenized = tokenize(grammar, FIXTURES.map((f) => f[0]));
  FIXTURES.forEach(([line, wanted], i) => {
    let from = 0;
    for (const [text, scope] of wanted) {
      const start = line.indexOf(text, from);
      const end = start + text.length;
      from = start + 1;  // a later text may lie inside this one (a variable in quotes)
      const covering = tokenized[i].filter(([t, , at]) => at < end && at + t.length > start);
      const whole = covering.length > 0 && covering[0][2] === start && covering.at(-1)[2] + covering.at(-1)[0].length === end;
      if (start < 0 || !whole || !covering.every(([, scopes]) => scopes.split(' ').some((s) => s.startsWith(scope)))) {
        failures.push(`${line}: ${JSON.stringify(text)} is not ${scope}: ${JSON.stringify(covering)}`);
      }
    }
  });
  return FIXTURES.length;
}

function checkWords(grammar, words, failures) {
  const lines = words.flatMap((word) => [`${word} 1 2`, `if 1 = 1 ${word} 3`]);
  tokenize(grammar, lines).forEach((tokens, i) => {
    const word = words[Math.floor(i / 2)];
    const token = tokens.find((t) => t[0] === word);
    if (!token || !token[1].split(' ').at(-1).startsWith(KEYWORD)) {
      failures.push(`${lines[i]}: ${word} is ${token ? token[1] : 'no token'}, not a keyword`);
    }
  });
}

function checkLesson(grammar, file, words, counts, failures) {
  const lines = fs.readFileSync(file, 'latin1').split('\r\n');
  tokenize(grammar, lines).forEach((tokens, i) => {
    const where = `${path.basename(file)}:${i + 1}`;
    const word = lines[i].replace(/^ /, '').split(' ')[0];
    if (tokens.some((t) => t[1].includes(' invalid.'))) failures.push(`${where}: marked unknown: ${lines[i]}`);
    if (words.has(word) && !tokens.find((t) => t[0] === word && t[1].split(' ').at(-1).startsWith(KEYWORD))) {
      failures.push(`${where}: ${word} is not coloured as a keyword`);
    }
    for (const [text, scopes] of tokens) {
      const scope = scopes.split(' ').at(-1);
      const kind = scope.split('.').slice(0, 2).join('.');
      counts[kind] = (counts[kind] || 0) + 1;
      if (/^\$\w/.test(text) && !scope.startsWith('variable.')) failures.push(`${where}: ${text} is ${scope}`);
    }
  });
  return lines.length;
}

async function main() {
  const [grammarPath, wordsFile, ...lessons] = process.argv.slice(2);
  const grammar = await loadGrammar(grammarPath);
  const words = fs.readFileSync(wordsFile, 'utf8').split('\n').filter(Boolean);
  const failures = [];
  const fixtures = checkFixtures(grammar, failures);
  checkWords(grammar, words, failures);
  const counts = {};
  let lines = 0;
  for (const lesson of lessons) lines += checkLesson(grammar, lesson, new Set(words), counts, failures);
  if (words.length < 40 || lessons.length === 0) failures.push(`only ${words.length} words and ${lessons.length} lessons`);
  for (const failure of failures) console.log(`FAILED: ${failure}`);
  console.log(`${fixtures} fixture lines, ${words.length} command words, ${lessons.length} lessons of ${lines} lines: ` +
    Object.entries(counts).sort().map(([k, n]) => `${k} ${n}`).join(', '));
  process.exit(failures.length ? 1 : 0);
}

main().catch((error) => {
  console.log(`FAILED: ${error.stack}`);
  process.exit(1);
});
