#pragma once

#include <QString>

// What writing out and trusting the helper executable needs from the system
// (ExecutablePlatform_unix.cpp, ExecutablePlatform_win.cpp).
namespace ExecutablePlatform {

// The folder under the shared temporary folder that only this user uses
// ("Pictavo-<user id>" on Unix), created when missing; empty when no such
// private folder can be had.
QString perUserTempFolder();

// True when programs may be started from `folder` (not on a noexec mount) and
// nobody but this user (or the system) can change what lies in it.
bool isUsableFolder(const QString &folder);

// True when `path` is a regular file, not a link, owned by this user and
// writable by nobody else.
bool isTrustedFile(const QString &path);

// Gives the file owner read, write and execute permission, nothing to others.
bool makeExecutable(const QString &path);

} // namespace ExecutablePlatform
