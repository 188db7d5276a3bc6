#include "InstancePlatform.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InstancePlatform {

namespace {

int heldLock = -1;

bool ownedAndClosed(const struct stat &info)
{
    return info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool privateRuntimeDir(const QString &path)
{
    struct stat info;
    return !path.isEmpty() && QDir::isAbsolutePath(path)
            && ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode)
            && info.st_uid == ::geteuid() && (info.st_mode & 0077) == 0;
}

QString lockPath(const QString &name, QString *error)
{
    const QString folder = privateFolder(error);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name + QStringLiteral(".lock"));
}

int openLockFile(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return fd;
}

} // namespace

QString userName()
{
    const QString name = qEnvironmentVariable("USERNAME");
    return name.isEmpty() ? qEnvironmentVariable("USER") : name;
}

QString privateFolder(QString *error)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (privateRuntimeDir(runtime))
        return QDir::cleanPath(runtime);

    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache)) {
        *error = QStringLiteral("no private runtime folder and no cache location");
        return QString();
    }
    const QString folder = QDir::cleanPath(cache + QStringLiteral("/Pictavo/runtime"));
    if (!makePrivateFolder(folder) || !privateRuntimeDir(folder)) {
        *error = QStringLiteral("cannot make a private folder at %1").arg(folder);
        return QString();
    }
    return folder;
}

QString inboxParent(QString *error)
{
    return privateFolder(error);
}

QString serverAddress(const QString &serverName)
{
    QString ignored;
    const QString folder = privateFolder(&ignored);
    return folder.isEmpty() ? serverName : QDir(folder).filePath(serverName);
}

bool isPrivateFolder(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) && ownedAndClosed(info);
}

bool isPrivateFile(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode) && ownedAndClosed(info);
}

bool makePrivateFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        return false;
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode)
        || info.st_uid != ::geteuid())
        return false;
    return ::chmod(QFile::encodeName(path).constData(), 0700) == 0;
}

bool peerIsSameUser(const QLocalSocket &socket)
{
    struct ucred credentials;
    socklen_t length = sizeof(credentials);
    const int fd = int(socket.socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0
            && credentials.uid == ::geteuid();
}

LockResult acquireToolLock(const QString &name, QString *error)
{
    const QString path = lockPath(name, error);
    if (path.isEmpty())
        return LockResult::Failed;
    const int fd = openLockFile(path, error);
    if (fd < 0)
        return LockResult::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        if (heldLock >= 0)
            ::close(heldLock);
        heldLock = fd; // open for the life of the process, unless handed over
        return LockResult::Acquired;
    }
    const int code = errno;
    ::close(fd);
    if (code == EWOULDBLOCK)
        return LockResult::HeldByOther;
    *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(code)));
    return LockResult::Failed;
}

void releaseToolLock()
{
    if (heldLock >= 0)
        ::close(heldLock);
    heldLock = -1;
}

} // namespace InstancePlatform
