#include "ProgramUsage.h"
#include "Startup.h"

// Each build of the program serves one tool, chosen when it is compiled.
#ifndef PICTAVO_TOOL_KEY
#define PICTAVO_TOOL_KEY ""
#endif

int main(int argc, char *argv[])
{
    int exitCode = 0;
    if (ProgramUsage::answer(argc, argv, QStringLiteral(PICTAVO_TOOL_KEY), &exitCode))
        return exitCode;
    return Startup::run(argc, argv, QStringLiteral(PICTAVO_TOOL_KEY));
}
