#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QRgba64>

// The pixels of a new border: the source composed over a fill colour row by
// row, exact to the nearest integer, and the border drawn from the source's
// own edge pixels (extended or mirrored).
namespace CanvasFill {

// Source-over of `count` non-premultiplied pixels on `fill` into `dst`.
void composeRow8(const QRgb *src, QRgb *dst, int count, QRgb fill);
void composeRow16(const QRgba64 *src, QRgba64 *dst, int count, QRgba64 fill);

// True when the colours of an 8-bit canvas fit one GIF palette: 256 entries,
// one of them taken by the fully transparent pixels when there are any.
bool fitsGifPalette(const QImage &canvas);

// Fills the canvas (32 or 64 bits a pixel) around `picture`, which already
// holds the source, from the source's own pixels: first the rows the picture
// spans, sideways, then whole rows above and below from those.
void extendBorders(QImage &canvas, const QRect &picture, bool mirror);

} // namespace CanvasFill
