#include "ExecutablePlatform.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace ExecutablePlatform {

QString perUserTempFolder(QString *why)
{
    // The temporary folder is the user's own on Windows.
    const QString folder = QDir(QDir::tempPath()).filePath(QStringLiteral("Pictavo"));
    if (QDir().mkpath(folder))
        return folder;
    if (why)
        *why = QStringLiteral("cannot create %1").arg(folder);
    return QString();
}

QString sharedTempFolder(QString *why)
{
    return perUserTempFolder(why);
}

qint64 argumentSpace()
{
    // One command line of 32,767 UTF-16 units, with room kept for the program path.
    return 32767 - 2048;
}

qint64 argumentCost(const QString &argument)
{
    return argument.size() + 3; // a blank and the quotes
}

bool processIsAlive(qint64 pid)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return false;
    const bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

bool isUsableFolder(const QString &folder)
{
    return QFileInfo(folder).isDir();
}

bool isTrustedFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

bool makeExecutable(const QString &)
{
    return true; // the .exe suffix makes it a program
}

} // namespace ExecutablePlatform
