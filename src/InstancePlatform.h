#pragma once

#include <QString>

class QLocalSocket;

// What the single-instance guard needs from the operating system
// (InstancePlatform_unix.cpp, InstancePlatform_win.cpp).
namespace InstancePlatform {

// The user's login name as the environment gives it: USERNAME, else USER where
// that is the convention. Not trimmed, not lower-cased.
QString userName();

// A folder only this user may enter, for the lock, the socket and the inbox:
// XDG_RUNTIME_DIR when it is ours and private, else a private folder under the
// user's cache location, else one in the user's private temporary folder. A
// candidate that is not ours is passed over. Empty, with *error set, when no
// such folder can be had.
QString privateFolder(QString *error);

// Where the inbox folder lives.
QString inboxParent(QString *error);

// The address a QLocalServer listens on and a QLocalSocket connects to. Empty,
// with *error set when given, when no private place can hold it.
QString serverAddress(const QString &serverName, QString *error = nullptr);

// True when `path` is a real folder (not a link) owned by this user that
// nobody else may write.
bool isPrivateFolder(const QString &path);

// True when `path` is a regular file (not a link) owned by this user that
// nobody else may write.
bool isPrivateFile(const QString &path);

// Creates the folder (and missing parents) for this user alone.
bool makePrivateFolder(const QString &path);

// Hands memory freed after a large message back to the system where the
// allocator keeps it otherwise.
void releaseFreedMemory();

// True when the process at the other end of a connected socket runs as this user.
bool peerIsSameUser(const QLocalSocket &socket);

// An exclusive lock per tool and user, held for the life of the process and
// released by the system when it ends, even after a crash.
enum class LockResult { Acquired, HeldByOther, Failed };
LockResult acquireToolLock(const QString &name, QString *error);

// Gives the lock up before the process ends (a restart hands the tool over).
void releaseToolLock();

// Waits up to `milliseconds` for a lock held by a process that is going away.
LockResult waitForToolLock(const QString &name, int milliseconds, QString *error);

} // namespace InstancePlatform
