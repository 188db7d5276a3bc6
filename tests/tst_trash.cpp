// Originals kept in the trash by an in-place run, and Undo: the helper as a
// child process, with its data folder (and so its trash) in a fresh folder.

#include "ChildEnvironment.h"
#include "TestImages.h"
#include "Trash.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class tst_Trash : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void infoText_data();
    void infoText();
    void undoRestoresEveryOriginal_data();
    void undoRestoresEveryOriginal();
    void changedFileLeftAlone_data();
    void changedFileLeftAlone();
    void noUsableTrash_data();
    void noUsableTrash();

private:
    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    QString trash(const QString &relative) const { return path(QStringLiteral("xdg_data_home/Trash/") + relative); }
    // Runs the helper; its exit code, or -1 when it did not end.
    int quadrix(const QStringList &arguments);
    bool writePicture(const QString &file, int width, int height);

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_output;
    QByteArray m_errors;
};

void tst_Trash::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("pics")));
}

int tst_Trash::quadrix(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment;
    if (!privateXdgEnvironment(QDir(m_dir->path()), &environment))
        return -1;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUADRIX_PATH), QStringList{QStringLiteral("--language"), QStringLiteral("en_US")} + arguments);
    if (!process.waitForFinished(60000))
        return -1;
    m_output = process.readAllStandardOutput();
    m_errors = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool tst_Trash::writePicture(const QString &file, int width, int height)
{
    return TestImages::pattern(width, height, QImage::Format_RGB32).save(file);
}

void tst_Trash::infoText_data()
{
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QByteArray>("path");

    QTest::newRow("plain") << QStringLiteral("/home/u/p.png") << QString() << QByteArray("/home/u/p.png");
    QTest::newRow("space_and_percent") << QStringLiteral("/a b/100%.jpg") << QString() << QByteArray("/a%20b/100%25.jpg");
    QTest::newRow("not_ascii") << QStringLiteral("/图/é.png") << QString() << QByteArray("/%E5%9B%BE/%C3%A9.png");
    QTest::newRow("relative_to_top") << QStringLiteral("/media/usb/x/p.png") << QStringLiteral("/media/usb")
                                     << QByteArray("x/p.png");
}

void tst_Trash::infoText()
{
    QFETCH(QString, original);
    QFETCH(QString, top);
    QFETCH(QByteArray, path);
    QCOMPARE(Trash::infoText(original, top, QStringLiteral("2026-01-02T03:04:05")),
             QByteArray("[Trash Info]\nPath=") + path + "\nDeletionDate=2026-01-02T03:04:05\n");
}

void tst_Trash::undoRestoresEveryOriginal_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QString>("written");  // what the run writes; the original when the same

    QTest::newRow("png_replaced") << QStringLiteral("a b%.png") << QStringList() << QStringLiteral("a b%.png");
    QTest::newRow("jpeg_replaced") << QStringLiteral("photo.jpg")
                                   << QStringList{QStringLiteral("--fill"), QStringLiteral("white")}
                                   << QStringLiteral("photo.jpg");
    QTest::newRow("png_beside_jpeg") << QStringLiteral("photo.jpg") << QStringList() << QStringLiteral("photo.png");
    QTest::newRow("row_by_row") << QStringLiteral("large.png") << QStringList() << QStringLiteral("large.png");
}

