#include "ImageProcessor.h"
#include "JpegEncoder.h"
#include "MemoryBudget.h"
#include "RowPad.h"
#include "SafeFile.h"
#include "TestImages.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <gif_lib.h>

#include <cmath>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using TestImages::firstDifference;
using TestImages::load;
using TestImages::readFile;
using TestImages::writeFile;

namespace {

enum class Writer { Qt, BmpAlpha, Gif, Jpeg };

bool writePicture(const QImage &image, const QString &path, Writer writer)
{
    QByteArray bytes;
    QString error;
    switch (writer) {
    case Writer::Qt:
        return image.save(path);
    case Writer::Jpeg:
        return image.save(path, "JPEG", 95);
    case Writer::BmpAlpha:
        return ImageCodecs::encodeBmpWithAlpha(image, &bytes, &error) && writeFile(path, bytes);
    case Writer::Gif:
        return ImageCodecs::encodeGif(image, &bytes, &error) && writeFile(path, bytes);
    }
    return false;
}

// The canvas a correct engine makes, computed here independently of Pad.
QImage expectedCanvas(const QImage &source, QRgb fill, QSize size, QPoint offset)
{
    QImage canvas(size, QImage::Format_ARGB32);
    canvas.fill(fill);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb s = source.pixel(x, y);
            canvas.setPixel(x + offset.x(), y + offset.y(), qAlpha(fill) == 0 ? s : TestImages::overOpaque(s, fill));
        }
    }
    return canvas;
}

// A few hundred colours at most, with fully transparent holes: what a GIF holds.
QImage paletteFriendly(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (x * y) % 11 == 3 ? qRgba(0, 0, 0, 0)
                                                   : qRgb((x % 6) * 51, (y % 6) * 51, ((x + y) % 5) * 63));
    return image;
}

QStringList temporaryLeftovers(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, {QStringLiteral("*.tesselle.tmp*")}, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xffffffffu;
    for (char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG that declares a size but holds no pixels.
QByteArray pngHeaderOnly(quint32 width, quint32 height, int bits = 8)
{
    QByteArray ihdr("IHDR");
    for (quint32 v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr.append(char((v >> shift) & 0xff));
    ihdr.append(char(bits));
    ihdr.append(QByteArray::fromHex("06000000")); // RGBA
    QByteArray out = QByteArray::fromHex("89504e470d0a1a0a");
    // IHDR, then a token IDAT so that a reader gets past the header, then IEND.
    for (const QByteArray &chunk : {ihdr, QByteArray("IDAT\x78\x9c\x03\x00\x00\x00\x00\x01", 12),
                                    QByteArray("IEND")}) {
        const quint32 length = quint32(chunk.size() - 4);
        for (int shift = 24; shift >= 0; shift -= 8)
            out.append(char((length >> shift) & 0xff));
        out.append(chunk);
        const quint32 crc = crc32(chunk);
        for (int shift = 24; shift >= 0; shift -= 8)
            out.append(char((crc >> shift) & 0xff));
    }
    return out;
}

bool writeTwoFrameGif(const QString &path)
{
    int error = 0;
    GifFileType *gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
    if (!gif)
        return false;
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject *map = GifMakeMapObject(4, colours);
    bool ok = EGifPutScreenDesc(gif, 10, 7, 8, 0, map) == GIF_OK;
    const struct { int left, top, width, height, index; } frames[] = {{0, 0, 10, 7, 1}, {2, 2, 4, 3, 2}};
    for (const auto &f : frames) {
        ok = ok && EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, nullptr) == GIF_OK;
        QByteArray line(f.width, char(f.index));
        for (int y = 0; ok && y < f.height; ++y)
            ok = EGifPutLine(gif, reinterpret_cast<GifPixelType *>(line.data()), f.width) == GIF_OK;
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

QByteArray jpegBytes(const QImage &image, bool progressive)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(image) ? out : QByteArray();
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return out;
}

QByteArray cutAt(const QByteArray &bytes, double fraction)
{
    return bytes.left(qsizetype(bytes.size() * fraction));
}

// A 4×4 GIF with four colours whose one frame holds exactly `codes` (minimum
// code size 2), packed as a decoder reads them: the code size grows with the table.
QByteArray handMadeGif(const QList<int> &codes)
{
    QByteArray gif("GIF89a\x04\x00\x04\x00\x81\x00\x00", 13);
    gif += QByteArray("\x00\x00\x00\xff\x00\x00\x00\xff\x00\x00\x00\xff", 12);
    gif += QByteArray("\x2c\x00\x00\x00\x00\x04\x00\x04\x00\x00\x02", 11);
    QByteArray data;
    quint32 pending = 0;
    int pendingBits = 0;
    int size = 3;
    int next = 6;
    bool first = true;
    for (const int code : codes) {
        pending |= quint32(code) << pendingBits;
        pendingBits += size;
        for (; pendingBits >= 8; pendingBits -= 8, pending >>= 8)
            data += char(pending & 0xff);
        if (code == 4) {
            size = 3;
            next = 6;
            first = true;
        } else if (code != 5) {
            if (!first && ++next == (1 << size) && size < 12)
                ++size;
            first = false;
        }
    }
    if (pendingBits > 0)
        data += char(pending & 0xff);
    gif += char(data.size()) + data + QByteArray("\x00\x3b", 2);
    return gif;
}

ProcessResult padInPlace(const QString &path, Fill fill = Fill::White, bool png = false,
                         const RunContext *run = nullptr)
{
    return ImageProcessor::process(path, QString(), true, SizeRule::Multiple4, fill, true, png, run);
}

// What a JPEG's frame header says, read here byte by byte: each component's
// sampling factors ("2x2 1x1 1x1" is 4:2:0) and whether it is progressive.
struct JpegFrame
{
    QString sampling;
    bool progressive = false;
};

JpegFrame frameOf(const QByteArray &jpeg)
{
    JpegFrame frame;
    qsizetype at = 2;
    while (at + 10 <= jpeg.size() && uchar(jpeg[at]) == 0xff) {
        const uchar marker = uchar(jpeg[at + 1]);
        if (marker == 0xc0 || marker == 0xc1 || marker == 0xc2) {
            frame.progressive = marker == 0xc2;
            QStringList factors;
            for (int c = 0; c < uchar(jpeg[at + 9]) && at + 12 + c * 3 <= jpeg.size(); ++c) {
                const uchar f = uchar(jpeg[at + 11 + c * 3]);
                factors << QStringLiteral("%1x%2").arg(f >> 4).arg(f & 15);
            }
            frame.sampling = factors.join(u' ');
            return frame;
        }
        at += 2 + ((uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]));
    }
    return frame;
}

int estimatedQuality(const QByteArray &jpeg)
{
    JpegEncoder::Style style;
    QString error;
    return JpegEncoder::readStyle(jpeg, &style, &error) ? style.quality : -1;
}

} // namespace

// ImageProcessor::process on real files: formats, extensions, replacement modes, bad input and
// the safety of the replacement itself.
class tst_Process : public QObject
{
    Q_OBJECT

private slots:
    void losslessFormats_data();
    void losslessFormats();
    void jpegOutput_data();
    void jpegOutput();
    void translucentTiffKeepsUnassociatedAlpha_data();
    void translucentTiffKeepsUnassociatedAlpha();
    void gifWithManyColoursIsQuantised();
    void sixteenBit_data();
    void sixteenBit();
    void exifOrientationIsApplied();
    void fittingPictureIsKept_data();
    void fittingPictureIsKept();
    void paddedJpegKeepsItsEncoding_data();
    void paddedJpegKeepsItsEncoding();
    void paddedJpegKeepsItsSegments();
    void qualityOfTablesNoQualityGives_data();
    void qualityOfTablesNoQualityGives();
    void colourProfileIsKept_data();
    void colourProfileIsKept();
    void resolution_data();
    void resolution();
    void onlyFirstFrame_data();
    void onlyFirstFrame();
    void badInput_data();
    void badInput();
    void hugeDeclaredSize_data();
    void hugeDeclaredSize();
    void inPlaceSameFormatReplacesSource();
    void inPlaceJpegWithTransparentFillAddsPng();
    void inPlaceRefusesToOverwriteAnotherPicture();
    void replacementIsAtomicRename();
    void existingOutputIsReplaced();
    void missingOutputFolderFails();
    void failedRenameLeavesDestination();
    void temporaryNameIsNeverFollowed();
    void memoryBoundAdmitsLargePictures();
    void damagedData_data();
    void damagedData();
    void onlyFiveFamilies_data();
    void onlyFiveFamilies();
    void peakMemoryIsCheckedBeforeDecoding_data();
    void peakMemoryIsCheckedBeforeDecoding();
    void inPlaceCollisions_data();
    void inPlaceCollisions();
    void readOnlyDestination_data();
    void readOnlyDestination();
    void symbolicLinkInPlace();
    void longNames_data();
    void longNames();
    void gifPaletteFill_data();
    void gifPaletteFill();
    void rowByRowGivesTheSamePicture_data();
    void rowByRowGivesTheSamePicture();
    void rowByRowFailureLeavesFilesAlone_data();
    void rowByRowFailureLeavesFilesAlone();
    void budgetReservesWhatThePathTakes_data();
    void budgetReservesWhatThePathTakes();

private:
    QTemporaryDir m_dir;
};

void tst_Process::losslessFormats_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("writer");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<Fill>("fill");
    QTest::addColumn<QString>("outputName");

    const Fill clear = Fill::Transparent;
    const Fill white = Fill::White;
    QTest::newRow("png_alpha_transparent") << "a.png" << int(Writer::Qt) << true << clear << "a.png";
    QTest::newRow("png_alpha_white") << "a.png" << int(Writer::Qt) << true << white << "a.png";
    QTest::newRow("png_opaque_black") << "a.PNG" << int(Writer::Qt) << false << Fill::Black << "a.png";
    QTest::newRow("bmp_opaque_transparent") << "a.bmp" << int(Writer::Qt) << false << clear << "a.bmp";
    QTest::newRow("bmp_alpha_transparent") << "a.bmp" << int(Writer::BmpAlpha) << true << clear << "a.bmp";
    QTest::newRow("bmp_alpha_white") << "a.Bmp" << int(Writer::BmpAlpha) << true << white << "a.bmp";
    QTest::newRow("tiff_alpha_transparent") << "a.Tiff" << int(Writer::Qt) << true << clear << "a.tiff";
    QTest::newRow("tif_opaque_white") << "a.TIF" << int(Writer::Qt) << false << white << "a.tif";
    QTest::newRow("gif_palette_transparent") << "a.gif" << int(Writer::Gif) << true << clear << "a.gif";
    QTest::newRow("gif_palette_black") << "a.GIF" << int(Writer::Gif) << true << Fill::Black << "a.gif";
    QTest::newRow("multi_dot_name") << "a.b.c.png" << int(Writer::Qt) << true << clear << "a.b.c.png";
}

