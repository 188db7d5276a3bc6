#include "AnchorPicker.h"
#include "InPlaceGuard.h"
#include "InstancePlatform.h"
#include "IntegratedToolPage.h"
#include "SingleInstance.h"
#include "Localization.h"
#include "SettingsSandbox.h"
#include "StandaloneToolWindow.h"
#include "Startup.h"
#include "ToolLauncher.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QtEndian>
#include <QLineEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace IntegratedTools;
using namespace Qt::StringLiterals;

namespace {

// Runs `check` on the dialog that opens next, then closes it the given way.
void answerNextDialog(std::function<void(QDialog *)> check)
{
    QTimer::singleShot(0, qApp, [check] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            answerNextDialog(check);
            return;
        }
        check(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
}

QList<qint64> processesRunning(const QString &executable)
{
    QList<qint64> found;
    const QString canonical = QFileInfo(executable).canonicalFilePath();
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget() == canonical)
            found << pid;
    }
    return found;
}

void savePicture(const QString &path, int width, int height)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    picture.fill(qRgba(40, 90, 200, 255));
    QVERIFY(picture.save(path));
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// The tool window program as a user meets it: the window and its dialogs, the
// start of the padding helper, and whole program runs.
class tst_Standalone : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void geometryIsKeptPerTool();
    void languageChoice_data();
    void languageChoice();
    void languageChosenIsTheLanguageOfTheNextStart_data();
    void languageChosenIsTheLanguageOfTheNextStart();
    void pageFitsTheSmallestWindow_data();
    void pageFitsTheSmallestWindow();
    void keyboardFocusShows_data();
    void keyboardFocusShows();
    void helpShowsThePageOfTheLanguage();
    void gatherPaths_data();
    void gatherPaths();
    void helperArguments_data();
    void helperArguments();
    void startPadsEveryPictureInPlace();
    void failedStartWarnsAndKeepsTheRows();
    void programListsItsPathsAndForwardsASecondStart();
    void unreachableSocketFallsBackToTheInbox();
    void restartAfterHandOverBecomesTheFirstInstance();
    void selfTest_data();
    void selfTest();
    void selfTestSwitchInOtherCaseRunsTheProgram();
    void buildWithoutToolEndsWith64();

    // Second starts and the endpoint: no silent loss, no silent non-start.
    void secondStartRefusesALineFeedPath();
    void endpointPlaces_data();
    void endpointPlaces();
    void noPrivateFolderSaysWhyInABox();
    void bigMessageIsAddedInSteps();

private:
    QProcessEnvironment isolatedEnvironment(const QString &root) const;
    QScopedPointer<SettingsSandbox> m_settings;
    QTemporaryDir m_data;
    QList<QPair<QString, QStringList>> m_restarts;
};

