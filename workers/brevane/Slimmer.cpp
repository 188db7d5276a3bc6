#include "Slimmer.h"

#include "PsdFile.h"
#include "SafeFile.h"
#include "WorkerText.h"
#include "XmpAncestors.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>

#include <exception>
#include <memory>
#include <new>

namespace {

using Psd::Span;

constexpr quint16 XmpResource = 1060;
// Embedded documents inside embedded documents: deeper than this is not a
// document anyone made by hand, and the recursion must end somewhere.
constexpr int MaxDepth = 8;
// An XMP packet is read whole; beyond this it is not metadata any more.
constexpr qint64 MaxXmpBytes = Q_INT64_C(1) << 30;
constexpr qint64 ChunkBytes = Q_INT64_C(1) << 20;
// A copy needs room for itself plus the file system's own bookkeeping.
constexpr qint64 SpaceMargin = Q_INT64_C(16) << 20;

QByteArray bigEndian(quint64 value, int size)
{
    QByteArray bytes(size, '\0');
    for (int index = size - 1; index >= 0; --index) {
        bytes[index] = char(value & 0xff);
        value >>= 8;
    }
    return bytes;
}

qint64 padding4(qint64 length)
{
    return (4 - length % 4) % 4;
}

// How far a file is, across the passes over it.
class Meter
{
public:
    Meter(const std::function<void(double)> &report, qint64 total) : m_report(report), m_total(qMax<qint64>(total, 1)) { }
    void add(qint64 bytes)
    {
        m_done += bytes;
        if (m_report && m_done - m_reported >= m_total / 200) {
            m_reported = m_done;
            m_report(qMin(1.0, double(m_done) / double(m_total)));
        }
    }
    void setTotal(qint64 total) { m_total = qMax<qint64>(total, 1); }

private:
    const std::function<void(double)> &m_report;
    qint64 m_total;
    qint64 m_done = 0;
    qint64 m_reported = 0;
};

// A short write is retried, so that a full disk shows as the error it is.
bool writeFully(QIODevice &out, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = out.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

bool streamRange(QFile &from, qint64 offset, qint64 length, const std::function<bool(const QByteArray &)> &sink,
                 Meter &meter, QString *error)
{
    if (length <= 0)
        return true;
    if (!from.seek(offset)) {
        *error = WorkerText::Translate(QStringLiteral("无法在 %1 中定位：%2")).arg(from.fileName(), from.errorString());
        return false;
    }
    QByteArray buffer;
    while (length > 0) {
        const qint64 chunk = qMin(length, ChunkBytes);
        buffer.resize(qsizetype(chunk));
        if (from.read(buffer.data(), chunk) != chunk) {
            *error = WorkerText::Translate(QStringLiteral("读取 %1 失败：%2")).arg(from.fileName(), from.errorString());
            return false;
        }
        if (!sink(buffer))
            return false;
        length -= chunk;
        meter.add(chunk);
    }
    return true;
}

// Copies an embedded document out into a temporary file, so that the reader
// can open it like any other.
std::shared_ptr<QTemporaryFile> extract(Psd::PsdFile &psd, const Span &span, Meter &meter, QString *error)
{
    auto file = std::make_shared<QTemporaryFile>(QDir(QDir::tempPath()).filePath(QStringLiteral("brevane-embedded-XXXXXX.psd")));
    if (!file->open()) {
        *error = WorkerText::Translate(QStringLiteral("无法为嵌入文档创建临时文件：%1")).arg(file->errorString());
        return nullptr;
    }
    const bool copied = streamRange(
            psd.file(), span.offset, span.length,
            [&](const QByteArray &chunk) {
                if (writeFully(*file, chunk))
                    return true;
                *error = WorkerText::Translate(QStringLiteral("无法写入嵌入文档的临时文件：%1"))
                                 .arg(file->errorString());
                return false;
            },
            meter, error);
    if (!copied || !file->flush())
        return nullptr;
    return file;
}

struct Plan;

// One run of output bytes: copied from the plan's source, given, or a
// slimmed embedded document.
struct Piece
{
    enum class Kind { Copy, Bytes, Nested };
    Kind kind = Kind::Copy;
    qint64 offset = 0;
    qint64 length = 0;
    QByteArray bytes;
    std::shared_ptr<Plan> nested;

    static Piece copy(qint64 offset, qint64 length) { return Piece{Kind::Copy, offset, length, {}, {}}; }
    static Piece given(const QByteArray &bytes) { return Piece{Kind::Bytes, 0, bytes.size(), bytes, {}}; }
    static Piece document(const std::shared_ptr<Plan> &plan);
};

// How to write a slimmed document: every output byte, in order.
struct Plan
{
    QString sourcePath;
    std::shared_ptr<QTemporaryFile> extracted; // the source, when it is an embedded document
    QList<Piece> pieces;
    qint64 size = 0;
    qint64 ancestors = 0;
    qint64 ancestorBytes = 0;
    int embeddedDocuments = 0;
    bool xmpCut = false; // this document's own XMP lost its list
    bool changed = false;
};

Piece Piece::document(const std::shared_ptr<Plan> &plan)
{
    return Piece{Kind::Nested, 0, plan->size, {}, plan};
}

// Bytes [offset, offset + length) of the source replaced by pieces.
struct Edit
{
    qint64 offset = 0;
    qint64 length = 0;
    QList<Piece> pieces;
    qint64 newLength() const
    {
        qint64 total = 0;
        for (const Piece &piece : pieces)
            total += piece.length;
        return total;
    }
};

bool planDocument(const QString &path, bool deep, int depth, Plan *plan, Meter &meter, QString *error);

// The XMP resource without its ancestor lists; no edit when it has none.
bool planXmp(Psd::PsdFile &psd, Plan *plan, QList<Edit> *edits, QString *error)
{
    const Psd::ImageResource *xmp = psd.document().resource(XmpResource);
    if (!xmp || xmp->data.length == 0)
        return true;
    if (xmp->data.length > MaxXmpBytes) {
        *error = WorkerText::Translate(QStringLiteral("XMP 元数据过大，无法读取（%1 字节）")).arg(xmp->data.length);
        return false;
    }
    QByteArray packet;
    if (!psd.readAt(xmp->data.offset, xmp->data.length, &packet, error))
        return false;
    const XmpAncestors::Found found = XmpAncestors::find(packet);
    if (found.cuts.isEmpty())
        return true;
    if (!XmpAncestors::isClean(XmpAncestors::without(packet, found.cuts), error)) {
        *error = WorkerText::Translate(QStringLiteral("无法移除文档祖先记录：%1")).arg(*error);
        return false;
    }
    packet.clear();

    const qint64 newLength = xmp->data.length - found.bytes;
    Edit edit{xmp->block.offset, xmp->block.length, {}};
    const qint64 sizeField = xmp->data.offset - 4;
    edit.pieces << Piece::copy(xmp->block.offset, sizeField - xmp->block.offset)
                << Piece::given(bigEndian(quint64(newLength), 4));
    qint64 kept = 0;
    for (const XmpAncestors::Cut &cut : found.cuts) {
        edit.pieces << Piece::copy(xmp->data.offset + kept, cut.offset - kept);
        kept = cut.offset + cut.length;
    }
    edit.pieces << Piece::copy(xmp->data.offset + kept, xmp->data.length - kept);
    if (newLength % 2)
        edit.pieces << Piece::given(QByteArray(1, '\0'));
    edits->append(edit);
    plan->ancestors += found.entries;
    plan->ancestorBytes += found.bytes;
    plan->xmpCut = true;
    return true;
}

// Linked-file blocks whose embedded documents had something to remove,
// rebuilt around the slimmed documents with every length that holds them.
bool planLinkedFiles(Psd::PsdFile &psd, bool deep, int depth, Plan *plan, QList<Edit> *edits, Meter &meter,
                     QString *error)
{
    const Psd::Document &document = psd.document();
    for (const Psd::TaggedBlock &block : document.globalBlocks) {
        if (!Psd::isLinkedFileKey(block.key))
            continue;
        QList<Psd::LinkedFile> records;
        if (!Psd::readLinkedFiles(psd, block, &records, error))
            return false;
        QList<Piece> pieces;
        qint64 dataLength = 0;
        bool changed = false;
        for (const Psd::LinkedFile &record : records) {
            std::shared_ptr<Plan> nested;
            if (record.embeddedDocument) {
                nested = std::make_shared<Plan>();
                QString ignored; // an embedded document we cannot read is kept as it is
                nested->extracted = extract(psd, record.file, meter, error);
                if (!nested->extracted)
                    return false;
                if (!planDocument(nested->extracted->fileName(), deep, depth + 1, nested.get(), meter, &ignored)
                    || !nested->changed)
                    nested.reset();
            }
            if (!nested) {
                pieces << Piece::copy(record.start, record.next - record.start);
                dataLength += record.next - record.start;
                continue;
            }
            changed = true;
            plan->ancestors += nested->ancestors;
            plan->ancestorBytes += nested->ancestorBytes;
            plan->embeddedDocuments += 1 + nested->embeddedDocuments;
            const qint64 length = record.length - record.file.length + nested->size;
            const qint64 afterField = record.fileLengthField + 8;
            pieces << Piece::given(bigEndian(quint64(length), 8))
                   << Piece::copy(record.start + 8, record.fileLengthField - record.start - 8)
                   << Piece::given(bigEndian(quint64(nested->size), 8))
                   << Piece::copy(afterField, record.file.offset - afterField) << Piece::document(nested)
                   << Piece::copy(record.file.end(), record.end() - record.file.end())
                   << Piece::given(QByteArray(int(padding4(length)), '\0'));
            dataLength += 8 + length + padding4(length);
        }
        if (!changed)
            continue;
        const qint64 recordsEnd = records.isEmpty() ? block.data.offset : records.last().next;
        pieces << Piece::copy(recordsEnd, block.data.end() - recordsEnd);
        dataLength += block.data.end() - recordsEnd;
        const qint64 padded = dataLength + padding4(dataLength);
        Edit edit{block.block.offset, block.block.length, {}};
        const qint64 header = block.data.offset - block.lengthSize - block.block.offset;
        edit.pieces << Piece::copy(block.block.offset, header)
                    << Piece::given(bigEndian(quint64(padded), block.lengthSize)) << pieces
                    << Piece::given(QByteArray(int(padded - dataLength), '\0'))
                    << Piece::copy(block.data.end(), block.block.end() - block.data.end());
        edits->append(edit);
    }
    return true;
}

// A section's length field rewritten for the edits inside the section.
void fixSectionLength(const Psd::LengthSection &section, QList<Edit> *edits)
{
    qint64 delta = 0;
    for (const Edit &edit : std::as_const(*edits)) {
        if (edit.offset >= section.content.offset && edit.offset + edit.length <= section.content.end())
            delta += edit.newLength() - edit.length;
    }
    if (delta != 0) {
        edits->append(Edit{section.lengthOffset, section.lengthSize,
                           {Piece::given(bigEndian(quint64(section.content.length + delta), section.lengthSize))}});
    }
}

bool planDocument(const QString &path, bool deep, int depth, Plan *plan, Meter &meter, QString *error)
{
    Psd::PsdFile psd;
    if (!psd.open(path, error)) {
        *error = WorkerText::Translate(QStringLiteral("无法读取文档：%1")).arg(*error);
        return false;
    }
    const Psd::Document &document = psd.document();
    plan->sourcePath = path;

    QList<Edit> edits;
    if (!planXmp(psd, plan, &edits, error))
        return false;
    if (deep && depth < MaxDepth && !planLinkedFiles(psd, deep, depth, plan, &edits, meter, error))
        return false;
    plan->changed = !edits.isEmpty();
    if (!plan->changed) {
        plan->size = document.fileSize;
        return true;
    }
    fixSectionLength(document.imageResources, &edits);
    fixSectionLength(document.layerAndMask, &edits);
    std::sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) { return a.offset < b.offset; });

