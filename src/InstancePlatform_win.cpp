#include "InstancePlatform.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

#include <windows.h>

namespace InstancePlatform {

namespace {
HANDLE heldMutex = nullptr;
}

QString userName()
{
    return qEnvironmentVariable("USERNAME");
}

QString privateFolder(QString *error)
{
    // The per-user temporary folder is private to the user on Windows.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    if (folder.isEmpty())
        *error = QStringLiteral("no temporary folder");
    return folder;
}

QString inboxParent(QString *error)
{
    return privateFolder(error);
}

void releaseFreedMemory()
{
    // The Windows heap returns large blocks to the system by itself.
}

QString serverAddress(const QString &serverName, QString *)
{
    return serverName;
}

bool isPrivateFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

bool isPrivateFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

bool makePrivateFolder(const QString &path)
{
    return QDir().mkpath(path);
}

bool peerIsSameUser(const QLocalSocket &)
{
    return true; // a named pipe created with UserAccessOption admits this user only
}

LockResult acquireToolLock(const QString &name, QString *error)
{
    const std::wstring mutexName = (QStringLiteral("Local\\") + name).toStdWString();
    HANDLE mutex = CreateMutexW(nullptr, FALSE, mutexName.c_str());
    if (!mutex) {
        *error = QStringLiteral("CreateMutexW failed: %1").arg(GetLastError());
        return LockResult::Failed;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return LockResult::HeldByOther;
    }
    if (heldMutex)
        CloseHandle(heldMutex);
    heldMutex = mutex; // open for the life of the process, unless handed over
    return LockResult::Acquired;
}

void releaseToolLock()
{
    if (heldMutex)
        CloseHandle(heldMutex);
    heldMutex = nullptr;
}

} // namespace InstancePlatform
