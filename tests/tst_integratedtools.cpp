#include "IntegratedTools.h"
#include "SettingsSandbox.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using IntegratedTools::Tool;

// The catalogue of the three tools.
class tst_IntegratedTools : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void catalogue_data();
    void catalogue();
    void outOfRangeTools_data();
    void outOfRangeTools();
    void toolFromKey_data();
    void toolFromKey();
    void displayTitleFollowsLanguage();
    void iconsAreSquarePictures_data();
    void iconsAreSquarePictures();
    void filesMatchTool_data();
    void filesMatchTool();

private:
    std::unique_ptr<SettingsSandbox> m_settings;
};

namespace {

// The one rule for executable names on this platform, stated independently.
QString withPlatformSuffix(const QString &name)
{
#ifdef Q_OS_WIN
    return name + u".exe";
#else
    return name;
#endif
}

const QStringList pictureSuffixes = {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                     QStringLiteral("bmp"), QStringLiteral("gif"), QStringLiteral("tif"),
                                     QStringLiteral("tiff")};
const QStringList psdSuffixes = {QStringLiteral("psd"), QStringLiteral("psb")};
const QString pictureFilter = QStringLiteral("支持的图片 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff)");
const QString psdFilter = QStringLiteral("Photoshop 文件 (*.psd *.psb)");

} // namespace

void tst_IntegratedTools::init()
{
    m_settings = std::make_unique<SettingsSandbox>();
    QVERIFY2(m_settings->isValid(), qPrintable(m_settings->errorString()));
}

void tst_IntegratedTools::cleanup()
{
    m_settings.reset();
}

void tst_IntegratedTools::catalogue_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("ico");
    QTest::addColumn<QString>("executable");
    QTest::addColumn<QStringList>("extensions");
    QTest::addColumn<QString>("filter");

    QTest::newRow("image-resize") << 0 << QStringLiteral("image-resize") << QStringLiteral("图片尺寸调整工具")
                                  << QStringLiteral(":/branding/assets/image-resize-tool-icon.png")
                                  << QStringLiteral("image-resize-tool.ico") << QStringLiteral("Quadrix")
                                  << pictureSuffixes << pictureFilter;
    QTest::newRow("psd-slim") << 1 << QStringLiteral("psd-slim") << QStringLiteral("PSD&PSB安全瘦身工具")
                              << QStringLiteral(":/branding/assets/psd-slim-tool-icon.png")
                              << QStringLiteral("psd-slim-tool.ico") << QStringLiteral("Corvel") << psdSuffixes
                              << psdFilter;
    QTest::newRow("layer-export") << 2 << QStringLiteral("layer-export") << QStringLiteral("PSD图层批量导出工具")
                                  << QStringLiteral(":/branding/assets/layer-export-tool-icon.png")
                                  << QStringLiteral("layer-export-tool.ico") << QStringLiteral("Lamivex")
                                  << psdSuffixes << psdFilter;
}

void tst_IntegratedTools::catalogue()
{
    QFETCH(int, tool);
    QFETCH(QString, key);
    QFETCH(QString, title);
    QFETCH(QString, icon);
    QFETCH(QString, ico);
    QFETCH(QString, executable);
    QFETCH(QStringList, extensions);
    QFETCH(QString, filter);

    const Tool value = Tool(tool);
    QCOMPARE(IntegratedTools::toolKey(value), key);
    QCOMPARE(IntegratedTools::toolDisplayTitle(value), title);
    QCOMPARE(IntegratedTools::toolIconResource(value), icon);
    QCOMPARE(IntegratedTools::toolIconFileName(value), ico);
    QCOMPARE(IntegratedTools::toolExecutableName(value), withPlatformSuffix(executable));
    QCOMPARE(IntegratedTools::toolLocalizedExecutableName(value), withPlatformSuffix(title));
    QCOMPARE(IntegratedTools::acceptedExtensions(value), extensions);
    QCOMPARE(IntegratedTools::fileDialogFilter(value), filter);

    // The localized executable keeps the Simplified Chinese title, and the
    // filter is shown as written, whatever the interface language.
    SettingsSandbox::setLanguage(QStringLiteral("en_US"));
    QCOMPARE(IntegratedTools::toolLocalizedExecutableName(value), withPlatformSuffix(title));
    QCOMPARE(IntegratedTools::fileDialogFilter(value), filter);
}