void tst_Trash::undoRestoresEveryOriginal()
{
    QFETCH(QString, name);
    QFETCH(QStringList, switches);
    QFETCH(QString, written);
    const QString original = path(u"pics/" + name);
    const bool large = name.startsWith(QLatin1String("large"));
    QVERIFY(writePicture(original, large ? 3001 : 5, large ? 2001 : 7));
    QVERIFY(writePicture(path(QStringLiteral("pics/second.png")), 9, 3));
    const QByteArray originalBytes = TestImages::readFile(original);
    const QByteArray secondBytes = TestImages::readFile(path(QStringLiteral("pics/second.png")));

    QCOMPARE(quadrix(QStringList{QStringLiteral("--headless")} + switches + QStringList{path(QStringLiteral("pics"))}), 0);
    const QString output = path(u"pics/" + written);
    QVERIFY(QImage(output).width() % 4 == 0);

    // Every replaced original lies in the trash, whole, with its record.
    QStringList replaced{QStringLiteral("second.png")};
    if (written == name)
        replaced << name;
    else
        QCOMPARE(TestImages::readFile(original), originalBytes);
    replaced.sort();
    QStringList kept = QDir(trash(QStringLiteral("files"))).entryList(QDir::Files, QDir::Name);
    QCOMPARE(kept, replaced);
    for (const QString &file : std::as_const(kept)) {
        QCOMPARE(TestImages::readFile(trash(u"files/" + file)),
                 file == name ? originalBytes : secondBytes);
        const QByteArray info = TestImages::readFile(trash(u"info/" + file + u".trashinfo"));
        const QRegularExpression shape(QStringLiteral("^\\[Trash Info\\]\nPath=(.+)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$"));
        const QRegularExpressionMatch match = shape.match(QString::fromUtf8(info));
        QVERIFY2(match.hasMatch(), info.constData());
        QCOMPARE(QUrl::fromPercentEncoding(match.captured(1).toUtf8()), path(u"pics/" + file));
    }

    QCOMPARE(quadrix({QStringLiteral("--undo-last")}), 0);
    QCOMPARE(TestImages::readFile(original), originalBytes);
    QCOMPARE(TestImages::readFile(path(QStringLiteral("pics/second.png"))), secondBytes);
    QCOMPARE(QFile::exists(output), written == name);
    QCOMPARE(QDir(trash(QStringLiteral("files"))).entryList(QDir::Files), QStringList());
    QCOMPARE(QDir(trash(QStringLiteral("info"))).entryList(QDir::Files), QStringList());
    // The same run is never undone twice.
    QCOMPARE(quadrix({QStringLiteral("--undo-last")}), 1);
}

void tst_Trash::changedFileLeftAlone_data()
{
    QTest::addColumn<QString>("change");

    QTest::newRow("rewritten") << QStringLiteral("rewritten");
    QTest::newRow("replaced_by_another") << QStringLiteral("replaced");
    QTest::newRow("removed") << QStringLiteral("removed");
}

void tst_Trash::changedFileLeftAlone()
{
    QFETCH(QString, change);
    const QString changed = path(QStringLiteral("pics/changed.jpg"));
    const QString other = path(QStringLiteral("pics/other.png"));
    QVERIFY(writePicture(changed, 5, 5));
    QVERIFY(writePicture(other, 6, 6));
    const QByteArray otherBytes = TestImages::readFile(other);
    // Transparent: changed.png appears beside changed.jpg.
    QCOMPARE(quadrix({QStringLiteral("--headless"), changed, other}), 0);
    const QString result = path(QStringLiteral("pics/changed.png"));
    QVERIFY(QFile::exists(result));

    if (change == QLatin1String("rewritten")) {
        QFile file(result);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(file.size() - 1));
        QVERIFY(file.putChar('x'));
    } else if (change == QLatin1String("replaced")) {
        QVERIFY(QFile::remove(result));
        QVERIFY(writePicture(result, 8, 8));
    } else {
        QVERIFY(QFile::remove(result));
    }
    const QByteArray changedBytes = TestImages::readFile(result);

    QCOMPARE(quadrix({QStringLiteral("--undo-last")}), change == QLatin1String("removed") ? 0 : 1);
    QCOMPARE(TestImages::readFile(other), otherBytes);
    QCOMPARE(TestImages::readFile(result), changedBytes);
    if (change != QLatin1String("removed"))
        QVERIFY2(m_errors.contains(result.toUtf8()), m_errors.constData());
}

void tst_Trash::noUsableTrash_data()
{
    QTest::addColumn<bool>("keeping");

    QTest::newRow("keeping_fails") << true;
    QTest::newRow("no_trash_replaces") << false;
}

void tst_Trash::noUsableTrash()
{
    QFETCH(bool, keeping);
    // A file where the trash folder would be: no trash on this file system can be used.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("xdg_data_home")));
    QVERIFY(TestImages::writeFile(path(QStringLiteral("xdg_data_home/Trash")), "not a folder"));
    const QString picture = path(QStringLiteral("pics/p.png"));
    QVERIFY(writePicture(picture, 5, 7));
    const QByteArray before = TestImages::readFile(picture);

    QStringList arguments{QStringLiteral("--headless"), picture};
    if (!keeping)
        arguments << QStringLiteral("--no-trash");
    QCOMPARE(quadrix(arguments), keeping ? 1 : 0);
    if (keeping) {
        QCOMPARE(TestImages::readFile(picture), before);
        QVERIFY2(m_output.contains("cannot keep the original: "), m_output.constData());
    } else {
        QCOMPARE(QImage(picture).size(), QSize(8, 8));
    }
    QCOMPARE(QDir(path(QStringLiteral("pics"))).entryList(QDir::Files), QStringList{QStringLiteral("p.png")});
}

QTEST_GUILESS_MAIN(tst_Trash)
#include "tst_trash.moc"
