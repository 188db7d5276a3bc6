#include "HelperText.h"
#include "ImageProcessor.h"
#include "PaddingChoices.h"
#include "PngEncoder.h"
#include "ReadBackCheck.h"
#include "SafeFile.h"
#include "TestImages.h"
#include "VerifiedWrite.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

#ifdef Q_OS_UNIX
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#endif

// The engine's pure parts: size rules, canvas geometry, pixel composition, the
// fill and encoder tables, the PNG writer, the read-back size check and the
// verified write.
class tst_ImageProcessor : public QObject
{
    Q_OBJECT

private slots:
    void target_data();
    void target();
    void sizeRuleFromKey_data();
    void sizeRuleFromKey();
    void padGeometry_data();
    void padGeometry();
    void padPixels_data();
    void padPixels();
    void padDeepPixels();
    void padCarriesResolutionAndColourSpace();
    void fillColour_data();
    void fillColour();
    void fillFromKey_data();
    void fillFromKey();
    void sizingFromKey_data();
    void sizingFromKey();
    void displayText_data();
    void displayText();
    void targetSize_data();
    void targetSize();
    void anchorPlacement_data();
    void anchorPlacement();
    void fillProbes_data();
    void fillProbes();
    void formatFor_data();
    void formatFor();
    void pngKeepsPicture_data();
    void pngKeepsPicture();
    void readBackSize_data();
    void readBackSize();
    void verifiedWrite_data();
    void verifiedWrite();
    void shortWriteNamesSystemReason();
    void newOutputReplacesNothing();
};

void tst_ImageProcessor::target_data()
{
    QTest::addColumn<SizeRule>("rule");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");

    const SizeRule four = SizeRule::Multiple4;
    const SizeRule even = SizeRule::Even;
    const SizeRule power = SizeRule::Power2;
    QTest::newRow("four_zero") << four << 0 << 0;
    QTest::newRow("four_one") << four << 1 << 4;
    QTest::newRow("four_exact") << four << 4 << 4;
    QTest::newRow("four_1919") << four << 1919 << 1920;
    QTest::newRow("four_largest_fitting") << four << 2147483644 << 2147483644;
    QTest::newRow("four_overflow_is_no_size") << four << 2147483645 << -1;
    QTest::newRow("even_zero") << even << 0 << 0;
    QTest::newRow("even_one") << even << 1 << 2;
    QTest::newRow("even_five") << even << 5 << 6;
    QTest::newRow("even_exact") << even << 6 << 6;
    QTest::newRow("power_zero_gives_one") << power << 0 << 1;
    QTest::newRow("power_one") << power << 1 << 1;
    QTest::newRow("power_three") << power << 3 << 4;
    QTest::newRow("power_exact") << power << 512 << 512;
    QTest::newRow("power_513") << power << 513 << 1024;
    QTest::newRow("power_2^30") << power << (1 << 30) << (1 << 30);
    QTest::newRow("power_above_2^30_is_no_size") << power << (1 << 30) + 1 << -1;
    QTest::newRow("none_keeps_value") << SizeRule::None << 5 << 5;
}

void tst_ImageProcessor::target()
{
    QFETCH(SizeRule, rule);
    QFETCH(int, value);
    QFETCH(int, expected);
    QCOMPARE(PaddingChoices::target(value, rule), expected);
}

void tst_ImageProcessor::sizeRuleFromKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<std::optional<SizeRule>>("expected");

    QTest::newRow("even") << QStringLiteral("even") << std::optional(SizeRule::Even);
    QTest::newRow("power2") << QStringLiteral("power2") << std::optional(SizeRule::Power2);
    QTest::newRow("none") << QStringLiteral("none") << std::optional(SizeRule::None);
    // Keys only, exactly: display texts and their prefixes name no rule.
    QTest::newRow("display_text_is_no_key") << QStringLiteral("偶数（2 的倍数）") << std::optional<SizeRule>();
    QTest::newRow("prefix_is_no_key") << QStringLiteral("2ⁿ") << std::optional<SizeRule>();
    QTest::newRow("empty_is_no_key") << QString() << std::optional<SizeRule>();
    QTest::newRow("upper_case_is_no_key") << QStringLiteral("Even") << std::optional<SizeRule>();
}

void tst_ImageProcessor::sizeRuleFromKey()
{
    QFETCH(QString, key);
    QFETCH(std::optional<SizeRule>, expected);
    QCOMPARE(PaddingChoices::sizeRuleFromKey(key), expected);
    if (expected)
        QCOMPARE(PaddingChoices::key(*expected), key);
}

