#pragma once

#include "JpegEncoder.h"

#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

// The codec layer of the padding engine: decoding from memory with a bound on
// the memory a picture may take, and encoding to memory with the settings this
// product chooses. Failures come back as false plus a message; nothing throws.
namespace ImageCodecs {

enum class Encoder { Png, Jpeg, Bmp, Gif, Tiff };

// PNG is written by PngEncoder and JPEG by JpegEncoder, with the settings
// chosen there.

// Bytes padding one picture may take at its peak (see peakBytes). Follows the
// machine's physical memory; never unlimited.
qint64 pixelMemoryLimit();

// Bytes padding one picture may take when it runs alone: a picture between
// pixelMemoryLimit() and this waits until no other picture is in progress.
// Half the machine's physical memory.
qint64 aloneMemoryLimit();

// Bytes of a source file the engine agrees to read into memory.
qint64 sourceFileLimit();

// The picture family of `bytes`, told by its signature: "png", "jpeg", "bmp",
// "gif" or "tiff"; empty for anything else (SVG, XBM, ... whatever the name says).
QByteArray familyOf(const QByteArray &bytes);

// What a picture's header tells before any pixel is decoded.
struct Probe
{
    QByteArray family;         // as familyOf()
    QSize size;                // as displayed, orientation applied
    int bytesPerPixel = 4;     // of the decoded picture, at least 4
    bool hasAlpha = false;
    bool deep = false;         // padded and written with 16 bits a channel
    bool transformed = false;  // decoding applies an orientation, through a second copy
};

// Reads the header of `bytes`. Fails for anything but the five families and
// for headers that cannot be read.
bool probe(const QByteArray &bytes, bool applyOrientation, Probe *probe, QString *error);
// The same from a device open for reading at the picture's start, reading only
// what the header takes (a TIFF's directory may follow its pixels).
bool probe(QIODevice *device, bool applyOrientation, Probe *probe, QString *error);

// The most memory padding one picture takes at any moment: the file and the
// decoded source, the source and the canvas, the canvas, the encoder's working
// memory and its output, and the output and its decoded read-back.
qint64 peakBytes(const Probe &probe, qint64 fileBytes, const QSize &canvas, bool deep, Encoder encoder);

// Decodes `bytes`, which must be of one of the five families. With
// `applyOrientation` an EXIF orientation is applied, so the picture comes out as
// it is displayed. Pictures whose declared size exceeds pixelMemoryLimit() are
// refused before any pixel is decoded, whatever QT_IMAGEIO_MAXALLOC says. Data
// that ends early or that the decoder reports corrupt fails; a decoder warning
// that loses no pixel passes and comes back in `warning` (when given).
bool decode(const QByteArray &bytes, bool applyOrientation, QImage *image, QString *error,
            QString *warning = nullptr);
// The same for bytes whose header `probed` was read from already (by probe
// with the same `applyOrientation`).
bool decode(const QByteArray &bytes, const Probe &probed, bool applyOrientation, QImage *image, QString *error,
            QString *warning = nullptr);

// Encodes `image` with `encoder`, converting it in place where it can so that no
// second full-size copy exists. 16-bit pictures keep 16 bits in PNG and TIFF;
// an alpha channel survives in PNG, TIFF, GIF (fully transparent pixels only)
// and BMP; a colour space is carried where the format stores one. A JPEG is
// written in `jpegStyle` when given (its source's own), else at quality 90, 4:2:0.
bool encode(QImage image, Encoder encoder, QByteArray *bytes, QString *error,
            const JpegEncoder::Style *jpegStyle = nullptr);

// True for pictures with more than 8 bits per channel, which are padded and
// written with 16.
bool isDeep(const QImage &image);

// True when every pixel is fully opaque.
bool isOpaque(const QImage &image);

// True for libjpeg warnings that mean pixels are missing or wrong; the others
// (extraneous bytes between markers, unknown revisions, a bad ICC marker) leave
// every pixel as the file holds it.
bool jpegWarningLosesPixels(const QString &warning);

// Writers Qt does not have (or has without alpha). Exposed for tests.
bool encodeGif(const QImage &image, QByteArray *bytes, QString *error);
bool encodeBmpWithAlpha(const QImage &image, QByteArray *bytes, QString *error);

// Reads contiguous 8-bit RGBA TIFF with unassociated alpha without
// premultiplying it. Sets *handled to false (and returns false) for any other
// kind of TIFF, which Qt's reader then takes.
bool decodeUnassociatedTiff(const QByteArray &bytes, bool applyOrientation, QImage *image, bool *handled,
                            QString *error);

// Damage checks for formats whose Qt reader fills missing data instead of
// failing. True when the data is complete; `warning` names damage that loses no
// pixel of the first frame. Exposed for tests.
bool checkBmpComplete(const QByteArray &bytes, QString *error);
bool checkGifComplete(const QByteArray &bytes, QString *error, QString *warning);

} // namespace ImageCodecs
