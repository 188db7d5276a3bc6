#pragma once

#include "IntegratedTools.h"

#include <QStringList>

namespace IntegratedTools {

// The executable of a tool. For the PSD tools: "tools/integrated/<name>" beside
// the program, whether it exists or not. For image resize: the padding helper
// in the first usable of the candidate folders, written out of the program's
// resources the first time; an existing trusted, non-empty copy is reused.
// Empty when no candidate can be used. Never shows anything.
QString resolveToolExecutable(Tool tool);

// The three folders tried for the helper, in order.
QStringList helperCandidateFolders();

// Starts the tool detached for `files` in the executable's folder. On failure
// returns false and, when given, sets *error; leaves it untouched on success.
bool launchTool(Tool tool, const QStringList &files, QString *error = nullptr);

// "--integrated-tool <key> files…": true when the arguments asked for a tool
// start that this program handles, with *exitCode set (0, 2 or 3).
bool handleCommandLine(const QStringList &arguments, int *exitCode);

} // namespace IntegratedTools
