#include "PngStudy.h"

#include "BenchSupport.h"
#include "ImageCodecs.h"
#include "ImageProcessor.h"
#include "PaddingReport.h"
#include "PngEncoder.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QtEndian>

#include <png.h>
#include <zlib.h>

#ifdef HAVE_SPNG
#include <spng.h>
#endif

#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

namespace PaddingBench {

namespace {

using Writer = std::function<bool(const QImage &, QByteArray *)>;

struct Setting
{
    Setting(const QString &library, const QString &setting, Writer write)
        : library(library), setting(setting), write(std::move(write))
    {
    }

    QString library;
    QString setting;
    Writer write;
    bool engine = false; // what the engine writes with
    QString fault;       // set when the setting failed or changed pixels: left out from then on
    double seconds[2] = {}; // 8-bit, 16-bit
    qint64 bytes[2] = {};
};

// Qt's quality q gives zlib level (100 - q) * 9 / 91; this is the q for a level.
int qualityFor(int level)
{
    return 100 - int(std::ceil(level * 91 / 9.0));
}

bool writeQt(const QImage &image, int quality, QByteArray *bytes)
{
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (quality >= 0)
        writer.setQuality(quality);
    return writer.write(image);
}

QString filterName(int filters)
{
    switch (filters) {
    case PNG_FILTER_NONE:
        return QStringLiteral("none");
    case PNG_FILTER_SUB:
        return QStringLiteral("sub");
    case PNG_FILTER_UP:
        return QStringLiteral("up");
    case PNG_FILTER_PAETH:
        return QStringLiteral("paeth");
    case PNG_ALL_FILTERS:
        return QStringLiteral("all (per row)");
    }
    return QString::number(filters);
}

QString strategyName(int strategy)
{
    switch (strategy) {
    case Z_DEFAULT_STRATEGY:
        return QStringLiteral("default");
    case Z_FILTERED:
        return QStringLiteral("filtered");
    case Z_RLE:
        return QStringLiteral("rle");
    }
    return QString::number(strategy);
}

int bytesPerPixel(const QImage &image)
{
    return (image.hasAlphaChannel() ? 4 : 3) * (image.depth() > 32 ? 2 : 1);
}

#ifdef HAVE_SPNG
bool writeSpng(const QImage &image, int level, int filterChoice, QByteArray *bytes)
{
    spng_ctx *ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    if (ctx == nullptr)
        return false;
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, level);
    spng_set_option(ctx, SPNG_FILTER_CHOICE, filterChoice);
    spng_ihdr ihdr{};
    ihdr.width = uint32_t(image.width());
    ihdr.height = uint32_t(image.height());
    ihdr.bit_depth = image.depth() > 32 ? 16 : 8;
    ihdr.color_type = image.hasAlphaChannel() ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
    spng_set_ihdr(ctx, &ihdr);
    spng_phys phys{uint32_t(image.dotsPerMeterX()), uint32_t(image.dotsPerMeterY()), 1};
    spng_set_phys(ctx, &phys);
    const size_t rowBytes = size_t(image.width()) * size_t(bytesPerPixel(image));
    std::vector<uchar> row(rowBytes);
    bool ok = spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE) == 0;
    for (int y = 0; ok && y < image.height(); ++y) {
        PngEncoder::packRow(image, y, row.data());
        const int rc = spng_encode_row(ctx, row.data(), rowBytes);
        ok = rc == 0 || (rc == SPNG_EOI && y == image.height() - 1);
    }
    if (ok) {
        size_t size = 0;
        int error = 0;
        void *png = spng_get_png_buffer(ctx, &size, &error);
        ok = png != nullptr;
        if (ok)
            *bytes = QByteArray(static_cast<const char *>(png), qsizetype(size));
        std::free(png);
    }
    spng_ctx_free(ctx);
    return ok;
}
#endif


