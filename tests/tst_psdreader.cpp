#include "PsdFile.h"
#include "PsdPixels.h"
#include "PsdTestWriter.h"

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

QTEST_GUILESS_MAIN(tst_PsdReader)
#include "tst_psdreader.moc"
