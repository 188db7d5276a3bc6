#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

namespace {

bool writePicture(const QString &path, int width, int height, QColor colour = QColor(200, 40, 30))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path);
}

// Runs the helper without any display, as a build pipeline would.
struct Headless
{
    QProcess process;
    QByteArray output;
    QByteArray errors;

    explicit Headless(bool display = false)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        // Headless runs speak the environment's language: Chinese here, as the checks read.
        environment.remove(QStringLiteral("LC_ALL"));
        environment.remove(QStringLiteral("LC_MESSAGES"));
        environment.insert(QStringLiteral("LANG"), QStringLiteral("zh_CN.UTF-8"));
        if (display)
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
    }
    ~Headless()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    int run(const QStringList &arguments)
    {
        process.start(QStringLiteral(QUADRIX_PATH), arguments);
        if (!process.waitForFinished(60000))
            return -1;
        output = process.readAllStandardOutput();
        errors = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

QList<QStringList> records(const QByteArray &text)
{
    QList<QStringList> result;
    for (const QByteArray &line : text.split('\n')) {
        if (!line.isEmpty())
            result << QString::fromUtf8(line).split(QLatin1Char('\t'));
    }
    return result;
}

// "LOG ITEM:ok PROGRESS …": what the records are, in order.
QString kinds(const QList<QStringList> &list)
{
    QStringList shown;
    for (const QStringList &record : list)
        shown << (record.first() == QLatin1String("ITEM") ? QStringLiteral("ITEM:") + record.at(1) : record.first());
    return shown.join(QLatin1Char(' '));
}

QJsonObject lastObject(const QStringList &record)
{
    return QJsonDocument::fromJson(record.last().toUtf8()).object();
}

} // namespace

// The helper's headless mode and its channel to the tool window, run as real
// child processes on real files.
class tst_Headless : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void exitCodesAndRecords_data();
    void exitCodesAndRecords();
    void unknownChoiceNamesTheAcceptedOnes_data();
    void unknownChoiceNamesTheAcceptedOnes();
    void choicesReachThePicture();
    void parallelRunReportsAsPicturesFinish();
    void signalStopsAfterThePicturesInProgress_data();
    void signalStopsAfterThePicturesInProgress();
    void outputTrees_data();
    void outputTrees();
    void languageAndReportPlace_data();
    void languageAndReportPlace();
    void jobsGiveIdenticalOutputs();
    void recordsReachTheToolWindow_data();
    void recordsReachTheToolWindow();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QTemporaryDir *m_dir = nullptr;
};

