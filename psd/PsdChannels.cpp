#include "PsdChannels.h"

#include "PsdText.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace Psd {

quint32 readBig(const uchar *p, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | p[i];
    return value;
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

namespace {

// PackBits rows, each of exactly `rowSize` bytes.
bool unpackRows(const uchar *counts, int countSize, const uchar *data, qint64 dataSize, int height, qint64 rowSize,
                uchar *out, QString *error)
{
    qint64 at = 0;
    for (int y = 0; y < height; ++y) {
        const qint64 count = readBig(counts + qint64(y) * countSize, countSize);
        if (count > dataSize - at)
            return fail(error, PsdText::Translate(QStringLiteral("RLE 行长度超出通道数据（第 %1 行）")).arg(y));
        const uchar *in = data + at;
        const uchar *inEnd = in + count;
        uchar *row = out + qint64(y) * rowSize;
        qint64 filled = 0;
        while (in < inEnd) {
            const int n = qint8(*in++);
            if (n >= 0) {
                const qint64 literal = n + 1;
                if (literal > inEnd - in || literal > rowSize - filled)
                    return fail(error, PsdText::Translate(QStringLiteral("RLE 数据解码长度不符（第 %1 行）")).arg(y));
                std::memcpy(row + filled, in, size_t(literal));
                in += literal;
                filled += literal;
            } else if (n != -128) {
                const qint64 repeat = 1 - n;
                if (in == inEnd || repeat > rowSize - filled)
                    return fail(error, PsdText::Translate(QStringLiteral("RLE 数据解码长度不符（第 %1 行）")).arg(y));
                std::memset(row + filled, *in++, size_t(repeat));
                filled += repeat;
            }
        }
        if (filled != rowSize)
            return fail(error, PsdText::Translate(QStringLiteral("RLE 数据解码长度不符（第 %1 行短缺 %2 字节）")).arg(y).arg(rowSize - filled));
        at += count;
    }
    return true;
}

// Inflates into exactly `size` bytes; more or less output is an error.
bool inflateExactly(const QByteArray &data, uchar *out, qint64 size, QString *error)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return fail(error, PsdText::Translate(QStringLiteral("无法初始化 ZIP 解压")));
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    qint64 inputLeft = data.size();
    qint64 outputLeft = size;
    stream.next_out = out;
    int result = Z_OK;
    // zlib counts in 32 bits; feed and drain in pieces.
    while (result == Z_OK) {
        const uInt inChunk = uInt(std::min<qint64>(inputLeft, 1 << 30));
        const uInt outChunk = uInt(std::min<qint64>(outputLeft, 1 << 30));
        stream.avail_in = inChunk;
        stream.avail_out = outChunk;
        result = inflate(&stream, Z_NO_FLUSH);
        inputLeft -= inChunk - stream.avail_in;
        outputLeft -= outChunk - stream.avail_out;
        if (result == Z_BUF_ERROR && outputLeft == 0) {
            // Output full: the stream must end here, with no byte more.
            Bytef extra;
            stream.next_out = &extra;
            stream.avail_out = 1;
            result = inflate(&stream, Z_NO_FLUSH);
            if (stream.avail_out == 0)
                result = Z_DATA_ERROR;
            break;
        }
        if (result == Z_BUF_ERROR && inputLeft == 0)
            break;
        if (result == Z_BUF_ERROR)
            result = Z_OK;
    }
    inflateEnd(&stream);
    if (result == Z_STREAM_END && outputLeft == 0)
        return true;
    if (result == Z_STREAM_END || (result == Z_BUF_ERROR && outputLeft > 0))
        return fail(error, PsdText::Translate(QStringLiteral("ZIP 数据解压后长度不足（缺 %1 字节）")).arg(outputLeft));
    if (outputLeft == 0 && result == Z_DATA_ERROR)
        return fail(error, PsdText::Translate(QStringLiteral("ZIP 数据解压后长度超出通道大小或数据损坏")));
    return fail(error, PsdText::Translate(QStringLiteral("ZIP 数据损坏")));
}

void undoPrediction(uchar *data, int width, int height, int depth)
{
    const qint64 stride = rowBytes(width, depth);
    std::vector<uchar> split(depth == 32 ? size_t(stride) : 0);
    for (int y = 0; y < height; ++y) {
        uchar *row = data + y * stride;
        if (depth == 8) {
            for (int x = 1; x < width; ++x)
                row[x] = uchar(row[x] + row[x - 1]);
        } else if (depth == 16) {
            quint16 previous = quint16(readBig(row, 2));
            for (int x = 1; x < width; ++x) {
                const quint16 value = quint16(readBig(row + 2 * x, 2) + previous);
                row[2 * x] = uchar(value >> 8);
                row[2 * x + 1] = uchar(value);
                previous = value;
            }
        } else if (depth == 32) {
            // Deltas run over the whole row, whose bytes are the four byte
            // planes of the samples one after the other.
            for (qint64 i = 1; i < stride; ++i)
                row[i] = uchar(row[i] + row[i - 1]);
            std::memcpy(split.data(), row, size_t(stride));
            for (int x = 0; x < width; ++x) {
                for (int b = 0; b < 4; ++b)
                    row[4 * x + b] = split[size_t(b) * width + x];
            }
        }
    }
}

} // namespace

