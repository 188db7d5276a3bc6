#include "InstancePlatform.h"
#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

using IntegratedTools::ImageResize;
using namespace Qt::StringLiterals;

// The single-instance guard inside one process: names, the message format, the
// inbox and the lock. Whole programs meet in tst_standalonemain.
class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void names_data();
    void names();
    void parsePathList_data();
    void parsePathList();
    void privateFolderNeverShared();
    void lockIsExclusive();
    void forwardedPathsReachTheWindow();
    void payloadOneByteAtATime();
    void payloadLimit_data();
    void payloadLimit();
    void inboxIsDrainedInNameOrder();
    void handOverQueuesWhenNoServerListens();

private:
    struct Recorder;
    static void serveAndConnect(QObject *owner, Recorder &recorder, QLocalSocket *client);
    struct Recorder
    {
        QList<QStringList> calls;
        SingleInstance::Target target()
        {
            return {nullptr, [this](const QStringList &paths) { calls << paths; }};
        }
    };
    QScopedPointer<QTemporaryDir> m_runtime;
    QByteArray m_savedRuntime;
    QByteArray m_savedUser;
    QByteArray m_savedUserName;
};

void tst_SingleInstance::init()
{
    m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    m_savedUser = qgetenv("USER");
    m_savedUserName = qgetenv("USERNAME");
    m_runtime.reset(new QTemporaryDir);
    QVERIFY(m_runtime->isValid());
    QVERIFY(::chmod(QFile::encodeName(m_runtime->path()).constData(), 0700) == 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
    qputenv("USERNAME", "tester");
}

void tst_SingleInstance::cleanup()
{
    auto restore = [](const char *name, const QByteArray &value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("XDG_RUNTIME_DIR", m_savedRuntime);
    restore("USER", m_savedUser);
    restore("USERNAME", m_savedUserName);
}

void tst_SingleInstance::names_data()
{
    QTest::addColumn<QByteArray>("userName");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QString>("rawUser");     // as the environment gives it
    QTest::addColumn<QString>("serverUser");  // trimmed, lower-cased, defaulted

    QTest::newRow("capitals_and_blanks") << QByteArray(" Ada Lovelace ") << QByteArray("ignored")
                                         << " Ada Lovelace " << "ada lovelace";
    QTest::newRow("user_when_no_username") << QByteArray() << QByteArray("Bob") << "Bob" << "bob";
    QTest::newRow("nobody_at_all") << QByteArray() << QByteArray() << QString() << "default-user";
}

void tst_SingleInstance::names()
{
    QFETCH(QByteArray, userName);
    QFETCH(QByteArray, user);
    QFETCH(QString, rawUser);
    QFETCH(QString, serverUser);
    userName.isEmpty() ? qunsetenv("USERNAME") : qputenv("USERNAME", userName);
    user.isEmpty() ? qunsetenv("USER") : qputenv("USER", user);

    // The inbox keeps the name only lower-cased; the server trims and defaults it.
    const QString inboxName = QStringLiteral("Pictavo-image-resize-%1-inbox").arg(rawUser.toLower());
    QCOMPARE(QFileInfo(SingleInstance::inboxDirectory(ImageResize)).fileName(), inboxName);
    QCOMPARE(QFileInfo(SingleInstance::inboxDirectory(ImageResize)).absolutePath(), m_runtime->path());
    QCOMPARE(SingleInstance::instanceServerName(ImageResize),
             QStringLiteral("app.pictavo.Pictavo.image-resize.") + serverUser);
    QCOMPARE(SingleInstance::instanceServerName(IntegratedTools::LayerExport).section(QLatin1Char('.'), 3, 3),
             QStringLiteral("layer-export"));
    QCOMPARE(SingleInstance::lockName(IntegratedTools::PsdSlim), QStringLiteral("Pictavo.Tool.psd-slim"));
}

void tst_SingleInstance::parsePathList_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("empty_line_between") << QByteArray("/a.png\n\n/b.png") << QStringList{u"/a.png"_s, u"/b.png"_s};
    QTest::newRow("carriage_return_kept") << QByteArray("/a.png\r\n/b.png\n")
                                          << QStringList{u"/a.png\r"_s, u"/b.png"_s};
    QTest::newRow("blanks_kept") << QByteArray(" /a b.png ") << QStringList{u" /a b.png "_s};
    QTest::newRow("utf8") << QByteArray("/图片/猫.png") << QStringList{QStringLiteral("/图片/猫.png")};
}

void tst_SingleInstance::parsePathList()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, paths);
    QCOMPARE(SingleInstance::parsePathList(text), paths);
    if (!paths.isEmpty() && !text.contains("\n\n") && !text.endsWith('\n'))
        QCOMPARE(SingleInstance::pathListText(paths), text);
}

