#include "PsdPixels.h"

#include "PsdChannels.h"
#include "PsdText.h"
#include "PsdVectorMask.h"

#include <QRgba64>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace Psd {

namespace {

// 16-bit component values of one plane, whatever its depth.
class SampleReader
{
public:
    SampleReader(const QByteArray &plane, int depth, bool colour, int width = 0)
        : m_data(reinterpret_cast<const uchar *>(plane.constData())), m_depth(depth), m_colour(colour),
          m_width(std::max(width, 1))
    {
    }

    quint16 at(qint64 index) const
    {
        switch (m_depth) {
        case 8:
            return quint16(m_data[index] * 257);
        case 16:
            return quint16(readBig(m_data + 2 * index, 2));
        case 32: {
            const quint32 bits = readBig(m_data + 4 * index, 4);
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return fromLinear(value, m_colour);
        }
        default: { // 1 bit, set means black; rows are whole bytes
            const qint64 y = index / m_width;
            const qint64 x = index % m_width;
            return (m_data[y * rowBytes(m_width, 1) + (x >> 3)] & (0x80 >> (x & 7))) ? 0 : 65535;
        }
        }
    }

    // A 32-bit sample as stored: linear light, not clamped.
    float real(qint64 index) const
    {
        const quint32 bits = readBig(m_data + 4 * index, 4);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    static quint16 fromLinear(float value, bool colour)
    {
        if (!(value > 0.0f)) // negative and NaN
            return 0;
        if (value >= 1.0f)
            return 65535;
        double encoded = value;
        if (colour)
            encoded = value <= 0.0031308f ? 12.92 * value : 1.055 * std::pow(double(value), 1.0 / 2.4) - 0.055;
        return quint16(std::lround(encoded * 65535.0));
    }

    const uchar *m_data;
    int m_depth;
    bool m_colour;
    int m_width;
};

quint32 to8(quint32 value)
{
    return (value * 255 + 32767) / 65535;
}

// Writes one component (0 red, 1 green, 2 blue, 3 alpha) of every pixel of
// a width × height picture.
template<typename Source>
void fillComponent(QImage &image, int component, Source source)
{
    const bool deep = image.format() == QImage::Format_RGBA64;
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const qint64 base = qint64(y) * width;
        if (deep) {
            auto *row = reinterpret_cast<QRgba64 *>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const quint16 v = source(base + x);
                QRgba64 &p = row[x];
                switch (component) {
                case 0: p.setRed(v); break;
                case 1: p.setGreen(v); break;
                case 2: p.setBlue(v); break;
                default: p.setAlpha(v); break;
                }
            }
        } else {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            const int shift = component == 3 ? 24 : 16 - 8 * component;
            for (int x = 0; x < width; ++x) {
                const quint32 v = to8(source(base + x));
                row[x] = (row[x] & ~(0xffu << shift)) | (v << shift);
            }
        }
    }
}

// One plane into one component. 8-bit samples into an 8-bit picture are
// copied as they are, the common case, without the 16-bit round trip.
void fillPlane(QImage &image, int component, const QByteArray &plane, int depth, bool colour)
{
    if (depth != 8 || image.format() != QImage::Format_ARGB32) {
        fillComponent(image, component, [reader = SampleReader(plane, depth, colour, image.width())](qint64 i) {
            return reader.at(i);
        });
        return;
    }
    const int shift = component == 3 ? 24 : 16 - 8 * component;
    const quint32 keep = ~(0xffu << shift);
    const auto *samples = reinterpret_cast<const uchar *>(plane.constData());
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        const uchar *in = samples + qint64(y) * width;
        for (int x = 0; x < width; ++x)
            row[x] = (row[x] & keep) | (quint32(in[x]) << shift);
    }
}

quint16 clampUnit(double value)
{
    return quint16(std::lround(std::clamp(value, 0.0, 1.0) * 65535.0));
}

