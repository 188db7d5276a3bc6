#include "PsdPixels.h"
#include "PsdTestWriter.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace Qt::StringLiterals;
using Psd::PsdFile;

// Pixels decoded by the reader: every compression and colour mode on written
// documents with known values, real documents against the merged image their
// editor stored, and channel data that decodes short or long.
class tst_PsdPixels : public QObject
{
    Q_OBJECT

private slots:
    void compressions_data();
    void compressions();
    void colourModes_data();
    void colourModes();
    void maskAndOpacity_data();
    void maskAndOpacity();
    void pixelAndVectorMasks_data();
    void pixelAndVectorMasks();
    void samplesMatchTheirMergedImage_data();
    void samplesMatchTheirMergedImage();
    void brokenChannelData_data();
    void brokenChannelData();
    void damagedSamples_data();
    void damagedSamples();
    void smallFileClaimingAHugeLayer_data();
    void smallFileClaimingAHugeLayer();

private:
    QString save(const QByteArray &bytes);
    QTemporaryDir m_dir;
    int m_count = 0;
};

namespace {

QString samplePath(const QString &name)
{
    return QFINDTESTDATA(u"data/psd-samples/"_s + name);
}

using PsdTestWriter::put;

// A gradient plane: sample (x, y) = base + x * 7 + y * 13 (wrapping), so
// every position differs and rows compress differently.
QByteArray gradient(int width, int height, int depth, quint32 base)
{
    QByteArray out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const quint32 v = base + quint32(x) * 7 + quint32(y) * 13;
            if (depth == 8)
                put(out, v & 0xff, 1);
            else if (depth == 16)
                put(out, (v * 257) & 0xffff, 2);
            else {
                const float f = float(v % 256) / 255.0f;
                quint32 bits;
                std::memcpy(&bits, &f, 4);
                put(out, bits, 4);
            }
        }
    }
    return out;
}

quint16 expected16(int depth, quint32 v)
{
    if (depth == 8)
        return quint16((v & 0xff) * 257);
    if (depth == 16)
        return quint16((v * 257) & 0xffff);
    const double linear = double(float(v % 256) / 255.0f);
    const double encoded = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
    return quint16(std::lround(std::clamp(encoded, 0.0, 1.0) * 65535.0));
}

QRgba64 pixel64(const QImage &image, int x, int y)
{
    if (image.format() == QImage::Format_RGBA64)
        return reinterpret_cast<const QRgba64 *>(image.constScanLine(y))[x];
    return QRgba64::fromArgb32(reinterpret_cast<const QRgb *>(image.constScanLine(y))[x]);
}

QString describe(QRgba64 p)
{
    return u"(%1,%2,%3,%4)"_s.arg(p.red()).arg(p.green()).arg(p.blue()).arg(p.alpha());
}

} // namespace

QString tst_PsdPixels::save(const QByteArray &bytes)
{
    const QString path = m_dir.filePath(u"doc%1.psd"_s.arg(++m_count));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void tst_PsdPixels::compressions_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("compression");
    for (int version : {1, 2}) {
        for (int depth : {8, 16, 32}) {
            for (int compression : {0, 1, 2, 3}) {
                QTest::addRow("%s_%dbit_%s", version == 1 ? "psd" : "psb", depth,
                              std::array{"raw", "rle", "zip", "zip_prediction"}[size_t(compression)])
                        << version << depth << compression;
            }
        }
    }
}