void tst_Process::losslessFormats()
{
    QFETCH(QString, fileName);
    QFETCH(int, writer);
    QFETCH(bool, alpha);
    QFETCH(Fill, fill);
    QFETCH(QString, outputName);

    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString sourcePath = dir.filePath(fileName);
    const QString outDir = dir.filePath(QStringLiteral("out"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));

    const bool gif = Writer(writer) == Writer::Gif;
    QImage picture = gif ? paletteFriendly(23, 13) : TestImages::pattern(23, 13);
    if (!alpha)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    QVERIFY(writePicture(picture, sourcePath, Writer(writer)));
    const QByteArray sourceBytes = readFile(sourcePath);

    // The reference is what the decoder makes of the source file.
    const QImage reference = load(sourcePath);
    QVERIFY(!reference.isNull());
    QCOMPARE(reference.hasAlphaChannel(), alpha);

    const ProcessResult result = ImageProcessor::process(sourcePath, outDir, false, SizeRule::Multiple4,
                                                         fill, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(result.source, sourcePath);
    QCOMPARE(result.oldSize, QStringLiteral("23×13"));
    QCOMPARE(result.newSize, QStringLiteral("24×16"));
    const QString outputPath = QDir(outDir).filePath(outputName);
    QCOMPARE(result.message, QStringLiteral("规则=4 的倍数；已保存并回读校验；") + QDir::toNativeSeparators(outputPath));
    QCOMPARE(QDir(outDir).entryList(QDir::Files), QStringList{outputName});
    QCOMPARE(readFile(sourcePath), sourceBytes);

    const QImage output = load(outputPath).convertToFormat(QImage::Format_ARGB32);
    // Compared without premultiplication: Qt's TIFF reader hands out premultiplied pixels.
    const QImage expected = expectedCanvas(reference.convertToFormat(QImage::Format_ARGB32),
                                           ImageProcessor::fillColour(fill), QSize(24, 16), QPoint(0, 1));
    const QString difference = firstDifference(expected, output);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QVERIFY(temporaryLeftovers(dir.path()).isEmpty());
}

void tst_Process::jpegOutput_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<bool>("png");
    QTest::addColumn<QString>("outputName");

    QTest::newRow("upper_JPG_white_keeps_jpeg") << "photo.JPG" << QStringLiteral("white") << false << "photo.jpg";
    QTest::newRow("jpeg_black") << "photo.jpeg" << QStringLiteral("black") << false << "photo.jpeg";
    QTest::newRow("jpg_transparent_becomes_png") << "photo.jpg" << QStringLiteral("transparent") << false
                                                 << "photo.png";
    QTest::newRow("jpg_forced_png") << "photo.jpg" << QStringLiteral("white") << true << "photo.png";
    QTest::newRow("jpg_translucent_colour_becomes_png") << "photo.jpg" << QStringLiteral("#ffffff80") << false
                                                        << "photo.png";
    QTest::newRow("jpg_edge_keeps_jpeg") << "photo.jpg" << QStringLiteral("edge") << false << "photo.jpg";
    QTest::newRow("jpg_forced_png_transparent") << "photo.jpg" << QStringLiteral("transparent") << true << "photo.png";
}

void tst_Process::jpegOutput()
{
    QFETCH(QString, fileName);
    QFETCH(QString, fill);
    const FillSpec spec = *PaddingChoices::fillFromKey(fill);
    QFETCH(bool, png);
    QFETCH(QString, outputName);

    QTemporaryDir dir;
    const QString sourcePath = dir.filePath(fileName);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
    QImage photo(61, 37, QImage::Format_RGB32);
    photo.fill(qRgb(40, 120, 200));
    QVERIFY(writePicture(photo, sourcePath, Writer::Jpeg));

    // Power of two: 61x37 becomes 64x64, so the bottom rows are whole JPEG blocks of fill.
    const ProcessResult result = ImageProcessor::process(sourcePath, dir.filePath(QStringLiteral("out")), false,
                                                         SizeRule::Power2, spec, false, png);
    QVERIFY2(result.success, qPrintable(result.message));
    const QString outputPath = dir.filePath(QStringLiteral("out/") + outputName);
    QVERIFY2(QFileInfo::exists(outputPath), qPrintable(result.message));
    QImageReader reader(outputPath);
    QCOMPARE(reader.format(), outputName.endsWith(QLatin1String(".png")) ? QByteArray("png") : QByteArray("jpeg"));
    const QImage output = reader.read();
    QCOMPARE(output.size(), QSize(64, 64));
    // Picture at the top-left, padding right and bottom.
    const QRgb inside = output.pixel(30, 18);
    QVERIFY(qAbs(qBlue(inside) - 200) < 8 && qAbs(qGreen(inside) - 120) < 8);
    const QRgb corner = output.pixel(63, 63);
    if (spec.kind == FillSpec::Kind::Transparent)
        QCOMPARE(qAlpha(corner), 0);
    else if (spec.kind == FillSpec::Kind::Colour)
        QCOMPARE(corner, qRgba(255, 255, 255, 128));
    else if (spec.kind == FillSpec::Kind::Edge)
        QVERIFY(qAbs(qBlue(corner) - 200) < 8 && qAbs(qGreen(corner) - 120) < 8);
    else if (spec.kind == FillSpec::Kind::Black)
        QVERIFY(qRed(corner) < 8 && qGreen(corner) < 8 && qBlue(corner) < 8);
    else
        QVERIFY(qRed(corner) > 247 && qGreen(corner) > 247 && qBlue(corner) > 247);
}

void tst_Process::translucentTiffKeepsUnassociatedAlpha_data()
{
    QTest::addColumn<bool>("orientationTag");
    QTest::newRow("as_stored") << false;
    QTest::newRow("turned_clockwise_by_tag") << true;
}

