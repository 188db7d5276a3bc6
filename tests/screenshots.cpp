// Saves offscreen pictures of every screen in every interface language, at the
// window's default and minimum sizes, for a person to look at:
//   pictavo_screenshots OUTPUT_FOLDER [LANGUAGE…]
// The tool window empty, with a few rows and after a start; a run followed
// during and after its end (a scripted stand-in in the helper's place); the
// settings and help dialogs; the helper's batch window, during and after a
// run. Languages after the folder limit it to those. Needs
// QT_QPA_PLATFORM=offscreen.

#include "DesktopOpen.h"
#include "ImageResizeOptions.h"
#include "InPlaceGuard.h"
#include "IntegratedToolPage.h"
#include "Localization.h"
#include "MainForm.h"
#include "QtTranslations.h"
#include "StandaloneToolWindow.h"
#include "Startup.h"
#include "Theme.h"
#include "ToolLauncher.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <csignal>
#include <cstdio>

namespace {

const char *const languages[] = {"zh_CN", "zh_TW", "ja_JP", "ko_KR", "en_US"};

struct Size
{
    const char *name;
    QSize size;
};
const Size sizes[] = {{"default", QSize(1180, 790)}, {"minimum", QSize(820, 600)}};

QString g_output;
QStringList g_problems;

void save(QWidget *widget, const QString &name)
{
    const QString path = QDir(g_output).filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(path))
        g_problems << QStringLiteral("cannot write ") + path;
    std::printf("%s\n", qPrintable(path));
}

// What a person would miss at once: a body that scrolls sideways, a start
// button out of sight.
void checkLayout(StandaloneToolWindow *window, const QString &name)
{
    window->layout()->activate();
    QApplication::processEvents();
    const auto *scroller = window->findChild<QScrollArea *>();
    if (scroller)
        std::printf("%s body minimum %dx%d\n", qPrintable(name), scroller->widget()->minimumSizeHint().width(),
                    scroller->widget()->minimumSizeHint().height());
    if (scroller && scroller->horizontalScrollBar()->maximum() > 0)
        g_problems << name + QStringLiteral(": scrolls sideways");
    const auto *start = window->findChild<QPushButton *>(QStringLiteral("toolStart"));
    if (start && !start->visibleRegion().boundingRect().contains(start->rect()))
        g_problems << name + QStringLiteral(": start button not fully visible");
}

// Grabs the next modal dialog once it is shown, then closes it.
void grabNextDialog(const QString &name)
{
    QTimer::singleShot(50, qApp, [name] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            grabNextDialog(name);
            return;
        }
        save(dialog, name);
        dialog->reject();
    });
}

void endHelpers(const QString &helper)
{
    const QString canonical = QFileInfo(helper).canonicalFilePath();
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget() == canonical)
            ::kill(pid_t(pid), SIGTERM);
    }
}

// The helper's switches for a language, as the tool window passes them.
QStringList helperArguments(const QString &language, const QStringList &pictures)
{
    return QStringList{QStringLiteral("--language"), language} + pictures;
}

