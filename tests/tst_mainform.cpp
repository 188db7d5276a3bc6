#include "AnchorPicker.h"
#include "BatchLogic.h"
#include "HelperText.h"
#include "ImageProcessor.h"
#include "MainForm.h"
#include "QtTranslations.h"
#include "SafeFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QPointer>
#include <QScopeGuard>
#include <QSpinBox>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QString WindowTitle = QStringLiteral("图片尺寸补齐工具（4 的倍数）");
constexpr int RunTimeout = 60000;

// Answers the modal dialogs the window opens, as a user would, and keeps what
// they showed: message boxes are confirmed; a folder dialog is answered with
// `folderAnswer`, a file dialog with `filesAnswer`, or cancelled when empty.
class ModalAnswerer : public QObject
{
public:
    struct Box
    {
        QMessageBox::Icon icon;
        QString caption;
        QString text;
    };

    ModalAnswerer()
    {
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, this, &ModalAnswerer::answer);
        timer.start();
    }

    QList<Box> boxes;
    QStringList dialogTitles;
    QString folderAnswer;
    QString filesFolder;
    QStringList filesAnswer;

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxes.append({box->icon(), box->windowTitle(), box->text()});
            // A question is answered yes.
            box->button(box->button(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::Yes)->click();
        } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            if (answered.contains(QPointer<QObject>(dialog))) {
                // The answer did not close it: give up rather than hang.
                dialogTitles.append(QStringLiteral("not accepted: ") + dialog->windowTitle());
                dialog->reject();
                return;
            }
            answered.append(dialog);
            dialogTitles.append(dialog->windowTitle());
            if (dialog->fileMode() == QFileDialog::Directory && !folderAnswer.isEmpty()) {
                dialog->setDirectory(folderAnswer);
                static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it; the override runs
            } else if (dialog->fileMode() == QFileDialog::ExistingFiles && !filesAnswer.isEmpty()) {
                dialog->setDirectory(filesFolder);
                QStringList quoted;
                for (const QString &name : std::as_const(filesAnswer))
                    quoted << QLatin1Char('"') + name + QLatin1Char('"');
                // The name field holds the typed names; selectFile() leaves it alone while it has the focus.
                auto *names = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                if (names)
                    names->setText(quoted.join(QLatin1Char(' ')));
                static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it; the override runs
            } else {
                dialog->reject();
            }
        }
    }

    QTimer timer;
    QList<QPointer<QObject>> answered;  // a deleted dialog drops out, whatever comes at its address
};

bool writePicture(const QString &path, int width, int height, QColor colour = QColor(200, 40, 30))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image.save(path);
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The log's lines without their "[HH:mm:ss] " prefix; fails the test on a line without one.
QStringList logTexts(const QPlainTextEdit *log)
{
    static const QRegularExpression timed(QStringLiteral("^\\[(\\d\\d):(\\d\\d):(\\d\\d)\\] (.*)$"));
    QString text = log->toPlainText();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        return {QStringLiteral("log does not end with a line break: ") + text};
    text.chop(1);
    QStringList texts;
    if (text.isEmpty())
        return texts;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = timed.match(line);
        texts << (match.hasMatch() && match.captured(1).toInt() < 24 && match.captured(2).toInt() < 60
                          && match.captured(3).toInt() < 60
                      ? match.captured(4)
                      : QStringLiteral("untimed line: ") + line);
    }
    return texts;
}

QStringList reportsUnder(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, {QStringLiteral("错误报告_*")}, QDir::AllEntries | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString successLine(const QString &name, const QString &oldSize, const QString &newSize, const QString &rule,
                    const QString &destination)
{
    return QStringLiteral("[成功] %1  %2 -> %3  规则=%4；已保存并回读校验；%5")
        .arg(name, oldSize, newSize, rule, native(destination));
}

} // namespace

// The batch window under the offscreen platform, with real pictures in
// temporary folders and every modal dialog answered by a timer.
class tst_MainForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutAndDefaults();
    void themeColours_data();
    void themeColours();
    void ctrlQCloses();
    void logLinesAreTimed();

    void commandLineSetsOptions_data();
    void commandLineSetsOptions();
    void openChoicesReachThePicture();
    void startWithoutUsablePathStaysIdle();
    void startSwitchRunsOnceShown();
    void commandLineFolderKeepsOutputFolderPictures();
    void chooseFolderSkipsOutputFolderPictures();
    void dropSkipsOutputFolderPictures();
    void relativeAndAbsoluteFormsBothListed();

    void addFilesSkipsDuplicates_data();
    void addFilesSkipsDuplicates();
    void tenThousandFilesAddQuickly();
    void chooseFilesAddsPictures();
    void chooseAndClearOutput();
    void clearFiles();
    void dropSummary();
    void dragWithoutPathsIsRefused();
    void dropFailureIsLogged();

    void emptyListWarns();
    void outputFolderThatCannotBeMadeWarns();
    void runIntoOutputFolder();
    void stopFinishesThePicturesInProgress_data();
    void stopFinishesThePicturesInProgress();
    void runWithFailuresWritesReport();
    void reportThatCannotBeWritten_data();
    void reportThatCannotBeWritten();
    void optionsFixedAtStart();
    void listFrozenDuringRun();
    void inPlaceCollisions_data();
    void inPlaceCollisions();
    void skippedFilesAreCounted();
    void qtTextsInChinese();
    void languageSwitch_data();
    void languageSwitch();

private:
    template<typename T>
    T *child(const MainForm &form, const char *name)
    {
        return form.findChild<T *>(QLatin1String(name));
    }
    void dragEnter(MainForm &form, const QMimeData &data, bool *accepted, Qt::DropAction *action);
    void drop(MainForm &form, const QMimeData &data);
    static QMimeData *pathData(const QStringList &paths);

    QTemporaryDir *dir = nullptr;
    ModalAnswerer *answerer = nullptr;
    QString previousCurrent;
};

void tst_MainForm::init()
{
    dir = new QTemporaryDir;
    QVERIFY2(dir->isValid(), qPrintable(dir->errorString()));
    answerer = new ModalAnswerer;
    previousCurrent = QDir::currentPath();
    // Reports that fall back to the user's data folder land in the test's own folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir->filePath(QStringLiteral("data"))));
}

void tst_MainForm::cleanup()
{
    delete answerer;
    answerer = nullptr;
    QDir::setCurrent(previousCurrent);
    delete dir;
    dir = nullptr;
}

