#include "ExecutablePlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace ExecutablePlatform {

namespace {

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

QString perUserTempFolder()
{
    const QString folder = QDir(QDir::tempPath()).filePath(QStringLiteral("Pictavo-%1").arg(::geteuid()));
    const QByteArray native = QFile::encodeName(folder);
    ::mkdir(native.constData(), 0700);
    struct stat info;
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()
        || (info.st_mode & 0077) != 0)
        return QString();
    return folder;
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
