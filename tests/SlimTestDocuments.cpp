#include "SlimTestDocuments.h"

#include <QBuffer>
#include <QRect>

namespace SlimTestDocuments {

namespace {

QByteArray be(quint64 value, int size)
{
    QByteArray out(size, '\0');
    for (int index = size - 1; index >= 0; --index, value >>= 8)
        out[index] = char(value & 0xff);
    return out;
}

QByteArray unicode(const QString &text)
{
    QByteArray out = be(quint64(text.size()), 4);
    for (const QChar c : text)
        out += be(c.unicode(), 2);
    return out;
}

QByteArray padded(QByteArray data, int unit)
{
    while (data.size() % unit)
        data += '\0';
    return data;
}

// Keys whose length field is 8 bytes in a PSB document, from the format description.
bool longLength(const QByteArray &key, int version)
{
    return version == 2 && (key == "lnk2" || key == "Lr16" || key == "Lr32" || key == "Layr" || key == "FMsk");
}

const QByteArray ListOpen = QByteArrayLiteral("<photoshop:DocumentAncestors>\n            <rdf:Bag>\n");
const QByteArray ListClose = QByteArrayLiteral("            </rdf:Bag>\n         </photoshop:DocumentAncestors>");

QByteArray ancestorItem(int index)
{
    return QByteArrayLiteral("               <rdf:li>xmp.did:")
            + QByteArray::number(0x10000000 + index, 16) + QByteArrayLiteral("-9b0c-4a51-8c42-5d1e7f3a2b6c</rdf:li>\n");
}

QByteArray linkedRecord(const Embedded &embedded, int index)
{
    QByteArray content = "liFD" + be(quint64(embedded.version), 4);
    const QByteArray id = "5a96c404-ab9c-1177-97ef-00000000000" + QByteArray::number(index % 10);
    content += char(id.size()) + id;
    content += unicode(QStringLiteral("placed-%1.psd").arg(index));
    content += embedded.file.startsWith("8BPS") ? QByteArrayLiteral("8BPS8BIM") : QByteArrayLiteral("png 8BIM");
    content += be(quint64(embedded.file.size()), 8);
    // An open-parameters descriptor: one long item.
    content += '\x01' + be(16, 4) + unicode(QString()) + be(0, 4) + "null" + be(1, 4) + be(0, 4) + "Cmpr"
               + "long" + be(quint64(index), 4);
    content += embedded.file;
    if (embedded.version >= 5)
        content += unicode(QStringLiteral("adobe:docid:photoshop:child-%1").arg(index));
    if (embedded.version >= 6)
        content += be(0x41d7000000000000ULL, 8);
    if (embedded.version >= 7)
        content += '\0';
    return padded(be(quint64(content.size()), 8) + content, 4);
}

quint8 sample(int seed, int layer, int channel, int x, int y)
{
    return quint8(x * 7 + y * 13 + channel * 31 + layer * 59 + seed * 101);
}

QRect layerRect(const Spec &spec, int layer)
{
    const int inset = qMin(layer, qMin(spec.width, spec.height) / 4);
    return QRect(inset, inset, spec.width - inset, spec.height - 2 * inset);
}

const int LayerChannels[] = {-1, 0, 1, 2};

// Everything before the channel data, with the lengths worked out.
struct Layout
{
    QByteArray head;          // header to the layer records inclusive
    QByteArray afterChannels; // layer info padding, global mask, global blocks, merged compression
    qint64 total = 0;
};

qint64 channelBytes(const QRect &rect)
{
    return 2 + qint64(rect.width()) * rect.height();
}

Layout layout(const Spec &spec)
{
    const int lengthSize = spec.version == 2 ? 8 : 4;
    Layout result;
    QByteArray &head = result.head;
    head = "8BPS" + be(quint64(spec.version), 2) + QByteArray(6, '\0') + be(3, 2) + be(quint64(spec.height), 4)
           + be(quint64(spec.width), 4) + be(8, 2) + be(3, 2);
    head += be(0, 4); // colour mode data

    QByteArray resources;
    const auto resource = [&](quint16 id, const QByteArray &data) {
        resources += "8BIM" + be(id, 2) + QByteArray(2, '\0') + be(quint64(data.size()), 4) + padded(data, 2);
    };
    resource(1005, be(0x00480000, 4) + be(1, 2) + be(1, 2) + be(0x00480000, 4) + be(1, 2) + be(1, 2));
    if (!spec.xmp.isEmpty())
        resource(1060, spec.xmp);
    resource(1044, be(7, 4));
    head += be(quint64(resources.size()), 4) + resources;

    QByteArray records;
    qint64 channelData = 0;
    for (int layer = 0; layer < spec.layers; ++layer) {
        const QRect rect = layerRect(spec, layer);
        records += be(quint64(rect.top()), 4) + be(quint64(rect.left()), 4) + be(quint64(rect.bottom() + 1), 4)
                   + be(quint64(rect.right() + 1), 4) + be(4, 2);
        for (const int id : LayerChannels) {
            records += be(quint16(qint16(id)), 2) + be(quint64(channelBytes(rect)), lengthSize);
            channelData += channelBytes(rect);
        }
        records += "8BIMnorm" + QByteArray(1, '\xff') + QByteArray(3, '\0');
        const QString name = QStringLiteral("Layer %1 ✓").arg(layer + 1);
        const QByteArray latin = QStringLiteral("Layer %1").arg(layer + 1).toLatin1();
        QByteArray extra = be(0, 4) + be(0, 4) + padded(char(latin.size()) + latin, 4);
        extra += "8BIMluni" + be(quint64(padded(unicode(name), 4).size()), 4) + padded(unicode(name), 4);
        records += be(quint64(extra.size()), 4) + extra;
    }
    const qint64 layerInfo = 2 + records.size() + channelData;
    const qint64 layerInfoPadded = layerInfo + (4 - layerInfo % 4) % 4;

    QByteArray blocks;
    QList<QByteArray> keys;
    for (const Embedded &embedded : spec.embedded) {
        if (!keys.contains(embedded.key))
            keys << embedded.key;
    }
    for (const QByteArray &key : std::as_const(keys)) {
        QByteArray data;
        for (int index = 0; index < spec.embedded.size(); ++index) {
            if (spec.embedded.at(index).key == key)
                data += linkedRecord(spec.embedded.at(index), index);
        }
        blocks += "8BIM" + key + be(quint64(data.size()), longLength(key, spec.version) ? 8 : 4) + data;
    }
    const QByteArray globalMask = be(0, 4);
    const qint64 section = lengthSize + layerInfoPadded + globalMask.size() + blocks.size();

    head += be(quint64(section), lengthSize) + be(quint64(layerInfoPadded), lengthSize)
            + be(quint64(spec.layers), 2) + records;
    result.afterChannels = QByteArray(int(layerInfoPadded - layerInfo), '\0') + globalMask + blocks + be(0, 2);
    result.total = head.size() + channelData + result.afterChannels.size() + 3 * qint64(spec.width) * spec.height;
    return result;
}

bool writePlane(QIODevice *out, const Spec &spec, int layer, int channel, const QRect &rect)
{
    QByteArray row(rect.width(), '\0');
    for (int y = 0; y < rect.height(); ++y) {
        for (int x = 0; x < rect.width(); ++x)
            row[x] = char(sample(spec.seed, layer, channel, x, y));
        if (out->write(row) != row.size())
            return false;
    }
    return true;
}

} // namespace

QByteArray xmp(int ancestors)
{
    QByteArray packet = QByteArrayLiteral(
            "<?xpacket begin=\"\xef\xbb\xbf\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
            "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Adobe XMP Core 5.6-c014\">\n"
            "   <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
            "      <rdf:Description rdf:about=\"\"\n"
            "            xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
            "            xmlns:photoshop=\"http://ns.adobe.com/photoshop/1.0/\">\n"
            "         <xmp:CreatorTool>Adobe Photoshop CC 2015 (Windows) – 测试</xmp:CreatorTool>\n"
            "         ");
    if (ancestors >= 0) {
        packet += ListOpen;
        for (int index = 0; index < ancestors; ++index)
            packet += ancestorItem(index);
        packet += ListClose;
    }
    packet += QByteArrayLiteral("\n"
                                "         <photoshop:ColorMode>3</photoshop:ColorMode>\n"
                                "      </rdf:Description>\n"
                                "   </rdf:RDF>\n"
                                "</x:xmpmeta>\n");
    packet += QByteArray(200, ' ') + QByteArrayLiteral("\n<?xpacket end=\"w\"?>");
    return packet;
}

qint64 listBytes(int ancestors)
{
    return xmp(ancestors).size() - xmp(-1).size();
}

bool write(QIODevice *out, const Spec &spec)
{
    const Layout parts = layout(spec);
    if (out->write(parts.head) != parts.head.size())
        return false;
    for (int layer = 0; layer < spec.layers; ++layer) {
        const QRect rect = layerRect(spec, layer);
        for (const int id : LayerChannels) {
            if (out->write(be(0, 2)) != 2 || !writePlane(out, spec, layer, id, rect))
                return false;
        }
    }
    if (out->write(parts.afterChannels) != parts.afterChannels.size())
        return false;
    for (int channel = 0; channel < 3; ++channel) {
        if (!writePlane(out, spec, 99, channel, QRect(0, 0, spec.width, spec.height)))
            return false;
    }
    return true;
}

QByteArray build(const Spec &spec)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(&buffer, spec);
    return bytes;
}

qint64 size(const Spec &spec)
{
    return layout(spec).total;
}

} // namespace SlimTestDocuments
