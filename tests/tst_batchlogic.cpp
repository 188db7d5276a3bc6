#include "BatchLogic.h"
#include "BatchRun.h"
#include "HelperText.h"
#include "ImageProcessor.h"
#include "MemoryBudget.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <cstdio>
#include <sys/stat.h>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// The batch window's rules that need no window: command line, picture test,
// folder listing, time texts, log, result and report lines.
class tst_BatchLogic : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parseArguments_data();
    void parseArguments();
    void keepsOnlyExistingPaths();

    void isPicture_data();
    void isPicture();

    void listPictures();
    void listPicturesInNaturalOrder();
    void listPicturesOfMissingFolder();
    void listPicturesOfUnreadableFolder();
    void listTenThousandPictures();
    void leftOutOfFolders_data();
    void leftOutOfFolders();
    void undecodableArgument();
    void filesFrom_data();
    void filesFrom();
    void filesFromHundredThousandPaths();

    void duration_data();
    void duration();
    void memoryBudget_data();
    void memoryBudget();
    void peakFromHeader_data();
    void peakFromHeader();
    void runSwitches_data();
    void runSwitches();
    void remaining_data();
    void remaining();

    void logLine();
    void resultLine_data();
    void resultLine();
    void reportFileName();
    void reportLine();
    void appendToReport();
    void appendToReportFails();
    void makeFolder();
    void makeFolderFails();

private:
    bool touch(const QString &relative);

    QTemporaryDir *dir = nullptr;
    QString previousCurrent;
};

void tst_BatchLogic::init()
{
    dir = new QTemporaryDir;
    QVERIFY2(dir->isValid(), qPrintable(dir->errorString()));
    // Relative path arguments are resolved against an empty folder of the test's own.
    previousCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir->path()));
}

void tst_BatchLogic::cleanup()
{
    QDir::setCurrent(previousCurrent);
    delete dir;
    dir = nullptr;
}

