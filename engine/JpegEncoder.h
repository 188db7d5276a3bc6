#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <array>

// The engine's JPEG writer. A padded JPEG is written the way its source was:
// at the quality its quantisation tables show, with its chroma subsampling,
// progressive or baseline, and with its EXIF, XMP, ICC and comment segments,
// so padding neither blurs a fine photo nor inflates a coarse one.
namespace JpegEncoder {

// How a JPEG was encoded, as far as a new encoding can repeat it.
struct Style
{
    int quality = 90;  // 1 to 100 on libjpeg's scale
    bool grey = false; // one component
    // Horizontal and vertical sampling factors of Y, Cb and Cr: 2×2, 1×1, 1×1 is 4:2:0.
    std::array<std::array<int, 2>, 3> sampling = {{{2, 2}, {1, 1}, {1, 1}}};
    bool progressive = false;
    // Whole segments to carry over, in file order: the marker (0xE1, 0xE2, 0xFE)
    // and the data after its length.
    QList<QPair<int, QByteArray>> segments;
};

// The style of the JPEG in `bytes`, read from its header. False with a
// message when libjpeg cannot read the header.
bool readStyle(const QByteArray &bytes, Style *style, QString *error);

// The libjpeg quality whose scaled standard tables come nearest to `luma` and,
// when given, `chroma` (64 quantisers each, in natural order, not zigzag).
int estimateQuality(const quint16 *luma, const quint16 *chroma);

// Encodes `image` (converted to 8-bit RGB, or grey for a grey style) in
// `style`. The resolution goes into the JFIF header; without carried ICC
// segments the image's colour space is written as the profile.
bool encode(const QImage &image, const Style &style, QByteArray *bytes, QString *error);

} // namespace JpegEncoder
