#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

struct ProcessResult;

// What the helper's command line asks of the batch window. A field left empty
// was not on the command line and leaves the window's own setting alone.
struct StartupArguments
{
    std::optional<int> ruleIndex;      // index into the size-rule box
    std::optional<int> fillIndex;      // index into the fill box
    std::optional<QString> outputDir;  // text for the output box, as written
    std::optional<bool> centered;      // the later of "--centered" / "--no-centered"
    bool png = false;                  // "--png" was given
    bool recursive = false;            // "--recursive" was given
    bool start = false;                // "--start" was given
    bool headless = false;             // "--headless": no window, records on standard output
    std::optional<int> jobs;           // "--jobs N": pictures padded at the same time
    std::optional<QString> reportTo;   // "--report-to NAME": local socket of the tool window
    std::optional<QString> language;   // "--language CODE", as written
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
    static bool IsPicture(const QString &path);

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
    static StartupArguments ParseArguments(const QStringList &arguments);
    // The same for the raw command line: arguments that are not valid UTF-8
    // name nothing Qt can open; they are noted, shown escaped.
    static StartupArguments ParseArguments(const QList<QByteArray> &arguments);

    // The pictures among `paths` (files and folders as ParseArguments keeps
    // them): a folder contributes its pictures, with its subfolders when
    // `recursive`, output folders included. Other files are noted in `skipped`.
    static QStringList ExpandPaths(const QStringList &paths, bool recursive, QStringList *skipped);

    // The path a skipped-file text names: what follows its first "：".
    static QString SkippedPath(const QString &text);

    // A path as the file system compares it: the key that tells one picture
    // listed twice.
    static QString PathKey(const QString &path);

    // `raw` with every byte that is not part of valid UTF-8 written as \xNN.
    static QString EscapedName(const QByteArray &raw);

    // Picture files in `folder` (and its subfolders when `recursive`), in the
    // order the file system lists them, with the folder text as given as
    // prefix. With `skipOutputFolders`, paths containing OutputFolderMarker are
    // left out; temporary files of the padding always are. Symbolic links to
    // folders are not followed, so a link loop cannot make the listing endless.
    // Pictures that cannot be padded (names that are not valid UTF-8, links
    // that lead nowhere) are noted in `skipped`. Returns false with `error`
    // naming the first folder that could not be read; the pictures of every
    // readable folder are listed all the same.
    static bool ListPictures(const QString &folder, bool recursive, bool skipOutputFolders, QStringList *pictures,
                             QString *error = nullptr, QStringList *skipped = nullptr);

    // "hh:mm:ss" with whole hours not wrapped at 24 (at least two digits), all
    // fields truncated; a negative span shows as 00:00:00.
    static QString Duration(qint64 milliseconds);

    // Time left from the recent rate: `finishTimes` holds, in order, when each
    // finished picture ended (milliseconds since the run started). The last
    // few pictures set the pace, so a slow first picture or a change of
    // picture sizes along the list soon stops weighing on the estimate.
    static qint64 RecentRemainingMilliseconds(const QList<qint64> &finishTimes, int total);

    // "[HH:mm:ss] " + text: one line of the live log, without its line break.
    static QString LogLine(const QTime &time, const QString &text);

    // "[成功] name  old -> new  message" (or "[失败] …") for one processed file.
    static QString ResultLine(const ProcessResult &result);

    // "错误报告_yyyyMMdd_HHmmss.txt" for a run started at `start`.
    static QString ReportFileName(const QDateTime &start);

    // "yyyy-MM-dd HH:mm:ss " + line + CR LF: one line of the error report.
    static QString ReportLine(const QDateTime &time, const QString &line);

    // Appends `text` to the report at `path` in UTF-8; a file that is new (or
    // empty) first gets the UTF-8 byte-order mark. Returns false with `error`.
    static bool AppendToReport(const QString &path, const QString &text, QString *error);

    // Creates `path` with any missing parents. Returns false with `error`.
    static bool MakeFolder(const QString &path, QString *error);
};