// Every sample of an RGB layer with transparency, at an offset, round-trips.
void tst_PsdPixels::compressions()
{
    QFETCH(int, version);
    QFETCH(int, depth);
    QFETCH(int, compression);

    const QRect rect(3, 2, 37, 5);
    PsdTestWriter::Document document;
    document.version = version;
    document.depth = depth;
    document.compression = compression;
    document.width = 48;
    document.height = 10;
    document.layersInBlock = depth > 8;
    PsdTestWriter::Layer layer;
    layer.name = u"Verlauf"_s;
    layer.rect = rect;
    for (int id = -1; id < 3; ++id)
        layer.channels.append({qint16(id), gradient(rect.width(), rect.height(), depth, quint32(40 * (id + 1)))});
    document.layers = {layer};

    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(save(PsdTestWriter::write(document)), &error), qPrintable(error));
    QImage image;
    QVERIFY2(Psd::readLayerImage(psd, 0, {}, &image, &error), qPrintable(error));
    QCOMPARE(image.size(), rect.size());
    QCOMPARE(image.format(), depth == 8 ? QImage::Format_ARGB32 : QImage::Format_RGBA64);
    for (int y = 0; y < rect.height(); ++y) {
        for (int x = 0; x < rect.width(); ++x) {
            const auto at = [&](int id) {
                const quint32 v = quint32(40 * (id + 1)) + quint32(x) * 7 + quint32(y) * 13;
                // Alpha of 32-bit documents is linear, colours go on the sRGB curve.
                return id == -1 && depth == 32 ? quint16(std::lround(double(float(v % 256) / 255.0f) * 65535.0))
                                               : expected16(depth, v);
            };
            const QRgba64 want = QRgba64::fromRgba64(at(0), at(1), at(2), at(-1));
            const QRgba64 got = pixel64(image, x, y);
            if (got != want) {
                QFAIL(qPrintable(u"first difference at %1,%2: %3 instead of %4"_s.arg(x).arg(y).arg(describe(got),
                                                                                                 describe(want))));
            }
        }
    }
}

void tst_PsdPixels::colourModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("depth");
    QTest::addColumn<QList<quint32>>("samples"); // one sample per colour channel
    QTest::addColumn<QByteArray>("colourData");
    QTest::addColumn<uint>("rgb");               // expected 8-bit result

    QByteArray palette(768, '\0');
    palette[7] = char(10), palette[256 + 7] = char(20), palette[512 + 7] = char(30);
    QTest::newRow("rgb_8") << 3 << 8 << QList<quint32>{200, 100, 50} << QByteArray() << 0xc86432u;
    QTest::newRow("gray_8") << 1 << 8 << QList<quint32>{77} << QByteArray() << 0x4d4d4du;
    QTest::newRow("gray_16") << 1 << 16 << QList<quint32>{0x8080} << QByteArray() << 0x808080u;
    QTest::newRow("indexed_through_palette") << 2 << 8 << QList<quint32>{7} << palette << 0x0a141eu;
    QTest::newRow("bitmap_set_bit_is_black") << 0 << 1 << QList<quint32>{0xff} << QByteArray() << 0x000000u;
    QTest::newRow("bitmap_clear_bit_is_white") << 0 << 1 << QList<quint32>{0x00} << QByteArray() << 0xffffffu;
    // CMYK is stored inverted (255 no ink): 50 % cyan, no magenta, 100 % yellow, no black.
    QTest::newRow("cmyk_naive") << 4 << 8 << QList<quint32>{128, 255, 0, 255} << QByteArray() << 0x80ff00u;
    QTest::newRow("cmyk_black_ink") << 4 << 8 << QList<quint32>{255, 255, 255, 0} << QByteArray() << 0x000000u;
    // L 100, a 0, b 0 is the white point; L 0 black.
    QTest::newRow("lab_white") << 9 << 8 << QList<quint32>{255, 128, 128} << QByteArray() << 0xffffffu;
    QTest::newRow("lab_black") << 9 << 8 << QList<quint32>{0, 128, 128} << QByteArray() << 0x000000u;
}

// A flattened document in each colour mode: the merged image decodes to RGB.
void tst_PsdPixels::colourModes()
{
    QFETCH(int, mode);
    QFETCH(int, depth);
    QFETCH(QList<quint32>, samples);
    QFETCH(QByteArray, colourData);
    QFETCH(uint, rgb);

    PsdTestWriter::Document document;
    document.colorMode = mode;
    document.depth = depth;
    document.channels = int(samples.size());
    document.colorModeData = colourData;
    document.compression = 1;
    for (const quint32 sample : samples)
        document.merged.append(PsdTestWriter::plane(document.width, document.height, depth, sample));
    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(save(PsdTestWriter::write(document)), &error), qPrintable(error));
    QImage image;
    QVERIFY2(Psd::readMergedImage(psd, &image, &error), qPrintable(error));
    QCOMPARE(image.size(), QSize(8, 8));
    const QRgb got = QRgba64(pixel64(image, 5, 6)).toArgb32();
    QCOMPARE(QString::number(got & 0xffffff, 16), QString::number(rgb, 16));
    QCOMPARE(qAlpha(got), 255);
}