// A run of the stand-in (tests/standin_worker.cpp) with one failure, grabbed
// while it waits half-way and after its end.
void followedRun(const QStringList &pictures, const QString &folder, const QString &prefix)
{
    QDir().mkpath(folder);
    const QDir control(folder);
    QFile::remove(control.filePath(QStringLiteral("go")));
    QFile::remove(control.filePath(QStringLiteral("record.jsonl")));
    const QString report = control.filePath(QStringLiteral("report.txt"));
    QFile(report).open(QIODevice::WriteOnly);
    QFile script(control.filePath(QStringLiteral("script")));
    script.open(QIODevice::WriteOnly);
    script.write(QStringLiteral(
            "out PROGRESS\\t2\\t5\\t%2\\n\n"
            "out ITEM\\tok\\t{file0}\\t{\"size\":\"640×480\",\"oldSize\":\"640×480\",\"output\":\"{file0}\"}\\n\n"
            "out ITEM\\tok\\t{file1}\\t{\"size\":\"1920×1080\",\"output\":\"{file1}\"}\\n\n"
            "wait go\n"
            "out ITEM\\tok\\t{file2}\\t{\"size\":\"36×20\",\"output\":\"{file2}\"}\\n\n"
            "out ITEM\\tfailed\\t{file3}\\t{\"reason\":\"PNG data ends early\"}\\n\n"
            "out ITEM\\tok\\t{file4}\\t{\"size\":\"3000×2000\",\"output\":\"{file4}\"}\\n\n"
            "out DONE\\t{\"exported\":4,\"failed\":1,\"skipped\":0,\"report\":\"%1\",\"outputDir\":\"\"}\\n\n")
                         .arg(report, QFileInfo(pictures.value(2)).fileName())
                         .toUtf8());
    script.close();
    qputenv("STANDIN_DIR", QFile::encodeName(folder));

    StandaloneToolWindow window(IntegratedTools::ImageResize);
    window.resize(sizes[0].size);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        g_problems << prefix + QStringLiteral(": never shown");
    window.addPaths(pictures);
    window.page()->setHelperProgram(QStringLiteral(STANDIN_PATH));
    QTest::qWait(200);
    window.findChild<QPushButton *>(QStringLiteral("toolStart"))->click();
    QTest::qWait(1500);
    save(&window, prefix + QStringLiteral("-during-run"));
    QFile(control.filePath(QStringLiteral("go"))).open(QIODevice::WriteOnly);
    if (!QTest::qWaitFor([&] { return !window.page()->isHelperRunning(); }, 10000))
        g_problems << prefix + QStringLiteral(": the followed run never ended");
    QTest::qWait(100);
    save(&window, prefix + QStringLiteral("-after-run"));
}

// A run of the real helper on copies of the pictures, one of them cut short
// and a big one last, grabbed once the first file is done and after the
// helper's window is closed.
void realRun(const QStringList &pictures, const QString &folder, const QSize &size, const QString &prefix)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QStringList copies;
    for (const QString &picture : pictures) {
        copies << QDir(folder).filePath(QFileInfo(picture).fileName());
        QFile::copy(picture, copies.last());
    }
    const QString damaged = QDir(folder).filePath(QStringLiteral("破损的照片.png"));
    QFile::copy(pictures.first(), damaged);
    QFile(damaged).resize(QFileInfo(damaged).size() / 2);
    const QString big = QDir(folder).filePath(QStringLiteral("poster-6001x4001.png"));
    QImage poster(6001, 4001, QImage::Format_ARGB32);
    poster.fill(qRgba(200, 120, 40, 255));
    poster.save(big);
    copies << damaged << big;

    StandaloneToolWindow window(IntegratedTools::ImageResize);
    window.resize(size.expandedTo(window.minimumSize()));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        g_problems << prefix + QStringLiteral(": never shown");
    window.addPaths(copies);
    if (!QTest::qWaitFor([&] { return !window.page()->isReadingSizes(); }, 5000))
        g_problems << prefix + QStringLiteral(": sizes never read");
    save(&window, prefix + QStringLiteral("-before-real-run"));
    window.findChild<QPushButton *>(QStringLiteral("toolStart"))->click();
    auto *list = window.findChild<QTreeWidget *>(QStringLiteral("integratedToolDropList"));
    auto settled = [&](int wanted) {
        int count = 0;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            count += list->topLevelItem(row)->text(3) != translateToolText(QStringLiteral("等待处理")) ? 1 : 0;
        return count >= wanted;
    };
    if (!QTest::qWaitFor([&] { return settled(1); }, 20000))
        g_problems << prefix + QStringLiteral(": the real helper reported nothing");
    checkLayout(&window, prefix + QStringLiteral("-during-real-run"));
    save(&window, prefix + QStringLiteral("-during-real-run"));
    if (!QTest::qWaitFor([&] { return settled(list->topLevelItemCount()); }, 60000))
        g_problems << prefix + QStringLiteral(": the real helper never reported every file");
    endHelpers(IntegratedTools::resolveToolExecutable(IntegratedTools::ImageResize));
    if (!QTest::qWaitFor([&] { return !window.page()->isHelperRunning(); }, 10000))
        g_problems << prefix + QStringLiteral(": the real run never ended");
    QTest::qWait(100);
    checkLayout(&window, prefix + QStringLiteral("-after-real-run"));
    save(&window, prefix + QStringLiteral("-after-real-run"));
}