void tst_Process::translucentTiffKeepsUnassociatedAlpha()
{
    // Qt writes 8-bit ARGB to TIFF as unassociated alpha; every translucent
    // pixel of the file must come back bit for bit over the transparent fill.
    QFETCH(bool, orientationTag);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("glass.tif"));
    const QImage picture = TestImages::pattern(21, 11);
    QByteArray tiff;
    {
        QBuffer buffer(&tiff);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(picture.save(&buffer, "TIFF"));
    }
    QImage displayed = picture;
    if (orientationTag) {
        // Stored as is, tagged "turned clockwise": shown 11 wide and 21 high.
        QImageWriter writer(path, "tiff");
        writer.setTransformation(QImageIOHandler::TransformationRotate90);
        QVERIFY(writer.write(picture));
        displayed = picture.transformed(QTransform().rotate(90));
        QCOMPARE(displayed.size(), QSize(11, 21));
    } else {
        QVERIFY(writeFile(path, tiff));
    }

    QImage decoded;
    QString error;
    QVERIFY2(ImageCodecs::decode(readFile(path), true, &decoded, &error), qPrintable(error));
    QString difference = firstDifference(displayed, decoded);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::Transparent, false, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QImage output;
    QVERIFY2(ImageCodecs::decode(readFile(path), true, &output, &error), qPrintable(error));
    QCOMPARE(output.size(), QSize(PaddingChoices::target(displayed.width(), SizeRule::Multiple4),
                                  PaddingChoices::target(displayed.height(), SizeRule::Multiple4)));
    difference = firstDifference(displayed, output);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void tst_Process::gifWithManyColoursIsQuantised()
{
    // A photo-like picture saved as .gif: reduced to a palette, with its fully
    // transparent pixels kept transparent and its shape intact.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("many.gif"));
    QImage picture = TestImages::pattern(50, 30, QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < 50; ++x)
        picture.setPixel(x, 0, qRgba(0, 0, 0, 0));
    QByteArray bytes;
    QString error;
    QVERIFY2(ImageCodecs::encodeGif(picture, &bytes, &error), qPrintable(error));
    QVERIFY(writeFile(path, bytes));

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::Transparent, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    const QImage output = load(path);
    QCOMPARE(output.size(), QSize(52, 32));
    QSet<QRgb> colours;
    for (int y = 0; y < output.height(); ++y)
        for (int x = 0; x < output.width(); ++x)
            colours.insert(output.pixel(x, y));
    QVERIFY2(colours.size() > 16 && colours.size() <= 256, qPrintable(QString::number(colours.size())));
    for (int x = 0; x < 52; ++x)
        QCOMPARE(qAlpha(output.pixel(x, 1)), 0); // the transparent first row, one row down
    // Quantised colours stay close to the originals.
    int worst = 0;
    for (int y = 1; y < 30; ++y)
        for (int x = 0; x < 50; ++x) {
            const QRgb a = picture.pixel(x, y), b = output.pixel(x + 1, y + 1);
            worst = qMax(worst, qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)));
            QCOMPARE(qAlpha(b), 255);
        }
    QVERIFY2(worst < 160, qPrintable(QString::number(worst)));
}

void tst_Process::sixteenBit_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<Fill>("fill");

    QTest::newRow("png_rgba_transparent") << "deep.png" << true << Fill::Transparent;
    QTest::newRow("png_rgb_white") << "deep.png" << false << Fill::White;
    QTest::newRow("tiff_rgba_transparent") << "deep.tiff" << true << Fill::Transparent;
    QTest::newRow("tif_rgb_black") << "deep.tif" << false << Fill::Black;
}

void tst_Process::sixteenBit()
{
    QFETCH(QString, fileName);
    QFETCH(bool, alpha);
    QFETCH(Fill, fill);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QVERIFY(TestImages::deepPattern(9, 6, alpha).save(path));
    const QImage reference = load(path);
    QVERIFY2(reference.depth() == 64, "the source must decode with 16 bits per channel");

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4, fill,
                                                         true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    const QImage output = load(path);
    QCOMPARE(output.size(), QSize(12, 8));
    QCOMPARE(output.depth(), 64);
    if (fill == Fill::Transparent) {
        const QString difference = firstDifference(reference, output, 1, 1);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        QCOMPARE(output.pixelColor(0, 0).alpha(), 0);
    } else {
        // Opaque source: pixels arrive with all 16 bits; the border is the fill.
        const QString difference = firstDifference(reference, output, 1, 1);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        const QRgba64 border = output.pixelColor(11, 7).rgba64();
        QCOMPARE(border, QRgba64::fromArgb32(ImageProcessor::fillColour(fill)));
    }
}

void tst_Process::exifOrientationIsApplied()
{
    QTemporaryDir dir;
    // Stored 30x14, left half red, right half blue; orientation 6 displays it
    // turned clockwise: 14x30, red on top.
    QImage stored(30, 14, QImage::Format_RGB32);
    stored.fill(qRgb(0, 0, 255));
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 15; ++x)
            stored.setPixel(x, y, qRgb(255, 0, 0));
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(stored.save(&buffer, "JPEG", 95));
    }
    const QString path = dir.filePath(QStringLiteral("turned.jpg"));
    QVERIFY(writeFile(path, TestImages::withExifOrientation(jpeg, 6)));
    QCOMPARE(load(path).size(), QSize(14, 30));

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::White, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(result.oldSize, QStringLiteral("14×30"));
    QCOMPARE(result.newSize, QStringLiteral("16×32"));
    const QImage output = load(path);
    QCOMPARE(output.size(), QSize(16, 32));
    QVERIFY(qRed(output.pixel(8, 4)) > 200 && qBlue(output.pixel(8, 4)) < 60);
    QVERIFY(qBlue(output.pixel(8, 28)) > 200 && qRed(output.pixel(8, 28)) < 60);
}

void tst_Process::fittingPictureIsKept_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<Fill>("fill");
    QTest::addColumn<bool>("png");
    QTest::addColumn<bool>("intoFolder");
    QTest::addColumn<QString>("outputName");
    QTest::addColumn<bool>("kept"); // the output is the source's own bytes
    QTest::addColumn<bool>("rowByRow"); // padded a row at a time, were it padded

    QTest::newRow("jpeg_in_place") << "photo.jpg" << Fill::White << false << false << "photo.jpg" << true << false;
    QTest::newRow("png_in_place_with_png_option") << "art.png" << Fill::Transparent << true << false << "art.png"
                                                  << true << false;
    QTest::newRow("jpeg_into_output_folder") << "photo.JPG" << Fill::Black << false << true << "photo.jpg" << true
                                             << false;
    QTest::newRow("jpeg_with_transparent_fill_becomes_png") << "photo.jpg" << Fill::Transparent << false << false
                                                            << "photo.png" << false << false;
    QTest::newRow("jpeg_with_png_option_into_folder") << "photo.jpg" << Fill::White << true << true << "photo.png"
                                                      << false << false;
    QTest::newRow("png_in_place_row_by_row") << "art.png" << Fill::White << false << false << "art.png" << true
                                             << true;
    QTest::newRow("png_into_output_folder_row_by_row") << "art.png" << Fill::White << false << true << "art.png"
                                                       << true << true;
}

void tst_Process::fittingPictureIsKept()
{
    QFETCH(QString, fileName);
    QFETCH(Fill, fill);
    QFETCH(bool, png);
    QFETCH(bool, intoFolder);
    QFETCH(QString, outputName);
    QFETCH(bool, kept);
    QFETCH(bool, rowByRow);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QVERIFY(TestImages::pattern(20, 12, QImage::Format_RGB32).save(path, QFileInfo(path).suffix().toLatin1(), 80));
    const QByteArray before = readFile(path);
    const QDateTime stamp(QDate(2021, 3, 4), QTime(5, 6, 7));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    const QString outDir = intoFolder ? dir.filePath(QStringLiteral("out")) : QString();
    QVERIFY(!intoFolder || QDir(dir.path()).mkdir(QStringLiteral("out")));

    const qint64 usual = RowPad::minimumPixels();
    RowPad::setMinimumPixels(rowByRow ? 0 : usual);
    const ProcessResult result = ImageProcessor::process(path, outDir, !intoFolder, SizeRule::Multiple4, fill,
                                                         true, png);
    RowPad::setMinimumPixels(usual);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(result.unchanged, kept);
    QCOMPARE(result.newSize, QStringLiteral("20×12"));
    const QString output = QDir(intoFolder ? outDir : dir.path()).filePath(outputName);
    QCOMPARE(QFileInfo(result.destination).absoluteFilePath(), QFileInfo(output).absoluteFilePath());
    QCOMPARE(readFile(path), before);
    QCOMPARE(QFileInfo(path).lastModified(), stamp);
    if (kept)
        QCOMPARE(readFile(output), before);
    else
        QCOMPARE(QImageReader(output).format(), QByteArray("png"));
    QVERIFY(temporaryLeftovers(dir.path()).isEmpty());
}

void tst_Process::paddedJpegKeepsItsEncoding_data()
{
    QTest::addColumn<int>("quality");
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<bool>("grey");
    QTest::addColumn<QString>("sampling");

    QTest::newRow("q95_420") << 95 << false << false << "2x2 1x1 1x1";
    QTest::newRow("q70_420") << 70 << false << false << "2x2 1x1 1x1";
    QTest::newRow("q70_420_progressive") << 70 << true << false << "2x2 1x1 1x1";
    QTest::newRow("q90_444") << 90 << false << false << "1x1 1x1 1x1";
    QTest::newRow("q85_422_progressive") << 85 << true << false << "2x1 1x1 1x1";
    QTest::newRow("q80_grey") << 80 << false << true << "1x1";
}