void tst_Standalone::initTestCase()
{
    QCoreApplication::setApplicationVersion(QStringLiteral("2.36"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    StandaloneToolWindow::setRestart([this](const QString &program, const QStringList &arguments) {
        m_restarts.append({program, arguments});
    });
}

void tst_Standalone::cleanup()
{
    m_settings.reset();
    m_restarts.clear();
}

QProcessEnvironment tst_Standalone::isolatedEnvironment(const QString &root) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = root + QLatin1Char('/') + QString::fromLatin1(name).toLower();
        QDir().mkpath(folder);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        environment.insert(QString::fromLatin1(name), folder);
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

void tst_Standalone::geometryIsKeptPerTool()
{
    m_settings.reset(new SettingsSandbox);
    {
        StandaloneToolWindow window(PsdSlim);
        QCOMPARE(window.size(), QSize(1180, 790));
        QCOMPARE(window.windowTitle(), toolDisplayTitle(PsdSlim));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(1000, 700);
        window.close();
    }
    QVERIFY(!QSettings().value(QStringLiteral("standaloneTools/psd-slim/geometry")).toByteArray().isEmpty());
    StandaloneToolWindow again(PsdSlim);
    QCOMPARE(again.size(), QSize(1000, 700));
    StandaloneToolWindow other(ImageResize);
    QCOMPARE(other.size(), QSize(1180, 790));
    QCOMPARE(other.minimumSize(), QSize(820, 600));
}

void tst_Standalone::languageChoice_data()
{
    QTest::addColumn<QString>("stored");   // empty: nothing stored
    QTest::addColumn<QString>("shown");    // the code the dialog opens with
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("restarts");

    QTest::newRow("same_as_stored") << "ja_JP" << "ja_JP" << "ja_JP" << false;
    QTest::newRow("default_chosen_with_nothing_stored") << "" << "zh_CN" << "zh_CN" << false;
    QTest::newRow("unknown_stored_shows_first") << "xx_XX" << "zh_CN" << "ko_KR" << true;
    QTest::newRow("change_restarts") << "zh_CN" << "zh_CN" << "en_US" << true;
}

void tst_Standalone::languageChoice()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, chosen);
    QFETCH(bool, restarts);
    m_settings.reset(new SettingsSandbox);
    if (!stored.isEmpty())
        SettingsSandbox::setLanguage(stored);

    StandaloneToolWindow window(ImageResize);
    QString opened;
    answerNextDialog([&](QDialog *dialog) {
        auto *box = dialog->findChild<QComboBox *>(QStringLiteral("standaloneToolLanguage"));
        opened = box->currentData().toString();
        QCOMPARE(box->count(), 5);
        box->setCurrentIndex(box->findData(chosen));
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    window.openSettingsDialog();

    QCOMPARE(opened, shown);
    QCOMPARE(QSettings().value(QStringLiteral("general/language")).toString(), restarts ? chosen : stored);
    QCOMPARE(QSettings().contains(QStringLiteral("general/language")), restarts || !stored.isEmpty());
    QCOMPARE(m_restarts.size(), restarts ? 1 : 0);
    if (restarts) {
        QCOMPARE(m_restarts.first().first, QCoreApplication::applicationFilePath());
        QCOMPARE(m_restarts.first().second, QCoreApplication::arguments().mid(1));
    }
}

void tst_Standalone::languageChosenIsTheLanguageOfTheNextStart_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("zh_TW") << "zh_CN" << "zh_TW";
    QTest::newRow("ja_JP") << "zh_CN" << "ja_JP";
    QTest::newRow("ko_KR") << "en_US" << "ko_KR";
    QTest::newRow("en_US") << "zh_CN" << "en_US";
    QTest::newRow("zh_CN") << "en_US" << "zh_CN";
}

// The settings dialog of one program chooses; the program started next must
// come up in that language, as the user sees it.
void tst_Standalone::languageChosenIsTheLanguageOfTheNextStart()
{
    QFETCH(QString, before);
    QFETCH(QString, chosen);
    m_settings.reset(new SettingsSandbox);
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("pictavo"));
    QVERIFY(QFile::copy(QStringLiteral(PICTAVO_PATH), program));
    const QString picture = root.filePath(QStringLiteral("one.png"));
    savePicture(picture, 5, 5);
    QProcessEnvironment environment = isolatedEnvironment(root.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_settings->path());
    const QString log = root.filePath(QStringLiteral("logs/runtime.log"));

    // The window lines of the starts so far: language, title and summary as shown.
    auto windowLines = [&] { return readText(log).split(u'\n').filter(u"standalone window "); };
    auto start = [&](QProcess &process) {
        process.setProcessEnvironment(environment);
        process.start(program, {picture});
    };
    auto shownIn = [&](const QString &line, const QString &language) {
        SettingsSandbox::setLanguage(language);
        const QString summary = translateCount(QStringLiteral("%1 个文件  |  %2  |  支持：%3"), {{1, 1}})
                                        .arg(QStringLiteral("1"), formatDataSize(QFileInfo(picture).size()),
                                             acceptedExtensions(ImageResize).join(u" / ").toUpper());
        return line.contains(u"language= " + language + u" title= " + toolDisplayTitle(ImageResize) + u" summary= "
                             + summary);
    };

    // Settings as earlier versions wrote them.
    SettingsSandbox::setLanguage(before);
    QProcess first;
    start(first);
    QTRY_COMPARE_WITH_TIMEOUT(windowLines().size(), 1, 20000);
    first.terminate();
    QVERIFY(first.waitForFinished(10000));
    QVERIFY2(shownIn(windowLines().last(), before), qPrintable(windowLines().last()));

    {
        StandaloneToolWindow window(ImageResize);
        answerNextDialog([&](QDialog *dialog) {
            auto *box = dialog->findChild<QComboBox *>(QStringLiteral("standaloneToolLanguage"));
            box->setCurrentIndex(box->findData(chosen));
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        window.openSettingsDialog();
        QCOMPARE(m_restarts.size(), 1);
        window.close(); // rewrites the file, as a window closing for the restart does
    }
    QProcess second;
    start(second);
    QTRY_COMPARE_WITH_TIMEOUT(windowLines().size(), 2, 20000);
    second.terminate();
    QVERIFY(second.waitForFinished(10000));
    QVERIFY2(shownIn(windowLines().last(), chosen), qPrintable(windowLines().last()));
}

void tst_Standalone::pageFitsTheSmallestWindow_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("tool");
    for (const char *language : {"zh_CN", "zh_TW", "ja_JP", "ko_KR", "en_US"}) {
        for (const Tool tool : {ImageResize, PsdSlim, LayerExport})
            QTest::addRow("%s_%s", language, qPrintable(toolKey(tool))) << QString::fromLatin1(language) << int(tool);
    }
}

// At its minimum size, in every language: nothing scrolls sideways, Start is
// in view, rows are as high as the names they show, the header icons have
// names, and the list's buttons have keys.
void tst_Standalone::pageFitsTheSmallestWindow()
{
    QFETCH(QString, language);
    QFETCH(int, tool);
    m_settings.reset(new SettingsSandbox);
    SettingsSandbox::setLanguage(language);
    QTemporaryDir pictures;
    for (const QString &name : {u"landing-banner.png"_s, u"春节合影_スクリーン_제품.png"_s})
        savePicture(pictures.filePath(name), 2, 2);

    StandaloneToolWindow window{Tool(tool)};
    window.resize(window.minimumSize());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.minimumSize().width() <= 820 && window.minimumSize().height() <= 660);
    window.page()->addPaths({pictures.path()}, false);
    QCoreApplication::processEvents();

    QCOMPARE(window.findChild<QScrollArea *>()->horizontalScrollBar()->maximum(), 0);
    auto *start = window.findChild<QPushButton *>(QStringLiteral("toolStart"));
    QCOMPARE(start->visibleRegion().boundingRect(), start->rect());
    QVERIFY(!start->shortcut().isEmpty());
    for (const char *name : {"integratedToolChooseButton", "integratedToolChooseFoldersButton"})
        QVERIFY(!window.findChild<QPushButton *>(QLatin1String(name))->shortcut().isEmpty());
    for (const char *name : {"standaloneToolSettingsButton", "standaloneToolHelpButton"}) {
        auto *icon = window.findChild<QToolButton *>(QLatin1String(name));
        QVERIFY(!icon->accessibleName().isEmpty());
        QCOMPARE(icon->accessibleName(), icon->toolTip());
    }

    auto *list = window.findChild<QTreeWidget *>(QStringLiteral("integratedToolDropList"));
    if (tool == ImageResize) {
        QCOMPARE(list->topLevelItemCount(), 2);
        const QFontMetrics metrics(list->font());
        for (int row = 0; row < 2; ++row) {
            const QTreeWidgetItem *item = list->topLevelItem(row);
            QVERIFY2(list->visualItemRect(item).height() >= metrics.boundingRect(item->text(0)).height() + 4,
                     qPrintable(item->text(0)));
        }
    }
}