double srgbEncode(double linear)
{
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

// Lab (D50) to sRGB, through XYZ and Bradford-adapted sRGB primaries.
void labToRgb(double l, double a, double b, quint16 rgb[3])
{
    const auto finv = [](double t) { return t > 6.0 / 29.0 ? t * t * t : 3.0 * (6.0 / 29.0) * (6.0 / 29.0) * (t - 4.0 / 29.0); };
    const double fy = (l + 16.0) / 116.0;
    const double x = 0.9642 * finv(fy + a / 500.0);
    const double y = finv(fy);
    const double z = 0.8249 * finv(fy - b / 200.0);
    const double r = 3.1338561 * x - 1.6168667 * y - 0.4906146 * z;
    const double g = -0.9787684 * x + 1.9161415 * y + 0.0334540 * z;
    const double bl = 0.0719453 * x - 0.2289914 * y + 1.4052427 * z;
    rgb[0] = clampUnit(srgbEncode(std::clamp(r, 0.0, 1.0)));
    rgb[1] = clampUnit(srgbEncode(std::clamp(g, 0.0, 1.0)));
    rgb[2] = clampUnit(srgbEncode(std::clamp(bl, 0.0, 1.0)));
}

int colourChannels(ColorMode mode)
{
    switch (mode) {
    case ColorMode::Rgb:
    case ColorMode::Lab:
        return 3;
    case ColorMode::Cmyk:
        return 4;
    default:
        return 1;
    }
}

void setPixel(QImage &image, int x, int y, const quint16 rgb[3])
{
    if (image.format() == QImage::Format_RGBA64) {
        QRgba64 &p = reinterpret_cast<QRgba64 *>(image.scanLine(y))[x];
        p.setRed(rgb[0]);
        p.setGreen(rgb[1]);
        p.setBlue(rgb[2]);
    } else {
        QRgb &p = reinterpret_cast<QRgb *>(image.scanLine(y))[x];
        p = qRgba(int(to8(rgb[0])), int(to8(rgb[1])), int(to8(rgb[2])), qAlpha(p));
    }
}

// The colour channels of a document into the picture. `planeFor` gives the
// decoded samples of colour channel n (0-based) or false.
template<typename PlaneFor>
bool fillTransformed(PsdFile &psd, QImage &image, PlaneFor planeFor, const ColourTransform &transform, QString *error)
{
    const Header &header = psd.document().header;
    const int depth = header.depth;
    const int planes = colourChannels(header.colorMode);
    std::vector<QByteArray> data(static_cast<size_t>(planes));
    for (int c = 0; c < planes; ++c) {
        if (!planeFor(c, &data[size_t(c)], error))
            return false;
    }
    std::vector<SampleReader> readers;
    for (const QByteArray &plane : data)
        readers.emplace_back(plane, depth, false);
    const int width = image.width();
    std::vector<quint16> samples(depth == 32 ? 0 : size_t(width) * planes);
    std::vector<float> reals(depth == 32 ? size_t(width) * planes : 0);
    std::vector<quint16> rgb(size_t(width) * 3);
    for (int y = 0; y < image.height(); ++y) {
        const qint64 base = qint64(y) * width;
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < planes; ++c) {
                if (depth == 32)
                    reals[size_t(x) * planes + c] = readers[size_t(c)].real(base + x);
                else
                    samples[size_t(x) * planes + c] = readers[size_t(c)].at(base + x);
            }
        }
        if (depth == 32)
            transform.toRgb(reals.data(), rgb.data(), width);
        else
            transform.toRgb(samples.data(), rgb.data(), width);
        for (int x = 0; x < width; ++x)
            setPixel(image, x, y, rgb.data() + 3 * x);
    }
    return true;
}

