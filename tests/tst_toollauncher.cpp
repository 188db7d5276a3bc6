#include "ExecutablePlatform.h"
#include "SafeFile.h"
#include "ToolLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <sys/stat.h>

using namespace IntegratedTools;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint64 inode(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? quint64(info.st_ino) : 0;
}

// Sets variables for one scope (an empty value unsets) and restores them after.
class EnvironmentOverride
{
public:
    EnvironmentOverride(std::initializer_list<std::pair<const char *, QString>> values)
    {
        for (const auto &[name, value] : values) {
            m_saved.append({name, qgetenv(name)});
            value.isEmpty() ? qunsetenv(name) : qputenv(name, QFile::encodeName(value));
        }
    }
    ~EnvironmentOverride()
    {
        for (const auto &[name, value] : std::as_const(m_saved))
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

private:
    QList<std::pair<const char *, QByteArray>> m_saved;
};

} // namespace

// Writing out the embedded helper, starting tools, and the tool command line.
class tst_ToolLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void helperIsWrittenOnceAndReused();
    void unusableCopyIsReplaced_data();
    void unusableCopyIsReplaced();
    void unusableFirstFolderFallsThrough();
    void psdToolsLiveBesideTheProgram();
    void launchStartsOneProcessPerPsdFile();
    void launchWithoutFilesStartsBare();
    void launchRefusesWrongFiles_data();
    void launchRefusesWrongFiles();
    void commandLine_data();
    void commandLine();

    // Another user's entries in the shared temporary folder.
    void tempFolderPassesOverForeignCandidates_data();
    void tempFolderPassesOverForeignCandidates();
    void tempFolderPrefersRuntimeThenCache_data();
    void tempFolderPrefersRuntimeThenCache();

private:
    QStringList records();
    QTemporaryDir m_data;
    QTemporaryDir m_work;
    QString m_standIn;
    QString m_record;
    QByteArray m_resource;
};

void tst_ToolLauncher::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.36"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));

    QFile resource(QStringLiteral(":/standalone-helper/Quadrix"));
    QVERIFY2(resource.open(QIODevice::ReadOnly), "the program embeds the helper");
    m_resource = resource.readAll();
    QVERIFY(m_resource.size() > 10000);

    // A stand-in for the PSD slimming executable that records how it was started.
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tools/integrated"));
    QVERIFY(QDir().mkpath(folder));
    m_standIn = QDir(folder).filePath(QStringLiteral("Corvel"));
    m_record = m_work.filePath(QStringLiteral("record.txt"));
    QFile script(m_standIn);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n{ pwd; printf '%s|' \"$@\"; echo; } >> \"$PICTAVO_TEST_RECORD\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("PICTAVO_TEST_RECORD", QFile::encodeName(m_record));
}

void tst_ToolLauncher::init()
{
    QDir(m_data.filePath(QStringLiteral("Pictavo"))).removeRecursively();
    QFile::remove(m_record);
}

void tst_ToolLauncher::cleanupTestCase()
{
    QDir(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tools"))).removeRecursively();
    QDir(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("components"))).removeRecursively();
}

