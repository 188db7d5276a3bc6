#include "LineProtocol.h"
#include "LogFile.h"
#include "RuntimeLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>
#include <QThread>

#include <vector>

Q_LOGGING_CATEGORY(lcProbe, "pictavo.probe")

namespace {

// One record, field by field; the message may span lines, so match the whole text.
const QRegularExpression &recordPattern()
{
    static const QRegularExpression pattern(QStringLiteral(
            R"re(^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(?:[+-]\d\d:\d\d|Z)?) seq=(\d+) session=(\d{8}-\d{9}-\d+) )re"
            R"re(level=(DEBUG|INFO|WARN|ERROR|FATAL) pid=(\d+) thread=(\d+)(?: category=(\S+))? )re"
            R"re(message="(.*?)"(?: source=([^ /\\:]+):(\d+))?(?: function="(.*)")?$)re"),
            QRegularExpression::DotMatchesEverythingOption);
    return pattern;
}

QStringList logLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString lastLine(const QString &path)
{
    const QStringList lines = logLines(path);
    return lines.isEmpty() ? QString() : lines.last();
}

} // namespace

class tst_RuntimeLog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sessionLineIsFirstRecord();
    void recordFields_data();
    void recordFields();
    void recordWithoutContext();
    void messageStaysOnItsLine();
    void rotation();
    void annotations_data();
    void annotations();
    void releaseHistoryIsCopied();
    void manyThreadsInterleaveNothing();
    void fallsBackToLocalDataLocation();
    void nothingBesideSystemPrograms_data();
    void nothingBesideSystemPrograms();
    void twoProcessesShareOneLog();
    void hostileLogFolder_data();
    void hostileLogFolder();

private:
    QString m_log;
};

void tst_RuntimeLog::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.36"));
    // This test's own logs folder, fresh for every run.
    QDir(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("logs"))).removeRecursively();
    RuntimeLog::initialize();
    m_log = RuntimeLog::runtimeLogPath();
    QCOMPARE(QFileInfo(m_log).absolutePath(),
             QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("logs")));
}

void tst_RuntimeLog::sessionLineIsFirstRecord()
{
    const QStringList lines = logLines(m_log);
    QVERIFY(!lines.isEmpty());
    const QRegularExpressionMatch match = recordPattern().match(lines.first());
    QVERIFY2(match.hasMatch(), qPrintable(lines.first()));
    QCOMPARE(match.captured(2), QStringLiteral("0"));
    QCOMPARE(match.captured(3), RuntimeLog::sessionId());
    QVERIFY(RuntimeLog::sessionId().endsWith(QLatin1Char('-') + QString::number(QCoreApplication::applicationPid())));
    QCOMPARE(RuntimeLog::sessionId().indexOf(QLatin1Char('-'), 9), 18);
    QCOMPARE(match.captured(4), QStringLiteral("INFO"));
    QCOMPARE(match.captured(5).toLongLong(), QCoreApplication::applicationPid());
    const QString message = match.captured(8);
    QVERIFY2(message.startsWith(QStringLiteral("session_begin app_version= 2.36 qt_version= ") + QString::fromLatin1(qVersion())
                                + QStringLiteral(" os= ")),
             qPrintable(message));
    for (const char *item : {" os_version= ", " kernel= ", " cpu= ", " build_cpu= ", " executable= "})
        QVERIFY2(message.contains(QLatin1String(item)), item);
    QVERIFY(message.endsWith(QStringLiteral("executable= ") + QCoreApplication::applicationFilePath()));
}

void tst_RuntimeLog::recordFields_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("category");
    QTest::newRow("info") << 0 << "INFO" << "default";
    QTest::newRow("warning") << 1 << "WARN" << "default";
    QTest::newRow("critical") << 2 << "ERROR" << "default";
    QTest::newRow("debug") << 3 << "DEBUG" << "default";
    QTest::newRow("own_category") << 4 << "INFO" << "pictavo.probe";
}

