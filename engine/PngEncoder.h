#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The engine's PNG writer, with the filter and compressor chosen on the
// benchmark corpus (docs/benchmark.md), where Qt's writer tries every filter on
// every row at a zlib level it picks from a quality. Lossless like Qt's: 8 or
// 16 bits per channel, alpha only when the picture has an alpha channel, the
// resolution as pHYs and the colour space as an iCCP profile.
namespace PngEncoder {

enum class Deflater {
    Zlib,       // libpng and zlib, row by row
    Libdeflate, // libdeflate over the whole filtered picture at once: faster, but holds it in memory
};

struct Settings
{
    int filters;       // PNG_FILTER_* bits; with Zlib more than one lets libpng choose per row,
                       // Libdeflate takes one of NONE, SUB, UP, PAETH
    int level;         // zlib 0 to 9, libdeflate 0 to 12
    int zlibStrategy;  // Z_DEFAULT_STRATEGY, Z_FILTERED, Z_RLE, ... (Zlib only)
    Deflater deflater = Deflater::Zlib;
};

// What the engine writes with.
Settings engineSettings();

// Encodes `image`. 32-bit formats are written with 8 bits per channel, 64-bit
// ones with 16; any other format is converted to one of those first.
bool encode(const QImage &image, const Settings &settings, QByteArray *bytes, QString *error);

// The format encode() writes `image` from: ARGB32, RGB32, RGBA64 or RGBX64.
QImage::Format rowFormat(const QImage &image);

// Row `y` of an image in rowFormat() as PNG stores it: R, G, B (and A when
// the format has alpha), 16-bit samples big-endian. For other PNG writers in
// the benchmark.
void packRow(const QImage &image, int y, uchar *out);

} // namespace PngEncoder