void tst_ImageProcessor::padGeometry_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<SizeRule>("rule");
    QTest::addColumn<bool>("centered");
    QTest::addColumn<QSize>("canvas");
    QTest::addColumn<QPoint>("offset");

    const SizeRule four = SizeRule::Multiple4;
    QTest::newRow("7x5_centred_extra_right_and_bottom") << QSize(7, 5) << four << true << QSize(8, 8) << QPoint(0, 1);
    QTest::newRow("7x5_not_centred") << QSize(7, 5) << four << false << QSize(8, 8) << QPoint(0, 0);
    QTest::newRow("5x6_even") << QSize(5, 6) << SizeRule::Even << true << QSize(6, 6) << QPoint(0, 0);
    QTest::newRow("100x64_power") << QSize(100, 64) << SizeRule::Power2 << true << QSize(128, 64)
                                  << QPoint(14, 0);
    QTest::newRow("already_fits") << QSize(8, 4) << four << true << QSize(8, 4) << QPoint(0, 0);
    QTest::newRow("1x1_power_stays") << QSize(1, 1) << SizeRule::Power2 << true << QSize(1, 1)
                                     << QPoint(0, 0);
    QTest::newRow("1x1_four_centred") << QSize(1, 1) << four << true << QSize(4, 4) << QPoint(1, 1);
}

void tst_ImageProcessor::padGeometry()
{
    QFETCH(QSize, source);
    QFETCH(SizeRule, rule);
    QFETCH(bool, centered);
    QFETCH(QSize, canvas);
    QFETCH(QPoint, offset);

    const QImage picture = TestImages::pattern(source.width(), source.height(), QImage::Format_RGB32);
    qint32 offsetX = -1, offsetY = -1;
    const QImage padded = ImageProcessor::pad(picture, qRgba(255, 255, 255, 0), centered, rule, offsetX, offsetY);
    QCOMPARE(padded.size(), canvas);
    QCOMPARE(QPoint(offsetX, offsetY), offset);
    QCOMPARE(padded.format(), QImage::Format_ARGB32);
    const QString difference = TestImages::firstDifference(picture, padded, offsetX, offsetY);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // Everything outside the picture is fill.
    for (int y = 0; y < padded.height(); ++y) {
        for (int x = 0; x < padded.width(); ++x) {
            const bool inside = x >= offsetX && x < offsetX + source.width() && y >= offsetY
                    && y < offsetY + source.height();
            if (!inside)
                QVERIFY2(qAlpha(padded.pixel(x, y)) == 0, qPrintable(QStringLiteral("border (%1, %2)").arg(x).arg(y)));
        }
    }
}

void tst_ImageProcessor::padPixels_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<uint>("fill");

    const struct { const char *name; QImage::Format format; } formats[] = {
        {"argb32", QImage::Format_ARGB32},
        {"rgb32", QImage::Format_RGB32},
        {"indexed8", QImage::Format_Indexed8},
        {"grayscale8", QImage::Format_Grayscale8},
        {"rgb888", QImage::Format_RGB888},
    };
    const struct { const char *name; QRgb fill; } fills[] = {
        {"transparent", qRgba(255, 255, 255, 0)},
        {"white", qRgba(255, 255, 255, 255)},
        {"black", qRgba(0, 0, 0, 255)},
        {"half_red", qRgba(255, 0, 0, 128)},
    };
    for (const auto &f : formats) {
        for (const auto &c : fills)
            QTest::addRow("%s_on_%s", f.name, c.name) << int(f.format) << uint(c.fill);
    }
}

