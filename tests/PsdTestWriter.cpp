#include "PsdTestWriter.h"

#include <zlib.h>

namespace PsdTestWriter {

void put(QByteArray &out, quint64 value, int size)
{
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xff));
}

QByteArray packBits(const char *row, int size)
{
    QByteArray out;
    int index = 0;
    while (index < size) {
        int run = 1;
        while (index + run < size && run < 128 && row[index + run] == row[index])
            ++run;
        if (run >= 3) {
            out.append(char(1 - run));
            out.append(row[index]);
            index += run;
            continue;
        }
        int literal = 0;
        while (index + literal < size && literal < 128) {
            if (index + literal + 2 < size && row[index + literal] == row[index + literal + 1]
                && row[index + literal] == row[index + literal + 2])
                break;
            ++literal;
        }
        out.append(char(literal - 1));
        out.append(row + index, literal);
        index += literal;
    }
    return out;
}

namespace {

QByteArray deflate(const QByteArray &data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(data.constData()),
              uLong(data.size()), 6);
    out.truncate(qsizetype(size));
    return out;
}

QByteArray predict(const QByteArray &samples, int width, int height, int depth)
{
    QByteArray out = samples;
    const int bytes = depth / 8;
    const qsizetype rowBytes = qsizetype(width) * bytes;
    for (int y = 0; y < height; ++y) {
        char *row = out.data() + y * rowBytes;
        if (depth == 8) {
            for (int x = width - 1; x > 0; --x)
                row[x] = char(row[x] - row[x - 1]);
        } else if (depth == 16) {
            for (int x = width - 1; x > 0; --x) {
                const quint16 v = quint16((quint8(row[2 * x]) << 8) | quint8(row[2 * x + 1]));
                const quint16 p = quint16((quint8(row[2 * x - 2]) << 8) | quint8(row[2 * x - 1]));
                const quint16 d = quint16(v - p);
                row[2 * x] = char(d >> 8);
                row[2 * x + 1] = char(d & 0xff);
            }
        } else {
            // 32-bit: the bytes of each sample are split into four planes, then deltas over the row.
            QByteArray split(rowBytes, '\0');
            for (int x = 0; x < width; ++x) {
                for (int b = 0; b < 4; ++b)
                    split[b * width + x] = row[4 * x + b];
            }
            for (qsizetype i = rowBytes - 1; i > 0; --i)
                split[i] = char(split[i] - split[i - 1]);
            std::copy(split.cbegin(), split.cend(), row);
        }
    }
    return out;
}

void block(QByteArray &out, const char *key, const QByteArray &data, int lengthSize)
{
    out.append("8BIM");
    out.append(key, 4);
    put(out, quint64(data.size()), lengthSize);
    out.append(data);
}

void block(QByteArray &out, const Block &block)
{
    out.append(block.signature);
    out.append(block.key);
    put(out, quint64(block.data.size()), block.lengthSize);
    out.append(block.data);
    out.append((block.alignment - block.data.size() % block.alignment) % block.alignment, '\0');
}

