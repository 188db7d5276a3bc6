#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Pictures and files for the engine's tests.
namespace TestImages {

// A deterministic picture with smooth variation, a grain, and (for formats
// with alpha) fully transparent, translucent and opaque pixels.
QImage pattern(int width, int height, QImage::Format format = QImage::Format_ARGB32);

// A 16-bit RGBA picture whose channel values are not multiples of 257, so any
// trip through 8 bits shows.
QImage deepPattern(int width, int height, bool withAlpha);

// Empty when `actual` shows `expected` at (dx, dy) pixel for pixel; otherwise
// the first differing pixel with both values. Pixels that are fully transparent
// in both compare equal whatever their colour.
QString firstDifference(const QImage &expected, const QImage &actual, int dx = 0, int dy = 0);

// Source-over of a non-premultiplied pixel on an opaque fill, rounded.
QRgb overOpaque(QRgb source, QRgb fill);

// Decodes a file the way a user's viewer would (orientation applied).
QImage load(const QString &path);

bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// A JPEG with an EXIF orientation tag inserted after its start marker.
QByteArray withExifOrientation(const QByteArray &jpeg, int orientation);

// A baseline uncompressed RGB TIFF holding one page per picture.
QByteArray multiPageTiff(const QList<QImage> &pages);

} // namespace TestImages