void tst_Headless::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(writePicture(path(QStringLiteral("pics/a.png")), 7, 5));
    QVERIFY(writePicture(path(QStringLiteral("pics/b.bmp")), 5, 3));
    QFile bad(path(QStringLiteral("pics/broken.png")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    QVERIFY(writePicture(path(QStringLiteral("pics/line\nfeed.png")), 3, 3));
    QVERIFY(writePicture(path(QStringLiteral("fits/c.png")), 8, 4));
}

void tst_Headless::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

void tst_Headless::exitCodesAndRecords_data()
{
    // "@" stands for the test's folder.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("records");
    QTest::newRow("all_padded") << QStringList{QStringLiteral("--output-dir"), QStringLiteral("@/out"),
                                               QStringLiteral("@/pics/a.png"), QStringLiteral("@/pics/b.bmp")}
                                << 0 << QStringLiteral("LOG ITEM:ok PROGRESS ITEM:ok PROGRESS LOG DONE");
    QTest::newRow("some_failed") << QStringList{QStringLiteral("--jobs"), QStringLiteral("2"), QStringLiteral("--output-dir"),
                                                QStringLiteral("@/out"), QStringLiteral("@/pics/broken.png"),
                                                QStringLiteral("@/pics/a.png")}
                                 << 1 << QStringLiteral("LOG ITEM:failed PROGRESS ITEM:ok PROGRESS LOG DONE");
    QTest::newRow("missing_file_skipped") << QStringList{QStringLiteral("--output-dir"), QStringLiteral("@/out"),
                                                         QStringLiteral("@/pics/none.png"), QStringLiteral("@/pics/a.png")}
                                          << 0 << QStringLiteral("ITEM:skipped LOG ITEM:ok PROGRESS LOG DONE");
    QTest::newRow("channel_unreachable") << QStringList{QStringLiteral("--report-to"), QStringLiteral("@/no-socket"),
                                                        QStringLiteral("--output-dir"), QStringLiteral("@/out"),
                                                        QStringLiteral("@/pics/b.bmp")}
                                         << 0 << QStringLiteral("LOG LOG ITEM:ok PROGRESS LOG DONE");
    QTest::newRow("only_already_fitting") << QStringList{QStringLiteral("--output-dir"), QStringLiteral("@/out"),
                                                         QStringLiteral("@/fits/c.png")}
                                          << 0 << QStringLiteral("LOG ITEM:skipped PROGRESS LOG DONE");
    QTest::newRow("unknown_switch") << QStringList{QStringLiteral("--frobnicate"), QStringLiteral("@/pics/a.png")} << 2
                                    << QString();
    QTest::newRow("bad_jobs") << QStringList{QStringLiteral("--jobs"), QStringLiteral("0"), QStringLiteral("@/pics/a.png")}
                              << 2 << QString();
    QTest::newRow("bad_rule") << QStringList{QStringLiteral("--rule"), QStringLiteral("cube"), QStringLiteral("@/pics/a.png")}
                              << 2 << QString();
    QTest::newRow("value_missing") << QStringList{QStringLiteral("@/pics/a.png"), QStringLiteral("--output-dir")} << 2
                                   << QString();
    QTest::newRow("no_pictures") << QStringList{QStringLiteral("@/pics/none.png")} << 1 << QString();
    QTest::newRow("no_paths") << QStringList{QStringLiteral("--png")} << 2 << QString();
    QTest::newRow("only_path_refused") << QStringList{QStringLiteral("--output-dir"), QStringLiteral("@/out"),
                                                      QStringLiteral("@/pics/line\nfeed.png")}
                                       << 1 << QStringLiteral("ITEM:skipped LOG LOG DONE");
}

void tst_Headless::exitCodesAndRecords()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, records);
    arguments.replaceInStrings(QStringLiteral("@"), m_dir->path());
    Headless child;
    QCOMPARE(child.run(QStringList{QStringLiteral("--headless")} + arguments), exitCode);
    const QList<QStringList> got = ::records(child.output);
    QCOMPARE(kinds(got), records);
    if (records.isEmpty()) {
        QVERIFY2(child.errors.startsWith("Quadrix: "), child.errors.constData());
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("out"))));
        return;
    }
    const QJsonObject done = lastObject(got.last());
    QCOMPARE(done.value(QStringLiteral("outputDir")).toString(), path(QStringLiteral("out")));
    const bool failures = records.contains(QLatin1String("ITEM:failed"));
    QCOMPARE(done.value(QStringLiteral("failed")).toInt(), failures ? 1 : 0);
    const QString report = done.value(QStringLiteral("report")).toString();
    QCOMPARE(report.isEmpty(), !failures);
    for (const QStringList &record : got) {
        if (record.first() != QLatin1String("ITEM") || record.at(1) == QLatin1String("failed"))
            continue;
        const QJsonObject details = lastObject(record);
        if (details.value(QStringLiteral("unchanged")).toBool()) {
            // Already fitting: copied byte for byte.
            QFile source(record.at(2)), copy(details.value(QStringLiteral("output")).toString());
            QVERIFY(source.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
            QCOMPARE(copy.readAll(), source.readAll());
            continue;
        }
        if (record.at(1) != QLatin1String("ok"))
            continue;
        QCOMPARE(QImage(details.value(QStringLiteral("output")).toString()).size(),
                 QSize(8, record.at(2).endsWith(QLatin1String("a.png")) ? 8 : 4));
        QVERIFY(details.value(QStringLiteral("size")).toString().contains(QChar(0x00D7)));
    }
    if (!report.isEmpty()) {
        QFile file(report);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("[失败] broken.png"));
    }
}