QMimeData *tst_MainForm::pathData(const QStringList &paths)
{
    auto *data = new QMimeData;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

void tst_MainForm::dragEnter(MainForm &form, const QMimeData &data, bool *accepted, Qt::DropAction *action)
{
    QWidget *viewport = child<QTreeWidget>(form, "fileList")->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    *accepted = enter.isAccepted();
    *action = enter.dropAction();
}

// As in a real drag, the drop goes to the widget that accepted the drag's entry.
void tst_MainForm::drop(MainForm &form, const QMimeData &data)
{
    QWidget *viewport = child<QTreeWidget>(form, "fileList")->viewport();
    QDropEvent dropEvent(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &dropEvent);
}

void tst_MainForm::layoutAndDefaults()
{
    MainForm form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.windowTitle(), WindowTitle);
    QCOMPARE(form.size(), QSize(960, 720));
    QCOMPARE(form.minimumSize(), QSize(780, 580));
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(form.font().family(), QStringLiteral("Microsoft YaHei UI"));
    QCOMPARE(form.font().pointSize(), 9);
    QVERIFY(!form.statusBar()->isSizeGripEnabled());

    // Rows top to bottom at their heights; the log group takes what is left.
    const QList<std::pair<const char *, int>> rows{{"buttonRow", 42},  {"fileList", 160},    {"outputRow", 38},
                                                   {"optionsRow", 46}, {"formatRow", 30},    {"progressRow", 58},
                                                   {"logGroup", -1},
                                                   {"startButton", 42}};
    int previousTop = -1;
    for (const auto &[name, height] : rows) {
        const QWidget *row = child<QWidget>(form, name);
        QVERIFY2(row && row->mapTo(&form, QPoint(0, 0)).y() > previousTop, name);
        previousTop = row->mapTo(&form, QPoint(0, 0)).y();
        if (height > 0)
            QCOMPARE(row->height(), height);
    }
    QVERIFY(child<QWidget>(form, "logGroup")->height() > 200);
    QCOMPARE(child<QComboBox>(form, "sizeRuleBox")->width(), 145);
    QCOMPARE(child<QComboBox>(form, "fillBox")->width(), 110);

    const QList<std::pair<const char *, const char *>> texts{
        {"chooseFilesButton", "选择多个图片"}, {"chooseFolderButton", "选择文件夹"},
        {"clearFilesButton", "清空列表"},      {"chooseOutputButton", "浏览"},
        {"clearOutputButton", "恢复原位置替换"}, {"startButton", "开始处理"},
        {"pngBox", "统一输出无损 PNG"},
        {"recursiveBox", "文件夹含子目录"},    {"status", "就绪"},
        {"elapsed", "已用时间：00:00:00"},      {"remaining", "剩余时间：--:--:--"},
    };
    for (const auto &[name, text] : texts)
        QCOMPARE(child<QWidget>(form, name)->property("text").toString(), QString::fromUtf8(text));
    QCOMPARE(child<QGroupBox>(form, "logGroup")->title(), QStringLiteral("实时处理日志"));
    QStringList labels;
    for (const QLabel *label : form.findChildren<QLabel *>())
        labels << label->text();
    for (const char *text : {"输出目录（留空＝原位置替换）：", "尺寸规则：", "补边颜色：", "内容位置："})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    QVERIFY(child<QLabel>(form, "makerLabel")->text().startsWith(QStringLiteral("制作者：")));
    QVERIFY(child<QLabel>(form, "contactLabel")->text().contains(QRegularExpression(QStringLiteral("^联系邮箱：\\S+@\\S+$"))));

    const auto items = [](const QComboBox *box) {
        QStringList all;
        for (int i = 0; i < box->count(); ++i)
            all << box->itemText(i);
        return all;
    };
    // The three plain choices first, the others after a separator.
    QCOMPARE(items(child<QComboBox>(form, "sizeRuleBox")),
             (QStringList{QStringLiteral("4 的倍数"), QStringLiteral("偶数（2 的倍数）"), QStringLiteral("2ⁿ（2 的幂）"),
                          QString(), QStringLiteral("其他倍数…"), QStringLiteral("正方形（2 的幂）"),
                          QStringLiteral("正方形")}));
    QCOMPARE(items(child<QComboBox>(form, "fillBox")),
             (QStringList{QStringLiteral("透明"), QStringLiteral("白色"), QStringLiteral("黑色"), QString(),
                          QStringLiteral("自定义颜色…"), QStringLiteral("延伸边缘像素"), QStringLiteral("镜像边缘")}));
    QCOMPARE(child<AnchorPicker>(form, "anchorPicker")->position(), AnchorPicker::Centre);
    QVERIFY(!child<QCheckBox>(form, "pngBox")->isChecked());
    QVERIFY(child<QCheckBox>(form, "recursiveBox")->isChecked());
    QVERIFY(child<QPlainTextEdit>(form, "log")->isReadOnly());
}

void tst_MainForm::themeColours_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QRgb>("accent");
    QTest::addColumn<QRgb>("window");
    QTest::addColumn<QRgb>("field");
    QTest::addColumn<QRgb>("buttonBorder");

    // The tool window's colours, light and through the exchange.
    QTest::newRow("light") << false << qRgb(0x25, 0x63, 0xeb) << qRgb(0xf6, 0xf8, 0xfb) << qRgb(0xff, 0xff, 0xff)
                           << qRgb(0xb9, 0xc5, 0xd3);
    QTest::newRow("dark") << true << qRgb(0x60, 0xa5, 0xfa) << qRgb(0x20, 0x27, 0x31) << qRgb(0x20, 0x27, 0x31)
                          << qRgb(0x52, 0x61, 0x74);
}

void tst_MainForm::themeColours()
{
    QFETCH(bool, dark);
    QFETCH(QRgb, accent);
    QFETCH(QRgb, window);
    QFETCH(QRgb, field);
    QFETCH(QRgb, buttonBorder);

    qApp->setProperty("pictavoDarkTheme", dark);
    MainForm form({});
    qApp->setProperty("pictavoDarkTheme", QVariant());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage image = form.grab().toImage();
    const auto at = [&](const QWidget *widget, QPoint inside) {
        return QColor(image.pixel(widget->mapTo(&form, inside))).rgb();
    };
    const auto *start = child<QPushButton>(form, "startButton");
    QCOMPARE(at(start, QPoint(8, start->height() / 2)), accent);
    const QWidget *buttonRow = child<QWidget>(form, "buttonRow");
    QCOMPARE(at(buttonRow, QPoint(buttonRow->width() - 4, 20)), window);
    const QWidget *list = child<QTreeWidget>(form, "fileList")->viewport();
    QCOMPARE(at(list, QPoint(list->width() - 4, list->height() - 4)), field);
    const QWidget *logArea = child<QPlainTextEdit>(form, "log")->viewport();
    QCOMPARE(at(logArea, QPoint(logArea->width() / 2, logArea->height() - 4)), field);
    const QPushButton *browse = child<QPushButton>(form, "chooseOutputButton");
    QCOMPARE(at(browse, QPoint(0, browse->height() / 2)), buttonBorder);
    QCOMPARE(at(browse, QPoint(4, browse->height() / 2)), field);
    const QStatusBar *strip = form.statusBar();
    QCOMPARE(at(strip, QPoint(strip->width() - 4, strip->height() / 2)), field);
}

void tst_MainForm::ctrlQCloses()
{
    MainForm form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!form.isVisible());
}

void tst_MainForm::logLinesAreTimed()
{
    MainForm form({});
    auto *log = child<QPlainTextEdit>(form, "log");
    const QTime before = QTime::currentTime();
    form.log(QStringLiteral("第一行"));
    form.log(QString());
    const QTime after = QTime::currentTime();
    QCOMPARE(logTexts(log), (QStringList{QStringLiteral("第一行"), QString()}));
    const QTime stamp = QTime::fromString(log->toPlainText().mid(1, 8), QStringLiteral("HH:mm:ss"));
    QVERIFY(stamp.isValid());
    if (before <= after) // not across midnight
        QVERIFY(stamp >= QTime(before.hour(), before.minute(), before.second()) && stamp <= after);
    QVERIFY(log->textCursor().atEnd());
}

void tst_MainForm::commandLineSetsOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("rule");  // the key the rule box holds
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("anchor");  // the grid position
    QTest::addColumn<bool>("png");
    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    const int centre = AnchorPicker::Centre;
    QTest::newRow("front_end_switches")
        << QStringList{s("--rule"), s("power2"), s("--fill"), s("black"), s("--no-centered"), s("--png"),
                       s("--output-dir"), s("/somewhere/out")}
        << s("power2") << s("black") << s("/somewhere/out") << 0 << true;
    QTest::newRow("rule_value_lower_cased") << QStringList{s("--rule"), s("POWER2")} << s("power2") << s("transparent")
                                            << QString() << centre << false;
    QTest::newRow("rule_switch_case_sensitive") << QStringList{s("--RULE"), s("power2")} << s("multiple4")
                                                << s("transparent") << QString() << centre << false;
    QTest::newRow("output_dir_takes_a_switch") << QStringList{s("--output-dir"), s("--png")} << s("multiple4")
                                               << s("transparent") << s("--png") << centre << false;
    QTest::newRow("other_multiple_colour_anchor")
        << QStringList{s("--rule"), s("multiple:12"), s("--fill"), s("#FF000080"), s("--anchor"), s("bottom-right")}
        << s("multiple:12") << s("#ff000080") << QString() << 8 << false;
    QTest::newRow("minimum_size_listed_as_given")
        << QStringList{s("--rule"), s("min:64x64,power2"), s("--fill"), s("mirror"), s("--anchor"), s("top")}
        << s("min:64x64,power2") << s("mirror") << QString() << 1 << false;
}