void tst_Standalone::keyboardFocusShows_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"toolStart", "integratedToolChooseButton", "integratedToolBackButton", "imageSizeRule",
                             "imageOutputDirectory", "anchorCell", "standaloneToolSettingsButton",
                             "standaloneToolHelpButton"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// A control that takes the keyboard looks different from the same control without it.
void tst_Standalone::keyboardFocusShows()
{
    QFETCH(QString, name);
    m_settings.reset(new SettingsSandbox);
    StandaloneToolWindow window(ImageResize);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *control = window.findChild<QWidget *>(name);
    QVERIFY(control);
    window.findChild<QTreeWidget *>(QStringLiteral("integratedToolDropList"))->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(!control->hasFocus());
    const QImage without = control->grab().toImage();
    control->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(control->hasFocus());
    QVERIFY2(control->grab().toImage() != without, qPrintable(name));
}

void tst_Standalone::helpShowsThePageOfTheLanguage()
{
    m_settings.reset(new SettingsSandbox);
    SettingsSandbox::setLanguage(QStringLiteral("ja_JP"));
    StandaloneToolWindow window(LayerExport);
    QString title, text;
    answerNextDialog([&](QDialog *dialog) {
        title = dialog->windowTitle();
        text = dialog->findChild<QTextBrowser *>()->toPlainText();
    });
    window.openHelpDialog();

    QCOMPARE(title, QStringLiteral("ヘルプ - ") + toolDisplayTitle(LayerExport));
    QVERIFY(text.startsWith(toolDisplayTitle(LayerExport)));
    QVERIFY(text.contains(QStringLiteral("PSD レイヤー一括書き出し：PSD または PSB ファイルを追加し")));
    QVERIFY(!text.contains(QStringLiteral("PSD 图层批量导出")));
    QTextBrowser japanese;
    japanese.setHtml(readText(QStringLiteral(":/docs/help-rich-ja_JP.html")));
    QVERIFY(japanese.toPlainText().size() > 200);
    QVERIFY(text.endsWith(japanese.toPlainText()));
}

void tst_Standalone::gatherPaths_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected"); // relative to the test folder
    QTest::newRow("input_prefix_any_case") << QStringList{u"/INPUT:a.png"_s, u"/input:b.jpg"_s} << QStringList{u"a.png"_s, u"b.jpg"_s};
    QTest::newRow("prefix_alone") << QStringList{u"/Input:"_s} << QStringList();
    QTest::newRow("missing_dropped") << QStringList{u"gone.png"_s, u"a.png"_s} << QStringList{u"a.png"_s};
    QTest::newRow("folder_kept") << QStringList{u"sub"_s} << QStringList{u"sub"_s};
    QTest::newRow("twice_gathered_twice") << QStringList{u"a.png"_s, u"./a.png"_s} << QStringList{u"a.png"_s, u"a.png"_s};
    QTest::newRow("switch_is_not_a_path") << QStringList{u"--STANDALONE-SELF-TEST"_s} << QStringList();
}

