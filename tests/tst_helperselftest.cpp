#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The helper executable's --self-test, run as a real child process from a copy
// of the executable, so its report lands in a folder of the test's own.
class tst_HelperSelfTest : public QObject
{
    Q_OBJECT

private slots:
    void passes();
    void failsWhenWorkFolderCannotBeMade();

private:
    struct Run
    {
        int exitCode = -1;
        QByteArray report;
    };
    Run runSelfTest(const QString &tempFolder);
};

tst_HelperSelfTest::Run tst_HelperSelfTest::runSelfTest(const QString &tempFolder)
{
    Run run;
    QTemporaryDir home;
    if (!home.isValid())
        return run;
    const QString copy = home.filePath(QStringLiteral("Quadrix"));
    if (!QFile::copy(QStringLiteral(QUADRIX_PATH), copy))
        return run;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), tempFolder);
    process.setProcessEnvironment(environment);
    process.start(copy, {QStringLiteral("--self-test")});
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    QFile report(home.filePath(QStringLiteral("exe_self_test.txt")));
    if (report.open(QIODevice::ReadOnly))
        run.report = report.readAll();
    return run;
}

void tst_HelperSelfTest::passes()
{
    QTemporaryDir temp;
    QVERIFY2(temp.isValid(), qPrintable(temp.errorString()));
    const Run run = runSelfTest(temp.path());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.report, QByteArray("\xEF\xBB\xBF"
                                    "PASS\r\n"
                                    "Multiple of 4: PASS\r\n"
                                    "Even size: PASS\r\n"
                                    "Power of two: PASS\r\n"
                                    "No crop/resize, pixel equality: PASS\r\n"
                                    "Transparent padding: PASS\r\n"
                                    "In-place replacement: PASS\r\n"
                                    "Existing output replacement: PASS\r\n"));
    // The work folder is removed after success.
    QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void tst_HelperSelfTest::failsWhenWorkFolderCannotBeMade()
{
    // The temporary folder is a plain file: no work folder can be made in it,
    // whoever runs the test (root included).
    QTemporaryDir temp;
    const QString notAFolder = temp.filePath(QStringLiteral("file"));
    QFile file(notAFolder);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const Run run = runSelfTest(notAFolder);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.report.startsWith("\xEF\xBB\xBF" "FAIL\r\n"), run.report.constData());
    QVERIFY(run.report.contains("work folder"));
    QVERIFY(run.report.endsWith("\r\n"));
}

QTEST_GUILESS_MAIN(tst_HelperSelfTest)
#include "tst_helperselftest.moc"
