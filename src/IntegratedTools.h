#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The catalogue of the tools that the shared page code can drive: pure
// functions over the tool value, no state and no files.
namespace IntegratedTools {

// Stored as a 32-bit integer; the values are fixed because they travel in
// build definitions and settings.
enum Tool : qint32 {
    ImageResize = 0,
    PsdSlim = 1,
    LayerExport = 2,
};

// The tool's stable text identity ("image-resize", "psd-slim",
// "layer-export"); empty for a value outside the enumeration.
QString toolKey(Tool tool);

// Matches key against the keys of tools 0, 1 and 2 in that order, ignoring
// letter case. On a match stores the tool in *tool (when given) and returns
// true; otherwise returns false and leaves *tool untouched.
bool toolFromKey(const QString &key, Tool *tool);

// The title in the current interface language; empty for an unknown value.
QString toolDisplayTitle(Tool tool);

// ":/branding/assets/<key>-tool-icon.png"; empty for an unknown value.
QString toolIconResource(Tool tool);

// The name of the tool's ICO file; empty for an unknown value.
QString toolIconFileName(Tool tool);

// The executable's file name with the platform's suffix ("Quadrix.exe" on
// Windows, "Quadrix" elsewhere); empty for an unknown value.
QString toolExecutableName(Tool tool);

// The Simplified Chinese title with the platform's executable suffix; empty
// for an unknown value.
QString toolLocalizedExecutableName(Tool tool);

// Lower-case suffixes without the dot, in a fixed order: the picture list for
// ImageResize, the PSD list for every other value.
QStringList acceptedExtensions(Tool tool);

// The file-dialog filter, shown as written in every interface language: the
// picture filter for ImageResize, the PSD filter for every other value.
QString fileDialogFilter(Tool tool);

// True when paths is not empty and every entry is an existing regular file
// whose last suffix, lower-cased, is one the tool accepts.
bool filesMatchTool(Tool tool, const QStringList &paths);

// The platform's suffix of executable files: ".exe" on Windows, empty elsewhere.
QString executableSuffix();

// baseName followed by the platform's executable suffix; the one place that
// turns a program's name into its file name.
QString executableFileName(const QString &baseName);

// Whether two paths that differ only in letter case name two files: case
// sensitive on Unix, insensitive on Windows.
Qt::CaseSensitivity pathCaseSensitivity();

// The key two paths are compared by: the path itself, or its case-folded form
// where the file system does not tell letter case apart.
QString pathKey(const QString &path);

// How many entries of `folder` (hidden ones aside) have names that are not
// valid UTF-8 and so cannot be named by a path of this program.
int countUndecodableNames(const QString &folder);

} // namespace IntegratedTools