void tst_MainForm::commandLineSetsOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, rule);
    QFETCH(QString, fill);
    QFETCH(QString, output);
    QFETCH(int, anchor);
    QFETCH(bool, png);
    QVERIFY(QDir::setCurrent(dir->path()));
    MainForm form(arguments);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(child<QComboBox>(form, "sizeRuleBox")->currentData().toString(), rule);
    QCOMPARE(child<QComboBox>(form, "fillBox")->currentData().toString(), fill);
    // The spin box and the swatch show only beside the choices they belong to.
    QCOMPARE(child<QSpinBox>(form, "multipleBox")->isVisible(), rule.startsWith(u"multiple:"));
    QCOMPARE(child<QWidget>(form, "colourSwatch")->isVisible(), fill.startsWith(u'#'));
    QCOMPARE(child<QLineEdit>(form, "outputBox")->text(), output);
    QCOMPARE(child<AnchorPicker>(form, "anchorPicker")->position(), anchor);
    QCOMPARE(child<QCheckBox>(form, "pngBox")->isChecked(), png);
    QVERIFY(child<QCheckBox>(form, "recursiveBox")->isChecked());
    QCOMPARE(form.files(), QStringList());
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("就绪"));
}

// The window pads with what it shows: a square canvas, the colour with its
// alpha, the picture at the bottom right.
void tst_MainForm::openChoicesReachThePicture()
{
    const QString picture = dir->filePath(QStringLiteral("pics/wide.png"));
    const QString out = dir->filePath(QStringLiteral("out"));
    QVERIFY(writePicture(picture, 3, 2, Qt::blue));
    MainForm form({QStringLiteral("--rule"), QStringLiteral("square"), QStringLiteral("--fill"),
                   QStringLiteral("#ff000080"), QStringLiteral("--anchor"), QStringLiteral("bottom-right"),
                   QStringLiteral("--output-dir"), out, QStringLiteral("--start"), picture});
    form.show();
    QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), 1, RunTimeout);
    const QImage padded(out + QStringLiteral("/wide.png"));
    QCOMPARE(padded.size(), QSize(3, 3));
    QCOMPARE(padded.pixel(0, 0), qRgba(255, 0, 0, 128));
    QCOMPARE(padded.pixel(2, 0), qRgba(255, 0, 0, 128));
    QCOMPARE(padded.pixel(0, 1), qRgb(0, 0, 255));
    QCOMPARE(padded.pixel(2, 2), qRgb(0, 0, 255));
}

void tst_MainForm::startWithoutUsablePathStaysIdle()
{
    QVERIFY(QDir::setCurrent(dir->path()));
    QVERIFY(writeBytes(dir->filePath(QStringLiteral("notes.txt")), "text"));
    MainForm form({QStringLiteral("--start"), QStringLiteral("missing.png"), QStringLiteral("notes.txt")});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // A start would have been posted on showing; let everything posted so far run.
    bool flushed = false;
    QTimer::singleShot(0, &form, [&flushed] { flushed = true; });
    QTRY_VERIFY(flushed);
    QVERIFY(!form.isRunning());
    QCOMPARE(form.files(), QStringList());
    QCOMPARE(logTexts(child<QPlainTextEdit>(form, "log")),
             (QStringList{QStringLiteral("文件不存在：missing.png"), QStringLiteral("不支持的文件类型：notes.txt")}));
    QCOMPARE(answerer->boxes.size(), 0);
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("已选择 0 个图片"));
}

void tst_MainForm::startSwitchRunsOnceShown()
{
    const QString pics = dir->filePath(QStringLiteral("pics"));
    const QString out = dir->filePath(QStringLiteral("out"));
    QVERIFY(writePicture(pics + QStringLiteral("/a.png"), 7, 5));
    QVERIFY(writePicture(pics + QStringLiteral("/sub/b.png"), 3, 3));
    MainForm form({QStringLiteral("--rule"), QStringLiteral("power2"), QStringLiteral("--output-dir"), out,
                   QStringLiteral("--start"), pics});
    QCOMPARE(form.files().size(), 2);
    QVERIFY(!form.isRunning());
    QCOMPARE(child<QPlainTextEdit>(form, "log")->toPlainText(), QString());

    form.show();
    QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), 1, RunTimeout);
    QCOMPARE(answerer->boxes.first().text, QStringLiteral("处理完成\n成功：2\n失败：0\n\n全部成功，未生成处理报告。"));
    QCOMPARE(QImage(out + QStringLiteral("/a.png")).size(), QSize(8, 8));
    // The folder given keeps its tree in the output folder.
    QCOMPARE(QImage(out + QStringLiteral("/sub/b.png")).size(), QSize(4, 4));
    // The window stays open after an automatic run.
    QVERIFY(form.isVisible());
    QVERIFY(!form.isRunning());
}

void tst_MainForm::commandLineFolderKeepsOutputFolderPictures()
{
    const QString pics = dir->filePath(QStringLiteral("pics"));
    QVERIFY(writePicture(pics + QStringLiteral("/a.png"), 2, 2));
    QVERIFY(writePicture(pics + QStringLiteral("/像素补齐_输出/a.png"), 2, 2));
    QVERIFY(writeBytes(pics + QStringLiteral("/readme.txt"), "x"));
    MainForm form({pics});
    QStringList files = form.files();
    files.sort();
    QCOMPARE(files, (QStringList{pics + QStringLiteral("/a.png"), pics + QStringLiteral("/像素补齐_输出/a.png")}));
    QCOMPARE(child<QTreeWidget>(form, "fileList")->topLevelItemCount(), 2);
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("已选择 2 个图片"));
}

void tst_MainForm::chooseFolderSkipsOutputFolderPictures()
{
    const QString pics = dir->filePath(QStringLiteral("pics"));
    QVERIFY(writePicture(pics + QStringLiteral("/a.png"), 2, 2));
    QVERIFY(writePicture(pics + QStringLiteral("/sub/b.tif"), 2, 2));
    QVERIFY(writePicture(pics + QStringLiteral("/像素补齐_输出/a.png"), 2, 2));
    MainForm form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    answerer->folderAnswer = pics;
    child<QPushButton>(form, "chooseFolderButton")->click();
    QCOMPARE(answerer->dialogTitles, QStringList{QStringLiteral("选择图片文件夹")});
    QStringList files = form.files();
    files.sort();
    QCOMPARE(files, (QStringList{pics + QStringLiteral("/a.png"), pics + QStringLiteral("/sub/b.tif")}));

    // Without subfolders only the folder's own pictures; those listed already stay once.
    form.clearFiles();
    child<QCheckBox>(form, "recursiveBox")->setChecked(false);
    form.chooseFolder();
    form.chooseFolder();
    QCOMPARE(form.files(), QStringList{pics + QStringLiteral("/a.png")});
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("已选择 1 个图片"));
}

void tst_MainForm::dropSkipsOutputFolderPictures()
{
    const QString pics = dir->filePath(QStringLiteral("pics"));
    QVERIFY(writePicture(pics + QStringLiteral("/a.png"), 2, 2));
    QVERIFY(writePicture(pics + QStringLiteral("/像素补齐_输出/a.png"), 2, 2));
    MainForm form({});
    QScopedPointer<QMimeData> data(pathData({pics}));
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
    dragEnter(form, *data, &accepted, &action);
    QVERIFY(accepted);
    drop(form, *data);
    QCOMPARE(form.files(), QStringList{pics + QStringLiteral("/a.png")});
    QCOMPARE(logTexts(child<QPlainTextEdit>(form, "log")),
             QStringList{QStringLiteral("已拖入 1 个项目（其中 1 个文件夹），新增 1 张图片。")});
}

void tst_MainForm::relativeAndAbsoluteFormsBothListed()
{
    QVERIFY(writePicture(dir->filePath(QStringLiteral("a.png")), 2, 2));
    QVERIFY(QDir::setCurrent(dir->path()));
    const QString absolute = dir->filePath(QStringLiteral("a.png"));
    MainForm form({QStringLiteral("a.png"), absolute, QStringLiteral("A.PNG")});
    QCOMPARE(form.files(), (QStringList{QStringLiteral("a.png"), absolute}));
    QCOMPARE(child<QTreeWidget>(form, "fileList")->topLevelItemCount(), 2);
    // Each row names its picture and its absolute folder; the row keeps the path as given.
    const auto *list = child<QTreeWidget>(form, "fileList");
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(list->topLevelItem(row)->data(0, Qt::UserRole).toString(), form.files().at(row));
        QCOMPARE(list->topLevelItem(row)->text(0), QStringLiteral("a.png"));
        QCOMPARE(list->topLevelItem(row)->text(1), QDir::toNativeSeparators(dir->path()));
    }
}

