#include "AnchorPicker.h"
#include "InPlaceGuard.h"
#include "IntegratedToolPage.h"
#include "Localization.h"
#include "SettingsSandbox.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;
using IntegratedTools::ImageResize;

// The image-resize page following the helper it starts, with a stand-in
// (tests/standin_worker.cpp) in the helper's place that connects to the
// page's channel and plays a script; the size preview before Start; the
// options a page remembers.
class tst_HelperFollow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void runWithOneFailureEndsWithSummaryAndReport();
    void secondStartDuringRunDoesNothing();
    void helperEndingEarlyIsReported_data();
    void helperEndingEarlyIsReported();
    void closedPageLeavesTheHelperRunning();

    void previewShowsTheSizeToCome_data();
    void previewShowsTheSizeToCome();
    void previewTurnsWithTheExifOrientation();
    void optionsAreRemembered();
    void missingOutputFolderIsDroppedWithALogLine();

private:
    QStringList makePictures(const QList<QSize> &sizes);
    void writeScript(const QString &text);
    int runs() const;
    static QTreeWidget *list(IntegratedToolPage &page);
    static QString status(IntegratedToolPage &page, int row) { return list(page)->topLevelItem(row)->text(3); }

    SettingsSandbox m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    QDir m_control;
};

namespace {

QString t(const char16_t *source)
{
    return translateToolText(QString::fromUtf16(source));
}

QString logText(IntegratedToolPage &page)
{
    return page.findChild<QTextEdit *>(u"integratedToolLog"_s)->toPlainText();
}

} // namespace

void tst_HelperFollow::initTestCase()
{
    QVERIFY2(m_settings.isValid(), qPrintable(m_settings.errorString()));
}

void tst_HelperFollow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir root(m_dir->path());
    QVERIFY(root.mkpath(u"control"_s) && root.mkpath(u"pictures"_s));
    m_control.setPath(root.filePath(u"control"_s));
    qputenv("STANDIN_DIR", QFile::encodeName(m_control.path()));
    QSettings().remove(u"standaloneTools"_s);
    // These runs replace in place; the question before them has its own test.
    InPlaceGuard::setAsksBeforeReplacing(false);
}

QStringList tst_HelperFollow::makePictures(const QList<QSize> &sizes)
{
    QStringList paths;
    for (qsizetype index = 0; index < sizes.size(); ++index) {
        const QString path = QDir(m_dir->filePath(u"pictures"_s)).filePath(u"p%1.png"_s.arg(index));
        QImage picture(sizes.at(index), QImage::Format_ARGB32);
        picture.fill(Qt::red);
        if (!picture.save(path))
            return {};
        paths.append(path);
    }
    return paths;
}

void tst_HelperFollow::writeScript(const QString &text)
{
    QFile script(m_control.filePath(u"script"_s));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(text.toUtf8());
}

int tst_HelperFollow::runs() const
{
    QFile record(m_control.filePath(u"record.jsonl"_s));
    return record.open(QIODevice::ReadOnly) ? int(record.readAll().count('\n')) : 0;
}

QTreeWidget *tst_HelperFollow::list(IntegratedToolPage &page)
{
    return page.findChild<QTreeWidget *>(u"integratedToolDropList"_s);
}

