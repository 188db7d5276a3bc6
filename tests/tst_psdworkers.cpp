#include "IntegratedToolPage.h"
#include "Localization.h"
#include "SettingsSandbox.h"
#include "StandaloneToolWindow.h"
#include "ToolLauncher.h"
#include "WorkerProtocol.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

using namespace Qt::StringLiterals;
using IntegratedTools::LayerExport;
using IntegratedTools::PsdSlim;
using IntegratedTools::Tool;

using Sizes = QList<qint64>;
using Batches = QList<QList<int>>;
constexpr qint64 GiB = Q_INT64_C(1) << 30;

// The PSD pages with stand-in workers (tests/standin_worker.cpp) copied into
// the tool folder under the workers' names, and the protocol underneath.
class tst_PsdWorkers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void parseLine_data();
    void parseLine();
    void progressArithmetic();

    void framing();
    void progress_data();
    void progress();
    void slimRunMidway();
    void slimBatches_data();
    void slimBatches();
    void refusals_data();
    void refusals();
    void slimFailures_data();
    void slimFailures();
    void jobFileFailureOnSecondBatch();
    void layerExport_data();
    void layerExport();
    void closingTheWindowStopsTheWorker_data();
    void closingTheWindowStopsTheWorker();

    // Worker results that must not read as success, and hostile output.
    void layerExportOutcome_data();
    void layerExportOutcome();
    void hostileOutput_data();
    void hostileOutput();
    void layerExportOpensItsFolder();
    void oddDoneValues_data();
    void oddDoneValues();
    void listLockedWhileTheWorkerRuns();

private:
    QStringList makeFiles(const Sizes &sizes);
    void script(const QString &text, int run = 0);
    void release(const QString &name);
    bool reached(const QString &name) const { return QFile::exists(m_control.filePath(name)); }
    void installWorker(const QString &name, bool runnable);
    QString workerFile(const QString &name) const
    {
        return QDir(m_toolFolder).filePath(IntegratedTools::executableFileName(name));
    }
    QList<QJsonObject> records() const;
    QStringList jobFilesLeft() const { return QDir(m_jobs).entryList(QDir::Files | QDir::NoDotAndDotDot); }

    SettingsSandbox m_settings;
    QString m_systemTemp;
    QString m_toolFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    QDir m_control;
    QString m_jobs;
};

namespace {

// Answers the page's message boxes as they open, with the queued buttons and
// then with No (or OK), so that no test hangs in a modal loop.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QWidget *page, QList<QMessageBox::StandardButton> answers = {})
        : m_page(page), m_answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const QList<QMessageBox *> boxes = m_page->findChildren<QMessageBox *>();
            for (QMessageBox *box : boxes) {
                if (!box->isVisible())
                    continue;
                titles << box->windowTitle();
                texts << box->text();
                const QMessageBox::StandardButton answer = !m_answers.isEmpty() ? m_answers.takeFirst()
                        : box->button(QMessageBox::No)                        ? QMessageBox::No
                                                                              : QMessageBox::Ok;
                box->button(answer)->click();
            }
        });
        m_timer.start(20);
    }

    QStringList titles;
    QStringList texts;

private:
    QWidget *m_page;
    QList<QMessageBox::StandardButton> m_answers;
    QTimer m_timer;
};

QString tr8(const char16_t *source)
{
    return translateToolText(QString::fromUtf16(source));
}

// Log lines with the time stamps made comparable.
QStringList logLines(const QWidget &page)
{
    QString text = page.findChild<QTextEdit *>(u"integratedToolLog"_s)->toPlainText();
    text.replace(QRegularExpression(u"^\\[\\d\\d:\\d\\d:\\d\\d\\] "_s, QRegularExpression::MultilineOption), u"[t] "_s);
    return text.split(u'\n');
}

QStringList rowStatuses(const QWidget &page)
{
    const auto *list = page.findChild<QTreeWidget *>(u"integratedToolDropList"_s);
    QStringList statuses;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        statuses << list->topLevelItem(row)->text(3);
    return statuses;
}

QString statusText(const QWidget &page)
{
    // The status label is the right-aligned one.
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (label->alignment() == (Qt::AlignRight | Qt::AlignVCenter))
            return label->text();
    }
    return QString();
}

QString remainingText(const QWidget &page)
{
    const QList<QLabel *> labels = page.findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (label->text().startsWith(u"剩余时间："))
            return label->text();
    }
    return QString();
}

bool startEnabled(const QWidget &page)
{
    return page.findChild<QPushButton *>(u"toolStart"_s)->isEnabled();
}

QString range(const QWidget &page)
{
    const auto *bar = page.findChild<QProgressBar *>();
    return u"%1..%2 at %3"_s.arg(bar->minimum()).arg(bar->maximum()).arg(bar->value());
}

QStringList repeated(const QString &text, int count)
{
    QStringList list;
    for (int index = 0; index < count; ++index)
        list << text;
    return list;
}

const QString doneScript = u"each ITEM\\tok\\t{file}\\n\nout DONE\\t{\"exported\":{count},\"failed\":0,\"bytesSaved\":1024}\\n\n"_s;

} // namespace

void tst_PsdWorkers::initTestCase()
{
    QVERIFY2(m_settings.isValid(), qPrintable(m_settings.errorString()));
    m_systemTemp = QDir::tempPath();
    m_toolFolder = QFileInfo(IntegratedTools::resolveToolExecutable(PsdSlim)).absolutePath();
    QVERIFY(QDir().mkpath(m_toolFolder));
}

