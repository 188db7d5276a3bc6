#include "TestImages.h"

#include <QColor>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace TestImages {

namespace {

quint32 grain(int x, int y)
{
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

void append16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void append32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

QImage pattern(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const quint32 g = grain(x, y);
            int alpha = 255;
            if ((x + 2 * y) % 7 == 0)
                alpha = 0;
            else if ((x * 3 + y) % 5 == 0)
                alpha = int(1 + g % 254);
            image.setPixel(x, y, qRgba((x * 255) / qMax(1, width - 1), (y * 255) / qMax(1, height - 1),
                                       int(g & 0xff), alpha));
        }
    }
    return format == QImage::Format_ARGB32 ? image : image.convertToFormat(format);
}

QImage deepPattern(int width, int height, bool withAlpha)
{
    QImage image(width, height, withAlpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    for (int y = 0; y < height; ++y) {
        QRgba64 *row = reinterpret_cast<QRgba64 *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 g = grain(x, y);
            quint16 alpha = 0xffff;
            if (withAlpha && (x + y) % 5 == 0)
                alpha = quint16(1 + g % 0xfffe);
            row[x] = QRgba64::fromRgba64(quint16(x * 997 + 3), quint16(y * 1231 + 5), quint16(g & 0xffff), alpha);
        }
    }
    return image;
}

QString firstDifference(const QImage &expected, const QImage &actual, int dx, int dy)
{
    if (actual.width() < expected.width() + dx || actual.height() < expected.height() + dy)
        return QStringLiteral("canvas %1x%2 too small for %3x%4 at (%5, %6)")
                .arg(actual.width())
                .arg(actual.height())
                .arg(expected.width())
                .arg(expected.height())
                .arg(dx)
                .arg(dy);
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgba64 e = expected.pixelColor(x, y).rgba64();
            const QRgba64 a = actual.pixelColor(x + dx, y + dy).rgba64();
            if (e.alpha() == 0 && a.alpha() == 0)
                continue;
            if (e != a)
                return QStringLiteral("pixel (%1, %2): expected rgba64 %3/%4/%5/%6, got %7/%8/%9/%10")
                        .arg(x)
                        .arg(y)
                        .arg(e.red())
                        .arg(e.green())
                        .arg(e.blue())
                        .arg(e.alpha())
                        .arg(a.red())
                        .arg(a.green())
                        .arg(a.blue())
                        .arg(a.alpha());
        }
    }
    return QString();
}

QRgb overOpaque(QRgb source, QRgb fill)
{
    const int a = qAlpha(source);
    auto mix = [a](int s, int f) { return (s * a + f * (255 - a) + 127) / 255; };
    return qRgba(mix(qRed(source), qRed(fill)), mix(qGreen(source), qGreen(fill)), mix(qBlue(source), qBlue(fill)),
                 255);
}

QImage load(const QString &path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray withExifOrientation(const QByteArray &jpeg, int orientation)
{
    // APP1 "Exif" with a big-endian TIFF block holding one IFD entry: 0x0112 SHORT.
    QByteArray tiff = QByteArray::fromHex("4d4d002a00000008" "0001" "011200030000000100") ;
    tiff.append(char(orientation));
    tiff.append(QByteArray::fromHex("0000" "00000000"));
    QByteArray segment = QByteArray::fromHex("ffe1");
    const int length = 2 + 6 + int(tiff.size());
    segment.append(char(length >> 8));
    segment.append(char(length & 0xff));
    segment.append("Exif\0\0", 6);
    segment.append(tiff);
    QByteArray out = jpeg.left(2); // SOI
    out.append(segment);
    out.append(jpeg.mid(2));
    return out;
}

QByteArray multiPageTiff(const QList<QImage> &pages)
{
    QByteArray out("II*\0", 4);
    append32(out, 0); // first IFD offset, patched below
    qsizetype linkAt = 4;
    for (const QImage &page : pages) {
        const QImage rgb = page.convertToFormat(QImage::Format_RGB888);
        const quint32 dataOffset = quint32(out.size());
        for (int y = 0; y < rgb.height(); ++y)
            out.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rgb.width() * 3);
        const quint32 bitsOffset = quint32(out.size());
        append16(out, 8);
        append16(out, 8);
        append16(out, 8);
        if (out.size() % 2)
            out.append('\0');
        const quint32 ifdOffset = quint32(out.size());
        qToLittleEndian(ifdOffset, out.data() + linkAt);
        struct Entry { quint16 tag, type; quint32 count, value; };
        const Entry entries[] = {
            {256, 4, 1, quint32(rgb.width())}, {257, 4, 1, quint32(rgb.height())}, {258, 3, 3, bitsOffset},
            {259, 3, 1, 1}, {262, 3, 1, 2}, {273, 4, 1, dataOffset}, {277, 3, 1, 3},
            {278, 4, 1, quint32(rgb.height())}, {279, 4, 1, quint32(rgb.width() * rgb.height() * 3)},
            {284, 3, 1, 1},
        };
        append16(out, quint16(std::size(entries)));
        for (const Entry &e : entries) {
            append16(out, e.tag);
            append16(out, e.type);
            append32(out, e.count);
            if (e.type == 3 && e.count == 1) {
                append16(out, quint16(e.value));
                append16(out, 0);
            } else {
                append32(out, e.value);
            }
        }
        linkAt = out.size();
        append32(out, 0);
    }
    return out;
}

} // namespace TestImages
