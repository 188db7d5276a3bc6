#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Reading Photoshop documents (PSD, version 1, and PSB, version 2) from the
// file's public format description, as a streaming reader over the file.
//
// Opening a document (`PsdFile::open`) walks its structure once and keeps only
// where every part lies: the header, the colour mode data, each image
// resource, the layer and mask information with every layer record, the
// additional layer information blocks (of each layer and of the document),
// the offset, length and compression of every channel's image data and the
// offset of the merged image. No pixel is read then; the file stays open and
// pixels are decoded later one channel at a time (PsdPixels.h), so the memory
// a document takes does not grow with its file size.
//
// Offsets are absolute positions in the file. A `Span` names the bytes of a
// part's content; where a part starts with a length field, `lengthOffset` and
// `lengthSize` name that field too, so a writer can copy every section as it is
// and rewrite only the lengths of what it changed. Every length and count is
// checked against the file's size and the section that holds it before it is
// trusted; a document that does not fit together is refused with a message and
// nothing of it is used.
namespace Psd {

enum class ColorMode : quint16 {
    Bitmap = 0,
    Grayscale = 1,
    Indexed = 2,
    Rgb = 3,
    Cmyk = 4,
    Multichannel = 7,
    Duotone = 8,
    Lab = 9,
};

enum class Compression : quint16 {
    Raw = 0,
    Rle = 1, // PackBits rows, with 2-byte (PSD) or 4-byte (PSB) row byte counts first
    Zip = 2,
    ZipPrediction = 3,
};

// Bytes of the file: [offset, offset + length).
struct Span
{
    qint64 offset = 0;
    qint64 length = 0;
    qint64 end() const { return offset + length; }
};

// A section that starts with a length field of lengthSize bytes at
// lengthOffset; `content` follows that field directly. An optional section
// that is absent has lengthSize 0 and an empty content where it would start.
struct LengthSection
{
    qint64 lengthOffset = 0;
    int lengthSize = 4;
    Span content;
};

struct Header
{
    int version = 1;        // 1 PSD, 2 PSB
    int channels = 0;       // 1..56
    qint32 height = 0;      // 1..30000 (PSD) or 1..300000 (PSB)
    qint32 width = 0;
    int depth = 8;          // 1, 8, 16 or 32 bits per channel
    ColorMode colorMode = ColorMode::Rgb;
    bool isPsb() const { return version == 2; }
};

// One block of the image resource section.
struct ImageResource
{
    QByteArray signature;   // "8BIM" for Photoshop's own; other writers use other tags
    quint16 id = 0;         // e.g. 1039 ICC profile, 1060 XMP, 1047 transparency index
    QByteArray name;        // the Pascal name's characters, usually empty
    Span block;             // the whole block, signature to the padding after the data
    Span data;              // the resource's data only (without the padding byte)
};

// One additional layer information block ("tagged block"), of a layer or of
// the document. PSB documents give some keys an 8-byte length.
struct TaggedBlock
{
    QByteArray signature;   // "8BIM" or "8B64"
    QByteArray key;         // four characters, e.g. "luni", "lsct", "Lr16"
    Span block;             // signature to the end of the data, with any alignment padding
    int lengthSize = 4;
    Span data;              // the data as the length field gives it
};

struct ChannelInfo
{
    qint16 id = 0;          // 0.. colour channels; -1 transparency; -2 user mask; -3 real user mask
    qint64 lengthOffset = 0; // the length field in the record's channel table (4 bytes, 8 in PSB)
    Span data;              // compression field and compressed data of this channel
    Compression compression = Compression::Raw;
};

struct MaskInfo
{
    bool present = false;
    QRect rect;             // in document coordinates
    quint8 defaultColor = 0; // value outside rect (0 or 255)
    quint8 flags = 0;       // bit 1: disabled
    bool disabled() const { return flags & 0x02; }
};

// Section divider types ("lsct" or "lsdk").
enum class SectionType { None = 0, OpenFolder = 1, ClosedFolder = 2, GroupEnd = 3 };

struct LayerRecord
{
    Span record;            // the whole record, rectangle to the end of its extra data
    QRect rect;             // layer bounds in document coordinates (may be empty)
    QList<ChannelInfo> channels;
    QByteArray blendMode;   // four characters, "norm" for normal
    quint8 opacity = 255;
    quint8 clipping = 0;
    quint8 flags = 0;       // bit 1: hidden
    Span extra;             // mask data, blending ranges, name and tagged blocks
    Span maskData;          // content of the layer mask data (after its length field)
    MaskInfo userMask;      // channel -2
    MaskInfo realUserMask;  // channel -3, when the layer has both a vector and a pixel mask
    Span blendingRanges;
    QByteArray pascalName;  // bytes of the legacy name (system code page)
    QString name;           // the Unicode name ("luni") when present, else the Pascal name
    QList<TaggedBlock> blocks;
    SectionType sectionType = SectionType::None;
    QStringList groupPath;  // names of the enclosing groups, outermost first

