#include "AnchorPicker.h"
#include "IntegratedToolPage.h"
#include "ImageResizeOptions.h"
#include "SettingsSandbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>

#include <functional>
#include <memory>

#include "ExecutablePlatform.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using IntegratedTools::Tool;

// The tool page: its controls per tool, the selected-file list with its
// counting, removal, summary, drag and drop, the empty-list hint and dialogs.
class tst_IntegratedToolPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void namedControls_data();
    void namedControls();
    void imageResizeDefaults();
    void layerExportDefaults();
    void everyPageShowsRunTimes_data();
    void everyPageShowsRunTimes();
    void englishTexts_data();
    void englishTexts();
    void headerButtons_data();
    void headerButtons();
    void hooks();
    void styleSheetIsThemedFromItsBase();
    void trimTransparencyEnablesSizing();
    void outputDirectoryBrowseAndRestore_data();
    void outputDirectoryBrowseAndRestore();
    void clearLogButton();

    void addPaths_data();
    void addPaths();
    void rowsCarryPathAndColumns();
    void runtimeLogMessage();
    void deleteKeyRemovesQuietly();
    void removeButtonLogs();
    void clearAlwaysLogs();
    void summary_data();
    void summary();
    void summaryRereadsSizes();
    void dropLocalAndRemoteUrls();
    void dropWithoutLocalFilesIsIgnored();
    void dragWithoutUrlsIsRefused();
    void dragLeaveEndsHighlight();
    void dropActiveDrawsDashedBorder();
    void hintPaintedOnlyWhenEmpty_data();
    void hintPaintedOnlyWhenEmpty();
    void chooseFilesDialog();

    // Folders, names and the helper's command line.
    void subfolderBox_data();
    void subfolderBox();
    void folderListedInNaturalOrder();
    void foldersShapeTheOutputTree_data();
    void foldersShapeTheOutputTree();
    void skippedEntriesAreLogged_data();
    void skippedEntriesAreLogged();
    void rowStatusMatchesLetterCase();
    void helperCommand_data();
    void helperCommand();
    void hundredThousandFilesFitThroughAListFile();
    void relativeOutputFolderFromHome();
    void chooseFilesCancelled();
    void chooseFoldersDialogTakesSeveral();

private:
    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// Files whose names differ only in letter case: two on Linux, one on Windows.
#ifdef Q_OS_WIN
constexpr int CaseInsensitiveCount = 1;
#else
constexpr int CaseInsensitiveCount = 2;
#endif

struct Captured
{
    QtMsgType type;
    QString message;
    QString function;
    QString category;
    QString file;
};

QList<Captured> capturedMessages;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    capturedMessages.append({type, message, QString::fromUtf8(context.function), QString::fromUtf8(context.category),
                             QString::fromUtf8(context.file)});
}

// Collects the messages written while it lives.
class MessageCapture
{
public:
    MessageCapture()
        : m_previous(qInstallMessageHandler(captureMessage))
    {
        capturedMessages.clear();
    }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }

private:
    QtMessageHandler m_previous;
};

bool writeFile(const QString &path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(QByteArray(size, 'x')) == size;
}

QTreeWidget *fileList(const QWidget &page)
{
    return page.findChild<QTreeWidget *>(QStringLiteral("integratedToolDropList"));
}

QStringList logLines(const QWidget &page)
{
    const QString text = page.findChild<QTextEdit *>(QStringLiteral("integratedToolLog"))->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

QLabel *labelWithText(const QWidget &page, const QString &text)
{
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}

// The unnamed labels of the status row: the summary sits first, the state on the right.
QLabel *summaryLabel(const QWidget &page)
{
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->text().contains(u"  |  "))
            return label;
    }
    return nullptr;
}

QLabel *statusLabel(const QWidget &page)
{
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (label->alignment() == (Qt::AlignRight | Qt::AlignVCenter))
            return label;
    }
    return nullptr;
}

QPushButton *buttonWithText(const QWidget &page, const QString &text)
{
    const QList<QPushButton *> buttons = page.findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// Answers the next modal file dialog from inside its own event loop; a
// dialog the answer leaves open is rejected so that a failing test ends.
void answerFileDialog(QObject *context, std::function<void(QFileDialog *)> answer)
{
    auto *poll = new QTimer(context);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        QPointer<QFileDialog> dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        answer(dialog);
        if (dialog && dialog->isVisible())
            dialog->reject();
    });
    poll->start();
}

// The viewport has a two-colour hint only while the list is empty; these
// count its fill and its dashed blue border.
int countColour(const QImage &image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff))
                ++count;
        }
    }
    return count;
}

int countBluishOnRow(const QImage &image, int y)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x) {
        const QRgb pixel = image.pixel(x, y);
        if (qBlue(pixel) - qRed(pixel) > 40)
            ++count;
    }
    return count;
}

QString keepImage(const QImage &image, const QString &name)
{
    const QString path = QDir::temp().filePath(u"tst_integratedtoolpage-" + name + u".png");
    image.save(path);
    return path;
}

// Fails with the picture written to the temporary folder, so it can be looked at.
#define VERIFY_IMAGE(condition, image, name) \
    do { \
        if (!(condition)) \
            QFAIL(qPrintable(QStringLiteral(#condition " failed; picture kept in ") + keepImage(image, name))); \
    } while (false)

} // namespace

void tst_IntegratedToolPage::init()
{
    m_settings = std::make_unique<SettingsSandbox>();
    QVERIFY2(m_settings->isValid(), qPrintable(m_settings->errorString()));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
}

void tst_IntegratedToolPage::cleanup()
{
    qApp->setProperty("pictavoDarkTheme", QVariant());
    m_dir.reset();
    m_settings.reset();
}

void tst_IntegratedToolPage::namedControls_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("pageName");
    QTest::addColumn<QStringList>("present"); // "name:Class"
    QTest::addColumn<QStringList>("absent");

    const QStringList common = {
            QStringLiteral("standaloneToolPageHeader:QWidget"),
            QStringLiteral("toolTitle:QLabel"),
            QStringLiteral("standaloneToolSettingsButton:QToolButton"),
            QStringLiteral("standaloneToolHelpButton:QToolButton"),
            QStringLiteral("integratedToolChooseButton:QPushButton"),
            QStringLiteral("integratedToolChooseFoldersButton:QPushButton"),
            QStringLiteral("integratedToolBackButton:QPushButton"),
            QStringLiteral("integratedToolDropList:ToolDropTree"),
            QStringLiteral("integratedToolLog:QTextEdit"),
            QStringLiteral("toolStart:QPushButton"),
            QStringLiteral("toolSection:QLabel"),
            QStringLiteral("toolCredit:QLabel"),
    };
    const QStringList image = {
            QStringLiteral("imageSizeRule:QComboBox"),      QStringLiteral("imageFillRule:QComboBox"),
            QStringLiteral("imageAnchor:AnchorPicker"),     QStringLiteral("imageOutputPng:QCheckBox"),
            QStringLiteral("imageRecursive:QCheckBox"),     QStringLiteral("imageOutputDirectory:QLineEdit"),
    };
    const QStringList slim = {QStringLiteral("psdDeepClean:QCheckBox")};
    const QStringList layer = {
            QStringLiteral("layerOutputDirectory:QLineEdit"), QStringLiteral("layerTrimTransparency:QCheckBox"),
            QStringLiteral("layerSizingMode:QComboBox"),      QStringLiteral("layerSelectedCount:QLabel"),
            QStringLiteral("layerSelectedLabel:QLabel"),      QStringLiteral("layerRemoveSelected:QPushButton"),
            QStringLiteral("layerClearLog:QPushButton"),    QStringLiteral("layerApplyClipping:QCheckBox"),
            QStringLiteral("layerFill:QComboBox"),          QStringLiteral("layerAnchor:AnchorPicker"),
    };
    QTest::newRow("image-resize") << 0 << QStringLiteral("image-resizeUnifiedPage") << common + image << slim + layer;
    QTest::newRow("psd-slim") << 1 << QStringLiteral("psd-slimUnifiedPage") << common + slim << image + layer;
    QTest::newRow("layer-export") << 2 << QStringLiteral("layer-exportUnifiedPage") << common + layer << image + slim;
}

void tst_IntegratedToolPage::namedControls()
{
    QFETCH(int, tool);
    QFETCH(QString, pageName);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);

    IntegratedToolPage page(Tool(tool), nullptr, true);
    QCOMPARE(page.objectName(), pageName);
    QCOMPARE(page.tool(), Tool(tool));
    for (const QString &entry : present) {
        const QString name = entry.section(u':', 0, 0);
        const QByteArray className = entry.section(u':', 1).toLatin1();
        const QWidget *widget = page.findChild<QWidget *>(name);
        QVERIFY2(widget, qPrintable(u"missing " + name));
        QVERIFY2(widget->inherits(className.constData()), qPrintable(name));
    }
    for (const QString &entry : absent) {
        const QString name = entry.section(u':', 0, 0);
        QVERIFY2(!page.findChild<QWidget *>(name), qPrintable(u"unexpected " + name));
    }
    QCOMPARE(page.findChildren<QLabel *>(QStringLiteral("toolSection")).size(), 2);

    // Every push button shows the pointing hand.
    const QList<QPushButton *> buttons = page.findChildren<QPushButton *>();
    for (const QPushButton *button : buttons)
        QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);

    const auto *start = page.findChild<QPushButton *>(QStringLiteral("toolStart"));
    QCOMPARE(start->size(), QSize(256, 44));
    QCOMPARE(start->text(), tool == 2 ? QStringLiteral("开始导出") : QStringLiteral("开始处理"));
    const auto *log = page.findChild<QTextEdit *>(QStringLiteral("integratedToolLog"));
    QVERIFY(log->isReadOnly());
    QCOMPARE(log->maximumHeight(), 78);
    QVERIFY(log->toPlainText().isEmpty());
    const auto *progress = page.findChild<QProgressBar *>();
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 100);
    QCOMPARE(progress->value(), 0);
    QVERIFY(!progress->isTextVisible());
    QCOMPARE(statusLabel(page)->text(), QStringLiteral("就绪"));
    const auto *credit = page.findChild<QLabel *>(QStringLiteral("toolCredit"));
    QVERIFY(credit->text().startsWith(u"制作者："));
    QCOMPARE(credit->alignment(), Qt::AlignCenter);
    QCOMPARE(credit->minimumHeight(), 18);

    const auto *list = fileList(page);
    QVERIFY(list->acceptDrops());
    QVERIFY(list->viewport()->acceptDrops());
    QCOMPARE(list->dragDropMode(), QAbstractItemView::DropOnly);
    QCOMPARE(list->defaultDropAction(), Qt::CopyAction);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(list->alternatingRowColors());
    // The image-resize list adds the size each picture will get.
    QCOMPARE(list->columnCount(), tool == 0 ? 5 : 4);
    QCOMPARE(list->header()->sectionResizeMode(0), QHeaderView::ResizeToContents);
    QCOMPARE(list->header()->sectionResizeMode(1), QHeaderView::Stretch);
    QCOMPARE(list->header()->sectionResizeMode(2), QHeaderView::ResizeToContents);
    QCOMPARE(list->header()->sectionResizeMode(3), QHeaderView::ResizeToContents);
    QTreeWidgetItem *header = list->headerItem();
    QCOMPARE(header->text(0), QStringLiteral("文件名"));
    QCOMPARE(header->text(1), QStringLiteral("所在位置"));
    QCOMPARE(header->text(2), QStringLiteral("大小"));
    QCOMPARE(header->text(3), QStringLiteral("状态"));
}