void tst_MainForm::addFilesSkipsDuplicates_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("listed");
    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    QTest::newRow("same_file_twice") << QStringList{s("/p/a.png"), s("/p/a.png")} << QStringList{s("/p/a.png")};
    // Names that differ in letter case are two files where the file system says so.
    const bool caseSensitive = SafeFile::pathCaseSensitivity() == Qt::CaseSensitive;
    QTest::newRow("letter_case_differs")
        << QStringList{s("D:\\A.PNG"), s("d:\\a.png")}
        << (caseSensitive ? QStringList{s("D:\\A.PNG"), s("d:\\a.png")} : QStringList{s("D:\\A.PNG")});
    QTest::newRow("separators_not_normalised") << QStringList{s("D:\\a.png"), s("D:/a.png")}
                                               << QStringList{s("D:\\a.png"), s("D:/a.png")};
    QTest::newRow("non_pictures_dropped") << QStringList{s("/p/a.txt"), s("/p/b.jpeg"), s("/p/c")}
                                          << QStringList{s("/p/b.jpeg")};
    QTest::newRow("order_kept") << QStringList{s("/z.png"), s("/a.png"), s("/m.gif")}
                                << QStringList{s("/z.png"), s("/a.png"), s("/m.gif")};
    QTest::newRow("chinese_letters")
        << QStringList{s("/图/甲.PNG"), s("/图/甲.png")}
        << (caseSensitive ? QStringList{s("/图/甲.PNG"), s("/图/甲.png")} : QStringList{s("/图/甲.PNG")});
}

void tst_MainForm::addFilesSkipsDuplicates()
{
    QFETCH(QStringList, paths);
    QFETCH(QStringList, listed);
    MainForm form({});
    form.addFiles(paths);
    QCOMPARE(form.files(), listed);
    auto *list = child<QTreeWidget>(form, "fileList");
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->data(0, Qt::UserRole).toString();
    QCOMPARE(rows, listed);
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("已选择 %1 个图片").arg(listed.size()));
    // A second time adds nothing.
    form.addFiles(paths);
    QCOMPARE(form.files(), listed);
}

void tst_MainForm::tenThousandFilesAddQuickly()
{
    MainForm form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList paths;
    QStringList again;
    for (int i = 0; i < 10000; ++i) {
        paths << QStringLiteral("/pictures/folder %1/picture-%2.png").arg(i % 37).arg(i);
        again << paths.last();
    }
    QElapsedTimer timer;
    timer.start();
    form.addFiles(paths);
    QCoreApplication::processEvents();
    const qint64 first = timer.restart();
    form.addFiles(again);
    QCoreApplication::processEvents();
    const qint64 second = timer.elapsed();
    QCOMPARE(child<QTreeWidget>(form, "fileList")->topLevelItemCount(), 10000);
    QCOMPARE(form.files().size(), 10000);
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("已选择 10000 个图片"));
    QVERIFY2(first < 1000, qPrintable(QStringLiteral("adding took %1 ms").arg(first)));
    QVERIFY2(second < 1000, qPrintable(QStringLiteral("skipping duplicates took %1 ms").arg(second)));
}

void tst_MainForm::chooseFilesAddsPictures()
{
    QVERIFY(writePicture(dir->filePath(QStringLiteral("a.png")), 2, 2));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("b.jpg")), 2, 2));
    MainForm form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    answerer->filesFolder = dir->path();
    answerer->filesAnswer = {QStringLiteral("a.png"), QStringLiteral("b.jpg")};
    child<QPushButton>(form, "chooseFilesButton")->click();
    QCOMPARE(answerer->dialogTitles, QStringList{QStringLiteral("选择多个图片")});
    QStringList files = form.files();
    files.sort();
    QCOMPARE(files, (QStringList{dir->filePath(QStringLiteral("a.png")), dir->filePath(QStringLiteral("b.jpg"))}));
}

void tst_MainForm::chooseAndClearOutput()
{
    MainForm form({QStringLiteral("--output-dir"), QStringLiteral("/kept")});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.addFiles({QStringLiteral("/p/a.png")});
    // Cancelled pickers change nothing.
    form.chooseFiles();
    form.chooseFolder();
    form.chooseOutput();
    QCOMPARE(form.files(), QStringList{QStringLiteral("/p/a.png")});
    QCOMPARE(child<QLineEdit>(form, "outputBox")->text(), QStringLiteral("/kept"));

    answerer->folderAnswer = dir->path();
    child<QPushButton>(form, "chooseOutputButton")->click();
    QCOMPARE(answerer->dialogTitles, (QStringList{QStringLiteral("选择多个图片"), QStringLiteral("选择图片文件夹"),
                                                  QStringLiteral("选择输出目录"), QStringLiteral("选择输出目录")}));
    QCOMPARE(child<QLineEdit>(form, "outputBox")->text(), native(dir->path()));
    child<QPushButton>(form, "clearOutputButton")->click();
    QCOMPARE(child<QLineEdit>(form, "outputBox")->text(), QString());
}

void tst_MainForm::clearFiles()
{
    MainForm form({});
    form.addFiles({QStringLiteral("/p/a.png"), QStringLiteral("/p/b.png")});
    child<QProgressBar>(form, "progress")->setValue(1);
    child<QPushButton>(form, "clearFilesButton")->click();
    QCOMPARE(form.files(), QStringList());
    QCOMPARE(child<QTreeWidget>(form, "fileList")->topLevelItemCount(), 0);
    QCOMPARE(child<QProgressBar>(form, "progress")->value(), 0);
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("就绪"));
    // The duplicate memory is cleared with the list.
    form.addFiles({QStringLiteral("/p/A.png")});
    QCOMPARE(form.files(), QStringList{QStringLiteral("/p/A.png")});
}

void tst_MainForm::dropSummary()
{
    const QString pics = dir->filePath(QStringLiteral("pics"));
    QVERIFY(writePicture(pics + QStringLiteral("/a.png"), 2, 2));
    QVERIFY(writePicture(pics + QStringLiteral("/deep/b.png"), 2, 2));
    QVERIFY(QDir().mkpath(dir->filePath(QStringLiteral("empty"))));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("c.bmp")), 2, 2));
    QVERIFY(writeBytes(dir->filePath(QStringLiteral("notes.txt")), "x"));
    MainForm form({});
    form.addFiles({pics + QStringLiteral("/a.png")});

    QScopedPointer<QMimeData> data(pathData({pics, dir->filePath(QStringLiteral("empty")),
                                             dir->filePath(QStringLiteral("c.bmp")),
                                             dir->filePath(QStringLiteral("notes.txt")),
                                             dir->filePath(QStringLiteral("gone.png"))}));
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
    dragEnter(form, *data, &accepted, &action);
    QVERIFY(accepted);
    QCOMPARE(action, Qt::CopyAction);
    drop(form, *data);
    QCOMPARE(form.files(), (QStringList{pics + QStringLiteral("/a.png"), pics + QStringLiteral("/deep/b.png"),
                                        dir->filePath(QStringLiteral("c.bmp"))}));
    QCOMPARE(logTexts(child<QPlainTextEdit>(form, "log")),
             (QStringList{QStringLiteral("不支持的文件类型：") + native(dir->filePath(QStringLiteral("notes.txt"))),
                          QStringLiteral("文件不存在：") + native(dir->filePath(QStringLiteral("gone.png"))),
                          QStringLiteral("已拖入 5 个项目（其中 2 个文件夹），新增 2 张图片。")}));
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("已选择 3 个图片"));
}

void tst_MainForm::dragWithoutPathsIsRefused()
{
    MainForm form({});
    QMimeData text;
    text.setText(QStringLiteral("/p/a.png"));
    bool accepted = true;
    Qt::DropAction action = Qt::CopyAction;
    dragEnter(form, text, &accepted, &action);
    QVERIFY(!accepted);
    QCOMPARE(action, Qt::IgnoreAction);
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.com/a.png"))});
    dragEnter(form, web, &accepted, &action);
    QVERIFY(!accepted);
    drop(form, web);
    QCOMPARE(form.files(), QStringList());
    QCOMPARE(child<QPlainTextEdit>(form, "log")->toPlainText(), QString());
}