void tst_PsdWorkers::init()
{
    m_dir = std::make_unique<QTemporaryDir>(m_systemTemp + u"/psdworkers-XXXXXX"_s);
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
    QDir root(m_dir->path());
    QVERIFY(root.mkpath(u"control"_s) && root.mkpath(u"files"_s) && root.mkpath(u"jobs"_s));
    m_control.setPath(root.filePath(u"control"_s));
    m_jobs = root.filePath(u"jobs"_s);
    qputenv("STANDIN_DIR", QFile::encodeName(m_control.path()));
    // Job files go to the temporary folder, which each test gets afresh.
    qputenv("TMPDIR", QFile::encodeName(m_jobs));
    installWorker(u"Brevane"_s, true);
    installWorker(u"Stratlo"_s, true);
    // A page remembers its options: each test starts from the defaults.
    QSettings().remove(u"standaloneTools"_s);
}

QStringList tst_PsdWorkers::makeFiles(const Sizes &sizes)
{
    QStringList paths;
    for (int index = 0; index < sizes.size(); ++index) {
        QFile file(m_dir->filePath(u"files/f%1.psd"_s.arg(index, 3, 10, QLatin1Char('0'))));
        // Sparse: gigabytes of size without gigabytes of disk.
        if (!file.open(QIODevice::WriteOnly) || !file.resize(sizes.at(index)))
            return {};
        paths << QFileInfo(file).absoluteFilePath();
    }
    return paths;
}

void tst_PsdWorkers::script(const QString &text, int run)
{
    QFile file(m_control.filePath(run > 0 ? u"script.%1"_s.arg(run) : u"script"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

void tst_PsdWorkers::release(const QString &name)
{
    QFile file(m_control.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void tst_PsdWorkers::installWorker(const QString &name, bool runnable)
{
    const QString target = workerFile(name);
    QFile::remove(target);
    if (runnable) {
        QVERIFY(QFile::copy(QStringLiteral(STANDIN_PATH), target));
        return;
    }
    QFile file(target); // there, but not a program anyone can start
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a program\n");
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
}

QList<QJsonObject> tst_PsdWorkers::records() const
{
    QFile file(m_control.filePath(u"record.jsonl"_s));
    QList<QJsonObject> result;
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray &line : lines) {
            if (!line.isEmpty())
                result << QJsonDocument::fromJson(line).object();
        }
    }
    return result;
}

void tst_PsdWorkers::parseLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("fields"); // empty: no record

    QTest::newRow("keyword_alone") << "LOG"_ba << QStringList{u"LOG"_s};
    QTest::newRow("keyword_other_case") << "Log\tx"_ba << QStringList();
    QTest::newRow("progress_empty_inner_field")
            << "PROGRESS\t5\t10\t\tend"_ba << QStringList{u"PROGRESS"_s, u"5"_s, u"10"_s, QString(), u"end"_s};
    QTest::newRow("item_path_with_tab") << "ITEM\tok\t/a\tb.psd"_ba
                                        << QStringList{u"ITEM"_s, u"ok"_s, u"/a"_s, u"b.psd"_s};
    QTest::newRow("item_without_path") << "ITEM\tok"_ba << QStringList();
    QTest::newRow("done_without_payload") << "DONE"_ba << QStringList();
    QTest::newRow("utf8") << "ERROR\t文件损坏"_ba << QStringList{u"ERROR"_s, u"文件损坏"_s};
}

void tst_PsdWorkers::parseLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QStringList, fields);
    const std::optional<WorkerProtocol::Record> record = WorkerProtocol::parseLine(line);
    QCOMPARE(record ? record->fields : QStringList(), fields);

    QByteArray buffer = line + "\nLOG\tpart";
    QCOMPARE(WorkerProtocol::takeRecords(buffer).size(), fields.isEmpty() ? 0 : 1);
    QCOMPARE(buffer, "LOG\tpart"_ba); // an unfinished line waits for its newline
}

void tst_PsdWorkers::progressArithmetic()
{
    using namespace WorkerProtocol;
    const auto read = [](const char *line) { return readProgress(*WorkerProtocol::parseLine(line)); };
    QCOMPARE(read("PROGRESS\t3\t0\tx").total, 1);
    QCOMPARE(progressValue(read("PROGRESS\t3\t0\tx")), 1);
    QCOMPARE(read("PROGRESS\t4294967296\t2147483648\tx").current, 0);
    QCOMPARE(read("PROGRESS\t4294967296\t2147483648\tx").total, 1);
    QCOMPARE(progressValue(read("PROGRESS\t-5\t10\tx")), 0);

    const Progress run = rebaseOnRun(read("PROGRESS\t50\t999\tx"), 7, 5);
    QCOMPARE(run.total, 700);
    QCOMPARE(progressValue(run), 550);
    QCOMPARE(rebaseOnRun(read("PROGRESS\t50\t999\tx"), 0, 0).total, 1);

    QCOMPARE(remainingSeconds(20000, 25, 100), 60);
    QCOMPARE(remainingSeconds(999, 25, 100), 0);
    QVERIFY(remainingSeconds(30000, 12, 10) < 0);

    QByteArray done = "DONE\t{\"exported\":4,\"skipped\":1,\"failed\":2,\"bytesSaved\":6000000000}\n"_ba;
    const DoneCounts counts = readDone(takeRecords(done).first());
    QCOMPARE(counts.exported + counts.skipped * 10 + counts.failed * 100, 214);
    QCOMPARE(counts.bytesSaved, Q_INT64_C(6000000000));
    QCOMPARE(readDone(*WorkerProtocol::parseLine("DONE\tnot json")).exported, 0);

    QCOMPARE(formatDuration(90061), u"25:01:01"_s);
    QCOMPARE(formatDuration(60), u"00:01:00"_s);
    QCOMPARE(formatDuration(360000), u"100:00:00"_s);
    QCOMPARE(formatDuration(-1), u"--:--:--"_s);
}

