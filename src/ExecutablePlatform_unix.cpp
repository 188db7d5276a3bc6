#include "ExecutablePlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// Pictavo-<uid>, then Pictavo-<uid>-2 … while a candidate is not ours.
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

} // namespace

QString perUserTempFolder(QString *why)
{
    const QString base = QDir(QDir::tempPath()).filePath(QStringLiteral("Pictavo-%1").arg(::geteuid()));
    QStringList refused;
    for (int candidate = 1; candidate <= TempFolderCandidates; ++candidate) {
        const QString folder = candidate == 1 ? base : QStringLiteral("%1-%2").arg(base).arg(candidate);
        const QByteArray native = QFile::encodeName(folder);
        ::mkdir(native.constData(), 0700);
        struct stat info;
        if (::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
            && (info.st_mode & 0077) == 0)
            return folder;
        refused << folder;
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
