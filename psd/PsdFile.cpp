#include "PsdFile.h"

#include "PsdText.h"

#include <algorithm>
#include <limits>

namespace Psd {

namespace {

// The largest width or height the format allows.
constexpr qint32 MaxPsdSide = 30000;
constexpr qint32 MaxPsbSide = 300000;
constexpr int MaxChannels = 56;
// A layer's rectangle may lie partly outside the canvas, but never absurdly far.
constexpr qint32 MaxCoordinate = 1 << 28;

// Reads big-endian values from the file, never past `limit`. After the first
// failure every read returns 0 and ok() stays false, so a parser can read a
// whole record and check once.
class Cursor
{
public:
    Cursor(QFile &file, qint64 limit) : m_file(file), m_limit(limit) { }

    bool ok() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    qint64 pos() const { return m_pos; }
    qint64 limit() const { return m_limit; }
    qint64 remaining() const { return m_limit - m_pos; }

    bool fail(const QString &message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }

    bool seek(qint64 pos)
    {
        if (!ok())
            return false;
        if (pos < 0 || pos > m_limit)
            return fail(PsdText::Translate(QStringLiteral("文件结构损坏：位置 %1 超出所在区段（%2）")).arg(pos).arg(m_limit));
        m_pos = pos;
        return true;
    }

    bool skip(qint64 count) { return count >= 0 && count <= remaining() ? seek(m_pos + count) : truncated(count); }

    QByteArray bytes(qint64 count)
    {
        if (!ok())
            return QByteArray();
        if (count < 0 || count > remaining()) {
            truncated(count);
            return QByteArray();
        }
        if (m_file.pos() != m_pos && !m_file.seek(m_pos)) {
            fail(PsdText::Translate(QStringLiteral("无法定位到文件位置 %1：%2")).arg(m_pos).arg(m_file.errorString()));
            return QByteArray();
        }
        QByteArray data = m_file.read(count);
        if (data.size() != count) {
            fail(PsdText::Translate(QStringLiteral("读取文件失败（位置 %1）：%2")).arg(m_pos).arg(m_file.errorString()));
            return QByteArray();
        }
        m_pos += count;
        return data;
    }

    quint64 unsignedValue(int size)
    {
        const QByteArray data = bytes(size);
        quint64 value = 0;
        for (const char c : data)
            value = (value << 8) | quint8(c);
        return value;
    }
    quint8 u8() { return quint8(unsignedValue(1)); }
    quint16 u16() { return quint16(unsignedValue(2)); }
    quint32 u32() { return quint32(unsignedValue(4)); }
    qint16 i16() { return qint16(u16()); }
    qint32 i32() { return qint32(u32()); }

    // A length field of 4 or 8 bytes whose content must fit before `end`;
    // `what` names the structure (a source text of the reader's dictionary,
    // whose %1 is `key` when given).
    qint64 length(int size, qint64 end, const char16_t *what, const QByteArray &key = QByteArray())
    {
        const qint64 at = m_pos;
        const quint64 value = unsignedValue(size);
        if (!ok())
            return 0;
        if (value > quint64(std::max<qint64>(end - m_pos, 0))) {
            fail(PsdText::Translate(QStringLiteral("文件结构损坏：%1（位置 %2）的长度 %3 超出文件或所在区段的末尾"))
                         .arg(key.isEmpty() ? PsdText::Translate(QString::fromUtf16(what))
                                            : PsdText::Translate(QString::fromUtf16(what)).arg(QString::fromLatin1(key)))
                         .arg(at)
                         .arg(value));
            return 0;
        }
        return qint64(value);
    }

private:
    bool truncated(qint64 count)
    {
        return fail(PsdText::Translate(QStringLiteral("文件被截断或结构损坏：在位置 %1 需要 %2 字节，所在区段只剩 %3 字节"))
                            .arg(m_pos)
                            .arg(count)
                            .arg(remaining()));
    }