void tst_PsdWorkers::framing()
{
    IntegratedToolPage page(LayerExport);
    page.addPaths(makeFiles({10, 20}), false);
    script(u"wait go1\nout LOG\\tone\nwait go2\nout \\ttwo\\r\\n\nout PROGRESS\\t5\\t10\\r\\n\n"
           u"out PROGRESS\\t5\\t10\\t\\n\nout NOISE\\tx\\nlog\\tlower\\n\nout ITEM\\tok\\t{file0}\\n\n"
           u"out ERROR\\tbad\\tthing\\n\nerr  detail text \\n\nout LOG\\tmarker\\n\nwait go3\nout DONE\\t{}\\n\n"
           u"out LOG\\tunfinished\n"_s);
    page.startTool();
    const QStringList started = logLines(page);
    QCOMPARE(started.last(), u"[t] 开始页内直接导出，共 2 个 PSD/PSB；不会打开第二个程序窗口。"_s);
    auto *worker = page.findChild<QProcess *>();
    QVERIFY(worker);
    QSignalSpy reads(worker, &QProcess::readyReadStandardOutput);
    release(u"go1"_s);
    QTRY_VERIFY(reads.size() > 0);
    QCOMPARE(logLines(page), started); // "LOG one" has no newline yet

    release(u"go2"_s);
    QTRY_VERIFY(logLines(page).contains(u"[t] marker"_s));
    QTRY_VERIFY(logLines(page).contains(u"后台详情：detail text"_s));
    QStringList lines = logLines(page);
    lines.removeAll(u"后台详情：detail text"_s);
    QCOMPARE(lines.mid(started.size()), (QStringList{u"[t] one  two"_s, u"导出错误：bad  thing"_s, u"[t] marker"_s}));
    QCOMPARE(range(page), u"0..0 at 0"_s); // both short PROGRESS lines were ignored
    QCOMPARE(rowStatuses(page), (QStringList{tr8(u"已完成"), tr8(u"等待导出")})); // settled one by one

    release(u"go3"_s);
    QTRY_VERIFY(!page.isWorkerRunning());
    QVERIFY(!logLines(page).join(u'\n').contains(u"unfinished"));
    QCOMPARE(range(page), u"0..100 at 100"_s);
    QCOMPARE(statusText(page), tr8(u"处理完成"));
    QCOMPARE(rowStatuses(page), repeated(tr8(u"已完成"), 2));
    QVERIFY(startEnabled(page));
    QCOMPARE(jobFilesLeft(), QStringList());
}

void tst_PsdWorkers::progress_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("bar");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("remainingKept");

    QTest::newRow("total_zero") << u"PROGRESS\\t3\\t0\\tscan"_s << u"0..1 at 1"_s << u"scan"_s << false;
    QTest::newRow("current_zero") << u"PROGRESS\\t0\\t10\\tstart"_s << u"0..10 at 0"_s << u"start"_s << true;
    QTest::newRow("negative_current") << u"PROGRESS\\t-4\\t10\\tback"_s << u"0..10 at 0"_s << u"back"_s << true;
    QTest::newRow("above_total") << u"PROGRESS\\t12\\t10\\tover"_s << u"0..10 at 10"_s << u"over"_s << false;
    QTest::newRow("message_parts") << u"PROGRESS\\t2\\t8\\ta\\t\\tb"_s << u"0..8 at 2"_s << u"a    b"_s << false;
}

void tst_PsdWorkers::progress()
{
    QFETCH(QString, line);
    QFETCH(QString, bar);
    QFETCH(QString, status);
    QFETCH(bool, remainingKept);

    IntegratedToolPage page(LayerExport);
    page.addPaths(makeFiles({10}), false);
    script(u"out "_s + line + u"\\n\nout LOG\\tmarker\\n\nwait end\n"_s);
    page.startTool();
    QTRY_VERIFY(logLines(page).contains(u"[t] marker"_s));
    QCOMPARE(range(page), bar);
    QCOMPARE(statusText(page), status);
    QVERIFY(page.findChild<QProgressBar *>()->isTextVisible());
    if (remainingKept)
        QCOMPARE(remainingText(page), tr8(u"剩余时间：--:--:--"));
    else
        QVERIFY(remainingText(page).contains(QRegularExpression(u"^剩余时间：(\\d\\d:\\d\\d:\\d\\d|--:--:--)$"_s)));
    release(u"end"_s);
    QTRY_VERIFY(!page.isWorkerRunning());
}

void tst_PsdWorkers::slimRunMidway()
{
    // Batches 1-5, 6 (above 4 GiB) and 7: the second starts at 5 and waits.
    IntegratedToolPage page(PsdSlim);
    page.addPaths(makeFiles({1, 1, 1, 1, 1, 5 * GiB, 1}), false);
    script(doneScript);
    script(u"out PROGRESS\\t50\\t999\\thalf\\n\nwait end\n"_s + doneScript, 2);
    BoxAnswerer boxes(&page, {QMessageBox::Yes});
    page.startTool();
    QTRY_COMPARE(statusText(page), u"half"_s);
    QCOMPARE(range(page), u"0..700 at 550"_s);
    // The deep-clean box counts from the next batch on.
    page.findChild<QCheckBox *>(u"psdDeepClean"_s)->setChecked(true);
    release(u"end"_s);
    QTRY_VERIFY(startEnabled(page));

    QCOMPARE(range(page), u"0..700 at 700"_s);
    QCOMPARE(statusText(page), tr8(u"处理完成"));
    QCOMPARE(remainingText(page), tr8(u"剩余时间：00:00:00"));
    QStringList deep;
    for (const QJsonObject &run : records())
        deep << QJsonDocument::fromJson(run.value(u"job").toString().toUtf8())[u"deep"_s].toVariant().toString();
    QCOMPARE(deep, (QStringList{u"false"_s, u"false"_s, u"true"_s}));
}

