#include "ExecutablePlatform.h"

#include <QDir>
#include <QFileInfo>

namespace ExecutablePlatform {

QString perUserTempFolder()
{
    // The temporary folder is the user's own on Windows.
    const QString folder = QDir(QDir::tempPath()).filePath(QStringLiteral("Pictavo"));
    return QDir().mkpath(folder) ? folder : QString();
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