void tst_IntegratedTools::outOfRangeTools_data()
{
    QTest::addColumn<int>("tool");
    QTest::newRow("minus_one") << -1;
    QTest::newRow("three") << 3;
    QTest::newRow("large") << 1000;
}

// Names are empty, while the suffix and filter fall back to the PSD tools.
void tst_IntegratedTools::outOfRangeTools()
{
    QFETCH(int, tool);
    const Tool value = Tool(tool);
    QVERIFY(IntegratedTools::toolKey(value).isEmpty());
    QVERIFY(IntegratedTools::toolDisplayTitle(value).isEmpty());
    QVERIFY(IntegratedTools::toolIconResource(value).isEmpty());
    QVERIFY(IntegratedTools::toolIconFileName(value).isEmpty());
    QVERIFY(IntegratedTools::toolExecutableName(value).isEmpty());
    QVERIFY(IntegratedTools::toolLocalizedExecutableName(value).isEmpty());
    QCOMPARE(IntegratedTools::acceptedExtensions(value), psdSuffixes);
    QCOMPARE(IntegratedTools::fileDialogFilter(value), psdFilter);
}

void tst_IntegratedTools::toolFromKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("tool");

    QTest::newRow("image-resize") << QStringLiteral("image-resize") << true << 0;
    QTest::newRow("psd-slim") << QStringLiteral("psd-slim") << true << 1;
    QTest::newRow("layer-export") << QStringLiteral("layer-export") << true << 2;
    QTest::newRow("capitals") << QStringLiteral("LAYER-EXPORT") << true << 2;
    QTest::newRow("mixed_case") << QStringLiteral("Psd-Slim") << true << 1;
    QTest::newRow("underscore_for_hyphen") << QStringLiteral("image_resize") << false << 0;
    QTest::newRow("empty") << QString() << false << 0;
    QTest::newRow("surrounding_blanks") << QStringLiteral(" psd-slim ") << false << 0;
    QTest::newRow("longer_text") << QStringLiteral("image-resize-tool") << false << 0;
    QTest::newRow("title_is_not_a_key") << QStringLiteral("图片尺寸调整工具") << false << 0;
}

void tst_IntegratedTools::toolFromKey()
{
    QFETCH(QString, key);
    QFETCH(bool, found);
    QFETCH(int, tool);

    const Tool untouched = Tool(77);
    Tool result = untouched;
    QCOMPARE(IntegratedTools::toolFromKey(key, &result), found);
    QCOMPARE(int(result), found ? tool : int(untouched));
    QCOMPARE(IntegratedTools::toolFromKey(key, nullptr), found);
}

void tst_IntegratedTools::displayTitleFollowsLanguage()
{
    SettingsSandbox::setLanguage(QStringLiteral("en_US"));
    QCOMPARE(IntegratedTools::toolDisplayTitle(IntegratedTools::LayerExport), QStringLiteral("PSD Layer Batch Export Tool"));
    SettingsSandbox::setLanguage(QStringLiteral("ja_JP"));
    QCOMPARE(IntegratedTools::toolDisplayTitle(IntegratedTools::ImageResize), QStringLiteral("画像サイズ調整ツール"));
    SettingsSandbox::setLanguage(QStringLiteral("ko_KR"));
    QCOMPARE(IntegratedTools::toolDisplayTitle(IntegratedTools::PsdSlim), QStringLiteral("PSD&PSB 안전 최적화 도구"));
    SettingsSandbox::setLanguage(QStringLiteral("zh_TW"));
    QCOMPARE(IntegratedTools::toolDisplayTitle(IntegratedTools::LayerExport), QStringLiteral("PSD圖層批次匯出工具"));
}

void tst_IntegratedTools::iconsAreSquarePictures_data()
{
    QTest::addColumn<int>("tool");
    QTest::newRow("image-resize") << 0;
    QTest::newRow("psd-slim") << 1;
    QTest::newRow("layer-export") << 2;
}