void tst_Headless::outputTrees_data()
{
    // "@" stands for the test's folder; pictures lie at tree/x/p.png, tree/y/p.png and tree/q.png.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("outputs"); // below @/out

    const QString x = QStringLiteral("@/tree/x/p.png");
    const QString y = QStringLiteral("@/tree/y/p.png");
    QTest::newRow("folder_given") << QStringList{QStringLiteral("@/tree")}
                                  << QStringList{QStringLiteral("q.png"), QStringLiteral("x/p.png"), QStringLiteral("y/p.png")};
    QTest::newRow("files_below_base") << QStringList{QStringLiteral("--base"), QStringLiteral("@/tree"), x, y}
                                      << QStringList{QStringLiteral("x/p.png"), QStringLiteral("y/p.png")};
    QTest::newRow("subfolder_below_base") << QStringList{QStringLiteral("--base"), QStringLiteral("@"), QStringLiteral("@/tree/x")}
                                          << QStringList{QStringLiteral("tree/x/p.png")};
    QTest::newRow("loose_file") << QStringList{x} << QStringList{QStringLiteral("p.png")};
}

void tst_Headless::outputTrees()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, outputs);
    for (const QString &name : {QStringLiteral("tree/x/p.png"), QStringLiteral("tree/y/p.png"), QStringLiteral("tree/q.png")})
        QVERIFY(writePicture(path(name), 3, 3));
    arguments.replaceInStrings(QStringLiteral("@"), m_dir->path());
    Headless child;
    QCOMPARE(child.run(QStringList{QStringLiteral("--headless"), QStringLiteral("--output-dir"), path(QStringLiteral("out"))}
                       + arguments),
             0);
    QStringList written;
    QDirIterator it(path(QStringLiteral("out")), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        written << QDir(path(QStringLiteral("out"))).relativeFilePath(it.next());
    written.sort();
    QCOMPARE(written, outputs);
}

void tst_Headless::languageAndReportPlace_data()
{
    QTest::addColumn<QStringList>("environment"); // NAME=value
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QString>("reportPrefix");

    QTest::addColumn<QString>("usageStart");

    QTest::newRow("lang_japanese") << QStringList{QStringLiteral("LANG=ja_JP.UTF-8")} << QStringList()
                                   << QStringLiteral("失敗レポート_") << QStringLiteral("使い方：quadrix [スイッチ]");
    QTest::newRow("lc_all_before_lang") << QStringList{QStringLiteral("LANG=ja_JP.UTF-8"), QStringLiteral("LC_ALL=en_GB.UTF-8")}
                                        << QStringList() << QStringLiteral("failure-report_")
                                        << QStringLiteral("Usage: quadrix [SWITCH]");
    QTest::newRow("lc_messages_korean") << QStringList{QStringLiteral("LC_MESSAGES=ko_KR.UTF-8")} << QStringList()
                                        << QStringLiteral("오류보고서_") << QStringLiteral("사용법: quadrix [스위치]");
    QTest::newRow("other_language_is_english") << QStringList{QStringLiteral("LANG=de_DE.UTF-8")} << QStringList()
                                               << QStringLiteral("failure-report_")
                                               << QStringLiteral("Usage: quadrix [SWITCH]");
    QTest::newRow("switch_before_environment") << QStringList{QStringLiteral("LANG=ja_JP.UTF-8")}
                                               << QStringList{QStringLiteral("--language"), QStringLiteral("zh_TW")}
                                               << QStringLiteral("錯誤報告_") << QStringLiteral("用法：quadrix [開關]");
    QTest::newRow("simplified_chinese") << QStringList{QStringLiteral("LANG=zh_CN.UTF-8")} << QStringList()
                                        << QStringLiteral("错误报告_") << QStringLiteral("用法：quadrix [开关]");
}