void tst_Standalone::gatherPaths()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    for (const char *name : {"a.png", "b.jpg"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QString saved = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const QStringList gathered = Startup::gatherPaths(arguments);
    QDir::setCurrent(saved);
    QStringList absolute;
    for (const QString &name : expected)
        absolute << QDir(dir.path()).filePath(name);
    QCOMPARE(gathered, absolute);
}

void tst_Standalone::helperArguments_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<int>("fill");
    QTest::addColumn<bool>("centered");
    QTest::addColumn<bool>("png");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("expected");
    const QStringList paths{u"/p/a.png"_s, u"/p/b.jpg"_s};

    QTest::newRow("defaults") << 0 << 0 << true << false << true << QString()
                              << QStringList{u"--rule"_s, u"multiple4"_s, u"--fill"_s, u"transparent"_s, u"--centered"_s,
                                             u"--recursive"_s, u"--language"_s, u"zh_CN"_s, u"--start"_s} + paths;
    QTest::newRow("power2_black") << 2 << 2 << true << false << true << QString()
                                  << QStringList{u"--rule"_s, u"power2"_s, u"--fill"_s, u"black"_s, u"--centered"_s,
                                                 u"--recursive"_s, u"--language"_s, u"zh_CN"_s, u"--start"_s} + paths;
    QTest::newRow("not_centred_even_white_png") << 1 << 1 << false << true << false << QString()
                                                << QStringList{u"--rule"_s, u"even"_s, u"--fill"_s, u"white"_s,
                                                               u"--no-centered"_s, u"--png"_s, u"--language"_s,
                                                               u"zh_CN"_s, u"--start"_s} + paths;
    QTest::newRow("blank_output_folder") << 0 << 0 << true << false << false << u"   "_s
                                         << QStringList{u"--rule"_s, u"multiple4"_s, u"--fill"_s, u"transparent"_s,
                                                        u"--centered"_s, u"--language"_s, u"zh_CN"_s, u"--start"_s}
                    + paths;
    QTest::newRow("trimmed_output_folder") << 0 << 0 << true << false << false << u"  /out/x y  "_s
                                           << QStringList{u"--rule"_s, u"multiple4"_s, u"--fill"_s, u"transparent"_s,
                                                          u"--centered"_s, u"--output-dir"_s, u"/out/x y"_s,
                                                          u"--language"_s, u"zh_CN"_s, u"--start"_s}
                    + paths;
}

void tst_Standalone::helperArguments()
{
    QFETCH(int, rule);
    QFETCH(int, fill);
    QFETCH(bool, centered);
    QFETCH(bool, png);
    QFETCH(bool, recursive);
    QFETCH(QString, output);
    QFETCH(QStringList, expected);
    m_settings.reset(new SettingsSandbox);

    IntegratedToolPage page(ImageResize);
    page.findChild<QComboBox *>(QStringLiteral("imageSizeRule"))->setCurrentIndex(rule);
    page.findChild<QComboBox *>(QStringLiteral("imageFillRule"))->setCurrentIndex(fill);
    page.findChild<AnchorPicker *>(QStringLiteral("imageAnchor"))->setPosition(centered ? AnchorPicker::Centre : 0);
    page.findChild<QCheckBox *>(QStringLiteral("imageOutputPng"))->setChecked(png);
    page.findChild<QCheckBox *>(QStringLiteral("imageRecursive"))->setChecked(recursive);
    page.findChild<QLineEdit *>(QStringLiteral("imageOutputDirectory"))->setText(output);
    QCOMPARE(IntegratedToolPage::imageResizeArguments(&page, {u"/p/a.png"_s, u"/p/b.jpg"_s}), expected);

    // Without files: the switches only; with no controls at all: the defaults.
    QCOMPARE(IntegratedToolPage::imageResizeArguments(&page, {}), expected.mid(0, expected.indexOf(u"--start"_s)));
    QWidget bare;
    QCOMPARE(IntegratedToolPage::imageResizeArguments(&bare, {}),
             (QStringList{u"--rule"_s, u"multiple4"_s, u"--fill"_s, u"transparent"_s, u"--no-centered"_s,
                          u"--language"_s, u"zh_CN"_s}));
    // The helper is told the tool window's language.
    SettingsSandbox::setLanguage(u"ko_KR"_s);
    const QStringList korean = IntegratedToolPage::imageResizeArguments(&bare, {});
    QCOMPARE(korean.mid(korean.indexOf(u"--language"_s)), (QStringList{u"--language"_s, u"ko_KR"_s}));
}