void tst_MainForm::dropFailureIsLogged()
{
#ifdef Q_OS_UNIX
    if (::geteuid() == 0)
        QSKIP("root reads every folder, so none can be made unreadable");
#else
    QSKIP("folders are made unreadable with Unix permissions");
#endif
    const QString locked = dir->filePath(QStringLiteral("locked"));
    QVERIFY(writePicture(locked + QStringLiteral("/a.png"), 2, 2));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("b.png")), 2, 2));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    MainForm form({});
    QScopedPointer<QMimeData> data(pathData({locked, dir->filePath(QStringLiteral("b.png"))}));
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
    dragEnter(form, *data, &accepted, &action);
    QVERIFY(accepted);
    drop(form, *data);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(form.files(), QStringList{dir->filePath(QStringLiteral("b.png"))});
    QCOMPARE(logTexts(child<QPlainTextEdit>(form, "log")),
             (QStringList{QStringLiteral("[拖入失败] ") + native(locked) + QStringLiteral("；无法读取文件夹：")
                              + native(locked),
                          QStringLiteral("已拖入 2 个项目（其中 1 个文件夹），新增 1 张图片。")}));
}

void tst_MainForm::emptyListWarns()
{
    MainForm form({});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    child<QPushButton>(form, "startButton")->click();
    QCOMPARE(answerer->boxes.size(), 1);
    QCOMPARE(answerer->boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(answerer->boxes.first().caption, WindowTitle);
    QCOMPARE(answerer->boxes.first().text, QStringLiteral("请先选择图片或文件夹。"));
    QVERIFY(!form.isRunning());
    QVERIFY(child<QPushButton>(form, "startButton")->isEnabled());
    QCOMPARE(child<QPlainTextEdit>(form, "log")->toPlainText(), QString());
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("就绪"));
}

void tst_MainForm::outputFolderThatCannotBeMadeWarns()
{
    const QString file = dir->filePath(QStringLiteral("file"));
    QVERIFY(writeBytes(file, "x"));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("a.png")), 2, 2));
    MainForm form({QStringLiteral("--output-dir"), file + QStringLiteral("/out")});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.addFiles({dir->filePath(QStringLiteral("a.png"))});
    form.startProcessing();
    QCOMPARE(answerer->boxes.size(), 1);
    QCOMPARE(answerer->boxes.first().icon, QMessageBox::NoIcon);
    QCOMPARE(answerer->boxes.first().caption, QString());
    QCOMPARE(answerer->boxes.first().text,
             QStringLiteral("无法创建输出目录：“%1”不是文件夹").arg(native(file)));
    QVERIFY(!form.isRunning());
    QCOMPARE(child<QPlainTextEdit>(form, "log")->toPlainText(), QString());
    QCOMPARE(QImage(dir->filePath(QStringLiteral("a.png"))).size(), QSize(2, 2));
}

void tst_MainForm::stopFinishesThePicturesInProgress_data()
{
    QTest::addColumn<bool>("byClosing");
    QTest::newRow("stop_button") << false;
    QTest::newRow("closing_the_window") << true;
}

void tst_MainForm::stopFinishesThePicturesInProgress()
{
    QFETCH(bool, byClosing);
    QStringList paths;
    for (int i = 0; i < 16; ++i) {
        paths << dir->filePath(QStringLiteral("p%1.png").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(writePicture(paths.last(), 1501, 1501, QColor(i * 12, 90, 30)));
    }
    MainForm form({QStringLiteral("--jobs"), QStringLiteral("2")});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.addFiles(paths);
    form.startProcessing();
    auto *list = child<QTreeWidget>(form, "fileList");
    const auto rowsSaying = [list](const QString &status) {
        int count = 0;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            count += list->topLevelItem(row)->text(2) == status ? 1 : 0;
        return count;
    };
    QTRY_VERIFY_WITH_TIMEOUT(rowsSaying(QStringLiteral("已完成 1504×1504")) > 0, RunTimeout);
    if (byClosing)
        form.close();
    else
        child<QPushButton>(form, "stopButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), RunTimeout);

    // In place: each picture is untouched or padded whole, and its row says which.
    const int done = rowsSaying(QStringLiteral("已完成 1504×1504"));
    const int cancelled = rowsSaying(QStringLiteral("已取消"));
    QCOMPARE(done + cancelled, 16);
    QVERIFY(cancelled > 0);
    for (int row = 0; row < 16; ++row) {
        const bool padded = list->topLevelItem(row)->text(2) != QStringLiteral("已取消");
        QCOMPARE(QImage(paths.at(row)).size(), padded ? QSize(1504, 1504) : QSize(1501, 1501));
    }
    QVERIFY(logTexts(child<QPlainTextEdit>(form, "log"))
                    .contains(QStringLiteral("已停止：%1 个图片未开始处理。").arg(cancelled)));
    // Closing asked first and then closed without an end box; Stop ends with one.
    QCOMPARE(answerer->boxes.size(), 1);
    if (byClosing) {
        QCOMPARE(answerer->boxes.first().text, QStringLiteral("处理完正在进行的图片后停止？"));
        QTRY_VERIFY(!form.isVisible());
    } else {
        QCOMPARE(answerer->boxes.first().text,
                 QStringLiteral("处理已停止\n成功：%1\n失败：0\n未开始：%2").arg(done).arg(cancelled));
    }
}

void tst_MainForm::runIntoOutputFolder()
{
    const QString pics = dir->filePath(QStringLiteral("pics"));
    const QString out = dir->filePath(QStringLiteral("new/out"));
    QVERIFY(writePicture(pics + QStringLiteral("/a.png"), 7, 5));
    QVERIFY(writePicture(pics + QStringLiteral("/b.bmp"), 5, 3));
    QVERIFY(writePicture(pics + QStringLiteral("/c.jpg"), 9, 9));
    // One picture at a time: lines come as pictures finish, so the log then follows the list.
    MainForm form({QStringLiteral("--jobs"), QStringLiteral("1")});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.addFiles({pics + QStringLiteral("/a.png"), pics + QStringLiteral("/b.bmp"), pics + QStringLiteral("/c.jpg")});
    child<QLineEdit>(form, "outputBox")->setText(QStringLiteral("  ") + out + QStringLiteral(" "));

    // What the window shows each time a file's line arrives.
    auto *log = child<QPlainTextEdit>(form, "log");
    auto *status = child<QLabel>(form, "status");
    auto *progress = child<QProgressBar>(form, "progress");
    QStringList seen;
    connect(log->document(), &QTextDocument::contentsChanged, &form, [&] {
        if (log->toPlainText().contains(QStringLiteral("[成功]")))
            seen << status->text() + QLatin1Char('|') + QString::number(progress->value()) + QLatin1Char('/')
                        + QString::number(progress->maximum());
    });

    form.startProcessing();
    QVERIFY(form.isRunning());
    QVERIFY(!child<QPushButton>(form, "startButton")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), 1, RunTimeout);
    QVERIFY(!form.isRunning());
    QVERIFY(child<QPushButton>(form, "startButton")->isEnabled());

    const QString rule = QStringLiteral("4 的倍数");
    QCOMPARE(logTexts(log),
             (QStringList{
                 QStringLiteral("开始处理 3 个图片；输出目录：") + out,
                 successLine(QStringLiteral("a.png"), QStringLiteral("7×5"), QStringLiteral("8×8"), rule,
                             out + QStringLiteral("/a.png")),
                 successLine(QStringLiteral("b.bmp"), QStringLiteral("5×3"), QStringLiteral("8×4"), rule,
                             out + QStringLiteral("/b.bmp")),
                 // A JPEG with transparent padding becomes a PNG.
                 successLine(QStringLiteral("c.jpg"), QStringLiteral("9×9"), QStringLiteral("12×12"), rule,
                             out + QStringLiteral("/c.png")),
                 QStringLiteral("处理完成；全部成功，未生成处理报告。"),
             }));
    // Progress counts finished pictures, which may run ahead of the lines reported in list order.
    QVERIFY(seen.size() >= 3);
    for (int i = 0; i < 3; ++i) {
        const int finished = seen.at(i).section(QLatin1Char('|'), 1).section(QLatin1Char('/'), 0, 0).toInt();
        QVERIFY2(finished >= i + 1 && seen.at(i).startsWith(QStringLiteral("进度：%1/3|").arg(finished)),
                 qPrintable(seen.at(i)));
    }
    QCOMPARE(status->text(), QStringLiteral("完成：成功 3，失败 0"));
    QCOMPARE(progress->value(), 3);
    QCOMPARE(progress->maximum(), 3);
    QCOMPARE(child<QLabel>(form, "remaining")->text(), QStringLiteral("剩余时间：00:00:00"));
    QVERIFY(child<QLabel>(form, "elapsed")->text().contains(
        QRegularExpression(QStringLiteral("^已用时间：\\d\\d:\\d\\d:\\d\\d$"))));
    QCOMPARE(answerer->boxes.first().icon, QMessageBox::NoIcon);
    QCOMPARE(answerer->boxes.first().caption, WindowTitle);
    QCOMPARE(answerer->boxes.first().text, QStringLiteral("处理完成\n成功：3\n失败：0\n\n全部成功，未生成处理报告。"));

    QCOMPARE(QImage(out + QStringLiteral("/a.png")).size(), QSize(8, 8));
    QCOMPARE(QImage(out + QStringLiteral("/b.bmp")).size(), QSize(8, 4));
    QCOMPARE(QImage(out + QStringLiteral("/c.png")).size(), QSize(12, 12));
    QCOMPARE(QImage(pics + QStringLiteral("/a.png")).size(), QSize(7, 5));
    QCOMPARE(reportsUnder(dir->path()), QStringList());
}

void tst_MainForm::runWithFailuresWritesReport()
{
    // In place: the report goes to the user's data folder, never among the pictures.
    const QString first = dir->filePath(QStringLiteral("first"));
    const QString other = dir->filePath(QStringLiteral("other"));
    QVERIFY(writePicture(first + QStringLiteral("/a.png"), 3, 2));
    QVERIFY(writeBytes(other + QStringLiteral("/broken.png"), "this is no picture"));
    QVERIFY(writeBytes(other + QStringLiteral("/empty.jpg"), QByteArray()));
    QVERIFY(writePicture(other + QStringLiteral("/fine.tif"), 3, 3));
    // One picture at a time: lines come as pictures finish, so the log then follows the list.
    MainForm form({QStringLiteral("--jobs"), QStringLiteral("1")});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.addFiles({first + QStringLiteral("/a.png"), other + QStringLiteral("/broken.png"),
                   other + QStringLiteral("/empty.jpg"), other + QStringLiteral("/fine.tif")});

    const QDateTime before = QDateTime::currentDateTime();
    form.startProcessing();
    QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), 1, RunTimeout);
    const QDateTime after = QDateTime::currentDateTime();

    const QStringList reports = reportsUnder(dir->path());
    QCOMPARE(reports.size(), 1);
    const QFileInfo report(reports.first());
    QCOMPARE(report.absolutePath(), dir->filePath(QStringLiteral("data/Pictavo/Pictavo/reports")));
    const QRegularExpressionMatch name =
        QRegularExpression(QStringLiteral("^错误报告_(\\d{8}_\\d{6})\\.txt$")).match(report.fileName());
    QVERIFY2(name.hasMatch(), qPrintable(report.fileName()));
    const QDateTime started = QDateTime::fromString(name.captured(1), QStringLiteral("yyyyMMdd_HHmmss"));
    QVERIFY(started.isValid());
    QVERIFY(started >= before.addMSecs(-before.time().msec()) && started <= after);

    const QStringList lines = logTexts(child<QPlainTextEdit>(form, "log"));
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.at(0), QStringLiteral("开始处理 4 个图片；模式：原位置替换原文件"));
    QCOMPARE(lines.at(1), successLine(QStringLiteral("a.png"), QStringLiteral("3×2"), QStringLiteral("4×4"),
                                      QStringLiteral("4 的倍数"), first + QStringLiteral("/a.png")));
    QVERIFY2(lines.at(2).startsWith(QStringLiteral("[失败] broken.png   ->   ")), qPrintable(lines.at(2)));
    QVERIFY(lines.at(2).size() > QStringLiteral("[失败] broken.png   ->   ").size());
    QVERIFY2(lines.at(3).startsWith(QStringLiteral("[失败] empty.jpg   ->   ")), qPrintable(lines.at(3)));
    QVERIFY(lines.at(4).startsWith(QStringLiteral("[成功] fine.tif  3×3 -> 4×4  ")));
    QCOMPARE(lines.at(5), QStringLiteral("处理完成；发现错误，错误报告：") + native(report.absoluteFilePath()));

    // UTF-8 with a byte-order mark, one CR LF line per failure, each the log's line behind a time stamp.
    const QByteArray bytes = readBytes(report.absoluteFilePath());
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    const QStringList reportLines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(reportLines.size(), 3);
    QCOMPARE(reportLines.at(2), QString());
    for (int i = 0; i < 2; ++i) {
        const QString line = reportLines.at(i);
        const QDateTime stamp = QDateTime::fromString(line.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY2(stamp.isValid() && stamp >= started && stamp <= after, qPrintable(line));
        QCOMPARE(line.mid(19), QLatin1Char(' ') + lines.at(2 + i));
    }

    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("完成：成功 2，失败 2"));
    QCOMPARE(answerer->boxes.first().caption, WindowTitle);
    QCOMPARE(answerer->boxes.first().text,
             QStringLiteral("处理完成\n成功：2\n失败：2\n\n错误报告：") + native(report.absoluteFilePath()));
    QCOMPARE(QImage(first + QStringLiteral("/a.png")).size(), QSize(4, 4));
    QCOMPARE(readBytes(other + QStringLiteral("/broken.png")), QByteArray("this is no picture"));
}

