#pragma once

#include "Trash.h"

#include <QMutex>
#include <QString>
#include <QStringList>

// What undoing a run did.
struct UndoReport
{
    bool found = false;    // there was a run to undo
    QStringList restored;  // originals put back
    QStringList removed;   // results removed that had no original (photo.png beside photo.jpg)
    QStringList skipped;   // one message per file left alone, naming it and saying why
    bool complete() const { return found && skipped.isEmpty(); }
};

// The record of one in-place run that kept its originals: each original put
// in the trash and each result written, with the stamp the result had, so
// Undo can tell a result changed since from its own. One file per run under
// "<data>/Pictavo/Pictavo/runs", created with its first record; every record
// is on the disk before the file it speaks of is replaced, so a run ended at
// any moment leaves a journal Undo can use.
class RunJournal
{
public:
    // "<generic data location>/Pictavo/Pictavo/runs".
    static QString defaultFolder();

    // A journal for a run starting now, in `folder`; nothing is written yet.
    explicit RunJournal(const QString &folder = defaultFolder());

    // The original `entry.original` is in the trash as `entry`, and the result
    // with `stamp` is about to take its place. Safe from any thread.
    bool recordKept(const Trash::Entry &entry, const Trash::Stamp &stamp, QString *error);
    // A new file with `stamp` is about to appear at `result`. Safe from any thread.
    bool recordWritten(const QString &result, const Trash::Stamp &stamp, QString *error);
    // The file announced for `result` was not put in place after all.
    void recordDropped(const QString &result);

    // The journal's file; empty until something was recorded.
    QString path() const;

    // The journal of the last run, when it has not been undone; empty otherwise.
    static QString lastUndoable(const QString &folder = defaultFolder());

    // Puts back every original the journal at `journalPath` kept and removes
    // the results it wrote; a result changed since (or an original no longer
    // in the trash) is left alone and named. The journal is then marked
    // undone, so the same run is never undone twice.
    static UndoReport undo(const QString &journalPath);

private:
    bool append(const QByteArray &record, QString *error);

    mutable QMutex m_mutex;
    QString m_folder;
    QString m_name;
    QString m_path;
};
