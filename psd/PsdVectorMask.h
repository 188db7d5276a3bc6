#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QRect>
#include <QSize>

// A layer's vector mask: the path of its "vmsk" (or "vsms") block, drawn
// anti-aliased into a coverage plane that multiplies the layer's alpha like a
// pixel mask does.
namespace Psd {

struct VectorMask
{
    // How a subpath meets the shape of the subpaths before it.
    enum class Operation { Exclude = 0, Combine = 1, Subtract = 2, Intersect = 3 };
    struct Subpath
    {
        QPainterPath path;  // in document pixels
        Operation operation = Operation::Combine;
    };

    bool inverted = false;
    bool disabled = false;
    bool startsFull = false; // the shape starts as the whole canvas, not empty
    QList<Subpath> subpaths;
};

// Reads the block's data (version, flags, 26-byte path records). Points are
// stored as fractions of the canvas and come out in pixels of `canvas`.
// Records of unknown types and a short last record are ignored; false only
// when the data is too short for its header.
bool parseVectorMask(const QByteArray &data, const QSize &canvas, VectorMask *mask);

// The coverage of the mask over `area` (document coordinates), 0 outside the
// shape and 255 inside, as a Format_Alpha8 picture of the area's size.
QImage rasteriseVectorMask(const VectorMask &mask, const QRect &area);

} // namespace Psd