    qint64 at = 0;
    for (const Edit &edit : std::as_const(edits)) {
        plan->pieces << Piece::copy(at, edit.offset - at) << edit.pieces;
        at = edit.offset + edit.length;
    }
    plan->pieces << Piece::copy(at, document.fileSize - at);
    plan->size = 0;
    for (const Piece &piece : std::as_const(plan->pieces))
        plan->size += piece.length;
    return true;
}

bool writePlan(const Plan &plan, QIODevice &out, Meter &meter, QString *error)
{
    QFile source(plan.sourcePath);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = WorkerText::Translate(QStringLiteral("无法打开 %1：%2")).arg(plan.sourcePath, source.errorString());
        return false;
    }
    const auto write = [&](const QByteArray &bytes) {
        if (writeFully(out, bytes))
            return true;
        *error = WorkerText::Translate(QStringLiteral("无法写入瘦身后的副本：%1")).arg(out.errorString());
        return false;
    };
    for (const Piece &piece : plan.pieces) {
        switch (piece.kind) {
        case Piece::Kind::Copy:
            if (!streamRange(source, piece.offset, piece.length, write, meter, error))
                return false;
            break;
        case Piece::Kind::Bytes:
            if (!write(piece.bytes))
                return false;
            meter.add(piece.length);
            break;
        case Piece::Kind::Nested:
            if (!writePlan(*piece.nested, out, meter, error))
                return false;
            break;
        }
    }
    return true;
}