void tst_PsdWorkers::slimBatches_data()
{
    QTest::addColumn<Sizes>("sizes");
    QTest::addColumn<Batches>("batches");
    QTest::addColumn<QStringList>("boxes");

    const QString many = u"大批量 PSD/PSB 处理确认"_s;
    const QString large = u"超大 PSD/PSB 文件提示"_s;
    Batches fortyFive{{}, {}, {}};
    for (int index = 0; index < 45; ++index)
        fortyFive[index / 20] << index;
    QTest::newRow("forty_five_small") << Sizes(45, 1) << fortyFive << QStringList();
    QTest::newRow("large_in_between") << Sizes{GiB, GiB, 5 * GiB, GiB} << Batches{{0, 1}, {2}, {3}} << QStringList{large};
    QTest::newRow("large_first") << Sizes{5 * GiB, 1, 1} << Batches{{0}, {1, 2}} << QStringList{large};
    QTest::newRow("exactly_4_gib_stays") << Sizes{1, 4 * GiB, 1} << Batches{{0, 1, 2}} << QStringList();
    QTest::newRow("over_20_gib_in_total") << Sizes(6, 4 * GiB) << Batches{{0, 1, 2, 3, 4, 5}} << QStringList{many};
    QTest::newRow("both_questions") << Sizes{5 * GiB, 4 * GiB, 4 * GiB, 4 * GiB, 4 * GiB} << Batches{{0}, {1, 2, 3, 4}}
                                    << QStringList{many, large};
    Batches twoHundred(10);
    for (int index = 0; index < 200; ++index)
        twoHundred[index / 20] << index;
    QTest::newRow("two_hundred_files") << Sizes(200, 1) << twoHundred << QStringList();
    twoHundred.append(QList<int>{200});
    QTest::newRow("two_hundred_one_files") << Sizes(201, 1) << twoHundred << QStringList{many};
}

void tst_PsdWorkers::slimBatches()
{
    QFETCH(Sizes, sizes);
    QFETCH(Batches, batches);
    QFETCH(QStringList, boxes);

    IntegratedToolPage page(PsdSlim);
    const QStringList files = makeFiles(sizes);
    QCOMPARE(files.size(), sizes.size());
    page.addPaths(files, false);
    script(doneScript);
    BoxAnswerer answerer(&page, QList<QMessageBox::StandardButton>(boxes.size(), QMessageBox::Yes));
    page.startTool();
    QTRY_VERIFY_WITH_TIMEOUT(startEnabled(page), 30000);

    QCOMPARE(answerer.titles, boxes);
    qint64 total = 0;
    for (qint64 size : std::as_const(sizes))
        total += size;
    if (boxes.contains(u"大批量 PSD/PSB 处理确认"_s))
        QVERIFY(answerer.texts.first().startsWith(
                u"已选择 %1 个文件（%2）。为了避免长队列导致后台解析器内存持续增长，程序会每 20 个文件"_s.arg(files.size()).arg(
                        formatDataSize(total))));

    const QList<QJsonObject> runs = records();
    QCOMPARE(runs.size(), batches.size());
    const QRegularExpression jobName(u"^"_s + QRegularExpression::escape(m_jobs) + u"/Pictavo-psd-slim-[A-Za-z0-9]{6}\\.json$"_s);
    QStringList expectedLog;
    for (int index = 0; index < batches.size(); ++index) {
        QStringList batchFiles;
        for (int file : batches.at(index))
            batchFiles << files.at(file);
        const QString jobPath = runs.at(index).value(u"jobPath").toString();
        QVERIFY2(jobName.match(jobPath).hasMatch(), qPrintable(jobPath));
        QCOMPARE(runs.at(index).value(u"arguments").toArray(),
                 QJsonArray({u"--job"_s, jobPath, u"--language"_s, toolLanguageCode()}));
        QCOMPARE(QFileInfo(runs.at(index).value(u"folder").toString()).canonicalFilePath(),
                 QFileInfo(m_toolFolder).canonicalFilePath());
        QCOMPARE(runs.at(index).value(u"job").toString().toUtf8(),
                 QJsonDocument(WorkerProtocol::slimmingJob(batchFiles, false)).toJson(QJsonDocument::Compact));
        expectedLog << u"开始瘦身批次：第 %1-%2 项，共 %3 项。"_s.arg(batches.at(index).first() + 1)
                               .arg(batches.at(index).last() + 1)
                               .arg(files.size())
                    << u"本批完成：成功 %1，失败 0，节省 %2。"_s.arg(batchFiles.size()).arg(interfaceLocale().formattedDataSize(1024, 2, QLocale::DataSizeSIFormat));
    }
    expectedLog.prepend(u"[t] 开始无 Photoshop 安全瘦身，共 %1 个文件；深度清理：%2。"_s.arg(files.size()).arg(tr8(u"关闭")));
    expectedLog << u"瘦身任务结束：完成 %1 项，失败 0 项，累计节省 %2。"_s.arg(files.size()).arg(
            interfaceLocale().formattedDataSize(1024 * batches.size(), 2, QLocale::DataSizeSIFormat));
    const QStringList lines = logLines(page);
    QCOMPARE(lines.mid(lines.size() - expectedLog.size()), expectedLog);
    QCOMPARE(statusText(page), tr8(u"处理完成"));
    QCOMPARE(rowStatuses(page), repeated(tr8(u"已完成"), int(files.size())));
    QCOMPARE(jobFilesLeft(), QStringList());
}

void tst_PsdWorkers::refusals_data()
{
    QTest::addColumn<Tool>("tool");
    QTest::addColumn<Sizes>("sizes");
    QTest::addColumn<bool>("workerThere");
    QTest::addColumn<int>("yesAnswers");
    QTest::addColumn<QStringList>("boxes");

    const QString noFiles = u"尚未选择文件"_s;
    QTest::newRow("slim_no_files") << PsdSlim << Sizes() << true << 0
                                   << QStringList{noFiles};
    QTest::newRow("export_no_files") << LayerExport << Sizes() << true << 0
                                     << QStringList{noFiles};
    QTest::newRow("slim_worker_missing") << PsdSlim << Sizes{1} << false << 0
                                         << QStringList{u"无法开始处理"_s};
    QTest::newRow("export_worker_missing") << LayerExport << Sizes{1} << false << 0
                                           << QStringList{u"无法开始导出"_s};
    QTest::newRow("declined_question") << PsdSlim << Sizes(201, 1) << true << 0
                                       << QStringList{u"大批量 PSD/PSB 处理确认"_s};
    QTest::newRow("declined_large_file") << PsdSlim << Sizes{1, 4 * GiB + 1} << true
                                         << 0 << QStringList{u"超大 PSD/PSB 文件提示"_s};
    QTest::newRow("question_yes_then_large_no")
            << PsdSlim << Sizes(5, 5 * GiB) << true << 1 << QStringList{u"大批量 PSD/PSB 处理确认"_s, u"超大 PSD/PSB 文件提示"_s};
}