void tst_PsdPixels::maskAndOpacity_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<quint8>("maskFlags");
    QTest::addColumn<quint8>("opacity");
    QTest::addColumn<int>("insideAlpha");   // in the mask's rectangle (mask value 128)
    QTest::addColumn<int>("outsideAlpha");  // outside it (default colour 0)

    QTest::newRow("enabled_mask") << 8 << quint8(0) << quint8(255) << 128 << 0;
    QTest::newRow("disabled_mask") << 8 << quint8(2) << quint8(255) << 200 << 200;
    QTest::newRow("mask_and_opacity") << 8 << quint8(0) << quint8(51) << 26 << 0;
    QTest::newRow("opacity_only_16bit") << 16 << quint8(2) << quint8(51) << 40 << 40;
}

void tst_PsdPixels::maskAndOpacity()
{
    QFETCH(int, depth);
    QFETCH(quint8, maskFlags);
    QFETCH(quint8, opacity);
    QFETCH(int, insideAlpha);
    QFETCH(int, outsideAlpha);

    PsdTestWriter::Document document;
    document.depth = depth;
    document.layersInBlock = depth > 8;
    document.compression = 1;
    PsdTestWriter::Layer layer;
    layer.name = u"Maske"_s;
    layer.rect = QRect(0, 0, 8, 8);
    layer.opacity = opacity;
    const quint32 scale = depth == 8 ? 1 : 257;
    layer.channels = {{-1, PsdTestWriter::plane(8, 8, depth, 255 * scale)},
                      {0, PsdTestWriter::plane(8, 8, depth, 10 * scale)},
                      {1, PsdTestWriter::plane(8, 8, depth, 20 * scale)},
                      {2, PsdTestWriter::plane(8, 8, depth, 30 * scale)},
                      {-2, PsdTestWriter::plane(4, 3, depth, 128 * scale)}};
    layer.hasMask = true;
    layer.maskRect = QRect(2, 2, 4, 3);
    layer.maskFlags = maskFlags;
    // A disabled mask leaves the transparency channel alone; 200 shows it is not overwritten.
    if (maskFlags & 2)
        layer.channels[0].samples = PsdTestWriter::plane(8, 8, depth, 200 * scale);
    document.layers = {layer};

    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(save(PsdTestWriter::write(document)), &error), qPrintable(error));
    QImage image;
    QVERIFY2(Psd::readLayerImage(psd, 0, {}, &image, &error), qPrintable(error));
    QCOMPARE(qAlpha(pixel64(image, 3, 3).toArgb32()), insideAlpha);
    QCOMPARE(qAlpha(pixel64(image, 7, 0).toArgb32()), outsideAlpha);
    QCOMPARE(qRed(pixel64(image, 3, 3).toArgb32()), 10);

    QVERIFY(Psd::readLayerImage(psd, 0, {false, false}, &image, &error));
    QCOMPARE(qAlpha(pixel64(image, 7, 0).toArgb32()), (maskFlags & 2) ? 200 : 255);
}

