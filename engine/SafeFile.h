#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QFile;

// File-system primitives the padding engine needs to replace a user's file
// safely. One implementation per platform (SafeFile_unix.cpp, SafeFile_win.cpp).
// Every function reports failure through its return value and a readable
// message; none throws.
namespace SafeFile {

// Reads a whole regular file. A FIFO, device, folder or anything else that is
// not a regular file is refused at once, without blocking on it. Files larger
// than maxBytes are refused before any byte is read.
bool readRegularFile(const QString &path, qint64 maxBytes, QByteArray *data, QString *error);

// Creates `path` exclusively (never through a link; a leftover entry of that
// name is removed first, the name itself and never what it points to), writes
// `data`, flushes it to the disk and closes it. When `permissionsFrom` names an
// existing file, the new file takes over its permission bits, so a replaced
// picture keeps the access rights it had. On failure nothing is left at `path`.
bool writeNewFile(const QString &path, const QByteArray &data, const QString &permissionsFrom,
                  QString *error);

// For content too large to hold in memory: creates `path` as writeNewFile does
// and leaves it open for writing, empty, in *file. Write to it, then end with
// finishNewFile. On failure nothing is left at `path` and *file stays closed.
bool createNewFile(const QString &path, const QString &permissionsFrom, QFile *file, QString *error);

// Flushes what was written to a file from createNewFile to the disk and closes
// it. On failure the file at `path` is removed.
bool finishNewFile(QFile *file, const QString &path, QString *error);

// Atomically puts `from` in the place of `to` (same folder), replacing any file
// there, and flushes the folder entry. Afterwards `to` holds either its complete
// old or its complete new content.
bool replaceFile(const QString &from, const QString &to, QString *error);

// Puts `from` at `to` (same folder) only when nothing is there, atomically,
// and flushes the folder entry: an output another process wrote meanwhile is
// never replaced. When `to` exists, `from` stays and `*error` names `to`.
bool placeNewFile(const QString &from, const QString &to, QString *error);

// Removes a file by name; a missing file is not an error.
bool removeFile(const QString &path, QString *error);

// True when both paths name the same existing file (hard links and letter case
// on case-insensitive file systems included).
bool isSameFile(const QString &a, const QString &b);

// True when something (file, folder, link, dangling link) exists under `path`.
bool entryExists(const QString &path);

// True when the user may write the existing file `path` (links followed). The
// file's own write bits count for everyone, root included: a file marked
// read-only is never replaced.
bool isWritable(const QString &path);

// The longest file name, in bytes of its encoded form, that the file system
// holding `folder` accepts.
int maxNameBytes(const QString &folder);

// Bytes of a file name as the file system stores it.
int nameBytes(const QString &fileName);

// How this platform's file systems compare names: case-sensitive on Linux,
// case-insensitive on Windows.
Qt::CaseSensitivity pathCaseSensitivity();

// Entries of `folder` whose names are not valid in the file-name encoding, as
// raw bytes: Qt cannot name them, so they can be reported but not opened.
QList<QByteArray> undecodableNames(const QString &folder);

// True when `folder` is the tool window's private temporary folder: named as
// one of its candidates ("Pictavo", "Pictavo/tmp", "Pictavo-<user id>"), owned
// by this user and open to nobody else (0700).
bool isPrivateTemporaryFolder(const QString &folder);

// Physical memory of the machine in bytes, or 0 when it cannot be told.
qint64 physicalMemoryBytes();

} // namespace SafeFile