void tst_MainForm::reportThatCannotBeWritten_data()
{
    QTest::addColumn<bool>("dataFolderUsable");
    QTest::newRow("moved_to_data_folder") << true;
    QTest::newRow("data_folder_unusable_too") << false;
}

void tst_MainForm::reportThatCannotBeWritten()
{
    QFETCH(bool, dataFolderUsable);
    const QString out = dir->filePath(QStringLiteral("out"));
    QVERIFY(writeBytes(dir->filePath(QStringLiteral("broken.png")), "no picture"));
    QVERIFY(writeBytes(dir->filePath(QStringLiteral("broken2.png")), "no picture either"));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("good.png")), 3, 3));
    if (!dataFolderUsable) {
        // A file where the data folder's parent should be: no one, root included, can make it.
        QVERIFY(writeBytes(dir->filePath(QStringLiteral("blocker")), "x"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir->filePath(QStringLiteral("blocker/data"))));
    }
    // Folders where the report of a run starting in the next seconds would go:
    // no one, root included, can write a file there.
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = -1; s <= 20; ++s)
        QVERIFY(QDir().mkpath(out + QLatin1Char('/') + BatchRun::reportFileName(now.addSecs(s))));
    MainForm form({QStringLiteral("--output-dir"), out, QStringLiteral("--jobs"), QStringLiteral("1")});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.addFiles({dir->filePath(QStringLiteral("broken.png")), dir->filePath(QStringLiteral("good.png")),
                   dir->filePath(QStringLiteral("broken2.png"))});
    form.startProcessing();
    QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), 1, RunTimeout);

    const QStringList lines = logTexts(child<QPlainTextEdit>(form, "log"));
    QCOMPARE(lines.size(), 6);
    // The report is written at the end, in list order; its trouble is logged then.
    QVERIFY(lines.at(1).startsWith(QStringLiteral("[失败] broken.png")));
    QVERIFY(lines.at(2).startsWith(QStringLiteral("[成功] good.png")));
    QVERIFY(lines.at(3).startsWith(QStringLiteral("[失败] broken2.png")));
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("完成：成功 1，失败 2"));
    QCOMPARE(QImage(out + QStringLiteral("/good.png")).size(), QSize(4, 4));
    if (dataFolderUsable) {
        const QRegularExpressionMatch moved =
            QRegularExpression(QStringLiteral("^无法写入错误报告：(.+)；(.+)。错误报告改为写入：(.+)$")).match(lines.at(4));
        QVERIFY2(moved.hasMatch(), qPrintable(lines.at(4)));
        const QString fallback = moved.captured(3);
        QCOMPARE(QFileInfo(fallback).absolutePath(),
                 dir->filePath(QStringLiteral("data/Pictavo/Pictavo/reports")));
        QCOMPARE(QFileInfo(fallback).fileName(), QFileInfo(moved.captured(1)).fileName());
        QCOMPARE(lines.at(5), QStringLiteral("处理完成；发现错误，错误报告：") + fallback);
        QCOMPARE(answerer->boxes.first().text,
                 QStringLiteral("处理完成\n成功：1\n失败：2\n\n错误报告：") + fallback);
        const QStringList reportLines = QString::fromUtf8(readBytes(fallback).mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(reportLines.size(), 3);
        QCOMPARE(reportLines.at(0).mid(20), lines.at(1));
        QCOMPARE(reportLines.at(1).mid(20), lines.at(3));
        return;
    }
    const QRegularExpressionMatch refused =
        QRegularExpression(QStringLiteral("^无法写入错误报告：(.+(错误报告_\\d{8}_\\d{6}\\.txt))；(.+)$")).match(lines.at(4));
    QVERIFY2(refused.hasMatch(), qPrintable(lines.at(4)));
    const QString reportPath = refused.captured(1);
    QCOMPARE(reportPath, native(out + QLatin1Char('/') + refused.captured(2)));
    QCOMPARE(lines.at(5), QStringLiteral("处理完成；发现错误，错误报告未能写入：") + reportPath);
    QCOMPARE(answerer->boxes.first().text, QStringLiteral("处理完成\n成功：1\n失败：2\n\n错误报告未能写入：")
                                               + reportPath + QLatin1Char('\n') + refused.captured(3));
}