void tst_Process::paddedJpegKeepsItsEncoding()
{
    QFETCH(int, quality);
    QFETCH(bool, progressive);
    QFETCH(bool, grey);
    QFETCH(QString, sampling);

    const QImage picture = TestImages::pattern(37, 21, QImage::Format_RGB32);
    QByteArray source;
    if (sampling == QLatin1String("2x2 1x1 1x1") || grey) {
        // Made by Qt, which scales libjpeg's tables itself and subsamples 4:2:0.
        QBuffer buffer(&source);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        writer.setProgressiveScanWrite(progressive);
        QVERIFY(writer.write(grey ? picture.convertToFormat(QImage::Format_Grayscale8) : picture));
    } else {
        JpegEncoder::Style style;
        style.quality = quality;
        style.progressive = progressive;
        const QStringList factors = sampling.split(u' ');
        for (int c = 0; c < 3; ++c)
            style.sampling[size_t(c)] = {factors.at(c).at(0).digitValue(), factors.at(c).at(2).digitValue()};
        QString error;
        QVERIFY2(JpegEncoder::encode(picture, style, &source, &error), qPrintable(error));
    }
    QCOMPARE(frameOf(source).sampling, sampling);
    QCOMPARE(estimatedQuality(source), quality);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    QVERIFY(writeFile(path, source));
    const ProcessResult result = padInPlace(path);
    QVERIFY2(result.success && !result.unchanged, qPrintable(result.message));
    const QByteArray padded = readFile(path);
    QCOMPARE(load(path).size(), QSize(40, 24));
    QVERIFY2(qAbs(estimatedQuality(padded) - quality) <= 1, qPrintable(QString::number(estimatedQuality(padded))));
    QCOMPARE(frameOf(padded).sampling, sampling);
    QCOMPARE(frameOf(padded).progressive, progressive);
}

void tst_Process::paddedJpegKeepsItsSegments()
{
    // A profile, a comment and an EXIF block turned half round (orientation 3).
    QImage picture = TestImages::pattern(19, 11, QImage::Format_RGB32);
    picture.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setText(QStringLiteral("Description"), QStringLiteral("harbour at dusk"));
        QVERIFY(writer.write(picture));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    QVERIFY(writeFile(path, TestImages::withExifOrientation(jpeg, 3)));
    QCOMPARE(QImageReader(path).transformation(), QImageIOHandler::TransformationRotate180);

    const ProcessResult result = padInPlace(path);
    QVERIFY2(result.success, qPrintable(result.message));
    QImageReader reader(path);
    QCOMPARE(reader.size(), QSize(20, 12));
    QCOMPARE(reader.text(QStringLiteral("Description")), QStringLiteral("harbour at dusk"));
    QVERIFY(readFile(path).contains(QByteArray("Exif\0\0", 6)));
    // The pixels were turned when padded: the carried tag must not turn them again.
    QCOMPARE(reader.transformation(), QImageIOHandler::TransformationNone);
    QCOMPARE(reader.read().colorSpace(), QColorSpace(QColorSpace::DisplayP3));
}

void tst_Process::qualityOfTablesNoQualityGives_data()
{
    QTest::addColumn<int>("quantiser"); // every entry of both tables
    QTest::addColumn<int>("quality");
    QTest::newRow("all_ones_finest") << 1 << 100;
    QTest::newRow("all_255_coarsest") << 255 << 1;
    QTest::newRow("beyond_baseline_clamped") << 4000 << 1;
}

void tst_Process::qualityOfTablesNoQualityGives()
{
    QFETCH(int, quantiser);
    QFETCH(int, quality);
    quint16 table[64];
    std::fill(std::begin(table), std::end(table), quint16(quantiser));
    QCOMPARE(JpegEncoder::estimateQuality(table, table), quality);
}

void tst_Process::colourProfileIsKept_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("png") << "wide.png";
    QTest::newRow("jpeg") << "wide.jpg";
    QTest::newRow("tiff") << "wide.tif";
}

void tst_Process::colourProfileIsKept()
{
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QImage picture = TestImages::pattern(10, 10, QImage::Format_RGB32);
    picture.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    QVERIFY(picture.save(path));
    QCOMPARE(load(path).colorSpace(), QColorSpace(QColorSpace::DisplayP3));

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::White, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    const QImage output = load(path);
    QCOMPARE(output.size(), QSize(12, 12));
    QCOMPARE(output.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
}

void tst_Process::resolution_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("sourceDpm"); // 0: the file declares none
    QTest::addColumn<int>("expectedDpm");

    QTest::newRow("png_300dpi_kept") << "r.png" << 11811 << 11811;
    QTest::newRow("tiff_72dpi_kept") << "r.tiff" << 2835 << 2835;
    QTest::newRow("bmp_0dpi_becomes_96") << "r.bmp" << 0 << 3780;
}

void tst_Process::resolution()
{
    QFETCH(QString, fileName);
    QFETCH(int, sourceDpm);
    QFETCH(int, expectedDpm);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QImage picture = TestImages::pattern(5, 5, QImage::Format_RGB32);
    if (sourceDpm > 0) {
        picture.setDotsPerMeterX(sourceDpm);
        picture.setDotsPerMeterY(sourceDpm);
        QVERIFY(picture.save(path));
    } else {
        QByteArray bmp;
        QString error;
        QVERIFY(ImageCodecs::encodeBmpWithAlpha(picture, &bmp, &error));
        // Zero the BITMAPV5HEADER's horizontal and vertical pixels per metre.
        std::fill(bmp.begin() + 14 + 24, bmp.begin() + 14 + 32, '\0');
        QVERIFY(writeFile(path, bmp));
    }

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::White, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    const QImage output = load(path);
    QCOMPARE(output.dotsPerMeterX(), expectedDpm);
    QCOMPARE(output.dotsPerMeterY(), expectedDpm);
}

void tst_Process::onlyFirstFrame_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("gif") << "anim.gif";
    QTest::newRow("tiff") << "pages.tiff";
}

void tst_Process::onlyFirstFrame()
{
    QFETCH(QString, fileName);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (fileName.endsWith(QLatin1String(".gif"))) {
        QVERIFY(writeTwoFrameGif(path));
    } else {
        QImage first(10, 7, QImage::Format_RGB32);
        first.fill(qRgb(255, 0, 0));
        QImage second(3, 3, QImage::Format_RGB32);
        second.fill(qRgb(0, 255, 0));
        QVERIFY(writeFile(path, TestImages::multiPageTiff({first, second})));
    }
    QCOMPARE(QImageReader(path).imageCount(), 2);

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::White, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QImageReader reader(path);
    QCOMPARE(reader.imageCount(), 1);
    const QImage output = reader.read();
    QCOMPARE(output.size(), QSize(12, 8));
    QCOMPARE(output.pixel(5, 3), qRgb(255, 0, 0));
}

void tst_Process::badInput_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind"); // file, missing, folder, fifo

    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        TestImages::pattern(64, 64).save(&buffer, "PNG");
    }
    QTest::newRow("empty") << "empty.png" << QByteArray() << "file";
    QTest::newRow("garbage") << "noise.png" << QByteArray(300, '\x5a') << "file";
    QTest::newRow("text_named_jpg") << "notes.jpg" << QByteArray("just some text, not a picture\n") << "file";
    QTest::newRow("truncated_png") << "cut.png" << png.left(png.size() / 2) << "file";
    QTest::newRow("header_only_png") << "header.png" << pngHeaderOnly(4, 4) << "file";
    QTest::newRow("missing") << "gone.png" << QByteArray() << "missing";
    QTest::newRow("folder_named_like_picture") << "folder.png" << QByteArray() << "folder";
    QTest::newRow("fifo_named_like_picture") << "pipe.png" << QByteArray() << "fifo";
}

void tst_Process::badInput()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (kind == QLatin1String("file"))
        QVERIFY(writeFile(path, content));
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(fileName));
    else if (kind == QLatin1String("fifo"))
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);

    for (bool inPlace : {true, false}) {
        const ProcessResult result = ImageProcessor::process(path, dir.path(), inPlace, SizeRule::Multiple4,
                                                             Fill::Transparent, true, true);
        QVERIFY(!result.success);
        QCOMPARE(result.source, path);
        QCOMPARE(result.oldSize, QString());
        QCOMPARE(result.newSize, QString());
        QVERIFY(!result.message.trimmed().isEmpty());
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
    if (kind == QLatin1String("file"))
        QCOMPARE(readFile(path), content);
}