void tst_PsdPixels::pixelAndVectorMasks_data()
{
    QTest::addColumn<QList<QRectF>>("shape");      // the vector mask, fractions of the 8×8 canvas
    QTest::addColumn<int>("operation");            // of the later rectangles
    QTest::addColumn<quint32>("vectorFlags");
    QTest::addColumn<quint8>("pixelFlags");        // the pixel mask: opaque over x 0..5
    QTest::addColumn<QByteArray>("fillBlock");     // a fill layer's key, or empty
    QTest::addColumn<QList<int>>("alpha");         // at x = 1, 3, 5, 7 of row 4

    const QList<QRectF> middle = {QRectF(0.25, 0, 0.5, 1)}; // x 2..5
    QTest::newRow("both_masks") << middle << 1 << 0u << quint8(0) << QByteArray() << QList<int>{0, 255, 255, 0};
    QTest::newRow("vector_mask_inverted") << middle << 1 << 1u << quint8(0) << QByteArray() << QList<int>{255, 0, 0, 0};
    QTest::newRow("vector_mask_disabled") << middle << 1 << 4u << quint8(0) << QByteArray() << QList<int>{255, 255, 255, 0};
    QTest::newRow("pixel_mask_disabled") << QList<QRectF>{QRectF(0.25, 0, 0.75, 1)} << 1 << 0u << quint8(2) << QByteArray()
                                         << QList<int>{0, 255, 255, 255};
    QTest::newRow("subtracted_subpath") << QList<QRectF>{QRectF(0, 0, 1, 1), QRectF(0.5, 0, 0.5, 1)} << 2 << 0u
                                        << quint8(0) << QByteArray() << QList<int>{255, 255, 0, 0};
    QTest::newRow("intersected_subpath") << QList<QRectF>{QRectF(0, 0, 0.5, 1), QRectF(0.25, 0, 0.75, 1)} << 3 << 0u
                                         << quint8(0) << QByteArray() << QList<int>{0, 255, 0, 0};
    // A shape stores its pixels with the vector mask drawn; it is not drawn twice.
    QTest::newRow("shape_layer") << middle << 1 << 0u << quint8(0) << QByteArray("SoCo") << QList<int>{255, 255, 255, 0};
}

void tst_PsdPixels::pixelAndVectorMasks()
{
    QFETCH(QList<QRectF>, shape);
    QFETCH(int, operation);
    QFETCH(quint32, vectorFlags);
    QFETCH(quint8, pixelFlags);
    QFETCH(QByteArray, fillBlock);
    QFETCH(QList<int>, alpha);

    PsdTestWriter::Document document;
    document.compression = 1;
    PsdTestWriter::Layer layer;
    layer.name = u"Beide"_s;
    layer.rect = QRect(0, 0, 8, 8);
    layer.channels = {{-1, PsdTestWriter::plane(8, 8, 8, 255)},
                      {0, PsdTestWriter::plane(8, 8, 8, 10)},
                      {1, PsdTestWriter::plane(8, 8, 8, 20)},
                      {2, PsdTestWriter::plane(8, 8, 8, 30)},
                      // The editor's rendering of the vector mask: never taken for the pixel mask.
                      {-2, PsdTestWriter::plane(8, 8, 8, 0)},
                      {-3, PsdTestWriter::plane(6, 8, 8, 255)}};
    layer.hasRealMask = true;
    layer.maskRect = QRect(0, 0, 8, 8);
    layer.realMaskRect = QRect(0, 0, 6, 8);
    layer.realMaskFlags = pixelFlags;
    layer.blocks = {{"8BIM", "vmsk", PsdTestWriter::vectorMask(shape, vectorFlags, operation)}};
    if (!fillBlock.isEmpty())
        layer.blocks.append({"8BIM", fillBlock, QByteArray(4, '\0')});
    document.layers = {layer};

    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(save(PsdTestWriter::write(document)), &error), qPrintable(error));
    QImage image;
    QVERIFY2(Psd::readLayerImage(psd, 0, {}, &image, &error), qPrintable(error));
    QList<int> actual;
    for (int x : {1, 3, 5, 7})
        actual << qAlpha(image.pixel(x, 4));
    QCOMPARE(actual, alpha);
}

void tst_PsdPixels::samplesMatchTheirMergedImage_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("one_layer_rle") << u"1layer.psd"_s;
    QTest::newRow("psb_two_layers") << u"2layers.psb"_s;
    QTest::newRow("16bit_zip_prediction") << u"16bit5x5.psd"_s;
    QTest::newRow("group") << u"group.psd"_s;
    QTest::newRow("hidden_layer_left_out") << u"hidden-layer.psd"_s;
    QTest::newRow("user_mask") << u"mask.psd"_s;
    QTest::newRow("grayscale") << u"gray1.psd"_s;
    QTest::newRow("gimp_transparent_background") << u"transparentbg-gimp.psd"_s;
}

