#pragma once

#include "IntegratedTools.h"

#include <QStringList>

// The start-up sequence of the tool window program, shared by its three builds.
namespace Startup {

// The application style sheet, set on the application object.
QString applicationStyleSheet();

// The paths of the command line (program path excluded): "/input:" prefixes
// (any letter case) dropped, missing paths dropped silently, the rest made
// absolute; order and duplicates kept.
QStringList gatherPaths(const QStringList &arguments);

// Runs the program for the tool named by `toolKey` and returns the exit code:
// 64 without a tool, the self-test's code, 0 or 66 from the single-instance
// hand-over, else the event loop's result.
int run(int &argc, char **argv, const QString &toolKey);

// No private folder for the lock: the reason goes to the runtime log, stderr
// and a message box. Returns 66.
int refuseStart(const QString &reason);

// The start-up self-test: the tool's executable can be had and the page builds
// in all five languages. Leaves general/language as it was. 0 or 65.
int selfTest(IntegratedTools::Tool tool);

} // namespace Startup