QStringList tst_ToolLauncher::records()
{
    QStringList lines = QString::fromUtf8(readAll(m_record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines;
}

void tst_ToolLauncher::helperIsWrittenOnceAndReused()
{
    const QString expected = m_data.filePath(QStringLiteral("Pictavo/Pictavo/components/2.36/Quadrix"));
    QCOMPARE(helperCandidateFolders().first(), QFileInfo(expected).absolutePath());
    QCOMPARE(resolveToolExecutable(ImageResize), expected);
    QCOMPARE(readAll(expected), m_resource);
    QVERIFY(QFileInfo(expected).permissions().testFlag(QFile::ExeOwner));
    QVERIFY(!QFileInfo(expected).permissions().testFlag(QFile::WriteOther));

    const quint64 first = inode(expected);
    QCOMPARE(resolveToolExecutable(ImageResize), expected);
    QCOMPARE(inode(expected), first); // not written again
}

void tst_ToolLauncher::unusableCopyIsReplaced_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("zero_bytes") << "empty";
    QTest::newRow("writable_by_others") << "open";
    QTest::newRow("symbolic_link") << "link";
}

void tst_ToolLauncher::unusableCopyIsReplaced()
{
    QFETCH(QString, kind);
    const QString folder = m_data.filePath(QStringLiteral("Pictavo/Pictavo/components/2.36"));
    QVERIFY(QDir().mkpath(folder));
    const QString target = QDir(folder).filePath(QStringLiteral("Quadrix"));
    const QString elsewhere = m_work.filePath(QStringLiteral("elsewhere"));
    QFile other(elsewhere);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("not a helper");
    other.close();

    if (kind == QLatin1String("link")) {
        QVERIFY(QFile::link(elsewhere, target));
    } else {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("open"))
            file.write("tampered");
        file.close();
        QVERIFY(::chmod(QFile::encodeName(target).constData(), kind == QLatin1String("open") ? 0777 : 0700) == 0);
    }

    QCOMPARE(resolveToolExecutable(ImageResize), target);
    QVERIFY(!QFileInfo(target).isSymLink());
    QCOMPARE(readAll(target), m_resource);
    QCOMPARE(readAll(elsewhere), QByteArray("not a helper"));
    QVERIFY(!QFileInfo(target).permissions().testFlag(QFile::WriteOther));
}

void tst_ToolLauncher::unusableFirstFolderFallsThrough()
{
    // A plain file where the first candidate's folder would go: no folder there.
    QVERIFY(QDir().mkpath(m_data.filePath(QStringLiteral("Pictavo/Pictavo"))));
    QFile blocker(m_data.filePath(QStringLiteral("Pictavo/Pictavo/components")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const QString second = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("components/2.36/Quadrix"));
    QCOMPARE(resolveToolExecutable(ImageResize), second);
    QCOMPARE(readAll(second), m_resource);
}

void tst_ToolLauncher::psdToolsLiveBesideTheProgram()
{
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tools/integrated/"));
    QCOMPARE(resolveToolExecutable(PsdSlim), folder + QStringLiteral("Corvel"));
    QCOMPARE(resolveToolExecutable(LayerExport), folder + QStringLiteral("Lamivex")); // returned even when missing
}

void tst_ToolLauncher::launchStartsOneProcessPerPsdFile()
{
    QStringList files;
    for (const char *name : {"one.psd", "two.PSB", "three.psd"}) {
        QFile file(m_work.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        files << file.fileName();
    }
    QString error = QStringLiteral("untouched");
    QVERIFY(launchTool(PsdSlim, files, &error));
    QCOMPARE(error, QStringLiteral("untouched"));
    QTRY_COMPARE(records().size(), 6);
    QStringList started;
    for (int i = 0; i < 6; i += 2) {
        QCOMPARE(records().at(i), QFileInfo(m_standIn).absolutePath());
        started << records().at(i + 1);
    }
    started.sort();
    QStringList expected;
    for (const QString &file : files)
        expected << QStringLiteral("--process|") + file + QLatin1Char('|');
    expected.sort();
    QCOMPARE(started, expected);
}

void tst_ToolLauncher::launchWithoutFilesStartsBare()
{
    QVERIFY(launchTool(PsdSlim, {}));
    QTRY_COMPARE(records().size(), 2);
    QCOMPARE(records().first(), QFileInfo(m_standIn).absolutePath());
    QCOMPARE(records().last(), QStringLiteral("|")); // no arguments at all
}

void tst_ToolLauncher::launchRefusesWrongFiles_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("png_and_folder_for_image_resize") << int(ImageResize) << QStringList{QStringLiteral("a.png"), QStringLiteral("folder")};
    QTest::newRow("png_for_psd_slim") << int(PsdSlim) << QStringList{QStringLiteral("a.png")};
    QTest::newRow("missing_psd") << int(PsdSlim) << QStringList{QStringLiteral("gone.psd")};
}

void tst_ToolLauncher::launchRefusesWrongFiles()
{
    QFETCH(int, tool);
    QFETCH(QStringList, names);
    QVERIFY(QDir(m_work.path()).mkpath(QStringLiteral("folder")));
    QFile png(m_work.filePath(QStringLiteral("a.png")));
    QVERIFY(png.open(QIODevice::WriteOnly));
    png.close();
    QStringList files;
    for (const QString &name : names)
        files << m_work.filePath(name);

    QString error;
    QVERIFY(!launchTool(Tool(tool), files, &error));
    QCOMPARE(error, QStringLiteral("所选文件类型不适用于该工具。"));
    QTest::qWait(300);
    QVERIFY(!QFileInfo::exists(m_record));
}

void tst_ToolLauncher::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("handled");
    QTest::addColumn<int>("exitCode");
    const QString flag = QStringLiteral("--integrated-tool");
    QTest::newRow("no_switch") << QStringList{QStringLiteral("a.png")} << false << -1;
    QTest::newRow("switch_in_other_case") << QStringList{QStringLiteral("--INTEGRATED-TOOL"), QStringLiteral("image-resize")} << false << -1;
    QTest::newRow("switch_last") << QStringList{QStringLiteral("x"), flag} << true << 2;
    QTest::newRow("unknown_key") << QStringList{flag, QStringLiteral("crop")} << true << 2;
    QTest::newRow("psd_key_not_handled") << QStringList{flag, QStringLiteral("psd-slim"), QStringLiteral("a.psd")} << false << 2;
    QTest::newRow("launch_failure") << QStringList{flag, QStringLiteral("IMAGE-RESIZE"), QStringLiteral("/nowhere/x.txt")} << true << 3;
}