void tst_SingleInstance::privateFolderNeverShared()
{
    // A runtime folder others may enter is not used; the cache location is.
    QTemporaryDir open, cache;
    QVERIFY(::chmod(QFile::encodeName(open.path()).constData(), 0755) == 0);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(open.path()));
    const QByteArray savedCache = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    QString error;
    const QString folder = InstancePlatform::privateFolder(&error);
    savedCache.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", savedCache);
    QVERIFY2(folder.startsWith(cache.path()), qPrintable(folder + error));
    QVERIFY(InstancePlatform::isPrivateFolder(folder));
    QCOMPARE(QFileInfo(folder).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther), 0);
}

void tst_SingleInstance::lockIsExclusive()
{
    QString error;
    const QString name = SingleInstance::lockName(ImageResize);
    QCOMPARE(InstancePlatform::acquireToolLock(name, &error), InstancePlatform::LockResult::Acquired);
    QCOMPARE(InstancePlatform::acquireToolLock(name, &error), InstancePlatform::LockResult::HeldByOther);
    QCOMPARE(InstancePlatform::waitForToolLock(name, 100, &error), InstancePlatform::LockResult::HeldByOther);
    // Handing over (a restart) gives the lock to whoever asks next.
    SingleInstance::relinquish();
    QCOMPARE(InstancePlatform::acquireToolLock(name, &error), InstancePlatform::LockResult::Acquired);
    // A link planted at the lock's name is never followed.
    QVERIFY(QFile::link(m_runtime->filePath(QStringLiteral("elsewhere")),
                        m_runtime->filePath(QStringLiteral("Pictavo.Tool.psd-slim.lock"))));
    QCOMPARE(InstancePlatform::acquireToolLock(SingleInstance::lockName(IntegratedTools::PsdSlim), &error),
             InstancePlatform::LockResult::Failed);
    QVERIFY(!QFileInfo::exists(m_runtime->filePath(QStringLiteral("elsewhere"))));
}

void tst_SingleInstance::forwardedPathsReachTheWindow()
{
    Recorder recorder;
    QObject owner;
    QCOMPARE(SingleInstance::serve(&owner, ImageResize, {}, recorder.target()), -1);
    const QStringList paths{QStringLiteral("/pics/a.png"), QStringLiteral("/pics/b c.jpg")};
    QVERIFY(SingleInstance::forwardPaths(SingleInstance::instanceServerName(ImageResize), paths));
    QTRY_COMPARE(recorder.calls.size(), 1);
    QCOMPARE(recorder.calls.first(), paths);
    // An empty list is "forwarded" without a connection.
    QVERIFY(SingleInstance::forwardPaths(SingleInstance::instanceServerName(ImageResize), {}));
    QTest::qWait(200);
    QCOMPARE(recorder.calls.size(), 1);
}

// A running first instance, and a raw client connected to it.
void tst_SingleInstance::serveAndConnect(QObject *owner, Recorder &recorder, QLocalSocket *client)
{
    QCOMPARE(SingleInstance::serve(owner, ImageResize, {}, recorder.target()), -1);
    client->connectToServer(InstancePlatform::serverAddress(SingleInstance::instanceServerName(ImageResize)));
    QVERIFY(client->waitForConnected(1000));
}

void tst_SingleInstance::payloadOneByteAtATime()
{
    Recorder recorder;
    QObject owner;
    QLocalSocket client;
    serveAndConnect(&owner, recorder, &client);
    if (QTest::currentTestFailed())
        return;
    const QByteArray payload("/x/one.png\n/x/two.png");
    QByteArray message(4, '\0');
    qToBigEndian(quint32(payload.size()), message.data());
    message += payload;
    for (qsizetype i = 0; i < message.size(); ++i) {
        client.write(message.mid(i, 1));
        client.flush();
        QTest::qWait(5);
        if (i + 1 < message.size())
            QCOMPARE(recorder.calls.size(), 0);
    }
    QTRY_COMPARE(recorder.calls.size(), 1);
    QCOMPARE(recorder.calls.first(), (QStringList{u"/x/one.png"_s, u"/x/two.png"_s}));
    QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
}

