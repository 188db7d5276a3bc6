#include "PsdVectorMask.h"

#include <QPainter>

#include <cstring>

namespace Psd {

namespace {

constexpr int RecordSize = 26;

qint32 readSigned(const uchar *p)
{
    return qint32((quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]));
}

// A point: vertical then horizontal, signed 8.24 fixed point fractions.
QPointF readPoint(const uchar *p, const QSize &canvas)
{
    constexpr double unit = 1 << 24;
    return QPointF(readSigned(p + 4) / unit * canvas.width(), readSigned(p) / unit * canvas.height());
}

struct Knot
{
    QPointF before, anchor, after;
};

QPainterPath pathOf(const QList<Knot> &knots, bool closed)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    if (knots.isEmpty())
        return path;
    path.moveTo(knots.first().anchor);
    for (qsizetype i = 1; i < knots.size(); ++i)
        path.cubicTo(knots.at(i - 1).after, knots.at(i).before, knots.at(i).anchor);
    if (closed) {
        path.cubicTo(knots.last().after, knots.first().before, knots.first().anchor);
        path.closeSubpath();
    }
    return path;
}

} // namespace

bool parseVectorMask(const QByteArray &data, const QSize &canvas, VectorMask *mask)
{
    *mask = VectorMask();
    if (data.size() < 8)
        return false;
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const quint32 flags = quint32(readSigned(bytes + 4));
    mask->inverted = flags & 1;
    mask->disabled = flags & 4;

    QList<Knot> knots;
    qint64 knotsLeft = 0;
    bool closed = true;
    VectorMask::Operation operation = VectorMask::Operation::Combine;
    const auto finish = [&] {
        if (!knots.isEmpty())
            mask->subpaths.append({pathOf(knots, closed), operation});
        knots.clear();
    };
    for (qsizetype at = 8; at + RecordSize <= data.size(); at += RecordSize) {
        const uchar *record = bytes + at;
        const int type = (record[0] << 8) | record[1];
        switch (type) {
        case 0:   // closed subpath: knot count, then its boolean operation
        case 3: { // open subpath
            finish();
            closed = type == 0;
            knotsLeft = (record[2] << 8) | record[3];
            const int stored = qint16((record[4] << 8) | record[5]);
            // Older documents store -1: the subpaths then alternate inside and
            // outside, as an even-odd fill would.
            operation = stored >= 0 && stored <= 3 ? VectorMask::Operation(stored) : VectorMask::Operation::Exclude;
            break;
        }
        case 1:
        case 2:
        case 4:
        case 5:
            if (knotsLeft > 0) {
                knots.append({readPoint(record + 2, canvas), readPoint(record + 10, canvas), readPoint(record + 18, canvas)});
                if (--knotsLeft == 0)
                    finish();
            }
            break;
        case 8: // initial fill rule: 1 when the shape starts with every pixel
            mask->startsFull = ((record[2] << 8) | record[3]) == 1;
            break;
        default: // fill rule and clipboard records carry nothing to draw
            break;
        }
    }
    finish();
    return true;
}

QImage rasteriseVectorMask(const VectorMask &mask, const QRect &area)
{
    QImage coverage(area.size(), QImage::Format_Alpha8);
    if (coverage.isNull())
        return coverage;
    coverage.fill(mask.startsFull ? 255 : 0);
    QImage shape(area.size(), QImage::Format_Alpha8);
    if (shape.isNull())
        return QImage();
    for (const VectorMask::Subpath &subpath : mask.subpaths) {
        shape.fill(0);
        {
            QPainter painter(&shape);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.translate(-area.topLeft());
            painter.fillPath(subpath.path, Qt::black);
        }
        for (int y = 0; y < area.height(); ++y) {
            uchar *out = coverage.scanLine(y);
            const uchar *in = shape.constScanLine(y);
            for (int x = 0; x < area.width(); ++x) {
                const int a = out[x];
                const int b = in[x];
                const int both = (a * b + 127) / 255;
                switch (subpath.operation) {
                case VectorMask::Operation::Combine:   out[x] = uchar(a + b - both); break;
                case VectorMask::Operation::Subtract:  out[x] = uchar(a - both); break;
                case VectorMask::Operation::Intersect: out[x] = uchar(both); break;
                case VectorMask::Operation::Exclude:   out[x] = uchar(a + b - 2 * both); break;
                }
            }
        }
    }
    if (mask.inverted) {
        for (int y = 0; y < area.height(); ++y) {
            uchar *out = coverage.scanLine(y);
            for (int x = 0; x < area.width(); ++x)
                out[x] = uchar(255 - out[x]);
        }
    }
    return coverage;
}

} // namespace Psd