bool tst_BatchLogic::touch(const QString &relative)
{
    const QString path = dir->filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

Q_DECLARE_METATYPE(std::optional<Sizing>)
Q_DECLARE_METATYPE(std::optional<FillSpec>)
Q_DECLARE_METATYPE(std::optional<Anchor>)
Q_DECLARE_METATYPE(std::optional<QString>)

void tst_BatchLogic::parseArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<std::optional<Sizing>>("rule");
    QTest::addColumn<std::optional<FillSpec>>("fill");
    QTest::addColumn<std::optional<QString>>("outputDir");
    QTest::addColumn<std::optional<Anchor>>("anchor");
    QTest::addColumn<bool>("png");
    QTest::addColumn<bool>("recursive");
    QTest::addColumn<bool>("start");

    const std::optional<Sizing> noRule;
    const std::optional<FillSpec> noFill;
    const std::optional<QString> noDir;
    const std::optional<Anchor> noCentering;
    const auto s = [](const char *text) { return QString::fromUtf8(text); };

    QTest::newRow("nothing") << QStringList() << noRule << noFill << noDir << noCentering << false << false << false;
    QTest::newRow("front_end_switches")
        << QStringList{s("--rule"), s("power2"), s("--fill"), s("black"), s("--no-centered"), s("--png"),
                       s("--output-dir"), s("/out"), s("--start")}
        << std::optional<Sizing>(SizeRule::Power2) << std::optional<FillSpec>(Fill::Black) << std::optional<QString>(s("/out"))
        << std::optional(Anchor::TopLeft) << true << false << true;
    QTest::newRow("rule_value_lower_cased")
        << QStringList{s("--rule"), s("POWER2")} << std::optional<Sizing>(SizeRule::Power2) << noFill << noDir << noCentering << false
        << false << false;
    QTest::newRow("rule_even") << QStringList{s("--rule"), s("Even")} << std::optional<Sizing>(SizeRule::Even) << noFill << noDir
                               << noCentering << false << false << false;
    QTest::newRow("rule_unknown_value_is_multiple4")
        << QStringList{s("--rule"), s("cube")} << std::optional<Sizing>(SizeRule::Multiple4) << noFill << noDir << noCentering << false
        << false << false;
    // The helper always pads: the layer export's "none" is no rule of its own.
    QTest::newRow("rule_none_is_multiple4")
        << QStringList{s("--rule"), s("none")} << std::optional<Sizing>(SizeRule::Multiple4) << noFill << noDir << noCentering << false
        << false << false;
    QTest::newRow("rule_switch_case_sensitive")
        << QStringList{s("--RULE"), s("power2")} << noRule << noFill << noDir << noCentering << false << false
        << false;
    QTest::newRow("fill_white_upper") << QStringList{s("--fill"), s("WHITE")} << noRule << std::optional<FillSpec>(Fill::White)
                                      << noDir << noCentering << false << false << false;
    QTest::newRow("fill_unknown_is_transparent") << QStringList{s("--fill"), s("pink")} << noRule
                                                 << std::optional<FillSpec>(Fill::Transparent) << noDir << noCentering << false << false
                                                 << false;
    QTest::newRow("value_consumed_even_when_a_switch")
        << QStringList{s("--output-dir"), s("--png")} << noRule << noFill << std::optional<QString>(s("--png"))
        << noCentering << false << false << false;
    QTest::newRow("rule_value_consumes_start")
        << QStringList{s("--rule"), s("--start")} << std::optional<Sizing>(SizeRule::Multiple4) << noFill << noDir << noCentering << false
        << false << false;
    QTest::newRow("value_switch_last_is_ignored")
        << QStringList{s("--png"), s("--output-dir")} << noRule << noFill << noDir << noCentering << true << false
        << false;
    QTest::newRow("later_no_centered_wins")
        << QStringList{s("--centered"), s("--no-centered")} << noRule << noFill << noDir
        << std::optional(Anchor::TopLeft) << false << false << false;
    QTest::newRow("rule_multiple_n")
        << QStringList{s("--rule"), s("Multiple:12")} << std::optional(Sizing::ofMultiple(12)) << noFill << noDir
        << noCentering << false << false << false;
    QTest::newRow("rule_min_then_square_power2")
        << QStringList{s("--rule"), s("min:300X200,square-power2")}
        << PaddingChoices::sizingFromKey(u"min:300x200,square-power2") << noFill << noDir << noCentering << false
        << false << false;
    QTest::newRow("rule_multiple_out_of_range_is_multiple4")
        << QStringList{s("--rule"), s("multiple:4097")} << std::optional<Sizing>(SizeRule::Multiple4) << noFill
        << noDir << noCentering << false << false << false;
    QTest::newRow("fill_colour_any_case")
        << QStringList{s("--fill"), s("#FF8000CC")} << noRule
        << std::optional(FillSpec::ofColour(QColor(255, 128, 0, 204))) << noDir << noCentering << false << false
        << false;
    QTest::newRow("fill_mirror") << QStringList{s("--fill"), s("mirror")} << noRule
                                 << std::optional(FillSpec(FillSpec::Kind::Mirror)) << noDir << noCentering << false
                                 << false << false;
    QTest::newRow("anchor_bottom_right")
        << QStringList{s("--anchor"), s("Bottom-Right")} << noRule << noFill << noDir
        << std::optional(Anchor::BottomRight) << false << false << false;
    QTest::newRow("centered_after_anchor_wins")
        << QStringList{s("--anchor"), s("top"), s("--centered")} << noRule << noFill << noDir
        << std::optional(Anchor::Center) << false << false << false;
    QTest::newRow("anchor_unknown_is_center")
        << QStringList{s("--anchor"), s("middle")} << noRule << noFill << noDir << std::optional(Anchor::Center)
        << false << false << false;
    QTest::newRow("recursive_anywhere") << QStringList{s("--start"), s("--recursive")} << noRule << noFill << noDir
                                        << noCentering << false << true << true;
    QTest::newRow("unknown_switches_ignored")
        << QStringList{s("--smoke-test"), s("--PNG"), s("--Start"), s("--")} << noRule << noFill << noDir
        << noCentering << false << false << false;
}

void tst_BatchLogic::parseArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(std::optional<Sizing>, rule);
    QFETCH(std::optional<FillSpec>, fill);
    QFETCH(std::optional<QString>, outputDir);
    QFETCH(std::optional<Anchor>, anchor);
    QFETCH(bool, png);
    QFETCH(bool, recursive);
    QFETCH(bool, start);

    const StartupArguments parsed = BatchLogic::parseArguments(arguments);
    QCOMPARE(parsed.rule, rule);
    QCOMPARE(parsed.fill, fill);
    QCOMPARE(parsed.outputDir, outputDir);
    QCOMPARE(parsed.anchor, anchor);
    QCOMPARE(parsed.png, png);
    QCOMPARE(parsed.recursive, recursive);
    QCOMPARE(parsed.start, start);
    // The folder is empty: no value here names an existing file.
    QCOMPARE(parsed.paths, QStringList());
}