void tst_Headless::languageAndReportPlace()
{
    // In place, the report goes to the data folder, never among the pictures.
    QFETCH(QStringList, environment);
    QFETCH(QStringList, switches);
    QFETCH(QString, reportPrefix);
    Headless child;
    QProcessEnvironment variables = child.process.processEnvironment();
    variables.remove(QStringLiteral("LANG"));
    variables.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
    for (const QString &setting : std::as_const(environment))
        variables.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    child.process.setProcessEnvironment(variables);
    QCOMPARE(child.run(QStringList{QStringLiteral("--headless")} + switches + QStringList{path(QStringLiteral("pics"))}), 1);
    const QString reports = path(QStringLiteral("data/Pictavo/Pictavo/reports"));
    const QStringList written = QDir(reports).entryList(QDir::Files);
    QCOMPARE(written.size(), 1);
    QVERIFY2(written.first().startsWith(reportPrefix), qPrintable(written.first()));
    QCOMPARE(lastObject(records(child.output).last()).value(QStringLiteral("report")).toString(),
             reports + QLatin1Char('/') + written.first());
    QCOMPARE(QDir(path(QStringLiteral("pics"))).entryList(QDir::Files).filter(QStringLiteral(".txt")), QStringList());

    // The help speaks the same language, every line within 79 columns (East
    // Asian characters two wide) but the examples' commands.
    QFETCH(QString, usageStart);
    QCOMPARE(child.run(QStringList{QStringLiteral("--help")} + switches), 0);
    const QString usage = QString::fromUtf8(child.output);
    QVERIFY2(usage.startsWith(usageStart), qPrintable(usage.left(80)));
    for (const QString &line : usage.split(QLatin1Char('\n'))) {
        int width = 0;
        for (const QChar c : line)
            width += c.unicode() >= 0x1100 ? 2 : 1;
        const bool command = line.startsWith(QLatin1String("  find")) || line.startsWith(QLatin1String("  quadrix"));
        QVERIFY2(width <= 79 || command, qPrintable(line));
    }
}

void tst_Headless::unknownChoiceNamesTheAcceptedOnes_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("accepted"); // part of the list the error gives

    QTest::newRow("rule_multiple_too_large") << "--rule" << "multiple:5000" << "multiple:N, square, square-power2, min:WxH";
    QTest::newRow("rule_none") << "--rule" << "none" << "multiple4, even, power2";
    QTest::newRow("fill_short_hex") << "--fill" << "#abc" << "#RRGGBB, #RRGGBBAA, edge, mirror";
    QTest::newRow("anchor_middle") << "--anchor" << "middle" << "top-left, top, top-right, left, center, right";
}

void tst_Headless::unknownChoiceNamesTheAcceptedOnes()
{
    QFETCH(QString, option);
    QFETCH(QString, value);
    QFETCH(QString, accepted);
    Headless child;
    QCOMPARE(child.run({QStringLiteral("--headless"), option, value, path(QStringLiteral("pics/a.png"))}), 2);
    const QString errors = QString::fromUtf8(child.errors);
    QVERIFY2(errors.contains(option + QStringLiteral(" 的取值无效：") + value) && errors.contains(accepted),
             qPrintable(errors));
    QVERIFY(child.output.isEmpty());
    QCOMPARE(QImage(path(QStringLiteral("pics/a.png"))).size(), QSize(7, 5));
}

void tst_Headless::choicesReachThePicture()
{
    // A 7×5 red picture: multiple of 12 gives 12×12 with the picture at the
    // bottom right; the edge fill repeats its red to every corner.
    Headless child;
    QCOMPARE(child.run({QStringLiteral("--headless"), QStringLiteral("--rule"), QStringLiteral("multiple:12"),
                        QStringLiteral("--fill"), QStringLiteral("#00FF0080"), QStringLiteral("--anchor"),
                        QStringLiteral("bottom-right"), QStringLiteral("--output-dir"), path(QStringLiteral("out")),
                        path(QStringLiteral("pics/a.png"))}),
             0);
    QImage output(path(QStringLiteral("out/a.png")));
    QCOMPARE(output.size(), QSize(12, 12));
    QCOMPARE(output.pixel(0, 0), qRgba(0, 255, 0, 128));
    QCOMPARE(output.pixel(5, 7), qRgb(200, 40, 30));
    QCOMPARE(output.pixel(4, 7), qRgba(0, 255, 0, 128));

    Headless edge;
    QCOMPARE(edge.run({QStringLiteral("--headless"), QStringLiteral("--rule"), QStringLiteral("square-power2"),
                       QStringLiteral("--fill"), QStringLiteral("edge"), QStringLiteral("--no-centered"),
                       QStringLiteral("--output-dir"), path(QStringLiteral("edge")), path(QStringLiteral("pics/a.png"))}),
             0);
    output = QImage(path(QStringLiteral("edge/a.png")));
    QCOMPARE(output.size(), QSize(8, 8));
    QCOMPARE(output.pixel(7, 7), qRgb(200, 40, 30));
}

