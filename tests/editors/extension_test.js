// The extension's scnlint task on a stand-in for the editor's API, and its problem matcher on what
// the real scnlint prints:
//   node extension_test.js EXTENSION_DIR SCNLINT LINT_FIXTURES
'use strict';

const assert = require('assert');
const childProcess = require('child_process');
const fs = require('fs');
const Module = require('module');
const path = require('path');

const [extensionDir, scnlint, fixtures] = process.argv.slice(2).map((p) => path.resolve(p));

// The parts of the editor's API the extension uses, recording what it is asked to do.
function fakeEditorApi() {
  const api = {
    settings: {},
    editor: undefined,
    provider: undefined,
    commands: {},
    executed: [],
    messages: [],
  };
  api.module = {
    workspace: { getConfiguration: () => ({ get: (key, fallback) => api.settings[key] ?? fallback }) },
    window: {
      get activeTextEditor() { return api.editor; },
      showInformationMessage: (text) => api.messages.push(text),
    },
    tasks: {
      registerTaskProvider: (type, provider) => { api.provider = { type, ...provider }; return { dispose() {} }; },
      executeTask: async (task) => api.executed.push(task),
    },
    commands: { registerCommand: (name, run) => { api.commands[name] = run; return { dispose() {} }; } },
    ShellExecution: class { constructor(command, args, options) { Object.assign(this, { command, args, options }); } },
    Task: class {
      constructor(definition, scope, name, source, execution, matchers) {
        Object.assign(this, { definition, scope, name, source, execution, matchers });
      }
    },
    TaskScope: { Workspace: 'workspace' },
    TaskRevealKind: { Silent: 'silent' },
  };
  return api;
}

function lessonEditor(fileName, languageId = 'scn', isUntitled = false) {
  const document = { fileName, languageId, isUntitled, saved: 0, save: async () => { document.saved += 1; } };
  return { document };
}

async function checkTask() {
  const api = fakeEditorApi();
  const load = Module._load;
  Module._load = function (request, ...rest) {
    return request === 'vscode' ? api.module : load.call(this, request, ...rest);
  };
  const extension = require(path.resolve(extensionDir, 'extension.js'));
  Module._load = load;
  const context = { subscriptions: [] };
  extension.activate(context);
  assert.strictEqual(api.provider.type, 'scnlint');

  // scnlint runs in the lesson's folder on the lesson's name, so the names it prints are relative
  // to that folder, as the problem matcher reads them.
  api.editor = lessonEditor('/home/me/lessons/demo/index.scn');
  const [task] = api.provider.provideTasks();
  assert.deepStrictEqual([task.execution.command, task.execution.args, task.execution.options],
    ['scnlint', ['index.scn'], { cwd: '/home/me/lessons/demo' }]);
  assert.deepStrictEqual(task.matchers, ['$scnlint']);
  api.settings.scnlintPath = '/opt/vellaro/scnlint';
  assert.strictEqual(api.provider.provideTasks()[0].execution.command, '/opt/vellaro/scnlint');

  // The command saves the lesson before it checks it; without a saved .scn lesson it only says so.
  await api.commands['vellaro.checkLesson']();
  assert.strictEqual(api.editor.document.saved, 1);
  assert.strictEqual(api.executed.length, 1);
  for (const editor of [lessonEditor('/tmp/notes.txt', 'plaintext'), lessonEditor('Untitled-1', 'scn', true), undefined]) {
    api.editor = editor;
    assert.deepStrictEqual(api.provider.provideTasks(), []);
    await api.commands['vellaro.checkLesson']();
  }
  assert.strictEqual(api.executed.length, 1);
  assert.strictEqual(api.messages.length, 3);
  assert.strictEqual(context.subscriptions.length, 2);
}

// Every finding scnlint prints for the fixture lessons is read whole by the matcher: the file, the
// line, the severity and the message; a line of another form is not.
function checkProblemMatcher() {
  const manifest = JSON.parse(fs.readFileSync(path.join(extensionDir, 'package.json'), 'utf8'));
  const matcher = manifest.contributes.problemMatchers.find((m) => m.name === 'scnlint');
  assert.deepStrictEqual(matcher.fileLocation, ['relative', '${fileDirname}']);
  // The player reads CR LF lines, in UTF-8 when a file is UTF-8; an editor's default LF would cut
  // every line, and UTF-8 without a byte-order mark is what it reads for any language.
  assert.deepStrictEqual(manifest.contributes.configurationDefaults['[scn]'], { 'files.eol': '\r\n', 'files.encoding': 'utf8' });
  const pattern = new RegExp(matcher.pattern.regexp);
  let findings = 0;
  for (const lesson of ['words', 'load', 'variables', 'numbers']) {
    const run = childProcess.spawnSync(scnlint, ['index.scn'], { cwd: path.join(fixtures, lesson), encoding: 'latin1' });
    const lines = run.stdout.split('\n').filter(Boolean);
    assert.ok(lines.length > 0, `scnlint found nothing in ${lesson}`);
    for (const line of lines) {
      const m = pattern.exec(line);
      assert.ok(m, `the matcher misses: ${line}`);
      const [file, number, severity, message] = [m[matcher.pattern.file], m[matcher.pattern.line],
        m[matcher.pattern.severity], m[matcher.pattern.message]];
      assert.ok(fs.existsSync(path.join(fixtures, lesson, file)), `${line}: no file ${file}`);
      assert.strictEqual(`${file}:${number}: ${severity}: ${message}`, line);
      findings += 1;
    }
  }
  for (const other of ['usage: scnlint [--graph] LESSON.scn', 'index.scn: error: no line', 'index.scn:3: note: x']) {
    assert.strictEqual(pattern.exec(other), null, other);
  }
  return findings;
}

(async () => {
  await checkTask();
  const findings = checkProblemMatcher();
  console.log(`the scnlint task and command on a stand-in editor; ${findings} scnlint findings read by the matcher`);
})().catch((error) => {
  console.log(`FAILED: ${error.stack}`);
  process.exit(1);
});