std::vector<Setting> settingsUnderStudy()
{
    std::vector<Setting> settings;
    settings.push_back(Setting{QStringLiteral("Qt"), QStringLiteral("default (zlib 6)"),
                               [](const QImage &i, QByteArray *b) { return writeQt(i, -1, b); }});
    for (int level : {3, 4}) {
        const int q = qualityFor(level);
        settings.push_back(Setting{QStringLiteral("Qt"), QStringLiteral("quality %1 (zlib %2)").arg(q).arg(level),
                                   [q](const QImage &i, QByteArray *b) { return writeQt(i, q, b); }});
    }
    const PngEncoder::Settings chosen = PngEncoder::engineSettings();
    auto libpng = [&](int filters, int level, int strategy,
                      PngEncoder::Deflater deflater = PngEncoder::Deflater::Zlib) {
        const PngEncoder::Settings s{filters, level, strategy, deflater};
        const bool zlib = deflater == PngEncoder::Deflater::Zlib;
        Setting setting(zlib ? QStringLiteral("libpng") : QStringLiteral("libdeflate"),
                        zlib ? QStringLiteral("%1, zlib %2 %3").arg(filterName(filters)).arg(level).arg(strategyName(strategy))
                             : QStringLiteral("%1, level %2").arg(filterName(filters)).arg(level),
                        [s](const QImage &i, QByteArray *b) {
                            QString e;
                            return PngEncoder::encode(i, s, b, &e);
                        });
        setting.engine = s.filters == chosen.filters && s.level == chosen.level && s.deflater == chosen.deflater
            && (!zlib || s.zlibStrategy == chosen.zlibStrategy);
        settings.push_back(setting);
    };
    libpng(PNG_ALL_FILTERS, 6, Z_FILTERED); // what Qt's default comes down to
    for (int level : {3, 4})
        libpng(PNG_ALL_FILTERS, level, Z_FILTERED);
    for (int level : {2, 3, 4, 6})
        libpng(PNG_FILTER_PAETH, level, Z_FILTERED);
    for (int level : {3, 4})
        libpng(PNG_FILTER_UP, level, Z_FILTERED);
    libpng(PNG_FILTER_SUB, 3, Z_FILTERED);
    libpng(PNG_FILTER_PAETH, 4, Z_DEFAULT_STRATEGY);
    libpng(PNG_FILTER_PAETH, 1, Z_RLE);
#ifdef HAVE_SPNG
    for (int level : {6}) {
        settings.push_back(Setting{QStringLiteral("libspng"), QStringLiteral("all (per row), zlib %1").arg(level),
                            [level](const QImage &i, QByteArray *b) {
                                return writeSpng(i, level, SPNG_FILTER_CHOICE_ALL, b);
                            }});
    }
    for (int level : {4}) {
        settings.push_back(Setting{QStringLiteral("libspng"), QStringLiteral("paeth, zlib %1").arg(level),
                            [level](const QImage &i, QByteArray *b) {
                                return writeSpng(i, level, SPNG_FILTER_CHOICE_PAETH, b);
                            }});
    }
#endif
    for (int level : {1, 3, 4, 6})
        libpng(PNG_FILTER_PAETH, level, Z_DEFAULT_STRATEGY, PngEncoder::Deflater::Libdeflate);
    for (int level : {1, 2, 3, 4})
        libpng(PNG_FILTER_UP, level, Z_DEFAULT_STRATEGY, PngEncoder::Deflater::Libdeflate);
    return settings;
}

// A writer must give back the very pixels it was handed.
bool sameAfterDecode(const QByteArray &png, const QImage &canvas)
{
    QImage decoded;
    QString error;
    if (!ImageCodecs::decode(png, false, &decoded, &error))
        return false;
    return decoded.convertToFormat(canvas.format()) == canvas;
}

} // namespace

// The 8K photos are left out: on 2 busy cores they would stretch the study to
// half an hour, and the other photos come from the same generator.
constexpr qint64 StudyPixelLimit = 20'000'000;