void tst_PsdWorkers::refusals()
{
    QFETCH(Tool, tool);
    QFETCH(Sizes, sizes);
    QFETCH(bool, workerThere);
    QFETCH(int, yesAnswers);
    QFETCH(QStringList, boxes);

    const QString worker = workerFile(tool == PsdSlim ? u"Brevane"_s : u"Stratlo"_s);
    if (!workerThere)
        QVERIFY(QFile::remove(worker));
    IntegratedToolPage page(tool);
    page.addPaths(makeFiles(sizes), false);
    const QStringList logBefore = logLines(page);
    BoxAnswerer answerer(&page, QList<QMessageBox::StandardButton>(yesAnswers, QMessageBox::Yes));
    page.startTool();

    QCOMPARE(answerer.titles, boxes);
    if (!workerThere)
        QVERIFY(answerer.texts.first().endsWith(u"：" + worker));
    QVERIFY(!page.isWorkerRunning());
    QCOMPARE(records().size(), 0);
    QCOMPARE(logLines(page), logBefore);
    QCOMPARE(rowStatuses(page), repeated(tr8(u"等待处理"), int(sizes.size())));
    QCOMPARE(statusText(page), tr8(u"就绪"));
    QVERIFY(startEnabled(page));
    QCOMPARE(jobFilesLeft(), QStringList());
}

void tst_PsdWorkers::slimFailures_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("runnable");
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<QString>("logLine"); // the last but one line
    QTest::addColumn<int>("succeeded");
    QTest::addColumn<int>("failed");
    QTest::addColumn<qint64>("saved");

    const QString ok = tr8(u"已完成");
    // Slimming counts savings in decimal units, like the worker's own lines.
    const auto decimal = [](qint64 bytes) { return interfaceLocale().formattedDataSize(bytes, 2, QLocale::DataSizeSIFormat); };
    const QString failed = tr8(u"失败");
    const QString abnormal = u"瘦身后台异常结束，当前批次 3 项未完成，退出码：%1。"_s;
    QTest::newRow("item_OK_in_capitals")
            << u"out ITEM\\tOK\\t{file0}\\nITEM\\tok\\t{file1}\\n\nout DONE\\t{\"exported\":1,\"failed\":1}\\n\n"_s << true
            << QStringList{failed, ok, u"已结束，详见日志"_s} << u"本批完成：成功 1，失败 1，节省 %1。"_s.arg(decimal(0))
            << 1 << 1 << qint64(0);
    QTest::newRow("item_ok_other_letter_case")
            << u"out ITEM\\tok\\t{file0}\\n\nout ITEM\\tok\\t{FILE2}\\n\nout DONE\\t{\"exported\":3}\\n\n"_s << true
            << QStringList{ok, ok, ok} << u"本批完成：成功 3，失败 0，节省 %1。"_s.arg(decimal(0)) << 3 << 0 << qint64(0);
    QTest::newRow("exit_after_one_ok") << u"out ITEM\\tok\\t{file0}\\n\nexit 1\n"_s << true
                                       << QStringList{failed, failed, failed} << abnormal.arg(1) << 0 << 3 << qint64(0);
#ifdef Q_OS_UNIX
    QTest::newRow("killed_after_one_ok") << u"out ITEM\\tok\\t{file0}\\n\nkill\n"_s << true
                                         << QStringList{failed, failed, failed} << abnormal.arg(3) << 0 << 3 << qint64(0);
#endif
    QTest::newRow("cannot_start") << QString() << false << QStringList{failed, failed, failed} << abnormal.arg(3) << 0 << 3 << qint64(0);
    QTest::newRow("done_then_exit_code") << u"out DONE\\t{\"exported\":3,\"bytesSaved\":2048}\\n\nexit 5\n"_s << true
                                         << QStringList{ok, ok, ok}
                                         << u"本批完成：成功 3，失败 0，节省 %1。"_s.arg(decimal(2048)) << 3 << 0 << qint64(2048);
    QTest::newRow("unchanged_document")
            << u"out ITEM\\tok\\t{file0}\\t{\"unchanged\":true}\\nITEM\\tok\\t{file1}\\nITEM\\tok\\t{file2}\\n\nout DONE\\t{\"exported\":3,\"bytesSaved\":1500000}\\n\n"_s
            << true << QStringList{tr8(u"未改动"), ok, ok} << u"本批完成：成功 3，失败 0，节省 %1。"_s.arg(decimal(1500000)) << 3 << 0
            << qint64(1500000);
    QTest::newRow("done_not_json") << u"out DONE\\tnot json\\n\n"_s << true << QStringList{ok, ok, ok}
                                   << u"本批完成：成功 0，失败 0，节省 %1。"_s.arg(decimal(0)) << 0 << 0 << qint64(0);
}

