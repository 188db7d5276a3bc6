#include "ImageCodecs.h"
#include "HelperText.h"

#include <QtEndian>

#include <gif_lib.h>

#include <cstring>

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
    std::vector<GifPixelType> line(size_t(qMax(1, int(gif->SWidth))));
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
            const int width = gif->Image.Width;
            if (size_t(width) > line.size())
                line.resize(size_t(width));
            for (int y = 0; y < gif->Image.Height; ++y) {
                if (DGifGetLine(gif, line.data(), width) != GIF_OK) {
                    damage = gifReason(gif->Error);
                    break;
                }
            }
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