void tst_BatchLogic::keepsOnlyExistingPaths()
{
    QVERIFY(touch(QStringLiteral("a.png")));
    QVERIFY(touch(QStringLiteral("notes.txt")));
    QVERIFY(touch(QStringLiteral("power2")));
    QVERIFY(QDir().mkpath(dir->filePath(QStringLiteral("pics"))));
    const QString absolute = dir->filePath(QStringLiteral("a.png"));

    const StartupArguments parsed = BatchLogic::parseArguments(
        {QStringLiteral("missing.png"), QStringLiteral("a.png"), QStringLiteral("--rule"), QStringLiteral("power2"),
         QStringLiteral("pics"), absolute, QStringLiteral("notes.txt"), QStringLiteral("a.png"), QString()});
    // Kept as written and in order, duplicates included; the rule value is no path
    // even though a file of that name exists, and a text file is left for later.
    QCOMPARE(parsed.paths, (QStringList{QStringLiteral("a.png"), QStringLiteral("pics"), absolute,
                                        QStringLiteral("notes.txt"), QStringLiteral("a.png")}));
    QCOMPARE(parsed.rule, std::optional<Sizing>(SizeRule::Power2));
    QCOMPARE(parsed.skipped, QStringList{QStringLiteral("文件不存在：missing.png")});

    // With the switch in the wrong case the value is an argument of its own.
    QCOMPARE(BatchLogic::parseArguments({QStringLiteral("--RULE"), QStringLiteral("power2")}).paths,
             QStringList{QStringLiteral("power2")});
}

void tst_BatchLogic::isPicture_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("picture");
    QTest::newRow("jpg") << QStringLiteral("/a/b.jpg") << true;
    QTest::newRow("jpeg_upper") << QStringLiteral("/a/B.JPEG") << true;
    QTest::newRow("png_mixed_case") << QStringLiteral("c:\\x\\y.Png") << true;
    QTest::newRow("bmp") << QStringLiteral("y.bmp") << true;
    QTest::newRow("gif") << QStringLiteral("y.gif") << true;
    QTest::newRow("tif") << QStringLiteral("y.tif") << true;
    QTest::newRow("tiff_upper") << QStringLiteral("y.TIFF") << true;
    QTest::newRow("webp_not_listed") << QStringLiteral("y.webp") << false;
    QTest::newRow("text") << QStringLiteral("y.txt") << false;
    QTest::newRow("no_extension") << QStringLiteral("/a/png") << false;
    QTest::newRow("double_extension_uses_last") << QStringLiteral("y.png.txt") << false;
    QTest::newRow("temporary_output_counts") << QStringLiteral("y.png.tesselle.tmp.png") << true;
    QTest::newRow("dot_in_folder_only") << QStringLiteral("/a.png/readme") << false;
    QTest::newRow("dot_in_windows_folder_only") << QStringLiteral("C:\\a.png\\readme") << false;
    QTest::newRow("name_is_only_extension") << QStringLiteral("/a/.png") << true;
    QTest::newRow("trailing_dot") << QStringLiteral("y.png.") << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_BatchLogic::isPicture()
{
    QFETCH(QString, path);
    QFETCH(bool, picture);
    QCOMPARE(BatchLogic::isPicture(path), picture);
}

void tst_BatchLogic::listPictures()
{
    const QStringList tree = {
        QStringLiteral("pics/a.png"),
        QStringLiteral("pics/b.JPG"),
        QStringLiteral("pics/notes.txt"),
        QStringLiteral("pics/.hidden.gif"),
        QStringLiteral("pics/sub/c.bmp"),
        QStringLiteral("pics/sub/deeper/d.tiff"),
        QStringLiteral("pics/像素补齐_输出/e.png"),
        QStringLiteral("pics/sub/x像素补齐_输出y.png"),
        QStringLiteral("pics/folder.png/f.gif"),
    };
    for (const QString &file : tree)
        QVERIFY(touch(file));
    const QString root = dir->filePath(QStringLiteral("pics"));
    // A link back to the top: followed, it would list forever.
    QVERIFY(QFile::link(root, dir->filePath(QStringLiteral("pics/sub/loop"))));

    bool everyFolderRead = true;
    const auto listed = [&](bool recursive, bool skip) {
        QStringList pictures;
        everyFolderRead = BatchLogic::listPictures(root, recursive, skip, &pictures) && everyFolderRead;
        return pictures;
    };
    const auto inRoot = [&](const QStringList &relative) {
        QStringList paths;
        for (const QString &r : relative)
            paths << root + QLatin1Char('/') + r;
        paths.sort();
        return paths;
    };

    // The top folder's own pictures come before any of its subfolders'.
    QStringList all = listed(true, false);
    QCOMPARE(all.size(), 8);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(!all.at(i).mid(root.size() + 1).contains(QLatin1Char('/')), qPrintable(all.at(i)));
    all.sort();
    QCOMPARE(all, inRoot({QStringLiteral("a.png"), QStringLiteral("b.JPG"), QStringLiteral(".hidden.gif"),
                          QStringLiteral("sub/c.bmp"), QStringLiteral("sub/deeper/d.tiff"),
                          QStringLiteral("像素补齐_输出/e.png"), QStringLiteral("sub/x像素补齐_输出y.png"),
                          QStringLiteral("folder.png/f.gif")}));

    QStringList skipped = listed(true, true);
    skipped.sort();
    QCOMPARE(skipped, inRoot({QStringLiteral("a.png"), QStringLiteral("b.JPG"), QStringLiteral(".hidden.gif"),
                              QStringLiteral("sub/c.bmp"), QStringLiteral("sub/deeper/d.tiff"),
                              QStringLiteral("folder.png/f.gif")}));

    QStringList flat = listed(false, false);
    flat.sort();
    QCOMPARE(flat, inRoot({QStringLiteral("a.png"), QStringLiteral("b.JPG"), QStringLiteral(".hidden.gif")}));
    QVERIFY(everyFolderRead);

    // Pictures are appended to what the list already holds.
    QStringList pictures{QStringLiteral("kept")};
    QVERIFY(BatchLogic::listPictures(root, false, false, &pictures));
    QCOMPARE(pictures.size(), 4);
    QCOMPARE(pictures.first(), QStringLiteral("kept"));
}