void tst_ImageProcessor::padPixels()
{
    QFETCH(int, format);
    QFETCH(uint, fill);

    const QImage source = TestImages::pattern(13, 9, QImage::Format(format));
    qint32 offsetX = 0, offsetY = 0;
    const QImage canvas = ImageProcessor::pad(source, fill, true, SizeRule::Multiple4, offsetX, offsetY);
    QCOMPARE(canvas.size(), QSize(16, 12));
    QCOMPARE(canvas.pixel(canvas.width() - 1, canvas.height() - 1), QRgb(fill));

    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb s = source.pixel(x, y);
            QRgb expected = s;
            if (qAlpha(fill) == 255) {
                expected = TestImages::overOpaque(s, fill);
            } else if (qAlpha(fill) != 0 && qAlpha(s) != 255) {
                // Translucent fill: check the alpha of source-over only.
                const int a = qAlpha(s) + (qAlpha(fill) * (255 - qAlpha(s)) + 127) / 255;
                QVERIFY2(qAbs(qAlpha(canvas.pixel(x + offsetX, y + offsetY)) - a) <= 1,
                         qPrintable(QStringLiteral("alpha at (%1, %2)").arg(x).arg(y)));
                continue;
            }
            const QRgb actual = canvas.pixel(x + offsetX, y + offsetY);
            if (qAlpha(expected) == 0 && qAlpha(actual) == 0)
                continue;
            QVERIFY2(actual == expected, qPrintable(QStringLiteral("(%1, %2): expected %3, got %4")
                                                            .arg(x)
                                                            .arg(y)
                                                            .arg(expected, 8, 16, QLatin1Char('0'))
                                                            .arg(actual, 8, 16, QLatin1Char('0'))));
        }
    }
}

void tst_ImageProcessor::padDeepPixels()
{
    const QImage source = TestImages::deepPattern(11, 6, true);
    qint32 offsetX = 0, offsetY = 0;

    const QImage clear = ImageProcessor::pad(source, qRgba(255, 255, 255, 0), true, SizeRule::Multiple4,
                                             offsetX, offsetY);
    QCOMPARE(clear.format(), QImage::Format_RGBA64);
    const QString difference = TestImages::firstDifference(source, clear, offsetX, offsetY);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    const QImage white = ImageProcessor::pad(source, qRgba(255, 255, 255, 255), false, SizeRule::Multiple4,
                                             offsetX, offsetY);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgba64 s = source.pixelColor(x, y).rgba64();
            const quint64 a = s.alpha();
            const auto mix = [a](quint64 c) { return quint16((c * a + 0xffff * (0xffff - a) + 0x7fff) / 0xffff); };
            const QRgba64 expected = QRgba64::fromRgba64(mix(s.red()), mix(s.green()), mix(s.blue()), 0xffff);
            QCOMPARE(white.pixelColor(x, y).rgba64(), expected);
        }
    }
}

void tst_ImageProcessor::padCarriesResolutionAndColourSpace()
{
    QImage source = TestImages::pattern(5, 5);
    source.setDotsPerMeterX(11811); // 300 dpi
    source.setDotsPerMeterY(5906);  // 150 dpi
    source.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    qint32 offsetX = 0, offsetY = 0;
    const QImage canvas = ImageProcessor::pad(source, 0, true, SizeRule::Multiple4, offsetX, offsetY);
    QCOMPARE(canvas.dotsPerMeterX(), 11811);
    QCOMPARE(canvas.dotsPerMeterY(), 5906);
    QCOMPARE(canvas.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
}

void tst_ImageProcessor::fillColour_data()
{
    QTest::addColumn<Fill>("choice");
    QTest::addColumn<uint>("expected");

    QTest::newRow("transparent") << Fill::Transparent << uint(qRgba(255, 255, 255, 0));
    QTest::newRow("white") << Fill::White << uint(qRgba(255, 255, 255, 255));
    QTest::newRow("black") << Fill::Black << uint(qRgba(0, 0, 0, 255));
}

void tst_ImageProcessor::fillColour()
{
    QFETCH(Fill, choice);
    QFETCH(uint, expected);
    QCOMPARE(ImageProcessor::fillColour(choice), QRgb(expected));
}

void tst_ImageProcessor::fillFromKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("canonical"); // empty: no fill

    QTest::newRow("transparent") << u"transparent"_s << u"transparent"_s;
    QTest::newRow("white") << u"white"_s << u"white"_s;
    QTest::newRow("black") << u"black"_s << u"black"_s;
    QTest::newRow("edge") << u"edge"_s << u"edge"_s;
    QTest::newRow("mirror") << u"mirror"_s << u"mirror"_s;
    QTest::newRow("opaque_colour_upper_hex") << u"#FF80A0"_s << u"#ff80a0"_s;
    QTest::newRow("translucent_colour") << u"#ff80a07f"_s << u"#ff80a07f"_s;
    QTest::newRow("opaque_alpha_written_short") << u"#ff80a0ff"_s << u"#ff80a0"_s;
    QTest::newRow("five_digits") << u"#ff80a"_s << QString();
    QTest::newRow("not_hex") << u"#gg0000"_s << QString();
    QTest::newRow("signed_pair") << u"#+10000"_s << QString();
    QTest::newRow("no_hash") << u"ff80a0"_s << QString();
    QTest::newRow("display_text_is_no_key") << u"白色"_s << QString();
    QTest::newRow("upper_case_word") << u"Edge"_s << QString();
}

