#include "GreyPng.h"

#include "WorkerText.h"

#include <QRgba64>

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace GreyPng {

namespace {

// What libpng's callbacks touch: plain data only, as a longjmp skips destructors.
struct State
{
    QByteArray *out = nullptr;
    char message[256] = {};
};

void writeBytes(png_structp png, png_bytep data, size_t length)
{
    auto *state = static_cast<State *>(png_get_io_ptr(png));
    state->out->append(reinterpret_cast<const char *>(data), qsizetype(length));
}

void flushBytes(png_structp)
{
}

void onError(png_structp png, png_const_charp message)
{
    auto *state = static_cast<State *>(png_get_error_ptr(png));
    std::strncpy(state->message, message, sizeof state->message - 1);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp)
{
}

void packRow(const QImage &image, int y, bool deep, png_byte *out)
{
    const int width = image.width();
    if (deep) {
        const auto *row = reinterpret_cast<const QRgba64 *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x, out += 4) {
            out[0] = png_byte(row[x].red() >> 8);
            out[1] = png_byte(row[x].red());
            out[2] = png_byte(row[x].alpha() >> 8);
            out[3] = png_byte(row[x].alpha());
        }
        return;
    }
    const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
    for (int x = 0; x < width; ++x, out += 2) {
        out[0] = png_byte(qRed(row[x]));
        out[1] = png_byte(qAlpha(row[x]));
    }
}

bool writePng(png_structp png, png_infop info, State &state, const QImage &image, bool deep, const QByteArray &icc,
              std::vector<png_byte> &row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &state, writeBytes, flushBytes);
    // The settings of the engine's own PNG writer: quick, and small enough.
    png_set_compression_level(png, 3);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), deep ? 16 : 8,
                 PNG_COLOR_TYPE_GRAY_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0)
        png_set_pHYs(png, info, png_uint_32(image.dotsPerMeterX()), png_uint_32(image.dotsPerMeterY()),
                     PNG_RESOLUTION_METER);
    if (!icc.isEmpty())
        png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                     reinterpret_cast<png_const_bytep>(icc.constData()), png_uint_32(icc.size()));
    png_write_info(png, info);
    for (int y = 0; y < image.height(); ++y) {
        packRow(image, y, deep, row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

} // namespace

bool encode(const QImage &source, const QByteArray &icc, QByteArray *bytes, QString *error)
{
    const bool deep = source.depth() == 64;
    const QImage image = source.convertToFormat(deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
    if (image.isNull()) {
        *error = WorkerText::Translate(QStringLiteral("没有可编码的图像"));
        return false;
    }
    State state;
    bytes->clear();
    state.out = bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *error = WorkerText::Translate(QStringLiteral("内存不足，无法编码 PNG"));
        return false;
    }
    // libpng checks profiles against its list of known ones; a grey profile it
    // does not know is still a valid profile.
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    std::vector<png_byte> row(size_t(image.width()) * (deep ? 4 : 2));
    const bool ok = writePng(png, info, state, image, deep, icc, row);
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        bytes->clear();
        *error = WorkerText::Translate(QStringLiteral("编码失败（PNG）：%1")).arg(QString::fromLatin1(state.message));
    }
    return ok;
}

} // namespace GreyPng
