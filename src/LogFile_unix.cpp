#include "LogFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace LogFile {

namespace {

// Opens without waiting (a FIFO would block a plain open) and keeps only
// regular files; -1 otherwise.
int openRegular(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    ssize_t written;
    do {
        written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    } while (written < 0 && errno == EINTR);
    return written == bytes.size();
}

} // namespace

bool append(const QString &path, const QByteArray &line)
{
    const int fd = openRegular(path, O_WRONLY | O_APPEND | O_CREAT);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, line);
    ::close(fd);
    return written;
}

bool replace(const QString &path, const QByteArray &bytes)
{
    const int fd = openRegular(path, O_WRONLY | O_CREAT);
    if (fd < 0)
        return false;
    const bool written = ::ftruncate(fd, 0) == 0 && writeAll(fd, bytes);
    ::close(fd);
    return written;
}

qint64 size(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return qint64(info.st_size);
}

qint64 currentThreadId()
{
    return qint64(::syscall(SYS_gettid));
}

ProcessLock::ProcessLock(const QString &path)
{
    const int fd = openRegular(path, O_RDWR | O_CREAT);
    if (fd < 0)
        return;
    int result;
    do {
        result = ::flock(fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return;
    }
    m_handle = fd;
}

ProcessLock::~ProcessLock()
{
    if (m_handle != -1)
        ::close(int(m_handle)); // closing releases the flock
}

} // namespace LogFile
