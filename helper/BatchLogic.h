#pragma once

#include "PaddingChoices.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

struct SkippedFile;

// What the helper's command line asks of the batch window. A field left empty
// was not on the command line and leaves the window's own setting alone.
struct StartupArguments
{
    std::optional<Sizing> rule;        // "--rule KEY"; Multiple4 for a value that names no padding rule
    std::optional<FillSpec> fill;      // "--fill KEY"; Transparent for a value that names no fill
    std::optional<QString> outputDir;  // text for the output box, as written
    std::optional<Anchor> anchor;      // the last of "--anchor KEY" (Center for an unknown key),
                                       // "--centered" (Center) and "--no-centered" (TopLeft)
    bool png = false;                  // "--png" was given
    bool recursive = false;            // "--recursive" was given
    bool start = false;                // "--start" was given
    bool headless = false;             // "--headless": no window, records on standard output
    bool keepOriginals = true;         // false with "--no-trash": in place, originals are not kept in the trash
    bool undoLast = false;             // "--undo-last": undo the last in-place run, no window
    std::optional<int> jobs;           // "--jobs N": pictures padded at the same time
    std::optional<QString> reportTo;   // "--report-to NAME": local socket of the tool window
    std::optional<QString> language;   // "--language CODE", as written
    QStringList baseFolders;           // "--base DIR": pictures below keep their path below it in the output folder
    QStringList errors;                // usage errors: unknown switches, bad or missing values
    QStringList paths;                 // existing files and folders, as written, in order
    QStringList skipped;               // one log text per argument left out, and why
};

// The batch window's rules that need no window: command line, picture test,
// folder listing, time texts, log and report lines. All functions are static.
class BatchLogic
{
public:
    // Extensions that make a path a picture, lower case with the dot.
    static const QStringList Extensions;
    // Part of every path the padding writes by default; folder listings for the
    // folder button and drops leave such paths out so outputs are not re-padded.
    static const QString OutputFolderMarker;

    // True when the path's extension, in lower case, is one of Extensions.
    static bool isPicture(const QString &path);

    // Log texts for what is left out, followed by the path or name.
    static const QString UndecodableName;  // "无法处理的文件名（不是有效的 UTF-8）："
    static const QString UnsupportedType;  // "不支持的文件类型："
    static const QString Missing;          // "文件不存在："

    // Reads the switches left to right, exactly and case-sensitively. A switch
    // that takes a value consumes the next argument whatever it looks like; as
    // the last argument it is ignored. Unknown "--" switches are ignored; other
    // arguments are kept when a file or folder of that name exists, and noted
    // in `skipped` otherwise. "--files-from FILE" adds the lines of FILE (UTF-8,
    // one path a line) as paths at that place, and removes FILE when the tool
    // window left it in its private temporary folder.
    static StartupArguments parseArguments(const QStringList &arguments);
    // The same for the raw command line: arguments that are not valid UTF-8
    // name nothing Qt can open; they are noted, shown escaped.
    static StartupArguments parseArguments(const QList<QByteArray> &arguments);

    // The pictures among `paths` (files and folders as parseArguments keeps
    // them): a folder contributes its pictures, with its subfolders when
    // `recursive`, output folders included. Other files are noted in `skipped`.
    static QStringList expandPaths(const QStringList &paths, bool recursive, QStringList *skipped);

    // The language LC_ALL, LC_MESSAGES or LANG (the first one set) names, as a
    // "--language" code: one of the five languages, else "en_US".
    static QString environmentLanguage();

    // The folders whose pictures keep their path below them in the output
    // folder: those among `paths`, then the "--base" folders.
    static QStringList baseFolders(const StartupArguments &parsed);

    // The path a skipped-file text names: what follows its first "：".
    static QString skippedPath(const QString &text);
    // Texts of files left out, with the paths they name, for the run's records.
    static QList<SkippedFile> skippedFiles(const QStringList &texts);

    // A path as the file system compares it: the key that tells one picture
    // listed twice.
    static QString pathKey(const QString &path);

    // `raw` with every byte that is not part of valid UTF-8 written as \xNN.
    static QString escapedName(const QByteArray &raw);

    // Picture files in `folder` (and its subfolders when `recursive`), in the
    // order the file system lists them, with the folder text as given as
    // prefix. With `skipOutputFolders`, paths containing OutputFolderMarker are
    // left out; temporary files of the padding always are. Symbolic links to
    // folders are not followed, so a link loop cannot make the listing endless.
    // Pictures that cannot be padded (names that are not valid UTF-8, links
    // that lead nowhere) are noted in `skipped`. Returns false with `error`
    // naming the first folder that could not be read; the pictures of every
    // readable folder are listed all the same.
    static bool listPictures(const QString &folder, bool recursive, bool skipOutputFolders, QStringList *pictures,
                             QString *error = nullptr, QStringList *skipped = nullptr);

    // "hh:mm:ss" with whole hours not wrapped at 24 (at least two digits), all
    // fields truncated; a negative span shows as 00:00:00.
    static QString duration(qint64 milliseconds);

    // "[HH:mm:ss] " + text: one line of the live log, without its line break.
    static QString logLine(const QTime &time, const QString &text);
};
