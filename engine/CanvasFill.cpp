#include "CanvasFill.h"

#include "ImageProcessor.h"

#include <QSet>

#include <cstring>
#include <vector>

namespace {

// Source-over of one non-premultiplied pixel on the fill, exact to the nearest
// integer. For an opaque fill this is (s * a + f * (max - a)) / max; the general
// form also covers translucent fills.
template<quint64 Max>
inline void compose(quint64 sa, const quint64 s[3], quint64 fa, const quint64 f[3], quint64 *outA, quint64 out[3])
{
    const quint64 rest = fa * (Max - sa); // fill coverage, scaled by Max
    const quint64 alphaScaled = sa * Max + rest; // result alpha, scaled by Max
    *outA = (alphaScaled + Max / 2) / Max;
    if (alphaScaled == 0) {
        out[0] = s[0];
        out[1] = s[1];
        out[2] = s[2];
        return;
    }
    for (int c = 0; c < 3; ++c)
        out[c] = (s[c] * sa * Max + f[c] * rest + alphaScaled / 2) / alphaScaled;
}

// Fills the canvas around `picture`, which already holds the source, from the
// source's own pixels: first the rows the picture spans, sideways, then whole
// rows above and below from those.
template<typename Pixel>
void extendBordersOf(QImage &canvas, const QRect &picture, bool mirror)
{
    const int width = canvas.width();
    const int left = picture.x();
    const int right = picture.x() + picture.width();
    if (left > 0 || right < width) {
        std::vector<int> columns;
        columns.reserve(size_t(width - picture.width()));
        for (int x = 0; x < left; ++x)
            columns.push_back(left + ImageProcessor::borderSource(x - left, picture.width(), mirror));
        for (int x = right; x < width; ++x)
            columns.push_back(left + ImageProcessor::borderSource(x - left, picture.width(), mirror));
        for (int y = picture.y(); y < picture.y() + picture.height(); ++y) {
            Pixel *row = reinterpret_cast<Pixel *>(canvas.scanLine(y));
            size_t c = 0;
            for (int x = 0; x < left; ++x)
                row[x] = row[columns[c++]];
            for (int x = right; x < width; ++x)
                row[x] = row[columns[c++]];
        }
    }
    const size_t rowBytes = size_t(width) * sizeof(Pixel);
    for (int y = 0; y < canvas.height(); ++y) {
        if (y >= picture.y() && y < picture.y() + picture.height())
            continue;
        const int from = picture.y() + ImageProcessor::borderSource(y - picture.y(), picture.height(), mirror);
        std::memcpy(canvas.scanLine(y), canvas.constScanLine(from), rowBytes);
    }
}

} // namespace

namespace CanvasFill {

void composeRow8(const QRgb *src, QRgb *dst, int count, QRgb fill)
{
    const quint32 fillAlpha = qAlpha(fill);
    if (fillAlpha == 0) {
        // Over a fully transparent fill source-over yields the source pixel itself.
        std::memcpy(dst, src, size_t(count) * sizeof(QRgb));
        return;
    }
    const quint64 f[3] = {quint64(qRed(fill)), quint64(qGreen(fill)), quint64(qBlue(fill))};
    for (int x = 0; x < count; ++x) {
        const QRgb s = src[x];
        const quint32 a = qAlpha(s);
        if (a == 255) {
            dst[x] = s;
        } else if (fillAlpha == 255) {
            const quint32 rest = 255 - a;
            dst[x] = qRgba(int((qRed(s) * a + f[0] * rest + 127) / 255), int((qGreen(s) * a + f[1] * rest + 127) / 255),
                           int((qBlue(s) * a + f[2] * rest + 127) / 255), 255);
        } else {
            const quint64 sc[3] = {quint64(qRed(s)), quint64(qGreen(s)), quint64(qBlue(s))};
            quint64 outA, out[3];
            compose<255>(a, sc, fillAlpha, f, &outA, out);
            dst[x] = qRgba(int(out[0]), int(out[1]), int(out[2]), int(outA));
        }
    }
}

void composeRow16(const QRgba64 *src, QRgba64 *dst, int count, QRgba64 fill)
{
    const quint64 fillAlpha = fill.alpha();
    if (fillAlpha == 0) {
        std::memcpy(dst, src, size_t(count) * sizeof(QRgba64));
        return;
    }
    const quint64 f[3] = {fill.red(), fill.green(), fill.blue()};
    for (int x = 0; x < count; ++x) {
        const QRgba64 s = src[x];
        const quint64 a = s.alpha();
        if (a == 0xffff) {
            dst[x] = s;
            continue;
        }
        const quint64 sc[3] = {s.red(), s.green(), s.blue()};
        quint64 outA, out[3];
        compose<0xffff>(a, sc, fillAlpha, f, &outA, out);
        dst[x] = QRgba64::fromRgba64(quint16(out[0]), quint16(out[1]), quint16(out[2]), quint16(outA));
    }
}

// True when the colours of an 8-bit canvas fit one GIF palette: 256 entries,
// one of them taken by the fully transparent pixels when there are any.
bool fitsGifPalette(const QImage &canvas)
{
    if (canvas.format() != QImage::Format_ARGB32)
        return false;
    QSet<QRgb> colours;
    bool transparent = false;
    QRgb last = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x) {
            if (qAlpha(row[x]) == 0) {
                transparent = true;
                continue;
            }
            const QRgb colour = row[x] & 0xffffffu;
            if (colour == last && !colours.isEmpty())
                continue;
            last = colour;
            colours.insert(colour);
            if (colours.size() + (transparent ? 1 : 0) > 256)
                return false;
        }
    }
    return colours.size() + (transparent ? 1 : 0) <= 256;
}

void extendBorders(QImage &canvas, const QRect &picture, bool mirror)
{
    if (canvas.depth() == 64)
        extendBordersOf<QRgba64>(canvas, picture, mirror);
    else
        extendBordersOf<QRgb>(canvas, picture, mirror);
}

} // namespace CanvasFill