void tst_PsdWorkers::slimFailures()
{
    QFETCH(QString, script);
    QFETCH(bool, runnable);
    QFETCH(QStringList, statuses);
    QFETCH(QString, logLine);
    QFETCH(int, succeeded);
    QFETCH(int, failed);
    QFETCH(qint64, saved);

    IntegratedToolPage page(PsdSlim);
    const QStringList files = makeFiles({1, 2, 3});
    page.addPaths(files, false);
    this->script(script.replace(u"{FILE2}"_s, files.at(2).toUpper()));
    if (!runnable)
        installWorker(u"Brevane"_s, false);
    page.startTool();
    QTRY_VERIFY(startEnabled(page));

    QCOMPARE(rowStatuses(page), statuses);
    const QStringList lines = logLines(page);
    QCOMPARE(lines.at(lines.size() - 2), logLine);
    QCOMPARE(lines.last(), u"瘦身任务结束：完成 %1 项，失败 %2 项，累计节省 %3。"_s.arg(succeeded).arg(failed).arg(
                                   interfaceLocale().formattedDataSize(saved, 2, QLocale::DataSizeSIFormat)));
    QCOMPARE(statusText(page), failed ? u"处理完成，%1 项失败"_s.arg(failed) : tr8(u"处理完成"));
    QCOMPARE(jobFilesLeft(), QStringList());
}

void tst_PsdWorkers::jobFileFailureOnSecondBatch()
{
    IntegratedToolPage page(PsdSlim);
    page.addPaths(makeFiles(Sizes(45, 1)), false);
    script(u"touch started\nwait go\n"_s + doneScript, 1);
    page.startTool();
    QTRY_VERIFY(reached(u"started"_s));
    // A temporary folder that is a plain file: no job file can be made in it.
    QFile blocker(m_dir->filePath(u"not-a-folder"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    qputenv("TMPDIR", QFile::encodeName(blocker.fileName()));
    BoxAnswerer answerer(&page);
    release(u"go"_s);
    QTRY_VERIFY(startEnabled(page));

    QCOMPARE(answerer.titles, QStringList{u"无法继续处理"_s});
    QCOMPARE(answerer.texts, QStringList{u"无法创建瘦身任务临时文件，剩余文件未被修改。"_s});
    QCOMPARE(records().size(), 1);
    QCOMPARE(rowStatuses(page),
             repeated(tr8(u"已完成"), 20) + repeated(u"未开始"_s, 20) + repeated(tr8(u"等待处理"), 5));
    QCOMPARE(statusText(page), u"处理完成，20 项失败"_s);
    QCOMPARE(logLines(page).last(), u"瘦身任务结束：完成 20 项，失败 20 项，累计节省 %1。"_s.arg(interfaceLocale().formattedDataSize(1024, 2, QLocale::DataSizeSIFormat)));
    QCOMPARE(jobFilesLeft(), QStringList());
}

void tst_PsdWorkers::layerExport_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("runnable");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("sizing");
    QTest::addColumn<bool>("trim");
    QTest::addColumn<QJsonObject>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("bar");

    const QJsonObject defaults{{u"output"_s, u""_s}, {u"sizingMode"_s, u"multiple4"_s}, {u"trimTransparency"_s, true},
                               {u"applyClipping"_s, true}};
    const QString done = u"out DONE\\t{\"exported\":3}\\n\n"_s;
    QTest::newRow("defaults") << done << true << QString() << 1 << true << defaults << 0 << u"0..100 at 100"_s;
    QTest::newRow("folder_trimmed_power2_untrimmed")
            << u"out PROGRESS\\t3\\t9\\tx\\n\n"_s + done << true << u"  /out/层 folder  "_s << 3 << false
            << QJsonObject{{u"output"_s, u"/out/层 folder"_s}, {u"sizingMode"_s, u"power2"_s}, {u"trimTransparency"_s, false},
                           {u"applyClipping"_s, true}}
            << 0 << u"0..9 at 9"_s;
    QTest::newRow("no_rule") << done << true << QString() << 0 << true
                             << QJsonObject{{u"output"_s, u""_s}, {u"sizingMode"_s, u"none"_s}, {u"trimTransparency"_s, true},
                                            {u"applyClipping"_s, true}}
                             << 0 << u"0..100 at 100"_s;
    QJsonObject unclipped = defaults;
    unclipped.insert(u"applyClipping"_s, false);
    QTest::newRow("clipping_masks_off") << done << true << QString() << 1 << true << unclipped << 0 << u"0..100 at 100"_s;
    QTest::newRow("exit_code_2") << u"out PROGRESS\\t1\\t4\\tone\\n\nexit 2\n"_s << true << QString() << 1 << true
                                 << defaults << 2 << u"0..100 at 0"_s;
    QTest::newRow("cannot_start") << QString() << false << QString() << 1 << true << defaults << 3 << u"0..100 at 0"_s;
#ifdef Q_OS_UNIX
    QTest::newRow("killed") << u"kill\n"_s << true << QString() << 1 << true << defaults << int(SIGKILL) << u"0..100 at 0"_s;
#endif
}

void tst_PsdWorkers::layerExport()
{
    QFETCH(QString, script);
    QFETCH(bool, runnable);
    QFETCH(QString, output);
    QFETCH(int, sizing);
    QFETCH(bool, trim);
    QFETCH(QJsonObject, options);
    QFETCH(int, exitCode);
    QFETCH(QString, bar);

    IntegratedToolPage page(LayerExport);
    const QStringList files = makeFiles({1, 2, 3});
    page.addPaths(files, false);
    page.findChild<QLineEdit *>(u"layerOutputDirectory"_s)->setText(output);
    page.findChild<QComboBox *>(u"layerSizingMode"_s)->setCurrentIndex(sizing);
    page.findChild<QCheckBox *>(u"layerTrimTransparency"_s)->setChecked(trim);
    page.findChild<QCheckBox *>(u"layerApplyClipping"_s)->setChecked(options.value(u"applyClipping"_s).toBool());
    this->script(script);
    if (!runnable)
        installWorker(u"Stratlo"_s, false);
    page.startTool();
    QTRY_VERIFY(!page.isWorkerRunning());

    const QList<QJsonObject> runs = records();
    QCOMPARE(runs.size(), runnable ? 1 : 0);
    if (runnable) {
        QJsonObject expected = options;
        expected.insert(u"files"_s, QJsonArray::fromStringList(files));
        QCOMPARE(runs.first().value(u"job").toString().toUtf8(), QJsonDocument(expected).toJson(QJsonDocument::Compact));
        const QString jobPath = runs.first().value(u"jobPath").toString();
        QVERIFY2(QRegularExpression(u"^"_s + QRegularExpression::escape(m_jobs) + u"/Pictavo-layer-export-[A-Za-z0-9]{6}\\.json$"_s)
                         .match(jobPath).hasMatch(), qPrintable(jobPath));
        QCOMPARE(runs.first().value(u"arguments").toArray(),
                 QJsonArray({u"--job"_s, jobPath, u"--language"_s, toolLanguageCode()}));
    }
    QCOMPARE(range(page), bar);
    QCOMPARE(rowStatuses(page), repeated(exitCode ? tr8(u"失败") : tr8(u"已完成"), 3));
    QCOMPARE(statusText(page), exitCode ? u"导出失败"_s : tr8(u"处理完成"));
    if (exitCode)
        QCOMPARE(logLines(page).last(), u"后台导出异常结束，退出码：%1"_s.arg(exitCode));
    QVERIFY(startEnabled(page));
    QCOMPARE(jobFilesLeft(), QStringList());
}

void tst_PsdWorkers::closingTheWindowStopsTheWorker_data()
{
    QTest::addColumn<Tool>("tool");
    QTest::addColumn<QString>("script");

    QTest::newRow("slim_worker_ends_when_asked") << PsdSlim << u"touch ready\nwait never\n"_s;
    QTest::newRow("export_worker_ends_when_asked") << LayerExport << u"touch ready\nwait never\n"_s;
#ifdef Q_OS_UNIX
    QTest::newRow("worker_ignores_the_request") << PsdSlim << u"ignoreterm\ntouch ready\nwait never\n"_s;
#endif
}

void tst_PsdWorkers::closingTheWindowStopsTheWorker()
{
    QFETCH(Tool, tool);
    QFETCH(QString, script);

    auto *window = new StandaloneToolWindow(tool);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<StandaloneToolWindow> alive(window);
    window->addPaths(makeFiles({1, 2}));
    this->script(script);
    window->show();
    window->page()->startTool();
    QTRY_VERIFY(reached(u"ready"_s));
    QCOMPARE(jobFilesLeft().size(), 1);

    window->close();
    QTRY_VERIFY(alive.isNull());
    QCOMPARE(jobFilesLeft(), QStringList());
#ifdef Q_OS_UNIX
    const auto pid = pid_t(records().first().value(u"pid").toInteger());
    QVERIFY(::kill(pid, 0) != 0 && errno == ESRCH);
#endif
    QCoreApplication::processEvents(); // anything the worker's end had posted finds no page
}

QTEST_MAIN(tst_PsdWorkers)
#include "tst_psdworkers.moc"

void tst_PsdWorkers::layerExportOutcome_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("bar");

    const QString ok = tr8(u"已完成");
    QTest::newRow("done_reports_failures")
            << u"out ITEM\\tok\\t{file0}\\n\nout DONE\\t{\"exported\":1,\"failed\":2}\\n\n"_s
            << QStringList{ok, u"已结束，详见日志"_s, u"已结束，详见日志"_s} << u"处理完成，2 项失败"_s << u"0..100 at 100"_s;
    QTest::newRow("item_failed_done_clean")
            << u"out ITEM\\tbad\\t{file1}\\n\nout DONE\\t{\"exported\":2}\\n\n"_s
            << QStringList{ok, tr8(u"失败"), ok} << tr8(u"处理完成") << u"0..100 at 100"_s;
    // A document that cannot be read: its reason on its row; the run counts it failed.
    QTest::newRow("document_failed_with_reason")
            << u"out ITEM\\tfailed\\t{file1}\\t{\"reason\":\"坏了\"}\\n\nout DONE\\t{\"exported\":2,\"failedDocuments\":1}\\n\n"_s
            << QStringList{u"已结束，详见日志"_s, tr8(u"失败：%1").arg(u"坏了"_s), u"已结束，详见日志"_s}
            << u"处理完成，1 项失败"_s << u"0..100 at 100"_s;
    QTest::newRow("no_done") << u"out ITEM\\tok\\t{file2}\\n\n"_s << QStringList{u"未完成"_s, u"未完成"_s, ok}
                             << u"导出未完成"_s << u"0..100 at 0"_s;
}