void tst_BatchLogic::listPicturesInNaturalOrder()
{
    // Numbers by value, letters without regard to case, a folder's own pictures before its subfolders'.
    const QStringList expected{QStringLiteral("a.png"),     QStringLiteral("B1.png"),    QStringLiteral("b2.png"),    QStringLiteral("b02b.png"), QStringLiteral("b10.png"),
                               QStringLiteral("b100.png"),  QStringLiteral("c 9.png"),   QStringLiteral("c 10.png"),  QStringLiteral("x2/p.png"), QStringLiteral("x2/p3.png"),
                               QStringLiteral("x10/p.png"), QStringLiteral("x10/y/1.png")};
    const QString root = dir->filePath(QStringLiteral("natural"));
    QStringList shuffled = expected;
    std::reverse(shuffled.begin(), shuffled.end());
    for (const QString &name : std::as_const(shuffled)) {
        QVERIFY(QDir().mkpath(QFileInfo(root + u'/' + name).absolutePath()));
        QFile file(root + u'/' + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QStringList pictures;
    QVERIFY(BatchLogic::listPictures(root, true, true, &pictures));
    QStringList relative;
    for (const QString &picture : std::as_const(pictures))
        relative << QDir(root).relativeFilePath(picture);
    QCOMPARE(relative, expected);
}

void tst_BatchLogic::listPicturesOfMissingFolder()
{
    QStringList pictures;
    QString error;
    QVERIFY(!BatchLogic::listPictures(dir->filePath(QStringLiteral("gone")), true, true, &pictures, &error));
    QVERIFY(pictures.isEmpty());
    QCOMPARE(error, QStringLiteral("文件夹不存在：") + QDir::toNativeSeparators(dir->filePath(QStringLiteral("gone"))));
}

void tst_BatchLogic::listPicturesOfUnreadableFolder()
{
#ifdef Q_OS_UNIX
    if (::geteuid() == 0)
        QSKIP("root reads every folder, so none can be made unreadable");
#else
    QSKIP("folders are made unreadable with Unix permissions");
#endif
    QVERIFY(touch(QStringLiteral("pics/a.png")));
    QVERIFY(touch(QStringLiteral("pics/locked/b.png")));
    const QString locked = dir->filePath(QStringLiteral("pics/locked"));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    QStringList pictures;
    QString error;
    const bool listed = BatchLogic::listPictures(dir->filePath(QStringLiteral("pics")), true, true, &pictures, &error);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(!listed);
    QCOMPARE(error, QStringLiteral("无法读取文件夹：") + QDir::toNativeSeparators(locked));
    // What could be read is listed all the same.
    QCOMPARE(pictures, QStringList{dir->filePath(QStringLiteral("pics/a.png"))});
}

void tst_BatchLogic::listTenThousandPictures()
{
    const QString root = dir->filePath(QStringLiteral("many"));
    QVERIFY(QDir().mkpath(root));
    for (int i = 0; i < 10000; ++i) {
        QFile file(root + QStringLiteral("/p%1.png").arg(i));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QElapsedTimer timer;
    timer.start();
    QStringList pictures;
    QVERIFY(BatchLogic::listPictures(root, true, true, &pictures));
    const qint64 took = timer.elapsed();
    QCOMPARE(pictures.size(), 10000);
    QVERIFY2(took < 1000, qPrintable(QStringLiteral("listing took %1 ms").arg(took)));
}

void tst_BatchLogic::leftOutOfFolders_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected"); // the skipped note, relative to the folder; empty for none
    QTest::newRow("leftover_temporary_file") << "leftover" << QString();
    QTest::newRow("leftover_with_short_temporary_name") << "short_leftover" << QString();
    QTest::newRow("name_not_utf8") << "undecodable" << QStringLiteral("无法处理的文件名（不是有效的 UTF-8）：b\\xff\\xfe.png");
    QTest::newRow("dangling_link") << "dangling" << QStringLiteral("文件不存在：gone.png");
    QTest::newRow("non_picture_stays_silent") << "text" << QString();
}

void tst_BatchLogic::leftOutOfFolders()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    const QString root = dir->filePath(QStringLiteral("pics"));
    QVERIFY(touch(QStringLiteral("pics/a.png")));
    // Qt cannot name such a file, so QTemporaryDir cannot remove it either.
    const QByteArray raw = QFile::encodeName(root) + "/b\xff\xfe.png";
    const auto removeRaw = qScopeGuard([raw] { ::unlink(raw.constData()); });
    if (kind == QLatin1String("leftover")) {
        QVERIFY(touch(QStringLiteral("pics/a.png.tesselle.tmp.png")));
    } else if (kind == QLatin1String("short_leftover")) {
        const QString longName = root + QLatin1Char('/') + QString(250, QLatin1Char('n')) + QStringLiteral(".png");
        QVERIFY(touch(QStringLiteral("pics/") + QFileInfo(ImageProcessor::temporaryPathFor(longName, QStringLiteral(".png"))).fileName()));
    } else if (kind == QLatin1String("undecodable")) {
        FILE *f = std::fopen(raw.constData(), "w");
        QVERIFY(f);
        std::fclose(f);
    } else if (kind == QLatin1String("dangling")) {
        QVERIFY(QFile::link(dir->filePath(QStringLiteral("nowhere.png")), root + QStringLiteral("/gone.png")));
    } else {
        QVERIFY(touch(QStringLiteral("pics/notes.txt")));
    }
    QStringList pictures;
    QStringList skipped;
    QVERIFY(BatchLogic::listPictures(root, true, true, &pictures, nullptr, &skipped));
    QCOMPARE(pictures, QStringList{root + QStringLiteral("/a.png")});
    if (expected.isEmpty()) {
        QCOMPARE(skipped, QStringList());
    } else {
        const qsizetype colon = expected.indexOf(QStringLiteral("："));
        QCOMPARE(skipped, QStringList{expected.left(colon + 1) + QDir::toNativeSeparators(root + QLatin1Char('/'))
                                      + expected.mid(colon + 1)});
    }
}

void tst_BatchLogic::undecodableArgument()
{
    QVERIFY(touch(QStringLiteral("a.png")));
    const StartupArguments parsed =
        BatchLogic::parseArguments(QList<QByteArray>{"--png", "caf\xe9.png", "a.png", "\xe7\x85\xa7\xff.jpg"});
    QVERIFY(parsed.png);
    QCOMPARE(parsed.paths, QStringList{QStringLiteral("a.png")});
    QCOMPARE(parsed.skipped, (QStringList{QStringLiteral("无法处理的文件名（不是有效的 UTF-8）：caf\\xe9.png"),
                                          QStringLiteral("无法处理的文件名（不是有效的 UTF-8）：照\\xff.jpg")}));
}

void tst_BatchLogic::filesFrom_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removed");
    const QString privateFolder = QStringLiteral("Pictavo-%1").arg(::getuid());
    QTest::newRow("private_folder_list_removed") << privateFolder << 0700 << "files-1.txt" << true;
    QTest::newRow("folder_open_to_others_kept") << privateFolder << 0755 << "files-1.txt" << false;
    QTest::newRow("other_users_folder_name_kept") << QStringLiteral("Pictavo-%1").arg(::getuid() + 1) << 0700
                                                  << "files-1.txt" << false;
    QTest::newRow("other_name_kept") << privateFolder << 0700 << "mine.txt" << false;
    QTest::newRow("ordinary_folder_kept") << "lists" << 0700 << "files-1.txt" << false;
}

