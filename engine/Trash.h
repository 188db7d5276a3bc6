#pragma once

#include <QString>

// The desktop trash, as file managers share it: a replaced original is kept
// there, so the user finds it in the file manager's trash and Undo can put it
// back. One implementation per platform (Trash_unix.cpp, Trash_win.cpp). Every
// function reports failure through its return value and a readable message.
namespace Trash {

// One file kept in a trash.
struct Entry
{
    QString original;  // absolute path the file had, and keeps until it is replaced
    QString file;      // its second name in the trash's "files" folder
    QString info;      // the ".trashinfo" beside it in "info"
};

// What tells whether a file was changed after it was written: a file rewritten
// in place, replaced by another or touched differs in one of these.
struct Stamp
{
    qint64 size = -1;
    qint64 modifiedNs = 0;  // modification time, nanoseconds since the epoch
    quint64 node = 0;       // the file's identity on its file system
    bool operator==(const Stamp &other) const
    {
        return size == other.size && modifiedNs == other.modifiedNs && node == other.node;
    }
    bool operator!=(const Stamp &other) const { return !(*this == other); }
};

// Puts a second name of the regular file `path` into the trash of the file
// system that holds it (the user's own trash on the home file system, the
// file system's shared or per-user trash folder elsewhere), with its
// ".trashinfo" written and flushed first. Nothing is copied: the file stays
// where it is, so the caller may now rename a new file over `path` and the
// original stays in the trash. On failure nothing is left in any trash and
// `*error` says why.
bool keep(const QString &path, Entry *entry, QString *error);

// Takes an entry out of the trash again (the replacement did not happen):
// the file's name in the trash and its ".trashinfo" are removed.
bool discard(const Entry &entry, QString *error);

// Puts the trashed file back at its original path by one atomic rename,
// replacing what is there, then removes its ".trashinfo". When the original
// path still is the very same file, only the trash's names are removed.
bool restore(const Entry &entry, QString *error);

// True when the entry's file is still in the trash.
bool isPresent(const Entry &entry);

// The stamp of the file at `path` (links not followed); false when there is none.
bool stampOf(const QString &path, Stamp *stamp);

// Appends `line` to the file at `path` (created owner-only when missing) and
// flushes it to the disk before returning: a record a crash cannot take back.
bool appendRecord(const QString &path, const QByteArray &line, QString *error);

// The ".trashinfo" text for a file at `originalPath` deleted at `deletedLocal`
// ("yyyy-MM-ddThh:mm:ss" local time): the path percent-encoded, relative to
// `topFolder` when one is given (a trash that is not the user's own).
QByteArray infoText(const QString &originalPath, const QString &topFolder, const QString &deletedLocal);

} // namespace Trash