void tst_PsdWorkers::layerExportOutcome()
{
    QFETCH(QString, script);
    QFETCH(QStringList, statuses);
    QFETCH(QString, status);
    QFETCH(QString, bar);

    IntegratedToolPage page(LayerExport);
    page.addPaths(makeFiles({1, 2, 3}), false);
    this->script(script);
    page.startTool();
    QTRY_VERIFY(!page.isWorkerRunning());
    QCOMPARE(rowStatuses(page), statuses);
    QCOMPARE(statusText(page), status);
    QCOMPARE(range(page), bar);
    QVERIFY(startEnabled(page));
    const auto *list = page.findChild<QTreeWidget *>(u"integratedToolDropList"_s);
    QCOMPARE(list->topLevelItem(1)->toolTip(3), statuses.at(1).contains(u"坏了"_s) ? u"坏了"_s : QString());
}

// After a layer export the page offers the folder its worker named.
void tst_PsdWorkers::layerExportOpensItsFolder()
{
    IntegratedToolPage page(LayerExport);
    page.addPaths(makeFiles({1}), false);
    const QString folder = m_dir->path();
    script(u"out DONE\\t{\"exported\":1,\"outputDir\":\"%1\"}\\n\n"_s.arg(folder));
    page.startTool();
    QTRY_VERIFY(!page.isWorkerRunning());
    const auto *open = page.findChild<QPushButton *>(u"layerOpenOutput"_s);
    QVERIFY(open && !open->isHidden() && !page.findChild<QWidget *>(u"layerRunActions"_s)->isHidden());
    QCOMPARE(open->property("openPath").toString(), folder);
    QCOMPARE(open->text(), tr8(u"打开输出文件夹"));

    // Gone when the next run starts, and not shown after a run that did not finish.
    script(u"exit 3\n"_s);
    page.startTool();
    QVERIFY(page.findChild<QWidget *>(u"layerRunActions"_s)->isHidden());
    QTRY_VERIFY(!page.isWorkerRunning());
    QVERIFY(page.findChild<QWidget *>(u"layerRunActions"_s)->isHidden());
}