void tst_RuntimeLog::recordFields()
{
    QFETCH(int, kind);
    QFETCH(QString, level);
    QFETCH(QString, category);

    const QString text = QStringLiteral("fields check %1").arg(kind);
    int line = 0;
    switch (kind) {
    case 0: line = __LINE__; qInfo().noquote() << text; break;
    case 1: line = __LINE__; qWarning().noquote() << text; break;
    case 2: line = __LINE__; qCritical().noquote() << text; break;
    case 3: line = __LINE__; qDebug().noquote() << text; break;
    case 4: line = __LINE__; qCInfo(lcProbe).noquote() << text; break;
    }
    const QString record = lastLine(m_log);
    const QRegularExpressionMatch match = recordPattern().match(record);
    QVERIFY2(match.hasMatch(), qPrintable(record));
    QCOMPARE(match.captured(4), level);
    QCOMPARE(match.captured(6).toLongLong(), LogFile::currentThreadId());
    QCOMPARE(match.captured(7), category);
    QCOMPARE(match.captured(8), text);
    QCOMPARE(match.captured(9), QStringLiteral("tst_runtimelog.cpp"));
    QCOMPARE(match.captured(10).toInt(), line);
    QVERIFY2(match.captured(11).contains(QStringLiteral("tst_RuntimeLog::recordFields")), qPrintable(match.captured(11)));
}

void tst_RuntimeLog::recordWithoutContext()
{
    RuntimeLog::messageHandler(QtInfoMsg, QMessageLogContext(), QStringLiteral("bare message"));
    const QString record = lastLine(m_log);
    const QRegularExpressionMatch match = recordPattern().match(record);
    QVERIFY2(match.hasMatch(), qPrintable(record));
    QVERIFY(!record.contains(QStringLiteral(" category=")));
    QVERIFY(!record.contains(QStringLiteral(" source=")));
    QVERIFY(!record.contains(QStringLiteral(" function=")));
    QVERIFY(record.endsWith(QStringLiteral(" message=\"bare message\"")));
}

void tst_RuntimeLog::messageStaysOnItsLine()
{
    // A refused path with a line feed must not start a line that reads as a record of its own.
    const int before = int(logLines(m_log).size());
    qInfo().noquote() << "say \"hi\"\n2026-01-01T00:00:00.000 seq=9 forged\r\t\x01";
    const QStringList lines = logLines(m_log);
    QCOMPARE(lines.size(), before + 1);
    QVERIFY2(lines.last().contains(QStringLiteral(" message=\"say \"hi\"\\n2026-01-01T00:00:00.000 seq=9 forged\\r\\t\\x01\" source=")),
             qPrintable(lines.last()));
}

void tst_RuntimeLog::rotation()
{
    const QString older = m_log + QStringLiteral(".1");
    QFile::remove(older);
    {
        QFile file(m_log);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.resize(RuntimeLog::RotationBytes));
    }
    qInfo("at the limit");
    QVERIFY(!QFileInfo::exists(older));
    QVERIFY(QFileInfo(m_log).size() > RuntimeLog::RotationBytes);
    QVERIFY(lastLine(m_log).contains(QStringLiteral("message=\"at the limit\"")));

    const qint64 rotatedSize = QFileInfo(m_log).size();
    qInfo("after the limit");
    QCOMPARE(QFileInfo(older).size(), rotatedSize);
    const QStringList lines = logLines(m_log);
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().contains(QStringLiteral("message=\"after the limit\"")));
}

void tst_RuntimeLog::annotations_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("recordText");

    QTest::newRow("blank_only") << "  \t \n " << false << QString();
    QTest::newRow("plain") << "  looks fine  " << true << "looks fine";
    QTest::newRow("quote_escaped") << "the \"big\" one" << true << "the \\\"big\\\" one";
    QTest::newRow("line_breaks_become_one_blank") << "first\r\n\n  second\tthird" << true << "first second third";
}

void tst_RuntimeLog::annotations()
{
    QFETCH(QString, text);
    QFETCH(bool, written);
    QFETCH(QString, recordText);

    const QStringList before = logLines(RuntimeLog::notesPath());
    QCOMPARE(RuntimeLog::appendAnnotation(QStringLiteral("review"), text), written);
    const QStringList after = logLines(RuntimeLog::notesPath());
    if (!written) {
        QCOMPARE(after, before);
        return;
    }
    QCOMPARE(after.size(), before.size() + 1);
    const QRegularExpression pattern(QStringLiteral(R"re(^\S+ session=(\S+) version=2\.36 type=review text="(.*)"$)re"));
    const QRegularExpressionMatch match = pattern.match(after.last());
    QVERIFY2(match.hasMatch(), qPrintable(after.last()));
    QCOMPARE(match.captured(1), RuntimeLog::sessionId());
    QCOMPARE(match.captured(2), recordText);
    // The runtime log says so too, with the text trimmed and not simplified, its control characters escaped.
    QVERIFY(logLines(m_log).join(QLatin1Char('\n')).contains(QStringLiteral("message=\"developer_annotation type= review text= ")
                                                              + LineProtocol::escaped(text.trimmed()) + QStringLiteral("\" source=")));
}