// The helper's window while a run with a large picture and one that fails
// goes on, after it, and its closing box.
void helperRun(const QStringList &arguments, const QString &broken, const QString &prefix)
{
    QFile(broken).open(QIODevice::WriteOnly); // empty: not a picture
    const QString poster = QFileInfo(broken).absolutePath() + QStringLiteral("/poster-6001x4001.png");
    if (!QFileInfo::exists(poster)) {
        QImage picture(6001, 4001, QImage::Format_ARGB32);
        picture.fill(qRgba(200, 120, 40, 255));
        picture.save(poster);
    }
    QTemporaryDir out;
    const QString box = prefix + QStringLiteral("-box");
    MainForm helper(arguments
                    + QStringList{broken, poster, QStringLiteral("--output-dir"), out.path(), QStringLiteral("--start")});
    helper.show();
    auto *log = helper.findChild<QPlainTextEdit *>(QStringLiteral("log"));
    if (!QTest::qWaitFor([&] { return log->document()->blockCount() >= 4; }, 20000))
        g_problems << prefix + QStringLiteral(": no picture done during the run");
    save(&helper, prefix + QStringLiteral("-during-run"));
    grabNextDialog(box);
    const QString boxFile = QDir(g_output).filePath(box + QStringLiteral(".png"));
    if (!QTest::qWaitFor([&] { return QFileInfo::exists(boxFile) && !helper.isRunning(); }, 60000))
        g_problems << prefix + QStringLiteral(": the run never ended");
    QTest::qWait(50);
    save(&helper, prefix + QStringLiteral("-after-run"));
}

