#include "PsdFile.h"
#include "PsdPixels.h"
#include "PsdTestWriter.h"
#include "SlimTestDocuments.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Psd::PsdFile;

// The reader's view of a document's structure: real documents from other
// programs, documents written here with the features one by one, and broken
// files that must be refused.
class tst_PsdReader : public QObject
{
    Q_OBJECT

private slots:
    void samples_data();
    void samples();
    void sectionsTileTheFile_data();
    void sectionsTileTheFile();
    void resourcesCanBeCopied();
    void written_data();
    void written();
    void hostile_data();
    void hostile();
    void truncatedSamplesAreRefused_data();
    void truncatedSamplesAreRefused();
    void realDocuments_data();
    void realDocuments();
    void constructions_data();
    void constructions();
    void linkedFiles_data();
    void linkedFiles();

private:
    QString save(const QByteArray &bytes, const QString &name = u"doc.psd"_s);
    QTemporaryDir m_dir;
};

namespace {

QString samplePath(const QString &name)
{
    return QFINDTESTDATA(u"data/psd-samples/"_s + name);
}

// Further real documents, outside the sources: empty when not on this machine.
QStringList moreSamples()
{
    const QByteArray named = qgetenv("PICTAVO_MORE_PSD_SAMPLES");
    const QDir folder(named.isEmpty() ? QStringLiteral(MORE_SAMPLES_DIR) : QString::fromLocal8Bit(named));
    if (folder.path().isEmpty() || !folder.exists())
        return {};
    QStringList paths;
    for (const QString &name : folder.entryList({u"*.psd"_s, u"*.psb"_s}, QDir::Files, QDir::Name))
        paths << folder.filePath(name);
    return paths;
}

void put(QByteArray &bytes, qint64 offset, quint64 value, int size)
{
    for (int index = 0; index < size; ++index)
        bytes[offset + index] = char(value >> (8 * (size - 1 - index)));
}

PsdTestWriter::Layer pixelLayer(const QString &name, const QRect &rect, int depth, int colours = 3)
{
    PsdTestWriter::Layer layer;
    layer.name = name;
    layer.rect = rect;
    for (int id = -1; id < colours; ++id)
        layer.channels.append({qint16(id), PsdTestWriter::plane(rect.width(), rect.height(), depth, 0x40 + id)});
    return layer;
}

// A document with a group holding one layer, and one layer outside it.
PsdTestWriter::Document groupedDocument(int version, int depth, bool inBlock, int compression)
{
    PsdTestWriter::Document document;
    document.version = version;
    document.depth = depth;
    document.compression = compression;
    document.width = 16;
    document.height = 12;
    document.layersInBlock = inBlock;
    PsdTestWriter::Layer end;
    end.name = u"</Layer group>"_s;
    end.sectionType = 3;
    PsdTestWriter::Layer group;
    group.name = u"Ordner"_s;
    group.sectionType = 1;
    document.layers = {pixelLayer(u"Unten"_s, QRect(0, 0, 16, 12), depth), end,
                       pixelLayer(u"Blatt ✓"_s, QRect(3, 2, 5, 4), depth), group,
                       pixelLayer(u"Oben"_s, QRect(-2, -1, 4, 3), depth)};
    document.layers[4].hidden = true;
    return document;
}

PsdTestWriter::Block block(const char *key, int size, int alignment = 4, int lengthSize = 4,
                           const QByteArray &signature = "8BIM")
{
    QByteArray data(size, '\0');
    for (int index = 0; index < size; ++index)
        data[index] = char(0x30 + index % 40); // no zero runs, no signature inside
    return {signature, QByteArray(key), data, lengthSize, alignment};
}

// A document of one construction real writers use, and what the reader must
// find in it: the layer names (bottom first), the keys of the document's
// blocks and the keys of the top layer's blocks.
struct Construction
{
    const char *name;
    PsdTestWriter::Document document;
    QString layers;
    QString globalKeys;
    QString topLayerKeys;
};

QList<Construction> constructionCases()
{
    const auto document = [](int version, int depth, bool inBlock) {
        PsdTestWriter::Document d;
        d.version = version;
        d.depth = depth;
        d.layersInBlock = inBlock;
        d.compression = 1;
        d.layers = {pixelLayer(u"Unten"_s, QRect(0, 0, 8, 8), depth), pixelLayer(u"Oben"_s, QRect(2, 1, 5, 4), depth)};
        return d;
    };
    QList<Construction> list;
    const auto add = [&](const char *name, const PsdTestWriter::Document &d, const QString &globalKeys,
                         const QString &topLayerKeys = u"luni"_s) {
        QStringList names;
        for (const PsdTestWriter::Layer &layer : d.layers)
            names << layer.name;
        list.append({name, d, names.join(u'|'), globalKeys, topLayerKeys});
    };

    PsdTestWriter::Document d = document(1, 8, false);
    d.globalBlocks = {block("Xodd", 13, 4), block("Patt", 8)};
    add("global_block_padded_to_4", d, u"Xodd|Patt"_s);
    d.globalBlocks = {block("Xodd", 13, 2), block("Patt", 8)};
    add("global_block_padded_to_2", d, u"Xodd|Patt"_s);
    d.globalBlocks = {block("Xodd", 13, 1), block("Patt", 8)};
    add("global_block_unpadded", d, u"Xodd|Patt"_s);
    d.globalBlocks = {block("Txt2", 30), block("Xodd", 5, 4)};
    add("padding_after_last_block", d, u"Txt2|Xodd"_s);

    d = document(1, 16, true);
    d.globalBlocks = {block("LMsk", 14), block("Patt", 6, 2)};
    add("lr16_with_blocks_after", d, u"Lr16|LMsk|Patt"_s);
    d = document(1, 32, true);
    d.globalBlocks = {block("LMsk", 14), block("Pat2", 0)};
    add("lr32_in_psd", d, u"Lr32|LMsk|Pat2"_s);

    d = document(2, 8, false);
    d.globalBlocks = {block("FMsk", 12, 4, 8), block("cinf", 21, 4, 8, "8B64"), block("Patt", 8)};
    add("psb_long_lengths", d, u"FMsk|cinf|Patt"_s);
    d.globalBlocks = {block("cinf", 21, 4, 8), block("Patt", 8)};
    add("psb_unlisted_key_with_long_length", d, u"cinf|Patt"_s);
    d.globalBlocks = {block("FXid", 17, 4, 4), block("Patt", 8)};
    add("psb_listed_key_with_short_length", d, u"FXid|Patt"_s);
    d = document(2, 16, true);
    d.globalBlocks = {block("FMsk", 12, 4, 8, "8B64")};
    add("psb_lr16", d, u"Lr16|FMsk"_s);

    d = document(1, 8, false);
    // Each change goes through last(): a reference kept across add() would
    // write into the copy the list shares.
    d.layers.last().blendingRanges = QByteArray(40, '\x7f');
    d.layers.last().name = QString(200, u'n');
    d.layers.last().blocks = {block("shmd", 13, 4), block("Xunk", 9, 2), block("fxrp", 16)};
    add("layer_extra_data", d, QString(), u"luni|shmd|Xunk|fxrp"_s);
    d.layers.last().unicodeName = false;
    d.layers.last().name = u"Latin only"_s;
    d.layers.last().blocks = {block("lyid", 4), block("Xodd", 3, 1)};
    add("layer_without_unicode_name", d, QString(), u"lyid|Xodd"_s);

    d = PsdTestWriter::Document();
    d.globalBlocks = {block("FMsk", 12), block("cinf", 407)};
    add("saved_flat", d, u"FMsk|cinf"_s, QString());
    return list;
}

} // namespace