void tst_ImageProcessor::fillFromKey()
{
    QFETCH(QString, key);
    QFETCH(QString, canonical);
    const std::optional<FillSpec> fill = PaddingChoices::fillFromKey(key);
    QCOMPARE(fill.has_value(), !canonical.isEmpty());
    if (fill) {
        QCOMPARE(PaddingChoices::key(*fill), canonical);
        QCOMPARE(PaddingChoices::fillFromKey(canonical), fill);
    }
}

void tst_ImageProcessor::sizingFromKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("canonical"); // empty: no sizing

    QTest::newRow("multiple4") << u"multiple4"_s << u"multiple4"_s;
    QTest::newRow("multiple_4_is_multiple4") << u"multiple:4"_s << u"multiple4"_s;
    QTest::newRow("multiple_2_is_even") << u"multiple:2"_s << u"even"_s;
    QTest::newRow("multiple_4096") << u"multiple:4096"_s << u"multiple:4096"_s;
    QTest::newRow("multiple_1") << u"multiple:1"_s << QString();
    QTest::newRow("multiple_4097") << u"multiple:4097"_s << QString();
    QTest::newRow("multiple_leading_zero") << u"multiple:012"_s << QString();
    QTest::newRow("multiple_signed") << u"multiple:+8"_s << QString();
    QTest::newRow("square") << u"square"_s << u"square"_s;
    QTest::newRow("square_power2") << u"square-power2"_s << u"square-power2"_s;
    QTest::newRow("square_then_multiple") << u"square,multiple:8"_s << u"square,multiple:8"_s;
    QTest::newRow("parts_in_any_order") << u"power2,min:64x32"_s << u"min:64x32,power2"_s;
    QTest::newRow("minimum_alone") << u"min:512x256"_s << u"min:512x256"_s;
    QTest::newRow("minimum_square_power2") << u"min:5x9,square-power2"_s << u"min:5x9,square-power2"_s;
    QTest::newRow("minimum_zero_side") << u"min:0x5"_s << QString();
    QTest::newRow("minimum_above_2^30") << u"min:1073741825x1"_s << QString();
    QTest::newRow("minimum_upper_x") << u"min:5X5"_s << QString();
    QTest::newRow("two_minimums") << u"min:5x5,min:6x6"_s << QString();
    QTest::newRow("two_steps") << u"power2,even"_s << QString();
    QTest::newRow("square_power2_and_step") << u"square-power2,even"_s << QString();
    QTest::newRow("empty_part") << u"square,"_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_ImageProcessor::sizingFromKey()
{
    QFETCH(QString, key);
    QFETCH(QString, canonical);
    const std::optional<Sizing> sizing = PaddingChoices::sizingFromKey(key);
    QCOMPARE(sizing.has_value(), !canonical.isEmpty());
    if (sizing) {
        QCOMPARE(PaddingChoices::key(*sizing), canonical);
        QVERIFY(PaddingChoices::sizingFromKey(canonical) == sizing);
    }
}

void tst_ImageProcessor::displayText_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("sizing");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain_rule") << u"zh_CN"_s << u"even"_s << u"偶数（2 的倍数）"_s;
    QTest::newRow("multiple_english") << u"en_US"_s << u"multiple:12"_s << u"Multiple of 12"_s;
    QTest::newRow("square_then_multiple") << u"zh_CN"_s << u"square,multiple4"_s << u"正方形，4 的倍数"_s;
    QTest::newRow("square_power2_japanese") << u"ja_JP"_s << u"square-power2"_s << u"正方形（2 のべき乗）"_s;
    QTest::newRow("minimum_then_rule") << u"zh_CN"_s << u"min:512x256,power2"_s << u"至少 512×256，2ⁿ（2 的幂）"_s;
    QTest::newRow("minimum_alone_english") << u"en_US"_s << u"min:64x64"_s << u"At least 64×64"_s;
}

