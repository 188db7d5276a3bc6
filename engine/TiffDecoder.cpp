#include "ImageCodecs.h"
#include "HelperText.h"

#include <QColorSpace>

#include <tiffio.h>

#include <cstring>
#include <memory>

// Qt reads 8-bit RGBA TIFF through libtiff's RGBA interface, which premultiplies
// unassociated alpha: translucent pixels would lose precision before the engine
// sees them. This reader takes the common case, contiguous 8-bit RGBA with
// unassociated alpha, straight from the scanlines; everything else goes to Qt.

namespace ImageCodecs {

namespace {

struct MemoryFile
{
    const QByteArray *data;
    toff_t position;
};

tmsize_t readMemory(thandle_t handle, void *buffer, tmsize_t size)
{
    auto *file = static_cast<MemoryFile *>(handle);
    const toff_t available = toff_t(file->data->size()) > file->position ? toff_t(file->data->size()) - file->position : 0;
    const tmsize_t count = tmsize_t(qMin<toff_t>(toff_t(size), available));
    std::memcpy(buffer, file->data->constData() + file->position, size_t(count));
    file->position += toff_t(count);
    return count;
}

tmsize_t writeNothing(thandle_t, void *, tmsize_t)
{
    return 0;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence)
{
    auto *file = static_cast<MemoryFile *>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = file->position;
    else if (whence == SEEK_END)
        base = toff_t(file->data->size());
    file->position = base + offset;
    return file->position;
}

int closeNothing(thandle_t)
{
    return 0;
}

toff_t memorySize(thandle_t handle)
{
    return toff_t(static_cast<MemoryFile *>(handle)->data->size());
}

int mapNothing(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapNothing(thandle_t, void *, toff_t)
{
}

struct TiffCloser
{
    void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};

// The picture as displayed for a TIFF orientation tag (1 = as stored).
QImage oriented(const QImage &stored, int orientation)
{
    if (orientation <= 1 || orientation > 8)
        return stored;
    const int w = stored.width();
    const int h = stored.height();
    const bool swap = orientation >= 5;
    QImage out(swap ? h : w, swap ? w : h, stored.format());
    if (out.isNull())
        return out;
    out.setDotsPerMeterX(swap ? stored.dotsPerMeterY() : stored.dotsPerMeterX());
    out.setDotsPerMeterY(swap ? stored.dotsPerMeterX() : stored.dotsPerMeterY());
    out.setColorSpace(stored.colorSpace());
    for (int y = 0; y < h; ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(stored.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            int dx = x, dy = y;
            switch (orientation) {
            case 2: dx = w - 1 - x; break;                       // mirrored left-right
            case 3: dx = w - 1 - x; dy = h - 1 - y; break;       // turned 180
            case 4: dy = h - 1 - y; break;                       // mirrored top-bottom
            case 5: dx = y; dy = x; break;                       // transposed
            case 6: dx = h - 1 - y; dy = x; break;               // turned clockwise
            case 7: dx = h - 1 - y; dy = w - 1 - x; break;       // transversed
            case 8: dx = y; dy = w - 1 - x; break;               // turned anticlockwise
            }
            reinterpret_cast<QRgb *>(out.scanLine(dy))[dx] = row[x];
        }
    }
    return out;
}

} // namespace

bool decodeUnassociatedTiff(const QByteArray &bytes, bool applyOrientation, QImage *image, bool *handled,
                            QString *error)
{
    *handled = false;
    MemoryFile file{&bytes, 0};
    // "m": never map; the bytes are already in memory.
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpen("picture", "rm", &file, readMemory, writeNothing,
                                                          seekMemory, closeNothing, memorySize, mapNothing,
                                                          unmapNothing));
    if (!tiff)
        return false;

    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0, photometric = 0, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
    uint16_t extraCount = 0;
    uint16_t *extraTypes = nullptr;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height)
        || !TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits)
        || !TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples)
        || !TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric))
        return false;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &format);
    if (!TIFFGetField(tiff.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes))
        extraCount = 0;
    if (bits != 8 || samples != 4 || photometric != PHOTOMETRIC_RGB || planar != PLANARCONFIG_CONTIG
        || format != SAMPLEFORMAT_UINT || extraCount != 1 || extraTypes[0] != EXTRASAMPLE_UNASSALPHA
        || TIFFIsTiled(tiff.get()) || width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu)
        return false;

    *handled = true;
    QImage picture(int(width), int(height), QImage::Format_RGBA8888);
    if (picture.isNull()) {
        *error = HelperText::translate(QStringLiteral("内存不足，无法解码 %1×%2 的 TIFF 图片")).arg(width).arg(height);
        return false;
    }
    if (TIFFScanlineSize(tiff.get()) != tmsize_t(width) * 4) {
        *error = HelperText::translate(QStringLiteral("无法解码图片：TIFF 扫描行长度异常"));
        return false;
    }
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff.get(), picture.scanLine(int(y)), y, 0) < 0) {
            *error = HelperText::translate(QStringLiteral("无法解码图片：TIFF 数据读取失败（第 %1 行）")).arg(y);
            return false;
        }
    }
    picture = std::move(picture).convertToFormat(QImage::Format_ARGB32); // a byte swizzle, no arithmetic

    float xResolution = 0, yResolution = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
    const double perMetre = unit == RESUNIT_CENTIMETER ? 100.0 : unit == RESUNIT_INCH ? 1.0 / 0.0254 : 0.0;
    if (perMetre > 0 && TIFFGetField(tiff.get(), TIFFTAG_XRESOLUTION, &xResolution) && xResolution > 0
        && TIFFGetField(tiff.get(), TIFFTAG_YRESOLUTION, &yResolution) && yResolution > 0) {
        picture.setDotsPerMeterX(qRound(xResolution * perMetre));
        picture.setDotsPerMeterY(qRound(yResolution * perMetre));
    }
    uint32_t profileSize = 0;
    void *profile = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &profileSize, &profile) && profileSize > 0)
        picture.setColorSpace(QColorSpace::fromIccProfile(
                QByteArray(static_cast<const char *>(profile), qsizetype(profileSize))));

    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    if (applyOrientation)
        picture = oriented(picture, orientation);
    if (picture.isNull()) {
        *error = HelperText::translate(QStringLiteral("内存不足，无法解码 %1×%2 的 TIFF 图片")).arg(width).arg(height);
        return false;
    }
    *image = std::move(picture);
    return true;
}

} // namespace ImageCodecs
