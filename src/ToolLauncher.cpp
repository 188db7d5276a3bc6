#include "ToolLauncher.h"

#include "ExecutablePlatform.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace IntegratedTools {

namespace {

QString versionFolder()
{
    return QStringLiteral("components/") + QCoreApplication::applicationVersion();
}

QString embeddedHelperResource()
{
    return QStringLiteral(":/standalone-helper/") + toolExecutableName(ImageResize);
}

// Writes the embedded helper to `target` in one atomic step. Qt can report a
// committed QSaveFile after a failed last write, so size and error are checked first.
bool writeHelper(const QString &target)
{
    QFile resource(embeddedHelperResource());
    if (!resource.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = resource.readAll();
    if (bytes.isEmpty())
        return false;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit() && QFileInfo(target).size() == bytes.size();
}

bool startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments, QFileInfo(program).absolutePath());
}

} // namespace

QStringList helperCandidateFolders()
{
    QStringList folders;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    folders << (data.isEmpty() ? QString() : QDir(data).filePath(versionFolder()));
    folders << QDir(QCoreApplication::applicationDirPath()).filePath(versionFolder());
    const QString temp = ExecutablePlatform::perUserTempFolder();
    folders << (temp.isEmpty() ? QString() : QDir(temp).filePath(versionFolder()));
    return folders;
}

QString resolveToolExecutable(Tool tool)
{
    if (tool != ImageResize)
        return QDir(QCoreApplication::applicationDirPath())
                .filePath(QStringLiteral("tools/integrated/") + toolExecutableName(tool));

    for (const QString &folder : helperCandidateFolders()) {
        if (folder.isEmpty() || !QDir().mkpath(folder) || !ExecutablePlatform::isUsableFolder(folder))
            continue;
        const QString target = QDir(folder).filePath(toolExecutableName(ImageResize));
        // A copy someone else could have placed or changed is never started, and
        // a link is never written through: such an entry is removed and written anew.
        if (ExecutablePlatform::isTrustedFile(target) && QFileInfo(target).size() > 0) {
            if (QFileInfo(target).isExecutable() || ExecutablePlatform::makeExecutable(target))
                return target;
        }
        const QFileInfo existing(target);
        if ((existing.exists() || existing.isSymLink()) && !QFile::remove(target))
            continue;
        if (writeHelper(target) && ExecutablePlatform::isTrustedFile(target))
            return target;
    }
    return QString();
}

bool launchTool(Tool tool, const QStringList &files, QString *error)
{
    const QString exe = resolveToolExecutable(tool);
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (exe.isEmpty() || !QFileInfo(exe).isFile())
        return fail(QStringLiteral("工具文件不存在：%1").arg(exe));

    bool started = true;
    if (files.isEmpty()) {
        started = startDetached(exe, {});
    } else if (!filesMatchTool(tool, files)) {
        return fail(QStringLiteral("所选文件类型不适用于该工具。"));
    } else if (tool == PsdSlim) {
        for (const QString &file : files)
            started = startDetached(exe, {QStringLiteral("--process"), QFileInfo(file).absoluteFilePath()}) && started;
    } else {
        QStringList arguments;
        for (const QString &file : files)
            arguments << QFileInfo(file).absoluteFilePath();
        started = startDetached(exe, arguments);
    }
    if (!started)
        return fail(QStringLiteral("无法启动工具：%1").arg(toolDisplayTitle(tool)));
    return true;
}

bool handleCommandLine(const QStringList &arguments, int *exitCode)
{
    const int at = arguments.indexOf(QStringLiteral("--integrated-tool"));
    if (at < 0)
        return false;
    *exitCode = 2;
    Tool tool = ImageResize;
    if (at + 1 >= arguments.size() || !toolFromKey(arguments.at(at + 1), &tool))
        return true;
    if (tool == PsdSlim || tool == LayerExport)
        return false;
    QString error;
    if (!launchTool(tool, arguments.mid(at + 2), &error)) {
        qWarning().noquote() << "integrated tool launch failed" << toolKey(tool) << error;
        *exitCode = 3;
    } else {
        *exitCode = 0;
    }
    return true;
}

} // namespace IntegratedTools
