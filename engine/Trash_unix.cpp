#include "Trash.h"

#include "HelperText.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QString reason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The device of `path`, or of its nearest existing parent: the data folder
// need not exist before the first file is trashed.
bool deviceOf(QString path, dev_t *device)
{
    struct stat info;
    while (::stat(native(path).constData(), &info) != 0) {
        const QString parent = QFileInfo(path).absolutePath();
        if (parent == path)
            return false;
        path = parent;
    }
    *device = info.st_dev;
    return true;
}

// The folder where the file system holding `folder` is mounted: the last
// parent on the same device.
QString mountTop(QString folder, dev_t device)
{
    struct stat info;
    while (folder != QLatin1String("/")) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (::stat(native(parent).constData(), &info) != 0 || info.st_dev != device)
            break;
        folder = parent;
    }
    return folder;
}

// A folder of this user's, never a link: created owner-only when missing.
bool ownFolder(const QString &path, QString *error)
{
    if (::mkdir(native(path).constData(), 0700) != 0 && errno != EEXIST) {
        *error = HelperText::translate(QStringLiteral("无法创建回收站文件夹 %1：%2")).arg(path, reason(errno));
        return false;
    }
    struct stat info;
    if (::lstat(native(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        *error = HelperText::translate(QStringLiteral("%1 不能用作回收站：它不是本用户的文件夹")).arg(path);
        return false;
    }
    return true;
}

// A trash folder with its "files" and "info" ready.
bool ready(const QString &trash, QString *error)
{
    return ownFolder(trash, error) && ownFolder(trash + QStringLiteral("/files"), error)
           && ownFolder(trash + QStringLiteral("/info"), error);
}

// The trash for a file on device `device` in `folder`, and the top folder its
// paths are relative to (empty for the user's own trash, which keeps absolute paths).
bool trashFor(const QString &folder, dev_t device, QString *trash, QString *top, QString *error)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    dev_t homeDevice = 0;
    if (!dataHome.isEmpty() && deviceOf(dataHome, &homeDevice) && homeDevice == device) {
        if (!QDir().mkpath(dataHome)) {
            *error = HelperText::translate(QStringLiteral("无法创建回收站文件夹 %1：%2")).arg(dataHome, reason(errno));
            return false;
        }
        *trash = dataHome + QStringLiteral("/Trash");
        top->clear();
        return ready(*trash, error);
    }
    // Another file system: its shared trash (sticky, never a link) with a
    // folder per user, else a trash folder of this user's at its top.
    *top = mountTop(folder, device);
    const QString uid = QString::number(::getuid());
    const QString base = *top == QLatin1String("/") ? QString() : *top;
    const QString shared = base + QStringLiteral("/.Trash");
    struct stat info;
    QString sharedError;
    if (::lstat(native(shared).constData(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX)) {
        *trash = shared + QLatin1Char('/') + uid;
        if (ready(*trash, &sharedError))
            return true;
    }
    *trash = base + QStringLiteral("/.Trash-") + uid;
    if (ready(*trash, error))
        return true;
    *error = HelperText::translate(QStringLiteral("文件所在的文件系统（%1）上没有可用的回收站：%2"))
                     .arg(*top, sharedError.isEmpty() ? *error : sharedError);
    return false;
}

// The name the `attempt`-th try gives a file in the trash: its own name first,
// then "photo.2.jpg", "photo.3.jpg", …; a digest of the name where the name
// and ".trashinfo" would be too long.
QString candidateName(const QFileInfo &file, int attempt, bool shortened)
{
    const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
    QString stem = file.suffix().isEmpty() ? file.fileName() : file.completeBaseName();
    if (shortened)
        stem = QString::fromLatin1(
                QCryptographicHash::hash(file.fileName().toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    if (attempt == 1)
        return stem + suffix;
    return stem + QLatin1Char('.') + QString::number(attempt) + suffix;
}

bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t wrote = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += wrote;
    }
    return true;
}

} // namespace

namespace Trash {

QByteArray infoText(const QString &originalPath, const QString &topFolder, const QString &deletedLocal)
{
    const QString path = topFolder.isEmpty() ? originalPath : QDir(topFolder).relativeFilePath(originalPath);
    // Bytes as the file system holds them, every one outside the unreserved set escaped.
    return QByteArrayLiteral("[Trash Info]\nPath=") + native(path).toPercentEncoding("/")
           + QByteArrayLiteral("\nDeletionDate=") + deletedLocal.toLatin1()
           + '\n';
}

bool keep(const QString &path, Entry *entry, QString *error)
{
    const QFileInfo file(path);
    const QString original = file.absoluteFilePath();
    struct stat info;
    if (::lstat(native(original).constData(), &info) != 0) {
        *error = reason(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = HelperText::translate(QStringLiteral("不是普通文件"));
        return false;
    }
    QString trash;
    QString top;
    if (!trashFor(file.absolutePath(), info.st_dev, &trash, &top, error))
        return false;

    const QByteArray text =
            infoText(original, top, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")));
    bool shortened = false;
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const QString name = candidateName(file, attempt, shortened);
        const QString infoPath = trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo");
        const QString filePath = trash + QStringLiteral("/files/") + name;
        // The ".trashinfo" reserves the name, so two programs trashing at once never share it.
        const int fd = ::open(native(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            if (errno == ENAMETOOLONG && !shortened) {
                shortened = true;
                attempt = 0;
                continue;
            }
            *error = HelperText::translate(QStringLiteral("无法写入回收站记录 %1：%2")).arg(infoPath, reason(errno));
            return false;
        }
        const bool written = writeAll(fd, text) && ::fsync(fd) == 0;
        const int writeErrno = errno;
        ::close(fd);
        if (!written) {
            ::unlink(native(infoPath).constData());
            *error = HelperText::translate(QStringLiteral("无法写入回收站记录 %1：%2")).arg(infoPath, reason(writeErrno));
            return false;
        }
        if (::link(native(original).constData(), native(filePath).constData()) != 0) {
            const int linkErrno = errno;
            ::unlink(native(infoPath).constData());
            if (linkErrno == EEXIST)
                continue; // a stray file in "files" without its record
            *error = HelperText::translate(QStringLiteral("无法把原图链接到回收站 %1：%2")).arg(trash, reason(linkErrno));
            return false;
        }
        syncFolder(trash + QStringLiteral("/info"));
        syncFolder(trash + QStringLiteral("/files"));
        entry->original = original;
        entry->file = filePath;
        entry->info = infoPath;
        return true;
    }
    *error = HelperText::translate(QStringLiteral("回收站中同名的文件过多：%1")).arg(file.fileName());
    return false;
}

bool discard(const Entry &entry, QString *error)
{
    if (::unlink(native(entry.file).constData()) != 0 && errno != ENOENT) {
        *error = reason(errno);
        return false;
    }
    ::unlink(native(entry.info).constData());
    syncFolder(QFileInfo(entry.file).absolutePath());
    return true;
}

bool restore(const Entry &entry, QString *error)
{
    struct stat kept;
    struct stat current;
    if (::lstat(native(entry.file).constData(), &kept) != 0) {
        *error = reason(errno);
        return false;
    }
    // rename() between two names of one file does nothing: the original is
    // still in place, so only the trash lets go of it.
    if (::lstat(native(entry.original).constData(), &current) == 0 && current.st_dev == kept.st_dev
        && current.st_ino == kept.st_ino)
        return discard(entry, error);
    if (::rename(native(entry.file).constData(), native(entry.original).constData()) != 0) {
        *error = reason(errno);
        return false;
    }
    syncFolder(QFileInfo(entry.original).absolutePath());
    ::unlink(native(entry.info).constData());
    return true;
}

bool isPresent(const Entry &entry)
{
    struct stat info;
    return ::lstat(native(entry.file).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool appendRecord(const QString &path, const QByteArray &line, QString *error)
{
    struct stat info;
    const bool existed = ::lstat(native(path).constData(), &info) == 0;
    const int fd = ::open(native(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = reason(errno);
        return false;
    }
    const bool written = writeAll(fd, line) && ::fdatasync(fd) == 0;
    const int writeErrno = errno;
    ::close(fd);
    if (!written) {
        *error = reason(writeErrno);
        return false;
    }
    if (!existed)
        syncFolder(QFileInfo(path).absolutePath());
    return true;
}

bool stampOf(const QString &path, Stamp *stamp)
{
    struct stat info;
    if (::lstat(native(path).constData(), &info) != 0)
        return false;
    stamp->size = info.st_size;
    stamp->modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp->node = quint64(info.st_ino);
    return true;
}

} // namespace Trash