void tst_IntegratedToolPage::imageResizeDefaults()
{
    IntegratedToolPage page(IntegratedTools::ImageResize);
    const auto *sizeRule = page.findChild<QComboBox *>(QStringLiteral("imageSizeRule"));
    // The three rules there always were, then after a separator the open multiple and the squares.
    QCOMPARE(sizeRule->count(), 7);
    QCOMPARE(sizeRule->currentIndex(), 0);
    QCOMPARE(sizeRule->itemText(0), QStringLiteral("4 的倍数"));
    QCOMPARE(sizeRule->itemText(1), QStringLiteral("偶数（2 的倍数）"));
    QCOMPARE(sizeRule->itemText(2), QStringLiteral("2ⁿ（2 的幂）"));
    QCOMPARE(sizeRule->itemText(4), QStringLiteral("其他倍数…"));
    QCOMPARE(sizeRule->itemText(5), QStringLiteral("正方形（2 的幂）"));
    QCOMPARE(sizeRule->itemText(6), QStringLiteral("正方形"));
    // The keys travel as item data: what the helper and the stored options get.
    QCOMPARE(sizeRule->itemData(0).toString(), QStringLiteral("multiple4"));
    QCOMPARE(sizeRule->itemData(2).toString(), QStringLiteral("power2"));

    const auto *fillRule = page.findChild<QComboBox *>(QStringLiteral("imageFillRule"));
    QCOMPARE(fillRule->count(), 7);
    QCOMPARE(fillRule->currentIndex(), 0);
    QCOMPARE(fillRule->itemText(0), QStringLiteral("透明"));
    QCOMPARE(fillRule->itemText(1), QStringLiteral("白色"));
    QCOMPARE(fillRule->itemText(2), QStringLiteral("黑色"));
    QCOMPARE(fillRule->itemText(4), QStringLiteral("自定义颜色…"));
    QCOMPARE(fillRule->itemText(5), QStringLiteral("延伸边缘像素"));
    QCOMPARE(fillRule->itemText(6), QStringLiteral("镜像边缘"));
    QCOMPARE(fillRule->itemData(2).toString(), QStringLiteral("black"));

    QCOMPARE(page.findChild<AnchorPicker *>(QStringLiteral("imageAnchor"))->position(), AnchorPicker::Centre);
    QVERIFY(!page.findChild<QCheckBox *>(QStringLiteral("imageOutputPng"))->isChecked());
    QVERIFY(page.findChild<QCheckBox *>(QStringLiteral("imageRecursive"))->isChecked());
    QVERIFY(labelWithText(page, QStringLiteral("内容位置：")));
    QCOMPARE(page.findChild<QCheckBox *>(QStringLiteral("imageOutputPng"))->text(), QStringLiteral("统一输出无损 PNG"));
    QCOMPARE(page.findChild<QCheckBox *>(QStringLiteral("imageRecursive"))->text(), QStringLiteral("文件夹含子目录"));
    const auto *output = page.findChild<QLineEdit *>(QStringLiteral("imageOutputDirectory"));
    QVERIFY(output->text().isEmpty());
    QCOMPARE(output->placeholderText(), QStringLiteral("留空时直接替换原文件"));

    QCOMPARE(page.findChild<QPushButton *>(QStringLiteral("integratedToolChooseButton"))->text(),
             QStringLiteral("选择多个图片"));
    QVERIFY(labelWithText(page, QStringLiteral("尺寸规则：")));
    QVERIFY(labelWithText(page, QStringLiteral("补边颜色：")));
    QVERIFY(labelWithText(page, QStringLiteral("输出目录（留空＝原位置替换）：")));
    QVERIFY(buttonWithText(page, QStringLiteral("浏览")));
    QVERIFY(buttonWithText(page, QStringLiteral("恢复原位置替换")));
}

