#include "InstancePlatform.h"

#include "ExecutablePlatform.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InstancePlatform {

namespace {

int heldLock = -1;

// sun_path holds 108 bytes, the last one the terminating zero.
constexpr qsizetype MaxSocketPathBytes = 107;

bool ownedBySelf(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode)
            && info.st_uid == ::geteuid();
}

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

    // The cache's "Pictavo" may belong to someone else where the cache is
    // shared: then it is passed over for the private temporary folder.
    QStringList refused;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (!cache.isEmpty() && QDir::isAbsolutePath(cache)) {
        const QString parent = QDir::cleanPath(cache + QStringLiteral("/Pictavo"));
        const QString folder = parent + QStringLiteral("/runtime");
        if (makePrivateFolder(folder) && ownedBySelf(parent) && privateRuntimeDir(folder))
            return folder;
        refused << folder;
    }
    QString why;
    const QString temp = ExecutablePlatform::perUserTempFolder(&why);
    if (!temp.isEmpty()) {
        const QString folder = temp + QStringLiteral("/runtime");
        if (makePrivateFolder(folder) && privateRuntimeDir(folder))
            return folder;
        refused << folder;
    }
    *error = QStringLiteral("no private folder of this user: %1 not ours or open to others%2%3")
                     .arg(refused.isEmpty() ? QStringLiteral("no candidate") : refused.join(QStringLiteral(", ")),
                          why.isEmpty() ? QString() : QStringLiteral("; "), why);
    return QString();
}

QString inboxParent(QString *error)
{
    return privateFolder(error);
}

QString serverAddress(const QString &serverName, QString *error)
{
    QString ignored;
    const QString folder = privateFolder(error ? error : &ignored);
    if (folder.isEmpty())
        return QString();
    // A socket path holds at most 107 bytes: a long user name under the cache
    // folder passes that, so shorter private places and a short name follow.
    const QString shortName = QStringLiteral("Pictavo-")
            + QString::fromLatin1(QCryptographicHash::hash(serverName.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    const QString temp = ExecutablePlatform::perUserTempFolder();
    const QString shared = ExecutablePlatform::sharedTempFolder();
    QStringList candidates{QDir(folder).filePath(serverName)};
    for (const QString &place : {temp, shared}) {
        if (!place.isEmpty())
            candidates << QDir(place).filePath(serverName) << QDir(place).filePath(shortName);
    }
    candidates << QDir(folder).filePath(shortName);
    for (const QString &address : std::as_const(candidates)) {
        if (QFile::encodeName(address).size() <= MaxSocketPathBytes)
            return address;
    }
    if (error)
        *error = QStringLiteral("every socket path is longer than %1 bytes: %2").arg(MaxSocketPathBytes).arg(candidates.first());
    return QString();
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

void releaseFreedMemory()
{
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
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
