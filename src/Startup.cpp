#include "Startup.h"

#include "IntegratedToolPage.h"
#include "InstancePlatform.h"
#include "RuntimeLog.h"
#include "SingleInstance.h"
#include "StandaloneToolWindow.h"
#include "ToolLauncher.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QToolButton>

#include <memory>

namespace Startup {

QString applicationStyleSheet()
{
    return QStringLiteral("QMainWindow, QWidget { font-family:'Segoe UI Variable','Segoe UI'; font-size:9pt; "
                          "color:#253247; }QMainWindow { background:#eef1f5; }QToolTip { background:#ffffff; "
                          "color:#253247; border:1px solid #aebaca; padding:5px; }");
}

QStringList gatherPaths(const QStringList &arguments)
{
    QStringList paths;
    for (QString argument : arguments) {
        if (argument.startsWith(QLatin1String("/input:"), Qt::CaseInsensitive))
            argument.remove(0, 7);
        if (argument.isEmpty())
            continue;
        const QFileInfo info(argument);
        if (info.exists())
            paths << info.absoluteFilePath();
    }
    return paths;
}

int selfTest(IntegratedTools::Tool tool)
{
    const QString executable = IntegratedTools::resolveToolExecutable(tool);
    const QString key = QStringLiteral("general/language");
    const QVariant stored = QSettings().value(key);

    bool languagesPass = true;
    for (const char *code : {"zh_CN", "zh_TW", "ja_JP", "ko_KR", "en_US"}) {
        QSettings().setValue(key, QString::fromLatin1(code));
        std::unique_ptr<IntegratedToolPage> page(new IntegratedToolPage(tool, nullptr, true));
        if (!languagesPass)
            continue;
        const auto *title = page->findChild<QLabel *>(QStringLiteral("toolTitle"));
        languagesPass = title && title->text() == IntegratedTools::toolDisplayTitle(tool)
                && page->findChild<QToolButton *>(QStringLiteral("standaloneToolSettingsButton"))
                && page->findChild<QToolButton *>(QStringLiteral("standaloneToolHelpButton"));
    }

    QSettings settings;
    if (stored.isValid())
        settings.setValue(key, stored);
    else
        settings.remove(key);
    settings.sync();

    bool helperUsable = !executable.isEmpty() && QFileInfo(executable).size() > 0;
    if (tool != IntegratedTools::ImageResize) {
        // A PSD page does its work through the worker it starts from the tool
        // folder; the catalogue's separate tool executables are not shipped here.
        const QFileInfo worker(QDir(QFileInfo(executable).absolutePath())
                                       .filePath(IntegratedTools::executableFileName(
                                               tool == IntegratedTools::PsdSlim ? QStringLiteral("Brevane")
                                                                                : QStringLiteral("Stratlo"))));
        helperUsable = worker.isFile() && worker.isExecutable() && worker.size() > 0;
    }
    return helperUsable && languagesPass ? 0 : 65;
}

int run(int &argc, char **argv, const QString &toolKey)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.36"));
    const QString configuration = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(configuration);
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configuration);

    IntegratedTools::Tool tool = IntegratedTools::ImageResize;
    if (!IntegratedTools::toolFromKey(toolKey, &tool))
        return 64;
    QApplication::setWindowIcon(QIcon(IntegratedTools::toolIconResource(tool)));
    app.setStyleSheet(applicationStyleSheet());

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--standalone-self-test")))
        return selfTest(tool);

    RuntimeLog::initialize();
    RuntimeLog::recordReleaseHistory();

    const QStringList paths = gatherPaths(arguments.mid(1));
    qInfo().noquote() << "standalone invocation" << IntegratedTools::toolKey(tool) << "received_paths=" << paths.size();

    QString error;
    const InstancePlatform::LockResult lock = InstancePlatform::acquireToolLock(SingleInstance::lockName(tool), &error);
    if (lock == InstancePlatform::LockResult::Failed) {
        qWarning().noquote() << "unable to create the tool instance lock" << error;
        return 66;
    }
    if (lock == InstancePlatform::LockResult::HeldByOther)
        return SingleInstance::handOver(tool, paths);

    StandaloneToolWindow window(tool);
    window.addPaths(paths);
    const SingleInstance::Target target{&window, [&window](const QStringList &forwarded) { window.addPaths(forwarded); }};
    const int code = SingleInstance::serve(&app, tool, paths, target);
    if (code >= 0)
        return code;
    window.show();
    return app.exec();
}

} // namespace Startup