void tst_Standalone::startPadsEveryPictureInPlace()
{
    m_settings.reset(new SettingsSandbox);
    InPlaceGuard::setAsksBeforeReplacing(false);
    QTemporaryDir pictures;
    QVERIFY(QDir(pictures.path()).mkdir(QStringLiteral("deeper")));
    const QStringList files{pictures.filePath(QStringLiteral("a.png")), pictures.filePath(QStringLiteral("b.png")),
                            pictures.filePath(QStringLiteral("deeper/c.png"))};
    savePicture(files.at(0), 7, 5);
    savePicture(files.at(1), 13, 3);
    savePicture(files.at(2), 1, 1);

    StandaloneToolWindow window(ImageResize);
    window.addPaths({pictures.path()});
    auto *list = window.findChild<QTreeWidget *>(QStringLiteral("integratedToolDropList"));
    QCOMPARE(list->topLevelItemCount(), 3);
    auto *start = window.findChild<QPushButton *>(QStringLiteral("toolStart"));
    start->click();
    // A second helper on the same files would race the first: Start waits for it.
    QVERIFY(!start->isEnabled());
    window.page()->startTool();

    for (int row = 0; row < list->topLevelItemCount(); ++row)
        QCOMPARE(list->topLevelItem(row)->text(3), translateToolText(QStringLiteral("等待处理")));
    const QString helper = resolveToolExecutable(ImageResize);
    QVERIFY(helper.startsWith(m_data.path()));
    for (const QString &file : files) {
        QTRY_VERIFY_WITH_TIMEOUT(QImageReader(file).size().width() % 4 == 0
                                         && QImageReader(file).size().height() % 4 == 0,
                                 30000);
    }
    QCOMPARE(QImageReader(files.at(0)).size(), QSize(8, 8));
    QCOMPARE(QImageReader(files.at(1)).size(), QSize(16, 4));
    QCOMPARE(QImageReader(files.at(2)).size(), QSize(4, 4));
    // Each row follows the helper's report on its file.
    const QStringList padded{u"8×8"_s, u"16×4"_s, u"4×4"_s};
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = list->topLevelItem(row);
        const qsizetype index = files.indexOf(item->data(0, Qt::UserRole).toString());
        QVERIFY(index >= 0);
        QTRY_COMPARE(item->text(3), translateToolText(QStringLiteral("已完成")) + u' ' + padded.at(index));
    }

    // The helper's window stays open after its run: end the one this test started.
    QList<qint64> running = processesRunning(helper);
    QCOMPARE(running.size(), 1);
    QVERIFY(!start->isEnabled());
    ::kill(pid_t(running.first()), SIGTERM);
    QTRY_VERIFY(processesRunning(helper).isEmpty());
    QTRY_VERIFY(start->isEnabled());
}

void tst_Standalone::failedStartWarnsAndKeepsTheRows()
{
    // No folder can take the helper: plain files stand where each would go.
    m_settings.reset(new SettingsSandbox);
    InPlaceGuard::setAsksBeforeReplacing(false);
    QTemporaryDir pictures;
    savePicture(pictures.filePath(QStringLiteral("a.png")), 3, 3);
    QTemporaryDir blocked;
    auto block = [](const QString &path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        return file.open(QIODevice::WriteOnly);
    };
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("components"));
    QVERIFY(block(blocked.filePath(QStringLiteral("data/Pictavo/Pictavo/components"))));
    QVERIFY(block(besideProgram));
    QVERIFY(block(blocked.filePath(QStringLiteral("tmp"))));
    QVERIFY(block(blocked.filePath(QStringLiteral("run"))));
    QVERIFY(block(blocked.filePath(QStringLiteral("cache"))));
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QByteArray savedTemp = qgetenv("TMPDIR");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocked.filePath(QStringLiteral("data"))));
    qputenv("TMPDIR", QFile::encodeName(blocked.filePath(QStringLiteral("tmp"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(blocked.filePath(QStringLiteral("run"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(blocked.filePath(QStringLiteral("cache"))));

    StandaloneToolWindow window(ImageResize);
    window.addPaths({pictures.filePath(QStringLiteral("a.png"))});
    QString boxTitle, boxText;
    answerNextDialog([&](QDialog *box) {
        boxTitle = box->windowTitle();
        boxText = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
    });
    window.findChild<QPushButton *>(QStringLiteral("toolStart"))->click();

    qputenv("XDG_DATA_HOME", savedData);
    savedTemp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", savedTemp);
    savedRuntime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", savedRuntime);
    savedCache.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", savedCache);
    QFile::remove(besideProgram);

    QCOMPARE(boxTitle, translateToolText(QStringLiteral("无法启动工具")));
    // The box says why: no private temporary folder was left.
    const QString reason = QStringLiteral("系统临时文件夹中没有只属于当前用户的私有文件夹可用（可能已被其他用户占用或对他人开放）。");
    QCOMPARE(boxText, translateToolText(QStringLiteral("无法启动图片尺寸调整进程。")) + u'\n' + reason);
    const QList<QLabel *> labels = window.findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](const QLabel *label) {
        return label->text() == translateToolText(QStringLiteral("启动失败"));
    }));
    const auto *bar = window.findChild<QProgressBar *>();
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 0);
    const QStringList log = window.findChild<QTextEdit *>(QStringLiteral("integratedToolLog"))->toPlainText().split(QLatin1Char('\n'));
    QVERIFY2(log.size() >= 3 && log.at(log.size() - 3).endsWith(QStringLiteral("传递 1 个文件。")), qPrintable(log.join(QLatin1Char('|'))));
    QCOMPARE(log.at(log.size() - 2), QStringLiteral("失败：无法启动图片尺寸调整进程。"));
    QVERIFY(log.last().endsWith(QStringLiteral("] 原因：") + reason));
    const auto *list = window.findChild<QTreeWidget *>(QStringLiteral("integratedToolDropList"));
    QCOMPARE(list->topLevelItem(0)->text(3), translateToolText(QStringLiteral("等待处理")));
}

void tst_Standalone::programListsItsPathsAndForwardsASecondStart()
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("pictavo"));
    QVERIFY(QFile::copy(QStringLiteral(PICTAVO_PATH), program));
    for (const char *name : {"one.png", "two.jpg", "three.gif", "notes.txt"}) {
        QFile file(root.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QProcessEnvironment environment = isolatedEnvironment(root.path());

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(program, {root.filePath(QStringLiteral("one.png")), root.filePath(QStringLiteral("notes.txt")),
                          root.filePath(QStringLiteral("two.jpg"))});
    QVERIFY(first.waitForStarted());
    const QString log = root.filePath(QStringLiteral("logs/runtime.log"));
    QTRY_VERIFY_WITH_TIMEOUT(readText(log).contains(QStringLiteral("integrated tool path list image-resize added= 2 rejected= 1 total= 2")),
                             20000);
    QVERIFY(readText(log).contains(QStringLiteral("standalone invocation image-resize received_paths= 3")));

    // A second start hands its file over and ends at once.
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {QStringLiteral("/input:") + root.filePath(QStringLiteral("three.gif"))});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(readText(log).contains(QStringLiteral("integrated tool path list image-resize added= 1 rejected= 0 total= 3")),
                             10000);
    QVERIFY(readText(log).contains(QStringLiteral("standalone paths forwarded image-resize count= 1")));

    // A second start without paths sends nothing and ends with 0 as well.
    QProcess third;
    third.setProcessEnvironment(environment);
    third.start(program, {});
    QVERIFY(third.waitForFinished(20000));
    QCOMPARE(third.exitCode(), 0);
    QVERIFY(readText(log).contains(QStringLiteral("standalone paths forwarded image-resize count= 0")));
    QCOMPARE(first.state(), QProcess::Running);

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
}