void tst_Process::hugeDeclaredSize_data()
{
    QTest::addColumn<QByteArray>("environment");
    QTest::newRow("default") << QByteArray();
    QTest::newRow("environment_lifts_qt_limit") << QByteArray("0");
    QTest::newRow("environment_sets_huge_limit") << QByteArray("1000000");
}

void tst_Process::hugeDeclaredSize()
{
    QFETCH(QByteArray, environment);
    if (!environment.isEmpty())
        qputenv("QT_IMAGEIO_MAXALLOC", environment);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.png"));
    QVERIFY(writeFile(path, pngHeaderOnly(200000, 200000)));

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::Transparent, true, false);
    qunsetenv("QT_IMAGEIO_MAXALLOC");
    QVERIFY(!result.success);
    QVERIFY2(result.message.contains(QStringLiteral("200000×200000")), qPrintable(result.message));
    QCOMPARE(result.oldSize, QString());
}

void tst_Process::inPlaceSameFormatReplacesSource()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.JPG"));
    QImage photo(19, 11, QImage::Format_RGB32);
    photo.fill(qRgb(90, 90, 90));
    QVERIFY(writePicture(photo, path, Writer::Jpeg));
    const QByteArray before = readFile(path);

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::White, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("photo.JPG")});
    QVERIFY(readFile(path) != before);
    QCOMPARE(load(path).size(), QSize(20, 12));
}

void tst_Process::inPlaceJpegWithTransparentFillAddsPng()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.JPG"));
    QVERIFY(writePicture(TestImages::pattern(7, 5, QImage::Format_RGB32), path, Writer::Jpeg));
    const QByteArray before = readFile(path);

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::Transparent, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(readFile(path), before);
    const QImage png = load(dir.filePath(QStringLiteral("photo.png")));
    QCOMPARE(png.size(), QSize(8, 8));
    QCOMPARE(qAlpha(png.pixel(7, 7)), 0);
}

void tst_Process::inPlaceRefusesToOverwriteAnotherPicture()
{
    QTemporaryDir dir;
    const QString jpg = dir.filePath(QStringLiteral("a.jpg"));
    const QString png = dir.filePath(QStringLiteral("a.png"));
    QVERIFY(writePicture(TestImages::pattern(7, 5, QImage::Format_RGB32), jpg, Writer::Jpeg));
    QVERIFY(TestImages::pattern(3, 3).save(png));
    const QByteArray jpgBefore = readFile(jpg);
    const QByteArray pngBefore = readFile(png);

    const ProcessResult result = ImageProcessor::process(jpg, QString(), true, SizeRule::Multiple4,
                                                         Fill::Transparent, true, false);
    QVERIFY(!result.success);
    QVERIFY2(result.message.contains(QDir::toNativeSeparators(png)), qPrintable(result.message));
    QCOMPARE(readFile(jpg), jpgBefore);
    QCOMPARE(readFile(png), pngBefore);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void tst_Process::replacementIsAtomicRename()
{
    // A hard link still sees the old picture afterwards: the destination was
    // replaced by a rename, never written over.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.png"));
    const QString link = dir.filePath(QStringLiteral("old.png"));
    QVERIFY(TestImages::pattern(7, 5).save(path));
    const QByteArray before = readFile(path);
    QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()) == 0);
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);

    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::Transparent, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(readFile(link), before);
    QCOMPARE(load(path).size(), QSize(8, 8));
    QCOMPARE(QFileInfo(path).permissions() & 0x0fff, QFileInfo(link).permissions() & 0x0fff);
    QVERIFY(temporaryLeftovers(dir.path()).isEmpty());
}

void tst_Process::existingOutputIsReplaced()
{
    QTemporaryDir dir;
    QDir root(dir.path());
    QVERIFY(root.mkdir(QStringLiteral("in")) && root.mkdir(QStringLiteral("out")));
    const QString out = root.filePath(QStringLiteral("out"));
    QVERIFY(TestImages::pattern(2, 2).save(root.filePath(QStringLiteral("out/same.png"))));
    QVERIFY(TestImages::pattern(9, 9).save(root.filePath(QStringLiteral("in/same.png"))));
    QVERIFY(writePicture(TestImages::pattern(5, 5, QImage::Format_RGB32), root.filePath(QStringLiteral("in/same.jpg")),
                         Writer::Jpeg));

    ProcessResult result = ImageProcessor::process(root.filePath(QStringLiteral("in/same.png")), out, false,
                                                   SizeRule::Multiple4, Fill::Transparent,
                                                   true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(load(root.filePath(QStringLiteral("out/same.png"))).size(), QSize(12, 12));

    // A second source with the same base name and PNG output replaces the first output.
    result = ImageProcessor::process(root.filePath(QStringLiteral("in/same.jpg")), out, false,
                                     SizeRule::Multiple4, Fill::White, true, true);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(load(root.filePath(QStringLiteral("out/same.png"))).size(), QSize(8, 8));
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("same.png")});
}

void tst_Process::missingOutputFolderFails()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("s.png"));
    QVERIFY(TestImages::pattern(3, 3).save(source));
    const QString out = dir.filePath(QStringLiteral("not/there"));
    const ProcessResult result = ImageProcessor::process(source, out, false, SizeRule::Multiple4,
                                                         Fill::Transparent, true, false);
    QVERIFY(!result.success);
    QCOMPARE(result.oldSize, QStringLiteral("3×3"));
    QCOMPARE(result.newSize, QString());
    QVERIFY(!result.message.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("not"))));
}

void tst_Process::failedRenameLeavesDestination()
{
    // The destination name is taken by a non-empty folder: the rename fails.
    QTemporaryDir dir;
    QDir root(dir.path());
    const QString source = root.filePath(QStringLiteral("s.png"));
    QVERIFY(TestImages::pattern(3, 3).save(source));
    QVERIFY(root.mkpath(QStringLiteral("out/s.png/inside")));

    const ProcessResult result = ImageProcessor::process(source, root.filePath(QStringLiteral("out")), false,
                                                         SizeRule::Multiple4,
                                                         Fill::Transparent, true, false);
    QVERIFY(!result.success);
    QVERIFY(!result.message.isEmpty());
    QVERIFY(QFileInfo(root.filePath(QStringLiteral("out/s.png/inside"))).isDir());
    QVERIFY(temporaryLeftovers(dir.path()).isEmpty());
}