void tst_HelperFollow::runWithOneFailureEndsWithSummaryAndReport()
{
    const QStringList files = makePictures({{7, 5}, {3, 3}, {8, 8}, {5, 5}});
    QVERIFY(!files.isEmpty());
    const QString report = m_dir->filePath(u"pictures/report.txt"_s);
    QFile(report).open(QIODevice::WriteOnly);
    writeScript(u"out PROGRESS\\t0\\t4\\tp0.png\\n\n"
                "wait go\n"
                "out ITEM\\tok\\t{file0}\\t{\"size\":\"8×8\",\"oldSize\":\"7×5\",\"output\":\"{file0}\",\"message\":\"\"}\\n\n"
                "out PROGRESS\\t1\\t4\\tp1.png\\n\n"
                "out ITEM\\tfailed\\t{file1}\\t{\"reason\":\"truncated data\"}\\n\n"
                "out ITEM\\tskipped\\t{file2}\\t{\"reason\":\"…\",\"unchanged\":true,\"message\":\"already fits\"}\\n\n"
                "out ITEM\\tskipped\\t{file3}\\t{\"reason\":\"not a regular file\"}\\n\n"
                "out PROGRESS\\t4\\t4\\tp3.png\\n\n"
                "out DONE\\t{\"exported\":1,\"failed\":1,\"skipped\":2,\"report\":\""_s
                + report + u"\",\"outputDir\":\"\"}\\n\n"_s);

    IntegratedToolPage page(ImageResize);
    page.setHelperProgram(QStringLiteral(STANDIN_PATH));
    page.addPaths(files, false);
    auto *start = page.findChild<QPushButton *>(u"toolStart"_s);
    start->click();
    QVERIFY(!start->isEnabled());
    QTRY_VERIFY(page.findChild<QProgressBar *>()->maximum() == 4);
    QCOMPARE(status(page, 0), t(u"等待处理"));

    // The helper pads the first picture in place: the size column follows the file.
    QImage bigger(8, 8, QImage::Format_ARGB32);
    bigger.fill(Qt::blue);
    QVERIFY(bigger.save(files.at(0)));
    QFile(m_control.filePath(u"go"_s)).open(QIODevice::WriteOnly);
    QTRY_VERIFY(start->isEnabled());

    QTreeWidget *rows = list(page);
    QCOMPARE(status(page, 0), t(u"已完成") + u" 8×8"_s);
    QCOMPARE(rows->topLevelItem(0)->text(2),
             interfaceLocale().formattedDataSize(QFileInfo(files.at(0)).size(), 2, QLocale::DataSizeIecFormat));
    QCOMPARE(rows->topLevelItem(0)->text(IntegratedToolPage::PreviewColumn), u"8×8  "_s + t(u"已符合"));
    QCOMPARE(status(page, 1), t(u"失败"));
    QCOMPARE(rows->topLevelItem(1)->toolTip(3), u"truncated data"_s);
    QCOMPARE(status(page, 2), t(u"已符合规则，未改动"));
    QCOMPARE(rows->topLevelItem(2)->toolTip(3), u"already fits"_s);
    QCOMPARE(status(page, 3), t(u"已跳过"));
    QCOMPARE(rows->topLevelItem(3)->toolTip(3), u"not a regular file"_s);
    QVERIFY(logText(page).contains(t(u"[%1] 处理完成：成功 %2，失败 %3，跳过 %4。").arg(u""_s, u"1"_s, u"1"_s, u"2"_s).mid(2)));

    auto *folder = page.findChild<QPushButton *>(u"imageOpenOutput"_s);
    auto *reportButton = page.findChild<QPushButton *>(u"imageOpenReport"_s);
    QVERIFY(!folder->isHidden());
    QCOMPARE(folder->property("openPath").toString(), QFileInfo(files.at(0)).absolutePath());
    QCOMPARE(folder->text(), t(u"打开原文件夹"));
    QVERIFY(!reportButton->isHidden());
    QCOMPARE(reportButton->property("openPath").toString(), report);
    QCOMPARE(runs(), 1);
}

void tst_HelperFollow::secondStartDuringRunDoesNothing()
{
    const QStringList files = makePictures({{4, 4}});
    writeScript(u"wait go\nout DONE\\t{\"exported\":0,\"failed\":0,\"skipped\":1,\"report\":\"\",\"outputDir\":\"\"}\\n\n"_s);
    IntegratedToolPage page(ImageResize);
    page.setHelperProgram(QStringLiteral(STANDIN_PATH));
    page.addPaths(files, false);
    page.startTool();
    QVERIFY(page.isHelperRunning());
    QTRY_COMPARE(runs(), 1);
    page.startTool();
    QTest::qWait(300);
    QCOMPARE(runs(), 1);
    QFile(m_control.filePath(u"go"_s)).open(QIODevice::WriteOnly);
    QTRY_VERIFY(!page.isHelperRunning());
    // Nothing failed: no report to open.
    QVERIFY(page.findChild<QPushButton *>(u"imageOpenReport"_s)->isHidden());
}