void tst_Headless::parallelRunReportsAsPicturesFinish()
{
    // A large picture first, failures between: the later pictures are
    // reported the moment they finish, long before the first one is.
    QStringList list{path(QStringLiteral("pics/big.png"))};
    QVERIFY(writePicture(list.first(), 3001, 2001));
    for (int i = 0; i < 7; ++i) {
        list << path(QStringLiteral("pics/p%1.png").arg(i));
        if (i % 2) {
            QFile bad(list.last());
            QVERIFY(bad.open(QIODevice::WriteOnly));
            bad.write("broken");
        } else {
            QVERIFY(writePicture(list.last(), 9 + i, 3));
        }
    }
    Headless child;
    QCOMPARE(child.run(QStringList{QStringLiteral("--headless"), QStringLiteral("--jobs"), QStringLiteral("2"),
                                   QStringLiteral("--output-dir"), path(QStringLiteral("out"))}
                       + list),
             1);
    QStringList items;
    QStringList progress;
    QString report;
    for (const QStringList &record : records(child.output)) {
        if (record.first() == QLatin1String("ITEM"))
            items << record.at(2);
        else if (record.first() == QLatin1String("PROGRESS"))
            progress << record.at(1);
        else if (record.first() == QLatin1String("DONE"))
            report = lastObject(record).value(QStringLiteral("report")).toString();
    }
    qInfo("records before the first-listed picture's: %lld of 8", items.indexOf(list.first()));
    QVERIFY2(items.indexOf(list.first()) >= 6, qPrintable(items.join(QLatin1Char(' '))));
    QCOMPARE(QSet<QString>(items.cbegin(), items.cend()), QSet<QString>(list.cbegin(), list.cend()));
    QCOMPARE(progress, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                                    QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")}));
    // The failure report keeps list order.
    QFile file(report);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList failed;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.contains("[失败] "))
            failed << QString::fromUtf8(line).section(QStringLiteral("[失败] "), 1).section(QLatin1Char(' '), 0, 0);
    }
    QCOMPARE(failed, (QStringList{QStringLiteral("p1.png"), QStringLiteral("p3.png"), QStringLiteral("p5.png")}));
}