void tst_ImageProcessor::displayText()
{
    QFETCH(QString, language);
    QFETCH(QString, sizing);
    QFETCH(QString, expected);
    QVERIFY(HelperText::setLanguage(language));
    const QString text = PaddingChoices::displayText(*PaddingChoices::sizingFromKey(sizing), HelperText::translate);
    HelperText::setLanguage(QString());
    QCOMPARE(text, expected);
}

void tst_ImageProcessor::targetSize_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QString>("sizing");
    QTest::addColumn<QSize>("expected"); // invalid: a side does not fit in 32 bits

    QTest::newRow("multiple_12") << QSize(13, 25) << u"multiple:12"_s << QSize(24, 36);
    QTest::newRow("square_takes_larger_side") << QSize(7, 5) << u"square"_s << QSize(7, 7);
    QTest::newRow("square_then_multiple4") << QSize(7, 5) << u"square,multiple4"_s << QSize(8, 8);
    QTest::newRow("square_power2") << QSize(100, 60) << u"square-power2"_s << QSize(128, 128);
    QTest::newRow("minimum_alone") << QSize(100, 300) << u"min:512x256"_s << QSize(512, 300);
    QTest::newRow("minimum_then_power2") << QSize(100, 300) << u"min:512x256,power2"_s << QSize(512, 512);
    QTest::newRow("minimum_then_square") << QSize(10, 20) << u"min:30x5,square"_s << QSize(30, 30);
    QTest::newRow("plain_rule_as_before") << QSize(1919, 1) << u"multiple4"_s << QSize(1920, 4);
    QTest::newRow("multiple_overflow") << QSize(2147483000, 1) << u"multiple:4096"_s << QSize();
    QTest::newRow("square_power2_above_2^30") << QSize((1 << 30) + 1, 1) << u"square-power2"_s << QSize();
    QTest::newRow("square_power2_2^30") << QSize(1 << 30, 3) << u"square-power2"_s << QSize(1 << 30, 1 << 30);
    QTest::newRow("square_power2_16385") << QSize(16385, 7) << u"square-power2"_s << QSize(32768, 32768);
}

void tst_ImageProcessor::targetSize()
{
    QFETCH(QSize, source);
    QFETCH(QString, sizing);
    QFETCH(QSize, expected);
    QCOMPARE(PaddingChoices::targetSize(source, *PaddingChoices::sizingFromKey(sizing)), expected);
}

void tst_ImageProcessor::anchorPlacement_data()
{
    QTest::addColumn<QString>("sizing");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<QSize>("canvas");
    QTest::addColumn<QPoint>("offset");

    // A 7×5 picture, so most rules leave an odd room on some side.
    const struct { const char *key; QSize canvas; } sizings[] = {
        {"multiple4", {8, 8}},   {"even", {8, 6}},          {"power2", {8, 8}},       {"multiple:12", {12, 12}},
        {"square", {7, 7}},      {"square-power2", {8, 8}}, {"min:20x9", {20, 9}},
    };
    // Each anchor as its share of the room: 0 none, 1 half (rounded down), 2 all.
    const struct { Anchor anchor; int x; int y; } anchors[] = {
        {Anchor::TopLeft, 0, 0},    {Anchor::Top, 1, 0},    {Anchor::TopRight, 2, 0},
        {Anchor::Left, 0, 1},       {Anchor::Center, 1, 1}, {Anchor::Right, 2, 1},
        {Anchor::BottomLeft, 0, 2}, {Anchor::Bottom, 1, 2}, {Anchor::BottomRight, 2, 2},
    };
    for (const auto &sizing : sizings) {
        const int roomX = sizing.canvas.width() - 7;
        const int roomY = sizing.canvas.height() - 5;
        for (const auto &a : anchors) {
            const QPoint offset(a.x == 2 ? roomX : a.x == 1 ? roomX / 2 : 0, a.y == 2 ? roomY : a.y == 1 ? roomY / 2 : 0);
            QTest::addRow("%s_%s", sizing.key, qPrintable(PaddingChoices::key(a.anchor)))
                    << QString::fromLatin1(sizing.key) << int(a.anchor) << sizing.canvas << offset;
        }
    }
    // The odd pixel of a centred pad goes right and bottom, spelled out once.
    QTest::newRow("multiple:12_center_exact") << u"multiple:12"_s << int(Anchor::Center) << QSize(12, 12) << QPoint(2, 3);
    QTest::newRow("min_bottom_right_exact") << u"min:20x9"_s << int(Anchor::BottomRight) << QSize(20, 9) << QPoint(13, 4);
}