    bool visible() const { return !(flags & 0x02); }
    const ChannelInfo *channel(qint16 id) const;
    const TaggedBlock *block(const char *key) const;
};

// The layer list, either the document's own or the one in an "Lr16", "Lr32"
// or "Layr" block.
struct LayerList
{
    LengthSection section;  // for the document's own list; for a block: the block's data
    QByteArray holderKey;   // empty for the document's own list, else the block's key
    qint16 storedCount = 0; // as stored: negative when the first alpha channel holds merged transparency
    QList<LayerRecord> layers; // bottom-most first, as stored
    Span channelImageData;  // all layers' channel data, following the records
};

struct Document
{
    qint64 fileSize = 0;
    Header header;
    LengthSection colorModeData;
    LengthSection imageResources;
    QList<ImageResource> resources;
    LengthSection layerAndMask;
    LengthSection layerInfo;      // the document's own layer list section (may be empty)
    LengthSection globalMask;
    QList<TaggedBlock> globalBlocks; // after the global mask, to the end of the layer and mask section
    LayerList layers;             // the list with the layers: the document's own or a block's
    Span mergedImage;             // compression field to the end of the file
    Compression mergedCompression = Compression::Raw;

    const ImageResource *resource(quint16 id) const;
    const TaggedBlock *globalBlock(const char *key) const;
};

// An open document: its structure and the file it came from.
class PsdFile
{
public:
    PsdFile() = default;
    PsdFile(const PsdFile &) = delete;
    PsdFile &operator=(const PsdFile &) = delete;

    // Opens path and reads the structure. On failure returns false with a
    // readable message in *error and leaves nothing open.
    bool open(const QString &path, QString *error);
    void close();

    const Document &document() const { return m_document; }
    QFile &file() { return m_file; }

    // Reads length bytes at offset into *bytes; false when the range is not
    // wholly inside the file or the read comes up short.
    bool readAt(qint64 offset, qint64 length, QByteArray *bytes, QString *error);

private:
    QFile m_file;
    Document m_document;
};

// The block keys whose length field is 8 bytes in a PSB document.
bool hasLongLength(const QByteArray &key, int version);

// One record of a linked-file block ("lnk2" and its kin): an 8-byte length,
// then type, version, ID, name, file type and creator, the file's length, a
// descriptor, the file's bytes and, from version 5 on, a child-document ID.
struct LinkedFile
{
    qint64 start = 0;           // the record's length field
    qint64 length = 0;          // as that field says
    qint64 next = 0;            // the next record, after this one's padding
    QByteArray type;            // "liFD" embedded, "liFE" external, "liFA" alias
    bool embeddedDocument = false; // an embedded PSD/PSB document, in `file`
    qint64 fileLengthField = 0; // the 8-byte file length, when embedded
    Span file;                  // the embedded document's bytes
    qint64 end() const { return start + 8 + length; }
};

// "lnk2", "lnk3", "lnkD" or "lnkE".
bool isLinkedFileKey(const QByteArray &key);

// The records of a linked-file block, in order. A record whose file is not a
// PSD/PSB document is listed with embeddedDocument false, to be kept as it
// is; a record longer than its block is refused.
bool readLinkedFiles(PsdFile &psd, const TaggedBlock &block, QList<LinkedFile> *files, QString *error);

} // namespace Psd