template<typename PlaneFor>
bool fillColour(PsdFile &psd, QImage &image, PlaneFor planeFor, const ColourTransform *transform, QString *error)
{
    const Header &header = psd.document().header;
    const int depth = header.depth;
    const qint64 count = qint64(image.width()) * image.height();
    switch (header.colorMode) {
    case ColorMode::Rgb:
    case ColorMode::Cmyk:
    case ColorMode::Lab:
    case ColorMode::Grayscale:
        if (transform)
            return fillTransformed(psd, image, planeFor, *transform, error);
        break;
    default:
        break;
    }
    switch (header.colorMode) {
    case ColorMode::Rgb:
        for (int c = 0; c < 3; ++c) {
            QByteArray plane;
            if (!planeFor(c, &plane, error))
                return false;
            fillPlane(image, c, plane, depth, true);
        }
        return true;
    case ColorMode::Grayscale:
    case ColorMode::Duotone:
    case ColorMode::Bitmap: {
        QByteArray plane;
        if (!planeFor(0, &plane, error))
            return false;
        for (int c = 0; c < 3; ++c)
            fillPlane(image, c, plane, depth, true);
        return true;
    }
    case ColorMode::Indexed: {
        QByteArray plane;
        QByteArray palette;
        const LengthSection &data = psd.document().colorModeData;
        if (data.content.length < 768 || !psd.readAt(data.content.offset, 768, &palette, error))
            return fail(error, PsdText::Translate(QStringLiteral("索引颜色文档缺少调色板")));
        if (!planeFor(0, &plane, error))
            return false;
        const auto *index = reinterpret_cast<const uchar *>(plane.constData());
        const auto *colours = reinterpret_cast<const uchar *>(palette.constData());
        for (int c = 0; c < 3; ++c)
            fillComponent(image, c, [=](qint64 i) { return quint16(colours[c * 256 + index[i]] * 257); });
        return true;
    }
    case ColorMode::Cmyk:
    case ColorMode::Lab: {
        const int planes = header.colorMode == ColorMode::Cmyk ? 4 : 3;
        std::vector<QByteArray> data(static_cast<size_t>(planes));
        for (int c = 0; c < planes; ++c) {
            if (!planeFor(c, &data[size_t(c)], error))
                return false;
        }
        std::vector<SampleReader> readers;
        for (const QByteArray &plane : data)
            readers.emplace_back(plane, depth, false);
        for (qint64 i = 0; i < count; ++i) {
            quint16 rgb[3];
            if (planes == 4) {
                // Stored inverted: 65535 is no ink.
                const quint32 k = readers[3].at(i);
                for (int c = 0; c < 3; ++c)
                    rgb[c] = quint16((quint32(readers[size_t(c)].at(i)) * k + 32767) / 65535);
            } else {
                labToRgb(readers[0].at(i) * 100.0 / 65535.0, readers[1].at(i) / 257.0 - 128.0,
                         readers[2].at(i) / 257.0 - 128.0, rgb);
            }
            setPixel(image, int(i % image.width()), int(i / image.width()), rgb);
        }
        return true;
    }
    case ColorMode::Multichannel:
        break;
    }
    return fail(error, PsdText::Translate(QStringLiteral("不支持的颜色模式")));
}

QImage newImage(int width, int height, int depth)
{
    QImage image(width, height, depth >= 16 ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
    if (!image.isNull())
        image.fill(depth >= 16 ? QColor::fromRgba64(0, 0, 0, 65535) : QColor(0, 0, 0, 255));
    return image;
}

// alpha × value ÷ maximum, rounded, for every pixel; `value` gives 0..65535.
template<typename Value>
void scaleAlpha(QImage &image, Value value)
{
    const bool deep = image.format() == QImage::Format_RGBA64;
    for (int y = 0; y < image.height(); ++y) {
        if (deep) {
            auto *row = reinterpret_cast<QRgba64 *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x].setAlpha(quint16((quint32(row[x].alpha()) * value(x, y) + 32767) / 65535));
        } else {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const quint32 factor = to8(value(x, y));
                const quint32 alpha = (qAlpha(row[x]) * factor + 127) / 255;
                row[x] = (row[x] & 0x00ffffffu) | (alpha << 24);
            }
        }
    }
}

} // namespace