void tst_Standalone::unreachableSocketFallsBackToTheInbox()
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("pictavo"));
    QVERIFY(QFile::copy(QStringLiteral(PICTAVO_PATH), program));
    QFile picture(root.filePath(QStringLiteral("late.bmp")));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.close();
    const QProcessEnvironment environment = isolatedEnvironment(root.path());
    const QString log = root.filePath(QStringLiteral("logs/runtime.log"));

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(program, {});
    QTRY_VERIFY_WITH_TIMEOUT(readText(log).contains(QStringLiteral("added= 0 rejected= 0 total= 0")), 20000);
    // The socket's name disappears while the first instance keeps running.
    const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
    // The endpoint comes up right after the window has its paths.
    QStringList sockets;
    QTRY_COMPARE((sockets = QDir(runtime).entryList({QStringLiteral("app.pictavo.*")}, QDir::System)).size(), 1);
    QVERIFY(QFile::remove(QDir(runtime).filePath(sockets.first())));

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {picture.fileName()});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(readText(log).contains(QStringLiteral("standalone paths queued image-resize count= 1")));
    QTRY_VERIFY_WITH_TIMEOUT(readText(log).contains(QStringLiteral("added= 1 rejected= 0 total= 1")), 2000);
    const QStringList inboxes = QDir(runtime).entryList({QStringLiteral("Pictavo-image-resize-*-inbox")}, QDir::Dirs);
    QCOMPARE(inboxes.size(), 1);
    QTRY_VERIFY(QDir(QDir(runtime).filePath(inboxes.first())).entryList(QDir::Files).isEmpty());

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
}

void tst_Standalone::restartAfterHandOverBecomesTheFirstInstance()
{
    // This test process plays a window that is about to restart for a language
    // change: it holds the claim, then gives it up before starting the program.
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("pictavo"));
    QVERIFY(QFile::copy(QStringLiteral(PICTAVO_PATH), program));
    const QProcessEnvironment environment = isolatedEnvironment(root.path());
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", environment.value(QStringLiteral("XDG_RUNTIME_DIR")).toLocal8Bit());
    QString error;
    QCOMPARE(InstancePlatform::acquireToolLock(SingleInstance::lockName(ImageResize), &error),
             InstancePlatform::LockResult::Acquired);
    QObject owner;
    QCOMPARE(SingleInstance::serve(&owner, ImageResize, {}, {}), -1);
    SingleInstance::relinquish();
    savedRuntime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", savedRuntime);

    QProcess restarted;
    restarted.setProcessEnvironment(environment);
    restarted.start(program, {});
    const QString log = root.filePath(QStringLiteral("logs/runtime.log"));
    QTRY_VERIFY_WITH_TIMEOUT(readText(log).contains(QStringLiteral("integrated tool path list image-resize")), 20000);
    QVERIFY(!readText(log).contains(QStringLiteral("standalone paths forwarded")));
    QCOMPARE(restarted.state(), QProcess::Running);
    restarted.terminate();
    QVERIFY(restarted.waitForFinished(10000));
}

void tst_Standalone::selfTest_data()
{
    QTest::addColumn<QString>("stored"); // empty: no language stored
    QTest::newRow("language_absent") << QString();
    QTest::newRow("language_stored") << QStringLiteral("ko_KR");
}