QString tst_PsdReader::save(const QByteArray &bytes, const QString &name)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void tst_PsdReader::samples_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("version");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("layers");  // bottom first: name, '@' group path, '#' if hidden
    QTest::addColumn<QString>("holder");

    QTest::newRow("1layer") << u"1layer.psd"_s << 1 << QSize(101, 55) << 8 << 3 << u"Фон"_s << QString();
    QTest::newRow("2layers_psb") << u"2layers.psb"_s << 2 << QSize(101, 55) << 8 << 3 << u"Фон|Слой"_s << QString();
    QTest::newRow("16bit_in_Lr16") << u"16bit5x5.psd"_s << 1 << QSize(5, 5) << 16 << 3
                                   << u"Background|Background copy|Background copy 2"_s << u"Lr16"_s;
    QTest::newRow("group") << u"group.psd"_s << 1 << QSize(100, 200) << 8 << 3
                           << u"Background|</Layer group>|Shape 1@Group 1|Group 1"_s << QString();
    QTest::newRow("hidden_layer") << u"hidden-layer.psd"_s << 1 << QSize(100, 150) << 8 << 3
                                  << u"Background|Shape 1|Shape 2#"_s << QString();
    QTest::newRow("mask") << u"mask.psd"_s << 1 << QSize(100, 150) << 8 << 3
                          << u"Background|Background copy|Shape 1"_s << QString();
    QTest::newRow("gray") << u"gray1.psd"_s << 1 << QSize(1800, 1200) << 8 << 1 << u"Background|Shape 1|Shape 2"_s
                          << QString();
    QTest::newRow("placed_layer") << u"placedLayer.psd"_s << 1 << QSize(256, 256) << 8 << 3
                                  << u"Background|linked-png|linked-psd|embedded-png"_s << QString();
    QTest::newRow("gimp_transparent_background") << u"transparentbg-gimp.psd"_s << 1 << QSize(40, 40) << 8 << 3
                                                 << u"Фон"_s << QString();
    QTest::newRow("emoji_name") << u"layer-name-emoji.psd"_s << 1 << QSize(4, 4) << 8 << 3 << u"👽"_s << QString();
}