void tst_Process::temporaryNameIsNeverFollowed()
{
    QTemporaryDir dir;
    QDir root(dir.path());
    QVERIFY(root.mkdir(QStringLiteral("out")));
    const QString source = root.filePath(QStringLiteral("s.png"));
    const QString victim = root.filePath(QStringLiteral("victim.txt"));
    QVERIFY(TestImages::pattern(5, 3).save(source));
    QVERIFY(writeFile(victim, "precious"));
    // A link planted at the predictable temporary name, and an ordinary leftover.
    QVERIFY(QFile::link(victim, root.filePath(QStringLiteral("out/s.png.tesselle.tmp.png"))));
    QVERIFY(writeFile(root.filePath(QStringLiteral("t.png.tesselle.tmp.png")), "leftover"));
    QVERIFY(TestImages::pattern(7, 3).save(root.filePath(QStringLiteral("t.png"))));

    ProcessResult result = ImageProcessor::process(source, root.filePath(QStringLiteral("out")), false,
                                                   SizeRule::Multiple4, Fill::Transparent,
                                                   true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(readFile(victim), QByteArray("precious"));
    QCOMPARE(load(root.filePath(QStringLiteral("out/s.png"))).size(), QSize(8, 4));

    result = ImageProcessor::process(root.filePath(QStringLiteral("t.png")), QString(), true,
                                     SizeRule::Multiple4, Fill::Transparent, true, false);
    QVERIFY2(result.success, qPrintable(result.message));
    QVERIFY(temporaryLeftovers(dir.path()).isEmpty());
}

void tst_Process::memoryBoundAdmitsLargePictures()
{
    // A 20000 x 20000 picture needs 1.6 GB as 8-bit ARGB; machines with enough
    // memory must admit it, and no machine may be unbounded.
    const qint64 physical = SafeFile::physicalMemoryBytes();
    QVERIFY(physical > 0);
    if (physical >= 12LL * 1024 * 1024 * 1024)
        QVERIFY(ImageCodecs::pixelMemoryLimit() >= 20000LL * 20000 * 4);
    QVERIFY(ImageCodecs::pixelMemoryLimit() < physical);
}

void tst_Process::damagedData_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("passes");
    QTest::addColumn<QString>("expected"); // part of the message

    const QImage photo = TestImages::pattern(160, 120, QImage::Format_RGB32);
    const QByteArray baseline = jpegBytes(photo, false);
    const QByteArray progressive = jpegBytes(photo, true);
    const QString damaged = QStringLiteral("图片数据不完整或已损坏");
    for (double cut : {0.3, 0.6, 0.95}) {
        QTest::addRow("jpeg_baseline_cut_at_%d_percent", int(cut * 100))
            << "p.jpg" << cutAt(baseline, cut) << false << damaged;
        QTest::addRow("jpeg_progressive_cut_at_%d_percent", int(cut * 100))
            << "p.jpg" << cutAt(progressive, cut) << false << damaged;
    }
    QTest::newRow("jpeg_without_end_marker") << "p.jpg" << baseline.left(baseline.size() - 2) << false << damaged;

    QByteArray scanDamage = baseline;
    const qsizetype scan = scanDamage.indexOf("\xff\xda");
    scanDamage[scan + (scanDamage.size() - scan) / 2] = '\xff';
    QTest::newRow("jpeg_damaged_byte_in_scan") << "p.jpg" << scanDamage << false << damaged;

    // The end marker is there, so only the decoder's own warning tells.
    QByteArray gap = baseline;
    gap.remove(scan + (gap.size() - scan) / 3, (gap.size() - scan) / 3);
    QTest::newRow("jpeg_scan_bytes_missing_before_end_marker") << "p.jpg" << gap << false
                                                               << damaged + QStringLiteral("：Corrupt JPEG data");

    QByteArray extraneous = baseline;
    extraneous.insert(extraneous.indexOf("\xff\xdb"), "xyz");
    QTest::newRow("jpeg_extraneous_bytes_between_markers") << "p.jpg" << extraneous << true
                                                           << QStringLiteral("解码器警告：");

    QTest::newRow("bmp_cut_short") << "p.bmp" << cutAt(encoded(photo, "BMP"), 0.7) << false << damaged;
    QByteArray gif;
    QString error;
    QVERIFY(ImageCodecs::encodeGif(paletteFriendly(90, 70), &gif, &error));
    QTest::newRow("gif_cut_short") << "p.gif" << cutAt(gif, 0.6) << false << damaged;

    // 16 pixels of colour 0 as: 1, run of 2 (code 6), of 3 (7), of 4 (8), of 5 (9), then 1.
    const QList<int> whole{4, 0, 6, 7, 8, 9, 0, 5};
    QTest::newRow("gif_lzw_whole") << "p.gif" << handMadeGif(whole) << true << QStringLiteral("已符合规则，未改动");
    QTest::newRow("gif_lzw_end_code_early") << "p.gif" << handMadeGif({4, 0, 6, 7, 5}) << false
                                            << damaged + QStringLiteral("：LZW 数据提前结束");
    // giflib reads a code beyond the table as some colour and carries on.
    QTest::newRow("gif_lzw_code_beyond_table") << "p.gif" << handMadeGif({4, 0, 6, 7, 8, 14, 0, 5}) << false
                                               << damaged + QStringLiteral("：无效的 LZW 编码 14");
    QTest::newRow("gif_lzw_last_code_beyond_table") << "p.gif" << handMadeGif({4, 0, 6, 7, 8, 9, 15, 5}) << false
                                                    << damaged + QStringLiteral("：无效的 LZW 编码 15");
    QTest::newRow("gif_lzw_data_runs_out") << "p.gif" << handMadeGif({4, 0, 6, 7}) << false
                                           << damaged + QStringLiteral("：LZW 数据提前结束");

    QTemporaryDir dir;
    QVERIFY(writeTwoFrameGif(dir.filePath(QStringLiteral("two.gif"))));
    const QByteArray twoFrames = readFile(dir.filePath(QStringLiteral("two.gif")));
    // The first frame is whole, so nothing padded is lost: it passes, with the warning in its message.
    QTest::newRow("gif_second_frame_cut") << "p.gif" << twoFrames.left(twoFrames.size() - 4) << true
                                          << QStringLiteral("解码器警告：第 2 帧");
}

void tst_Process::damagedData()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(bool, passes);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QVERIFY(writeFile(path, content));
    const ProcessResult result = padInPlace(path);
    QVERIFY2(result.message.contains(expected), qPrintable(result.message));
    QCOMPARE(result.success, passes);
    if (!passes) {
        QCOMPARE(readFile(path), content);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{fileName});
    }
}

void tst_Process::onlyFiveFamilies_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("afterGoodPicture");

    const QByteArray svg("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30000\" height=\"30000\">"
                         "<rect width=\"30000\" height=\"30000\"/></svg>");
    const QByteArray xbm("#define a_width 30000\n#define a_height 30000\nstatic char a_bits[] = {0x00};\n");
    QTest::newRow("svg_named_png") << "big.png" << svg << false;
    QTest::newRow("xbm_named_gif_first") << "big.gif" << xbm << false;
    QTest::newRow("xbm_named_gif_after_a_picture") << "big.gif" << xbm << true;
}

void tst_Process::onlyFiveFamilies()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(bool, afterGoodPicture);

    QTemporaryDir dir;
    if (afterGoodPicture) {
        const QString good = dir.filePath(QStringLiteral("good.png"));
        QVERIFY(TestImages::pattern(5, 5).save(good));
        QVERIFY(padInPlace(good).success);
    }
    const QString path = dir.filePath(fileName);
    QVERIFY(writeFile(path, content));
    const ProcessResult result = padInPlace(path);
    QVERIFY(!result.success);
    QVERIFY2(result.message.startsWith(QStringLiteral("不支持的图片格式")), qPrintable(result.message));
    QCOMPARE(readFile(path), content);
}

void tst_Process::peakMemoryIsCheckedBeforeDecoding_data()
{
    QTest::addColumn<double>("share"); // of the memory a picture may take when it runs alone
    QTest::addColumn<bool>("admitted");
    // 16-bit, so the picture is padded on a whole canvas: source and canvas
    // each fit, both together do not.
    QTest::newRow("beyond_half_of_the_memory") << 0.7 << false;
    // Beyond the per-picture limit but within half of the memory: runs alone.
    QTest::newRow("beyond_the_per_picture_limit") << 0.2 << true;
}

void tst_Process::peakMemoryIsCheckedBeforeDecoding()
{
    QFETCH(double, share);
    QFETCH(bool, admitted);
    const qint64 limit = ImageCodecs::pixelMemoryLimit();
    const qint64 alone = ImageCodecs::aloneMemoryLimit();
    const quint32 side = quint32(std::sqrt(double(alone) * share / 8)) / 4 * 4;
    if (admitted && 2.0 * side * side * 8 < double(limit))
        QSKIP("half of this machine's memory is the per-picture limit");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.png"));
    QVERIFY(writeFile(path, pngHeaderOnly(side, side, 16)));
    MemoryBudget budget(1000);
    RunContext run;
    run.budget = &budget;
    const ProcessResult result = padInPlace(path, Fill::White, false, &run);
    QVERIFY(!result.success);
    const QString size = ImageProcessor::sizeText(qint32(side), qint32(side));
    const bool refused = result.message.startsWith(QStringLiteral("图片过大：%1 补齐为 %1 约需").arg(size));
    QVERIFY2(refused != admitted, qPrintable(result.message));
    // Admitted, it waited for the whole budget: nothing else ran beside it.
    QCOMPARE(budget.highWater(), admitted ? budget.capacity() : 0);
    if (!admitted) {
        QVERIFY2(result.message.endsWith(QStringLiteral("超出每张图片的上限 %1 MB").arg(limit / (1024 * 1024))),
                 qPrintable(result.message));
        QCOMPARE(result.oldSize, QString());
    }
}

void tst_Process::inPlaceCollisions_data()
{
    QTest::addColumn<QStringList>("list");  // in run order; "*" marks a file listed in a second run
    QTest::addColumn<Fill>("fill");
    QTest::addColumn<bool>("png");
    QTest::addColumn<QList<bool>>("successes");
    QTest::addColumn<QStringList>("failureMentions");

    const Fill clear = Fill::Transparent;
    // Outputs meeting within one run are settled by the batch run before it starts; the
    // engine keeps an earlier run's output beside a picture from being taken over.
    QTest::newRow("second_run_over_jpegs") << QStringList{QStringLiteral("a.jpg"), QStringLiteral("*a.jpg")} << clear << false
                                           << QList<bool>{true, false}
                                           << QStringList{QStringLiteral("a.png"), QStringLiteral("选择输出目录"), QStringLiteral("删除")};
}