// What must not change: the structure of the document and a hash of every
// part of it but the XMP metadata and the lengths that hold embedded
// documents, one line per part. Embedded documents are described the same
// way when deep.
class Fingerprint
{
public:
    Fingerprint(bool deep, Meter &meter) : m_deep(deep), m_meter(meter) { }

    bool describe(const QString &path, int depth, QStringList *lines, QString *error)
    {
        Psd::PsdFile psd;
        if (!psd.open(path, error))
            return false;
        const Psd::Document &document = psd.document();
        const Psd::Header &header = document.header;
        const QString indent(depth * 2, QLatin1Char(' '));
        const auto line = [&](const QString &text) { lines->append(indent + text); };

        line(QStringLiteral("document version %1, %2×%3, %4 bits, mode %5, %6 channels")
                     .arg(header.version)
                     .arg(header.width)
                     .arg(header.height)
                     .arg(header.depth)
                     .arg(int(header.colorMode))
                     .arg(header.channels));
        QByteArray hash;
        if (!hashSpans(psd, {document.colorModeData.content}, &hash, error))
            return false;
        line(QStringLiteral("colour mode data ") + QString::fromLatin1(hash));
        for (const Psd::ImageResource &resource : document.resources) {
            if (resource.id == XmpResource) {
                // Its bytes change; it must stay well-formed wherever it was.
                QByteArray packet;
                if (resource.data.length > MaxXmpBytes
                    || !psd.readAt(resource.data.offset, resource.data.length, &packet, error))
                    return false;
                bool hasAncestors = false;
                line(XmpAncestors::parses(packet, &hasAncestors, error) ? QStringLiteral("XMP well-formed")
                                                                         : QStringLiteral("XMP not well-formed"));
                continue;
            }
            if (!hashSpans(psd, {resource.data}, &hash, error))
                return false;
            line(QStringLiteral("resource %1 %2 %3")
                         .arg(QString::fromLatin1(resource.signature))
                         .arg(resource.id)
                         .arg(QString::fromLatin1(hash)));
        }

        const Psd::LayerList &list = document.layers;
        line(QStringLiteral("%1 layers (stored %2) in %3")
                     .arg(list.layers.size())
                     .arg(list.storedCount)
                     .arg(list.holderKey.isEmpty() ? QStringLiteral("the layer section")
                                                   : QString::fromLatin1(list.holderKey)));
        for (int index = 0; index < list.layers.size(); ++index) {
            const Psd::LayerRecord &layer = list.layers.at(index);
            if (!hashSpans(psd, {layer.record}, &hash, error))
                return false;
            const QRect &r = layer.rect;
            line(QStringLiteral("layer %1 \"%2\" (%3, %4) to (%5, %6), record %7")
                         .arg(index)
                         .arg(layer.name)
                         .arg(r.left())
                         .arg(r.top())
                         .arg(r.left() + r.width())
                         .arg(r.top() + r.height())
                         .arg(QString::fromLatin1(hash)));
            for (const Psd::ChannelInfo &channel : layer.channels) {
                if (!hashSpans(psd, {channel.data}, &hash, error))
                    return false;
                line(QStringLiteral("  channel %1: %2 bytes, %3")
                             .arg(channel.id)
                             .arg(channel.data.length)
                             .arg(QString::fromLatin1(hash)));
            }
        }
        if (!hashSpans(psd, {document.globalMask.content}, &hash, error))
            return false;
        line(QStringLiteral("global mask ") + QString::fromLatin1(hash));

        for (const Psd::TaggedBlock &block : document.globalBlocks) {
            const QString key = QString::fromLatin1(block.key);
            if (block.key == list.holderKey)
                continue; // its layers and channels are described above
            if (!(m_deep && Psd::isLinkedFileKey(block.key) && depth < MaxDepth)) {
                if (!hashSpans(psd, {block.data}, &hash, error))
                    return false;
                line(QStringLiteral("block %1 %2").arg(key, QString::fromLatin1(hash)));
                continue;
            }
            QList<Psd::LinkedFile> records;
            if (!Psd::readLinkedFiles(psd, block, &records, error))
                return false;
            line(QStringLiteral("block %1, %2 linked files").arg(key).arg(records.size()));
            for (const Psd::LinkedFile &record : std::as_const(records)) {
                if (!describeLinked(psd, record, depth, lines, error))
                    return false;
            }
        }

        if (!hashSpans(psd, {document.mergedImage}, &hash, error))
            return false;
        line(QStringLiteral("merged image: compression %1, %2 bytes, %3")
                     .arg(int(document.mergedCompression))
                     .arg(document.mergedImage.length)
                     .arg(QString::fromLatin1(hash)));
        return true;
    }

private:
    bool hashSpans(Psd::PsdFile &psd, const QList<Span> &spans, QByteArray *result, QString *error)
    {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (const Span &span : spans) {
            const bool read = streamRange(
                    psd.file(), span.offset, span.length,
                    [&](const QByteArray &chunk) {
                        hash.addData(chunk);
                        return true;
                    },
                    m_meter, error);
            if (!read)
                return false;
        }
        *result = hash.result().toHex();
        return true;
    }