void tst_PsdReader::samples()
{
    QFETCH(QString, file);
    QFETCH(int, version);
    QFETCH(QSize, size);
    QFETCH(int, depth);
    QFETCH(int, mode);
    QFETCH(QString, layers);
    QFETCH(QString, holder);

    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(samplePath(file), &error), qPrintable(error));
    const Psd::Document &document = psd.document();
    QCOMPARE(document.header.version, version);
    QCOMPARE(QSize(document.header.width, document.header.height), size);
    QCOMPARE(document.header.depth, depth);
    QCOMPARE(int(document.header.colorMode), mode);
    QCOMPARE(QString::fromLatin1(document.layers.holderKey), holder);
    QStringList seen;
    for (const Psd::LayerRecord &layer : document.layers.layers) {
        seen << layer.name + (layer.groupPath.isEmpty() ? QString() : u'@' + layer.groupPath.join(u'/'))
                        + (layer.visible() ? QString() : u"#"_s);
    }
    QCOMPARE(seen.join(u'|'), layers);
}

void tst_PsdReader::sectionsTileTheFile_data()
{
    QTest::addColumn<QString>("path");
    for (const QString &name : QDir(QFileInfo(samplePath(u"1layer.psd"_s)).absolutePath())
                                       .entryList({u"*.psd"_s, u"*.psb"_s}, QDir::Files)) {
        QTest::newRow(qPrintable(name)) << samplePath(name);
    }
    for (const QString &path : moreSamples())
        QTest::newRow(qPrintable(u"more/"_s + QFileInfo(path).fileName())) << path;
    for (const Construction &construction : constructionCases()) {
        QTest::newRow(construction.name)
                << save(PsdTestWriter::write(construction.document), QString::fromLatin1(construction.name) + u".psd");
    }
    QTest::newRow("written_psb_lr16") << save(PsdTestWriter::write(groupedDocument(2, 16, true, 1)), u"lr16.psb"_s);
    QTest::newRow("written_psd_zip") << save(PsdTestWriter::write(groupedDocument(1, 8, false, 3)), u"zip.psd"_s);
}

