#include "ImageResizeRun.h"
#include "InPlaceGuard.h"
#include "IntegratedToolPage.h"
#include "IntegratedTools.h"
#include "Localization.h"
#include "SettingsSandbox.h"
#include "ToolLauncher.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>
#include <csignal>
#include <sys/types.h>

using namespace IntegratedTools;
using namespace Qt::StringLiterals;

namespace {

QString t(const char16_t *source)
{
    return translateToolText(QString::fromUtf16(source));
}

// The helper processes started from the embedded copy, by their executable.
QList<qint64> helpersRunning(const QString &executable)
{
    QList<qint64> found;
    const QString canonical = QFileInfo(executable).canonicalFilePath();
    for (const QString &entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && QFileInfo(u"/proc/%1/exe"_s.arg(entry)).symLinkTarget() == canonical)
            found << pid;
    }
    return found;
}

bool savePicture(const QString &path, int width, int height)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    picture.fill(qRgba(40, 90, 200, 255));
    return picture.save(path);
}

// A JPEG cut after its first half: the header reads, the picture does not.
bool saveTruncatedJpeg(const QString &path)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 256));
    if (!picture.save(path, "JPG", 95))
        return false;
    QFile file(path);
    return file.resize(file.size() / 2);
}

QTreeWidgetItem *rowOf(IntegratedToolPage &page, const QString &path)
{
    auto *list = page.findChild<QTreeWidget *>(u"integratedToolDropList"_s);
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (list->topLevelItem(row)->data(0, Qt::UserRole).toString() == path)
            return list->topLevelItem(row);
    }
    return nullptr;
}

// How many rows show a status starting with the text given.
int rowsSaying(IntegratedToolPage &page, const QString &status)
{
    auto *list = page.findChild<QTreeWidget *>(u"integratedToolDropList"_s);
    int count = 0;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        count += list->topLevelItem(row)->text(3).startsWith(status) ? 1 : 0;
    return count;
}

QString logText(IntegratedToolPage &page)
{
    return page.findChild<QTextEdit *>(u"integratedToolLog"_s)->toPlainText();
}

} // namespace

// The image-resize page following the real padding helper, written out of the
// program's resources as a user's start does.
class tst_RealHelper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void runWithADamagedPictureEndsWithStatusesSizesAndReport();
    void recordsArriveAsPicturesFinish();
    void stopLeavesEveryPictureWholeAndCountsAddUp();
    void killedHelperIsReportedAndUnprocessedRowsReset();
    void deletedPageLeavesTheHelperFinishing();

private:
    void killHelpers(int signal);

    QTemporaryDir m_home;
    QScopedPointer<SettingsSandbox> m_settings;
    QString m_helper;
};

void tst_RealHelper::initTestCase()
{
    QVERIFY(m_home.isValid());
    // The detached helper inherits these: its files and settings stay in the test's folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(u"data"_s)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_s)));
    m_settings.reset(new SettingsSandbox);
    // The runs replace in place; the question before them has its own test.
    InPlaceGuard::setAsksBeforeReplacing(false);
    m_helper = resolveToolExecutable(ImageResize);
    QVERIFY(m_helper.startsWith(m_home.path()));
}

void tst_RealHelper::cleanup()
{
    killHelpers(SIGKILL);
    QTRY_VERIFY(helpersRunning(m_helper).isEmpty());
}

void tst_RealHelper::killHelpers(int signal)
{
    for (qint64 pid : helpersRunning(m_helper))
        ::kill(pid_t(pid), signal);
}