void tst_IntegratedToolPage::layerExportDefaults()
{
    SettingsSandbox::setLanguage(QStringLiteral("zh_CN"));
    IntegratedToolPage page(IntegratedTools::LayerExport);
    const auto *mode = page.findChild<QComboBox *>(QStringLiteral("layerSizingMode"));
    QCOMPARE(mode->count(), 8);
    QCOMPARE(mode->currentIndex(), 1);
    QCOMPARE(mode->currentData().toString(), QStringLiteral("multiple4"));
    const QStringList data = {QStringLiteral("none"), QStringLiteral("multiple4"), QStringLiteral("even"),
                              QStringLiteral("power2")};
    const QStringList texts = {QStringLiteral("无规则（只裁切，不扩图）"), QStringLiteral("4 的倍数"),
                               QStringLiteral("偶数（2 的倍数）"), QStringLiteral("2ⁿ")};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(mode->itemData(i).toString(), data.at(i));
        QCOMPARE(mode->itemText(i), texts.at(i));
    }
    const auto *trim = page.findChild<QCheckBox *>(QStringLiteral("layerTrimTransparency"));
    QVERIFY(trim->isChecked());
    QCOMPARE(trim->text(), QStringLiteral("裁切透明像素"));
    QCOMPARE(trim->toolTip(), QStringLiteral("取消后，每个 PNG 保持原 PSD/PSB 的完整画布尺寸和图层坐标"));
    const auto *output = page.findChild<QLineEdit *>(QStringLiteral("layerOutputDirectory"));
    QVERIFY(output->text().isEmpty());
    QCOMPARE(output->placeholderText(), QStringLiteral("自动：在 PSD/PSB 旁创建同名文件夹"));
    QCOMPARE(page.findChild<QLabel *>(QStringLiteral("layerSelectedCount"))->text(), QStringLiteral("已选 0 个 PSD / PSB"));
    QCOMPARE(page.findChild<QLabel *>(QStringLiteral("layerSelectedLabel"))->text(),
             QStringLiteral("已选文件列表：支持 PSD / PSB，也可直接拖入文件或文件夹"));
    QCOMPARE(page.findChild<QPushButton *>(QStringLiteral("layerRemoveSelected"))->text(), QStringLiteral("移除选中项"));
    QCOMPARE(page.findChild<QPushButton *>(QStringLiteral("layerClearLog"))->text(), QStringLiteral("清理处理日志"));
    QCOMPARE(page.findChild<QPushButton *>(QStringLiteral("integratedToolChooseButton"))->text(),
             QStringLiteral("选择文件"));
    QVERIFY(labelWithText(page, QStringLiteral("输出位置：")));
    QVERIFY(buttonWithText(page, QStringLiteral("浏览...")));
    QVERIFY(buttonWithText(page, QStringLiteral("恢复默认")));
}

void tst_IntegratedToolPage::everyPageShowsRunTimes_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<bool>("shown");
    QTest::newRow("image-resize") << 0 << true;
    QTest::newRow("psd-slim") << 1 << true;
    QTest::newRow("layer-export") << 2 << true;
}

void tst_IntegratedToolPage::everyPageShowsRunTimes()
{
    QFETCH(int, tool);
    QFETCH(bool, shown);
    IntegratedToolPage page{Tool(tool)};
    QCOMPARE(labelWithText(page, QStringLiteral("已用时间：00:00:00")) != nullptr, shown);
    QCOMPARE(labelWithText(page, QStringLiteral("剩余时间：--:--:--")) != nullptr, shown);
    QCOMPARE(labelWithText(page, QStringLiteral("内置离线安全处理，不启动 Adobe Photoshop；保存前后自动校验画布与图层结构。"))
                     != nullptr,
             tool == 1);
}

void tst_IntegratedToolPage::englishTexts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("choose");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("header0");

    QTest::newRow("en_US_image-resize") << QStringLiteral("en_US") << 0 << QStringLiteral("Image Resize Tool")
                                        << QStringLiteral("Choose images") << QStringLiteral("Start processing")
                                        << QStringLiteral("File name");
    QTest::newRow("en_US_layer-export") << QStringLiteral("en_US") << 2 << QStringLiteral("PSD Layer Batch Export Tool")
                                        << QStringLiteral("Choose files") << QStringLiteral("Start export")
                                        << QStringLiteral("File name");
    QTest::newRow("ja_JP_image-resize") << QStringLiteral("ja_JP") << 0 << QStringLiteral("画像サイズ調整ツール")
                                        << QStringLiteral("画像を選択") << QStringLiteral("処理を開始")
                                        << QStringLiteral("ファイル名");
    QTest::newRow("ko_KR_psd-slim") << QStringLiteral("ko_KR") << 1 << QStringLiteral("PSD&PSB 안전 최적화 도구")
                                    << QStringLiteral("파일 선택") << QStringLiteral("처리 시작")
                                    << QStringLiteral("파일 이름");
}

void tst_IntegratedToolPage::englishTexts()
{
    QFETCH(QString, language);
    QFETCH(int, tool);
    QFETCH(QString, title);
    QFETCH(QString, choose);
    QFETCH(QString, start);
    QFETCH(QString, header0);

    SettingsSandbox::setLanguage(language);
    IntegratedToolPage page{Tool(tool)};
    QCOMPARE(page.findChild<QLabel *>(QStringLiteral("toolTitle"))->text(), title);
    QCOMPARE(page.findChild<QPushButton *>(QStringLiteral("integratedToolChooseButton"))->text(), choose);
    QCOMPARE(page.findChild<QPushButton *>(QStringLiteral("toolStart"))->text(), start);
    QCOMPARE(fileList(page)->headerItem()->text(0), header0);
    QVERIFY(!page.findChild<QLabel *>(QStringLiteral("toolCredit"))->text().startsWith(u"制作者："));
    if (language == u"en_US") {
        QVERIFY(page.findChild<QLabel *>(QStringLiteral("toolCredit"))->text().startsWith(u"Created by: "));
        QCOMPARE(statusLabel(page)->text(), QStringLiteral("Ready"));
        QVERIFY(buttonWithText(page, QStringLiteral("Clear list")));
        QVERIFY(buttonWithText(page, QStringLiteral("Back to file manager")));
    }
}

void tst_IntegratedToolPage::headerButtons_data()
{
    QTest::addColumn<bool>("headerButtons");
    QTest::newRow("with_buttons") << true;
    QTest::newRow("title_only") << false;
}

void tst_IntegratedToolPage::headerButtons()
{
    QFETCH(bool, headerButtons);
    IntegratedToolPage page(IntegratedTools::PsdSlim, nullptr, headerButtons);
    const auto *header = page.findChild<QWidget *>(QStringLiteral("standaloneToolPageHeader"));
    QVERIFY(header->findChild<QLabel *>(QStringLiteral("toolTitle")));
    const auto *settings = header->findChild<QToolButton *>(QStringLiteral("standaloneToolSettingsButton"));
    const auto *help = header->findChild<QToolButton *>(QStringLiteral("standaloneToolHelpButton"));
    QCOMPARE(settings != nullptr, headerButtons);
    QCOMPARE(help != nullptr, headerButtons);
    if (!headerButtons)
        return;
    for (const QToolButton *button : {settings, help}) {
        QVERIFY(button->autoRaise());
        QCOMPARE(button->size(), QSize(28, 32));
        QCOMPARE(button->iconSize(), QSize(17, 17));
        QVERIFY(!button->icon().pixmap(QSize(17, 17)).isNull());
    }
    QCOMPARE(settings->toolTip(), QStringLiteral("设置"));
    QCOMPARE(help->toolTip(), QStringLiteral("帮助"));
}

void tst_IntegratedToolPage::hooks()
{
    IntegratedToolPage page(IntegratedTools::ImageResize);
    auto *back = page.findChild<QPushButton *>(QStringLiteral("integratedToolBackButton"));
    auto *settings = page.findChild<QToolButton *>(QStringLiteral("standaloneToolSettingsButton"));
    auto *help = page.findChild<QToolButton *>(QStringLiteral("standaloneToolHelpButton"));

    // Empty hooks: nothing happens.
    back->click();
    settings->click();
    help->click();

    int closed = 0, settled = 0, helped = 0;
    page.setCloseHook([&closed] { ++closed; });
    page.setSettingsHook([&settled] { ++settled; });
    page.setHelpHook([&helped] { ++helped; });
    back->click();
    settings->click();
    settings->click();
    help->click();
    QCOMPARE(closed, 1);
    QCOMPARE(settled, 2);
    QCOMPARE(helped, 1);

    int replaced = 0;
    page.setCloseHook([&replaced] { ++replaced; });
    back->click();
    QCOMPARE(closed, 1);
    QCOMPARE(replaced, 1);
    page.setCloseHook({});
    back->click();
    QCOMPARE(replaced, 1);
}

void tst_IntegratedToolPage::styleSheetIsThemedFromItsBase()
{
    {
        IntegratedToolPage page(IntegratedTools::ImageResize);
        const QString base = page.property("pictavoBaseStyle").toString();
        QVERIFY(base.startsWith(u"QWidget { background: #f6f8fb; color: #243044; }"));
        QVERIFY(base.contains(u"QTreeWidget#integratedToolDropList[dropActive=true] { border: 2px dashed #2563eb;"));
        QVERIFY(base.contains(u"image: url(:/branding/assets/vellum-icons/checkbox-check.svg);"));
        QVERIFY(!base.contains(u"}\n") && !base.contains(u"} Q"));
        QCOMPARE(page.styleSheet(), base);
    }
    qApp->setProperty("pictavoDarkTheme", true);
    IntegratedToolPage dark(IntegratedTools::ImageResize);
    const QString base = dark.property("pictavoBaseStyle").toString();
    QVERIFY(base.contains(u"#ffffff"));
    QVERIFY(!dark.styleSheet().contains(u"#ffffff"));
    QVERIFY(dark.styleSheet().startsWith(u"QWidget { background: #202731; color: #d7e0ea; }"));
}