// Every byte belongs to exactly one part, in order: what a writer needs to
// copy a document part by part.
void tst_PsdReader::sectionsTileTheFile()
{
    QFETCH(QString, path);
    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(path, &error), qPrintable(error));
    const Psd::Document &d = psd.document();

    QCOMPARE(d.colorModeData.lengthOffset, 26);
    QCOMPARE(d.imageResources.lengthOffset, d.colorModeData.content.end());
    qint64 at = d.imageResources.content.offset;
    for (const Psd::ImageResource &resource : d.resources) {
        QCOMPARE(resource.block.offset, at);
        QVERIFY(resource.data.offset > resource.block.offset && resource.data.end() <= resource.block.end());
        at = resource.block.end();
    }
    QCOMPARE(at, d.imageResources.content.end());
    QCOMPARE(d.layerAndMask.lengthOffset, at);

    const Psd::LayerList &list = d.layers;
    at = list.section.content.offset + (list.layers.isEmpty() && list.storedCount == 0 ? 0 : 2);
    for (const Psd::LayerRecord &layer : list.layers) {
        QCOMPARE(layer.record.offset, at);
        QVERIFY(layer.extra.end() == layer.record.end());
        for (qsizetype index = 0; index < layer.blocks.size(); ++index) {
            const Psd::TaggedBlock &block = layer.blocks.at(index);
            QCOMPARE(block.data.offset, block.block.offset + 8 + block.lengthSize);
            QVERIFY(block.data.end() <= block.block.end());
            QCOMPARE(block.block.end(), index + 1 < layer.blocks.size() ? layer.blocks.at(index + 1).block.offset
                                                                         : layer.extra.end());
        }
        at = layer.record.end();
    }
    QCOMPARE(list.channelImageData.offset, at);
    const int channelLengthSize = d.header.isPsb() ? 8 : 4;
    for (const Psd::LayerRecord &layer : list.layers) {
        for (qsizetype index = 0; index < layer.channels.size(); ++index) {
            const Psd::ChannelInfo &channel = layer.channels.at(index);
            QCOMPARE(channel.lengthOffset, layer.record.offset + 18 + index * (2 + channelLengthSize) + 2);
            QCOMPARE(channel.data.offset, at);
            at = channel.data.end();
        }
    }
    QCOMPARE(list.channelImageData.end(), at);
    QVERIFY(at <= list.section.content.end() && list.section.content.end() - at <= 3);

    if (d.layerAndMask.content.length > 0) {
        QCOMPARE(d.layerInfo.lengthOffset, d.layerAndMask.content.offset);
        at = d.globalMask.content.end();
        for (const Psd::TaggedBlock &block : d.globalBlocks) {
            QCOMPARE(block.block.offset, at);
            QCOMPARE(block.data.offset, block.block.offset + 8 + block.lengthSize);
            at = block.block.end();
        }
        QCOMPARE(at, d.layerAndMask.content.end());
    }
    QCOMPARE(d.mergedImage.offset, d.layerAndMask.content.end());
    QCOMPARE(d.mergedImage.end(), d.fileSize);
}

void tst_PsdReader::resourcesCanBeCopied()
{
    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(samplePath(u"placedLayer.psd"_s), &error), qPrintable(error));
    const Psd::ImageResource *xmp = psd.document().resource(1060);
    QVERIFY(xmp);
    QByteArray bytes;
    QVERIFY2(psd.readAt(xmp->data.offset, xmp->data.length, &bytes, &error), qPrintable(error));
    QVERIFY(bytes.contains("<x:xmpmeta"));
    QVERIFY(bytes.contains("DocumentAncestors"));
    const Psd::TaggedBlock *linked = psd.document().globalBlock("lnk2");
    QVERIFY(linked);
    QVERIFY(psd.readAt(linked->data.offset, 8, &bytes, &error));
    QVERIFY(!psd.readAt(psd.document().fileSize - 4, 8, &bytes, &error));
}