void tst_Standalone::selfTest()
{
    QFETCH(QString, stored);
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("pictavo"));
    QVERIFY(QFile::copy(QStringLiteral(PICTAVO_PATH), program));
    const QProcessEnvironment environment = isolatedEnvironment(root.path());
    const QString ini = root.filePath(QStringLiteral("xdg_config_home/Pictavo/Pictavo.ini"));
    if (!stored.isEmpty()) {
        QSettings settings(ini, QSettings::IniFormat);
        settings.setValue(QStringLiteral("general/language"), stored);
    }

    auto runSelfTest = [&](const QStringList &extra) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, QStringList{root.filePath(QStringLiteral("x.png")), QStringLiteral("--standalone-self-test")} + extra);
        return process.waitForFinished(60000) ? process.exitCode() : -1;
    };
    QCOMPARE(runSelfTest({}), 0);
    const QString helper = root.filePath(QStringLiteral("xdg_data_home/Pictavo/Pictavo/components/2.36/Quadrix"));
    QVERIFY(QFileInfo(helper).size() > 0);
    const QDateTime written = QFileInfo(helper).lastModified();
    // Read as text: this process's own QSettings cache would not see the child's writes.
    QCOMPARE(readText(ini).contains(QStringLiteral("language=")), !stored.isEmpty());
    if (!stored.isEmpty())
        QVERIFY2(readText(ini).contains(QStringLiteral("language=") + stored), qPrintable(readText(ini)));
    QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("logs"))));

    QTest::qWait(20);
    QCOMPARE(runSelfTest({}), 0);
    QCOMPARE(QFileInfo(helper).lastModified(), written);
}

void tst_Standalone::selfTestSwitchInOtherCaseRunsTheProgram()
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("pictavo"));
    QVERIFY(QFile::copy(QStringLiteral(PICTAVO_PATH), program));
    QProcess process;
    process.setProcessEnvironment(isolatedEnvironment(root.path()));
    process.start(program, {QStringLiteral("--STANDALONE-SELF-TEST")});
    const QString log = root.filePath(QStringLiteral("logs/runtime.log"));
    QTRY_VERIFY_WITH_TIMEOUT(readText(log).contains(QStringLiteral("standalone invocation image-resize received_paths= 0")),
                             20000);
    QCOMPARE(process.state(), QProcess::Running);
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
}

void tst_Standalone::buildWithoutToolEndsWith64()
{
    QTemporaryDir root;
    QProcess process;
    process.setProcessEnvironment(isolatedEnvironment(root.path()));
    process.start(QStringLiteral(NO_TOOL_PATH), {QStringLiteral("--standalone-self-test")});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 64);
}

void tst_Standalone::secondStartRefusesALineFeedPath()
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("pictavo"));
    QVERIFY(QFile::copy(QStringLiteral(PICTAVO_PATH), program));
    const QString odd = root.filePath(QStringLiteral("two\nlines.png"));
    QFile file(odd);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QProcessEnvironment environment = isolatedEnvironment(root.path());
    const QString log = root.filePath(QStringLiteral("logs/runtime.log"));

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(program, {});
    QTRY_VERIFY_WITH_TIMEOUT(readText(log).contains(QStringLiteral("added= 0 rejected= 0 total= 0")), 20000);

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {odd});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 66);
    QVERIFY(QString::fromUtf8(second.readAllStandardError()).contains(QStringLiteral("it holds a line feed")));
    QVERIFY(readText(log).contains(QStringLiteral("standalone path not forwarded: it holds a line feed")));
    QVERIFY(!readText(log).contains(QStringLiteral("standalone paths forwarded")));
    first.terminate();
    QVERIFY(first.waitForFinished(10000));
}

void tst_Standalone::endpointPlaces_data()
{
    QTest::addColumn<QString>("cache");   // below the test folder
    QTest::addColumn<QString>("temp");    // below the test folder
    QTest::addColumn<QString>("blocker"); // what stands at <cache>/Pictavo
    QTest::addColumn<bool>("runs");       // a window, else exit 66 with a word on stderr

    const QString deep = QStringLiteral("deep/") + QString(40, u'c') + u'/' + QString(40, u'c');
    QTest::newRow("long_socket_path_moves_to_the_temp_folder") << deep << QStringLiteral("t") << QString() << true;
    QTest::newRow("no_place_short_enough") << deep << deep + QStringLiteral("/t") << QString() << false;
    QTest::newRow("cache_pictavo_is_not_a_folder") << QStringLiteral("c") << QStringLiteral("t") << QStringLiteral("file")
                                                   << true;
    QTest::newRow("cache_pictavo_of_another_user") << QStringLiteral("c") << QStringLiteral("t")
                                                   << QStringLiteral("other") << true;
}