void tst_IntegratedToolPage::trimTransparencyEnablesSizing()
{
    IntegratedToolPage page(IntegratedTools::LayerExport);
    auto *trim = page.findChild<QCheckBox *>(QStringLiteral("layerTrimTransparency"));
    auto *mode = page.findChild<QComboBox *>(QStringLiteral("layerSizingMode"));
    QLabel *caption = labelWithText(page, QStringLiteral("补边尺寸："));
    QVERIFY(caption);
    QVERIFY(mode->isEnabled() && caption->isEnabled());
    trim->click();
    QVERIFY(!trim->isChecked());
    QVERIFY(!mode->isEnabled());
    QVERIFY(!caption->isEnabled());
    trim->click();
    QVERIFY(mode->isEnabled());
    QVERIFY(caption->isEnabled());
}

void tst_IntegratedToolPage::outputDirectoryBrowseAndRestore_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("browse");
    QTest::addColumn<QString>("restore");
    QTest::addColumn<QString>("caption");

    QTest::newRow("image-resize") << 0 << QStringLiteral("imageOutputDirectory") << QStringLiteral("浏览")
                                  << QStringLiteral("恢复原位置替换") << QStringLiteral("选择输出目录");
    QTest::newRow("layer-export") << 2 << QStringLiteral("layerOutputDirectory") << QStringLiteral("浏览...")
                                  << QStringLiteral("恢复默认") << QStringLiteral("选择输出文件夹");
}

void tst_IntegratedToolPage::outputDirectoryBrowseAndRestore()
{
    QFETCH(int, tool);
    QFETCH(QString, field);
    QFETCH(QString, browse);
    QFETCH(QString, restore);
    QFETCH(QString, caption);

    IntegratedToolPage page{Tool(tool)};
    auto *edit = page.findChild<QLineEdit *>(field);
    const QString target = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(target));

    QString seenCaption;
    answerFileDialog(this, [&](QFileDialog *dialog) {
        seenCaption = dialog->windowTitle();
        dialog->setDirectory(target);
        static_cast<QDialog *>(dialog)->accept();
    });
    buttonWithText(page, browse)->click();
    QCOMPARE(seenCaption, caption);
    QCOMPARE(edit->text(), QDir::toNativeSeparators(target));

    // A cancelled dialog keeps the previous text.
    answerFileDialog(this, [](QFileDialog *dialog) { dialog->reject(); });
    buttonWithText(page, browse)->click();
    QCOMPARE(edit->text(), QDir::toNativeSeparators(target));

    buttonWithText(page, restore)->click();
    QVERIFY(edit->text().isEmpty());
}

void tst_IntegratedToolPage::clearLogButton()
{
    IntegratedToolPage page(IntegratedTools::LayerExport);
    page.addPaths({m_dir->filePath(QStringLiteral("nothing-here.txt")), m_dir->path()}, true);
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("a.psd")), 10));
    page.addPaths({m_dir->filePath(QStringLiteral("a.psd"))}, false);
    QCOMPARE(logLines(page).size(), 1);
    page.findChild<QPushButton *>(QStringLiteral("layerClearLog"))->click();
    QVERIFY(logLines(page).isEmpty());
    QCOMPARE(fileList(page)->topLevelItemCount(), 1);
}

void tst_IntegratedToolPage::addPaths_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QStringList>("files"); // created under the test folder
    QTest::addColumn<QStringList>("inputs"); // relative to the test folder; "." is the folder itself
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<int>("added");
    QTest::addColumn<int>("rejected");

    const QString nested = QStringLiteral("d/a.png");
    QTest::newRow("same_file_twice") << 0 << QStringList{QStringLiteral("a.png")}
                                     << QStringList{QStringLiteral("a.png"), QStringLiteral("a.png")} << true << 1 << 0;
    QTest::newRow("other_letter_case_same_folder")
            << 0 << QStringList{QStringLiteral("A.JPG"), QStringLiteral("a.jpg")}
            << QStringList{QStringLiteral("A.JPG"), QStringLiteral("a.jpg")} << true << CaseInsensitiveCount << 0;
    QTest::newRow("suffix_in_capitals_accepted") << 0 << QStringList{QStringLiteral("photo.JPG")}
                                                 << QStringList{QStringLiteral("photo.JPG")} << false << 1 << 0;
    QTest::newRow("text_file_rejected") << 0 << QStringList{QStringLiteral("notes.txt")}
                                        << QStringList{QStringLiteral("notes.txt")} << false << 0 << 1;
    QTest::newRow("name_without_dot_rejected") << 0 << QStringList{QStringLiteral("README")}
                                               << QStringList{QStringLiteral("README")} << false << 0 << 1;
    QTest::newRow("missing_path_ignored") << 0 << QStringList() << QStringList{QStringLiteral("gone.png")} << true << 0
                                          << 0;
    QTest::newRow("nothing_given") << 0 << QStringList() << QStringList() << true << 0 << 0;
    QTest::newRow("several_dots_last_suffix") << 0
                                              << QStringList{QStringLiteral("a.b.c.png"), QStringLiteral("x.png.txt")}
                                              << QStringList{QStringLiteral(".")} << false << 1 << 1;
    const QStringList tree = {QStringLiteral("d/a.png"), QStringLiteral("d/sub/b.gif"),
                              QStringLiteral("d/sub/deeper/c.TIFF")};
    QTest::newRow("folder_recursive") << 0 << tree << QStringList{QStringLiteral("d")} << true << 3 << 0;
    QTest::newRow("folder_first_level_only") << 0 << tree << QStringList{QStringLiteral("d")} << false << 1 << 0;
    QTest::newRow("folder_three_images_two_texts")
            << 0
            << QStringList{QStringLiteral("d/a.jpg"), QStringLiteral("d/b.png"), QStringLiteral("d/sub/c.bmp"),
                           QStringLiteral("d/readme.txt"), QStringLiteral("d/sub/notes.txt")}
            << QStringList{QStringLiteral("d")} << true << 3 << 2;
    QTest::newRow("file_then_its_folder") << 0 << QStringList{nested}
                                          << QStringList{nested, QStringLiteral("d")} << true << 1 << 0;
    QTest::newRow("rejected_file_counted_each_time") << 0 << QStringList{QStringLiteral("notes.txt")}
                                                     << QStringList{QStringLiteral("notes.txt"),
                                                                    QStringLiteral("notes.txt")}
                                                     << false << 0 << 2;
    QTest::newRow("psd_tool_takes_psd_and_psb")
            << 1 << QStringList{QStringLiteral("a.psd"), QStringLiteral("b.PSB"), QStringLiteral("c.png")}
            << QStringList{QStringLiteral(".")} << false << 2 << 1;
    QTest::newRow("layer_tool_rejects_pictures") << 2 << QStringList{QStringLiteral("c.jpg")}
                                                 << QStringList{QStringLiteral("c.jpg")} << false << 0 << 1;
}

void tst_IntegratedToolPage::addPaths()
{
    QFETCH(int, tool);
    QFETCH(QStringList, files);
    QFETCH(QStringList, inputs);
    QFETCH(bool, recursive);
    QFETCH(int, added);
    QFETCH(int, rejected);

    for (const QString &file : files)
        QVERIFY(writeFile(m_dir->filePath(file), 16));
    QStringList paths;
    for (const QString &input : inputs)
        paths.append(input == u"." ? m_dir->path() : m_dir->filePath(input));

    IntegratedToolPage page{Tool(tool)};
    page.addPaths(paths, recursive);

    QCOMPARE(page.selectedPaths().size(), added);
    QCOMPARE(fileList(page)->topLevelItemCount(), added);
    QCOMPARE(page.property("selectedToolPaths").toStringList(), page.selectedPaths());
    const QStringList lines = logLines(page);
    if (added == 0 && rejected == 0) {
        QVERIFY2(lines.isEmpty(), qPrintable(lines.join(u'\n')));
    } else {
        QCOMPARE(lines.size(), 1);
        const QRegularExpression expected(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] 已加入 %1 个文件，忽略 %2 个不适用文件。$")
                                                  .arg(added)
                                                  .arg(rejected));
        QVERIFY2(expected.match(lines.constFirst()).hasMatch(), qPrintable(lines.constFirst()));
    }

    // Adding everything again changes nothing: every accepted file is a duplicate.
    page.addPaths(paths, recursive);
    QCOMPARE(page.selectedPaths().size(), added);
    QCOMPARE(fileList(page)->topLevelItemCount(), added);
    QCOMPARE(logLines(page).size(), (added == 0 && rejected == 0) ? 0 : (rejected == 0 ? 1 : 2));
}