QByteArray layerList(const Document &document, bool withLength)
{
    const int lengthSize = document.version == 2 ? 8 : 4;
    QByteArray records;
    QByteArray channelData;
    put(records, quint64(quint16(qint16(document.layers.size()))), 2);
    for (const Layer &layer : document.layers) {
        put(records, quint32(layer.rect.top()), 4);
        put(records, quint32(layer.rect.left()), 4);
        put(records, quint32(layer.rect.top() + layer.rect.height()), 4);
        put(records, quint32(layer.rect.left() + layer.rect.width()), 4);
        put(records, quint64(layer.channels.size()), 2);
        for (const Channel &channel : layer.channels) {
            const QRect rect = channel.id == -3 ? layer.realMaskRect : channel.id == -2 ? layer.maskRect : layer.rect;
            QByteArray data;
            put(data, quint64(document.compression), 2);
            if (!rect.isEmpty())
                data += compress(channel.samples, rect.width(), rect.height(), document.depth, document.compression,
                                 document.version);
            put(records, quint64(channel.id) & 0xffff, 2);
            put(records, quint64(data.size()), lengthSize);
            channelData += data;
        }
        records.append("8BIM");
        records.append(layer.blendMode.left(4));
        records.append(char(layer.opacity));
        records.append(char(layer.clipping));
        records.append(char(layer.hidden ? 0x02 : 0x00));
        records.append('\0');

        QByteArray extra;
        const auto putRect = [&extra](const QRect &rect) {
            put(extra, quint32(rect.top()), 4);
            put(extra, quint32(rect.left()), 4);
            put(extra, quint32(rect.top() + rect.height()), 4);
            put(extra, quint32(rect.left() + rect.width()), 4);
        };
        if (layer.hasRealMask) {
            put(extra, 36, 4);
            putRect(layer.maskRect);
            extra.append(char(layer.maskDefault));
            extra.append(char(layer.maskFlags | 0x08)); // rendered from the vector mask
            extra.append(char(layer.realMaskFlags));
            extra.append(char(layer.realMaskDefault));
            putRect(layer.realMaskRect);
        } else if (layer.hasMask) {
            put(extra, quint64(std::max<qsizetype>(20, 18 + layer.maskParameters.size())), 4);
            putRect(layer.maskRect);
            extra.append(char(layer.maskDefault));
            extra.append(char(layer.maskFlags));
            extra.append(layer.maskParameters);
            extra.append(std::max<qsizetype>(0, 2 - layer.maskParameters.size()), '\0');
        } else {
            put(extra, 0, 4);
        }
        put(extra, quint64(layer.blendingRanges.size()), 4);
        extra.append(layer.blendingRanges);
        const QByteArray latin = layer.name.toLatin1().left(255);
        extra.append(char(latin.size()));
        extra.append(latin);
        extra.append((4 - (latin.size() + 1) % 4) % 4, '\0');
        if (layer.unicodeName) {
            QByteArray data;
            put(data, quint64(layer.name.size()), 4);
            for (const QChar c : layer.name)
                put(data, c.unicode(), 2);
            if (data.size() % 4)
                data.append(4 - data.size() % 4, '\0');
            block(extra, "luni", data, 4);
        }
        if (layer.sectionType) {
            QByteArray data;
            put(data, quint64(layer.sectionType), 4);
            block(extra, "lsct", data, 4);
        }
        for (const Block &extraBlock : layer.blocks)
            block(extra, extraBlock);
        put(records, quint64(extra.size()), 4);
        records += extra;
    }
    QByteArray list = records + channelData;
    if (list.size() % 2)
        list.append('\0');
    if (!withLength)
        return list;
    QByteArray out;
    put(out, quint64(list.size()), lengthSize);
    return out + list;
}

} // namespace

QByteArray vectorMask(const QList<QRectF> &rectangles, quint32 flags, int operation)
{
    QByteArray out;
    put(out, 3, 4); // version
    put(out, flags, 4);
    const auto record = [&out](int type, const QByteArray &body) {
        put(out, quint64(type), 2);
        out += body + QByteArray(24 - body.size(), '\0');
    };
    const auto fixed = [](double fraction) { return quint64(quint32(qint32(qRound(fraction * (1 << 24))))); };
    record(6, QByteArray());
    for (const QRectF &rect : rectangles) {
        QByteArray length;
        put(length, 4, 2);
        put(length, quint64(quint16(qint16(&rect == &rectangles.first() ? 1 : operation))), 2);
        record(0, length);
        for (const QPointF &corner : {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft()}) {
            QByteArray knot;
            for (int i = 0; i < 3; ++i) { // the control points sit on the anchor: straight edges
                put(knot, fixed(corner.y()), 4);
                put(knot, fixed(corner.x()), 4);
            }
            record(2, knot);
        }
    }
    return out;
}

