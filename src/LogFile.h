#pragma once

#include <QByteArray>
#include <QString>

// File operations of the runtime log that differ per platform
// (LogFile_unix.cpp, LogFile_win.cpp).
namespace LogFile {

// Appends `line` (ending in a line feed) with one write, so records of threads
// and processes writing the same file never interleave. Line ends become CR LF
// where text files use them. Never follows a link at `path`, never waits on a
// special file planted there (a FIFO), and creates the file owner-only.
bool append(const QString &path, const QByteArray &line);

// Replaces the content of the file at `path` with `bytes`, creating it
// owner-only. Never follows a link and never waits on a special file.
bool replace(const QString &path, const QByteArray &bytes);

// Size of the file in bytes, -1 when it does not exist.
qint64 size(const QString &path);

// The operating system's id of the calling thread.
qint64 currentThreadId();

// Holds an exclusive lock on a side file shared by every process writing the
// log, for as long as the object lives. Waits for the lock; `isLocked` is false
// when the side file cannot be opened.
class ProcessLock
{
public:
    explicit ProcessLock(const QString &path);
    ~ProcessLock();
    ProcessLock(const ProcessLock &) = delete;
    ProcessLock &operator=(const ProcessLock &) = delete;
    bool isLocked() const { return m_handle != -1; }

private:
    qintptr m_handle = -1;
};

} // namespace LogFile