void tst_IntegratedToolPage::rowsCarryPathAndColumns()
{
    SettingsSandbox::setLanguage(QStringLiteral("en_US"));
    const QString first = m_dir->filePath(QStringLiteral("b/first.png"));
    const QString second = m_dir->filePath(QStringLiteral("a/second.gif"));
    QVERIFY(writeFile(first, 1536));
    QVERIFY(writeFile(second, 10));

    IntegratedToolPage page(IntegratedTools::ImageResize);
    page.addPaths({first, second, m_dir->filePath(QStringLiteral("b/../b/first.png"))}, false);
    QCOMPARE(page.selectedPaths(), (QStringList{first, second}));

    QTreeWidget *list = fileList(page);
    QCOMPARE(list->topLevelItemCount(), 2);
    const QTreeWidgetItem *row = list->topLevelItem(0);
    QCOMPARE(row->text(0), QStringLiteral("first.png"));
    QCOMPARE(row->data(0, Qt::UserRole).toString(), first);
    QCOMPARE(row->text(1), QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("b"))));
    QCOMPARE(row->text(2), QStringLiteral("1.50 KiB"));
    QCOMPARE(row->text(3), QStringLiteral("Pending"));
    QCOMPARE(list->topLevelItem(1)->data(0, Qt::UserRole).toString(), second);
    QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("10 bytes"));
}

void tst_IntegratedToolPage::runtimeLogMessage()
{
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("a.png")), 1));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("b.jpg")), 1));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("sub/c.bmp")), 1));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("sub/d.txt")), 1));

    IntegratedToolPage page(IntegratedTools::ImageResize);
    MessageCapture capture;
    page.addPaths({m_dir->path()}, true);
    page.addPaths({}, false);

    QCOMPARE(capturedMessages.size(), 2);
    const Captured &message = capturedMessages.at(0);
    QCOMPARE(message.type, QtInfoMsg);
    QCOMPARE(message.message, QStringLiteral("integrated tool path list image-resize added= 3 rejected= 1 total= 3"));
    QCOMPARE(message.function, QStringLiteral("void PathIntake::report(const Tally&)"));
    QCOMPARE(message.category, QStringLiteral("default"));
    QVERIFY2(QFileInfo(message.file).completeBaseName() == u"PathIntake", qPrintable(message.file));
    // An empty call writes no page line but still reaches the runtime log.
    QCOMPARE(capturedMessages.at(1).message,
             QStringLiteral("integrated tool path list image-resize added= 0 rejected= 0 total= 3"));
    QCOMPARE(logLines(page).size(), 1);
}

void tst_IntegratedToolPage::deleteKeyRemovesQuietly()
{
    SettingsSandbox::setLanguage(QStringLiteral("zh_CN"));
    QStringList paths;
    for (const char *name : {"a.png", "b.png", "c.png"}) {
        paths.append(m_dir->filePath(QString::fromLatin1(name)));
        QVERIFY(writeFile(paths.constLast(), 100));
    }
    IntegratedToolPage page(IntegratedTools::ImageResize);
    page.addPaths(paths, false);
    const QStringList logBefore = logLines(page);
    QTreeWidget *list = fileList(page);
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(2)->setSelected(true);

    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(page.selectedPaths(), QStringList{paths.at(1)});
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->data(0, Qt::UserRole).toString(), paths.at(1));
    QCOMPARE(logLines(page), logBefore);
    QVERIFY(summaryLabel(page)->text().startsWith(u"1 个文件  |  "));

    // Removed files can be added again.
    page.addPaths({paths.at(0)}, false);
    QCOMPARE(page.selectedPaths(), (QStringList{paths.at(1), paths.at(0)}));

    // Other keys still reach the list.
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentItem(), list->topLevelItem(1));
}

void tst_IntegratedToolPage::removeButtonLogs()
{
    SettingsSandbox::setLanguage(QStringLiteral("zh_CN"));
    QStringList paths;
    for (const char *name : {"a.psd", "b.psd", "c.psb"}) {
        paths.append(m_dir->filePath(QString::fromLatin1(name)));
        QVERIFY(writeFile(paths.constLast(), 100));
    }
    IntegratedToolPage page(IntegratedTools::LayerExport);
    page.addPaths(paths, false);
    auto *remove = page.findChild<QPushButton *>(QStringLiteral("layerRemoveSelected"));

    // Nothing selected: nothing removed, nothing logged.
    remove->click();
    QCOMPARE(logLines(page).size(), 1);
    QCOMPARE(page.selectedPaths().size(), 3);

    fileList(page)->topLevelItem(1)->setSelected(true);
    fileList(page)->topLevelItem(2)->setSelected(true);
    remove->click();
    QCOMPARE(page.selectedPaths(), QStringList{paths.at(0)});
    QCOMPARE(page.property("selectedToolPaths").toStringList(), QStringList{paths.at(0)});
    const QStringList lines = logLines(page);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] 已移除 2 个选中文件。$")).match(lines.at(1)).hasMatch(),
             qPrintable(lines.at(1)));
    QCOMPARE(page.findChild<QLabel *>(QStringLiteral("layerSelectedCount"))->text(), QStringLiteral("已选 1 个 PSD / PSB"));
}

void tst_IntegratedToolPage::clearAlwaysLogs()
{
    SettingsSandbox::setLanguage(QStringLiteral("zh_CN"));
    IntegratedToolPage page(IntegratedTools::ImageResize);
    auto *progress = page.findChild<QProgressBar *>();
    QLabel *status = statusLabel(page);
    progress->setValue(40);
    status->setText(QStringLiteral("x"));

    page.clearList();
    QCOMPARE(progress->value(), 0);
    QCOMPARE(status->text(), QStringLiteral("就绪"));
    QCOMPARE(logLines(page).size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] 已清空文件列表。$")).match(logLines(page).at(0)).hasMatch(),
             qPrintable(logLines(page).at(0)));

    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("a.png")), 5));
    page.addPaths({m_dir->path()}, true);
    QCOMPARE(page.selectedPaths().size(), 1);
    buttonWithText(page, QStringLiteral("清空列表"))->click();
    QVERIFY(page.selectedPaths().isEmpty());
    QCOMPARE(fileList(page)->topLevelItemCount(), 0);
    QVERIFY(page.property("selectedToolPaths").toStringList().isEmpty());
    QCOMPARE(logLines(page).size(), 3);
    QVERIFY(summaryLabel(page)->text().startsWith(u"0 个文件  |  "));

    // The same file is welcome again after a clear.
    page.addPaths({m_dir->path()}, true);
    QCOMPARE(page.selectedPaths().size(), 1);
}

void tst_IntegratedToolPage::summary_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("tool");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("count");

    const QString zeroDefault = QLocale().formattedDataSize(0, 2, QLocale::DataSizeIecFormat);
    QTest::newRow("empty_image_resize_zh_CN")
            << QStringLiteral("zh_CN") << 0 << QStringList()
            << u"0 个文件  |  " + zeroDefault + u"  |  支持：JPG / JPEG / PNG / BMP / GIF / TIF / TIFF" << QString();
    QTest::newRow("empty_image_resize_en_US")
            << QStringLiteral("en_US") << 0 << QStringList()
            << QStringLiteral("0 files  |  0 bytes  |  Supported: JPG / JPEG / PNG / BMP / GIF / TIF / TIFF")
            << QString();
    QTest::newRow("two_pictures_en_US") << QStringLiteral("en_US") << 0
                                        << QStringList{QStringLiteral("a.png"), QStringLiteral("b.jpg")}
                                        << QStringLiteral("2 files  |  1.50 KiB  |  Supported: JPG / JPEG / PNG / BMP / GIF / TIF / TIFF")
                                        << QString();
    QTest::newRow("empty_layer_export_zh_CN") << QStringLiteral("zh_CN") << 2 << QStringList()
                                              << u"0 个文件  |  " + zeroDefault + u"  |  支持：PSD / PSB"
                                              << QStringLiteral("已选 0 个 PSD / PSB");
    QTest::newRow("empty_layer_export_en_US") << QStringLiteral("en_US") << 2 << QStringList()
                                              << QStringLiteral("0 files  |  0 bytes  |  Supported: PSD / PSB")
                                              << QStringLiteral("0 PSD / PSB selected");
    QTest::newRow("two_psd_zh_TW") << QStringLiteral("zh_TW") << 2
                                   << QStringList{QStringLiteral("a.psd"), QStringLiteral("b.psb")}
                                   << QString() << QStringLiteral("已選 2 個 PSD / PSB");
    QTest::newRow("empty_psd_slim_ko_KR") << QStringLiteral("ko_KR") << 1 << QStringList()
                                          << QStringLiteral("파일 0개  |  0 바이트  |  지원: PSD / PSB") << QString();
}