void tst_SingleInstance::payloadLimit_data()
{
    QTest::addColumn<quint32>("announced");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exactly_16_MiB") << quint32(16777216) << true;
    QTest::newRow("one_byte_more") << quint32(16777217) << false;
}

void tst_SingleInstance::payloadLimit()
{
    QFETCH(quint32, announced);
    QFETCH(bool, accepted);
    Recorder recorder;
    QObject owner;
    QLocalSocket client;
    serveAndConnect(&owner, recorder, &client);
    if (QTest::currentTestFailed())
        return;
    QByteArray header(4, '\0');
    qToBigEndian(announced, header.data());
    client.write(header);
    client.flush();
    if (!accepted) {
        QTRY_COMPARE(client.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(recorder.calls.size(), 0);
        return;
    }
    // A payload of exactly the limit: one long path line, written in pieces.
    QByteArray payload(qsizetype(announced), 'p');
    payload[0] = '/';
    qsizetype sent = 0;
    while (sent < payload.size()) {
        const qsizetype piece = qMin<qsizetype>(1 << 20, payload.size() - sent);
        client.write(payload.constData() + sent, piece);
        sent += piece;
        while (client.bytesToWrite() > 0)
            QTest::qWait(5);
    }
    QTRY_COMPARE_WITH_TIMEOUT(recorder.calls.size(), 1, 20000);
    QCOMPARE(recorder.calls.first().size(), 1);
    QCOMPARE(recorder.calls.first().first().size(), qsizetype(announced));
}

void tst_SingleInstance::inboxIsDrainedInNameOrder()
{
    Recorder recorder;
    const QString inbox = SingleInstance::inboxDirectory(ImageResize);
    QVERIFY(InstancePlatform::makePrivateFolder(inbox));
    auto write = [&inbox](const QString &name, const QByteArray &text, QFile::Permissions permissions) {
        QFile file(QDir(inbox).filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.setPermissions(permissions);
    };
    const QFile::Permissions own = QFile::ReadOwner | QFile::WriteOwner;
    QVERIFY(write(QStringLiteral("b.paths"), "/second.png", own));
    QVERIFY(write(QStringLiteral("a.paths"), "/first.png\n/first.jpg", own));
    QVERIFY(write(QStringLiteral("c.paths"), "\n\n", own));
    QVERIFY(write(QStringLiteral("d.paths"), "/planted.png", own | QFile::WriteOther));
    QVERIFY(write(QStringLiteral("e.txt"), "/ignored.png", own));

    SingleInstance::drainInbox(recorder.target(), ImageResize);
    QCOMPARE(recorder.calls, (QList<QStringList>{{u"/first.png"_s, u"/first.jpg"_s}, {u"/second.png"_s}}));
    QCOMPARE(QDir(inbox).entryList(QDir::Files, QDir::Name),
             (QStringList{u"c.paths"_s, u"d.paths"_s, u"e.txt"_s}));

    // An inbox folder others may write is not read at all.
    QVERIFY(write(QStringLiteral("f.paths"), "/later.png", own));
    QVERIFY(QFile::setPermissions(inbox, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::WriteOther
                                                 | QFile::ExeOther));
    SingleInstance::drainInbox(recorder.target(), ImageResize);
    QCOMPARE(recorder.calls.size(), 2);
}

void tst_SingleInstance::handOverQueuesWhenNoServerListens()
{
    const QStringList paths{QStringLiteral("/q/one.png"), QStringLiteral("/q/two.png")};
    QCOMPARE(SingleInstance::handOver(ImageResize, paths), 0);
    const QDir inbox(SingleInstance::inboxDirectory(ImageResize));
    const QStringList files = inbox.entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\.paths$"))
                    .match(files.first())
                    .hasMatch());
    QFile file(inbox.filePath(files.first()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("/q/one.png\n/q/two.png"));
    QVERIFY(InstancePlatform::isPrivateFile(file.fileName()));

    Recorder recorder;
    SingleInstance::drainInbox(recorder.target(), ImageResize);
    QCOMPARE(recorder.calls, QList<QStringList>{paths});
    QVERIFY(inbox.entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