void tst_PsdReader::written_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("inBlock");
    QTest::addColumn<int>("compression");

    QTest::newRow("psd_8bit_raw") << 1 << 8 << false << 0;
    QTest::newRow("psd_8bit_rle") << 1 << 8 << false << 1;
    QTest::newRow("psd_16bit_lr16_zip") << 1 << 16 << true << 2;
    QTest::newRow("psb_8bit_rle") << 2 << 8 << false << 1;
    QTest::newRow("psb_16bit_lr16_prediction") << 2 << 16 << true << 3;
    QTest::newRow("psb_32bit_lr32_prediction") << 2 << 32 << true << 3;
}

void tst_PsdReader::written()
{
    QFETCH(int, version);
    QFETCH(int, depth);
    QFETCH(bool, inBlock);
    QFETCH(int, compression);

    const QString path = save(PsdTestWriter::write(groupedDocument(version, depth, inBlock, compression)));
    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(path, &error), qPrintable(error));
    const Psd::Document &d = psd.document();
    QCOMPARE(d.header.version, version);
    QCOMPARE(d.layerAndMask.lengthSize, version == 2 ? 8 : 4);
    QCOMPARE(QString::fromLatin1(d.layers.holderKey),
             inBlock ? (depth == 32 ? u"Lr32"_s : u"Lr16"_s) : QString());
    if (inBlock)
        QCOMPARE(d.globalBlocks.first().lengthSize, version == 2 ? 8 : 4);
    QCOMPARE(d.layers.layers.size(), 5);
    const Psd::LayerRecord &leaf = d.layers.layers.at(2);
    QCOMPARE(leaf.name, u"Blatt ✓"_s);
    QCOMPARE(leaf.groupPath, QStringList{u"Ordner"_s});
    QCOMPARE(leaf.rect, QRect(3, 2, 5, 4));
    QCOMPARE(leaf.channels.size(), 4);
    QCOMPARE(int(leaf.channels.at(0).compression), compression);
    QCOMPARE(d.layers.layers.at(3).sectionType, Psd::SectionType::OpenFolder);
    QCOMPARE(d.layers.layers.at(1).sectionType, Psd::SectionType::GroupEnd);
    QCOMPARE(d.layers.layers.at(4).rect, QRect(-2, -1, 4, 3));
    QVERIFY(!d.layers.layers.at(4).visible());
    QCOMPARE(int(d.mergedCompression), compression);
}

void tst_PsdReader::hostile_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray good = PsdTestWriter::write(groupedDocument(1, 8, false, 1));
    PsdFile probe;
    QString error;
    QVERIFY(probe.open(save(good, u"probe.psd"_s), &error));
    const Psd::Document d = probe.document();
    probe.close();
    const qint64 countAt = d.layers.section.content.offset;
    const qint64 recordAt = d.layers.layers.at(2).record.offset;
    const qint64 firstChannelLength = recordAt + 18 + 2;

    const auto patched = [&good](qint64 offset, quint64 value, int size) {
        QByteArray bytes = good;
        put(bytes, offset, value, size);
        return bytes;
    };
    // A document with blocks after its layers: their lengths and signatures.
    PsdTestWriter::Document withBlocks = groupedDocument(1, 8, false, 1);
    withBlocks.globalBlocks = {block("Xodd", 13), block("Patt", 8)};
    const QByteArray blocks = PsdTestWriter::write(withBlocks);
    const qint64 blockAt = blocks.indexOf("8BIMXodd");
    const auto patchedBlocks = [&blocks](qint64 offset, const QByteArray &replacement) {
        QByteArray bytes = blocks;
        bytes.replace(offset, replacement.size(), replacement);
        return bytes;
    };
    QTest::newRow("block_length_past_section") << patchedBlocks(blockAt + 8, QByteArray("\x00\x01\x00\x00", 4));
    QTest::newRow("block_length_into_next_block") << patchedBlocks(blockAt + 8, QByteArray("\x00\x00\x00\x15", 4));
    QTest::newRow("no_signature_after_block") << patchedBlocks(blockAt + 12 + 16, QByteArray("XXXX"));
    QTest::newRow("empty_file") << QByteArray();
    QTest::newRow("not_a_psd") << QByteArray("GIF89a, certainly not a Photoshop document at all");
    QTest::newRow("version_3") << patched(4, 3, 2);
    QTest::newRow("zero_channels") << patched(12, 0, 2);
    QTest::newRow("negative_height") << patched(14, 0xffffff00, 4);
    QTest::newRow("width_above_limit") << patched(18, 30001, 4);
    QTest::newRow("depth_7") << patched(22, 7, 2);
    QTest::newRow("unknown_colour_mode") << patched(24, 5, 2);
    QTest::newRow("colour_data_past_end") << patched(26, 0x7fffffff, 4);
    QTest::newRow("layer_section_past_end") << patched(d.layerAndMask.lengthOffset, 0xfffffff0, 4);
    QTest::newRow("layer_count_too_large") << patched(countAt, 30000, 2);
    QTest::newRow("bottom_above_top") << patched(recordAt + 8, quint32(-5), 4);
    QTest::newRow("huge_layer") << patched(recordAt + 12, 400000, 4);
    QTest::newRow("channel_count_too_large") << patched(recordAt + 16, 900, 2);
    QTest::newRow("channel_past_section") << patched(firstChannelLength, 0x7fffffff, 4);
    QTest::newRow("unknown_compression") << patched(d.layers.layers.at(2).channels.at(0).data.offset, 7, 2);
    QTest::newRow("extra_data_past_section") << patched(d.layers.layers.at(2).extra.offset - 4, 0xffffff, 4);
    QTest::newRow("cut_in_header") << good.left(20);
    QTest::newRow("cut_in_layer_records") << good.left(recordAt + 30);
}