void tst_IntegratedToolPage::summary()
{
    QFETCH(QString, language);
    QFETCH(int, tool);
    QFETCH(QStringList, files);
    QFETCH(QString, summary);
    QFETCH(QString, count);

    SettingsSandbox::setLanguage(language);
    QStringList paths;
    for (const QString &file : files) {
        paths.append(m_dir->filePath(file));
        QVERIFY(writeFile(paths.constLast(), 768));
    }
    IntegratedToolPage page{Tool(tool)};
    page.addPaths(paths, false);
    if (!summary.isEmpty())
        QCOMPARE(summaryLabel(page)->text(), summary);
    const auto *countLabel = page.findChild<QLabel *>(QStringLiteral("layerSelectedCount"));
    QCOMPARE(countLabel != nullptr, tool == 2);
    if (countLabel)
        QCOMPARE(countLabel->text(), count);
}

void tst_IntegratedToolPage::summaryRereadsSizes()
{
    SettingsSandbox::setLanguage(QStringLiteral("en_US"));
    const QString path = m_dir->filePath(QStringLiteral("grows.png"));
    QVERIFY(writeFile(path, 100));
    IntegratedToolPage page(IntegratedTools::ImageResize);
    page.addPaths({path}, false);
    QVERIFY(summaryLabel(page)->text().startsWith(u"1 file  |  100 bytes  |  "));

    QVERIFY(writeFile(path, 2048));
    page.refreshSummary();
    QVERIFY(summaryLabel(page)->text().startsWith(u"1 file  |  2.00 KiB  |  "));

    // A vanished file counts nothing but stays listed.
    QVERIFY(QFile::remove(path));
    page.refreshSummary();
    QVERIFY2(summaryLabel(page)->text().startsWith(u"1 file  |  0 bytes  |  "), qPrintable(summaryLabel(page)->text()));
}

void tst_IntegratedToolPage::dropLocalAndRemoteUrls()
{
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("single.png")), 4));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("folder/a.jpg")), 4));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("folder/deep/b.gif")), 4));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("folder/deep/readme.txt")), 4));

    IntegratedToolPage page(IntegratedTools::ImageResize);
    QTreeWidget *list = fileList(page);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(m_dir->filePath(QStringLiteral("single.png"))),
                  QUrl(QStringLiteral("https://example.com/remote.png")),
                  QUrl::fromLocalFile(m_dir->filePath(QStringLiteral("folder/deep/..")) + u'/'),
                  QUrl(QStringLiteral("ftp://example.com/other.jpg"))});

    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QCOMPARE(list->property("dropActive").toBool(), true);

    QDragMoveEvent move(QPoint(30, 30), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QVERIFY(move.isAccepted());
    QCOMPARE(move.dropAction(), Qt::CopyAction);

    QDropEvent drop(QPointF(30, 30), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCOMPARE(list->property("dropActive").toBool(), false);

    // Folders arrive cleaned and are searched with their subfolders.
    const QStringList expected = {m_dir->filePath(QStringLiteral("single.png")),
                                  m_dir->filePath(QStringLiteral("folder/a.jpg")),
                                  m_dir->filePath(QStringLiteral("folder/deep/b.gif"))};
    QStringList selected = page.selectedPaths();
    QCOMPARE(selected.takeFirst(), expected.at(0));
    selected.sort();
    QCOMPARE(selected, expected.mid(1));
    QCOMPARE(logLines(page).size(), 1);
    QVERIFY2(logLines(page).at(0).endsWith(u"已加入 3 个文件，忽略 1 个不适用文件。"), qPrintable(logLines(page).at(0)));
}

void tst_IntegratedToolPage::dropWithoutLocalFilesIsIgnored()
{
    IntegratedToolPage page(IntegratedTools::ImageResize);
    QTreeWidget *list = fileList(page);
    QMimeData mime;
    mime.setUrls({QUrl(QStringLiteral("https://example.com/remote.png"))});

    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(list->property("dropActive").toBool(), false);
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(logLines(page).isEmpty());
}

void tst_IntegratedToolPage::dragWithoutUrlsIsRefused()
{
    IntegratedToolPage page(IntegratedTools::ImageResize);
    QTreeWidget *list = fileList(page);
    QMimeData mime;
    mime.setText(QStringLiteral("/tmp/a.png"));
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    QVERIFY(!list->property("dropActive").toBool());
}

void tst_IntegratedToolPage::dragLeaveEndsHighlight()
{
    IntegratedToolPage page(IntegratedTools::PsdSlim);
    QTreeWidget *list = fileList(page);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(m_dir->path())});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(list->property("dropActive").toBool());
    QDragLeaveEvent leave;
    QApplication::sendEvent(list->viewport(), &leave);
    QCOMPARE(list->property("dropActive").toBool(), false);
    QCOMPARE(list->topLevelItemCount(), 0);
}

// The style sheet's property rule takes effect at once: the border turns to
// the dashed blue while a drag hovers and back when it leaves.
void tst_IntegratedToolPage::dropActiveDrawsDashedBorder()
{
    IntegratedToolPage page(IntegratedTools::ImageResize);
    page.resize(900, 640);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTreeWidget *list = fileList(page);
    const QRgb dashed = 0x2563eb;
    const QRgb plain = 0xcbd5e1;

    const QImage before = list->grab().toImage();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(m_dir->path())});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    const QImage during = list->grab().toImage();
    QDragLeaveEvent leave;
    QApplication::sendEvent(list->viewport(), &leave);
    const QImage after = list->grab().toImage();

    const auto leftEdge = [](const QImage &image, QRgb colour) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            count += (image.pixel(0, y) & 0xffffff) == colour ? 1 : 0;
        return count;
    };
    VERIFY_IMAGE(leftEdge(before, plain) > before.height() / 2, before, QStringLiteral("before"));
    VERIFY_IMAGE(leftEdge(before, dashed) == 0, before, QStringLiteral("before"));
    VERIFY_IMAGE(leftEdge(during, dashed) > during.height() / 4, during, QStringLiteral("during"));
    VERIFY_IMAGE(leftEdge(during, plain) == 0, during, QStringLiteral("during"));
    VERIFY_IMAGE(leftEdge(after, plain) > after.height() / 2, after, QStringLiteral("after"));
}

void tst_IntegratedToolPage::hintPaintedOnlyWhenEmpty_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<uint>("fill");
    QTest::newRow("light") << false << uint(0xf7f9fc);
    QTest::newRow("dark") << true << uint(0x202731);
}

void tst_IntegratedToolPage::hintPaintedOnlyWhenEmpty()
{
    QFETCH(bool, dark);
    QFETCH(uint, fill);

    qApp->setProperty("pictavoDarkTheme", dark);
    IntegratedToolPage page(IntegratedTools::ImageResize);
    page.resize(900, 640);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QWidget *viewport = fileList(page)->viewport();
    QVERIFY(viewport->height() > 100);

    // The box is inset 18 pixels: its fill covers most of the viewport, its
    // dashed border runs along the 18th row, and its text is dark on the fill.
    const auto check = [&](bool painted, const QString &name) {
        const QImage image = viewport->grab().toImage();
        const int inside = (image.width() - 40) * (image.height() - 40);
        const int filled = countColour(image, fill);
        const int border = countBluishOnRow(image, 18) + countBluishOnRow(image, 17);
        if (painted) {
            VERIFY_IMAGE(filled > inside / 2, image, name);
            VERIFY_IMAGE(border > image.width() / 4, image, name);
            QCOMPARE(image.pixel(10, image.height() / 2) & 0xffffff, dark ? 0x202731u : 0xffffffu);
            QCOMPARE(image.pixel(24, image.height() / 2) & 0xffffff, fill);
            VERIFY_IMAGE(countBluishOnRow(image, image.height() - 18) > image.width() / 4, image, name);
        } else {
            // The dark list's own background is the hint's fill colour, so only
            // the light look can tell them apart by the fill.
            if (!dark)
                VERIFY_IMAGE(filled == 0, image, name);
            VERIFY_IMAGE(countBluishOnRow(image, image.height() - 18) == 0, image, name);
        }
    };
    check(true, QStringLiteral("empty"));
    if (QTest::currentTestFailed())
        return;

    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("a.png")), 4));
    page.addPaths({m_dir->path()}, false);
    check(false, QStringLiteral("filled"));
    if (QTest::currentTestFailed())
        return;

    page.clearList();
    check(true, QStringLiteral("cleared"));
}