void tst_ToolLauncher::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, handled);
    QFETCH(int, exitCode);
    if (exitCode == 3)
        QTest::ignoreMessage(QtWarningMsg, "integrated tool launch failed image-resize 所选文件类型不适用于该工具。");
    int code = -1;
    QCOMPARE(handleCommandLine(arguments, &code), handled);
    QCOMPARE(code, exitCode);
}

void tst_ToolLauncher::tempFolderPassesOverForeignCandidates_data()
{
    QTest::addColumn<QString>("planted"); // what stands at Pictavo-<uid>
    QTest::addColumn<int>("taken");       // how many candidates carry it
    QTest::addColumn<QString>("chosen");  // suffix of the folder used; empty for none

    QTest::newRow("link_to_elsewhere") << QStringLiteral("link") << 1 << QStringLiteral("-2");
    QTest::newRow("folder_of_another_user") << QStringLiteral("other") << 1 << QStringLiteral("-2");
    QTest::newRow("folder_open_to_others") << QStringLiteral("open") << 2 << QStringLiteral("-3");
    QTest::newRow("every_candidate_taken") << QStringLiteral("link") << 8 << QString();
}

void tst_ToolLauncher::tempFolderPassesOverForeignCandidates()
{
    QFETCH(QString, planted);
    QFETCH(int, taken);
    QFETCH(QString, chosen);
    if (planted == u"other" && ::geteuid() != 0)
        QSKIP("only root can make a folder that belongs to another user");

    QTemporaryDir temp;
    QTemporaryDir elsewhere;
    const QString base = temp.filePath(QStringLiteral("Pictavo-%1").arg(::geteuid()));
    for (int candidate = 1; candidate <= taken; ++candidate) {
        const QString path = candidate == 1 ? base : base + QStringLiteral("-%1").arg(candidate);
        const QByteArray native = QFile::encodeName(path);
        if (planted == u"link") {
            QVERIFY(QFile::link(elsewhere.path(), path));
        } else {
            QVERIFY(QDir().mkdir(path));
            QVERIFY(::chmod(native.constData(), 0777) == 0);
            if (planted == u"other")
                QVERIFY(::chown(native.constData(), 65534, 65534) == 0);
        }
    }
    // The runtime and cache folders come first; here neither can be had.
    const EnvironmentOverride environment({{"TMPDIR", temp.path()}, {"XDG_RUNTIME_DIR", QString()},
                                           {"XDG_CACHE_HOME", elsewhere.filePath(QStringLiteral("file"))}});
    QFile(elsewhere.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
    QString why;
    const QString folder = ExecutablePlatform::perUserTempFolder(&why);

    if (chosen.isEmpty()) {
        QVERIFY(folder.isEmpty());
        QVERIFY2(why.contains(base), qPrintable(why));
    } else {
        QCOMPARE(folder, base + chosen);
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
    }
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("file")}); // nothing went through the link
}

