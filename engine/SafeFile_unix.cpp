#include "SafeFile.h"
#include "HelperText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The reasons a write fails for want of room or rights read in the run's
// language; any other reason as the system words it.
QString errnoText(int code)
{
    switch (code) {
    case ENOSPC:
        return HelperText::translate(QStringLiteral("设备上没有剩余空间"));
    case EDQUOT:
        return HelperText::translate(QStringLiteral("超出磁盘配额"));
    case EROFS:
        return HelperText::translate(QStringLiteral("只读文件系统"));
    default:
        return QString::fromLocal8Bit(std::strerror(code));
    }
}

// The message in the run's language with the system's reason; errno is passed
// in, so it is read before the lookup could touch it.
QString systemFailure(const char16_t *format, int code)
{
    return HelperText::translate(QString::fromUtf16(format)).arg(errnoText(code));
}

QString systemFailure(const char16_t *format, const QString &path, int code)
{
    return HelperText::translate(QString::fromUtf16(format)).arg(path, errnoText(code));
}

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(QDir::toNativeSeparators(path));
}

// Closes a descriptor on every path out of a function.
class FdGuard
{
public:
    explicit FdGuard(int fd) : m_fd(fd) { }
    ~FdGuard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdGuard(const FdGuard &) = delete;
    FdGuard &operator=(const FdGuard &) = delete;
    int get() const { return m_fd; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

void syncFolderOf(const QString &path)
{
    const QByteArray folder = nativePath(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

namespace SafeFile {

bool readRegularFile(const QString &path, qint64 maxBytes, QByteArray *data, QString *error)
{
    // O_NONBLOCK keeps open() from waiting for a writer when the name is a FIFO;
    // it has no effect on the reads of a regular file.
    FdGuard fd(::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        *error = systemFailure(u"无法打开文件：%1", errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd.get(), &info) != 0) {
        *error = systemFailure(u"无法读取文件信息：%1", errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = HelperText::translate(QStringLiteral("不是普通文件（可能是文件夹、管道或设备），已跳过"));
        return false;
    }
    if (info.st_size > maxBytes) {
        *error = HelperText::translate(QStringLiteral("文件过大（%1 字节），超出可处理的上限 %2 字节"))
                         .arg(qint64(info.st_size))
                         .arg(maxBytes);
        return false;
    }

    QByteArray buffer;
    buffer.resize(qsizetype(info.st_size));
    qint64 total = 0;
    while (total < buffer.size()) {
        const ssize_t got = ::read(fd.get(), buffer.data() + total, size_t(buffer.size() - total));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *error = systemFailure(u"读取文件失败：%1", errno);
            return false;
        }
        if (got == 0)
            break; // the file shrank while we read it
        total += got;
    }
    buffer.truncate(qsizetype(total));
    *data = std::move(buffer);
    return true;
}

bool createNewFile(const QString &path, const QString &permissionsFrom, QFile *file, QString *error)
{
    const QByteArray native = nativePath(path);

    // A leftover of an earlier crash: unlink removes the name, never a link's target.
    if (::unlink(native.constData()) != 0 && errno != ENOENT) {
        if (errno == ENAMETOOLONG)
            *error = HelperText::translate(QStringLiteral("文件名过长，文件系统无法创建临时文件 %1")).arg(path);
        else
            *error = systemFailure(u"无法删除残留的临时文件 %1：%2", path, errno);
        return false;
    }

    mode_t mode = 0666; // narrowed by the umask, as for any new file
    struct stat original;
    bool keepMode = false;
    if (!permissionsFrom.isEmpty() && ::stat(nativePath(permissionsFrom).constData(), &original) == 0
        && S_ISREG(original.st_mode)) {
        mode = original.st_mode & 07777;
        keepMode = true;
    }

    FdGuard fd(::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (fd.get() < 0) {
        *error = systemFailure(u"无法创建临时文件 %1：%2", path, errno);
        return false;
    }
    if (keepMode)
        ::fchmod(fd.get(), mode & 07777); // the umask must not narrow a copied mode
    // Unbuffered: large writes go straight to the file, and a failed one reports why.
    if (!file->open(fd.get(), QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::unlink(native.constData());
        *error = HelperText::translate(QStringLiteral("无法创建临时文件 %1：%2")).arg(path, file->errorString());
        return false;
    }
    fd.release();
    return true;
}

bool finishNewFile(QFile *file, const QString &path, QString *error)
{
    bool ok = file->flush();
    QString reason = file->errorString();
    // A full disk may first show at fsync; its errno says so, Qt's text would not.
    if (ok && ::fsync(file->handle()) != 0) {
        ok = false;
        reason = errnoText(errno);
    }
    file->close();
    if (!ok) {
        ::unlink(nativePath(path).constData());
        *error = HelperText::translate(QStringLiteral("写入临时文件失败 %1：%2")).arg(path, reason);
        return false;
    }
    return true;
}

bool writeNewFile(const QString &path, const QByteArray &data, const QString &permissionsFrom,
                  QString *error)
{
    QFile file;
    if (!createNewFile(path, permissionsFrom, &file, error))
        return false;
    // Written with write(2) itself: a short write and its errno name the reason
    // (a full disk, a quota), where QFile would only say "Unknown error".
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t wrote = ::write(file.handle(), data.constData() + done, size_t(data.size() - done));
        if (wrote > 0) {
            done += wrote;
            continue;
        }
        if (wrote < 0 && errno == EINTR)
            continue;
        const int code = wrote == 0 ? ENOSPC : errno;
        file.close();
        ::unlink(nativePath(path).constData());
        *error = systemFailure(u"写入临时文件失败 %1：%2", path, code);
        return false;
    }
    return finishNewFile(&file, path, error);
}

bool replaceFile(const QString &from, const QString &to, QString *error)
{
    if (::rename(nativePath(from).constData(), nativePath(to).constData()) != 0) {
        *error = systemFailure(u"无法替换目标文件 %1：%2", to, errno);
        return false;
    }
    syncFolderOf(to);
    return true;
}

bool placeNewFile(const QString &from, const QString &to, QString *error)
{
    const QByteArray source = nativePath(from);
    const QByteArray target = nativePath(to);
    int code = 0;
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0)
        code = errno;
#else
    code = ENOSYS;  // a C library without renameat2
#endif
    if (code != 0) {
        // File systems without the flag: a hard link is made only where no name is.
        if (code == EINVAL || code == ENOSYS || code == ENOTSUP) {
            code = ::link(source.constData(), target.constData()) == 0 ? 0 : errno;
            if (code == 0)
                ::unlink(source.constData());
        }
    }
    if (code == EEXIST) {
        *error = HelperText::translate(QStringLiteral("输出文件 %1 已由另一个进程写入；为免覆盖它的结果，未作替换")).arg(to);
        return false;
    }
    if (code != 0) {
        *error = systemFailure(u"无法替换目标文件 %1：%2", to, code);
        return false;
    }
    syncFolderOf(to);
    return true;
}

bool removeFile(const QString &path, QString *error)
{
    if (::unlink(nativePath(path).constData()) != 0 && errno != ENOENT) {
        *error = systemFailure(u"无法删除文件 %1：%2", path, errno);
        return false;
    }
    return true;
}

bool isSameFile(const QString &a, const QString &b)
{
    struct stat first, second;
    if (::stat(nativePath(a).constData(), &first) != 0 || ::stat(nativePath(b).constData(), &second) != 0)
        return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool entryExists(const QString &path)
{
    struct stat info;
    return ::lstat(nativePath(path).constData(), &info) == 0;
}

bool isWritable(const QString &path)
{
    const QByteArray native = nativePath(path);
    struct stat info;
    if (::stat(native.constData(), &info) != 0)
        return false;
    // access() says yes to root for any file; the mode's write bits do not.
    return (info.st_mode & 0222) != 0 && ::access(native.constData(), W_OK) == 0;
}

int maxNameBytes(const QString &folder)
{
    const long limit = ::pathconf(nativePath(folder).constData(), _PC_NAME_MAX);
    return limit > 0 ? int(qMin<long>(limit, 65535)) : 255;
}

int nameBytes(const QString &fileName)
{
    return int(QFile::encodeName(fileName).size());
}

Qt::CaseSensitivity pathCaseSensitivity()
{
    return Qt::CaseSensitive;
}

QList<QByteArray> undecodableNames(const QString &folder)
{
    QList<QByteArray> names;
    DIR *dir = ::opendir(nativePath(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (QFile::encodeName(QFile::decodeName(name)) != name)
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

bool isPrivateTemporaryFolder(const QString &folder)
{
    // The tool window's candidates: "<runtime>/Pictavo", "<cache>/Pictavo/tmp", "Pictavo-<uid>[-n]".
    const QFileInfo named(folder);
    const QString name = named.fileName();
    const QString shared = QStringLiteral("Pictavo-%1").arg(::getuid());
    if (name != QLatin1String("Pictavo") && name != shared && !name.startsWith(shared + QLatin1Char('-'))
        && !(name == QLatin1String("tmp") && QFileInfo(named.absolutePath()).fileName() == QLatin1String("Pictavo")))
        return false;
    struct stat info;
    if (::lstat(nativePath(folder).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 07777) == 0700;
}

qint64 physicalMemoryBytes()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return qint64(pages) * qint64(pageSize);
}

} // namespace SafeFile
