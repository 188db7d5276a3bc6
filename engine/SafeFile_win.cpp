#include "SafeFile.h"
#include "HelperText.h"

#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

std::wstring widePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QString lastErrorText(DWORD code)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                                | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString text = length ? QString::fromWCharArray(buffer, int(length)).trimmed()
                          : HelperText::translate(QStringLiteral("Windows 错误 %1")).arg(code);
    LocalFree(buffer);
    return text;
}

// The message in the run's language with the system's reason; the error code
// is passed in, so it is read before the lookup could touch it.
QString systemFailure(const char16_t *format, DWORD code)
{
    return HelperText::translate(QString::fromUtf16(format)).arg(lastErrorText(code));
}

QString systemFailure(const char16_t *format, const QString &path, DWORD code)
{
    return HelperText::translate(QString::fromUtf16(format)).arg(path, lastErrorText(code));
}

class HandleGuard
{
public:
    explicit HandleGuard(HANDLE handle) : m_handle(handle) { }
    ~HandleGuard()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    HandleGuard(const HandleGuard &) = delete;
    HandleGuard &operator=(const HandleGuard &) = delete;
    HANDLE get() const { return m_handle; }
    HANDLE release()
    {
        HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE m_handle;
};

} // namespace

namespace SafeFile {

bool readRegularFile(const QString &path, qint64 maxBytes, QByteArray *data, QString *error)
{
    HandleGuard file(CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        *error = systemFailure(u"无法打开文件：%1", GetLastError());
        return false;
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        *error = HelperText::translate(QStringLiteral("不是普通文件（可能是文件夹、管道或设备），已跳过"));
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        *error = systemFailure(u"无法读取文件信息：%1", GetLastError());
        return false;
    }
    if (size.QuadPart > maxBytes) {
        *error = HelperText::translate(QStringLiteral("文件过大（%1 字节），超出可处理的上限 %2 字节")).arg(size.QuadPart).arg(maxBytes);
        return false;
    }
    QByteArray buffer;
    buffer.resize(qsizetype(size.QuadPart));
    qint64 total = 0;
    while (total < buffer.size()) {
        DWORD got = 0;
        const DWORD chunk = DWORD(qMin<qint64>(buffer.size() - total, 1 << 30));
        if (!ReadFile(file.get(), buffer.data() + total, chunk, &got, nullptr)) {
            *error = systemFailure(u"读取文件失败：%1", GetLastError());
            return false;
        }
        if (got == 0)
            break;
        total += got;
    }
    buffer.truncate(qsizetype(total));
    *data = std::move(buffer);
    return true;
}

bool writeNewFile(const QString &path, const QByteArray &data, const QString &permissionsFrom,
                  QString *error)
{
    Q_UNUSED(permissionsFrom); // a new file inherits the folder's access rights, as a copied one would
    const std::wstring native = widePath(path);
    if (!DeleteFileW(native.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        *error = systemFailure(u"无法删除残留的临时文件 %1：%2", path, GetLastError());
        return false;
    }
    HandleGuard file(CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        *error = systemFailure(u"无法创建临时文件 %1：%2", path, GetLastError());
        return false;
    }
    bool ok = true;
    DWORD code = 0;
    qint64 total = 0;
    while (ok && total < data.size()) {
        DWORD written = 0;
        const DWORD chunk = DWORD(qMin<qint64>(data.size() - total, 1 << 30));
        if (!WriteFile(file.get(), data.constData() + total, chunk, &written, nullptr)) {
            ok = false;
            code = GetLastError();
        }
        total += written;
    }
    if (ok && !FlushFileBuffers(file.get())) {
        ok = false;
        code = GetLastError();
    }
    CloseHandle(file.release());
    if (!ok) {
        DeleteFileW(native.c_str());
        *error = HelperText::translate(QStringLiteral("写入临时文件失败 %1：%2")).arg(path, lastErrorText(code));
        return false;
    }
    return true;
}

bool createNewFile(const QString &path, const QString &permissionsFrom, QFile *file, QString *error)
{
    Q_UNUSED(permissionsFrom); // a new file inherits the folder's access rights, as a copied one would
    const std::wstring native = widePath(path);
    if (!DeleteFileW(native.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        *error = systemFailure(u"无法删除残留的临时文件 %1：%2", path, GetLastError());
        return false;
    }
    HandleGuard handle(CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (handle.get() == INVALID_HANDLE_VALUE) {
        *error = systemFailure(u"无法创建临时文件 %1：%2", path, GetLastError());
        return false;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle.get()), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle.release());
        DeleteFileW(native.c_str());
        *error = HelperText::translate(QStringLiteral("无法创建临时文件 %1")).arg(path);
        return false;
    }
    handle.release(); // the descriptor owns it now
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        DeleteFileW(native.c_str());
        *error = HelperText::translate(QStringLiteral("无法创建临时文件 %1：%2")).arg(path, file->errorString());
        return false;
    }
    return true;
}

bool finishNewFile(QFile *file, const QString &path, QString *error)
{
    bool ok = file->flush();
    QString reason = file->errorString();
    if (ok && !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file->handle())))) {
        ok = false;
        reason = lastErrorText(GetLastError());
    }
    file->close();
    if (!ok) {
        DeleteFileW(widePath(path).c_str());
        *error = HelperText::translate(QStringLiteral("写入临时文件失败 %1：%2")).arg(path, reason);
        return false;
    }
    return true;
}

bool replaceFile(const QString &from, const QString &to, QString *error)
{
    if (!MoveFileExW(widePath(from).c_str(), widePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = systemFailure(u"无法替换目标文件 %1：%2", to, GetLastError());
        return false;
    }
    return true;
}

bool placeNewFile(const QString &from, const QString &to, QString *error)
{
    if (!MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
            *error = HelperText::translate(QStringLiteral("输出文件 %1 已由另一个进程写入；为免覆盖它的结果，未作替换")).arg(to);
        else
            *error = systemFailure(u"无法替换目标文件 %1：%2", to, code);
        return false;
    }
    return true;
}

bool removeFile(const QString &path, QString *error)
{
    if (!DeleteFileW(widePath(path).c_str())) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND)
            return true;
        *error = HelperText::translate(QStringLiteral("无法删除文件 %1：%2")).arg(path, lastErrorText(code));
        return false;
    }
    return true;
}

bool isSameFile(const QString &a, const QString &b)
{
    auto identify = [](const QString &path, BY_HANDLE_FILE_INFORMATION *info) {
        HandleGuard file(CreateFileW(widePath(path).c_str(), 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file.get() != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file.get(), info);
    };
    BY_HANDLE_FILE_INFORMATION first, second;
    if (!identify(a, &first) || !identify(b, &second))
        return false;
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber
            && first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool entryExists(const QString &path)
{
    return GetFileAttributesW(widePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

qint64 physicalMemoryBytes()
{
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return 0;
    return qint64(status.ullTotalPhys);
}

bool isWritable(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isWritable();
}

int maxNameBytes(const QString &)
{
    return 255;
}

int nameBytes(const QString &fileName)
{
    return int(fileName.size());
}

Qt::CaseSensitivity pathCaseSensitivity()
{
    return Qt::CaseInsensitive;
}

QList<QByteArray> undecodableNames(const QString &)
{
    // Windows names are UTF-16: every name can be decoded.
    return {};
}

bool isPrivateTemporaryFolder(const QString &)
{
    // The tool window writes no list files on Windows; nothing is removed.
    return false;
}

} // namespace SafeFile
