#include "LogFile.h"

#include <QDir>

#include <windows.h>

namespace LogFile {

namespace {

std::wstring widePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

bool append(const QString &path, const QByteArray &line)
{
    HANDLE file = CreateFileW(widePath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    QByteArray text = line;
    text.replace("\n", "\r\n"); // a text file on Windows
    DWORD written = 0;
    const bool ok = WriteFile(file, text.constData(), DWORD(text.size()), &written, nullptr)
            && written == DWORD(text.size());
    CloseHandle(file);
    return ok;
}

bool replace(const QString &path, const QByteArray &bytes)
{
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.constData(), DWORD(bytes.size()), &written, nullptr)
            && written == DWORD(bytes.size());
    CloseHandle(file);
    return ok;
}

qint64 size(const QString &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(widePath(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (qint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

qint64 currentThreadId()
{
    return qint64(GetCurrentThreadId());
}

ProcessLock::ProcessLock(const QString &path)
{
    HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED overlapped = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &overlapped)) {
        CloseHandle(file);
        return;
    }
    m_handle = reinterpret_cast<qintptr>(file);
}

ProcessLock::~ProcessLock()
{
    if (m_handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle)); // closing releases the lock
}

} // namespace LogFile