void tst_RuntimeLog::releaseHistoryIsCopied()
{
    RuntimeLog::recordReleaseHistory();
    QFile resource(QStringLiteral(":/docs/release-history.json"));
    QVERIFY(resource.open(QIODevice::ReadOnly));
    const QString copyPath = QDir(RuntimeLog::logsFolder()).filePath(QStringLiteral("release-history.json"));
    QFile copy(copyPath);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), resource.readAll());
    QVERIFY(lastLine(m_log).contains(QStringLiteral("message=\"release history written ") + copyPath + QLatin1Char('"')));
}

void tst_RuntimeLog::manyThreadsInterleaveNothing()
{
    const int before = logLines(m_log).size();
    constexpr int Threads = 8;
    constexpr int PerThread = 300;
    std::vector<QThread *> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.push_back(QThread::create([t] {
            for (int i = 0; i < PerThread; ++i)
                qInfo().noquote() << "thread" << t << "record" << i;
        }));
        threads.back()->start();
    }
    for (QThread *thread : threads) {
        QVERIFY(thread->wait(60000));
        delete thread;
    }
    const QStringList lines = logLines(m_log).mid(before);
    QCOMPARE(lines.size(), Threads * PerThread);
    quint64 previous = 0;
    QSet<QString> seen;
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = recordPattern().match(lines.at(i));
        QVERIFY2(match.hasMatch(), qPrintable(lines.at(i)));
        const quint64 seq = match.captured(2).toULongLong();
        if (i > 0)
            QCOMPARE(seq, previous + 1);
        previous = seq;
        seen.insert(match.captured(8));
    }
    QCOMPARE(seen.size(), Threads * PerThread);
}

void tst_RuntimeLog::fallsBackToLocalDataLocation()
{
    // "logs" beside the program is a plain file: no folder can be made there.
    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString probe = dir.filePath(QStringLiteral("logprobe"));
    QVERIFY(QFile::copy(QStringLiteral(LOGPROBE_PATH), probe));
    QFile blocker(dir.filePath(QStringLiteral("logs")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    process.setProcessEnvironment(environment);
    process.start(probe, {QStringLiteral("--count"), QStringLiteral("3")});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    const QStringList lines = logLines(dir.filePath(QStringLiteral("data/Pictavo/Pictavo/logs/runtime.log")));
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines.first().contains(QStringLiteral("message=\"session_begin ")));
    QVERIFY(lines.last().contains(QStringLiteral(" seq=3 ")));
}

void tst_RuntimeLog::nothingBesideSystemPrograms_data()
{
    QTest::addColumn<QString>("systemFolder");
    QTest::newRow("opt") << QStringLiteral("/opt");
    QTest::newRow("usr_local") << QStringLiteral("/usr/local");
}

void tst_RuntimeLog::nothingBesideSystemPrograms()
{
    // Root may write there, and must still leave the installed program's folder alone.
    QFETCH(QString, systemFolder);
    QTemporaryDir installed(systemFolder + QStringLiteral("/pictavo-logtest-XXXXXX"));
    if (!installed.isValid())
        QSKIP("needs a folder under a system location, which only root can make");
    QTemporaryDir data;
    const QString probe = installed.filePath(QStringLiteral("logprobe"));
    QVERIFY(QFile::copy(QStringLiteral(LOGPROBE_PATH), probe));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    process.setProcessEnvironment(environment);
    process.start(probe, {QStringLiteral("--release-history"), QStringLiteral("--count"), QStringLiteral("1")});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QDir(installed.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("logprobe")});
    QCOMPARE(logLines(data.filePath(QStringLiteral("Pictavo/Pictavo/logs/runtime.log"))).size(), 3);
    QVERIFY(QFileInfo::exists(data.filePath(QStringLiteral("Pictavo/Pictavo/logs/release-history.json"))));
}