bool canDecode(const Header &header, QString *error)
{
    if (header.colorMode == ColorMode::Multichannel)
        return fail(error, PsdText::Translate(QStringLiteral("不支持多通道（Multichannel）颜色模式")));
    if ((header.colorMode == ColorMode::Bitmap) != (header.depth == 1))
        return fail(error, PsdText::Translate(QStringLiteral("位深 %1 与颜色模式不符")).arg(header.depth));
    if (header.colorMode == ColorMode::Indexed && header.depth != 8)
        return fail(error, PsdText::Translate(QStringLiteral("索引颜色文档的位深必须为 8")));
    if (header.channels < colourChannels(header.colorMode))
        return fail(error, PsdText::Translate(QStringLiteral("文档的通道数少于其颜色模式所需")));
    return true;
}

bool readLayerImage(PsdFile &psd, int index, const LayerImageOptions &options, QImage *image, QString *error)
{
    const Document &document = psd.document();
    *image = QImage();
    if (!canDecode(document.header, error))
        return false;
    if (index < 0 || index >= document.layers.layers.size())
        return fail(error, PsdText::Translate(QStringLiteral("图层序号 %1 无效")).arg(index));
    const LayerRecord &layer = document.layers.layers.at(index);
    if (layer.rect.isEmpty())
        return true;
    const int width = layer.rect.width();
    const int height = layer.rect.height();
    const int depth = document.header.depth;
    if (!checkedPlaneSize(width, height, depth >= 16 ? 64 : 32, error))
        return false;
    for (const ChannelInfo &channel : layer.channels) {
        if (channel.id >= -1 && !canHold(channel.compression, channel.data.length - 2, rowBytes(width, depth) * height,
                                         height, document.header.version))
            return fail(error, PsdText::Translate(QStringLiteral("图层“%1”的通道数据不足以填满 %2×%3 的图层")).arg(layer.name).arg(width).arg(height));
    }

    QImage pixels = newImage(width, height, depth);
    if (pixels.isNull())
        return fail(error, PsdText::Translate(QStringLiteral("内存不足，无法解码图层（%1×%2）")).arg(width).arg(height));
    const auto planeFor = [&](int colour, QByteArray *plane, QString *message) {
        const ChannelInfo *channel = layer.channel(qint16(colour));
        if (!channel) {
            // A colour channel the layer does not store reads as zero samples.
            plane->fill('\0', qsizetype(rowBytes(width, depth) * height));
            return true;
        }
        return readChannel(psd, *channel, width, height, plane, message);
    };
    if (options.decodeColour && !fillColour(psd, pixels, planeFor, options.transform, error))
        return false;

    if (const ChannelInfo *transparency = layer.channel(-1)) {
        QByteArray plane;
        if (!readChannel(psd, *transparency, width, height, &plane, error))
            return false;
        fillPlane(pixels, 3, plane, depth, false);
    }

    const LayerMasks masks = layerMasks(psd, layer);
    const MaskInfo &mask = masks.pixel;
    const ChannelInfo *maskChannel = layer.channel(masks.pixelChannel);
    if (options.applyUserMask && mask.present && maskChannel && !mask.disabled()) {
        const QRect area = mask.rect;
        QByteArray plane;
        if (!readChannel(psd, *maskChannel, area.width(), area.height(), &plane, error))
            return false;
        const SampleReader reader(plane, depth, false);
        // Density lightens the mask: what it hides is hidden only by that much.
        const quint32 density = masks.pixelDensity;
        const auto dense = [density](quint32 value) { return 65535 - (65535 - value) * density / 255; };
        const quint32 outside = dense(mask.defaultColor * 257u);
        const QPoint origin = layer.rect.topLeft();
        scaleAlpha(pixels, [&](int x, int y) -> quint32 {
            const QPoint at = origin + QPoint(x, y);
            if (!area.contains(at))
                return outside;
            return dense(reader.at(qint64(at.y() - area.top()) * area.width() + (at.x() - area.left())));
        });
    }
    const TaggedBlock *vector = layer.block("vmsk");
    if (!vector)
        vector = layer.block("vsms");
    // Fill layers (a shape is a fill layer with a vector mask) store their
    // pixels with the mask already drawn, by the editor's own rasteriser.
    const bool drawn = layer.block("SoCo") || layer.block("GdFl") || layer.block("PtFl");
    if (options.applyVectorMask && vector && !drawn) {
        QByteArray data;
        VectorMask shape;
        if (vector->data.length > (16 << 20) || !psd.readAt(vector->data.offset, vector->data.length, &data, error))
            return false;
        if (parseVectorMask(data, QSize(document.header.width, document.header.height), &shape) && !shape.disabled) {
            const QImage coverage = rasteriseVectorMask(shape, layer.rect);
            if (coverage.isNull())
                return fail(error, PsdText::Translate(QStringLiteral("内存不足，无法解码图层（%1×%2）")).arg(width).arg(height));
            const quint32 density = masks.vectorDensity;
            scaleAlpha(pixels, [&](int x, int y) -> quint32 {
                return 65535 - (255 - coverage.constScanLine(y)[x]) * 257u * density / 255;
            });
        }
    }
    if (options.applyOpacity && layer.opacity != 255) {
        const quint32 opacity = layer.opacity * 257u;
        scaleAlpha(pixels, [opacity](int, int) { return opacity; });
    }
    *image = std::move(pixels);
    return true;
}