void tst_HelperFollow::helperEndingEarlyIsReported_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("killed") << u"kill"_s;
    QTest::newRow("exit_without_done") << u"exit 0"_s;
}

void tst_HelperFollow::helperEndingEarlyIsReported()
{
    QFETCH(QString, end);
    const QStringList files = makePictures({{5, 5}, {6, 6}, {7, 7}});
    writeScript(u"out ITEM\\tok\\t{file0}\\t{\"size\":\"8×8\",\"oldSize\":\"5×5\",\"output\":\"{file0}\"}\\n\n"_s + end
                + u"\n"_s);
    IntegratedToolPage page(ImageResize);
    page.setHelperProgram(QStringLiteral(STANDIN_PATH));
    page.addPaths(files, false);
    page.startTool();
    QTRY_VERIFY(!page.isHelperRunning());

    QCOMPARE(status(page, 0), t(u"已完成") + u" 8×8"_s);
    QCOMPARE(status(page, 1), t(u"未开始"));
    QCOMPARE(status(page, 2), t(u"未开始"));
    QVERIFY(logText(page).contains(t(u"助手在处理完成前已结束").left(8)));
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(),
                        [](const QLabel *label) { return label->text() == t(u"处理未完成"); }));
    QVERIFY(page.findChild<QPushButton *>(u"toolStart"_s)->isEnabled());
}

void tst_HelperFollow::closedPageLeavesTheHelperRunning()
{
    const QStringList files = makePictures({{5, 5}, {6, 6}});
    writeScript(u"wait go\nout PROGRESS\\t1\\t2\\tp0.png\\n\nout LOG\\tstill here\\n\ntouch finished\n"_s);
    auto page = std::make_unique<IntegratedToolPage>(ImageResize);
    page->setHelperProgram(QStringLiteral(STANDIN_PATH));
    page->addPaths(files, false);
    page->startTool();
    QTRY_COMPARE(runs(), 1);
    page.reset();
    // Writing to a channel nobody listens to any more must not end the helper.
    QFile(m_control.filePath(u"go"_s)).open(QIODevice::WriteOnly);
    QTRY_VERIFY(m_control.exists(u"finished"_s));
}

void tst_HelperFollow::previewShowsTheSizeToCome_data()
{
    QTest::addColumn<int>("rule");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("changing");
    QTest::newRow("multiple_of_4") << 0 << QSize(7, 5) << u"7×5 → 8×8"_s << 1;
    QTest::newRow("even") << 1 << QSize(7, 5) << u"7×5 → 8×6"_s << 1;
    QTest::newRow("power_of_2") << 2 << QSize(9, 3) << u"9×3 → 16×4"_s << 1;
    QTest::newRow("already_fits") << 0 << QSize(8, 12) << u"8×12  "_s + t(u"已符合") << 0;
}

void tst_HelperFollow::previewShowsTheSizeToCome()
{
    QFETCH(int, rule);
    QFETCH(QSize, size);
    QFETCH(QString, expected);
    QFETCH(int, changing);
    const QStringList files = makePictures({size});
    const QString broken = m_dir->filePath(u"pictures/broken.png"_s);
    QFile brokenFile(broken);
    QVERIFY(brokenFile.open(QIODevice::WriteOnly));
    brokenFile.write("not a picture");
    brokenFile.close();

    IntegratedToolPage page(ImageResize);
    page.addPaths({files.first(), broken}, false);
    QTRY_VERIFY(!page.isReadingSizes());
    // The rule changes after the sizes are known: the column follows.
    page.findChild<QComboBox *>(u"imageSizeRule"_s)->setCurrentIndex(rule);
    QTreeWidget *rows = list(page);
    QCOMPARE(rows->topLevelItem(0)->text(IntegratedToolPage::PreviewColumn), expected);
    QCOMPARE(rows->topLevelItem(1)->text(IntegratedToolPage::PreviewColumn), t(u"无法读取"));
    QVERIFY2(page.summaryText().contains(t(u"将调整尺寸：%1 个").arg(changing)), qPrintable(page.summaryText()));
    QVERIFY(page.summaryText().contains(t(u"无法读取：%1 个").arg(1)));
}

