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
    QTest::addColumn<std::optional<Fill>>("expected");

    QTest::newRow("transparent") << QStringLiteral("transparent") << std::optional(Fill::Transparent);
    QTest::newRow("white") << QStringLiteral("white") << std::optional(Fill::White);
    QTest::newRow("black") << QStringLiteral("black") << std::optional(Fill::Black);
    QTest::newRow("display_text_is_no_key") << QStringLiteral("白色") << std::optional<Fill>();
    QTest::newRow("unknown") << QStringLiteral("红色") << std::optional<Fill>();
}

void tst_ImageProcessor::fillFromKey()
{
    QFETCH(QString, key);
    QFETCH(std::optional<Fill>, expected);
    QCOMPARE(PaddingChoices::fillFromKey(key), expected);
    if (expected)
        QCOMPARE(PaddingChoices::key(*expected), key);
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
