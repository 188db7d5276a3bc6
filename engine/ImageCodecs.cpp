#include "ImageCodecs.h"
#include "HelperText.h"

#include "PngEncoder.h"
#include "SafeFile.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <mutex>

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
        *error = HelperText::translate(QStringLiteral("编码失败（%1）：%2"))
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
        // The whole peak of one picture counts against this; a sixth of the
        // memory leaves the rest to the desktop and the user's other programs.
        return qBound(512 * MiB, physical / 6, 16384 * MiB);
    }();
    return limit;
}

qint64 aloneMemoryLimit()
{
    static const qint64 limit = [] {
        const qint64 physical = SafeFile::physicalMemoryBytes();
        return qMax(pixelMemoryLimit(), physical > 0 ? physical / 2 : 2048 * MiB);
    }();
    return limit;
}

qint64 sourceFileLimit()
{
    return pixelMemoryLimit();
}

QByteArray familyOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (bytes.startsWith("\xff\xd8\xff"))
        return "jpeg";
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return "gif";
    if (bytes.startsWith("BM"))
        return "bmp";
    if (bytes.startsWith("II*\0") || bytes.startsWith("MM\0*") || bytes.startsWith("II+\0")
        || bytes.startsWith("MM\0+"))
        return "tiff";
    return QByteArray();
}

namespace {

// Decoder warnings reach Qt's message handler; during a decode they are
// collected for the decoding thread only, and passed on everywhere else.
thread_local QStringList *capturedWarnings = nullptr;
std::atomic<QtMessageHandler> previousHandler{nullptr};

void captureWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (capturedWarnings && type == QtWarningMsg) {
        capturedWarnings->append(message);
        return;
    }
    if (const QtMessageHandler previous = previousHandler.load())
        previous(type, context, message);
}

class WarningCapture
{
public:
    WarningCapture()
    {
        static std::once_flag installed;
        std::call_once(installed, [] { previousHandler.store(qInstallMessageHandler(captureWarnings)); });
        m_outer = capturedWarnings;
        capturedWarnings = &m_warnings;
    }
    ~WarningCapture() { capturedWarnings = m_outer; }
    WarningCapture(const WarningCapture &) = delete;
    WarningCapture &operator=(const WarningCapture &) = delete;
    const QStringList &warnings() const { return m_warnings; }

private:
    QStringList m_warnings;
    QStringList *m_outer = nullptr;
};

// libjpeg's warnings that mean pixels are missing or wrong; the others
// (extraneous bytes between markers, unknown revisions, a bad ICC marker) leave
// every pixel as the file holds it.
bool losesPixels(const QString &warning)
{
    static const char *const lossy[] = {"Premature end", "premature end", "bad Huffman code", "bad arithmetic code",
                                        "instead of RST", "Inconsistent progression", "Corrupt JPEG data: found"};
    for (const char *text : lossy) {
        if (warning.contains(QLatin1String(text)))
            return true;
    }
    return false;
}

// The end-of-image marker after the last scan. Qt's reader makes one up when
// the data stops, so a file cut between scan and marker decodes silently.
// Bytes after the marker (some cameras append data) do not matter.
bool hasEndOfImage(const QByteArray &bytes)
{
    const qsizetype lastScan = bytes.lastIndexOf("\xff\xda");
    return lastScan >= 0 && bytes.indexOf("\xff\xd9", lastScan) > lastScan;
}

QString damaged(const QString &reason)
{
    return HelperText::translate(QStringLiteral("图片数据不完整或已损坏：%1")).arg(reason);
}

} // namespace

bool jpegWarningLosesPixels(const QString &warning)
{
    return losesPixels(warning);
}

bool probe(const QByteArray &bytes, bool applyOrientation, Probe *probe, QString *error)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ImageCodecs::probe(&buffer, applyOrientation, probe, error);
}