// Stacking the visible layers (all normal blending) gives the merged image
// the editor stored, at every pixel where each layer is fully opaque or fully
// transparent (soft edges would only compare rounding).
void tst_PsdPixels::samplesMatchTheirMergedImage()
{
    QFETCH(QString, file);
    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(samplePath(file), &error), qPrintable(error));
    QImage merged;
    QVERIFY2(Psd::readMergedImage(psd, &merged, &error), qPrintable(error));
    const Psd::Document &document = psd.document();
    QImage stack(merged.size(), QImage::Format_RGBA64);
    stack.fill(Qt::transparent);
    QImage exact(merged.size(), QImage::Format_Grayscale8);
    exact.fill(1);
    for (int index = 0; index < document.layers.layers.size(); ++index) {
        const Psd::LayerRecord &layer = document.layers.layers.at(index);
        if (!layer.visible() || layer.rect.isEmpty())
            continue;
        QImage image;
        QVERIFY2(Psd::readLayerImage(psd, index, {}, &image, &error), qPrintable(error));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QPoint at = layer.rect.topLeft() + QPoint(x, y);
                if (!stack.rect().contains(at))
                    continue;
                const QRgba64 p = pixel64(image, x, y);
                if (p.alpha() == 65535)
                    reinterpret_cast<QRgba64 *>(stack.scanLine(at.y()))[at.x()] = p;
                else if (p.alpha() != 0)
                    exact.scanLine(at.y())[at.x()] = 0;
            }
        }
    }
    int compared = 0;
    for (int y = 0; y < merged.height(); ++y) {
        for (int x = 0; x < merged.width(); ++x) {
            const QRgba64 s = reinterpret_cast<const QRgba64 *>(stack.constScanLine(y))[x];
            if (!exact.constScanLine(y)[x] || s.alpha() != 65535)
                continue;
            const QRgba64 m = pixel64(merged, x, y);
            ++compared;
            if (s.toArgb32() != m.toArgb32()) {
                QFAIL(qPrintable(u"first difference at %1,%2: layers %3, merged %4"_s.arg(x).arg(y).arg(
                        describe(s), describe(m))));
            }
        }
    }
    QVERIFY(compared > merged.width() * merged.height() / 8);
}

void tst_PsdPixels::brokenChannelData_data()
{
    QTest::addColumn<int>("compression");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("version");

    // Rows of 4 samples, 2 rows.
    QByteArray rleCounts;
    put(rleCounts, 2, 2);
    put(rleCounts, 2, 2);
    QTest::newRow("raw_short") << 0 << QByteArray(7, 'x') << 1;
    QTest::newRow("rle_counts_missing") << 1 << QByteArray(3, '\0') << 1;
    QTest::newRow("rle_row_short") << 1 << rleCounts + QByteArray("\xfe\x01\xfe\x01", 4) << 1;
    QTest::newRow("rle_row_long") << 1 << rleCounts + QByteArray("\xfb\x01\xfb\x01", 4) << 1;
    QTest::newRow("rle_literal_past_data") << 1 << rleCounts + QByteArray("\x03\x01\x03\x01", 4) << 1;
    QTest::newRow("rle_count_past_data") << 1 << QByteArray("\x00\x02\x7f\xff\xfd\x01\xfd\x01", 8) << 1;
    QTest::newRow("rle_4_byte_counts_short") << 1 << rleCounts + QByteArray("\xfd\x01\xfd\x01", 4) << 2;
    QTest::newRow("zip_short") << 2 << PsdTestWriter::compress(QByteArray(7, 'a'), 7, 1, 8, 2, 1) << 1;
    QTest::newRow("zip_long") << 2 << PsdTestWriter::compress(QByteArray(9, 'a'), 9, 1, 8, 2, 1) << 1;
    QTest::newRow("zip_garbage") << 2 << QByteArray("not a zlib stream") << 1;
    QTest::newRow("zip_cut") << 3 << PsdTestWriter::compress(QByteArray(8, 'a'), 4, 2, 8, 3, 1).chopped(3) << 1;
}