void tst_Standalone::endpointPlaces()
{
    QFETCH(QString, cache);
    QFETCH(QString, temp);
    QFETCH(QString, blocker);
    QFETCH(bool, runs);

    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("pictavo"));
    QVERIFY(QFile::copy(QStringLiteral(PICTAVO_PATH), program));
    QProcessEnvironment environment = isolatedEnvironment(root.path());
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(cache));
    environment.insert(QStringLiteral("TMPDIR"), root.filePath(temp));
    // A long user name appears twice in the socket path under the cache.
    environment.insert(QStringLiteral("USERNAME"), QString(48, u'u'));
    QVERIFY(QDir().mkpath(root.filePath(cache)) && QDir().mkpath(root.filePath(temp)));
    const QString pictavo = QDir(root.filePath(cache)).filePath(QStringLiteral("Pictavo"));
    if (blocker == u"file") {
        QFile file(pictavo);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (blocker == u"other") {
        if (::geteuid() != 0)
            QSKIP("only root can make a folder that belongs to another user");
        QVERIFY(QDir().mkdir(pictavo));
        QVERIFY(::chown(QFile::encodeName(pictavo).constData(), 65534, 65534) == 0);
        QVERIFY(::chmod(QFile::encodeName(pictavo).constData(), 0755) == 0);
    }

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, {});
    const QString log = root.filePath(QStringLiteral("logs/runtime.log"));
    if (runs) {
        QTRY_VERIFY_WITH_TIMEOUT(readText(log).contains(QStringLiteral("integrated tool path list")), 20000);
        QTest::qWait(300);
        QCOMPARE(process.state(), QProcess::Running);
        // The socket went to the private temporary folder, within the length limit.
        const auto sockets = [&root, &temp] {
            QStringList found;
            QDirIterator it(root.filePath(temp), QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                found << it.next();
            return found;
        };
        QTRY_COMPARE(sockets().size(), 1);
        QVERIFY(sockets().first().startsWith(QDir(root.filePath(temp)).filePath(QStringLiteral("Pictavo-%1/").arg(::geteuid()))));
        QVERIFY(QFile::encodeName(sockets().first()).size() <= 107);
        process.terminate();
        QVERIFY(process.waitForFinished(10000));
    } else {
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 66);
        QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(QStringLiteral("unable to create the tool instance endpoint")));
        QVERIFY(readText(log).contains(QStringLiteral("unable to create the tool instance endpoint")));
    }
}

void tst_Standalone::noPrivateFolderSaysWhyInABox()
{
    QString text;
    answerNextDialog([&text](QDialog *box) { text = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text(); });
    QCOMPARE(Startup::refuseStart(QStringLiteral("/tmp/Pictavo-7 belongs to another user")), 66);
    QVERIFY2(text.contains(QStringLiteral("/tmp/Pictavo-7 belongs to another user")), qPrintable(text));
}

// A message near the 16 MiB limit goes into the list a slice at a time: the
// event loop runs between the slices, and one log line and one count follow.
void tst_Standalone::bigMessageIsAddedInSteps()
{
    m_settings.reset(new SettingsSandbox);
    QTemporaryDir root;
    const QString runtime = root.filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkpath(runtime) && ::chmod(QFile::encodeName(runtime).constData(), 0700) == 0);
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));

    QStringList paths;
    for (int index = 0; index < 2000; ++index) {
        paths << root.filePath(QStringLiteral("pics/picture-%1.png").arg(index));
        QDir().mkpath(QFileInfo(paths.last()).absolutePath());
        QFile file(paths.last());
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    qsizetype bytes = SingleInstance::pathListText(paths).size();
    for (int index = 0; bytes < 16000000; ++index) {
        paths << QStringLiteral("/nowhere/a/rather/long/folder/name/for/the/test/picture-%1.png").arg(index);
        bytes += paths.last().size() + 1;
    }
    const QByteArray payload = SingleInstance::pathListText(paths);
    QByteArray message(4, '\0');
    qToBigEndian(quint32(payload.size()), message.data());
    message += payload;

    StandaloneToolWindow window(ImageResize);
    QObject owner;
    const SingleInstance::Target target{&window, [&window](const QStringList &forwarded) { window.queuePaths(forwarded); }};
    QCOMPARE(SingleInstance::serve(&owner, ImageResize, {}, target), -1);
    QLocalSocket client;
    client.connectToServer(InstancePlatform::serverAddress(SingleInstance::instanceServerName(ImageResize)));
    QVERIFY(client.waitForConnected(1000));
    client.write(message);

    int turnsWhileQueued = 0;
    qint64 longestPause = 0; // reported, not asserted: timing belongs in a benchmark
    QElapsedTimer sinceLastTurn;
    sinceLastTurn.start();
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, &ticker, [&] {
        longestPause = std::max(longestPause, sinceLastTurn.restart());
        if (window.page()->hasQueuedPaths())
            ++turnsWhileQueued;
    });
    ticker.start(0);
    const auto *list = window.findChild<QTreeWidget *>(QStringLiteral("integratedToolDropList"));
    QTRY_VERIFY_WITH_TIMEOUT(list->topLevelItemCount() == 2000 && !window.page()->hasQueuedPaths(), 60000);
    ticker.stop();
    SingleInstance::relinquish();
    savedRuntime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", savedRuntime);

    qInfo("longest pause of the event loop: %lld ms", longestPause);
    QVERIFY2(turnsWhileQueued >= 2, qPrintable(QString::number(turnsWhileQueued)));
    const QStringList log = window.findChild<QTextEdit *>(QStringLiteral("integratedToolLog"))->toPlainText().split(u'\n');
    QCOMPARE(log.size(), 1);
    QVERIFY(log.first().endsWith(QStringLiteral("已加入 2000 个文件，忽略 0 个不适用文件。")));
}

QTEST_MAIN(tst_Standalone)
#include "tst_standalone.moc"