void tst_BatchLogic::filesFrom()
{
    QFETCH(QString, folder);
    QFETCH(int, mode);
    QFETCH(QString, name);
    QFETCH(bool, removed);

    QVERIFY(touch(QStringLiteral("pics/a b.png")));
    QVERIFY(touch(QStringLiteral("pics/中文.jpg")));
    QVERIFY(QDir().mkpath(dir->filePath(folder)));
    QVERIFY(::chmod(QFile::encodeName(dir->filePath(folder)).constData(), mode_t(mode)) == 0);
    const QString list = dir->filePath(folder + QLatin1Char('/') + name);
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write((dir->filePath(QStringLiteral("pics/a b.png")) + QLatin1Char('\n') + dir->filePath(QStringLiteral("gone.png"))
                + QStringLiteral("\n\n") + dir->filePath(QStringLiteral("pics/中文.jpg")))
                   .toUtf8());
    file.write("\n/x/bad\xff.png\n");
    file.close();

    const StartupArguments parsed = BatchLogic::parseArguments(
        {QStringLiteral("--png"), QStringLiteral("--files-from"), list, dir->filePath(QStringLiteral("pics"))});
    QVERIFY(parsed.png);
    QCOMPARE(parsed.paths, (QStringList{dir->filePath(QStringLiteral("pics/a b.png")),
                                        dir->filePath(QStringLiteral("pics/中文.jpg")),
                                        dir->filePath(QStringLiteral("pics"))}));
    QCOMPARE(parsed.skipped,
             (QStringList{QStringLiteral("文件不存在：") + QDir::toNativeSeparators(dir->filePath(QStringLiteral("gone.png"))),
                          QStringLiteral("无法处理的文件名（不是有效的 UTF-8）：/x/bad\\xff.png")}));
    QCOMPARE(QFileInfo::exists(list), !removed);
}