// Whether `length` compressed bytes can decode to `size` bytes at all:
// PackBits turns 2 bytes into at most 128, zlib 1 byte into at most 1032. A
// small file claiming a huge layer is refused before anything is allocated.
bool canHold(Compression compression, qint64 length, qint64 size, int height, int version)
{
    switch (compression) {
    case Compression::Raw:
        return length >= size;
    case Compression::Rle:
        return (length - qint64(height) * (version == 2 ? 4 : 2)) * 64 >= size;
    case Compression::Zip:
    case Compression::ZipPrediction:
        return length * 1032 >= size;
    }
    return false;
}

bool checkedPlaneSize(int width, int height, int depth, QString *error)
{
    if (width < 0 || height < 0 || rowBytes(width, depth) * height > MaxPlaneBytes)
        return fail(error, PsdText::Translate(QStringLiteral("图层过大（%1×%2），超出可处理的上限")).arg(width).arg(height));
    return true;
}

qint64 rowBytes(int width, int depth)
{
    return depth == 1 ? (qint64(width) + 7) / 8 : qint64(width) * (depth / 8);
}

bool decompress(Compression compression, const QByteArray &data, int width, int height, int depth, int version,
                QByteArray *samples, QString *error)
{
    if (!checkedPlaneSize(width, height, depth, error))
        return false;
    const qint64 stride = rowBytes(width, depth);
    const qint64 size = stride * height;
    samples->resize(qsizetype(size));
    auto *out = reinterpret_cast<uchar *>(samples->data());
    const auto *in = reinterpret_cast<const uchar *>(data.constData());
    switch (compression) {
    case Compression::Raw:
        if (data.size() < size)
            return fail(error, PsdText::Translate(QStringLiteral("未压缩的通道数据不足（缺 %1 字节）")).arg(size - data.size()));
        std::memcpy(out, in, size_t(size));
        return true;
    case Compression::Rle: {
        const int countSize = version == 2 ? 4 : 2;
        const qint64 countBytes = qint64(countSize) * height;
        if (data.size() < countBytes)
            return fail(error, PsdText::Translate(QStringLiteral("RLE 行长度表不完整")));
        return unpackRows(in, countSize, in + countBytes, data.size() - countBytes, height, stride, out, error);
    }
    case Compression::Zip:
    case Compression::ZipPrediction:
        if (!inflateExactly(data, out, size, error))
            return false;
        if (compression == Compression::ZipPrediction)
            undoPrediction(out, width, height, depth);
        return true;
    }
    return fail(error, PsdText::Translate(QStringLiteral("未知的压缩方式")));
}

bool readChannel(PsdFile &psd, const ChannelInfo &channel, int width, int height, QByteArray *samples,
                 QString *error)
{
    const Document &document = psd.document();
    if (!checkedPlaneSize(width, height, document.header.depth, error))
        return false;
    const qint64 size = rowBytes(width, document.header.depth) * height;
    if (size == 0) {
        samples->clear();
        return true;
    }
    if (channel.data.length < 2)
        return fail(error, PsdText::Translate(QStringLiteral("通道 %1 没有数据")).arg(channel.id));
    if (!canHold(channel.compression, channel.data.length - 2, size, height, document.header.version))
        return fail(error, PsdText::Translate(QStringLiteral("通道 %1 的数据不足以填满 %2×%3 的图层")).arg(channel.id).arg(width).arg(height));
    // Compressed data never needs much more room than the samples themselves
    // (PackBits adds one byte in 128 plus the row counts); anything larger is
    // refused rather than read into memory.
    const qint64 length = channel.data.length - 2;
    const qint64 bound = channel.compression == Compression::Raw ? size : size + size / 64 + 8 * qint64(height) + 4096;
    if (channel.compression != Compression::Raw && length > bound)
        return fail(error, PsdText::Translate(QStringLiteral("通道 %1 的压缩数据长度异常")).arg(channel.id));
    QByteArray data;
    if (!psd.readAt(channel.data.offset + 2, std::min(length, bound), &data, error))
        return false;
    return decompress(channel.compression, data, width, height, document.header.depth, document.header.version,
                      samples, error);
}

} // namespace Psd