    // The record without its two lengths, and the embedded document it holds.
    bool describeLinked(Psd::PsdFile &psd, const Psd::LinkedFile &record, int depth, QStringList *lines, QString *error)
    {
        const QString indent(depth * 2 + 2, QLatin1Char(' '));
        QByteArray hash;
        if (!record.embeddedDocument) {
            if (!hashSpans(psd, {Span{record.start + 8, record.length}}, &hash, error))
                return false;
            lines->append(indent + QStringLiteral("linked file ") + QString::fromLatin1(hash));
            return true;
        }
        const qint64 afterField = record.fileLengthField + 8;
        const QList<Span> parts{Span{record.start + 8, record.fileLengthField - record.start - 8},
                                Span{afterField, record.file.offset - afterField},
                                Span{record.file.end(), record.end() - record.file.end()}};
        if (!hashSpans(psd, parts, &hash, error))
            return false;
        lines->append(indent + QStringLiteral("embedded document ") + QString::fromLatin1(hash));
        const std::shared_ptr<QTemporaryFile> copy = extract(psd, record.file, m_meter, error);
        if (!copy)
            return false;
        QStringList nested;
        QString nestedError;
        if (!describe(copy->fileName(), depth + 2, &nested, &nestedError)) {
            // Unreadable inside the source as well: then it was copied as it is.
            if (!hashSpans(psd, {record.file}, &hash, error))
                return false;
            lines->append(indent + QStringLiteral("unreadable embedded document ") + QString::fromLatin1(hash));
            return true;
        }
        lines->append(nested);
        return true;
    }