bool probe(QIODevice *device, bool applyOrientation, Probe *probe, QString *error)
{
    const QByteArray head = device->peek(8);
    if (head.isEmpty()) {
        *error = HelperText::translate(QStringLiteral("文件为空，不是有效的图片"));
        return false;
    }
    probe->family = familyOf(head);
    if (probe->family.isEmpty()) {
        *error = HelperText::translate(QStringLiteral("不支持的图片格式：文件内容不是 PNG、JPEG、BMP、GIF 或 TIFF 图片"));
        return false;
    }
    // Header warnings come again when the picture is decoded; there they count.
    WarningCapture quiet;
    QImageReader reader(device, probe->family);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(applyOrientation);
    if (!reader.canRead()) {
        *error = HelperText::translate(QStringLiteral("无法识别的图片格式：%1")).arg(reader.errorString());
        return false;
    }
    QSize size = reader.size();
    if (!size.isValid()) {
        *error = HelperText::translate(QStringLiteral("无法读取图片尺寸：%1")).arg(reader.errorString());
        return false;
    }
    const QImage::Format format = reader.imageFormat();
    const QImageIOHandler::Transformations transform =
        applyOrientation ? reader.transformation() : QImageIOHandler::TransformationNone;
    if (transform & QImageIOHandler::TransformationRotate90)
        size.transpose();
    probe->size = size;
    probe->bytesPerPixel = bytesPerPixel(format);
    probe->hasAlpha = format == QImage::Format_Invalid || QImage::toPixelFormat(format).alphaUsage()
                                                              == QPixelFormat::UsesAlpha;
    probe->deep = QImage::toPixelFormat(format).bitsPerPixel() > 32 || format == QImage::Format_Grayscale16;
    probe->transformed = transform != QImageIOHandler::TransformationNone;
    return true;
}

qint64 peakBytes(const Probe &probe, qint64 fileBytes, const QSize &canvas, bool deep, Encoder encoder)
{
    const qint64 source = qint64(probe.size.width()) * probe.size.height() * probe.bytesPerPixel;
    const qint64 pad = qint64(canvas.width()) * canvas.height() * (deep ? 8 : 4);
    // Upper bounds of the encoded bytes: stored rows never exceed the canvas;
    // LZW can grow noise by half; JPEG and GIF stay well below.
    qint64 output = pad + pad / 64;
    qint64 working = 0;
    switch (encoder) {
    case Encoder::Png:
        // libdeflate compresses in one call: the filtered rows (a filter byte
        // each) are held beside the canvas while it works.
        working = pad + canvas.height();
        break;
    case Encoder::Bmp:
        break;
    case Encoder::Tiff:
        output = pad + pad / 2;
        break;
    case Encoder::Jpeg:
        output = pad / 2;
        // Progressive scans keep every DCT coefficient of the picture: 2 bytes
        // each, up to 3 per pixel (4:4:4). Only the header tells, so any JPEG
        // counts them.
        working = pad + pad / 2;
        break;
    case Encoder::Gif:
        output = pad / 2;
        working = pad; // palette indices and the quantiser's colour planes
        break;
    }
    const qint64 decoding = fileBytes + source * (probe.transformed ? 2 : 1);
    const qint64 padding = source + pad;
    const qint64 encoding = pad + working + output;
    const qint64 readBack = output + pad;
    const qint64 largest = qMax(qMax(decoding, padding), qMax(encoding, readBack));
    // Codec state, the pad's strips and heap slack: measured peaks run about 1 % above the sum.
    return largest + largest / 16 + 16 * MiB;
}

bool decode(const QByteArray &bytes, bool applyOrientation, QImage *image, QString *error, QString *warning)
{
    Probe probed;
    if (!probe(bytes, applyOrientation, &probed, error))
        return false;
    return decode(bytes, probed, applyOrientation, image, error, warning);
}