void tst_Process::inPlaceCollisions()
{
    QFETCH(QStringList, list);
    QFETCH(Fill, fill);
    QFETCH(bool, png);
    QFETCH(QList<bool>, successes);
    QFETCH(QStringList, failureMentions);

    QTemporaryDir dir;
    RunContext run;
    for (const QString &entry : std::as_const(list)) {
        const QString path = dir.filePath(QString(entry).remove(QLatin1Char('*')));
        if (!QFileInfo::exists(path))
            QVERIFY(writePicture(TestImages::pattern(7, 5, QImage::Format_RGB32), path, Writer::Qt));
        if (!entry.startsWith(QLatin1Char('*')))
            run.listed.insert(RunContext::key(path));
    }
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i).startsWith(QLatin1Char('*'))) {
            run = RunContext();
            run.listed.insert(RunContext::key(dir.filePath(list.at(i).mid(1))));
        }
        const QString path = dir.filePath(QString(list.at(i)).remove(QLatin1Char('*')));
        const QByteArray before = readFile(path);
        const ProcessResult result = padInPlace(path, fill, png, &run);
        QCOMPARE(result.success, successes.at(i));
        if (result.success)
            continue;
        QCOMPARE(readFile(path), before);
        QVERIFY2(!result.message.contains(QStringLiteral("未选中")), qPrintable(result.message));
        for (const QString &mention : std::as_const(failureMentions))
            QVERIFY2(result.message.contains(mention), qPrintable(result.message));
    }
    QCOMPARE(load(dir.filePath(QStringLiteral("a.png"))).size(), QSize(8, 8));
}

void tst_Process::readOnlyDestination_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("in_place") << true;
    QTest::newRow("in_output_folder") << false;
}

void tst_Process::readOnlyDestination()
{
    // The write bits decide, so this holds when the tests run as root too.
    QFETCH(bool, inPlace);
    QTemporaryDir dir;
    QDir root(dir.path());
    QVERIFY(root.mkdir(QStringLiteral("out")));
    const QString source = root.filePath(QStringLiteral("a.png"));
    QVERIFY(TestImages::pattern(7, 5).save(source));
    const QString destination = inPlace ? source : root.filePath(QStringLiteral("out/a.png"));
    if (!inPlace)
        QVERIFY(TestImages::pattern(3, 3).save(destination));
    QVERIFY(::chmod(QFile::encodeName(destination).constData(), 0444) == 0);
    const QByteArray before = readFile(destination);

    const ProcessResult result = ImageProcessor::process(source, root.filePath(QStringLiteral("out")), !inPlace ? false : true,
                                                         SizeRule::Multiple4, Fill::White,
                                                         true, false);
    QVERIFY(!result.success);
    QVERIFY2(result.message.contains(QStringLiteral("只读")), qPrintable(result.message));
    QVERIFY2(result.message.contains(destination), qPrintable(result.message));
    QCOMPARE(readFile(destination), before);
    QCOMPARE(QFileInfo(destination).permissions() & 0x0fff, QFileInfo(destination).permissions() & 0x0fff);
    QVERIFY(temporaryLeftovers(dir.path()).isEmpty());
}

void tst_Process::symbolicLinkInPlace()
{
    QTemporaryDir dir;
    QDir root(dir.path());
    QVERIFY(root.mkdir(QStringLiteral("pictures")) && root.mkdir(QStringLiteral("links")));
    const QString picture = root.filePath(QStringLiteral("pictures/real.jpg"));
    const QString link = root.filePath(QStringLiteral("links/shortcut.jpg"));
    QVERIFY(writePicture(TestImages::pattern(7, 5, QImage::Format_RGB32), picture, Writer::Jpeg));
    QVERIFY(QFile::link(QStringLiteral("../pictures/real.jpg"), link));

    const ProcessResult result = padInPlace(link);
    QVERIFY2(result.success, qPrintable(result.message));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).canonicalFilePath(), QFileInfo(picture).canonicalFilePath());
    QCOMPARE(load(picture).size(), QSize(8, 8));
    QCOMPARE(QDir(root.filePath(QStringLiteral("links"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
             QStringList{QStringLiteral("shortcut.jpg")});
}

void tst_Process::longNames_data()
{
    QTest::addColumn<int>("baseBytes");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("png");
    QTest::addColumn<bool>("passes");
    QTest::newRow("240_bytes") << 236 << ".png" << false << true;
    QTest::newRow("255_bytes") << 251 << ".png" << false << true;
    QTest::newRow("255_bytes_cjk") << 251 << ".png" << false << true;
    QTest::newRow("output_name_over_the_limit") << 253 << "" << true << false;
}

void tst_Process::longNames()
{
    QFETCH(int, baseBytes);
    QFETCH(QString, suffix);
    QFETCH(bool, png);
    QFETCH(bool, passes);

    QString base;
    if (QByteArray(QTest::currentDataTag()).endsWith("cjk"))
        base = QString(baseBytes / 3, QChar(0x56fe)) + QString(baseBytes % 3, QLatin1Char('x'));
    else
        base = QString(baseBytes, QLatin1Char('n'));
    QTemporaryDir dir;
    const QString path = dir.filePath(base + suffix);
    QVERIFY(TestImages::pattern(7, 5).save(path, "PNG"));
    const QString temporary = ImageProcessor::temporaryPathFor(path, QStringLiteral(".png"));
    QVERIFY(ImageProcessor::isTemporaryName(QFileInfo(temporary).fileName()));
    QCOMPARE(QFileInfo(temporary).absolutePath(), QFileInfo(path).absolutePath());
    // A leftover of an ended run, under the name this picture's run uses, is replaced.
    if (passes)
        QVERIFY(writeFile(temporary, "leftover"));

    const ProcessResult result = padInPlace(path, Fill::White, png);
    QCOMPARE(result.success, passes);
    if (passes) {
        QCOMPARE(load(path).size(), QSize(8, 8));
    } else {
        QVERIFY2(result.message.startsWith(QStringLiteral("文件名过长")), qPrintable(result.message));
        QVERIFY2(!result.message.contains(QStringLiteral("残留")), qPrintable(result.message));
    }
    QVERIFY(temporaryLeftovers(dir.path()).isEmpty());
}

void tst_Process::gifPaletteFill_data()
{
    QTest::addColumn<bool>("full");     // the GIF's palette holds 256 colours
    QTest::addColumn<QString>("fill");
    QTest::addColumn<bool>("succeeds");

    QTest::newRow("colour_added_to_palette") << false << QStringLiteral("#123457") << true;
    QTest::newRow("colour_on_full_palette_fails") << true << QStringLiteral("#123457") << false;
    QTest::newRow("colour_already_in_full_palette") << true << QStringLiteral("#03fc15") << true;
    QTest::newRow("edge_on_full_palette") << true << QStringLiteral("edge") << true;
    QTest::newRow("mirror_on_full_palette") << true << QStringLiteral("mirror") << true;
}

void tst_Process::gifPaletteFill()
{
    QFETCH(bool, full);
    QFETCH(QString, fill);
    QFETCH(bool, succeeds);

    const int colours = full ? 256 : 100;
    QImage picture(17, 16, QImage::Format_ARGB32);
    for (int i = 0; i < 17 * 16; ++i)
        picture.setPixel(i % 17, i / 17, qRgb(i % colours, 255 - i % colours, (i % colours) * 7 % 256));
    QByteArray bytes;
    QString error;
    QVERIFY2(ImageCodecs::encodeGif(picture, &bytes, &error), qPrintable(error));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.gif"));
    QVERIFY(writeFile(path, bytes));
    const QImage before = load(path);

    PadSettings settings;
    settings.fill = *PaddingChoices::fillFromKey(fill);
    settings.anchor = Anchor::Right;
    const ProcessResult result = ImageProcessor::process(path, settings, ImageProcessor::outputFor(path, settings));
    QCOMPARE(result.success, succeeds);
    if (!succeeds) {
        QVERIFY2(result.message.contains(QStringLiteral("调色板已满")) && result.message.contains(fill),
                 qPrintable(result.message));
        QCOMPARE(readFile(path), bytes);
        return;
    }
    // 17×16 becomes 20×16 with the picture on the right; no colour is approximated.
    const QImage after = load(path);
    QCOMPARE(after.size(), QSize(20, 16));
    QCOMPARE(firstDifference(before, after, 3, 0), QString());
    for (int y = 0; y < 16; y += 15) {
        const QRgb border = after.pixel(0, y);
        if (settings.fill.kind == FillSpec::Kind::Colour)
            QCOMPARE(border, settings.fill.argb());
        else if (settings.fill.kind == FillSpec::Kind::Edge)
            QCOMPARE(border, before.pixel(0, y));
        else
            QCOMPARE(border, before.pixel(2, y)); // three columns reflected: 2, 1, 0 | 0
    }
}

void tst_Process::rowByRowGivesTheSamePicture_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<bool>("png");

    const QImage translucent = TestImages::pattern(37, 21);
    const QImage opaque = TestImages::pattern(37, 21, QImage::Format_RGB32);
    QImage p3 = translucent;
    p3.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    QImage srgb = opaque;
    srgb.setColorSpace(QColorSpace(QColorSpace::SRgb));
    QImage dpi300 = translucent;
    dpi300.setDotsPerMeterX(11811);
    dpi300.setDotsPerMeterY(11811);
    QImage dpi72 = opaque;
    dpi72.setDotsPerMeterX(2835);
    dpi72.setDotsPerMeterY(2835);
    const QString four = QStringLiteral("multiple4");
    QTest::newRow("png_translucent_transparent") << "a.png" << translucent << QStringLiteral("transparent") << four << QStringLiteral("center") << false;
    QTest::newRow("png_translucent_white") << "a.png" << translucent << QStringLiteral("white") << four << QStringLiteral("center") << false;
    QTest::newRow("png_opaque_black_top_left") << "a.png" << opaque << QStringLiteral("black") << QStringLiteral("power2") << QStringLiteral("top-left")
                                               << false;
    QTest::newRow("png_display_p3") << "a.png" << p3 << QStringLiteral("transparent") << four << QStringLiteral("center") << false;
    QTest::newRow("png_srgb") << "a.png" << srgb << QStringLiteral("transparent") << four << QStringLiteral("center") << false;
    QTest::newRow("png_300_dpi") << "a.png" << dpi300 << QStringLiteral("transparent") << QStringLiteral("even") << QStringLiteral("center") << false;
    QTest::newRow("jpeg_transparent") << "a.jpg" << opaque << QStringLiteral("transparent") << four << QStringLiteral("center") << false;
    QTest::newRow("jpeg_72_dpi_white_as_png") << "a.jpg" << dpi72 << QStringLiteral("white") << four << QStringLiteral("center") << true;
    QTest::newRow("jpeg_srgb") << "a.jpg" << srgb << QStringLiteral("transparent") << QStringLiteral("power2") << QStringLiteral("center") << false;
    // Borders wider than the picture on both sides, and a minimum that adds rows only below.
    const QString wide = QStringLiteral("min:120x64");
    QTest::newRow("png_opaque_edge") << "a.png" << opaque << QStringLiteral("edge") << wide
                                     << QStringLiteral("center") << false;
    QTest::newRow("png_opaque_mirror_bottom_right") << "a.png" << opaque << QStringLiteral("mirror") << wide
                                                    << QStringLiteral("bottom-right") << false;
    QTest::newRow("jpeg_mirror_top") << "a.jpg" << opaque << QStringLiteral("mirror") << QStringLiteral("square-power2")
                                     << QStringLiteral("top") << true;
    QTest::newRow("jpeg_edge_left") << "a.jpg" << opaque << QStringLiteral("edge") << QStringLiteral("multiple:24")
                                    << QStringLiteral("left") << true;
    QTest::newRow("png_translucent_colour") << "a.png" << translucent << QStringLiteral("#30609080") << four
                                            << QStringLiteral("bottom") << false;
}

void tst_Process::rowByRowGivesTheSamePicture()
{
    QFETCH(QString, fileName);
    QFETCH(QImage, picture);
    QFETCH(QString, fill);
    QFETCH(QString, rule);
    QFETCH(QString, anchor);
    QFETCH(bool, png);
    PadSettings settings;
    settings.replaceOriginal = false;
    settings.rule = *PaddingChoices::sizingFromKey(rule);
    settings.fill = *PaddingChoices::fillFromKey(fill);
    settings.anchor = *PaddingChoices::anchorFromKey(anchor);
    settings.png = png;

    QTemporaryDir dir;
    const QString source = dir.filePath(fileName);
    QVERIFY(picture.save(source));
    const qint64 usual = RowPad::minimumPixels();
    QByteArray outputs[2];
    QImage decoded[2];
    qint64 estimates[2] = {};
    for (int rows = 0; rows < 2; ++rows) {
        RowPad::setMinimumPixels(rows ? 0 : usual);
        const QString out = dir.filePath(QString::number(rows));
        QVERIFY(QDir().mkpath(out));
        settings.outDir = out;
        estimates[rows] = ImageProcessor::peakBytesFor(source, settings.rule, settings.fill, png);
        const ProcessResult result = ImageProcessor::process(source, settings, ImageProcessor::outputFor(source, settings));
        RowPad::setMinimumPixels(usual);
        QVERIFY2(result.success, qPrintable(result.message));
        outputs[rows] = readFile(result.destination);
        decoded[rows] = load(result.destination);
    }
    // Written by another compressor, so other bytes; the same picture.
    QVERIFY(outputs[0] != outputs[1]);
    QCOMPARE(decoded[1].format(), decoded[0].format());
    QCOMPARE(firstDifference(decoded[1], decoded[0]), QString());
    QCOMPARE(decoded[1].colorSpace(), decoded[0].colorSpace());
    QCOMPARE(decoded[1].dotsPerMeterX(), decoded[0].dotsPerMeterX());
    QCOMPARE(decoded[1].dotsPerMeterY(), decoded[0].dotsPerMeterY());
    QVERIFY(estimates[1] < estimates[0]);
}

void tst_Process::rowByRowFailureLeavesFilesAlone_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("fileSizeLimit"); // bytes a process may write to one file; 0: no limit
    QTest::addColumn<QString>("expected");     // part of the message

    const QImage photo = TestImages::pattern(300, 201, QImage::Format_RGB32);
    const QImage cutout = TestImages::pattern(300, 201);
    const QString damaged = QStringLiteral("图片数据不完整或已损坏");
    QTest::newRow("jpeg_cut_short") << "p.jpg" << cutAt(jpegBytes(photo, false), 0.6) << qint64(0) << damaged;
    QTest::newRow("png_cut_short") << "p.png" << cutAt(encoded(cutout, "PNG"), 0.6) << qint64(0) << damaged;
    // The disk fills up while the rows are written.
    QTest::newRow("disk_full") << "p.png" << encoded(cutout, "PNG") << qint64(4096)
                               << QStringLiteral("写入临时文件失败");
}