int runPngStudy(const Context &ctx)
{
    std::vector<Setting> settings = settingsUnderStudy();
    int pictures[2] = {};
    double pixels[2] = {};
    double canvasBytes[2] = {};
    QStringList skipped;
    for (const CorpusFile &file : ctx.files) {
        if (outputExtension(file) != QLatin1String(".png"))
            continue;
        if (qint64(file.item.width) * file.item.height > StudyPixelLimit) {
            skipped << file.name;
            continue;
        }
        QImage source;
        if (!readPicture(file.path, &source)) {
            say(QStringLiteral("cannot decode %1").arg(file.name));
            return 1;
        }
        qint32 ox = 0, oy = 0;
        const QRgb fill = ImageProcessor::fillColour(Fill::Transparent);
        QImage canvas = ImageProcessor::pad(source, fill, true, SizeRule::Multiple4, ox, oy);
        source = QImage();
        // As ImageCodecs::encode does: an opaque canvas goes out without alpha.
        if (ImageCodecs::isOpaque(canvas))
            canvas = canvas.convertToFormat(ImageCodecs::isDeep(canvas) ? QImage::Format_RGBX64 : QImage::Format_RGB32);
        const int group = ImageCodecs::isDeep(canvas) ? 1 : 0;
        ++pictures[group];
        pixels[group] += double(canvas.width()) * canvas.height();
        canvasBytes[group] += double(canvas.sizeInBytes());
        say(QStringLiteral("  %1 (%2)").arg(file.name, ImageProcessor::sizeText(canvas.width(), canvas.height())));
        for (Setting &s : settings) {
            if (!s.fault.isEmpty())
                continue;
            QByteArray out;
            QElapsedTimer timer;
            timer.start();
            if (!s.write(canvas, &out)) {
                s.fault = QStringLiteral("failed on %1").arg(file.name);
                continue;
            }
            s.seconds[group] += timer.nsecsElapsed() / 1e9;
            s.bytes[group] += out.size();
            if (!sameAfterDecode(out, canvas))
                s.fault = QStringLiteral("changed the pixels of %1").arg(file.name);
        }
    }

    const Setting &reference = settings.front();
    say(QString());
    say(QStringLiteral("PNG writers over the padded canvases the engine writes as PNG "
                       "(8-bit: %1 pictures, %2 MP; 16-bit: %3 pictures, %4 MP); every output decoded "
                       "to the very pixels it was given")
            .arg(pictures[0])
            .arg(fixed(pixels[0] / 1e6, 1))
            .arg(pictures[1])
            .arg(fixed(pixels[1] / 1e6, 1)));
    if (!skipped.isEmpty())
        say(QStringLiteral("left out (above %1 MP): %2").arg(StudyPixelLimit / 1000000).arg(skipped.join(QStringLiteral(", "))));
    say(QStringLiteral("size and time against Qt's default; MB/s = canvas bytes in memory per second"));
    say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10")
            .arg(left(QStringLiteral("writer"), 11))
            .arg(left(QStringLiteral("setting"), 28))
            .arg(right(QStringLiteral("8-bit s"), 8))
            .arg(right(QStringLiteral("MB"), 7))
            .arg(right(QStringLiteral("16-bit s"), 9))
            .arg(right(QStringLiteral("MB"), 6))
            .arg(right(QStringLiteral("MB/s"), 6))
            .arg(right(QStringLiteral("size"), 7))
            .arg(right(QStringLiteral("size16"), 7))
            .arg(right(QStringLiteral("time"), 7)));
    const double refBytes = double(reference.bytes[0] + reference.bytes[1]);
    const double refSeconds = reference.seconds[0] + reference.seconds[1];
    for (const Setting &s : settings) {
        if (!s.fault.isEmpty()) {
            say(QStringLiteral("%1 %2 left out: %3").arg(left(s.library, 11), left(s.setting, 28), s.fault));
            continue;
        }
        const double seconds = s.seconds[0] + s.seconds[1];
        const double bytes = double(s.bytes[0] + s.bytes[1]);
        say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10%11")
                .arg(left(s.library, 11))
                .arg(left(s.setting, 28))
                .arg(right(fixed(s.seconds[0], 2), 8))
                .arg(right(megabytes(double(s.bytes[0])), 7))
                .arg(right(fixed(s.seconds[1], 2), 9))
                .arg(right(megabytes(double(s.bytes[1])), 6))
                .arg(right(fixed(seconds > 0 ? (canvasBytes[0] + canvasBytes[1]) / 1e6 / seconds : 0, 1), 6))
                .arg(right(fixed(100.0 * bytes / refBytes, 1) + QLatin1Char('%'), 7))
                .arg(right(fixed(reference.bytes[1] > 0 ? 100.0 * s.bytes[1] / reference.bytes[1] : 0, 1)
                               + QLatin1Char('%'),
                           7))
                .arg(right(fixed(100.0 * seconds / refSeconds, 1) + QLatin1Char('%'), 7))
                .arg(s.engine ? QStringLiteral("  <- engine") : QString()));
    }
    return 0;
}

} // namespace PaddingBench