// The windows and dialogs a person meets, light and dark: the tool window, the
// helper's window, the settings dialog, a message box and the file dialog.
void desktopShots(const QStringList &pictures, const QString &sandbox)
{
    for (const char *code : {"zh_CN", "en_US", "ja_JP"}) {
        const QString language = QString::fromLatin1(code);
        {
            QSettings settings;
            storeLanguage(settings, language);
        }
        installQtTranslations(language);
        for (const bool dark : {false, true}) {
            applyApplicationTheme(dark);
            const QString suffix = (dark ? QStringLiteral("dark-") : QStringLiteral("light-")) + language;
            StandaloneToolWindow window(IntegratedTools::ImageResize);
            window.resize(1180, 790);
            window.show();
            if (!QTest::qWaitForWindowExposed(&window))
                g_problems << suffix + QStringLiteral(": never shown");
            window.addPaths(pictures);
            QTest::qWait(100);
            save(&window, QStringLiteral("desktop-tool-") + suffix);
            if (language == u"en_US") {
                // At the size of the picture in the AppStream metadata (packaging/screenshots).
                window.resize(1000, 680);
                QTest::qWait(50);
                save(&window, QStringLiteral("metainfo-image-resize-tool-") + suffix);
                window.resize(1180, 790);
            }
            {
                // The padding choices at their widest: a multiple and a colour of one's own.
                QSettings settings;
                settings.setValue(QStringLiteral("standaloneTools/image-resize/options/rule"), QStringLiteral("multiple:12"));
                settings.setValue(QStringLiteral("standaloneTools/image-resize/options/fill"), QStringLiteral("#e0457b80"));
                settings.setValue(QStringLiteral("standaloneTools/image-resize/options/anchor"), QStringLiteral("bottom-right"));
            }
            {
                StandaloneToolWindow narrow(IntegratedTools::ImageResize);
                narrow.resize(sizes[1].size.expandedTo(narrow.minimumSize()));
                narrow.show();
                if (!QTest::qWaitForWindowExposed(&narrow))
                    g_problems << suffix + QStringLiteral(": narrow window never shown");
                narrow.addPaths(pictures);
                QTest::qWait(100);
                checkLayout(&narrow, QStringLiteral("desktop-tool-minimum-") + suffix);
                save(&narrow, QStringLiteral("desktop-tool-minimum-") + suffix);
            }
            QSettings().remove(QStringLiteral("standaloneTools/image-resize/options"));
            grabNextDialog(QStringLiteral("desktop-settings-") + suffix);
            window.openSettingsDialog();
            grabNextDialog(QStringLiteral("desktop-message-") + suffix);
            DesktopOpen::showFailure(&window, QDir(sandbox).filePath(QStringLiteral("output")));
            grabNextDialog(QStringLiteral("desktop-filedialog-") + suffix);
            QFileDialog files(&window, QString(), sandbox);
            files.setOption(QFileDialog::DontUseNativeDialog);
            files.resize(760, 480);
            files.exec();

            MainForm helper(helperArguments(language, pictures));
            helper.show();
            if (!QTest::qWaitForWindowExposed(&helper))
                g_problems << suffix + QStringLiteral(": helper never shown");
            save(&helper, QStringLiteral("desktop-helper-") + suffix);
            MainForm narrowHelper(QStringList{QStringLiteral("--rule"), QStringLiteral("multiple:12"),
                                              QStringLiteral("--fill"), QStringLiteral("#e0457b80"),
                                              QStringLiteral("--anchor"), QStringLiteral("bottom-right")}
                                  + helperArguments(language, pictures));
            narrowHelper.resize(narrowHelper.minimumSize());
            narrowHelper.show();
            if (!QTest::qWaitForWindowExposed(&narrowHelper))
                g_problems << suffix + QStringLiteral(": narrow helper never shown");
            save(&narrowHelper, QStringLiteral("desktop-helper-minimum-") + suffix);
        }
    }
    applyApplicationTheme(false);
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir sandbox;
    qputenv("XDG_DATA_HOME", QFile::encodeName(sandbox.filePath(QStringLiteral("data"))));
    // Offscreen's own screen (800x600) is smaller than the window, which would be fitted into it.
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        const QString screens = sandbox.filePath(QStringLiteral("screens.json"));
        QFile file(screens);
        if (file.open(QIODevice::WriteOnly))
            file.write(R"({"screens": [{"name": "large", "x": 0, "y": 0, "width": 2560, "height": 1600,
                           "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        file.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));
    }
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: pictavo_screenshots OUTPUT_FOLDER [LANGUAGE...]\n");
        return 2;
    }
    g_output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_output);
    QCoreApplication::setOrganizationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.36"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, sandbox.filePath(QStringLiteral("config")));
    app.setStyleSheet(Startup::applicationStyleSheet());
    StandaloneToolWindow::setRestart([](const QString &, const QStringList &) {});
    // The runs shown replace in place: no question over the window.
    InPlaceGuard::setAsksBeforeReplacing(false);

    // Names as users give them: long, and in every script the fonts must draw.
    QStringList pictures;
    const QSize pictureSizes[] = {{640, 480}, {1920, 1080}, {33, 17}, {512, 512}, {3000, 2000}};
    const char16_t *names[] = {u"春节合影_最终版_高清.png", u"スクリーンショット 2024-05-01 横長バナー.png",
                               u"제품사진_상세페이지_메인.jpg", u"landing-page-hero-banner-final-v3.png",
                               u"圖示.bmp"};
    for (int i = 0; i < 5; ++i) {
        const QString path = sandbox.filePath(QString::fromUtf16(names[i]));
        QImage picture(pictureSizes[i], QImage::Format_ARGB32);
        picture.fill(qRgba(40 * i, 90, 200, 255));
        picture.save(path);
        pictures << path;
    }

    desktopShots(pictures, sandbox.path());
    // "--desktop": only the light and dark pictures above.
    if (argc > 2 && qstrcmp(argv[2], "--desktop") == 0)
        return g_problems.isEmpty() ? 0 : 1;

    QStringList wanted;
    for (int i = 2; i < argc; ++i)
        wanted << QString::fromLatin1(argv[i]);
    for (const char *code : languages) {
        const QString language = QString::fromLatin1(code);
        if (!wanted.isEmpty() && !wanted.contains(language))
            continue;
        {
            QSettings settings;
            storeLanguage(settings, language);
        }
        installQtTranslations(language);

        for (const Size &size : sizes) {
            const QString suffix = language + u'-' + QString::fromLatin1(size.name);
            for (IntegratedTools::Tool tool : {IntegratedTools::ImageResize, IntegratedTools::PsdSlim,
                                               IntegratedTools::LayerExport}) {
                const QString prefix = IntegratedTools::toolKey(tool) + u'-' + suffix;
                StandaloneToolWindow window(tool);
                window.resize(size.size.expandedTo(window.minimumSize()));
                window.show();
                if (!QTest::qWaitForWindowExposed(&window))
                    g_problems << prefix + QStringLiteral(": never shown");
                if (tool == IntegratedTools::ImageResize) {
                    checkLayout(&window, prefix + QStringLiteral("-empty"));
                    save(&window, prefix + QStringLiteral("-empty"));
                }
                window.addPaths(pictures);
                checkLayout(&window, prefix + QStringLiteral("-rows"));
                save(&window, prefix + QStringLiteral("-rows"));
                if (tool != IntegratedTools::ImageResize)
                    continue;
                window.findChild<QPushButton *>(QStringLiteral("toolStart"))->click();
                QTest::qWait(100);
                endHelpers(IntegratedTools::resolveToolExecutable(tool));
                checkLayout(&window, prefix + QStringLiteral("-after-start"));
                save(&window, prefix + QStringLiteral("-after-start"));
                if (size.size == sizes[0].size) {
                    grabNextDialog(QStringLiteral("settings-") + language);
                    window.openSettingsDialog();
                    grabNextDialog(QStringLiteral("help-") + language);
                    window.openHelpDialog();
                    // The questions before an in-place run, with keeping on and off.
                    auto *guard = window.page()->findChild<InPlaceGuard *>();
                    InPlaceGuard::setAsksBeforeReplacing(true);
                    for (const bool keep : {true, false}) {
                        ImageResizeOptions::setKeepsOriginals(keep);
                        grabNextDialog((keep ? QStringLiteral("inplace-keep-") : QStringLiteral("inplace-lost-")) + language);
                        guard->confirmStart(QString(), pictures.size());
                    }
                    ImageResizeOptions::setKeepsOriginals(true);
                    InPlaceGuard::setAsksBeforeReplacing(false);
                }
            }

            if (size.size == sizes[0].size)
                followedRun(pictures, sandbox.filePath(QStringLiteral("standin")),
                            QStringLiteral("image-resize-") + suffix);
            if (language == u"en_US" || language == u"zh_CN" || language == u"ja_JP")
                realRun(pictures, sandbox.filePath(QStringLiteral("real")), size.size,
                        QStringLiteral("image-resize-") + suffix);
            MainForm helper(helperArguments(language, pictures));
            helper.resize(size.size == sizes[0].size ? helper.size() : helper.minimumSize());
            helper.show();
            if (!QTest::qWaitForWindowExposed(&helper))
                g_problems << QStringLiteral("helper-") + suffix + QStringLiteral(": never shown");
            save(&helper, QStringLiteral("helper-") + suffix);
            if (size.size == sizes[0].size)
                helperRun(helperArguments(language, pictures), sandbox.filePath(QStringLiteral("broken.png")),
                          QStringLiteral("helper-") + suffix);
        }
    }

    for (const QString &problem : std::as_const(g_problems))
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    return g_problems.isEmpty() ? 0 : 1;
}