    bool m_deep;
    Meter &m_meter;
};

bool copyXmpIsClean(const QString &path, QString *error)
{
    Psd::PsdFile psd;
    if (!psd.open(path, error))
        return false;
    const Psd::ImageResource *xmp = psd.document().resource(XmpResource);
    QByteArray packet;
    if (!xmp || !psd.readAt(xmp->data.offset, xmp->data.length, &packet, error))
        return false;
    return XmpAncestors::isClean(packet, error);
}

QString firstDifference(const QStringList &before, const QStringList &after)
{
    for (qsizetype index = 0; index < qMax(before.size(), after.size()); ++index) {
        const QString was = before.value(index, WorkerText::Translate(QStringLiteral("（无）")));
        const QString is = after.value(index, WorkerText::Translate(QStringLiteral("（无）")));
        if (was != is)
            return WorkerText::Translate(QStringLiteral("“%1”变为“%2”")).arg(was.trimmed(), is.trimmed());
    }
    return QString();
}

// The padding engine's rules for a file about to be replaced: a link stays a
// link and the document it points to is slimmed where it lives; anything but a
// regular file, and a file whose write bits are all clear, is refused.
bool resolveReplaceable(const QString &path, QString *target, QString *error)
{
    QFileInfo info(path);
    if (info.isSymLink()) {
        const QString pointed = info.canonicalFilePath();
        if (pointed.isEmpty()) {
            *error = WorkerText::Translate(QStringLiteral("链接指向的文件不存在"));
            return false;
        }
        info = QFileInfo(pointed);
    }
    if (!info.exists()) {
        *error = WorkerText::Translate(QStringLiteral("文件不存在"));
        return false;
    }
    if (!info.isFile()) {
        *error = WorkerText::Translate(QStringLiteral("不是普通文件（可能是文件夹、管道或设备），已跳过"));
        return false;
    }
    // The mode's write bits count for root too, who may write anything.
    const QFile::Permissions writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!(info.permissions() & writeBits) || !info.isWritable()) {
        *error = WorkerText::Translate(QStringLiteral("文件为只读（没有写入权限），未作改动"));
        return false;
    }
    *target = info.absoluteFilePath();
    return true;
}