void tst_ImageProcessor::anchorPlacement()
{
    QFETCH(QString, sizing);
    QFETCH(int, anchor);
    QFETCH(QSize, canvas);
    QFETCH(QPoint, offset);

    const QImage picture = TestImages::pattern(7, 5, QImage::Format_RGB32);
    qint32 offsetX = -1, offsetY = -1;
    const QImage padded = ImageProcessor::pad(picture, FillSpec(Fill::Black), Anchor(anchor),
                                              *PaddingChoices::sizingFromKey(sizing), offsetX, offsetY);
    QCOMPARE(padded.size(), canvas);
    QCOMPARE(QPoint(offsetX, offsetY), offset);
    const QString difference = TestImages::firstDifference(picture, padded, offsetX, offsetY);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // The pixel just outside the picture on each side that has room is fill.
    if (offsetX > 0)
        QCOMPARE(padded.pixel(offsetX - 1, offsetY), qRgb(0, 0, 0));
    if (offsetY + 5 < canvas.height())
        QCOMPARE(padded.pixel(offsetX, offsetY + 5), qRgb(0, 0, 0));
}

void tst_ImageProcessor::fillProbes_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("fill");
    // Canvas point > source point it shows ("-" for the fill colour), separated by blanks.
    QTest::addColumn<QString>("probes");

    // A 3×2 picture on an 11×8 canvas, centred at (4, 3): the side borders are
    // wider than the picture.
    const QString edge = u"0,0>0,0 10,7>2,1 5,0>1,0 0,4>0,1 8,3>2,0 10,0>2,0 0,7>0,1 3,3>0,0"_s;
    const QString mirror = u"0,0>2,1 1,1>2,1 2,2>1,0 3,3>0,0 7,3>2,0 8,4>1,1 9,5>0,1 10,6>0,0 10,7>0,0 5,2>1,0"_s;
    const QString colour = u"0,0>- 10,7>- 3,3>- 7,4>- 4,3>0,0 6,4>2,1"_s;
    const struct { const char *name; QImage::Format format; } formats[] = {
        {"rgb32", QImage::Format_RGB32},
        {"argb32_alpha", QImage::Format_ARGB32},
        {"rgba64_16bit", QImage::Format_RGBA64},
        {"indexed8_palette", QImage::Format_Indexed8},
    };
    for (const auto &f : formats) {
        QTest::addRow("%s_edge", f.name) << int(f.format) << u"edge"_s << edge;
        QTest::addRow("%s_mirror", f.name) << int(f.format) << u"mirror"_s << mirror;
        QTest::addRow("%s_colour", f.name) << int(f.format) << u"#11223380"_s << colour;
    }
}

void tst_ImageProcessor::fillProbes()
{
    QFETCH(int, format);
    QFETCH(QString, fill);
    QFETCH(QString, probes);

    const QImage source = QImage::Format(format) == QImage::Format_RGBA64
            ? TestImages::deepPattern(3, 2, true)
            : TestImages::pattern(3, 2, QImage::Format(format));
    const FillSpec spec = *PaddingChoices::fillFromKey(fill);
    qint32 offsetX = 0, offsetY = 0;
    const QImage canvas = ImageProcessor::pad(source, spec, Anchor::Center, *PaddingChoices::sizingFromKey(u"min:11x8"),
                                              offsetX, offsetY);
    QCOMPARE(canvas.size(), QSize(11, 8));
    QCOMPARE(QPoint(offsetX, offsetY), QPoint(4, 3));
    if (spec.copiesPicture()) {
        // No compositing: translucent source pixels arrive as they are.
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                QCOMPARE(canvas.pixelColor(x + 4, y + 3).rgba64(), source.pixelColor(x, y).rgba64());
    }
    // A 16-bit picture is filled at 16 bits: 0x11 becomes 0x1111, not 0x1100.
    const QRgba64 fillColour = QRgba64::fromRgba64(0x1111, 0x2222, 0x3333, 0x8080);
    for (const QString &probe : probes.split(u' ')) {
        const QStringList sides = probe.split(u'>');
        const QStringList at = sides.at(0).split(u',');
        const QPoint point(at.at(0).toInt(), at.at(1).toInt());
        QRgba64 expected = fillColour;
        if (sides.at(1) != u"-") {
            const QStringList from = sides.at(1).split(u',');
            expected = source.pixelColor(from.at(0).toInt(), from.at(1).toInt()).rgba64();
        }
        QRgba64 actual = canvas.pixelColor(point).rgba64();
        if (!ImageCodecs::isDeep(canvas)) {
            // An 8-bit canvas holds the fill and the picture at 8 bits.
            expected = QRgba64::fromArgb32(expected.toArgb32());
        }
        if (spec.copiesPicture() || sides.at(1) == u"-" || expected.alpha() == 0xffff) {
            QVERIFY2(actual == expected, qPrintable(u"%1: expected %2, got %3"_s.arg(probe)
                                                            .arg(expected.toArgb32(), 8, 16)
                                                            .arg(actual.toArgb32(), 8, 16)));
        }
    }
}