    QFile &m_file;
    qint64 m_limit;
    qint64 m_pos = 0;
    QString m_error;
};

bool isBlockSignature(const QByteArray &signature)
{
    return signature == "8BIM" || signature == "8B64";
}

LengthSection readLengthSection(Cursor &cursor, int size, qint64 end, const char16_t *what)
{
    LengthSection section;
    section.lengthOffset = cursor.pos();
    section.lengthSize = size;
    section.content.length = cursor.length(size, end, what);
    section.content.offset = cursor.pos();
    return section;
}

// Whether the bytes [at, end) are all zero: padding some writers leave after
// the last block of a section. Long runs are not taken for padding.
bool isZeroPadding(Cursor probe, qint64 at, qint64 end)
{
    constexpr qint64 MaxPadding = 1 << 16;
    if (end - at > MaxPadding || !probe.seek(at))
        return false;
    const QByteArray rest = probe.bytes(end - at);
    return probe.ok() && rest.count('\0') == rest.size();
}

// How well a block ending at `at` fits what follows it: 2 when the section
// ends there or another block starts there, 1 when only padding is left, 0
// when neither.
int followingFit(Cursor probe, qint64 at, qint64 end)
{
    if (at > end)
        return 0;
    if (at == end)
        return 2;
    if (end - at < 12)
        return 1;
    if (probe.seek(at) && isBlockSignature(probe.bytes(4)) && probe.ok())
        return 2;
    return isZeroPadding(probe, at, end) ? 1 : 0;
}

// Tagged blocks from the cursor to `end`. The length is 4 bytes, or 8 in PSB
// for the keys that have it and for "8B64" blocks, and the data is padded to
// a multiple of 4 bytes (2 for some writers, none for others). The length
// size and padding the format gives are tried first; others are taken only
// when a block signature (or the section's end) follows them and not the
// former. Unknown keys are skipped by their length.
bool readBlocks(Cursor &cursor, qint64 end, int version, QList<TaggedBlock> *blocks)
{
    while (cursor.ok() && end - cursor.pos() >= 12) {
        const qint64 start = cursor.pos();
        TaggedBlock block;
        block.signature = cursor.bytes(4);
        if (!cursor.ok())
            return false;
        if (!isBlockSignature(block.signature)) {
            if (isZeroPadding(cursor, start, end))
                break;
            return cursor.fail(PsdText::Translate(QStringLiteral("附加图层信息损坏：位置 %1 处没有块标识")).arg(start));
        }
        block.key = cursor.bytes(4);
        const qint64 lengthAt = cursor.pos();
        const int preferred = hasLongLength(block.key, version) || (version == 2 && block.signature == "8B64") ? 8 : 4;
        int bestFit = -1;
        for (const int size : {preferred, 12 - preferred}) {
            if (size == 8 && version != 2)
                continue;
            Cursor probe = cursor;
            const quint64 value = probe.unsignedValue(size);
            if (!probe.ok() || value > quint64(end - probe.pos()))
                continue;
            for (const qint64 alignment : {4, 2, 1}) {
                const qint64 padding = (alignment - qint64(value % alignment)) % alignment;
                const int fit = followingFit(probe, probe.pos() + qint64(value) + padding, end);
                if (fit > bestFit) {
                    bestFit = fit;
                    block.lengthSize = size;
                    block.data = {lengthAt + size, qint64(value)};
                    block.block = {start, block.data.end() + padding - start};
                }
                if (fit == 2)
                    break;
            }
            if (bestFit == 2)
                break;
        }
        if (bestFit < 0) {
            // No length size fits: report the one the format gives.
            cursor.length(preferred, end, u"附加图层信息块“%1”", block.key);
            return cursor.fail(PsdText::Translate(QStringLiteral("附加图层信息损坏：位置 %1 处没有块标识")).arg(start));
        }
        if (bestFit == 0) {
            const qint64 expected = std::min(block.data.end() + (4 - block.data.length % 4) % 4, end);
            return cursor.fail(PsdText::Translate(QStringLiteral("附加图层信息损坏：位置 %1 处没有块标识")).arg(expected));
        }
        blocks->append(block);
        cursor.seek(block.block.end());
    }
    // What is left is padding: it belongs to the last block.
    if (cursor.ok() && cursor.pos() < end) {
        if (!blocks->isEmpty())
            blocks->last().block.length = end - blocks->last().block.offset;
        cursor.seek(end);
    }
    return cursor.ok();
}

QRect readRect(Cursor &cursor, bool *valid)
{
    const qint32 top = cursor.i32();
    const qint32 left = cursor.i32();
    const qint32 bottom = cursor.i32();
    const qint32 right = cursor.i32();
    const auto inRange = [](qint32 v) { return v >= -MaxCoordinate && v <= MaxCoordinate; };
    *valid = inRange(top) && inRange(left) && inRange(bottom) && inRange(right) && bottom >= top
            && right >= left && bottom - top <= MaxPsbSide && right - left <= MaxPsbSide;
    if (!*valid || bottom == top || right == left)
        return QRect();
    return QRect(left, top, right - left, bottom - top);
}

// The layer mask data of a record: the user mask and, when a vector mask is
// present too, the real user mask after the mask parameters.
bool readMaskData(Cursor &cursor, LayerRecord *layer)
{
    const qint64 length = cursor.length(4, layer->extra.end(), u"图层蒙版数据");
    layer->maskData = {cursor.pos(), length};
    const qint64 end = cursor.pos() + length;
    if (length >= 18) {
        bool valid = false;
        layer->userMask.rect = readRect(cursor, &valid);
        if (!valid)
            return cursor.fail(PsdText::Translate(QStringLiteral("图层“%1”的蒙版范围无效")).arg(QString::fromLatin1(layer->pascalName)));
        layer->userMask.defaultColor = cursor.u8();
        layer->userMask.flags = cursor.u8();
        layer->userMask.present = true;
        if ((layer->userMask.flags & 0x10) && cursor.pos() < end) {
            const quint8 parameters = cursor.u8();
            const qint64 parameterBytes = ((parameters & 1) ? 1 : 0) + ((parameters & 2) ? 8 : 0)
                    + ((parameters & 4) ? 1 : 0) + ((parameters & 8) ? 8 : 0);
            if (parameterBytes <= end - cursor.pos())
                cursor.skip(parameterBytes);
        }
        if (length != 20 && end - cursor.pos() >= 18) {
            layer->realUserMask.flags = cursor.u8();
            layer->realUserMask.defaultColor = cursor.u8();
            layer->realUserMask.rect = readRect(cursor, &valid);
            layer->realUserMask.present = valid;
        }
    }
    return cursor.seek(end);
}

bool readRecord(Cursor &cursor, qint64 end, int version, LayerRecord *layer)
{
    layer->record.offset = cursor.pos();
    bool valid = false;
    layer->rect = readRect(cursor, &valid);
    if (cursor.ok() && !valid)
        return cursor.fail(PsdText::Translate(QStringLiteral("图层范围无效（位置 %1）")).arg(layer->record.offset));
    const quint16 channelCount = cursor.u16();
    if (channelCount > MaxChannels)
        return cursor.fail(PsdText::Translate(QStringLiteral("图层通道数 %1 超出格式允许的上限")).arg(channelCount));
    for (quint16 index = 0; index < channelCount && cursor.ok(); ++index) {
        ChannelInfo channel;
        channel.id = cursor.i16();
        channel.lengthOffset = cursor.pos();
        // Checked against the channel data later, when its start is known.
        channel.data.length = qint64(cursor.unsignedValue(version == 2 ? 8 : 4) & 0x7fffffffffffffffULL);
        layer->channels.append(channel);
    }
    if (cursor.bytes(4) != "8BIM" && cursor.ok())
        return cursor.fail(PsdText::Translate(QStringLiteral("图层记录损坏：混合模式标识不符（位置 %1）")).arg(cursor.pos() - 4));
    layer->blendMode = cursor.bytes(4);
    layer->opacity = cursor.u8();
    layer->clipping = cursor.u8();
    layer->flags = cursor.u8();
    cursor.skip(1);
    layer->extra.length = cursor.length(4, end, u"图层附加数据");
    layer->extra.offset = cursor.pos();
    if (!cursor.ok())
        return false;

    if (!readMaskData(cursor, layer))
        return false;
    layer->blendingRanges.length = cursor.length(4, layer->extra.end(), u"混合范围");
    layer->blendingRanges.offset = cursor.pos();
    cursor.skip(layer->blendingRanges.length);
    const qint64 nameStart = cursor.pos();
    const quint8 nameLength = cursor.u8();
    layer->pascalName = cursor.bytes(nameLength);
    // The Pascal name is padded to a multiple of 4 bytes, length byte included.
    const qint64 nameEnd = nameStart + (qint64(nameLength) + 1 + 3) / 4 * 4;
    cursor.seek(std::min(nameEnd, layer->extra.end()));
    if (!readBlocks(cursor, layer->extra.end(), version, &layer->blocks))
        return false;
    cursor.seek(layer->extra.end());
    layer->record.length = cursor.pos() - layer->record.offset;

    layer->name = QString::fromLocal8Bit(layer->pascalName);
    for (const TaggedBlock &block : std::as_const(layer->blocks)) {
        if (block.key == "luni" && block.data.length >= 4) {
            Cursor unicode = cursor;
            unicode.seek(block.data.offset);
            const quint32 count = unicode.u32();
            if (qint64(count) * 2 <= block.data.length - 4) {
                const QByteArray text = unicode.bytes(qint64(count) * 2);
                QString name;
                name.reserve(qsizetype(count));
                for (qsizetype index = 0; index + 1 < text.size(); index += 2)
                    name.append(QChar(char16_t((quint8(text[index]) << 8) | quint8(text[index + 1]))));
                while (name.endsWith(QChar(u'\0')))
                    name.chop(1);
                if (unicode.ok())
                    layer->name = name;
            }
        } else if ((block.key == "lsct" || block.key == "lsdk") && block.data.length >= 4) {
            Cursor divider = cursor;
            divider.seek(block.data.offset);
            const quint32 type = divider.u32();
            if (divider.ok() && type <= 3)
                layer->sectionType = SectionType(type);
        }
    }
    return cursor.ok();
}

// Layer count, records and channel image data, from the cursor to `end`.
bool readLayerList(Cursor &cursor, qint64 end, int version, LayerList *list)
{
    list->channelImageData = {cursor.pos(), 0};
    if (end - cursor.pos() < 2)
        return cursor.seek(end);
    list->storedCount = cursor.i16();
    const int count = std::abs(int(list->storedCount));
    // The smallest record has 34 bytes (PSD) or 38 (PSB); a count that cannot fit is refused before any record is read.
    if (qint64(count) * 34 > end - cursor.pos())
        return cursor.fail(PsdText::Translate(QStringLiteral("图层数量 %1 与图层信息的长度不符")).arg(count));
    list->layers.reserve(count);
    for (int index = 0; index < count && cursor.ok(); ++index) {
        LayerRecord layer;
        if (!readRecord(cursor, end, version, &layer))
            return false;
        list->layers.append(std::move(layer));
    }

    list->channelImageData.offset = cursor.pos();
    for (LayerRecord &layer : list->layers) {
        for (ChannelInfo &channel : layer.channels) {
            channel.data.offset = cursor.pos();
            if (channel.data.length > end - cursor.pos())
                return cursor.fail(PsdText::Translate(QStringLiteral("图层“%1”的通道数据超出图层信息的末尾")).arg(layer.name));
            if (channel.data.length >= 2) {
                const quint16 compression = cursor.u16();
                if (compression > 3)
                    return cursor.fail(PsdText::Translate(QStringLiteral("图层“%1”使用了未知的压缩方式 %2")).arg(layer.name).arg(compression));
                channel.compression = Compression(compression);
            }
            cursor.seek(channel.data.end());
        }
    }
    list->channelImageData.length = cursor.pos() - list->channelImageData.offset;

    // Group paths: the stored order runs bottom to top, and a group's record
    // lies above its members, its end marker below them.
    QStringList stack;
    for (qsizetype index = list->layers.size() - 1; index >= 0; --index) {
        LayerRecord &layer = list->layers[index];
        switch (layer.sectionType) {
        case SectionType::OpenFolder:
        case SectionType::ClosedFolder:
            layer.groupPath = stack;
            stack.append(layer.name);
            break;
        case SectionType::GroupEnd:
            if (!stack.isEmpty())
                stack.removeLast();
            layer.groupPath = stack;
            break;
        case SectionType::None:
            layer.groupPath = stack;
            break;
        }
    }
    return cursor.ok();
}

bool readHeader(Cursor &cursor, Header *header)
{
    if (cursor.bytes(4) != "8BPS")
        return cursor.fail(PsdText::Translate(QStringLiteral("不是 PSD/PSB 文件（文件头标识不符）")));
    header->version = cursor.u16();
    if (header->version != 1 && header->version != 2)
        return cursor.fail(PsdText::Translate(QStringLiteral("不支持的 PSD 版本 %1")).arg(header->version));
    cursor.skip(6);
    header->channels = cursor.u16();
    header->height = cursor.i32();
    header->width = cursor.i32();
    header->depth = cursor.u16();
    const quint16 mode = cursor.u16();
    if (!cursor.ok())
        return false;
    const qint32 maxSide = header->isPsb() ? MaxPsbSide : MaxPsdSide;
    if (header->channels < 1 || header->channels > MaxChannels)
        return cursor.fail(PsdText::Translate(QStringLiteral("通道数 %1 无效")).arg(header->channels));
    if (header->width < 1 || header->height < 1 || header->width > maxSide || header->height > maxSide)
        return cursor.fail(PsdText::Translate(QStringLiteral("画布尺寸 %1×%2 无效")).arg(header->width).arg(header->height));
    if (header->depth != 1 && header->depth != 8 && header->depth != 16 && header->depth != 32)
        return cursor.fail(PsdText::Translate(QStringLiteral("位深 %1 无效")).arg(header->depth));
    switch (mode) {
    case 0: case 1: case 2: case 3: case 4: case 7: case 8: case 9:
        header->colorMode = ColorMode(mode);
        return true;
    default:
        return cursor.fail(PsdText::Translate(QStringLiteral("未知的颜色模式 %1")).arg(mode));
    }
}

bool readResources(Cursor &cursor, const LengthSection &section, QList<ImageResource> *resources)
{
    const qint64 end = section.content.end();
    while (cursor.ok() && end - cursor.pos() >= 12) {
        ImageResource resource;
        resource.block.offset = cursor.pos();
        resource.signature = cursor.bytes(4);
        resource.id = cursor.u16();
        const quint8 nameLength = cursor.u8();
        resource.name = cursor.bytes(nameLength);
        if (nameLength % 2 == 0) // the name, length byte included, is padded to an even size
            cursor.skip(1);
        resource.data.length = cursor.length(4, end, u"图像资源");
        resource.data.offset = cursor.pos();
        cursor.skip(std::min(resource.data.length + (resource.data.length & 1), end - cursor.pos()));
        resource.block.length = cursor.pos() - resource.block.offset;
        if (!cursor.ok())
            return false;
        resources->append(resource);
    }
    return cursor.seek(end);
}

// The longest child-document ID looked for at the end of a linked-file record.
constexpr int MaxChildIdChars = 4096;

quint64 readBigEndian(const QByteArray &bytes, qsizetype at, int size)
{
    quint64 value = 0;
    for (int index = 0; index < size; ++index)
        value = (value << 8) | quint8(bytes.at(at + index));
    return value;
}

// Where an embedded document starts: the descriptor before it has no length
// of its own, so the position is worked out from the record's end instead,
// where only the child-document ID (4-byte count, UTF-16) and fixed fields
// follow the file. The document must start with a PSD/PSB signature there.
qint64 locateEmbeddedFile(PsdFile &psd, const LinkedFile &record, quint32 version, qint64 fileLength,
                          QString *error)
{
    const qint64 firstPossible = record.fileLengthField + 8 + 1;
    const auto isDocumentAt = [&](qint64 at) {
        QByteArray head;
        if (at < firstPossible || !psd.readAt(at, 6, &head, error))
            return false;
        const quint64 fileVersion = readBigEndian(head, 4, 2);
        return head.startsWith("8BPS") && (fileVersion == 1 || fileVersion == 2);
    };
    if (version < 5) {
        const qint64 at = record.end() - fileLength;
        return isDocumentAt(at) ? at : -1;
    }
    const qint64 fixed = 4 + (version >= 6 ? 8 : 0) + (version >= 7 ? 1 : 0);
    const qint64 tailLength = qMin(record.length, fixed + 2 * MaxChildIdChars);
    QByteArray tail;
    if (!psd.readAt(record.end() - tailLength, tailLength, &tail, error))
        return -1;
    for (qint64 chars = 0; fixed + 2 * chars <= tailLength; ++chars) {
        const qint64 trailer = fixed + 2 * chars;
        const qint64 at = record.end() - trailer - fileLength;
        if (at < firstPossible)
            break;
        if (readBigEndian(tail, qsizetype(tailLength - trailer), 4) == quint64(chars) && isDocumentAt(at))
            return at;
    }
    return -1;
}

bool readLinkedFilesInto(PsdFile &psd, const TaggedBlock &block, QList<LinkedFile> *records, QString *error)
{
    const qint64 end = block.data.end();
    qint64 at = block.data.offset;
    while (end - at >= 8) {
        LinkedFile record;
        record.start = at;
        QByteArray field;
        if (!psd.readAt(at, 8, &field, error))
            return false;
        record.length = qint64(readBigEndian(field, 0, 8));
        if (record.length < 0 || record.length > end - at - 8) {
            *error = PsdText::Translate(QStringLiteral("链接文件记录损坏（位置 %1，长度 %2）")).arg(at).arg(record.length);
            return false;
        }
        record.next = qMin(end, record.end() + (4 - record.length % 4) % 4);

        QByteArray head;
        if (!psd.readAt(at + 8, qMin<qint64>(record.length, 4 + 4 + 256 + 4 + 2 * 0xffff + 8 + 8), &head, error))
            return false;
        record.type = head.left(4);
        if (head.startsWith("liFD") && head.size() >= 8) {
            const quint32 version = quint32(readBigEndian(head, 4, 4));
            qsizetype p = 8;
            const auto fits = [&](qsizetype count) { return p + count <= head.size(); };
            bool ok = fits(1);
            if (ok) {
                p += 1 + quint8(head.at(p)); // ID
                ok = fits(4);
            }
            if (ok) {
                p += 4 + 2 * qsizetype(readBigEndian(head, p, 4)); // original file name
                ok = fits(8 + 8);
            }
            if (ok) {
                p += 8; // file type and creator
                record.fileLengthField = at + 8 + p;
                const qint64 fileLength = qint64(readBigEndian(head, p, 8));
                QString ignored; // a record whose file is not a document is kept as it is
                const qint64 fileStart = fileLength > 0 && fileLength <= record.length
                        ? locateEmbeddedFile(psd, record, version, fileLength, &ignored)
                        : -1;
                if (fileStart > 0) {
                    record.embeddedDocument = true;
                    record.file = Span{fileStart, fileLength};
                }
            }
        }
        records->append(record);
        at = record.next;
    }
    return true;
}

} // namespace

const ChannelInfo *LayerRecord::channel(qint16 id) const
{
    for (const ChannelInfo &info : channels) {
        if (info.id == id)
            return &info;
    }
    return nullptr;
}

const TaggedBlock *LayerRecord::block(const char *key) const
{
    for (const TaggedBlock &info : blocks) {
        if (info.key == key)
            return &info;
    }
    return nullptr;
}

const ImageResource *Document::resource(quint16 id) const
{
    for (const ImageResource &info : resources) {
        if (info.id == id && info.signature == "8BIM")
            return &info;
    }
    return nullptr;
}

const TaggedBlock *Document::globalBlock(const char *key) const
{
    for (const TaggedBlock &info : globalBlocks) {
        if (info.key == key)
            return &info;
    }
    return nullptr;
}

bool hasLongLength(const QByteArray &key, int version)
{
    if (version != 2)
        return false;
    static const char *const keys[] = {"LMsk", "Lr16", "Lr32", "Layr", "Mt16", "Mt32", "Mtrn",
                                       "Alph", "FMsk", "lnk2", "FEid", "FXid", "PxSD"};
    for (const char *candidate : keys) {
        if (key == candidate)
            return true;
    }
    return false;
}

bool isLinkedFileKey(const QByteArray &key)
{
    return key == "lnk2" || key == "lnk3" || key == "lnkD" || key == "lnkE";
}

bool readLinkedFiles(PsdFile &psd, const TaggedBlock &block, QList<LinkedFile> *files, QString *error)
{
    files->clear();
    return readLinkedFilesInto(psd, block, files, error);
}

bool PsdFile::open(const QString &path, QString *error)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        *error = PsdText::Translate(QStringLiteral("无法打开文件：%1")).arg(m_file.errorString());
        return false;
    }
    Document document;
    document.fileSize = m_file.size();
    Cursor cursor(m_file, document.fileSize);

    const auto failed = [&] {
        *error = cursor.error();
        close();
        return false;
    };

    if (!readHeader(cursor, &document.header))
        return failed();
    const int version = document.header.version;
    const int longSize = version == 2 ? 8 : 4;

    document.colorModeData = readLengthSection(cursor, 4, document.fileSize, u"颜色模式数据");
    cursor.skip(document.colorModeData.content.length);
    document.imageResources = readLengthSection(cursor, 4, document.fileSize, u"图像资源区");
    if (!readResources(cursor, document.imageResources, &document.resources))
        return failed();

    document.layerAndMask = readLengthSection(cursor, longSize, document.fileSize, u"图层与蒙版信息");
    const qint64 layerAndMaskEnd = document.layerAndMask.content.end();
    if (!cursor.ok())
        return failed();
    if (document.layerAndMask.content.length > 0) {
        document.layerInfo = readLengthSection(cursor, longSize, layerAndMaskEnd, u"图层信息");
        document.layers.section = document.layerInfo;
        if (!readLayerList(cursor, document.layerInfo.content.end(), version, &document.layers))
            return failed();
        cursor.seek(document.layerInfo.content.end());
        if (layerAndMaskEnd - cursor.pos() >= 4) {
            document.globalMask = readLengthSection(cursor, 4, layerAndMaskEnd, u"全局蒙版信息");
            cursor.skip(document.globalMask.content.length);
        } else {
            document.globalMask = {cursor.pos(), 0, {cursor.pos(), 0}};
        }
        if (!readBlocks(cursor, layerAndMaskEnd, version, &document.globalBlocks))
            return failed();
        // 16- and 32-bit documents keep their layers in a block of their own.
        if (document.layers.layers.isEmpty()) {
            for (const char *key : {"Lr16", "Lr32", "Layr"}) {
                const TaggedBlock *block = document.globalBlock(key);
                if (!block)
                    continue;
                LayerList list;
                list.holderKey = block->key;
                list.section = {block->data.offset - block->lengthSize, block->lengthSize, block->data};
                cursor.seek(block->data.offset);
                if (!readLayerList(cursor, block->data.end(), version, &list))
                    return failed();
                document.layers = std::move(list);
                break;
            }
        }
    }
    cursor.seek(layerAndMaskEnd);
    document.mergedImage = {cursor.pos(), document.fileSize - cursor.pos()};
    if (document.mergedImage.length >= 2) {
        const quint16 compression = cursor.u16();
        if (compression > 3) {
            cursor.fail(PsdText::Translate(QStringLiteral("合并图像使用了未知的压缩方式 %1")).arg(compression));
            return failed();
        }
        document.mergedCompression = Compression(compression);
    }
    if (!cursor.ok())
        return failed();
    m_document = std::move(document);
    return true;
}

void PsdFile::close()
{
    m_file.close();
    m_document = Document();
}

bool PsdFile::readAt(qint64 offset, qint64 length, QByteArray *bytes, QString *error)
{
    Cursor cursor(m_file, m_document.fileSize);
    cursor.seek(offset);
    *bytes = cursor.bytes(length);
    if (!cursor.ok()) {
        *error = cursor.error();
        return false;
    }
    return true;
}

} // namespace Psd