void tst_Headless::signalStopsAfterThePicturesInProgress_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void tst_Headless::signalStopsAfterThePicturesInProgress()
{
    QFETCH(int, signal);
    QStringList list;
    for (int i = 0; i < 20; ++i) {
        list << path(QStringLiteral("many/p%1.png").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(writePicture(list.last(), 1501, 1501, QColor(i * 10, 80, 120)));
    }
    Headless child;
    child.process.start(QStringLiteral(QUADRIX_PATH), QStringList{QStringLiteral("--headless"), QStringLiteral("--jobs"),
                                                                  QStringLiteral("2")} + list);
    QTRY_VERIFY_WITH_TIMEOUT((child.output += child.process.readAllStandardOutput()).contains("ITEM\tok"), 30000);
    ::kill(pid_t(child.process.processId()), signal);
    QVERIFY(child.process.waitForFinished(60000));
    QCOMPARE(child.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.process.exitCode(), 1);
    child.output += child.process.readAllStandardOutput();

    // In place: every picture is either untouched or padded whole.
    int ok = 0;
    int cancelled = 0;
    for (const QStringList &record : records(child.output)) {
        if (record.first() != QLatin1String("ITEM"))
            continue;
        const QSize size = QImage(record.at(2)).size();
        if (record.at(1) == QLatin1String("ok")) {
            ++ok;
            QCOMPARE(size, QSize(1504, 1504));
        } else {
            QCOMPARE(record.at(1), QStringLiteral("skipped"));
            QCOMPARE(lastObject(record).value(QStringLiteral("reason")).toString(), QStringLiteral("cancelled"));
            QCOMPARE(size, QSize(1501, 1501));
            ++cancelled;
        }
    }
    QCOMPARE(ok + cancelled, 20);
    QVERIFY(cancelled > 0);
    const QStringList done = records(child.output).last();
    QCOMPARE(done.first(), QStringLiteral("DONE"));
    QCOMPARE(lastObject(done).value(QStringLiteral("cancelled")).toInt(), cancelled);
}

void tst_Headless::jobsGiveIdenticalOutputs()
{
    for (int i = 0; i < 6; ++i)
        QVERIFY(writePicture(path(QStringLiteral("pics/q%1.jpg").arg(i)), 30 + i * 7, 20 + i, QColor(i * 40, 90, 200)));
    QStringList outputs;
    for (const char *jobs : {"1", "4"}) {
        const QString out = path(QStringLiteral("out") + QLatin1String(jobs));
        Headless child;
        QCOMPARE(child.run({QStringLiteral("--headless"), QStringLiteral("--jobs"), QLatin1String(jobs),
                            QStringLiteral("--rule"), QStringLiteral("power2"), QStringLiteral("--output-dir"), out,
                            path(QStringLiteral("pics"))}),
                 1); // broken.png
        QString summary;
        const QStringList names = QDir(out).entryList(QDir::Files, QDir::Name);
        for (const QString &name : names) {
            QFile file(out + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            if (!name.startsWith(QStringLiteral("错误报告_")))
                summary += name + QLatin1Char('=') + QString::fromLatin1(file.readAll().toHex()) + QLatin1Char('\n');
        }
        outputs << summary;
    }
    QCOMPARE(outputs.first().count(QLatin1Char('=')), 8);
    QCOMPARE(outputs.last(), outputs.first());
}

void tst_Headless::recordsReachTheToolWindow_data()
{
    QTest::addColumn<bool>("window");
    QTest::newRow("headless") << false;
    QTest::newRow("batch_window") << true;
}

void tst_Headless::recordsReachTheToolWindow()
{
    QFETCH(bool, window);
    // As the tool window listens: a socket in a private folder, named by its full path.
    QLocalServer server;
    server.setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = path(QStringLiteral("channel"));
    QVERIFY2(server.listen(name), qPrintable(server.errorString()));
    Headless child(window);
    // One picture at a time: records come as pictures finish, so they then follow the list.
    const QStringList arguments{window ? QStringLiteral("--start") : QStringLiteral("--headless"),
                                QStringLiteral("--jobs"), QStringLiteral("1"),
                                QStringLiteral("--report-to"), name, QStringLiteral("--output-dir"),
                                path(QStringLiteral("out")), path(QStringLiteral("pics/a.png")),
                                path(QStringLiteral("pics/broken.png")), path(QStringLiteral("pics/none.png"))};
    child.process.start(QStringLiteral(QUADRIX_PATH), arguments);
    QVERIFY(server.waitForNewConnection(20000));
    QLocalSocket *socket = server.nextPendingConnection();
    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT((received += socket->readAll()).contains("DONE\t"), 30000);
    const QList<QStringList> got = records(received);
    QCOMPARE(kinds(got), QStringLiteral("ITEM:skipped LOG ITEM:ok PROGRESS ITEM:failed PROGRESS LOG DONE"));
    QCOMPARE(got.at(0).at(2), path(QStringLiteral("pics/none.png")));
    QCOMPARE(got.at(2).at(2), path(QStringLiteral("pics/a.png")));
    const QJsonObject details = lastObject(got.at(2));
    QCOMPARE(details.value(QStringLiteral("size")).toString(), QStringLiteral("8×8"));
    QCOMPARE(details.value(QStringLiteral("oldSize")).toString(), QStringLiteral("7×5"));
    QCOMPARE(details.value(QStringLiteral("output")).toString(), path(QStringLiteral("out/a.png")));
    QVERIFY(details.value(QStringLiteral("message")).toString().startsWith(QStringLiteral("规则=4 的倍数")));
    QCOMPARE(got.at(3), (QStringList{QStringLiteral("PROGRESS"), QStringLiteral("1"), QStringLiteral("2"),
                                     QStringLiteral("a.png")}));
    QVERIFY(!lastObject(got.at(4)).value(QStringLiteral("reason")).toString().isEmpty());
    const QJsonObject done = lastObject(got.last());
    QCOMPARE(done.value(QStringLiteral("exported")).toInt(), 1);
    QCOMPARE(done.value(QStringLiteral("failed")).toInt(), 1);
    QCOMPARE(done.value(QStringLiteral("skipped")).toInt(), 1);
    QVERIFY(QFileInfo::exists(done.value(QStringLiteral("report")).toString()));
    if (window) {
        // The window stays open after its run, as without the channel.
        QCOMPARE(child.process.state(), QProcess::Running);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(child.process.state(), QProcess::NotRunning, 10000);
        QCOMPARE(child.process.exitCode(), 1);
        QCOMPARE(child.process.readAllStandardOutput(), received);
    }
}

QTEST_GUILESS_MAIN(tst_Headless)
#include "tst_headless.moc"
