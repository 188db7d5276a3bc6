#include "ImageCodecs.h"

#include "PngEncoder.h"
#include "SafeFile.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

namespace ImageCodecs {

namespace {

constexpr qint64 MiB = 1024 * 1024;

int bytesPerPixel(QImage::Format format)
{
    if (format == QImage::Format_Invalid)
        return 4;
    // Every decoded picture is turned into a 32- or 64-bit canvas, so count at least 4.
    return qMax(4, QImage::toPixelFormat(format).bitsPerPixel() / 8);
}

QString sizeText(const QSize &size)
{
    return QString::number(size.width()) + QChar(0x00D7) + QString::number(size.height());
}

bool writeWithQt(const QImage &image, const char *format, int quality, int compression, QByteArray *bytes,
                 QString *error)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (compression >= 0)
        writer.setCompression(compression);
    if (!writer.write(image)) {
        *error = QStringLiteral("编码失败（%1）：%2")
                         .arg(QString::fromLatin1(format).toUpper(), writer.errorString());
        return false;
    }
    buffer.close();
    *bytes = std::move(out);
    return true;
}

} // namespace

bool isDeep(const QImage &image)
{
    return image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
}

qint64 pixelMemoryLimit()
{
    static const qint64 limit = [] {
        const qint64 physical = SafeFile::physicalMemoryBytes();
        if (physical <= 0)
            return 2048 * MiB;
        // A run holds the canvas and its read-back copy at once, plus the encoded
        // bytes: a sixth of the memory leaves room for that and for everything else.
        return qBound(512 * MiB, physical / 6, 16384 * MiB);
    }();
    return limit;
}

qint64 sourceFileLimit()
{
    return pixelMemoryLimit();
}

bool decode(const QByteArray &bytes, bool applyOrientation, QImage *image, QString *error)
{
    if (bytes.isEmpty()) {
        *error = QStringLiteral("文件为空，不是有效的图片");
        return false;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(applyOrientation);
    if (!reader.canRead()) {
        *error = QStringLiteral("无法识别的图片格式：%1").arg(reader.errorString());
        return false;
    }

    const qint64 limit = pixelMemoryLimit();
    const QSize declared = reader.size();
    if (declared.isValid()) {
        const qint64 needed = qint64(declared.width()) * declared.height() * bytesPerPixel(reader.imageFormat());
        if (needed > limit) {
            *error = QStringLiteral("图片过大（%1），解码需要约 %2 MB 内存，超出上限 %3 MB")
                             .arg(sizeText(declared))
                             .arg(needed / MiB)
                             .arg(limit / MiB);
            return false;
        }
    }
    // Qt's own limit would refuse large pictures below ours; QT_IMAGEIO_MAXALLOC
    // still overrides it, which our check above does not depend on.
    QImageReader::setAllocationLimit(int(qMin<qint64>(limit / MiB + 1, std::numeric_limits<int>::max())));

    QImage decoded;
    if (reader.format() == "tiff") {
        bool handled = false;
        if (decodeUnassociatedTiff(bytes, applyOrientation, &decoded, &handled, error)) {
            *image = std::move(decoded);
            return true;
        }
        if (handled)
            return false;
    }
    if (!reader.read(&decoded) || decoded.isNull()) {
        *error = QStringLiteral("无法解码图片：%1").arg(reader.errorString());
        return false;
    }
    // A file that declares no resolution comes out with the screen's; such a
    // picture is taken as 96 dpi wherever it is processed.
    static const int screenDefault = QImage(1, 1, QImage::Format_ARGB32).dotsPerMeterX();
    if (decoded.dotsPerMeterX() == screenDefault && decoded.dotsPerMeterY() == screenDefault) {
        decoded.setDotsPerMeterX(qRound(96 / 0.0254));
        decoded.setDotsPerMeterY(qRound(96 / 0.0254));
    }
    *image = std::move(decoded);
    return true;
}

bool isOpaque(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return true;
    if (image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_ARGB32_Premultiplied) {
        for (int y = 0; y < image.height(); ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            QRgb all = 0xff000000u;
            for (int x = 0; x < image.width(); ++x)
                all &= row[x];
            if ((all & 0xff000000u) != 0xff000000u)
                return false;
        }
        return true;
    }
    if (image.format() == QImage::Format_RGBA64 || image.format() == QImage::Format_RGBA64_Premultiplied) {
        for (int y = 0; y < image.height(); ++y) {
            const QRgba64 *row = reinterpret_cast<const QRgba64 *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (row[x].alpha() != 0xffff)
                    return false;
            }
        }
        return true;
    }
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 255)
                return false;
        }
    }
    return true;
}

bool encode(const QImage &image, Encoder encoder, QByteArray *bytes, QString *error)
{
    if (image.isNull()) {
        *error = QStringLiteral("没有可编码的图像");
        return false;
    }
    const bool deep = isDeep(image);
    switch (encoder) {
    case Encoder::Png:
    case Encoder::Tiff: {
        // An opaque canvas is stored without its alpha channel: a quarter fewer
        // bytes to compress, the same pixels.
        QImage toWrite = image;
        if (isOpaque(image))
            toWrite = image.convertToFormat(deep ? QImage::Format_RGBX64 : QImage::Format_RGB32);
        if (encoder == Encoder::Png)
            return PngEncoder::encode(toWrite, PngEncoder::engineSettings(), bytes, error);
        return writeWithQt(toWrite, "tiff", -1, 1 /* LZW: lossless and widely read */, bytes, error);
    }
    case Encoder::Jpeg:
        return writeWithQt(image.convertToFormat(QImage::Format_RGB32), "jpeg", JpegQuality, -1, bytes, error);
    case Encoder::Bmp: {
        const QImage eight = deep ? image.convertToFormat(QImage::Format_ARGB32) : image;
        if (!isOpaque(eight))
            return encodeBmpWithAlpha(eight, bytes, error);
        return writeWithQt(eight.convertToFormat(QImage::Format_RGB32), "bmp", -1, -1, bytes, error);
    }
    case Encoder::Gif:
        return encodeGif(image, bytes, error);
    }
    *error = QStringLiteral("未知的编码器");
    return false;
}

} // namespace ImageCodecs