void tst_BatchLogic::filesFromHundredThousandPaths()
{
    // Far beyond what a command line holds; the tool window hands such lists over in a file.
    QVERIFY(touch(QStringLiteral("p.png")));
    const QByteArray line = QFile::encodeName(dir->filePath(QStringLiteral("p.png"))) + '\n';
    const QString list = dir->filePath(QStringLiteral("files-big.txt"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(line.repeated(100000)) == line.size() * 100000);
    file.close();
    const StartupArguments parsed = BatchLogic::parseArguments({QStringLiteral("--files-from"), list});
    QCOMPARE(parsed.paths.size(), 100000);
    QCOMPARE(parsed.skipped, QStringList());
}

void tst_BatchLogic::duration_data()
{
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << QStringLiteral("00:00:00");
    QTest::newRow("below_one_second_truncated") << qint64(999) << QStringLiteral("00:00:00");
    QTest::newRow("one_hour_two_minutes_three_point_nine_seconds") << qint64(3723900) << QStringLiteral("01:02:03");
    QTest::newRow("fifty_nine_minutes_fifty_nine_seconds") << qint64(3599999) << QStringLiteral("00:59:59");
    QTest::newRow("twenty_five_hours_not_wrapped") << qint64(25) * 3600000 << QStringLiteral("25:00:00");
    QTest::newRow("one_hundred_hours") << qint64(100) * 3600000 << QStringLiteral("100:00:00");
    QTest::newRow("negative_shows_zero") << qint64(-5000) << QStringLiteral("00:00:00");
}

void tst_BatchLogic::duration()
{
    QFETCH(qint64, milliseconds);
    QFETCH(QString, text);
    QCOMPARE(BatchLogic::duration(milliseconds), text);
}

void tst_BatchLogic::remaining_data()
{
    QTest::addColumn<QList<qint64>>("finishTimes");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("two_of_five_in_ten_seconds") << QList<qint64>{5000, 10000} << 5 << QStringLiteral("00:00:15");
    QTest::newRow("last_file_done") << QList<qint64>{1, 2, 3, 4, 10000} << 5 << QStringLiteral("00:00:00");
    // A slow first picture stops weighing once eight quicker ones followed it.
    QTest::newRow("recent_pace_wins")
        << QList<qint64>{100000, 101000, 102000, 103000, 104000, 105000, 106000, 107000, 108000, 109000} << 20
        << QStringLiteral("00:00:10");
    QTest::newRow("first_of_many_slow") << QList<qint64>{3723900} << 101 << QStringLiteral("103:26:30");
    QTest::newRow("nothing_done_yet") << QList<qint64>{} << 5 << QStringLiteral("00:00:00");
}

void tst_BatchLogic::remaining()
{
    QFETCH(QList<qint64>, finishTimes);
    QFETCH(int, total);
    QFETCH(QString, text);
    QCOMPARE(BatchLogic::duration(BatchRun::recentRemainingMilliseconds(finishTimes, total)), text);
}

void tst_BatchLogic::memoryBudget_data()
{
    QTest::addColumn<QList<qint64>>("requests"); // against a budget of 100, all at once
    QTest::addColumn<qint64>("highWater");
    QTest::newRow("all_fit_together") << QList<qint64>{30, 30, 30} << qint64(90);
    QTest::newRow("one_at_a_time_when_full") << QList<qint64>{60, 60, 60} << qint64(60);
    QTest::newRow("larger_than_budget_runs_alone") << QList<qint64>{500, 10, 10} << qint64(100);
}

void tst_BatchLogic::memoryBudget()
{
    QFETCH(QList<qint64>, requests);
    QFETCH(qint64, highWater);
    MemoryBudget budget(100);
    QThreadPool pool;
    pool.setMaxThreadCount(int(requests.size()));
    for (const qint64 bytes : std::as_const(requests)) {
        pool.start([&budget, bytes] {
            MemoryBudget::Hold hold(&budget, bytes);
            QThread::msleep(300); // long enough for every request to be made while this one holds
        });
    }
    QVERIFY(pool.waitForDone(10000));
    QCOMPARE(budget.highWater(), highWater);
}

void tst_BatchLogic::peakFromHeader_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format"); // empty: not a picture
    QTest::addColumn<QSize>("size");
    QTest::newRow("png_with_alpha") << QStringLiteral("a.png") << QByteArray("png") << QSize(301, 203);
    QTest::newRow("jpeg_photo") << QStringLiteral("b.jpg") << QByteArray("jpeg") << QSize(641, 479);
    QTest::newRow("tiff") << QStringLiteral("c.tif") << QByteArray("tiff") << QSize(123, 77);
    QTest::newRow("not_a_picture") << QStringLiteral("d.png") << QByteArray() << QSize();
}