void tst_MainForm::optionsFixedAtStart()
{
    const QString out = dir->filePath(QStringLiteral("out"));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("first.png")), 5, 3));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("second.png")), 5, 3));
    MainForm form({QStringLiteral("--output-dir"), out});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.addFiles({dir->filePath(QStringLiteral("first.png")), dir->filePath(QStringLiteral("second.png"))});
    auto *log = child<QPlainTextEdit>(form, "log");
    // Once the first file is reported, switch to the even rule and white fill: the run keeps the options it
    // started with, since its outputs were settled then and later files may be in progress already.
    connect(log->document(), &QTextDocument::contentsChanged, &form, [&] {
        if (log->toPlainText().contains(QStringLiteral("[成功] first.png"))) {
            child<QComboBox>(form, "sizeRuleBox")->setCurrentIndex(1);
            child<QComboBox>(form, "fillBox")->setCurrentIndex(1);
        }
    });
    form.startProcessing();
    QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), 1, RunTimeout);
    const QImage first(out + QStringLiteral("/first.png"));
    const QImage second(out + QStringLiteral("/second.png"));
    QCOMPARE(first.size(), QSize(8, 4));
    QCOMPARE(qAlpha(first.pixel(0, 0)), 0);
    QCOMPARE(second.size(), QSize(8, 4));
    QCOMPARE(qAlpha(second.pixel(7, 3)), 0);
    QVERIFY(logTexts(log).at(2).contains(QStringLiteral("规则=4 的倍数")));
}

void tst_MainForm::listFrozenDuringRun()
{
    const QString out = dir->filePath(QStringLiteral("out"));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("a.png")), 300, 200));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("b.png")), 300, 200));
    QVERIFY(writePicture(dir->filePath(QStringLiteral("c.png")), 3, 3));
    MainForm form({QStringLiteral("--output-dir"), out});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QStringList listed{dir->filePath(QStringLiteral("a.png")), dir->filePath(QStringLiteral("b.png"))};
    form.addFiles(listed);
    // A drag is over the list as the run starts: it is dropped during the run.
    QScopedPointer<QMimeData> data(pathData({dir->filePath(QStringLiteral("c.png"))}));
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
    dragEnter(form, *data, &accepted, &action);
    QVERIFY(accepted);

    form.startProcessing();
    // Nothing below lets the event loop run, so the run cannot end in between.
    QVERIFY(form.isRunning());
    for (const char *name : {"startButton", "chooseFilesButton", "chooseFolderButton", "clearFilesButton",
                             "chooseOutputButton", "clearOutputButton"})
        QVERIFY2(!child<QPushButton>(form, name)->isEnabled(), name);
    form.addFiles({dir->filePath(QStringLiteral("c.png"))});
    form.clearFiles();
    form.chooseFiles();
    form.chooseFolder();
    form.chooseOutput();
    form.clearOutput();
    drop(form, *data);
    dragEnter(form, *data, &accepted, &action);
    QVERIFY(!accepted);
    QCOMPARE(action, Qt::IgnoreAction);
    form.startProcessing();
    QCOMPARE(form.files(), listed);
    QCOMPARE(child<QTreeWidget>(form, "fileList")->topLevelItemCount(), 2);
    QCOMPARE(child<QLineEdit>(form, "outputBox")->text(), out);
    QCOMPARE(answerer->dialogTitles, QStringList());

    QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), 1, RunTimeout);
    const QStringList lines = logTexts(child<QPlainTextEdit>(form, "log"));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.first(), QStringLiteral("开始处理 2 个图片；输出目录：") + out);
    QCOMPARE(form.files(), listed);
    for (const char *name : {"startButton", "chooseFilesButton", "chooseFolderButton", "clearFilesButton",
                             "chooseOutputButton", "clearOutputButton"})
        QVERIFY2(child<QPushButton>(form, name)->isEnabled(), name);
    form.addFiles({dir->filePath(QStringLiteral("c.png"))});
    QCOMPARE(form.files().size(), 3);
}

void tst_MainForm::inPlaceCollisions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("runs");
    QTest::addColumn<QString>("outcomes"); // of the last run, in list order: + success, - failure
    QTest::addColumn<QStringList>("failureMentions"); // each failure line of the last run holds them
    QTest::addColumn<QString>("kept"); // padded in place to 8×8 in the end
    const QStringList transparent{QStringLiteral("--fill"), QStringLiteral("transparent")};
    // A listed original is never replaced by another picture's output, whatever the order.
    QTest::newRow("jpg_before_png") << transparent << QStringList{QStringLiteral("a.jpg"), QStringLiteral("a.png")}
                                    << 1 << QStringLiteral("-+")
                                    << QStringList{QStringLiteral("原图"), QStringLiteral("a.jpg"), QStringLiteral("a.png")}
                                    << QStringLiteral("a.png");
    QTest::newRow("png_before_jpg") << transparent << QStringList{QStringLiteral("a.png"), QStringLiteral("a.jpg")}
                                    << 1 << QStringLiteral("+-")
                                    << QStringList{QStringLiteral("原图"), QStringLiteral("a.jpg"), QStringLiteral("a.png")}
                                    << QStringLiteral("a.png");
    // Two new outputs of one name: the first in list order wins.
    QTest::newRow("two_outputs_of_one_name")
            << QStringList{QStringLiteral("--png")} << QStringList{QStringLiteral("b.bmp"), QStringLiteral("b.jpg")} << 1
            << QStringLiteral("+-") << QStringList{QStringLiteral("较早的"), QStringLiteral("b.bmp"), QStringLiteral("b.jpg")}
            << QStringLiteral("b.png");
    QTest::newRow("same_jpegs_twice") << transparent << QStringList{QStringLiteral("x.jpg"), QStringLiteral("y.jpg")}
                                      << 2 << QStringLiteral("--")
                                      << QStringList{QStringLiteral("旁边已有同名的"), QStringLiteral("选择输出目录")}
                                      << QStringLiteral("x.png");
}

void tst_MainForm::inPlaceCollisions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, names);
    QFETCH(int, runs);
    QFETCH(QString, outcomes);
    QFETCH(QStringList, failureMentions);
    QFETCH(QString, kept);
    QStringList paths;
    for (const QString &name : std::as_const(names)) {
        paths << dir->filePath(name);
        QVERIFY(writePicture(paths.last(), 7, 5));
    }
    MainForm form(arguments);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.addFiles(paths);
    for (int run = 1; run <= runs; ++run) {
        child<QPlainTextEdit>(form, "log")->clear();
        form.startProcessing();
        QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), run, RunTimeout);
    }
    const QStringList lines = logTexts(child<QPlainTextEdit>(form, "log"));
    // Lines come as pictures finish: each picture's line is looked up by its name.
    const QStringList results = lines.mid(1, names.size());
    for (int i = 0; i < names.size(); ++i) {
        const auto found = std::find_if(results.cbegin(), results.cend(), [&](const QString &line) {
            return line.section(QStringLiteral("] "), 1).startsWith(names.at(i) + QLatin1Char(' '));
        });
        QVERIFY2(found != results.cend(), qPrintable(names.at(i)));
        const QString &line = *found;
        const bool success = outcomes.at(i) == QLatin1Char('+');
        QVERIFY2(line.startsWith((success ? QStringLiteral("[成功] ") : QStringLiteral("[失败] ")) + names.at(i)),
                 qPrintable(line));
        for (const QString &mention : std::as_const(failureMentions))
            QVERIFY2(success || line.contains(mention), qPrintable(line));
    }
    QCOMPARE(QImage(dir->filePath(kept)).size(), QSize(8, 8));
}