bool readMergedImage(PsdFile &psd, QImage *image, QString *error, const ColourTransform *transform)
{
    const Document &document = psd.document();
    const Header &header = document.header;
    *image = QImage();
    if (!canDecode(header, error))
        return false;
    const int width = header.width;
    const int height = header.height;
    const int depth = header.depth;
    const qint64 planeSize = rowBytes(width, depth) * height;
    if (!checkedPlaneSize(width, height, depth >= 16 ? 64 : 32, error))
        return false;
    const int colours = colourChannels(header.colorMode);
    const bool hasAlpha = document.layers.storedCount < 0 && header.channels > colours;
    const int needed = colours + (hasAlpha ? 1 : 0);
    const qint64 start = document.mergedImage.offset + 2;
    const qint64 available = document.mergedImage.length - 2;
    if (available < 0)
        return fail(error, PsdText::Translate(QStringLiteral("文档没有合并图像数据")));

    // RLE keeps the row counts of every channel first; ZIP one stream for all.
    std::vector<qint64> offsets(size_t(needed) + 1, 0);
    QByteArray all;
    const Compression compression = document.mergedCompression;
    const int countSize = header.isPsb() ? 4 : 2;
    QByteArray counts;
    if (compression == Compression::Rle) {
        const qint64 countBytes = qint64(countSize) * height * header.channels;
        if (!psd.readAt(start, countBytes, &counts, error))
            return false;
        qint64 at = start + countBytes;
        for (int c = 0; c < needed; ++c) {
            offsets[size_t(c)] = at;
            for (int y = 0; y < height; ++y)
                at += readBig(reinterpret_cast<const uchar *>(counts.constData()) + (qint64(c) * height + y) * countSize, countSize);
        }
        offsets[size_t(needed)] = at;
    } else if (compression != Compression::Raw) {
        QByteArray data;
        if (!checkedPlaneSize(width, height * header.channels, depth, error)
            || !psd.readAt(start, std::min(available, planeSize * header.channels * 65 / 64 + 65536), &data, error)
            || !decompress(compression, data, width, height * header.channels, depth, header.version, &all, error))
            return false;
    }

    const auto planeFor = [&](int c, QByteArray *plane, QString *message) {
        if (compression == Compression::Raw)
            return psd.readAt(start + planeSize * c, planeSize, plane, message);
        if (compression != Compression::Rle) {
            *plane = all.mid(qsizetype(planeSize * c), qsizetype(planeSize));
            return true;
        }
        const qint64 length = offsets[size_t(c) + 1] - offsets[size_t(c)];
        if (length > planeSize + planeSize / 64 + 2 * qint64(height))
            return fail(message, PsdText::Translate(QStringLiteral("合并图像的 RLE 数据长度异常")));
        QByteArray data;
        if (!psd.readAt(offsets[size_t(c)], length, &data, message))
            return false;
        const QByteArray rowCounts = counts.mid(qsizetype(qint64(c) * height * countSize), qsizetype(height) * countSize);
        return decompress(Compression::Rle, rowCounts + data, width, height, depth, header.version, plane, message);
    };

    QImage pixels = newImage(width, height, depth);
    if (pixels.isNull())
        return fail(error, PsdText::Translate(QStringLiteral("内存不足，无法解码合并图像")));
    if (!fillColour(psd, pixels, planeFor, transform, error))
        return false;
    if (hasAlpha) {
        QByteArray plane;
        if (!planeFor(colours, &plane, error))
            return false;
        fillPlane(pixels, 3, plane, depth, false);
    }
    if (header.colorMode == ColorMode::Indexed) {
        // A transparency index turns that palette entry transparent.
        if (const ImageResource *resource = document.resource(1047); resource && resource->data.length >= 2) {
            QByteArray value;
            QByteArray plane;
            if (psd.readAt(resource->data.offset, 2, &value, error) && planeFor(0, &plane, error)) {
                const int transparent = int(readBig(reinterpret_cast<const uchar *>(value.constData()), 2));
                const auto *index = reinterpret_cast<const uchar *>(plane.constData());
                fillComponent(pixels, 3, [&](qint64 i) { return quint16(index[i] == transparent ? 0 : 65535); });
            }
        }
    }
    *image = std::move(pixels);
    return true;
}