void tst_PsdReader::hostile()
{
    QFETCH(QByteArray, bytes);
    PsdFile psd;
    QString error;
    QVERIFY(!psd.open(save(bytes), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!psd.file().isOpen());
}

void tst_PsdReader::truncatedSamplesAreRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("psd") << u"mask.psd"_s;
    QTest::newRow("psb") << u"2layers.psb"_s;
    QTest::newRow("lr16") << u"16bit5x5.psd"_s;
}

// Any cut before the merged image leaves a section short.
void tst_PsdReader::truncatedSamplesAreRefused()
{
    QFETCH(QString, file);
    QFile source(samplePath(file));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    PsdFile psd;
    QString error;
    QVERIFY(psd.open(samplePath(file), &error));
    const qint64 merged = psd.document().mergedImage.offset;
    for (qint64 cut = 0; cut < merged; cut += std::max<qint64>(1, merged / 97)) {
        QVERIFY2(!psd.open(save(bytes.left(cut)), &error), qPrintable(u"cut at %1"_s.arg(cut)));
        QVERIFY(!error.isEmpty());
    }
}

void tst_PsdReader::realDocuments_data()
{
    QTest::addColumn<QString>("path");
    const QStringList paths = moreSamples();
    if (paths.isEmpty())
        QSKIP("the folder of further real documents is not on this machine");
    for (const QString &path : paths)
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

// Documents other programs wrote: each opens, and every layer decodes (the
// merged image, for a document saved flat).
void tst_PsdReader::realDocuments()
{
    QFETCH(QString, path);
    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(path, &error), qPrintable(error));
    QVERIFY2(Psd::canDecode(psd.document().header, &error), qPrintable(error));
    QImage image;
    if (psd.document().layers.layers.isEmpty())
        QVERIFY2(Psd::readMergedImage(psd, &image, &error), qPrintable(error));
    for (int index = 0; index < psd.document().layers.layers.size(); ++index) {
        QVERIFY2(Psd::readLayerImage(psd, index, {}, &image, &error),
                 qPrintable(u"layer %1: %2"_s.arg(index).arg(error)));
    }
}

void tst_PsdReader::constructions_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("layers");
    QTest::addColumn<QString>("globalKeys");
    QTest::addColumn<QString>("topLayerKeys");
    for (const Construction &construction : constructionCases()) {
        QTest::newRow(construction.name) << PsdTestWriter::write(construction.document) << construction.layers
                                         << construction.globalKeys << construction.topLayerKeys;
    }
}