void tst_ToolLauncher::tempFolderPrefersRuntimeThenCache_data()
{
    QTest::addColumn<QString>("runtime"); // how the runtime folder stands
    QTest::addColumn<QString>("cache");   // how "<cache>/Pictavo/tmp" stands
    QTest::addColumn<QString>("chosen");  // "runtime", "cache" or "temp"
    QTest::addColumn<QString>("refusal"); // logged for the candidate passed over; empty for none

    QTest::newRow("runtime_folder") << "private" << "free" << "runtime" << QString();
    QTest::newRow("no_runtime_folder") << "unset" << "free" << "cache" << QString();
    QTest::newRow("runtime_folder_open_to_others") << "open" << "free" << "cache" << "open to others (mode 0755)";
    QTest::newRow("runtime_folder_of_another_user") << "other" << "free" << "cache" << "owned by user 65534";
    QTest::newRow("cache_folder_open_to_others") << "unset" << "open" << "temp" << "open to others (mode 0777)";
    QTest::newRow("cache_folder_is_a_link") << "unset" << "link" << "temp" << "a symbolic link";
}

void tst_ToolLauncher::tempFolderPrefersRuntimeThenCache()
{
    QFETCH(QString, runtime);
    QFETCH(QString, cache);
    QFETCH(QString, chosen);
    QFETCH(QString, refusal);
    if (runtime == u"other" && ::geteuid() != 0)
        QSKIP("only root can make a folder that belongs to another user");

    QTemporaryDir dir;
    const QString runtimeFolder = dir.filePath(QStringLiteral("run"));
    const QString cacheFolder = dir.filePath(QStringLiteral("cache"));
    QVERIFY(QDir().mkpath(runtimeFolder) && QDir().mkpath(cacheFolder + QStringLiteral("/Pictavo")));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("tmp"))));
    QVERIFY(::chmod(QFile::encodeName(runtimeFolder).constData(), runtime == u"open" ? 0755 : 0700) == 0);
    if (runtime == u"other")
        QVERIFY(::chown(QFile::encodeName(runtimeFolder).constData(), 65534, 65534) == 0);
    const QString cacheTmp = cacheFolder + QStringLiteral("/Pictavo/tmp");
    if (cache == u"open") {
        QVERIFY(QDir().mkdir(cacheTmp) && ::chmod(QFile::encodeName(cacheTmp).constData(), 0777) == 0);
    } else if (cache == u"link") {
        QVERIFY(QFile::link(dir.path(), cacheTmp));
    }
    const EnvironmentOverride environment({{"TMPDIR", dir.filePath(QStringLiteral("tmp"))},
                                           {"XDG_RUNTIME_DIR", runtime == u"unset" ? QString() : runtimeFolder},
                                           {"XDG_CACHE_HOME", cacheFolder}});
    if (!refusal.isEmpty()) {
        const QString refused = runtime == u"open" || runtime == u"other" ? runtimeFolder : cacheTmp;
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("private folder refused: %1 - %2").arg(refused, refusal)));
    }
    const QString folder = ExecutablePlatform::perUserTempFolder();
    const QString expected = chosen == u"runtime" ? runtimeFolder + QStringLiteral("/Pictavo")
            : chosen == u"cache"                  ? cacheTmp
                                                  : dir.filePath(QStringLiteral("tmp/Pictavo-%1").arg(::geteuid()));
    QCOMPARE(folder, expected);
    QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
    QVERIFY(SafeFile::isPrivateTemporaryFolder(folder));
}

QTEST_GUILESS_MAIN(tst_ToolLauncher)
#include "tst_toollauncher.moc"
