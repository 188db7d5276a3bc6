#include "ProgramUsage.h"

#include <cstdio>
#include <cstring>

#ifndef PICTAVO_VERSION
#define PICTAVO_VERSION ""
#endif

namespace ProgramUsage {

namespace {

struct ToolText
{
    const char *title;
    const char *job;
};

// The English titles of the dictionary: the help is read before any
// interface language is known.
ToolText toolText(IntegratedTools::Tool tool)
{
    switch (tool) {
    case IntegratedTools::ImageResize:
        return {"Image Resize Tool",
                "The tool takes JPG, JPEG, PNG, BMP, GIF, TIF and TIFF pictures. Start enlarges\n"
                "the canvas of every listed picture to a multiple of 4, an even size or a power\n"
                "of two, fills the new border transparent, white or black and never scales or\n"
                "crops a pixel; the padding helper (quadrix) does the work in its own window,\n"
                "in place or into an output folder.\n"};
    case IntegratedTools::PsdSlim:
        return {"PSD&PSB Safe Slim Tool",
                "The tool takes PSD and PSB documents. Start has the worker Brevane, in\n"
                "tools/integrated/ beside the program, slim every listed document, in batches.\n"};
    case IntegratedTools::LayerExport:
        return {"PSD Layer Batch Export Tool",
                "The tool takes PSD and PSB documents. Start has the worker Stratlo, in\n"
                "tools/integrated/ beside the program, export the layers of every listed\n"
                "document.\n"};
    }
    return {"", ""};
}

} // namespace

QString programName(IntegratedTools::Tool tool)
{
    return tool == IntegratedTools::ImageResize ? QStringLiteral("pictavo")
                                                : QStringLiteral("pictavo-") + IntegratedTools::toolKey(tool);
}

QString usage(IntegratedTools::Tool tool)
{
    const ToolText text = toolText(tool);
    // Kept in the layout help2man reads: a "Usage:" line, paragraphs, switches
    // indented with their text after two blanks, and "Heading:" sections.
    return QStringLiteral(
                   "Usage: %1 [FILE|FOLDER]...\n"
                   "  or:  %1 --standalone-self-test\n"
                   "Open the %2 window with the given files listed.\n"
                   "\n"
                   "%3"
                   "\n"
                   "A folder contributes the files of the tool's types in it. A path may carry\n"
                   "the prefix /input: (in any letter case); paths that do not exist are dropped.\n"
                   "When this tool's window is already open for the same user, the paths are\n"
                   "handed to it and the program ends at once.\n"
                   "\n"
                   "Options:\n"
                   "  --standalone-self-test  check that the tool's executable can be had and\n"
                   "                          that the tool page builds in all five interface\n"
                   "                          languages, then exit; other arguments are ignored\n"
                   "  --help                  show this help and exit\n"
                   "  --version               show the version and exit\n"
                   "\n"
                   "Exit status:\n"
                   "  0   the window was closed, the paths were handed to the open window, or\n"
                   "      the self-test passed\n"
                   "  65  the self-test failed\n"
                   "  66  the single-instance lock or the local socket could not be had\n"
                   "\n"
                   "Files:\n"
                   "  ~/.config/Pictavo/Pictavo.ini\n"
                   "                          interface language and window geometry\n"
                   "  logs/runtime.log        the runtime log, in the program's folder when that\n"
                   "                          can be written, else in ~/.local/share/Pictavo/Pictavo/\n")
            .arg(programName(tool), QString::fromUtf8(text.title), QString::fromUtf8(text.job));
}

bool answer(int argc, char **argv, const QString &toolKey, int *exitCode)
{
    IntegratedTools::Tool tool = IntegratedTools::ImageResize;
    if (!IntegratedTools::toolFromKey(toolKey, &tool))
        return false;
    bool help = false;
    bool version = false;
    for (int i = 1; i < argc; ++i) {
        help = help || std::strcmp(argv[i], "--help") == 0;
        version = version || std::strcmp(argv[i], "--version") == 0;
    }
    if (!help && !version)
        return false;
    const QString text = help ? usage(tool)
                              : programName(tool) + QLatin1Char(' ') + QStringLiteral(PICTAVO_VERSION)
                    + QLatin1Char('\n');
    std::fputs(text.toUtf8().constData(), stdout);
    *exitCode = 0;
    return true;
}

} // namespace ProgramUsage