LayerMasks layerMasks(PsdFile &psd, const LayerRecord &layer)
{
    LayerMasks masks;
    const qint64 length = layer.maskData.length;
    QByteArray bytes;
    QString ignored;
    if (length < 18 || length > 4096 || !psd.readAt(layer.maskData.offset, length, &bytes, &ignored))
        return masks;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const auto rectAt = [data](int at) {
        const auto value = [&](int i) { return qint32(readBig(data + at + 4 * i, 4)); };
        return QRect(QPoint(value(1), value(0)), QPoint(value(3) - 1, value(2) - 1));
    };
    const quint8 flags = data[17];
    const bool hasVector = layer.block("vmsk") || layer.block("vsms");
    int at = 18;
    if (length >= 36) {
        // The pixel mask proper, after the rendering of the vector mask.
        masks.pixel.flags = data[18];
        masks.pixel.defaultColor = data[19];
        masks.pixel.rect = rectAt(20);
        masks.pixel.present = layer.channel(-3) != nullptr;
        masks.pixelChannel = -3;
        at = 36;
    }
    if (!masks.pixel.present && !(hasVector && (flags & 0x08))) {
        masks.pixel.rect = rectAt(0);
        masks.pixel.defaultColor = data[16];
        masks.pixel.flags = flags;
        masks.pixel.present = true;
        masks.pixelChannel = -2;
    }
    if ((flags & 0x10) && at < length) {
        const quint8 parameters = data[at++];
        if ((parameters & 1) && at < length)
            masks.pixelDensity = data[at++];
        const auto feather = [&] {
            if (at + 8 <= length) {
                double radius;
                const quint64 bits = (quint64(readBig(data + at, 4)) << 32) | readBig(data + at + 4, 4);
                std::memcpy(&radius, &bits, sizeof radius);
                masks.feathered = masks.feathered || radius > 0;
            }
            at += 8;
        };
        if (parameters & 2)
            feather();
        if ((parameters & 4) && at < length)
            masks.vectorDensity = data[at++];
        if (parameters & 8)
            feather();
    }
    return masks;
}

QByteArray iccProfile(PsdFile &psd)
{
    const ImageResource *resource = psd.document().resource(1039);
    QByteArray profile;
    QString ignored;
    if (!resource || resource->data.length > (64 << 20) || !psd.readAt(resource->data.offset, resource->data.length, &profile, &ignored))
        return QByteArray();
    return profile;
}

} // namespace Psd