void slimInto(Slimmer::Report &report, const QString &givenPath, const Slimmer::Options &options)
{
    QString error;
    QString path;
    if (!resolveReplaceable(givenPath, &path, &error)) {
        report.message = error;
        return;
    }
    const QFileInfo info(path);
    report.oldSize = info.size();
    report.newSize = report.oldSize;
    const QDateTime modified = info.lastModified();

    // Three passes over about the file's size: read, write, read back.
    Meter meter(options.progress, report.oldSize * 3);
    Plan plan;
    if (!planDocument(path, options.deep, 0, &plan, meter, &error)) {
        report.message = error;
        return;
    }
    report.ancestors = plan.ancestors;
    report.ancestorBytes = plan.ancestorBytes;
    report.embeddedDocuments = plan.embeddedDocuments;
    if (!plan.changed) {
        report.success = true;
        return;
    }
    meter.setTotal(report.oldSize + plan.size * 2);

    QStringList before;
    if (!Fingerprint(options.deep, meter).describe(path, 0, &before, &error)) {
        report.message = WorkerText::Translate(QStringLiteral("无法读取文档：%1")).arg(error);
        return;
    }

    const QString folder = info.absolutePath();
    const qint64 available = options.freeSpace ? options.freeSpace(folder) : QStorageInfo(folder).bytesAvailable();
    if (available >= 0 && available < plan.size + SpaceMargin) {
        report.message = WorkerText::Translate(QStringLiteral("文件所在位置的磁盘空间不足：需要 %1 字节，可用 %2 字节"))
                                 .arg(WorkerText::Locale().toString(plan.size + SpaceMargin),
                                      WorkerText::Locale().toString(available));
        return;
    }

    const QString temporary = Slimmer::temporaryPathFor(path);
    const auto fail = [&](const QString &message) {
        QString ignored;
        SafeFile::removeFile(temporary, &ignored);
        report.message = message;
    };
    {
        QFile out;
        if (!SafeFile::createNewFile(temporary, path, &out, &error)) {
            report.message = error;
            return;
        }
        if (!writePlan(plan, out, meter, &error)) {
            out.close();
            return fail(error);
        }
        if (!SafeFile::finishNewFile(&out, temporary, &error))
            return fail(error);
    }
    const qint64 expectedSize = plan.size;
    const bool topXmpCut = plan.xmpCut;
    plan = Plan(); // the extracted embedded documents go now
    if (QFileInfo(temporary).size() != expectedSize)
        return fail(WorkerText::Translate(QStringLiteral("瘦身后的副本有 %1 字节，应为 %2 字节"))
                            .arg(QFileInfo(temporary).size())
                            .arg(expectedSize));
    if (options.written)
        options.written(temporary);
    QStringList after;
    if (!Fingerprint(options.deep, meter).describe(temporary, 0, &after, &error))
        return fail(WorkerText::Translate(QStringLiteral("瘦身后的副本无法回读：%1")).arg(error));
    if (after != before)
        return fail(WorkerText::Translate(QStringLiteral("瘦身后的副本与源文件不一致：%1")).arg(firstDifference(before, after)));
    if (topXmpCut && !copyXmpIsClean(temporary, &error))
        return fail(WorkerText::Translate(QStringLiteral("瘦身后副本的 XMP 元数据：%1")).arg(error));

    const QFileInfo now(path);
    if (now.size() != report.oldSize || now.lastModified() != modified)
        return fail(WorkerText::Translate(QStringLiteral("瘦身期间文件被其他程序修改")));
    if (!SafeFile::replaceFile(temporary, path, &error))
        return fail(error);
    report.newSize = expectedSize;
    report.changed = true;
    report.success = true;
}

} // namespace

namespace Slimmer {

QString temporaryPathFor(const QString &path)
{
    return path + QStringLiteral(".brevane.tmp");
}

Report slimFile(const QString &path, const Options &options)
{
    Report report;
    const auto dropCopy = [&] {
        QString ignored;
        if (QFileInfo(temporaryPathFor(path)).isFile())
            SafeFile::removeFile(temporaryPathFor(path), &ignored);
    };
    try {
        slimInto(report, path, options);
    } catch (const std::bad_alloc &) {
        dropCopy();
        report.message = WorkerText::Translate(QStringLiteral("内存不足"));
    } catch (const std::exception &e) {
        dropCopy();
        report.message = WorkerText::Translate(QStringLiteral("意外错误：%1")).arg(QString::fromLocal8Bit(e.what()));
    }
    if (!report.success) {
        report.changed = false;
        report.newSize = report.oldSize;
        if (report.message.isEmpty())
            report.message = WorkerText::Translate(QStringLiteral("因未知原因失败"));
    }
    return report;
}

} // namespace Slimmer
