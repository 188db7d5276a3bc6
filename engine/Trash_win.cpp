#include "Trash.h"

#include "HelperText.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

// Windows keeps its Recycle Bin behind the shell, not in folders of files:
// no original is kept there yet, so keeping fails through the normal error
// path and the run replaces originals only with keeping turned off.
namespace Trash {

QByteArray infoText(const QString &, const QString &, const QString &)
{
    return QByteArray();
}

bool keep(const QString &, Entry *, QString *error)
{
    *error = HelperText::translate(QStringLiteral("此系统上不支持回收站"));
    return false;
}

bool discard(const Entry &, QString *error)
{
    *error = HelperText::translate(QStringLiteral("此系统上不支持回收站"));
    return false;
}

bool restore(const Entry &, QString *error)
{
    *error = HelperText::translate(QStringLiteral("此系统上不支持回收站"));
    return false;
}

bool isPresent(const Entry &)
{
    return false;
}

bool appendRecord(const QString &path, const QByteArray &line, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size() || !file.flush()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool stampOf(const QString &path, Stamp *stamp)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    stamp->size = info.size();
    stamp->modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    stamp->node = 0;
    return true;
}

} // namespace Trash