void tst_ImageProcessor::formatFor_data()
{
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("encoder");

    using ImageCodecs::Encoder;
    QTest::newRow("jpg") << QStringLiteral(".jpg") << int(Encoder::Jpeg);
    QTest::newRow("jpeg") << QStringLiteral(".jpeg") << int(Encoder::Jpeg);
    QTest::newRow("bmp") << QStringLiteral(".bmp") << int(Encoder::Bmp);
    QTest::newRow("gif") << QStringLiteral(".gif") << int(Encoder::Gif);
    QTest::newRow("tif") << QStringLiteral(".tif") << int(Encoder::Tiff);
    QTest::newRow("tiff") << QStringLiteral(".tiff") << int(Encoder::Tiff);
    QTest::newRow("png") << QStringLiteral(".png") << int(Encoder::Png);
    QTest::newRow("empty") << QString() << int(Encoder::Png);
    QTest::newRow("unknown") << QStringLiteral(".webp") << int(Encoder::Png);
    QTest::newRow("upper_case_is_not_matched") << QStringLiteral(".JPG") << int(Encoder::Png);
}

void tst_ImageProcessor::formatFor()
{
    QFETCH(QString, ext);
    QFETCH(int, encoder);
    QCOMPARE(int(ImageProcessor::formatFor(ext)), encoder);
}

void tst_ImageProcessor::pngKeepsPicture_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::newRow("argb32_translucent") << TestImages::pattern(13, 7);
    QTest::newRow("rgb32_opaque") << TestImages::pattern(13, 7, QImage::Format_RGB32);
    QTest::newRow("rgba64_translucent") << TestImages::deepPattern(13, 7, true);
    QTest::newRow("rgbx64_opaque") << TestImages::deepPattern(13, 7, false).convertToFormat(QImage::Format_RGBX64);
}

