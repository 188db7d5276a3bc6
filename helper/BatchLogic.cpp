#include "BatchLogic.h"

#include "ImageProcessor.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

const QStringList BatchLogic::Extensions = {
    QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".png"), QStringLiteral(".bmp"),
    QStringLiteral(".gif"), QStringLiteral(".tif"),  QStringLiteral(".tiff"),
};

const QString BatchLogic::OutputFolderMarker = QStringLiteral("像素补齐_输出");

namespace {

int ruleIndexFor(const QString &value)
{
    if (value == QLatin1String("even"))
        return 1;
    if (value == QLatin1String("power2"))
        return 2;
    return 0;
}

int fillIndexFor(const QString &value)
{
    if (value == QLatin1String("white"))
        return 1;
    if (value == QLatin1String("black"))
        return 2;
    return 0;
}

} // namespace

bool BatchLogic::IsPicture(const QString &path)
{
    // The extension is what follows the last dot of the last path element, so
    // a dotted folder name never makes its files pictures.
    const qsizetype slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return false;
    return Extensions.contains(path.mid(dot).toLower());
}

StartupArguments BatchLogic::ParseArguments(const QStringList &arguments)
{
    StartupArguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const bool valueFollows = i + 1 < arguments.size();
        if (argument == QLatin1String("--rule")) {
            if (valueFollows)
                parsed.ruleIndex = ruleIndexFor(arguments.at(++i).toLower());
        } else if (argument == QLatin1String("--fill")) {
            if (valueFollows)
                parsed.fillIndex = fillIndexFor(arguments.at(++i).toLower());
        } else if (argument == QLatin1String("--output-dir")) {
            if (valueFollows)
                parsed.outputDir = arguments.at(++i);
        } else if (argument == QLatin1String("--centered")) {
            parsed.centered = true;
        } else if (argument == QLatin1String("--no-centered")) {
            parsed.centered = false;
        } else if (argument == QLatin1String("--png")) {
            parsed.png = true;
        } else if (argument == QLatin1String("--recursive")) {
            parsed.recursive = true;
        } else if (argument == QLatin1String("--start")) {
            parsed.start = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            continue;
        } else if (!argument.isEmpty() && QFileInfo::exists(argument)) {
            parsed.paths.append(argument);
        }
    }
    return parsed;
}

bool BatchLogic::ListPictures(const QString &folder, bool recursive, bool skipOutputFolders, QStringList *pictures,
                              QString *error)
{
    QString firstError;
    // Breadth first: a folder's own pictures come before those of its subfolders.
    QStringList pending{folder};
    for (qsizetype next = 0; next < pending.size(); ++next) {
        const QString current = pending.at(next);
        const QFileInfo info(current);
        if (!info.isDir() || !info.isReadable()) {
            if (firstError.isEmpty()) {
                firstError = (info.exists() ? QStringLiteral("无法读取文件夹：") : QStringLiteral("文件夹不存在："))
                             + QDir::toNativeSeparators(current);
            }
            continue;
        }
        QDirIterator it(current, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        while (it.hasNext()) {
            const QString path = it.next();
            const QFileInfo entry = it.fileInfo();
            if (entry.isDir()) {
                if (recursive && !entry.isSymLink())
                    pending.append(path);
            } else if (IsPicture(path) && !(skipOutputFolders && path.contains(OutputFolderMarker))) {
                pictures->append(path);
            }
        }
    }
    if (!firstError.isEmpty() && error)
        *error = firstError;
    return firstError.isEmpty();
}

QString BatchLogic::Duration(qint64 milliseconds)
{
    const qint64 totalSeconds = qMax<qint64>(milliseconds, 0) / 1000;
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2:%3")
        .arg(totalSeconds / 3600, 2, 10, zero)
        .arg(totalSeconds / 60 % 60, 2, 10, zero)
        .arg(totalSeconds % 60, 2, 10, zero);
}

qint64 BatchLogic::RemainingMilliseconds(qint64 elapsedMilliseconds, int done, int total)
{
    if (done <= 0 || total <= done)
        return 0;
    return qint64(double(elapsedMilliseconds) / done * (total - done));
}

QString BatchLogic::LogLine(const QTime &time, const QString &text)
{
    return QLatin1Char('[') + time.toString(QStringLiteral("HH:mm:ss")) + QLatin1String("] ") + text;
}

QString BatchLogic::ResultLine(const ProcessResult &result)
{
    // One multi-argument substitution, so a "%1" inside a file name or message stays as it is.
    return QStringLiteral("[%1] %2  %3 -> %4  %5")
        .arg(result.Success ? QStringLiteral("成功") : QStringLiteral("失败"), QFileInfo(result.Source).fileName(),
             result.OldSize, result.NewSize, result.Message);
}

QString BatchLogic::ReportFileName(const QDateTime &start)
{
    return QStringLiteral("错误报告_") + start.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QLatin1String(".txt");
}

QString BatchLogic::ReportLine(const QDateTime &time, const QString &line)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') + line + QLatin1String("\r\n");
}

bool BatchLogic::AppendToReport(const QString &path, const QString &text, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = file.errorString();
        return false;
    }
    QByteArray bytes;
    if (file.size() == 0)
        bytes = QByteArrayLiteral("\xEF\xBB\xBF");
    bytes += text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool BatchLogic::MakeFolder(const QString &path, QString *error)
{
    if (QFileInfo(path).isDir() || QDir().mkpath(path))
        return true;
    // mkpath gives no reason; name the nearest existing ancestor and what is wrong with it.
    QFileInfo probe(QDir::cleanPath(QDir(path).absolutePath()));
    while (!probe.exists() && !probe.isRoot())
        probe = QFileInfo(probe.absolutePath());
    const QString where = QDir::toNativeSeparators(probe.absoluteFilePath());
    if (!probe.isDir())
        *error = QStringLiteral("“%1”不是文件夹").arg(where);
    else if (!probe.isWritable())
        *error = QStringLiteral("没有在“%1”中创建文件夹的权限").arg(where);
    else
        *error = QStringLiteral("无法在“%1”中创建文件夹").arg(where);
    return false;
}
