// The Vellaro lesson extension: a task that runs scnlint on the open lesson, with the scnlint
// problem matcher that puts each finding on its line. Colouring needs no code: package.json
// contributes the grammar and the language configuration.
'use strict';

const vscode = require('vscode');

const TASK_TYPE = 'scnlint';

// scnlint runs in the lesson's folder, as the player does, so the names it prints are relative to it.
function scnlintTask(file) {
  const program = vscode.workspace.getConfiguration('vellaro').get('scnlintPath', 'scnlint');
  const path = require('path');
  const execution = new vscode.ShellExecution(program, [path.basename(file)], { cwd: path.dirname(file) });
  const task = new vscode.Task({ type: TASK_TYPE }, vscode.TaskScope.Workspace, 'check ' + path.basename(file),
    TASK_TYPE, execution, ['$scnlint']);
  task.presentationOptions = { reveal: vscode.TaskRevealKind.Silent, clear: true };
  return task;
}

function openLesson() {
  const editor = vscode.window.activeTextEditor;
  if (!editor || editor.document.languageId !== 'scn' || editor.document.isUntitled) return undefined;
  return editor.document.fileName;
}

function activate(context) {
  context.subscriptions.push(vscode.tasks.registerTaskProvider(TASK_TYPE, {
    provideTasks: () => {
      const file = openLesson();
      return file ? [scnlintTask(file)] : [];
    },
    resolveTask: () => undefined,
  }));
  context.subscriptions.push(vscode.commands.registerCommand('vellaro.checkLesson', async () => {
    const file = openLesson();
    if (!file) {
      vscode.window.showInformationMessage('Open a saved .scn lesson to check it with scnlint.');
      return;
    }
    await vscode.window.activeTextEditor.document.save();
    await vscode.tasks.executeTask(scnlintTask(file));
  }));
}

function deactivate() {}

module.exports = { activate, deactivate, scnlintTask };