void tst_BatchLogic::peakFromHeader()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    const QString path = dir->filePath(name);
    if (format.isEmpty()) {
        QVERIFY(touch(name));
    } else {
        QImage picture(size, QImage::Format_ARGB32);
        picture.fill(qRgba(10, 120, 200, 180));
        QVERIFY(picture.save(path, format.constData()));
    }
    const qint64 estimate =
            ImageProcessor::peakBytesFor(path, SizeRule::Multiple4, Fill::Transparent, false);
    QCOMPARE(estimate > 0, !format.isEmpty());

    // The batch starts the costliest pictures first by what the budget reserves for them.
    const QString out = dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(out));
    BatchSettings settings;
    settings.outDir = out;
    settings.jobs = 1;
    BatchRun run;
    QSignalSpy finished(&run, &BatchRun::finished);
    run.start({path}, settings);
    QVERIFY(finished.wait(10000));
    QCOMPARE(run.failed(), format.isEmpty() ? 1 : 0);
    QCOMPARE(run.memoryHighWater(), estimate);
}

void tst_BatchLogic::runSwitches_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("headless");
    QTest::addColumn<int>("jobs"); // 0: not given
    QTest::addColumn<QString>("reportTo");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("errors");
    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    QTest::newRow("all_given") << QStringList{s("--headless"), s("--jobs"), s("3"), s("--report-to"), s("/run/x"),
                                              s("--language"), s("ja_JP")}
                               << true << 3 << s("/run/x") << s("ja_JP") << 0;
    QTest::newRow("jobs_not_a_number") << QStringList{s("--jobs"), s("many")} << false << 0 << QString() << QString() << 1;
    QTest::newRow("jobs_zero") << QStringList{s("--jobs"), s("0")} << false << 0 << QString() << QString() << 1;
    QTest::newRow("value_missing") << QStringList{s("--headless"), s("--report-to")} << true << 0 << QString()
                                   << QString() << 1;
    QTest::newRow("unknown_switch_and_values") << QStringList{s("--rule"), s("cube"), s("--fill"), s("pink"), s("--PNG")}
                                               << false << 0 << QString() << QString() << 3;
    QTest::newRow("unknown_anchor") << QStringList{s("--anchor"), s("middle"), s("--anchor")} << false << 0
                                    << QString() << QString() << 2;
    QTest::newRow("known_switches") << QStringList{s("--smoke-test"), s("--start"), s("--rule"), s("MULTIPLE4"),
                                                   s("--fill"), s("transparent")}
                                    << false << 0 << QString() << QString() << 0;
}

void tst_BatchLogic::runSwitches()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, headless);
    QFETCH(int, jobs);
    QFETCH(QString, reportTo);
    QFETCH(QString, language);
    QFETCH(int, errors);
    const StartupArguments parsed = BatchLogic::parseArguments(arguments);
    QCOMPARE(parsed.headless, headless);
    QCOMPARE(parsed.jobs.value_or(0), jobs);
    QCOMPARE(parsed.reportTo.value_or(QString()), reportTo);
    QCOMPARE(parsed.language.value_or(QString()), language);
    QVERIFY2(parsed.errors.size() == errors, qPrintable(parsed.errors.join(QLatin1Char('|'))));
}

void tst_BatchLogic::logLine()
{
    QCOMPARE(BatchLogic::logLine(QTime(7, 5, 9), QStringLiteral("开始")), QStringLiteral("[07:05:09] 开始"));
    QCOMPARE(BatchLogic::logLine(QTime(23, 59, 0, 999), QString()), QStringLiteral("[23:59:00] "));
    QCOMPARE(BatchLogic::logLine(QTime(7, 5, 9), QStringLiteral("a\n[07:05:10] b\x01")),
             QStringLiteral("[07:05:09] a\\n[07:05:10] b\\x01"));
}

void tst_BatchLogic::resultLine_data()
{
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("oldSize");
    QTest::addColumn<QString>("newSize");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("line");
    QTest::newRow("success") << true << QStringLiteral("/pics/a.png") << QStringLiteral("7×5")
                             << QStringLiteral("8×8") << QStringLiteral("规则=4 的倍数；已保存并回读校验；/pics/a.png")
                             << QStringLiteral("[成功] a.png  7×5 -> 8×8  规则=4 的倍数；已保存并回读校验；/pics/a.png");
    QTest::newRow("undecodable_has_empty_sizes")
        << false << QStringLiteral("/pics/broken.png") << QString() << QString() << QStringLiteral("无法解码")
        << QStringLiteral("[失败] broken.png   ->   无法解码");
    QTest::newRow("failed_after_decoding") << false << QStringLiteral("relative.gif") << QStringLiteral("1×1")
                                           << QString() << QStringLiteral("x") << QStringLiteral("[失败] relative.gif  1×1 ->   x");
    QTest::newRow("placeholders_in_texts_stay")
        << true << QStringLiteral("/p/%1 %2.png") << QStringLiteral("1×1") << QStringLiteral("4×4")
        << QStringLiteral("%3%4") << QStringLiteral("[成功] %1 %2.png  1×1 -> 4×4  %3%4");
}

