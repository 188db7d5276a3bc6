#include "ExecutablePlatform.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

extern char **environ;

namespace ExecutablePlatform {

namespace {

constexpr int TempFolderCandidates = 8;

bool ownedBySelfOrSystem(const struct stat &info)
{
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

// Nobody else may replace entries of the folder: not writable by others, or
// sticky (as /tmp is), where only an entry's owner may rename or remove it.
bool closedToOthers(const struct stat &info)
{
    return (info.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (info.st_mode & S_ISVTX) != 0;
}

// Why `folder` cannot be this user's private folder, or empty when it can: a
// real folder (no link), owned by this user, open to nobody else.
QString refusal(const QString &folder)
{
    struct stat info;
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        return S_ISLNK(info.st_mode) ? QStringLiteral("a symbolic link") : QStringLiteral("not a folder");
    if (info.st_uid != ::geteuid())
        return QStringLiteral("owned by user %1").arg(info.st_uid);
    if ((info.st_mode & 0077) != 0)
        return QStringLiteral("open to others (mode %1)").arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return QString();
}

// Each refused candidate is logged once per process, not at every look-up.
void logRefusal(const QString &folder, const QString &reason)
{
    static QMutex lock;
    static QSet<QString> logged;
    QMutexLocker locker(&lock);
    if (logged.contains(folder))
        return;
    logged.insert(folder);
    qWarning().noquote() << "private folder refused:" << folder << "-" << reason;
}

QString environmentFolder(const char *name)
{
    const QString value = QFile::decodeName(qgetenv(name));
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

// Makes `folder` owner-only when missing and takes it when it is this user's
// alone; otherwise logs and notes why it was refused.
bool tryPrivateFolder(const QString &folder, QStringList *refused)
{
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    const QString reason = refusal(folder);
    if (reason.isEmpty())
        return true;
    logRefusal(folder, reason);
    *refused << QStringLiteral("%1 (%2)").arg(folder, reason);
    return false;
}

} // namespace

QString perUserTempFolder(QString *why)
{
    QStringList refused;
    const auto tryFolder = [&refused](const QString &folder) { return tryPrivateFolder(folder, &refused); };

    // The login's runtime folder is this user's alone and emptied at log-out.
    const QString runtime = environmentFolder("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const QString reason = refusal(runtime);
        if (!reason.isEmpty()) {
            logRefusal(runtime, reason);
            refused << QStringLiteral("%1 (%2)").arg(runtime, reason);
        } else if (const QString folder = runtime + QStringLiteral("/Pictavo"); tryFolder(folder)) {
            return folder;
        }
    }

    // Then the cache in the home folder, where no other user can plant anything.
    QString cache = environmentFolder("XDG_CACHE_HOME");
    if (cache.isEmpty() && !environmentFolder("HOME").isEmpty())
        cache = environmentFolder("HOME") + QStringLiteral("/.cache");
    if (!cache.isEmpty()) {
        const QString parent = cache + QStringLiteral("/Pictavo");
        QDir().mkpath(cache);
        ::mkdir(QFile::encodeName(parent).constData(), 0700);
        // Whoever owns the parent could swap the folder: it must be ours and closed to others' writes.
        struct stat info;
        const bool parentOurs = ::lstat(QFile::encodeName(parent).constData(), &info) == 0 && S_ISDIR(info.st_mode)
                && info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
        if (!parentOurs) {
            logRefusal(parent, QStringLiteral("not a folder of this user closed to others"));
            refused << parent;
        } else if (const QString folder = parent + QStringLiteral("/tmp"); tryFolder(folder)) {
            return folder;
        }
    }
    const QString shared = sharedTempFolder(why);
    if (shared.isEmpty() && why)
        *why = refused.join(QStringLiteral(", ")) + QStringLiteral("; ") + *why;
    return shared;
}

QString sharedTempFolder(QString *why)
{
    QStringList refused;
    const auto tryFolder = [&refused](const QString &folder) { return tryPrivateFolder(folder, &refused); };
    // Pictavo-<uid>, then Pictavo-<uid>-2 … while a candidate is not ours.
    const QString base = QDir(QDir::tempPath()).filePath(QStringLiteral("Pictavo-%1").arg(::geteuid()));
    for (int candidate = 1; candidate <= TempFolderCandidates; ++candidate) {
        const QString folder = candidate == 1 ? base : QStringLiteral("%1-%2").arg(base).arg(candidate);
        if (tryFolder(folder))
            return folder;
    }
    if (why) {
        *why = QStringLiteral("every private temporary folder is taken by another user or open to others: %1")
                       .arg(refused.join(QStringLiteral(", ")));
    }
    return QString();
}

qint64 argumentSpace()
{
    const long limit = ::sysconf(_SC_ARG_MAX);
    qint64 space = limit > 0 ? qint64(limit) : qint64(131072);
    for (char **entry = environ; entry && *entry; ++entry)
        space -= qint64(std::strlen(*entry)) + 1 + qint64(sizeof(char *));
    // The stack also holds the auxiliary vector and the program path, and
    // a caller may add to the environment: keep a quarter and 64 KiB back.
    space = space * 3 / 4 - 65536;
    return std::max<qint64>(space, 0);
}

qint64 argumentCost(const QString &argument)
{
    return qint64(QFile::encodeName(argument).size()) + 1 + qint64(sizeof(char *));
}

bool processIsAlive(qint64 pid)
{
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return false;
    // A detached process belongs to the system's first process, which may not
    // reap it at once: an ended one lingers as a zombie ("Z" in its stat).
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || close + 2 >= line.size() || line.at(close + 2) != 'Z';
}

bool isUsableFolder(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    struct statvfs volume;
    if (::statvfs(QFile::encodeName(canonical).constData(), &volume) != 0 || (volume.f_flag & ST_NOEXEC) != 0)
        return false;
    struct stat info;
    if (::stat(QFile::encodeName(canonical).constData(), &info) != 0 || info.st_uid != ::geteuid()
        || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return false;
    // Every folder above must keep others from swapping ours out.
    for (QString parent = QFileInfo(canonical).absolutePath(); ; parent = QFileInfo(parent).absolutePath()) {
        if (::stat(QFile::encodeName(parent).constData(), &info) != 0 || !ownedBySelfOrSystem(info)
            || !closedToOthers(info))
            return false;
        if (parent == QLatin1String("/"))
            return true;
    }
}

bool isTrustedFile(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode)
            && info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool makeExecutable(const QString &path)
{
    return ::chmod(QFile::encodeName(path).constData(), 0700) == 0;
}

} // namespace ExecutablePlatform