void tst_PsdPixels::brokenChannelData()
{
    QFETCH(int, compression);
    QFETCH(QByteArray, data);
    QFETCH(int, version);
    QByteArray samples;
    QString error;
    QVERIFY(!Psd::decompress(Psd::Compression(compression), data, 4, 2, 8, version, &samples, &error));
    QVERIFY(!error.isEmpty());

    // The same decoder accepts the well-formed data.
    const QByteArray good = PsdTestWriter::compress(QByteArray("abcdefgh"), 4, 2, 8, compression, version);
    QVERIFY2(Psd::decompress(Psd::Compression(compression), good, 4, 2, 8, version, &samples, &error),
             qPrintable(error));
    QCOMPARE(samples, QByteArray("abcdefgh"));
}

void tst_PsdPixels::damagedSamples_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("psd_rle_mask") << u"mask.psd"_s;
    QTest::newRow("psb_rle") << u"2layers.psb"_s;
    QTest::newRow("16bit_zip_prediction") << u"16bit5x5.psd"_s;
}

// One byte changed at a time, all over the document: every layer and the
// merged image decode, or fail with a message. (Run under the address
// sanitizer, this is where a read outside a buffer would show.)
void tst_PsdPixels::damagedSamples()
{
    QFETCH(QString, file);
    QFile source(samplePath(file));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray original = source.readAll();
    int refused = 0;
    for (qsizetype position = 26; position < original.size(); position += original.size() / 150 + 1) {
        QByteArray bytes = original;
        bytes[position] = char(bytes.at(position) ^ 0x5a);
        PsdFile psd;
        QString error;
        if (!psd.open(save(bytes), &error)) {
            QVERIFY(!error.isEmpty());
            ++refused;
            continue;
        }
        QImage image;
        for (int index = 0; index < psd.document().layers.layers.size(); ++index) {
            error.clear();
            if (!Psd::readLayerImage(psd, index, {}, &image, &error))
                QVERIFY2(!error.isEmpty(), qPrintable(u"layer %1, byte %2"_s.arg(index).arg(position)));
        }
        error.clear();
        if (!Psd::readMergedImage(psd, &image, &error))
            QVERIFY(!error.isEmpty());
    }
    QVERIFY(refused > 0);
}

void tst_PsdPixels::smallFileClaimingAHugeLayer_data()
{
    QTest::addColumn<int>("compression");
    QTest::newRow("raw") << 0;
    QTest::newRow("rle") << 1;
    QTest::newRow("zip") << 2;
}

// A layer rectangle of 20000×20000 over a few bytes of channel data is
// refused before its 1.6 GB picture is allocated.
void tst_PsdPixels::smallFileClaimingAHugeLayer()
{
    QFETCH(int, compression);
    PsdTestWriter::Document document;
    document.compression = compression;
    PsdTestWriter::Layer layer;
    layer.name = u"Riese"_s;
    layer.rect = QRect(0, 0, 4, 4);
    for (int id = -1; id < 3; ++id)
        layer.channels.append({qint16(id), PsdTestWriter::plane(4, 4, 8, 9)});
    document.layers = {layer};
    QByteArray bytes = PsdTestWriter::write(document);
    PsdFile probe;
    QString error;
    QVERIFY(probe.open(save(bytes), &error));
    const qint64 rect = probe.document().layers.layers.first().record.offset;
    for (const qint64 field : {rect + 8, rect + 12}) {
        for (int index = 0; index < 4; ++index)
            bytes[field + index] = char(quint32(20000) >> (8 * (3 - index)));
    }
    PsdFile psd;
    QVERIFY2(psd.open(save(bytes), &error), qPrintable(error));
    QCOMPARE(psd.document().layers.layers.first().rect, QRect(0, 0, 20000, 20000));
    QImage image;
    QVERIFY(!Psd::readLayerImage(psd, 0, {}, &image, &error));
    QVERIFY(error.contains(u"20000×20000"_s));
    QVERIFY(image.isNull());
}

QTEST_GUILESS_MAIN(tst_PsdPixels)
#include "tst_psdpixels.moc"