bool decode(const QByteArray &bytes, const Probe &probed, bool applyOrientation, QImage *image, QString *error,
            QString *warning)
{

    // A picture beyond the per-picture limit may still run alone; the caller
    // decided that from its whole peak.
    const qint64 limit = aloneMemoryLimit();
    const qint64 needed = qint64(probed.size.width()) * probed.size.height() * probed.bytesPerPixel;
    if (needed > limit) {
        *error = HelperText::translate(QStringLiteral("图片过大（%1），解码需要约 %2 MB 内存，超出上限 %3 MB"))
                         .arg(sizeText(probed.size))
                         .arg(needed / MiB)
                         .arg(limit / MiB);
        return false;
    }
    // Qt's own limit would refuse large pictures below ours; QT_IMAGEIO_MAXALLOC
    // still overrides it, which our check above does not depend on.
    QImageReader::setAllocationLimit(int(qMin<qint64>(limit / MiB + 1, std::numeric_limits<int>::max())));

    QString note;
    if (probed.family == "bmp" && !checkBmpComplete(bytes, error)) {
        *error = damaged(*error);
        return false;
    }
    if (probed.family == "gif" && !checkGifComplete(bytes, error, &note)) {
        *error = damaged(*error);
        return false;
    }

    QImage decoded;
    if (probed.family == "tiff") {
        bool handled = false;
        if (decodeUnassociatedTiff(bytes, applyOrientation, &decoded, &handled, error)) {
            *image = std::move(decoded);
            return true;
        }
        if (handled)
            return false;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, probed.family);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(applyOrientation);
    QStringList warnings;
    bool read = false;
    {
        WarningCapture capture;
        read = reader.read(&decoded) && !decoded.isNull();
        warnings = capture.warnings();
    }
    if (!read) {
        *error = HelperText::translate(QStringLiteral("无法解码图片：%1")).arg(reader.errorString());
        if (std::any_of(warnings.cbegin(), warnings.cend(), losesPixels))
            *error = damaged(warnings.join(HelperText::separator()) + HelperText::separator() + reader.errorString());
        else if (!warnings.isEmpty())
            *error += HelperText::aside(warnings.join(HelperText::separator()));
        return false;
    }
    for (const QString &text : std::as_const(warnings)) {
        if (losesPixels(text)) {
            *error = damaged(text);
            return false;
        }
    }
    if (probed.family == "jpeg" && !hasEndOfImage(bytes)) {
        *error = damaged(HelperText::translate(QStringLiteral("缺少 JPEG 结束标记，数据在结尾之前中断")));
        return false;
    }
    warnings.removeDuplicates();
    if (!note.isEmpty())
        warnings.prepend(note);
    if (warning)
        *warning = warnings.join(HelperText::separator());

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

bool encode(QImage image, Encoder encoder, QByteArray *bytes, QString *error, const JpegEncoder::Style *jpegStyle)
{
    if (image.isNull()) {
        *error = HelperText::translate(QStringLiteral("没有可编码的图像"));
        return false;
    }
    const bool deep = isDeep(image);
    switch (encoder) {
    case Encoder::Png:
    case Encoder::Tiff: {
        // An opaque canvas is stored without its alpha channel: a quarter fewer
        // bytes to compress, the same pixels.
        // The conversion happens in place: no second full-size picture.
        if (isOpaque(image))
            image.convertTo(deep ? QImage::Format_RGBX64 : QImage::Format_RGB32);
        if (encoder == Encoder::Png)
            return PngEncoder::encode(image, PngEncoder::engineSettings(), bytes, error);
        return writeWithQt(image, "tiff", -1, 1 /* LZW: lossless and widely read */, bytes, error);
    }
    case Encoder::Jpeg: {
        // A picture with no JPEG source to follow (a PNG named .jpg) gets the
        // default style: 90, since 75 visibly degrades a photo saved once more.
        const JpegEncoder::Style style = jpegStyle ? *jpegStyle : JpegEncoder::Style();
        // Converted in place, so the encoder works on this picture and no copy.
        image.convertTo(style.grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
        return JpegEncoder::encode(image, style, bytes, error);
    }
    case Encoder::Bmp: {
        if (deep)
            image.convertTo(QImage::Format_ARGB32);
        if (!isOpaque(image))
            return encodeBmpWithAlpha(image, bytes, error);
        image.convertTo(QImage::Format_RGB32);
        return writeWithQt(image, "bmp", -1, -1, bytes, error);
    }
    case Encoder::Gif:
        return encodeGif(image, bytes, error);
    }
    *error = HelperText::translate(QStringLiteral("未知的编码器"));
    return false;
}

} // namespace ImageCodecs