void tst_IntegratedTools::iconsAreSquarePictures()
{
    QFETCH(int, tool);
    const QString resource = IntegratedTools::toolIconResource(Tool(tool));
    QImage icon;
    QVERIFY2(icon.load(resource, "PNG"), qPrintable(resource));
    QCOMPARE(icon.size(), QSize(512, 512));
    QVERIFY(icon.hasAlphaChannel());
    // Transparent corners around an opaque tile.
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(256, 256)), 255);
}

void tst_IntegratedTools::filesMatchTool_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QStringList>("paths"); // relative to a fresh folder; a trailing "/" makes a folder
    QTest::addColumn<QStringList>("missing"); // relative paths named but never created
    QTest::addColumn<bool>("matches");

    const QStringList none;
    QTest::newRow("png_in_capitals") << 0 << QStringList{QStringLiteral("photo.PNG")} << none << true;
    QTest::newRow("every_picture_suffix") << 0
                                          << QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpeg"),
                                                         QStringLiteral("c.png"), QStringLiteral("d.bmp"),
                                                         QStringLiteral("e.gif"), QStringLiteral("f.tif"),
                                                         QStringLiteral("g.tiff")}
                                          << none << true;
    QTest::newRow("png_followed_by_another_suffix") << 0 << QStringList{QStringLiteral("photo.png.bak")} << none
                                                    << false;
    QTest::newRow("folder_named_like_a_picture") << 0 << QStringList{QStringLiteral("album.png/")} << none << false;
    QTest::newRow("empty_list") << 0 << QStringList() << none << false;
    QTest::newRow("missing_file") << 0 << QStringList() << QStringList{QStringLiteral("gone.png")} << false;
    QTest::newRow("no_dot") << 0 << QStringList{QStringLiteral("README")} << none << false;
    QTest::newRow("several_dots_last_suffix_counts") << 0 << QStringList{QStringLiteral("my.holiday.v2.jpg")} << none
                                                     << true;
    QTest::newRow("several_dots_earlier_suffix_ignored") << 1 << QStringList{QStringLiteral("cover.jpg.psd")} << none
                                                         << true;
    QTest::newRow("several_dots_picture_tool_rejects_psd") << 0 << QStringList{QStringLiteral("cover.jpg.psd")} << none
                                                           << false;
    QTest::newRow("psd_slim_psd_and_jpg") << 1 << QStringList{QStringLiteral("a.psd"), QStringLiteral("b.jpg")} << none
                                          << false;
    QTest::newRow("psd_slim_psd_and_psb") << 1 << QStringList{QStringLiteral("a.psd"), QStringLiteral("b.PSB")} << none
                                          << true;
    QTest::newRow("layer_export_psb") << 2 << QStringList{QStringLiteral("layers.psb")} << none << true;
    QTest::newRow("one_bad_path_among_good") << 0
                                             << QStringList{QStringLiteral("a.png"), QStringLiteral("b.png")}
                                             << QStringList{QStringLiteral("c.png")} << false;
    QTest::newRow("out_of_range_tool_is_psd") << 9 << QStringList{QStringLiteral("a.psd")} << none << true;
    QTest::newRow("out_of_range_tool_rejects_pictures") << -1 << QStringList{QStringLiteral("a.png")} << none << false;
}

void tst_IntegratedTools::filesMatchTool()
{
    QFETCH(int, tool);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, missing);
    QFETCH(bool, matches);

    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QStringList absolute;
    for (const QString &path : paths) {
        if (path.endsWith(u'/')) {
            QVERIFY(QDir(dir.path()).mkpath(path));
        } else {
            QFile file(dir.filePath(path));
            QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
            file.write("x");
        }
        absolute.append(dir.filePath(path));
    }
    for (const QString &path : missing)
        absolute.append(dir.filePath(path));
    QCOMPARE(IntegratedTools::filesMatchTool(Tool(tool), absolute), matches);
}

QTEST_GUILESS_MAIN(tst_IntegratedTools)
#include "tst_integratedtools.moc"
