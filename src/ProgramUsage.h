#pragma once

#include "IntegratedTools.h"

#include <QString>

// The command-line help of the tool window programs, answered before any
// application object exists, so it needs no display. The same text becomes
// the manual page.
namespace ProgramUsage {

// The command name of the build for `tool`: "pictavo", "pictavo-psd-slim",
// "pictavo-layer-export".
QString programName(IntegratedTools::Tool tool);

// The usage text of that build: synopsis, what it does, switches, exit codes
// and files. Plain English text ending in a line feed.
QString usage(IntegratedTools::Tool tool);

// When the arguments hold "--help" or "--version" and `toolKey` names a tool,
// prints the usage or "<program> <version>" to standard output, sets
// *exitCode to 0 and returns true; otherwise returns false.
bool answer(int argc, char **argv, const QString &toolKey, int *exitCode);

} // namespace ProgramUsage