void tst_RealHelper::runWithADamagedPictureEndsWithStatusesSizesAndReport()
{
    QTemporaryDir pictures;
    const QString wide = pictures.filePath(u"wide.png"_s);
    const QString tall = pictures.filePath(u"tall.png"_s);
    const QString damaged = pictures.filePath(u"damaged.jpg"_s);
    QVERIFY(savePicture(wide, 13, 3));
    QVERIFY(savePicture(tall, 7, 5));
    QVERIFY(saveTruncatedJpeg(damaged));

    IntegratedToolPage page(ImageResize);
    page.addPaths({wide, tall, damaged}, false);
    QCOMPARE(page.selectedPaths().size(), 3);
    auto *start = page.findChild<QPushButton *>(u"toolStart"_s);
    start->click();
    QVERIFY(page.isHelperRunning());
    QVERIFY(!start->isEnabled());

    // A second Start while the helper runs starts nothing and writes nothing.
    const QString logBefore = logText(page);
    page.startTool();
    QCOMPARE(logText(page), logBefore);
    QTRY_COMPARE(helpersRunning(m_helper).size(), 1);

    QTRY_COMPARE_WITH_TIMEOUT(rowOf(page, damaged)->text(3), t(u"失败"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(rowOf(page, wide)->text(3), t(u"已完成") + u" 16×4"_s, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(rowOf(page, tall)->text(3), t(u"已完成") + u" 8×8"_s, 20000);
    QVERIFY(!rowOf(page, damaged)->toolTip(3).isEmpty());
    QCOMPARE(QImageReader(wide).size(), QSize(16, 4));
    const QString wideSize = interfaceLocale().formattedDataSize(QFileInfo(wide).size(), 2, QLocale::DataSizeIecFormat);
    QCOMPARE(rowOf(page, wide)->text(2), wideSize);

    // The summary shows as soon as the run is done, while the helper's window
    // stays open; Start waits until that helper has ended.
    const QString summary = t(u"处理完成：成功 %1，失败 %2，跳过 %3").arg(u"2"_s, u"1"_s, u"0"_s);
    const auto summaryShown = [&] {
        const QList<QLabel *> labels = page.findChildren<QLabel *>();
        return std::any_of(labels.cbegin(), labels.cend(), [&](const QLabel *label) { return label->text() == summary; });
    };
    QTRY_VERIFY_WITH_TIMEOUT(summaryShown(), 10000);
    QCOMPARE(helpersRunning(m_helper).size(), 1);
    QVERIFY(!start->isEnabled());
    killHelpers(SIGTERM);
    QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 10000);
    QVERIFY(summaryShown());
    QVERIFY(logText(page).contains(
            t(u"[%1] 处理完成：成功 %2，失败 %3，跳过 %4。").arg(u""_s, u"2"_s, u"1"_s, u"0"_s).mid(2)));
    auto *report = page.findChild<QPushButton *>(u"imageOpenReport"_s);
    QVERIFY(!report->isHidden());
    QVERIFY(QFileInfo::exists(report->property("openPath").toString()));
    QCOMPARE(page.findChild<QPushButton *>(u"imageOpenOutput"_s)->property("openPath").toString(), pictures.path());
    const qint64 total = QFileInfo(wide).size() + QFileInfo(tall).size() + QFileInfo(damaged).size();
    QVERIFY2(page.summaryText().contains(formatDataSize(total)), qPrintable(page.summaryText()));
}

void tst_RealHelper::recordsArriveAsPicturesFinish()
{
    // The first picture is by far the costliest: it starts first and ends last.
    QTemporaryDir pictures;
    QStringList files{pictures.filePath(u"a-large.png"_s)};
    QVERIFY(savePicture(files.first(), 4001, 3001));
    for (int i = 0; i < 7; ++i) {
        files << pictures.filePath(u"p%1.png"_s.arg(i));
        QVERIFY(savePicture(files.last(), 301, 201));
    }
    ImageResizeRun run;
    QStringList reported;
    connect(&run, &ImageResizeRun::rowReported, this,
            [&reported](const QString &path, const ImageResizeRun::RowReport &) { reported << path; });
    ImageResizeChoices choices;
    choices.outputDir = pictures.filePath(u"out"_s);
    QString reason;
    QVERIFY2(run.start(m_helper, choices, files, &reason), qPrintable(reason));
    QTRY_COMPARE_WITH_TIMEOUT(reported.size(), 8, 30000);
    qInfo("records before the first-listed picture's: %lld of 8", reported.indexOf(files.first()));
    QVERIFY2(reported.indexOf(files.first()) >= 6, qPrintable(reported.join(u' ')));
}

void tst_RealHelper::stopLeavesEveryPictureWholeAndCountsAddUp()
{
    QTemporaryDir pictures;
    QStringList files;
    for (int i = 0; i < 20; ++i) {
        files << pictures.filePath(u"p%1.png"_s.arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(savePicture(files.last(), 1501, 1501));
    }
    IntegratedToolPage page(ImageResize);
    page.addPaths(files, false);
    page.findChild<QPushButton *>(u"toolStart"_s)->click();
    auto *stop = page.findChild<QPushButton *>(u"toolStop"_s);
    QTRY_VERIFY_WITH_TIMEOUT(rowsSaying(page, t(u"已完成")) > 0, 30000);
    stop->click();
    QTRY_VERIFY_WITH_TIMEOUT(stop->isHidden(), 60000);

    // In place: each picture is untouched or padded whole, and its row says which.
    int done = 0;
    int cancelled = 0;
    for (const QString &file : files) {
        const QString status = rowOf(page, file)->text(3);
        if (status == t(u"已完成") + u" 1504×1504"_s) {
            ++done;
            QCOMPARE(QImageReader(file).size(), QSize(1504, 1504));
        } else {
            QCOMPARE(status, t(u"已取消"));
            QCOMPARE(QImageReader(file).size(), QSize(1501, 1501));
            ++cancelled;
        }
    }
    qInfo("stopped: %d padded, %d cancelled", done, cancelled);
    QCOMPARE(done + cancelled, 20);
    QVERIFY(cancelled > 0);
    const QString summary = t(u"处理已停止：成功 %1，失败 %2，跳过 %3，未开始 %4")
                                    .arg(QString::number(done), u"0"_s, u"0"_s, QString::number(cancelled));
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [&](const QLabel *label) { return label->text() == summary; }));
}

void tst_RealHelper::killedHelperIsReportedAndUnprocessedRowsReset()
{
    QTemporaryDir pictures;
    QStringList files;
    for (int i = 0; i < 12; ++i) {
        files << pictures.filePath(u"p%1.png"_s.arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(savePicture(files.last(), 1999, 1999));
    }

    IntegratedToolPage page(ImageResize);
    page.addPaths(files, false);
    const QDateTime started = QDateTime::currentDateTime();
    page.findChild<QPushButton *>(u"toolStart"_s)->click();
    QTRY_VERIFY_WITH_TIMEOUT(rowsSaying(page, t(u"已完成")) >= 2, 30000);
    QStringList reportedDone;
    for (const QString &file : files) {
        if (rowOf(page, file)->text(3).startsWith(t(u"已完成")))
            reportedDone << file;
    }
    killHelpers(SIGKILL);

    QTRY_VERIFY_WITH_TIMEOUT(!page.isHelperRunning(), 10000);
    QVERIFY(logText(page).contains(t(u"[%1] 助手在处理完成前已结束（窗口被关闭或程序异常退出）："
                                     u"成功 %2，失败 %3，%4 个文件未处理。")
                                           .section(u'：', 0, 0)
                                           .mid(5)));
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.cbegin(), labels.cend(),
                        [](const QLabel *label) { return label->text() == t(u"处理未完成"); }));
    // Every picture written during the run counts as done, the others as not started.
    int written = 0;
    for (const QString &file : files) {
        const bool padded = QImageReader(file).size() == QSize(2000, 2000);
        QCOMPARE(padded, QFileInfo(file).lastModified() >= started);
        written += padded ? 1 : 0;
        QCOMPARE(rowOf(page, file)->text(3).startsWith(t(u"已完成")), padded);
        if (!padded)
            QCOMPARE(rowOf(page, file)->text(3), t(u"未开始"));
    }
    qInfo("killed: %d written during the run, %d rows done (%d reported before the kill)", written,
          rowsSaying(page, t(u"已完成")), int(reportedDone.size()));
    QCOMPARE(rowsSaying(page, t(u"已完成")), written);
    for (const QString &file : std::as_const(reportedDone))
        QCOMPARE(rowOf(page, file)->text(3), t(u"已完成") + u" 2000×2000"_s);
}

void tst_RealHelper::deletedPageLeavesTheHelperFinishing()
{
    QTemporaryDir pictures;
    const QStringList files{pictures.filePath(u"a.png"_s), pictures.filePath(u"b.png"_s)};
    QVERIFY(savePicture(files.at(0), 5, 6));
    QVERIFY(savePicture(files.at(1), 2, 9));

    auto *page = new IntegratedToolPage(ImageResize);
    page->addPaths(files, false);
    page->startTool();
    QVERIFY(page->isHelperRunning());
    delete page;

    QTRY_COMPARE_WITH_TIMEOUT(QImageReader(files.at(0)).size(), QSize(8, 8), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(QImageReader(files.at(1)).size(), QSize(4, 12), 20000);
    QCOMPARE(helpersRunning(m_helper).size(), 1);
}

QTEST_MAIN(tst_RealHelper)
#include "tst_realhelper.moc"
