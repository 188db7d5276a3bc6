#include "Startup.h"

#include "Appearance.h"
#include "IntegratedToolPage.h"
#include "InstancePlatform.h"
#include "Localization.h"
#include "QtTranslations.h"
#include "RuntimeLog.h"
#include "SingleInstance.h"
#include "StandaloneToolWindow.h"
#include "ToolLauncher.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
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

namespace {

// The language the next start will read: the settings file as it is on disk,
// parsed by a QSettings of its own. A QSettings on the file itself would be
// served from this process's cache, which keeps keys as they were written.
QString languageOnDisk()
{
    const QString file = QSettings().fileName();
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("settings.ini"));
    if (!folder.isValid() || !QFile::copy(file, copy))
        return QString();
    return storedLanguage(QSettings(copy, QSettings::IniFormat));
}

} // namespace

int selfTest(IntegratedTools::Tool tool)
{
    const QString executable = IntegratedTools::resolveToolExecutable(tool);
    const QString stored = storedLanguage();
    const bool wasStored = !stored.isEmpty() || QSettings().contains(QStringLiteral("general/language"));

    bool languagesPass = true;
    for (const char *code : {"zh_CN", "zh_TW", "ja_JP", "ko_KR", "en_US"}) {
        const QString language = QString::fromLatin1(code);
        {
            QSettings settings;
            storeLanguage(settings, language);
        }
        std::unique_ptr<IntegratedToolPage> page(new IntegratedToolPage(tool, nullptr, true));
        if (!languagesPass)
            continue;
        const auto *title = page->findChild<QLabel *>(QStringLiteral("toolTitle"));
        languagesPass = languageOnDisk() == language && title
                && title->text() == IntegratedTools::toolDisplayTitle(tool)
                && page->findChild<QToolButton *>(QStringLiteral("standaloneToolSettingsButton"))
                && page->findChild<QToolButton *>(QStringLiteral("standaloneToolHelpButton"));
    }

    QSettings settings;
    if (wasStored)
        storeLanguage(settings, stored);
    else
        removeStoredLanguage(settings);
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

int refuseStart(const QString &reason)
{
    qWarning().noquote() << "unable to create the tool instance lock" << reason;
    QMessageBox::critical(nullptr, QStringLiteral("Pictavo"),
                          translateToolText(QStringLiteral("程序无法启动：没有只属于当前用户的私有文件夹可用。\n%1")).arg(reason));
    return 66;
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
    Appearance::follow(Appearance::stored(QSettings()), &app);
    installQtTranslations(toolLanguageCode());

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--standalone-self-test")))
        return selfTest(tool);

    RuntimeLog::initialize();
    RuntimeLog::recordReleaseHistory();

    const QStringList paths = gatherPaths(arguments.mid(1));
    qInfo().noquote() << "standalone invocation" << IntegratedTools::toolKey(tool) << "received_paths=" << paths.size();

    QString error;
    const InstancePlatform::LockResult lock = InstancePlatform::acquireToolLock(SingleInstance::lockName(tool), &error);
    if (lock == InstancePlatform::LockResult::Failed)
        return refuseStart(error);
    if (lock == InstancePlatform::LockResult::HeldByOther)
        return SingleInstance::handOver(tool, paths);

    StandaloneToolWindow window(tool);
    window.addPaths(paths);
    // Which language a start came up in, with the texts a user sees first.
    qInfo().noquote() << "standalone window" << IntegratedTools::toolKey(tool) << "language=" << toolLanguageCode()
                      << "title=" << window.windowTitle() << "summary=" << window.page()->summaryText();
    const SingleInstance::Target target{&window, [&window](const QStringList &forwarded) { window.queuePaths(forwarded); }};
    const int code = SingleInstance::serve(&app, tool, paths, target);
    if (code >= 0)
        return code;
    window.show();
    return app.exec();
}

} // namespace Startup