void tst_RuntimeLog::twoProcessesShareOneLog()
{
    // Two instances write one log past the rotation size at the same time: every
    // line of both generations is one whole record.
    QTemporaryDir dir;
    const QString probe = dir.filePath(QStringLiteral("logprobe"));
    QVERIFY(QFile::copy(QStringLiteral(LOGPROBE_PATH), probe));
    {
        QFile file(dir.filePath(QStringLiteral("logs/runtime.log")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("logs")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(RuntimeLog::RotationBytes - 100000));
    }
    QProcess first, second;
    for (QProcess *process : {&first, &second})
        process->start(probe, {QStringLiteral("--count"), QStringLiteral("3000")});
    for (QProcess *process : {&first, &second}) {
        QVERIFY(process->waitForFinished(60000));
        QCOMPARE(process->exitCode(), 0);
    }
    const QString log = dir.filePath(QStringLiteral("logs/runtime.log"));
    QVERIFY(QFileInfo::exists(log + QStringLiteral(".1")));
    QStringList lines = logLines(log);
    QStringList older = logLines(log + QStringLiteral(".1"));
    // The older generation begins with the zero-filled stand-in for earlier records.
    if (!older.isEmpty() && older.first().startsWith(QChar(0)))
        older.removeFirst();
    lines += older;
    QVERIFY(lines.size() > 1000);
    for (const QString &line : std::as_const(lines))
        QVERIFY2(recordPattern().match(line).hasMatch(), qPrintable(line.left(200)));
}

void tst_RuntimeLog::hostileLogFolder_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<QString>("folder"); // where the log lands, below the test folder

    const QString uid = QString::number(::geteuid());
    QTest::newRow("fifo_as_runtime_log") << QStringLiteral("fifo") << QString();
    QTest::newRow("link_as_release_history") << QStringLiteral("link") << QStringLiteral("logs");
    QTest::newRow("temp_fallback_is_private") << QStringLiteral("fallback") << QStringLiteral("tmp/Pictavo-%1/logs").arg(uid);
    QTest::newRow("temp_folder_of_another_user") << QStringLiteral("other")
                                                 << QStringLiteral("tmp/Pictavo-%1-2/logs").arg(uid);
}

void tst_RuntimeLog::hostileLogFolder()
{
    QFETCH(QString, planted);
    QFETCH(QString, folder);
    if (planted == u"other" && ::geteuid() != 0)
        QSKIP("only root can make a folder that belongs to another user");

    QTemporaryDir dir;
    const QString probe = dir.filePath(QStringLiteral("logprobe"));
    QVERIFY(QFile::copy(QStringLiteral(LOGPROBE_PATH), probe));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), dir.filePath(QStringLiteral("tmp")));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("tmp"))));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("logs"))));
    QFile victim(dir.filePath(QStringLiteral("victim.txt")));
    QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write("mine") == 4);
    victim.close();

    if (planted == u"fifo") {
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("logs/runtime.log"))).constData(), 0644) == 0);
    } else if (planted == u"link") {
        QVERIFY(QFile::link(victim.fileName(), dir.filePath(QStringLiteral("logs/release-history.json"))));
    } else {
        // Neither beside the program nor in the data location: the temporary folder is left.
        QVERIFY(QDir(dir.filePath(QStringLiteral("logs"))).removeRecursively());
        QFile blocker(dir.filePath(QStringLiteral("logs")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), victim.fileName() + QStringLiteral("/data"));
        // Nor the runtime or cache folders, which come before it.
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), victim.fileName() + QStringLiteral("/cache"));
        if (planted == u"other") {
            const QString taken = dir.filePath(QStringLiteral("tmp/Pictavo-%1").arg(::geteuid()));
            QVERIFY(QDir().mkpath(taken + QStringLiteral("/logs")));
            QVERIFY(::chmod(QFile::encodeName(taken).constData(), 0777) == 0);
            QVERIFY(::chown(QFile::encodeName(taken).constData(), 65534, 65534) == 0);
        }
    }

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(probe, {QStringLiteral("--release-history"), QStringLiteral("--count"), QStringLiteral("2")});
    QVERIFY2(process.waitForFinished(10000), "the program hung on a planted file");
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(victim.open(QIODevice::ReadOnly) ? victim.readAll() : QByteArray(), QByteArray("mine"));
    if (folder.isEmpty())
        return;
    const QString log = QDir(dir.filePath(folder)).filePath(QStringLiteral("runtime.log"));
    // The session line, the release history line (not through a link) and two probes.
    QCOMPARE(logLines(log).size(), planted == u"link" ? 3 : 4);
    QCOMPARE(QFileInfo(log).permissions() & 0x0077, QFileDevice::Permissions());
    if (planted != u"link")
        QCOMPARE(QFileInfo(dir.filePath(folder)).permissions() & 0x0077, QFileDevice::Permissions());
}

QTEST_GUILESS_MAIN(tst_RuntimeLog)
#include "tst_runtimelog.moc"