void tst_Process::rowByRowFailureLeavesFilesAlone()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(qint64, fileSizeLimit);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QVERIFY(writeFile(path, content));
    const qint64 usual = RowPad::minimumPixels();
    RowPad::setMinimumPixels(0);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (fileSizeLimit > 0) {
        rlimit limited = saved;
        limited.rlim_cur = rlim_t(fileSizeLimit);
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    const ProcessResult result = padInPlace(path, Fill::Transparent);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    RowPad::setMinimumPixels(usual);

    QVERIFY(!result.success);
    QVERIFY2(result.message.contains(expected), qPrintable(result.message));
    QCOMPARE(readFile(path), content);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});
}

void tst_Process::budgetReservesWhatThePathTakes_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("rowByRow");

    const QImage photo = TestImages::pattern(300, 201, QImage::Format_RGB32);
    QTest::newRow("png_rgba") << encoded(TestImages::pattern(300, 201), "PNG") << "p.png" << true;
    QTest::newRow("baseline_jpeg") << jpegBytes(photo, false) << "p.jpg" << true;
    // These are decoded whole: libjpeg holds a progressive file's coefficients
    // anyway, and the row path writes 8-bit colour only.
    QTest::newRow("progressive_jpeg") << jpegBytes(photo, true) << "p.jpg" << false;
    QTest::newRow("png_16_bit") << encoded(TestImages::pattern(300, 201, QImage::Format_RGBA64), "PNG") << "p.png"
                                << false;
    QTest::newRow("grey_png") << encoded(photo.convertToFormat(QImage::Format_Grayscale8), "PNG") << "p.png"
                              << false;
}

void tst_Process::budgetReservesWhatThePathTakes()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, fileName);
    QFETCH(bool, rowByRow);

    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    QVERIFY(writeFile(path, content));
    const qint64 usual = RowPad::minimumPixels();
    RowPad::setMinimumPixels(0);
    const qint64 peak = ImageProcessor::peakBytesFor(path, SizeRule::Multiple4, Fill::Transparent, false);
    const qint64 work = ImageProcessor::workFor(path, SizeRule::Multiple4, Fill::Transparent, false);
    MemoryBudget budget(qint64(1) << 40);
    RunContext run;
    run.budget = &budget;
    const ProcessResult result = ImageProcessor::process(path, dir.path(), true, SizeRule::Multiple4,
                                                         Fill::Transparent, true, false, &run);
    RowPad::setMinimumPixels(usual);
    QVERIFY2(result.success, qPrintable(result.message));
    QCOMPARE(budget.highWater(), peak);
    QCOMPARE(peak == RowPad::peakBytes(QSize(300, 204)), rowByRow);
    // Ordered by the work on a whole canvas either way.
    QCOMPARE(work > peak, rowByRow);
    QCOMPARE(load(result.destination).size(), QSize(300, 204));
}

QTEST_GUILESS_MAIN(tst_Process)
#include "tst_process.moc"