QByteArray plane(int width, int height, int depth, quint32 value)
{
    QByteArray out;
    const int bytes = depth == 1 ? 0 : depth / 8;
    if (depth == 1) {
        out.fill(char(value), qsizetype((width + 7) / 8) * height);
        return out;
    }
    for (qint64 i = 0; i < qint64(width) * height; ++i)
        put(out, value, bytes);
    return out;
}

QByteArray compress(const QByteArray &samples, int width, int height, int depth, int compression, int version)
{
    const qsizetype rowBytes = depth == 1 ? (width + 7) / 8 : qsizetype(width) * depth / 8;
    switch (compression) {
    case 1: {
        QByteArray counts;
        QByteArray rows;
        for (int y = 0; y < height; ++y) {
            const QByteArray row = packBits(samples.constData() + y * rowBytes, int(rowBytes));
            put(counts, quint64(row.size()), version == 2 ? 4 : 2);
            rows += row;
        }
        return counts + rows;
    }
    case 2:
        return deflate(samples);
    case 3:
        return deflate(predict(samples, width, height, depth));
    default:
        return samples;
    }
}

QByteArray write(const Document &document)
{
    const int lengthSize = document.version == 2 ? 8 : 4;
    QByteArray out("8BPS");
    put(out, quint64(document.version), 2);
    out.append(6, '\0');
    put(out, quint64(document.channels), 2);
    put(out, quint64(document.height), 4);
    put(out, quint64(document.width), 4);
    put(out, quint64(document.depth), 2);
    put(out, quint64(document.colorMode), 2);
    put(out, quint64(document.colorModeData.size()), 4);
    out += document.colorModeData;

    QByteArray resources;
    for (const auto &[id, data] : document.resources) {
        resources.append("8BIM");
        put(resources, id, 2);
        resources.append(2, '\0'); // empty name, padded
        put(resources, quint64(data.size()), 4);
        resources += data;
        if (data.size() % 2)
            resources.append('\0');
    }
    put(out, quint64(resources.size()), 4);
    out += resources;

    QByteArray layerAndMask;
    if (!document.layers.isEmpty()) {
        if (document.layersInBlock) {
            put(layerAndMask, 0, lengthSize); // an empty layer info
            put(layerAndMask, 0, 4);          // no global mask
            block(layerAndMask, document.depth == 32 ? "Lr32" : "Lr16", layerList(document, false),
                  document.version == 2 ? 8 : 4);
        } else {
            layerAndMask = layerList(document, true);
            put(layerAndMask, 0, 4);
        }
    } else if (!document.globalBlocks.isEmpty()) {
        put(layerAndMask, 0, lengthSize); // a document saved flat: no layer info
        put(layerAndMask, 0, 4);
    }
    for (const Block &globalBlock : document.globalBlocks)
        block(layerAndMask, globalBlock);
    put(out, quint64(layerAndMask.size()), lengthSize);
    out += layerAndMask;

    put(out, quint64(document.compression), 2);
    QByteArray planes;
    for (int c = 0; c < document.channels; ++c)
        planes += c < document.merged.size() ? document.merged.at(c)
                                             : plane(document.width, document.height, document.depth, 0);
    if (document.compression != 1)
        return out + compress(planes, document.width, document.height * document.channels, document.depth,
                              document.compression, document.version);
    // RLE: the row counts of every channel first, then the rows.
    const qsizetype planeBytes = planes.size() / document.channels;
    const int countBytes = (document.version == 2 ? 4 : 2) * document.height;
    QByteArray counts;
    QByteArray rows;
    for (int c = 0; c < document.channels; ++c) {
        const QByteArray data = compress(planes.mid(c * planeBytes, planeBytes), document.width, document.height,
                                         document.depth, 1, document.version);
        counts += data.left(countBytes);
        rows += data.mid(countBytes);
    }
    return out + counts + rows;
}

} // namespace PsdTestWriter
