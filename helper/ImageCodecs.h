#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The codec layer of the padding engine: decoding from memory with a bound on
// the memory a picture may take, and encoding to memory with the settings this
// product chooses. Failures come back as false plus a message; nothing throws.
namespace ImageCodecs {

enum class Encoder { Png, Jpeg, Bmp, Gif, Tiff };

// JPEG at 90: Qt's own 75 visibly degrades a photo that is saved once more.
// PNG is written by PngEncoder with the settings chosen there.
inline constexpr int JpegQuality = 90;

// Bytes one decoded picture (or one padded canvas) may take. Follows the
// machine's physical memory, because a run holds up to two pictures of that size
// at once; never unlimited.
qint64 pixelMemoryLimit();

// Bytes of a source file the engine agrees to read into memory.
qint64 sourceFileLimit();

// Decodes `bytes` (format told by content, not by name). With
// `applyOrientation` an EXIF orientation is applied, so the picture comes out as
// it is displayed. Pictures whose declared size exceeds pixelMemoryLimit() are
// refused before any pixel is decoded, whatever QT_IMAGEIO_MAXALLOC says.
bool decode(const QByteArray &bytes, bool applyOrientation, QImage *image, QString *error);

// Encodes `image` with `encoder`. 16-bit pictures keep 16 bits in PNG and TIFF;
// an alpha channel survives in PNG, TIFF, GIF (fully transparent pixels only)
// and BMP; a colour space is carried where the format stores one.
bool encode(const QImage &image, Encoder encoder, QByteArray *bytes, QString *error);

// True for pictures with more than 8 bits per channel, which are padded and
// written with 16.
bool isDeep(const QImage &image);

// True when every pixel is fully opaque.
bool isOpaque(const QImage &image);

// Writers Qt does not have (or has without alpha). Exposed for tests.
bool encodeGif(const QImage &image, QByteArray *bytes, QString *error);
bool encodeBmpWithAlpha(const QImage &image, QByteArray *bytes, QString *error);

// Reads contiguous 8-bit RGBA TIFF with unassociated alpha without
// premultiplying it. Sets *handled to false (and returns false) for any other
// kind of TIFF, which Qt's reader then takes.
bool decodeUnassociatedTiff(const QByteArray &bytes, bool applyOrientation, QImage *image, bool *handled,
                            QString *error);

} // namespace ImageCodecs