void tst_HelperFollow::previewTurnsWithTheExifOrientation()
{
    // A 10×6 JPEG whose EXIF orientation (6) turns it a quarter: shown 6×10.
    QImage picture(10, 6, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "jpeg"));
    const QByteArray exif = QByteArray::fromHex("ffe10022457869660000"          // APP1, 34 bytes, "Exif\0\0"
                                                "4d4d002a00000008"              // big-endian TIFF, IFD at 8
                                                "0001011200030000000100060000"  // one entry: orientation 6
                                                "00000000");
    jpeg.insert(2, exif);
    const QString path = m_dir->filePath(u"pictures/turned.jpg"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(jpeg) == jpeg.size());
    file.close();
    QCOMPARE(QImageReader(path).transformation(), QImageIOHandler::TransformationRotate90);

    IntegratedToolPage page(ImageResize);
    page.addPaths({path}, false);
    QTRY_VERIFY(!page.isReadingSizes());
    QCOMPARE(list(page)->topLevelItem(0)->text(IntegratedToolPage::PreviewColumn), u"6×10 → 8×12"_s);
}

void tst_HelperFollow::optionsAreRemembered()
{
    const QString output = m_dir->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(output));
    {
        IntegratedToolPage page(ImageResize);
        page.findChild<QComboBox *>(u"imageSizeRule"_s)->setCurrentIndex(2);
        page.findChild<QComboBox *>(u"imageFillRule"_s)->setCurrentIndex(1);
        page.findChild<AnchorPicker *>(u"imageAnchor"_s)->setPosition(0);
        page.findChild<QCheckBox *>(u"imageOutputPng"_s)->setChecked(true);
        page.findChild<QCheckBox *>(u"imageRecursive"_s)->setChecked(false);
        page.findChild<QLineEdit *>(u"imageOutputDirectory"_s)->setText(output);
        IntegratedToolPage layers(IntegratedTools::LayerExport);
        layers.findChild<QCheckBox *>(u"layerTrimTransparency"_s)->setChecked(false);
        layers.findChild<QComboBox *>(u"layerSizingMode"_s)->setCurrentIndex(3);
        layers.findChild<QCheckBox *>(u"layerApplyClipping"_s)->setChecked(false);
    }
    IntegratedToolPage page(ImageResize);
    QCOMPARE(IntegratedToolPage::imageResizeArguments(&page, {}),
             (QStringList{u"--rule"_s, u"power2"_s, u"--fill"_s, u"white"_s, u"--no-centered"_s, u"--png"_s,
                          u"--output-dir"_s, output, u"--language"_s, u"zh_CN"_s}));
    IntegratedToolPage layers(IntegratedTools::LayerExport);
    QVERIFY(!layers.findChild<QCheckBox *>(u"layerTrimTransparency"_s)->isChecked());
    QVERIFY(!layers.findChild<QComboBox *>(u"layerSizingMode"_s)->isEnabled());
    QCOMPARE(layers.findChild<QComboBox *>(u"layerSizingMode"_s)->currentData().toString(), u"power2"_s);
    QVERIFY(!layers.findChild<QCheckBox *>(u"layerApplyClipping"_s)->isChecked());
    // Each tool keeps its own.
    IntegratedToolPage slim(IntegratedTools::PsdSlim);
    QVERIFY(!slim.findChild<QCheckBox *>(u"psdDeepClean"_s)->isChecked());
}

void tst_HelperFollow::missingOutputFolderIsDroppedWithALogLine()
{
    const QString gone = m_dir->filePath(u"gone"_s);
    QSettings().setValue(u"standaloneTools/image-resize/options/outputDir"_s, gone);
    IntegratedToolPage page(ImageResize);
    QVERIFY(page.findChild<QLineEdit *>(u"imageOutputDirectory"_s)->text().isEmpty());
    QVERIFY(logText(page).contains(gone));
    QVERIFY(!QSettings().contains(u"standaloneTools/image-resize/options/outputDir"_s));
}

QTEST_MAIN(tst_HelperFollow)
#include "tst_helperfollow.moc"