void tst_IntegratedToolPage::chooseFilesDialog()
{
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("a.png")), 4));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("b.tif")), 4));
    IntegratedToolPage page(IntegratedTools::ImageResize);

    QString caption;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    answerFileDialog(this, [&](QFileDialog *dialog) {
        caption = dialog->windowTitle();
        filters = dialog->nameFilters();
        mode = dialog->fileMode();
        dialog->setDirectory(m_dir->path());
        auto *list = dialog->findChild<QListView *>(QStringLiteral("listView"));
        QVERIFY(list);
        QAbstractItemModel *model = list->model();
        QVERIFY(QTest::qWaitFor([&] { return model->rowCount(list->rootIndex()) == 2; }, 5000));
        for (int row = 0; row < 2; ++row) {
            list->selectionModel()->select(model->index(row, 0, list->rootIndex()),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        static_cast<QDialog *>(dialog)->accept();
    });
    page.findChild<QPushButton *>(QStringLiteral("integratedToolChooseButton"))->click();

    QCOMPARE(caption, QStringLiteral("图片尺寸调整工具"));
    QCOMPARE(filters, QStringList{QStringLiteral("支持的图片 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff)")});
    QCOMPARE(mode, QFileDialog::ExistingFiles);
    QStringList selected = page.selectedPaths();
    selected.sort();
    QCOMPARE(selected, (QStringList{m_dir->filePath(QStringLiteral("a.png")), m_dir->filePath(QStringLiteral("b.tif"))}));
    QCOMPARE(logLines(page).size(), 1);
}

void tst_IntegratedToolPage::chooseFilesCancelled()
{
    IntegratedToolPage page(IntegratedTools::PsdSlim);
    QString filter;
    answerFileDialog(this, [&](QFileDialog *dialog) {
        filter = dialog->nameFilters().value(0);
        dialog->reject();
    });
    MessageCapture capture;
    page.chooseFiles();
    QCOMPARE(filter, QStringLiteral("Photoshop 文件 (*.psd *.psb)"));
    QVERIFY(page.selectedPaths().isEmpty());
    QVERIFY(logLines(page).isEmpty());
    // The empty result still reaches the runtime log.
    QStringList pathListMessages;
    for (const Captured &message : std::as_const(capturedMessages)) {
        if (message.type == QtInfoMsg && message.message.startsWith(u"integrated tool path list"))
            pathListMessages.append(message.message);
    }
    QCOMPARE(pathListMessages,
             QStringList{QStringLiteral("integrated tool path list psd-slim added= 0 rejected= 0 total= 0")});
}

void tst_IntegratedToolPage::chooseFoldersDialogTakesSeveral()
{
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("first/a.png")), 4));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("second/sub/b.png")), 4));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("third/c.png")), 4));
    IntegratedToolPage page(IntegratedTools::ImageResize);

    QString caption;
    bool native = true;
    bool dirsOnly = false;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    int views = 0;
    int extended = 0;
    answerFileDialog(this, [&](QFileDialog *dialog) {
        caption = dialog->windowTitle();
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        dirsOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
        mode = dialog->fileMode();
        const QList<QAbstractItemView *> all = dialog->findChildren<QAbstractItemView *>();
        for (const QAbstractItemView *view : all) {
            if (!qobject_cast<const QListView *>(view) && !qobject_cast<const QTreeView *>(view))
                continue;
            ++views;
            extended += view->selectionMode() == QAbstractItemView::ExtendedSelection ? 1 : 0;
        }

        dialog->setDirectory(m_dir->path());
        auto *list = dialog->findChild<QListView *>(QStringLiteral("listView"));
        QVERIFY(list);
        QAbstractItemModel *model = list->model();
        QVERIFY(QTest::qWaitFor([&] { return model->rowCount(list->rootIndex()) == 3; }, 5000));
        for (int row = 0; row < model->rowCount(list->rootIndex()); ++row) {
            const QModelIndex index = model->index(row, 0, list->rootIndex());
            if (index.data().toString() != u"third")
                list->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        static_cast<QDialog *>(dialog)->accept();
    });
    page.findChild<QPushButton *>(QStringLiteral("integratedToolChooseFoldersButton"))->click();

    QCOMPARE(caption, QStringLiteral("选择一个或多个文件夹"));
    QVERIFY(!native);
    QVERIFY(dirsOnly);
    QCOMPARE(mode, QFileDialog::Directory);
    QVERIFY(views >= 2);
    QCOMPARE(extended, views);
    // Both folders, the second with its subfolder.
    QStringList selected = page.selectedPaths();
    selected.sort();
    QCOMPARE(selected, (QStringList{m_dir->filePath(QStringLiteral("first/a.png")),
                                    m_dir->filePath(QStringLiteral("second/sub/b.png"))}));
}

void tst_IntegratedToolPage::subfolderBox_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<bool>("boxChecked");
    QTest::addColumn<int>("added");

    QTest::newRow("image_box_checked") << int(Tool::ImageResize) << true << 2;
    QTest::newRow("image_box_unchecked") << int(Tool::ImageResize) << false << 1;
    QTest::newRow("psd_page_always_searches") << int(Tool::PsdSlim) << false << 2;
}

void tst_IntegratedToolPage::subfolderBox()
{
    QFETCH(int, tool);
    QFETCH(bool, boxChecked);
    QFETCH(int, added);

    const QString suffix = tool == int(Tool::ImageResize) ? QStringLiteral("png") : QStringLiteral("psd");
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("d/a.") + suffix), 4));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("d/sub/b.") + suffix), 4));
    IntegratedToolPage page{Tool(tool)};
    if (auto *box = page.findChild<QCheckBox *>(QStringLiteral("imageRecursive")))
        box->setChecked(boxChecked);
    page.addPaths({m_dir->filePath(QStringLiteral("d"))}, true); // as a drop does
    QCOMPARE(page.selectedPaths().size(), added);
}

void tst_IntegratedToolPage::folderListedInNaturalOrder()
{
    // The helper lists a folder alike: its own files first, numbers by value.
    const QStringList names{QStringLiteral("B1.png"), QStringLiteral("b2.png"), QStringLiteral("b10.png"),
                            QStringLiteral("s2/a.png"), QStringLiteral("s10/a.png")};
    for (const QString &name : names)
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("d/") + name), 4));
    IntegratedToolPage page{Tool::ImageResize};
    page.findChild<QCheckBox *>(QStringLiteral("imageRecursive"))->setChecked(true);
    page.addPaths({m_dir->filePath(QStringLiteral("d"))}, true);
    QStringList listed;
    for (const QString &path : page.selectedPaths())
        listed << QDir(m_dir->filePath(QStringLiteral("d"))).relativeFilePath(path);
    QCOMPARE(listed, names);
}

void tst_IntegratedToolPage::foldersShapeTheOutputTree_data()
{
    QTest::addColumn<QString>("outputDir");
    QTest::addColumn<QStringList>("bases");
    QTest::newRow("output_folder") << QStringLiteral("/out") << QStringList{QStringLiteral("/pics/a"), QStringLiteral("/pics/b")};
    QTest::newRow("in_place_needs_none") << QString() << QStringList();
}

