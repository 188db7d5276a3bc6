#include "ImageCodecs.h"
#include "HelperText.h"

#include <QtEndian>

#include <gif_lib.h>

#include <cstring>
#include <vector>

// Qt's BMP and GIF readers fill what is missing (transparent rows, the last
// colour) and report success; these checks find data that ends early before
// the picture is decoded.

namespace ImageCodecs {

namespace {

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 le16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

struct GifMemory
{
    const QByteArray *bytes;
    qsizetype position;
};

int readFromMemory(GifFileType *gif, GifByteType *data, int length)
{
    auto *memory = static_cast<GifMemory *>(gif->UserData);
    const qsizetype available = memory->bytes->size() - memory->position;
    const int count = int(qMin<qsizetype>(length, available));
    std::memcpy(data, memory->bytes->constData() + memory->position, size_t(count));
    memory->position += count;
    return count;
}

QString gifReason(int code)
{
    const char *text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : HelperText::translate(QStringLiteral("giflib 错误 %1")).arg(code);
}

// Walks a frame's LZW codes as a decoder would, counting pixels rather than
// making them, and names the first thing that is wrong: giflib passes codes
// beyond the table, and Qt's reader fills what is missing, so neither tells.
QString lzwDamage(const QByteArray &data, int minCodeSize, qint64 expected)
{
    if (minCodeSize < 1 || minCodeSize > 11)
        return HelperText::translate(QStringLiteral("LZW 最小码长无效：%1")).arg(minCodeSize);
    constexpr int TableSize = 4096;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    std::vector<qint32> lengths(TableSize, 1);
    int size = minCodeSize + 1;
    int next = clear + 2;
    int previous = -1;
    qint64 pixels = 0;
    qint64 bit = 0;
    const qint64 bits = qint64(data.size()) * 8;
    while (pixels < expected) {
        if (bit + size > bits)
            return HelperText::translate(QStringLiteral("LZW 数据提前结束，%1 个像素中只写入了 %2 个"))
                    .arg(expected)
                    .arg(pixels);
        int code = 0;
        for (int i = 0; i < size; ++i, ++bit)
            code |= ((uchar(data.at(bit >> 3)) >> (bit & 7)) & 1) << i;
        if (code == clear) {
            size = minCodeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end)
            return HelperText::translate(QStringLiteral("LZW 数据提前结束，%1 个像素中只写入了 %2 个"))
                    .arg(expected)
                    .arg(pixels);
        if (previous < 0) {
            if (code > clear)
                return HelperText::translate(QStringLiteral("无效的 LZW 编码 %1")).arg(code);
            pixels += 1;
            previous = code;
            continue;
        }
        if (code > next || (code == next && next >= TableSize))
            return HelperText::translate(QStringLiteral("无效的 LZW 编码 %1")).arg(code);
        const qint32 length = code == next ? lengths[size_t(previous)] + 1 : lengths[size_t(code)];
        pixels += length;
        if (next < TableSize) {
            lengths[size_t(next)] = lengths[size_t(previous)] + 1;
            ++next;
            if (next == (1 << size) && size < 12)
                ++size;
        }
        previous = code;
    }
    return QString();
}

} // namespace

bool checkBmpComplete(const QByteArray &bytes, QString *error)
{
    // File header (14 bytes), then at least the 12-byte core header.
    if (bytes.size() < 26) {
        *error = HelperText::translate(QStringLiteral("BMP 文件头不完整"));
        return false;
    }
    const quint32 pixelOffset = le32(bytes, 10);
    const quint32 headerSize = le32(bytes, 14);
    qint64 width = 0;
    qint64 height = 0;
    quint32 bitCount = 0;
    quint32 compression = 0; // BI_RGB
    quint32 imageSize = 0;
    if (headerSize == 12) {
        width = le16(bytes, 18);
        height = le16(bytes, 20);
        bitCount = le16(bytes, 24);
    } else {
        if (bytes.size() < 14 + 24) {
            *error = HelperText::translate(QStringLiteral("BMP 信息头不完整"));
            return false;
        }
        width = qint32(le32(bytes, 18));
        height = qint32(le32(bytes, 22));
        bitCount = le16(bytes, 28);
        compression = le32(bytes, 30);
        imageSize = le32(bytes, 34);
    }
    if (pixelOffset > quint32(bytes.size())) {
        *error = HelperText::translate(QStringLiteral("像素数据起点 %1 超出文件长度 %2 字节")).arg(pixelOffset).arg(bytes.size());
        return false;
    }
    const qint64 available = bytes.size() - qint64(pixelOffset);
    qint64 needed = 0;
    if (compression == 0 || compression == 3 || compression == 6) { // BI_RGB, BI_BITFIELDS, BI_ALPHABITFIELDS
        const qint64 stride = (qAbs(width) * bitCount + 31) / 32 * 4;
        needed = stride * qAbs(height);
    } else {
        // Run-length and embedded formats have no fixed size; the header's own count is all there is.
        needed = imageSize;
    }
    if (available < needed) {
        *error = HelperText::translate(QStringLiteral("像素数据只有 %1 字节，应有 %2 字节")).arg(available).arg(needed);
        return false;
    }
    return true;
}

bool checkGifComplete(const QByteArray &bytes, QString *error, QString *warning)
{
    GifMemory memory{&bytes, 0};
    int code = 0;
    GifFileType *gif = DGifOpen(&memory, readFromMemory, &code);
    if (!gif) {
        *error = gifReason(code);
        return false;
    }
    int framesDone = 0;
    QString damage;
    for (bool more = true; more && damage.isEmpty();) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) != GIF_OK) {
            damage = gifReason(gif->Error);
            break;
        }
        switch (type) {
        case IMAGE_DESC_RECORD_TYPE: {
            if (DGifGetImageDesc(gif) != GIF_OK) {
                damage = gifReason(gif->Error);
                break;
            }
            // The frame's data sub-blocks, joined, for the LZW walk.
            int codeSize = 0;
            GifByteType *block = nullptr;
            QByteArray data;
            if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) {
                damage = gifReason(gif->Error);
                break;
            }
            while (block) {
                data.append(reinterpret_cast<const char *>(block + 1), block[0]);
                if (DGifGetCodeNext(gif, &block) != GIF_OK) {
                    damage = gifReason(gif->Error);
                    break;
                }
            }
            if (damage.isEmpty())
                damage = lzwDamage(data, codeSize, qint64(gif->Image.Width) * gif->Image.Height);
            if (damage.isEmpty())
                ++framesDone;
            break;
        }
        case EXTENSION_RECORD_TYPE: {
            int extensionCode = 0;
            GifByteType *extension = nullptr;
            if (DGifGetExtension(gif, &extensionCode, &extension) != GIF_OK) {
                damage = gifReason(gif->Error);
                break;
            }
            while (extension) {
                if (DGifGetExtensionNext(gif, &extension) != GIF_OK) {
                    damage = gifReason(gif->Error);
                    break;
                }
            }
            break;
        }
        case TERMINATE_RECORD_TYPE:
            more = false;
            break;
        default:
            break;
        }
    }
    DGifCloseFile(gif, &code);

    if (damage.isEmpty())
        return true;
    if (framesDone == 0) {
        *error = damage;
        return false;
    }
    // Only the first frame is padded; damage after it loses none of its pixels.
    *warning = HelperText::translate(QStringLiteral("第 %1 帧起的数据不完整（%2），只使用完整的第 1 帧")).arg(framesDone + 1).arg(damage);
    return true;
}

} // namespace ImageCodecs
