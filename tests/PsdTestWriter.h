#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QRectF>
#include <QString>

// Writes small Photoshop documents for the tests, with the features the
// reader must understand: PSD and PSB, 8/16/32-bit channels, every channel
// compression, Unicode names, groups, masks and layers kept in a block.
namespace PsdTestWriter {

struct Channel
{
    qint16 id = 0;
    // Big-endian samples of the channel's rectangle (the layer's, or the
    // mask's for ids -2 and -3), rows top to bottom.
    QByteArray samples;
};

// An additional layer information block as some writer lays it out.
struct Block
{
    QByteArray signature = "8BIM"; // or "8B64"
    QByteArray key;
    QByteArray data;
    int lengthSize = 4;    // 8 for the long keys of a PSB
    int alignment = 4;     // the data is padded with zeros to a multiple of this; 1: none
};

struct Layer
{
    QString name;
    QRect rect;              // empty for a group or divider
    QList<Channel> channels;
    quint8 opacity = 255;
    bool hidden = false;
    int sectionType = 0;     // "lsct": 1 open group, 2 closed group, 3 group end
    bool unicodeName = true; // adds "luni"; the Pascal name is the name in Latin-1
    bool hasMask = false;
    QRect maskRect;
    quint8 maskDefault = 0;
    quint8 maskFlags = 0;
    QByteArray blendingRanges; // after its 4-byte length; none when empty
    // A pixel mask beside a vector mask: the mask above then stands for the
    // vector mask's rendering and this one, channel -3, follows it.
    bool hasRealMask = false;
    QRect realMaskRect;
    quint8 realMaskDefault = 0;
    quint8 realMaskFlags = 0;
    QByteArray maskParameters; // after the flags (set bit 4 of maskFlags): a bit set, then the values
    QByteArray blendMode = "norm";
    quint8 clipping = 0;
    QList<Block> blocks;     // after "luni" and "lsct"
};

struct Document
{
    int version = 1;
    int width = 8;
    int height = 8;
    int depth = 8;
    int colorMode = 3;
    int channels = 3;
    int compression = 0;     // of every channel: 0 raw, 1 RLE, 2 ZIP, 3 ZIP with prediction
    QByteArray colorModeData;
    QList<QPair<quint16, QByteArray>> resources;
    QList<Layer> layers;     // bottom-most first
    bool layersInBlock = false; // layers in a "Lr16"/"Lr32" block (by depth) instead of the layer info
    QList<QByteArray> merged; // planes of the merged image, raw; zero-filled when missing
    QList<Block> globalBlocks; // after the global mask (and the layers' block)
};

QByteArray write(const Document &document);

// Appends `value` big-endian in `size` bytes.
void put(QByteArray &out, quint64 value, int size);

// PackBits of one row of `size` bytes.
QByteArray packBits(const char *row, int size);

// A channel's compressed data (without the compression field) for rows of
// `width` samples of `depth` bits.
QByteArray compress(const QByteArray &samples, int width, int height, int depth, int compression, int version);

// "vmsk" data: one closed subpath per rectangle (fractions of the canvas,
// straight edges), the first starting the shape and each later one combined
// with it by `operation` (0 exclude, 1 combine, 2 subtract, 3 intersect), and
// the block's flags (1 inverted, 4 disabled).
QByteArray vectorMask(const QList<QRectF> &rectangles, quint32 flags = 0, int operation = 1);

// Samples of one value, big-endian.
QByteArray plane(int width, int height, int depth, quint32 value);

} // namespace PsdTestWriter