void tst_MainForm::skippedFilesAreCounted()
{
    const QString pics = dir->filePath(QStringLiteral("pics"));
    QVERIFY(writePicture(pics + QStringLiteral("/ok.png"), 3, 3));
    // Fits already: left as it is, and skipped rather than done.
    QVERIFY(writePicture(pics + QStringLiteral("/fits.png"), 4, 4));
    // A name that is not UTF-8: Qt cannot name it, so it is made and removed by its bytes.
    const QByteArray raw = QFile::encodeName(pics) + "/bad\xff.png";
    const auto removeRaw = qScopeGuard([raw] { ::unlink(raw.constData()); });
    FILE *file = std::fopen(raw.constData(), "w");
    QVERIFY(file);
    std::fclose(file);

    MainForm form({QStringLiteral("--start"), pics});
    form.show();
    QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), 1, RunTimeout);
    const QStringList lines = logTexts(child<QPlainTextEdit>(form, "log"));
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(0), QStringLiteral("无法处理的文件名（不是有效的 UTF-8）：") + native(pics) + QStringLiteral("/bad\\xff.png"));
    const QStringList results = lines.mid(2, 2);
    QCOMPARE(results.filter(QRegularExpression(QStringLiteral("^\\[成功\\] ok\\.png  3×3 -> 4×4  "))).size(), 1);
    QVERIFY(results.contains(QStringLiteral("[跳过] fits.png  4×4 -> 4×4  已符合规则，未改动")));
    QCOMPARE(lines.at(4), QStringLiteral("处理完成；没有失败，但有 2 个文件被跳过（见上方日志），未生成处理报告。"));
    QCOMPARE(child<QLabel>(form, "status")->text(), QStringLiteral("完成：成功 1，失败 0，跳过 2"));
    QCOMPARE(answerer->boxes.first().text,
             QStringLiteral("处理完成\n成功：1\n失败：0\n跳过：2\n\n没有失败，但有文件被跳过，原因见日志；未生成处理报告。"));
    const QList<QTreeWidgetItem *> fits = child<QTreeWidget>(form, "fileList")->findItems(QStringLiteral("fits.png"), Qt::MatchExactly, 0);
    QCOMPARE(fits.size(), 1);
    QCOMPARE(fits.first()->text(2), QStringLiteral("已符合规则，未改动"));
}

void tst_MainForm::qtTextsInChinese()
{
    QVERIFY(installQtTranslations(QStringLiteral("zh_CN")));
    const auto english = qScopeGuard([] { installQtTranslations(QStringLiteral("en_US")); });
    QMessageBox box(QMessageBox::NoIcon, WindowTitle, QStringLiteral("处理完成"), QMessageBox::Ok);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    QFileDialog dialog(nullptr, QStringLiteral("选择图片文件夹"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto *lookIn = dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"));
    QVERIFY(lookIn);
    QCOMPARE(lookIn->text(), QCoreApplication::translate("QFileDialog", "Look in:"));
    QVERIFY2(!lookIn->text().contains(QLatin1String("Look in")), qPrintable(lookIn->text()));
}

void tst_MainForm::languageSwitch_data()
{
    QTest::addColumn<QStringList>("language"); // the switch; empty: none
    QTest::addColumn<QStringList>("texts");    // title, start button, rule item, log lines, status, box
    const QString rule = QStringLiteral("规则=4 的倍数；已保存并回读校验；");
    QTest::newRow("without_switch")
            << QStringList()
            << QStringList{QStringLiteral("图片尺寸补齐工具（4 的倍数）"), QStringLiteral("开始处理"), QStringLiteral("4 的倍数"),
                           QStringLiteral("开始处理 2 个图片；输出目录："),
                           QStringLiteral("[成功] a.png  3×3 -> 4×4  ") + rule,
                           QStringLiteral("[失败] empty.png   ->   文件为空，不是有效的图片"),
                           QStringLiteral("处理完成；发现错误，错误报告："), QStringLiteral("完成：成功 1，失败 1"),
                           QStringLiteral("处理完成\n成功：1\n失败：1\n\n错误报告：")};
    QTest::newRow("english")
            << QStringList{QStringLiteral("--language"), QStringLiteral("en_US")}
            << QStringList{QStringLiteral("Image Padding Tool (Multiple of 4)"), QStringLiteral("Start processing"),
                           QStringLiteral("Multiple of 4"), QStringLiteral("Processing 2 images; output folder: "),
                           QStringLiteral("[OK] a.png  3×3 -> 4×4  rule=Multiple of 4; saved and verified by read-back; "),
                           QStringLiteral("[Failed] empty.png   ->   The file is empty, not a valid image"),
                           QStringLiteral("Done; errors found, error report: "),
                           QStringLiteral("Done: 1 succeeded, 1 failed"),
                           QStringLiteral("Done\nSucceeded: 1\nFailed: 1\n\nError report: ")};
    QTest::newRow("japanese")
            << QStringList{QStringLiteral("--language"), QStringLiteral("ja_JP")}
            << QStringList{QStringLiteral("画像サイズ余白補完ツール（4 の倍数）"), QStringLiteral("処理を開始"),
                           QStringLiteral("4 の倍数"), QStringLiteral("画像 2 枚の処理を開始します。出力フォルダー："),
                           QStringLiteral("[成功] a.png  3×3 -> 4×4  規則=4 の倍数；保存して読み戻しで検証済み；"),
                           QStringLiteral("[失敗] empty.png   ->   ファイルが空で、有効な画像ではありません"),
                           QStringLiteral("処理が完了しました。エラーがありました。エラーレポート："),
                           QStringLiteral("完了：成功 1、失敗 1"),
                           QStringLiteral("処理完了\n成功：1\n失敗：1\n\nエラーレポート：")};
}

// The window, its log, its status line and its closing box in the language of
// the command line; Simplified Chinese, as ever, without the switch.
void tst_MainForm::languageSwitch()
{
    QFETCH(QStringList, language);
    QFETCH(QStringList, texts);
    const auto chinese = qScopeGuard([] { HelperText::setLanguage(QString()); });
    const QString pics = dir->filePath(QStringLiteral("pics"));
    const QString out = dir->filePath(QStringLiteral("out"));
    QVERIFY(writePicture(pics + QStringLiteral("/a.png"), 3, 3));
    QFile empty(pics + QStringLiteral("/empty.png"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();

    MainForm form(language + QStringList{QStringLiteral("--output-dir"), out, QStringLiteral("--start"), pics});
    form.show();
    QTRY_COMPARE_WITH_TIMEOUT(answerer->boxes.size(), 1, RunTimeout);
    QCOMPARE(form.windowTitle(), texts.at(0));
    QCOMPARE(child<QPushButton>(form, "startButton")->text(), texts.at(1));
    QCOMPARE(child<QComboBox>(form, "sizeRuleBox")->currentText(), texts.at(2));
    QCOMPARE(child<QComboBox>(form, "sizeRuleBox")->currentData().toString(), QStringLiteral("multiple4"));
    const QStringList lines = logTexts(child<QPlainTextEdit>(form, "log"));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), texts.at(3) + out);
    // Each picture's line comes as it finishes, whichever is first.
    QStringList results = lines.mid(1, 2);
    QStringList expected{texts.at(4) + native(out + QStringLiteral("/a.png")), texts.at(5)};
    results.sort();
    expected.sort();
    QCOMPARE(results, expected);
    QVERIFY2(lines.at(3).startsWith(texts.at(6)), qPrintable(lines.at(3)));
    QCOMPARE(child<QLabel>(form, "status")->text(), texts.at(7));
    QVERIFY2(answerer->boxes.first().text.startsWith(texts.at(8)), qPrintable(answerer->boxes.first().text));
}

QTEST_MAIN(tst_MainForm)
#include "tst_mainform.moc"
