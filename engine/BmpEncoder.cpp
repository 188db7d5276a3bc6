#include "ImageCodecs.h"
#include "HelperText.h"

#include <QtEndian>

// Qt writes BMP without alpha. This writer stores a 32-bit BMP with a
// BITMAPV5HEADER and an alpha mask, which Qt, browsers and paint programs read
// with its transparency.

namespace ImageCodecs {

namespace {

constexpr int FileHeaderSize = 14;
constexpr int V5HeaderSize = 124;
constexpr quint32 BiBitfields = 3;
constexpr quint32 LcsSrgb = 0x73524742; // 'sRGB'
constexpr quint32 LcsGmImages = 4;

void put16(char *at, quint16 value) { qToLittleEndian(value, at); }
void put32(char *at, quint32 value) { qToLittleEndian(value, at); }

} // namespace

bool encodeBmpWithAlpha(const QImage &source, QByteArray *bytes, QString *error)
{
    const QImage image = source.format() == QImage::Format_ARGB32 ? source
                                                                   : source.convertToFormat(QImage::Format_ARGB32);
    const qint64 rowBytes = qint64(image.width()) * 4;
    const qint64 pixelBytes = rowBytes * image.height();
    const qint64 total = FileHeaderSize + V5HeaderSize + pixelBytes;
    if (total > 0xffffffffLL) {
        *error = HelperText::translate(QStringLiteral("图片过大，BMP 文件不能超过 4 GB"));
        return false;
    }

    QByteArray out(qsizetype(total), '\0');
    char *data = out.data();
    // BITMAPFILEHEADER
    data[0] = 'B';
    data[1] = 'M';
    put32(data + 2, quint32(total));
    put32(data + 10, quint32(FileHeaderSize + V5HeaderSize));
    // BITMAPV5HEADER
    char *info = data + FileHeaderSize;
    put32(info + 0, V5HeaderSize);
    put32(info + 4, quint32(image.width()));
    put32(info + 8, quint32(image.height())); // positive: rows stored bottom-up
    put16(info + 12, 1);
    put16(info + 14, 32);
    put32(info + 16, BiBitfields);
    put32(info + 20, quint32(pixelBytes));
    put32(info + 24, quint32(qMax(0, image.dotsPerMeterX())));
    put32(info + 28, quint32(qMax(0, image.dotsPerMeterY())));
    put32(info + 40, 0x00ff0000u); // red mask
    put32(info + 44, 0x0000ff00u); // green mask
    put32(info + 48, 0x000000ffu); // blue mask
    put32(info + 52, 0xff000000u); // alpha mask
    put32(info + 56, LcsSrgb);
    put32(info + 108, LcsGmImages);

    char *pixels = data + FileHeaderSize + V5HeaderSize;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        char *target = pixels + qint64(image.height() - 1 - y) * rowBytes;
        for (int x = 0; x < image.width(); ++x)
            put32(target + qint64(x) * 4, row[x]); // ARGB in a little-endian dword: B, G, R, A
    }
    *bytes = std::move(out);
    return true;
}

} // namespace ImageCodecs