void tst_BatchLogic::resultLine()
{
    QFETCH(bool, success);
    QFETCH(QString, source);
    QFETCH(QString, oldSize);
    QFETCH(QString, newSize);
    QFETCH(QString, message);
    QFETCH(QString, line);
    ProcessResult result;
    result.success = success;
    result.source = source;
    result.oldSize = oldSize;
    result.newSize = newSize;
    result.message = message;
    QCOMPARE(BatchRun::resultLine(result), line);
}

void tst_BatchLogic::reportFileName()
{
    QCOMPARE(BatchRun::reportFileName(QDateTime(QDate(2024, 3, 7), QTime(9, 5, 2))),
             QStringLiteral("错误报告_20240307_090502.txt"));
    QCOMPARE(BatchRun::reportFileName(QDateTime(QDate(2031, 12, 31), QTime(23, 59, 59, 999))),
             QStringLiteral("错误报告_20311231_235959.txt"));
    HelperText::setLanguage(QStringLiteral("en_US"));
    const QString english = BatchRun::reportFileName(QDateTime(QDate(2024, 3, 7), QTime(9, 5, 2)));
    HelperText::setLanguage(QString());
    QCOMPARE(english, QStringLiteral("failure-report_20240307_090502.txt"));
}

void tst_BatchLogic::reportLine()
{
    QCOMPARE(BatchRun::reportLine(QDateTime(QDate(2024, 3, 7), QTime(21, 5, 2)), QStringLiteral("[失败] a.png")),
             QStringLiteral("2024-03-07 21:05:02 [失败] a.png\r\n"));
    // A name with a line break stays on its line instead of forging the next.
    QCOMPARE(BatchRun::reportLine(QDateTime(QDate(2024, 3, 7), QTime(21, 5, 2)),
                                  QStringLiteral("[失败] a\r\n2024-03-07 21:05:03 [成功] b\t\x7f\x9b.png")),
             QStringLiteral("2024-03-07 21:05:02 [失败] a\\r\\n2024-03-07 21:05:03 [成功] b\\t\x7f\\x9b.png\r\n"));
}

void tst_BatchLogic::appendToReport()
{
    const QString path = dir->filePath(QStringLiteral("错误报告_20240307_090502.txt"));
    QString error;
    QVERIFY2(BatchRun::appendToReport(path, QStringLiteral("第一\r\n"), &error), qPrintable(error));
    QVERIFY2(BatchRun::appendToReport(path, QStringLiteral("second\r\n"), &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // One byte-order mark, at the start only.
    QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF") + QStringLiteral("第一\r\n").toUtf8() + "second\r\n");
}

void tst_BatchLogic::appendToReportFails()
{
    // A folder where the report should be: it cannot be written, whoever runs the test.
    const QString path = dir->filePath(QStringLiteral("report.txt"));
    QVERIFY(QDir().mkpath(path));
    QString error;
    QVERIFY(!BatchRun::appendToReport(path, QStringLiteral("x\r\n"), &error));
    QVERIFY(!error.isEmpty());
}

void tst_BatchLogic::makeFolder()
{
    const QString deep = dir->filePath(QStringLiteral("out/a/b"));
    QString error;
    QVERIFY2(BatchRun::makeFolder(deep, &error), qPrintable(error));
    QVERIFY(QFileInfo(deep).isDir());
    QVERIFY2(BatchRun::makeFolder(deep, &error), qPrintable(error));
}

void tst_BatchLogic::makeFolderFails()
{
    QVERIFY(touch(QStringLiteral("file")));
    QString error;
    QVERIFY(!BatchRun::makeFolder(dir->filePath(QStringLiteral("file/sub/deeper")), &error));
    QCOMPARE(error, QStringLiteral("“%1”不是文件夹").arg(QDir::toNativeSeparators(dir->filePath(QStringLiteral("file")))));
    QVERIFY(!BatchRun::makeFolder(dir->filePath(QStringLiteral("file")), &error));
    QCOMPARE(error, QStringLiteral("“%1”不是文件夹").arg(QDir::toNativeSeparators(dir->filePath(QStringLiteral("file")))));
}

QTEST_GUILESS_MAIN(tst_BatchLogic)
#include "tst_batchlogic.moc"

