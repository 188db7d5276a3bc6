#pragma once

#include <QString>

// What writing out and trusting the helper executable needs from the system
// (ExecutablePlatform_unix.cpp, ExecutablePlatform_win.cpp).
namespace ExecutablePlatform {

// A folder only this user uses, created 0700 when missing. On Unix the first
// of "$XDG_RUNTIME_DIR/Pictavo" (the login's own folder), "$XDG_CACHE_HOME/
// Pictavo/tmp" (in the home folder) and, last, "Pictavo-<user id>" under the
// shared temporary folder that is ours. A candidate that another user made or
// planted (a link, a folder open to others) is logged and passed over for the
// next one ("Pictavo-<user id>-2" and on), the same for every process of the
// user. Empty, with *why set when given, when none is ours.
QString perUserTempFolder(QString *why = nullptr);

// The last of those candidates alone: "Pictavo-<user id>" (or "-2" and on)
// under the shared temporary folder, for names that must stay short (sockets).
QString sharedTempFolder(QString *why = nullptr);

// How many bytes the arguments of a program started from here may take,
// measured against the system's limit and the current environment, with a
// generous margin kept back.
qint64 argumentSpace();

// The bytes one argument takes of that space.
qint64 argumentCost(const QString &argument);

// True while the process with this id exists.
bool processIsAlive(qint64 pid);

// True when programs may be started from `folder` (not on a noexec mount) and
// nobody but this user (or the system) can change what lies in it.
bool isUsableFolder(const QString &folder);

// True when `path` is a regular file, not a link, owned by this user and
// writable by nobody else.
bool isTrustedFile(const QString &path);

// Gives the file owner read, write and execute permission, nothing to others.
bool makeExecutable(const QString &path);

} // namespace ExecutablePlatform
