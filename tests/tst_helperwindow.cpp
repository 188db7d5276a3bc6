#include <QDir>
#include <QDirIterator>
#include <QHash>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// A helper process that is ended when the test leaves, whatever the outcome.
struct Child
{
    QProcess process;

    Child()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
    }
    ~Child()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    void start(const QStringList &arguments) { process.start(QStringLiteral(QUADRIX_PATH), arguments); }
};

bool writePicture(const QString &path, int width, int height, QColor colour)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path);
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Every file below `folder`, as paths relative to it, sorted.
QStringList treeIn(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

// The helper executable with its window, run as a real child process under the
// offscreen platform.
class tst_HelperWindow : public QObject
{
    Q_OBJECT

private slots:
    void startPadsEverythingAndStaysOpen();
    void smokeTestClosesByItself();
    void closingDuringRunEndsAtOnce_data();
    void closingDuringRunEndsAtOnce();
    void filesFromPrivateList();
    void reportInLanguage_data();
    void reportInLanguage();
};

void tst_HelperWindow::startPadsEverythingAndStaysOpen()
{
    QTemporaryDir temp;
    QVERIFY2(temp.isValid(), qPrintable(temp.errorString()));
    const QString pics = temp.filePath(QStringLiteral("pics"));
    const QString out = temp.filePath(QStringLiteral("out"));
    const QColor red(220, 30, 20);
    QVERIFY(writePicture(pics + QStringLiteral("/a.png"), 7, 5, red));
    QVERIFY(writePicture(pics + QStringLiteral("/sub/b.jpg"), 20, 10, Qt::white));
    QVERIFY(writePicture(pics + QStringLiteral("/sub/deeper/c.bmp"), 3, 3, red));
    // Named on the command line, the folder keeps its output-folder pictures too.
    QVERIFY(writePicture(pics + QStringLiteral("/像素补齐_输出/d.png"), 5, 5, red));
    QFile notes(pics + QStringLiteral("/notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.close();

    Child child;
    child.start({QStringLiteral("--rule"), QStringLiteral("power2"), QStringLiteral("--fill"), QStringLiteral("black"),
                 QStringLiteral("--no-centered"), QStringLiteral("--png"), QStringLiteral("--output-dir"), out,
                 QStringLiteral("--start"), pics});
    QVERIFY2(child.process.waitForStarted(10000), qPrintable(child.process.errorString()));

    // The folder's tree is kept below the output folder.
    const QStringList expected{QStringLiteral("a.png"), QStringLiteral("sub/b.png"), QStringLiteral("sub/deeper/c.png"),
                               QStringLiteral("像素补齐_输出/d.png")};
    // Each output appears by an atomic rename, so a listed name is a complete picture.
    QTRY_COMPARE_WITH_TIMEOUT(treeIn(out), expected, 60000);

    // The run is over, and the window stays open until someone closes it.
    QVERIFY(!child.process.waitForFinished(1500));
    QCOMPARE(child.process.state(), QProcess::Running);
    QCOMPARE(treeIn(out), expected);

    const QImage a(out + QStringLiteral("/a.png"));
    QCOMPARE(a.size(), QSize(8, 8));
    QCOMPARE(a.pixel(0, 0), red.rgb());
    QCOMPARE(a.pixel(6, 4), red.rgb());
    QCOMPARE(a.pixel(7, 0), qRgb(0, 0, 0));
    QCOMPARE(a.pixel(0, 5), qRgb(0, 0, 0));
    QCOMPARE(qAlpha(a.pixel(7, 7)), 255);
    const QImage b(out + QStringLiteral("/sub/b.png"));
    QCOMPARE(b.size(), QSize(32, 16));
    QCOMPARE(b.pixel(31, 15), qRgb(0, 0, 0));
    QCOMPARE(QImage(out + QStringLiteral("/sub/deeper/c.png")).size(), QSize(4, 4));
    QCOMPARE(QImage(out + QStringLiteral("/像素补齐_输出/d.png")).size(), QSize(8, 8));
    QCOMPARE(QImage(pics + QStringLiteral("/a.png")).size(), QSize(7, 5));

    child.process.kill();
    QVERIFY(child.process.waitForFinished(10000));
}

void tst_HelperWindow::smokeTestClosesByItself()
{
    Child child;
    QElapsedTimer timer;
    timer.start();
    child.start({QStringLiteral("--smoke-test")});
    QVERIFY2(child.process.waitForFinished(20000), "the window did not close by itself");
    QCOMPARE(child.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.process.exitCode(), 0);
    // The window was up for about half a second first.
    QVERIFY2(timer.elapsed() >= 450, qPrintable(QString::number(timer.elapsed())));
}

void tst_HelperWindow::closingDuringRunEndsAtOnce_data()
{
    QTest::addColumn<QString>("jobs");
    QTest::newRow("one_at_a_time") << QStringLiteral("1");
    QTest::newRow("three_at_once") << QStringLiteral("3");
}

void tst_HelperWindow::closingDuringRunEndsAtOnce()
{
    QFETCH(QString, jobs);
    QTemporaryDir temp;
    QVERIFY2(temp.isValid(), qPrintable(temp.errorString()));
    const QString pics = temp.filePath(QStringLiteral("pics"));
    const QString out = temp.filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(pics));
    // Noise does not compress: padding one of these into a 4096 x 4096 PNG takes
    // seconds, far longer than the half second the window stays open.
    QImage noise(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < noise.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x)
            line[x] = 0xFF000000u | (random.generate() & 0xFFFFFFu);
    }
    const QString first = pics + QStringLiteral("/p0.jpg");
    QVERIFY(noise.save(first, "JPEG", 95));
    for (int i = 1; i < 3; ++i)
        QVERIFY(QFile::copy(first, pics + QStringLiteral("/p%1.jpg").arg(i)));

    // The smoke test closes the window after half a second, in the middle of the first picture.
    Child child;
    child.start({QStringLiteral("--smoke-test"), QStringLiteral("--jobs"), jobs, QStringLiteral("--rule"),
                 QStringLiteral("power2"), QStringLiteral("--png"), QStringLiteral("--output-dir"), out,
                 QStringLiteral("--start"), pics});
    QVERIFY2(child.process.waitForFinished(20000), "the helper did not end after its window closed");
    QCOMPARE(child.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.process.exitCode(), 0);

    // The run had begun (it makes the output folder first), but the program
    // ended without waiting for the pictures in progress: whatever carries a
    // picture's own name is complete, the rest are temporary files.
    QVERIFY(QFileInfo(out).isDir());
    for (const QString &name : filesIn(out)) {
        if (!name.contains(QLatin1String(".tesselle.tmp")))
            QCOMPARE(QImage(out + QLatin1Char('/') + name).size(), QSize(4096, 4096));
    }
}

void tst_HelperWindow::filesFromPrivateList()
{
    // As the tool window hands over a list too long for a command line: one
    // path a line, in its private folder, which the helper empties after reading.
    QTemporaryDir temp;
    QVERIFY2(temp.isValid(), qPrintable(temp.errorString()));
    const QString out = temp.filePath(QStringLiteral("out"));
    QVERIFY(writePicture(temp.filePath(QStringLiteral("pics/第一.png")), 5, 5, Qt::red));
    QVERIFY(writePicture(temp.filePath(QStringLiteral("pics/two words.bmp")), 3, 2, Qt::blue));
    const QString folder = temp.filePath(QStringLiteral("Pictavo-%1").arg(::getuid()));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QString list = folder + QStringLiteral("/files-test.txt");
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray lines = (temp.filePath(QStringLiteral("pics/第一.png")) + QLatin1Char('\n')
                              + temp.filePath(QStringLiteral("pics/two words.bmp")) + QLatin1Char('\n'))
                                 .toUtf8();
    QVERIFY(file.write(lines.repeated(50000)) == lines.size() * 50000); // 100,000 paths
    file.close();

    Child child;
    child.start({QStringLiteral("--output-dir"), out, QStringLiteral("--start"), QStringLiteral("--files-from"), list});
    QVERIFY2(child.process.waitForStarted(10000), qPrintable(child.process.errorString()));
    const QStringList expected{QStringLiteral("two words.bmp"), QStringLiteral("第一.png")};
    QTRY_COMPARE_WITH_TIMEOUT(filesIn(out), expected, 60000);
    QVERIFY(!QFileInfo::exists(list));
    QCOMPARE(QImage(out + QStringLiteral("/第一.png")).size(), QSize(8, 8));
    child.process.kill();
    QVERIFY(child.process.waitForFinished(10000));
}

void tst_HelperWindow::reportInLanguage_data()
{
    QTest::addColumn<QStringList>("language"); // the switch; empty: none
    QTest::addColumn<QString>("line");         // the report's line after its time stamp

    QTest::newRow("without_switch") << QStringList()
                                    << QStringLiteral("[失败] empty.png   ->   文件为空，不是有效的图片");
    QTest::newRow("english") << QStringList{QStringLiteral("--language"), QStringLiteral("en_US")}
                             << QStringLiteral("[Failed] empty.png   ->   The file is empty, not a valid image");
    QTest::newRow("korean") << QStringList{QStringLiteral("--language"), QStringLiteral("ko_KR")}
                            << QStringLiteral("[실패] empty.png   ->   파일이 비어 있어 올바른 이미지가 아닙니다");
    QTest::newRow("unknown_code_is_chinese") << QStringList{QStringLiteral("--language"), QStringLiteral("fr_FR")}
                                             << QStringLiteral("[失败] empty.png   ->   文件为空，不是有效的图片");
}

// The report of a failing picture: its line format fixed, its name and words
// in the language the tool window passed.
void tst_HelperWindow::reportInLanguage()
{
    QFETCH(QStringList, language);
    QFETCH(QString, line);
    QTemporaryDir temp;
    QVERIFY2(temp.isValid(), qPrintable(temp.errorString()));
    const QString out = temp.filePath(QStringLiteral("out"));
    QFile empty(temp.filePath(QStringLiteral("empty.png")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();

    Child child;
    child.start(language + QStringList{QStringLiteral("--output-dir"), out, QStringLiteral("--start"), empty.fileName()});
    QVERIFY2(child.process.waitForStarted(10000), qPrintable(child.process.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(filesIn(out).size(), 1, 60000);
    const QString name = filesIn(out).constFirst();
    // The name's first word follows the language too.
    const QHash<QString, QString> prefixes{{QStringLiteral("zh_TW"), QStringLiteral("錯誤報告")},
                                           {QStringLiteral("ja_JP"), QStringLiteral("失敗レポート")},
                                           {QStringLiteral("ko_KR"), QStringLiteral("오류보고서")},
                                           {QStringLiteral("en_US"), QStringLiteral("failure-report")}};
    const QString prefix = prefixes.value(language.value(1), QStringLiteral("错误报告"));
    QVERIFY2(QRegularExpression(QStringLiteral("^%1_\\d{8}_\\d{6}\\.txt$").arg(prefix)).match(name).hasMatch(), qPrintable(name));
    QFile report(QDir(out).filePath(name));
    QTRY_VERIFY_WITH_TIMEOUT(report.size() > 0, 10000);
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QByteArray bytes = report.readAll();
    QVERIFY2(bytes.startsWith("\xEF\xBB\xBF") && bytes.endsWith("\r\n"), bytes.constData());
    // "yyyy-MM-dd HH:mm:ss " and the line.
    QCOMPARE(QString::fromUtf8(bytes.mid(3 + 20).chopped(2)), line);
    child.process.kill();
    QVERIFY(child.process.waitForFinished(10000));
}

QTEST_GUILESS_MAIN(tst_HelperWindow)
#include "tst_helperwindow.moc"