// Each construction is read whole: the layers, every block by its length,
// and the pixels after them.
void tst_PsdReader::constructions()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, layers);
    QFETCH(QString, globalKeys);
    QFETCH(QString, topLayerKeys);
    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(save(bytes), &error), qPrintable(error));
    const Psd::Document &document = psd.document();
    QStringList seen;
    for (const Psd::LayerRecord &layer : document.layers.layers)
        seen << layer.name;
    QCOMPARE(seen.join(u'|'), layers);
    seen.clear();
    for (const Psd::TaggedBlock &block : document.globalBlocks)
        seen << QString::fromLatin1(block.key);
    QCOMPARE(seen.join(u'|'), globalKeys);
    seen.clear();
    if (!document.layers.layers.isEmpty()) {
        for (const Psd::TaggedBlock &block : document.layers.layers.last().blocks)
            seen << QString::fromLatin1(block.key);
    }
    QCOMPARE(seen.join(u'|'), topLayerKeys);
    for (int index = 0; index < document.layers.layers.size(); ++index) {
        QImage image;
        QVERIFY2(Psd::readLayerImage(psd, index, {}, &image, &error), qPrintable(error));
        QCOMPARE(image.size(), document.layers.layers.at(index).rect.size());
    }
}

void tst_PsdReader::linkedFiles_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("recordVersion");
    QTest::addColumn<bool>("document");
    QTest::newRow("lnk2_psd") << 1 << QByteArray("lnk2") << 7 << true;
    QTest::newRow("lnk2_version_4") << 1 << QByteArray("lnk2") << 4 << true;
    QTest::newRow("lnk3_psb") << 2 << QByteArray("lnk3") << 7 << true;
    QTest::newRow("lnkD_psd") << 1 << QByteArray("lnkD") << 6 << true;
    QTest::newRow("lnkE_psb") << 2 << QByteArray("lnkE") << 5 << true;
    QTest::newRow("lnk2_not_a_document") << 1 << QByteArray("lnk2") << 7 << false;
}

// The records of each linked-file block, with the embedded document found
// byte for byte, and the rest of the document read past them.
void tst_PsdReader::linkedFiles()
{
    QFETCH(int, version);
    QFETCH(QByteArray, key);
    QFETCH(int, recordVersion);
    QFETCH(bool, document);
    SlimTestDocuments::Spec inner;
    inner.xmp = SlimTestDocuments::xmp(3);
    const QByteArray embedded = document ? SlimTestDocuments::build(inner) : QByteArray(333, 'x');
    SlimTestDocuments::Spec outer;
    outer.version = version;
    outer.embedded = {{key, embedded, recordVersion}, {key, embedded, recordVersion}};
    PsdFile psd;
    QString error;
    QVERIFY2(psd.open(save(SlimTestDocuments::build(outer)), &error), qPrintable(error));
    QCOMPARE(psd.document().layers.layers.size(), outer.layers);
    const Psd::TaggedBlock *block = psd.document().globalBlock(key.constData());
    QVERIFY(block);
    QVERIFY(Psd::isLinkedFileKey(block->key));
    QList<Psd::LinkedFile> files;
    QVERIFY2(Psd::readLinkedFiles(psd, *block, &files, &error), qPrintable(error));
    QVERIFY(!files.isEmpty());
    for (const Psd::LinkedFile &file : std::as_const(files)) {
        QCOMPARE(file.type, QByteArray("liFD"));
        QCOMPARE(file.embeddedDocument, document);
        QVERIFY(file.end() <= block->data.end());
        if (document) {
            QByteArray bytes;
            QVERIFY(psd.readAt(file.file.offset, file.file.length, &bytes, &error));
            QCOMPARE(bytes, embedded);
        }
    }
}

QTEST_GUILESS_MAIN(tst_PsdReader)
#include "tst_psdreader.moc"