void tst_ImageProcessor::pngKeepsPicture()
{
    QFETCH(QImage, picture);
    picture.setDotsPerMeterX(11811);
    picture.setDotsPerMeterY(5906);
    picture.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    QByteArray png;
    QString error;
    QVERIFY2(PngEncoder::encode(picture, PngEncoder::engineSettings(), &png, &error), qPrintable(error));

    QImage decoded;
    QVERIFY2(ImageCodecs::decode(png, false, &decoded, &error), qPrintable(error));
    QCOMPARE(decoded.hasAlphaChannel(), picture.hasAlphaChannel());
    QCOMPARE(ImageCodecs::isDeep(decoded), ImageCodecs::isDeep(picture));
    QCOMPARE(decoded.convertToFormat(picture.format()), picture);
    QCOMPARE(decoded.dotsPerMeterX(), 11811);
    QCOMPARE(decoded.dotsPerMeterY(), 5906);
    QCOMPARE(decoded.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
}

void tst_ImageProcessor::readBackSize_data()
{
    QTest::addColumn<int>("encoder");
    QTest::addColumn<bool>("inFull");
    QTest::newRow("png") << int(ImageCodecs::Encoder::Png) << true;
    QTest::newRow("jpeg") << int(ImageCodecs::Encoder::Jpeg) << false;
    QTest::newRow("tiff") << int(ImageCodecs::Encoder::Tiff) << false;
    QTest::newRow("bmp") << int(ImageCodecs::Encoder::Bmp) << true;
    QTest::newRow("gif") << int(ImageCodecs::Encoder::Gif) << true;
}

void tst_ImageProcessor::readBackSize()
{
    QFETCH(int, encoder);
    QFETCH(bool, inFull);
    const auto format = ImageCodecs::Encoder(encoder);
    QCOMPARE(ReadBackCheck::decodesInFull(format), inFull);
    QByteArray bytes;
    QString error;
    QVERIFY2(ImageCodecs::encode(TestImages::pattern(13, 7), format, &bytes, &error), qPrintable(error));
    QSize size;
    QVERIFY2(ReadBackCheck::writtenSize(bytes, format, &size, &error), qPrintable(error));
    QCOMPARE(size, QSize(13, 7));
    QVERIFY(!ReadBackCheck::writtenSize(QByteArray("not a picture"), format, &size, &error));
}

QTEST_GUILESS_MAIN(tst_ImageProcessor)
void tst_ImageProcessor::verifiedWrite_data()
{
    QTest::addColumn<bool>("picture");   // false: bytes no decoder reads
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<bool>("folderExists");
    QTest::addColumn<QString>("error");  // empty: written and put in place
    QTest::newRow("right_size") << true << QSize(12, 8) << true << QString();
    QTest::newRow("wrong_size") << true << QSize(12, 9) << true << QStringLiteral("回读尺寸校验失败");
    QTest::newRow("not_a_picture") << false << QSize(12, 8) << true << QStringLiteral("回读失败：");
    QTest::newRow("folder_missing") << true << QSize(12, 8) << false << QStringLiteral("*");
}

void tst_ImageProcessor::verifiedWrite()
{
    QFETCH(bool, picture);
    QFETCH(QSize, expected);
    QFETCH(bool, folderExists);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = folderExists ? dir.path() : dir.filePath(QStringLiteral("gone"));
    const QString destination = QDir(folder).filePath(QStringLiteral("out.png"));
    const QString temporary = destination + QStringLiteral(".tmp.png");
    if (folderExists) {
        QFile old(destination);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    QByteArray bytes("not a picture");
    if (picture) {
        QImage image(12, 8, QImage::Format_ARGB32);
        image.fill(qRgba(1, 2, 3, 4));
        QString encodeError;
        QVERIFY(ImageCodecs::encode(image, ImageCodecs::Encoder::Png, &bytes, &encodeError));
    }
    QString message;
    const bool written = VerifiedWrite::write(temporary, destination, bytes, ImageCodecs::Encoder::Png, expected,
                                              QString(), &message);
    QCOMPARE(written, error.isEmpty());
    QVERIFY(!QFile::exists(temporary));
    QFile result(destination);
    if (error.isEmpty()) {
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), bytes);
        return;
    }
    QVERIFY2(error == u"*" || message.startsWith(error), qPrintable(message));
    QVERIFY(!message.isEmpty());
    if (folderExists) {
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), QByteArray("old"));
    }
}

void tst_ImageProcessor::shortWriteNamesSystemReason()
{
#ifndef Q_OS_UNIX
    QSKIP("file size limits are a Unix facility");
#else
    // A file size limit stops the write part way, as a full disk does: the
    // message must carry the system's reason, not "Unknown error".
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("big.tmp"));
    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 65536;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    QString error;
    const bool written = SafeFile::writeNewFile(path, QByteArray(1 << 20, 'x'), QString(), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    QVERIFY(!written);
    QVERIFY(!QFile::exists(path));
    QVERIFY2(error.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(error));
#endif
}

void tst_ImageProcessor::newOutputReplacesNothing()
{
    // Planned as new, the output meets a file another process wrote meanwhile: that file stays.
    QTemporaryDir dir;
    const QString destination = dir.filePath(QStringLiteral("out.png"));
    const QString temporary = destination + QStringLiteral(".tmp.png");
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(qRgba(1, 2, 3, 255));
    QByteArray bytes;
    QString message;
    QVERIFY(ImageCodecs::encode(image, ImageCodecs::Encoder::Png, &bytes, &message));
    QVERIFY(VerifiedWrite::write(temporary, destination, bytes, ImageCodecs::Encoder::Png, QSize(4, 4), QString(),
                                 &message, nullptr, false));
    QFile other(destination);
    QVERIFY(other.open(QIODevice::WriteOnly) && other.write("theirs") == 6);
    other.close();
    QVERIFY(!VerifiedWrite::write(temporary, destination, bytes, ImageCodecs::Encoder::Png, QSize(4, 4), QString(),
                                  &message, nullptr, false));
    QVERIFY2(message.contains(destination) && message.contains(QStringLiteral("另一个进程")), qPrintable(message));
    QVERIFY(other.open(QIODevice::ReadOnly));
    QCOMPARE(other.readAll(), QByteArray("theirs"));
    QVERIFY(!QFile::exists(temporary));
}

#include "tst_imageprocessor.moc"