void tst_PsdWorkers::hostileOutput_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("shown"); // the log lines after the start line

    // The shown line, time stamp included, is cut at 2,000 characters.
    const QString cut = u"[t] "_s + QString(2000 - 11, u'x') + QChar(0x2026);
    QTest::newRow("markup_shown_as_text") << u"out LOG\\ta<b>c.psd &amp; <i>\\n\n"_s
                                          << QStringList{u"[t] a<b>c.psd &amp; <i>"_s};
    QTest::newRow("nul_bytes_dropped") << u"out LOG\\ta\\0b\\n\n"_s << QStringList{u"[t] ab"_s};
    QTest::newRow("long_line_cut") << u"out LOG\\t\nfill 1000000 x\nout \\n\n"_s << QStringList{cut};
    QTest::newRow("endless_line_dropped")
            << u"out LOG\\t\nfill 1100000 x\nsleep 200\nfill 1100000 x\nout \\nLOG\\tafter\\n\n"_s
            << QStringList{u"[t] 后台输出的一行超过 1 MiB，已丢弃该行。"_s, u"[t] after"_s};
}

void tst_PsdWorkers::hostileOutput()
{
    QFETCH(QString, script);
    QFETCH(QStringList, shown);

    IntegratedToolPage page(LayerExport);
    page.addPaths(makeFiles({1}), false);
    this->script(script + u"out DONE\\t{}\\n\n"_s);
    page.startTool();
    const qsizetype before = logLines(page).size();
    QTRY_VERIFY_WITH_TIMEOUT(!page.isWorkerRunning(), 20000);
    QStringList lines = logLines(page).mid(before);
    lines.removeLast(); // "完成：…"
    QCOMPARE(lines, shown);
}

void tst_PsdWorkers::oddDoneValues_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("done");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("export_negative_counts") << int(LayerExport) << u"{\"exported\":-5,\"skipped\":-1,\"failed\":-2}"_s
                                            << u"完成：2 个文档，导出 0 个图层，跳过 0 个，失败 0 个。"_s;
    // Documents that could not be read are counted apart from the layers, never
    // more than the run has.
    QTest::newRow("export_failed_documents") << int(LayerExport)
                                             << u"{\"exported\":4,\"skipped\":1,\"failed\":1,\"failedDocuments\":1}"_s
                                             << u"完成：1 个文档，导出 4 个图层，跳过 1 个，失败 1 个；1 个文档失败。"_s;
    QTest::newRow("export_too_many_failed_documents") << int(LayerExport) << u"{\"failedDocuments\":7}"_s
            << u"完成：0 个文档，导出 0 个图层，跳过 0 个，失败 0 个；2 个文档失败。"_s;
    QTest::newRow("slim_huge_bytes_and_counts")
            << int(PsdSlim) << u"{\"exported\":99999,\"failed\":-4,\"bytesSaved\":1e300}"_s
            << u"本批完成：成功 2，失败 0，节省 %1。"_s.arg(interfaceLocale().formattedDataSize(WorkerProtocol::MaxBytesSaved, 2, QLocale::DataSizeSIFormat));
    QTest::newRow("slim_negative_bytes") << int(PsdSlim) << u"{\"exported\":1,\"bytesSaved\":-1e300}"_s
                                         << u"本批完成：成功 1，失败 0，节省 %1。"_s.arg(interfaceLocale().formattedDataSize(0, 2, QLocale::DataSizeSIFormat));
}

void tst_PsdWorkers::oddDoneValues()
{
    QFETCH(int, tool);
    QFETCH(QString, done);
    QFETCH(QString, logLine);

    IntegratedToolPage page{IntegratedTools::Tool(tool)};
    page.addPaths(makeFiles({1, 2}), false);
    script(u"out DONE\\t"_s + done + u"\\n\n"_s);
    page.startTool();
    QTRY_VERIFY(page.findChild<QPushButton *>(u"toolStart"_s)->isEnabled());
    QVERIFY2(logLines(page).contains(logLine), qPrintable(logLines(page).join(u'\n')));
}

void tst_PsdWorkers::listLockedWhileTheWorkerRuns()
{
    IntegratedToolPage page(LayerExport);
    page.addPaths(makeFiles({1, 2}), false);
    auto *clear = [&page] {
        const QList<QPushButton *> buttons = page.findChildren<QPushButton *>();
        for (QPushButton *button : buttons) {
            if (button->text() == tr8(u"清空列表"))
                return button;
        }
        return static_cast<QPushButton *>(nullptr);
    }();
    auto *remove = page.findChild<QPushButton *>(u"layerRemoveSelected"_s);
    QVERIFY(clear && remove);
    script(u"wait go\nexit 4\n"_s);
    page.startTool();
    QVERIFY(page.isWorkerRunning());
    QVERIFY(!clear->isEnabled());
    QVERIFY(!remove->isEnabled());
    page.clearList();
    page.findChild<QTreeWidget *>(u"integratedToolDropList"_s)->selectAll();
    page.removeSelected();
    QCOMPARE(page.selectedPaths().size(), 2);

    release(u"go"_s);
    QTRY_VERIFY(!page.isWorkerRunning());
    QVERIFY(clear->isEnabled() && remove->isEnabled());
    QCOMPARE(range(page), u"0..100 at 0"_s); // the failed run's busy bar stopped
    page.clearList();
    QVERIFY(page.selectedPaths().isEmpty());
    QCOMPARE(range(page), u"0..100 at 0"_s);
}