void tst_IntegratedToolPage::foldersShapeTheOutputTree()
{
    QFETCH(QString, outputDir);
    QFETCH(QStringList, bases);
    ImageResizeChoices choices;
    choices.outputDir = outputDir;
    choices.folders = {QStringLiteral("/pics/a"), QStringLiteral("/pics/b")};
    const QStringList arguments = ImageResizeOptions::arguments(choices, {QStringLiteral("/pics/a/x/p.png")});
    QStringList given;
    for (qsizetype at = arguments.indexOf(QStringLiteral("--base")); at >= 0;
         at = arguments.indexOf(QStringLiteral("--base"), at + 2))
        given << arguments.at(at + 1);
    QCOMPARE(given, bases);
}

void tst_IntegratedToolPage::skippedEntriesAreLogged_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("added");
    QTest::addColumn<QStringList>("lines"); // after the time stamp

    QTest::newRow("hidden_file") << QStringList{QStringLiteral("a.png"), QStringLiteral(".thumb.png")} << 1
                                 << QStringList{QStringLiteral("已加入 1 个文件，忽略 0 个不适用文件。"),
                                                QStringLiteral("已跳过 1 个隐藏文件或文件夹。")};
    QTest::newRow("hidden_folder") << QStringList{QStringLiteral("a.png"), QStringLiteral(".meta/b.png"),
                                                  QStringLiteral(".meta/c.png")}
                                   << 1
                                   << QStringList{QStringLiteral("已加入 1 个文件，忽略 0 个不适用文件。"),
                                                  QStringLiteral("已跳过 1 个隐藏文件或文件夹。")};
    QTest::newRow("helper_temporary_never_listed")
            << QStringList{QStringLiteral("a.png"), QStringLiteral("a.png.tesselle.tmp.png")} << 1
            << QStringList{QStringLiteral("已加入 1 个文件，忽略 0 个不适用文件。")};
#ifdef Q_OS_UNIX
    QTest::newRow("name_not_utf8") << QStringList{QStringLiteral("a.png"), QStringLiteral("<not utf-8>")} << 1
                                   << QStringList{QStringLiteral("已加入 1 个文件，忽略 1 个不适用文件。"),
                                                  QStringLiteral("1 个文件的名称不是有效的 UTF-8 编码，无法处理，已忽略。")};
#endif
}

void tst_IntegratedToolPage::skippedEntriesAreLogged()
{
    QFETCH(QStringList, files);
    QFETCH(int, added);
    QFETCH(QStringList, lines);

    const QString folder = m_dir->filePath(QStringLiteral("d"));
    for (const QString &file : files) {
#ifdef Q_OS_UNIX
        if (file == u"<not utf-8>") { // a name of raw bytes
            const QByteArray name = QFile::encodeName(folder) + "/bad\xff.png";
            const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0600);
            QVERIFY(fd >= 0);
            ::close(fd);
            continue;
        }
#endif
        QVERIFY(writeFile(QDir(folder).filePath(file), 4));
    }
    IntegratedToolPage page(Tool::ImageResize);
    page.addPaths({folder}, true);
    QCOMPARE(page.selectedPaths().size(), added);
    QStringList shown = logLines(page);
    for (QString &line : shown)
        line = line.mid(11); // "[HH:mm:ss] "
    QCOMPARE(shown, lines);
}

void tst_IntegratedToolPage::rowStatusMatchesLetterCase()
{
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("A.JPG")), 4));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("a.jpg")), 4));
    IntegratedToolPage page(Tool::ImageResize);
    page.addPaths({m_dir->filePath(QStringLiteral("A.JPG")), m_dir->filePath(QStringLiteral("a.jpg"))}, false);
    page.setRowStatus(m_dir->filePath(QStringLiteral("a.jpg")), QStringLiteral("done"));
    const QTreeWidget *list = fileList(page);
    QCOMPARE(list->topLevelItemCount(), CaseInsensitiveCount);
    QCOMPARE(list->topLevelItem(list->topLevelItemCount() - 1)->text(3), QStringLiteral("done"));
    if (CaseInsensitiveCount == 2)
        QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("等待处理"));
}

void tst_IntegratedToolPage::helperCommand_data()
{
    QTest::addColumn<qint64>("space");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<bool>("listFile");
    QTest::addColumn<QStringList>("leftOut");

    const QStringList two{QStringLiteral("/p/a.png"), QStringLiteral("/p/b c.png")};
    QTest::newRow("fits_on_the_command_line") << qint64(1 << 20) << two << false << QStringList();
    QTest::newRow("too_long_goes_in_a_file") << qint64(100) << two << true << QStringList();
    QTest::newRow("line_feed_left_out") << qint64(100) << QStringList{two.first(), QStringLiteral("/p/x\ny.png")}
                                        << true << QStringList{QStringLiteral("/p/x\ny.png")};
}

void tst_IntegratedToolPage::helperCommand()
{
    QFETCH(qint64, space);
    QFETCH(QStringList, paths);
    QFETCH(bool, listFile);
    QFETCH(QStringList, leftOut);

    IntegratedToolPage page(Tool::ImageResize);
    IntegratedToolPage::HelperCommand command;
    QString error;
    QVERIFY2(IntegratedToolPage::buildHelperCommand(&page, paths, space, &command, &error), qPrintable(error));
    QCOMPARE(command.leftOut, leftOut);
    const QStringList options = IntegratedToolPage::imageResizeArguments(&page, {});
    if (!listFile) {
        QVERIFY(command.listFile.isEmpty());
        QCOMPARE(command.arguments, IntegratedToolPage::imageResizeArguments(&page, paths));
        return;
    }
    const QStringList expectedArguments =
            options + QStringList{QStringLiteral("--files-from"), command.listFile, QStringLiteral("--start")};
    QCOMPARE(command.arguments, expectedArguments);
    const QFileInfo info(command.listFile);
    QVERIFY2(info.fileName().startsWith(u"files-"), qPrintable(command.listFile));
    QCOMPARE(info.absolutePath(), ExecutablePlatform::perUserTempFolder());
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QCOMPARE(info.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), ownerOnly);
    QFile file(command.listFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList expected = paths;
    for (const QString &path : leftOut)
        expected.removeAll(path);
    QCOMPARE(file.readAll(), expected.join(u'\n').toUtf8() + '\n');
    file.remove();
}

// The measured limit sends a list that the system would refuse as arguments
// through a file, and the program starts.
void tst_IntegratedToolPage::hundredThousandFilesFitThroughAListFile()
{
#ifndef Q_OS_UNIX
    QSKIP("the program started is a Unix one");
#else
    QStringList paths;
    for (int index = 0; index < 100000; ++index)
        paths << QStringLiteral("/home/someone/Pictures/holiday-2026/picture-%1.png").arg(index, 6, 10, QLatin1Char('0'));
    IntegratedToolPage page(Tool::ImageResize);
    IntegratedToolPage::HelperCommand command;
    QString error;
    QVERIFY2(IntegratedToolPage::buildHelperCommand(&page, paths, ExecutablePlatform::argumentSpace(), &command, &error),
             qPrintable(error));
    QVERIFY(!command.listFile.isEmpty());
    QProcess withFile;
    withFile.start(QStringLiteral("/bin/true"), command.arguments);
    QVERIFY2(withFile.waitForFinished(5000), qPrintable(withFile.errorString()));
    QCOMPARE(withFile.exitCode(), 0);
    QProcess withArguments;
    withArguments.start(QStringLiteral("/bin/true"), IntegratedToolPage::imageResizeArguments(&page, paths));
    QVERIFY(!withArguments.waitForStarted(5000)); // what the file saves us from
    QFile::remove(command.listFile);
#endif
}

void tst_IntegratedToolPage::relativeOutputFolderFromHome()
{
    IntegratedToolPage page(Tool::ImageResize);
    page.findChild<QLineEdit *>(QStringLiteral("imageOutputDirectory"))->setText(QStringLiteral(" padded/out "));
    const QStringList arguments = IntegratedToolPage::imageResizeArguments(&page, {});
    const qsizetype at = arguments.indexOf(QStringLiteral("--output-dir"));
    QVERIFY(at >= 0);
    QCOMPARE(arguments.at(at + 1), QDir::home().filePath(QStringLiteral("padded/out")));
    page.findChild<QLineEdit *>(QStringLiteral("imageOutputDirectory"))->setText(QStringLiteral("/abs/out"));
    QVERIFY(IntegratedToolPage::imageResizeArguments(&page, {}).contains(QStringLiteral("/abs/out")));
}

QTEST_MAIN(tst_IntegratedToolPage)
#include "tst_integratedtoolpage.moc"
