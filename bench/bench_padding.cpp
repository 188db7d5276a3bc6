// bench_padding: how fast the padding engine handles a realistic batch, next to
// the bare decode/encode round trip it cannot beat and to ImageMagick and vips
// doing the same padding from the command line. Run by hand; see
// docs/benchmark.md for the options and the figures measured so far.

#include "ImageCodecs.h"
#include "ImageProcessor.h"
#include "SafeFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "BenchSupport.h"

extern char **environ;

namespace {

// ---------------------------------------------------------------- printing


QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// Sizes are printed in MB of 10^6 bytes throughout.
QString megabytes(double bytes)
{
    return fixed(bytes / 1e6, 1);
}

QString left(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '));
}

QString right(const QString &text, int width)
{
    return text.rightJustified(width, QLatin1Char(' '));
}

double cpuSeconds(const rusage &usage)
{
    return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6 + double(usage.ru_stime.tv_sec)
        + double(usage.ru_stime.tv_usec) / 1e6;
}

double selfCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

// ---------------------------------------------------------------- corpus

enum class Kind { Icon, Png, Jpeg, Bmp, Gif, Tiff };
constexpr int KindCount = 6;
constexpr int StepCount = 7; // the engine's steps, see stepsOne

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Icon:
        return QStringLiteral("icon");
    case Kind::Png:
        return QStringLiteral("png");
    case Kind::Jpeg:
        return QStringLiteral("jpeg");
    case Kind::Bmp:
        return QStringLiteral("bmp");
    case Kind::Gif:
        return QStringLiteral("gif");
    case Kind::Tiff:
        return QStringLiteral("tiff");
    }
    return QString();
}

QString kindSuffix(Kind kind)
{
    switch (kind) {
    case Kind::Icon:
    case Kind::Png:
        return QStringLiteral(".png");
    case Kind::Jpeg:
        return QStringLiteral(".jpg");
    case Kind::Bmp:
        return QStringLiteral(".bmp");
    case Kind::Gif:
        return QStringLiteral(".gif");
    case Kind::Tiff:
        return QStringLiteral(".tif");
    }
    return QString();
}

// How a picture's pixels are drawn.
enum class Look {
    Photo,          // opaque, photographic texture
    Cutout,         // photo texture inside a rounded shape with soft shadow, transparent around it
    Icon,           // small rounded tile with anti-aliased edge
    Dithered,       // 6x6x6 colour cube with ordered dithering, opaque
    DitheredCutout, // the same with fully transparent surroundings (one-bit GIF transparency)
    Palette8,       // 8-bit indexed, 6x6x6 colour cube
};

enum ScaleBit : unsigned { Small = 1, Full = 2, Both = 3 };

struct Item
{
    Kind kind;
    int width;
    int height;
    Look look;
    bool deep;       // 16 bits per channel
    int compression; // TIFF only: 0 none, 1 LZW
    const char *tag; // tells apart files of one kind and size
    unsigned scales;
};

// Odd sizes on purpose: most files really get padded. The two 8K photos show
// both cases, an exact 7680x4320 (rewritten, nothing to pad) and one a pixel short.
const Item Items[] = {
    {Kind::Icon, 16, 16, Look::Icon, false, 0, "", Both},
    {Kind::Icon, 17, 17, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 24, 24, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 31, 31, Look::Icon, false, 0, "", Both},
    {Kind::Icon, 32, 32, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 48, 48, Look::Icon, false, 0, "", Both},
    {Kind::Icon, 57, 57, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 64, 64, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 72, 72, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 96, 96, Look::Icon, false, 0, "", Both},
    {Kind::Icon, 127, 127, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 128, 128, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 150, 150, Look::Icon, false, 0, "", Both},
    {Kind::Icon, 180, 180, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 255, 255, Look::Icon, false, 0, "", Full},
    {Kind::Icon, 256, 256, Look::Icon, false, 0, "", Both},

    {Kind::Png, 799, 533, Look::Cutout, false, 0, "", Small},
    {Kind::Png, 641, 481, Look::Cutout, true, 0, "16bit", Small},
    {Kind::Png, 1001, 1001, Look::Cutout, false, 0, "", Full},
    {Kind::Png, 1279, 853, Look::Cutout, false, 0, "", Both},
    {Kind::Png, 1366, 767, Look::Cutout, false, 0, "", Full},
    {Kind::Png, 1599, 1199, Look::Cutout, false, 0, "", Full},
    {Kind::Png, 1919, 1079, Look::Cutout, false, 0, "", Full},
    {Kind::Png, 2047, 1535, Look::Cutout, false, 0, "", Full},
    {Kind::Png, 2303, 1727, Look::Cutout, false, 0, "", Full},
    {Kind::Png, 1919, 1079, Look::Cutout, true, 0, "16bit", Full},

    {Kind::Jpeg, 7680, 4320, Look::Photo, false, 0, "", Full},
    {Kind::Jpeg, 7679, 4319, Look::Photo, false, 0, "", Full},
    {Kind::Jpeg, 4031, 3023, Look::Photo, false, 0, "", Full},
    {Kind::Jpeg, 3001, 2001, Look::Photo, false, 0, "", Full},
    {Kind::Jpeg, 1919, 1079, Look::Photo, false, 0, "", Both},
    {Kind::Jpeg, 1023, 767, Look::Photo, false, 0, "", Both},
    {Kind::Jpeg, 801, 601, Look::Photo, false, 0, "", Both},

    {Kind::Bmp, 1919, 1079, Look::Photo, false, 0, "", Full},
    {Kind::Bmp, 1023, 767, Look::Photo, false, 0, "", Both},
    {Kind::Bmp, 641, 481, Look::Photo, false, 0, "", Full},
    {Kind::Bmp, 255, 255, Look::Palette8, false, 0, "8bit", Both},

    {Kind::Gif, 255, 255, Look::DitheredCutout, false, 0, "transparent", Both},
    {Kind::Gif, 481, 321, Look::Dithered, false, 0, "", Both},
    {Kind::Gif, 640, 479, Look::DitheredCutout, false, 0, "transparent", Both},
    {Kind::Gif, 1023, 767, Look::Dithered, false, 0, "", Full},
    {Kind::Gif, 1279, 719, Look::DitheredCutout, false, 0, "transparent", Full},

    {Kind::Tiff, 801, 601, Look::Photo, false, 1, "lzw", Small},
    {Kind::Tiff, 641, 427, Look::Cutout, false, 0, "alpha", Small},
    {Kind::Tiff, 641, 481, Look::Photo, true, 1, "16bit-lzw", Small},
    {Kind::Tiff, 2001, 1501, Look::Photo, false, 1, "lzw", Full},
    {Kind::Tiff, 1279, 853, Look::Cutout, false, 0, "alpha", Full},
    {Kind::Tiff, 1919, 1079, Look::Photo, true, 1, "16bit-lzw", Full},
    {Kind::Tiff, 3001, 2001, Look::Photo, false, 0, "", Full},
};

// Bump when the generator changes, so an old corpus in a reused work folder is redrawn.
constexpr int CorpusVersion = 2;

struct CorpusFile
{
    Item item;
    QString name;
    QString path;
    qint64 bytes = 0;
    int targetWidth = 0;
    int targetHeight = 0;
    int offsetX = 0;
    int offsetY = 0;
};

QString itemName(const Item &item)
{
    QString name = kindName(item.kind) + QLatin1Char('-') + QString::number(item.width) + QLatin1Char('x')
        + QString::number(item.height);
    if (item.tag[0] != '\0')
        name += QLatin1Char('-') + QString::fromLatin1(item.tag);
    return name + kindSuffix(item.kind);
}

// FNV-1a: a seed per file that stays the same across Qt versions and runs.
quint32 seedFor(const QString &name)
{
    quint32 hash = 2166136261u;
    for (const char c : name.toUtf8()) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return hash;
}

inline quint32 mix(quint32 h)
{
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

inline quint32 hash2(quint32 x, quint32 y, quint32 seed)
{
    return mix(x * 0x9e3779b1u ^ mix(y + seed * 0x85ebca77u));
}

inline float unit(quint32 h)
{
    return float(h >> 8) * (1.0f / 16777216.0f);
}

inline float clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

inline float smooth(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

// Photographic-looking texture: a two-colour gradient with vignetting, four
// octaves of value noise for light, shade and fine detail, hard-edged "objects"
// where the mid octave crosses a threshold, patches of a woven sine pattern and
// a fixed-seed per-pixel grain. Flat colour would flatter every codec, white
// noise would defeat them all; this sits where photos do.
class Texture
{
public:
    Texture(int width, int height, quint32 seed, float grain)
        : m_width(width), m_height(height), m_seed(seed), m_grain(grain)
    {
        const int longest = std::max(width, height);
        m_cells[0] = std::max(8, longest / 4);
        m_cells[1] = std::max(4, m_cells[0] / 7);
        m_cells[2] = std::max(3, m_cells[1] / 5);
        m_cells[3] = 3;
        for (int c = 0; c < 3; ++c) {
            m_c0[c] = 0.10f + 0.75f * unit(hash2(quint32(c), 1, seed));
            m_c1[c] = 0.10f + 0.75f * unit(hash2(quint32(c), 2, seed));
            m_c2[c] = 0.20f + 0.75f * unit(hash2(quint32(c), 3, seed));
        }
        const float twoPi = 6.2831853f;
        m_p1 = 19.0f + float(seed % 17);
        m_p2 = 31.0f + float((seed >> 8) % 23);
        m_sinX1.resize(size_t(width));
        m_cosX1.resize(size_t(width));
        m_sinX2.resize(size_t(width));
        m_cosX2.resize(size_t(width));
        for (int x = 0; x < width; ++x) {
            m_sinX1[size_t(x)] = std::sin(twoPi * float(x) / m_p1);
            m_cosX1[size_t(x)] = std::cos(twoPi * float(x) / m_p1);
            m_sinX2[size_t(x)] = std::sin(twoPi * float(x) / m_p2);
            m_cosX2[size_t(x)] = std::cos(twoPi * float(x) / m_p2);
        }
    }

    // One row as interleaved RGB in [0, 1].
    void row(int y, float *rgb) const
    {
        const float twoPi = 6.2831853f;
        // sin(a x + b y) and sin(a' x - b' y), from per-column tables.
        const float sy1 = std::sin(twoPi * float(y) / m_p2), cy1 = std::cos(twoPi * float(y) / m_p2);
        const float sy2 = std::sin(twoPi * float(y) / m_p1), cy2 = std::cos(twoPi * float(y) / m_p1);
        const float v = (float(y) + 0.5f) / float(m_height);
        const float dy = v - 0.5f;

        int iy[Octaves];
        float wy[Octaves];
        for (int o = 0; o < Octaves; ++o) {
            iy[o] = y / m_cells[o];
            wy[o] = smooth((float(y % m_cells[o]) + 0.5f) / float(m_cells[o]));
        }
        int lastIx[Octaves];
        float top0[Octaves] = {}, top1[Octaves] = {}, bottom0[Octaves] = {}, bottom1[Octaves] = {};
        std::fill(lastIx, lastIx + Octaves, -1);

        for (int x = 0; x < m_width; ++x) {
            float octave[Octaves];
            for (int o = 0; o < Octaves; ++o) {
                const int ix = x / m_cells[o];
                if (ix != lastIx[o]) {
                    // Lattice corners change once per cell, not per pixel.
                    const quint32 s = m_seed + 101u * quint32(o + 1);
                    top0[o] = unit(hash2(quint32(ix), quint32(iy[o]), s));
                    top1[o] = unit(hash2(quint32(ix + 1), quint32(iy[o]), s));
                    bottom0[o] = unit(hash2(quint32(ix), quint32(iy[o] + 1), s));
                    bottom1[o] = unit(hash2(quint32(ix + 1), quint32(iy[o] + 1), s));
                    lastIx[o] = ix;
                }
                const float wx = smooth((float(x % m_cells[o]) + 0.5f) / float(m_cells[o]));
                const float t = top0[o] + (top1[o] - top0[o]) * wx;
                const float b = bottom0[o] + (bottom1[o] - bottom0[o]) * wx;
                octave[o] = t + (b - t) * wy[o];
            }
            const float noise = 0.45f * octave[0] + 0.25f * octave[1] + 0.15f * octave[2] + 0.15f * octave[3];

            const float u = (float(x) + 0.5f) / float(m_width);
            const float dx = u - 0.5f;
            const float vignette = 1.0f - 0.6f * (dx * dx + dy * dy);
            const float along = clamp01(0.6f * v + 0.3f * u + 0.5f * (octave[0] - 0.5f));
            const float shade = (0.35f + 0.9f * noise) * vignette;
            // Objects: a sharp boundary a couple of pixels wide where the mid octave crosses 0.6.
            const float object = smooth(clamp01((octave[1] - 0.6f) * 25.0f + 0.5f));

            const size_t sx = size_t(x);
            const float wave = (m_sinX1[sx] * cy1 + m_cosX1[sx] * sy1) * (m_sinX2[sx] * cy2 - m_cosX2[sx] * sy2);
            const float patch = smooth(clamp01((octave[0] - 0.55f) * 6.0f)) * 0.12f * wave;

            const quint32 h = hash2(quint32(x), quint32(y), m_seed ^ 0x5bd1e995u);
            const float luma = (float(h >> 24) / 255.0f - 0.5f) * m_grain;
            for (int c = 0; c < 3; ++c) {
                const float chroma = (float((h >> (8 * c)) & 0xffu) / 255.0f - 0.5f) * m_grain * 0.4f;
                // Low-frequency hue drift, as light changes across a scene.
                const float drift = 1.0f + 0.35f * (octave[0] - 0.5f) * float(c - 1);
                const float scene = (m_c0[c] + (m_c1[c] - m_c0[c]) * along) * drift;
                const float base = scene + (m_c2[c] * (0.6f + 0.6f * octave[2]) - scene) * object;
                rgb[3 * x + c] = clamp01(base * shade + patch * m_c2[c] + luma + chroma);
            }
        }
    }

private:
    static constexpr int Octaves = 4;
    int m_width;
    int m_height;
    quint32 m_seed;
    float m_grain;
    int m_cells[Octaves];
    float m_c0[3], m_c1[3], m_c2[3];
    float m_p1 = 1.0f, m_p2 = 1.0f;
    std::vector<float> m_sinX1, m_cosX1, m_sinX2, m_cosX2;
};

// Signed distance from a rounded rectangle centred at the origin (negative inside).
inline float roundedBox(float px, float py, float halfWidth, float halfHeight, float radius)
{
    const float qx = std::fabs(px) - halfWidth + radius;
    const float qy = std::fabs(py) - halfHeight + radius;
    const float ox = std::max(qx, 0.0f);
    const float oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

// Coverage of the shape and of its shadow at one pixel, for Cutout and Icon.
struct Shape
{
    float halfWidth, halfHeight, radius, shadowX, shadowY, softness, shadowAlpha, glassFrom;

    static Shape forItem(const Item &item)
    {
        const float w = float(item.width), h = float(item.height), shortest = std::min(w, h);
        if (item.look == Look::Icon) {
            const float margin = std::max(1.0f, w / 16.0f);
            return {w / 2 - margin, h / 2 - margin, 0.22f * shortest, 0.0f, std::max(0.5f, h / 32.0f),
                    std::max(1.0f, w / 24.0f), 0.35f, 2.0f};
        }
        return {0.40f * w, 0.38f * h, 0.10f * shortest, 0.015f * w, 0.025f * h, 0.03f * shortest, 0.45f, 0.55f};
    }

    // Returns the alpha in [0, 1]; *shapeShare is how much of it is the shape
    // itself (the rest is black shadow).
    float alphaAt(float px, float py, float *shapeShare) const
    {
        const float d = roundedBox(px, py, halfWidth, halfHeight, radius);
        float shape = clamp01(0.5f - d);
        // A translucent "glass" band in the lower part of the shape.
        if (py > glassFrom * halfHeight)
            shape *= 0.7f;
        const float ds = roundedBox(px - shadowX, py - shadowY, halfWidth, halfHeight, radius);
        const float shadow = shadowAlpha * clamp01(1.0f - std::max(ds, 0.0f) / softness);
        const float alpha = shape + shadow * (1.0f - shape);
        *shapeShare = alpha > 0.0f ? shape / alpha : 0.0f;
        return alpha;
    }
};

const int Bayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

inline int cubeLevel(float value, int x, int y)
{
    const float threshold = (float(Bayer4[y & 3][x & 3]) + 0.5f) / 16.0f;
    return std::min(5, int(value * 5.0f + threshold));
}

QImage render(const Item &item, quint32 seed)
{
    const int w = item.width, h = item.height;
    const float grain = item.look == Look::Icon ? 0.008f : 0.03f;
    const Texture texture(w, h, seed, grain);
    std::vector<float> rgb(size_t(w) * 3);

    if (item.look == Look::Palette8) {
        QImage image(w, h, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < 216; ++i)
            table << qRgb(i / 36 * 51, i / 6 % 6 * 51, i % 6 * 51);
        image.setColorTable(table);
        for (int y = 0; y < h; ++y) {
            texture.row(y, rgb.data());
            uchar *line = image.scanLine(y);
            for (int x = 0; x < w; ++x) {
                const float *p = &rgb[size_t(x) * 3];
                line[x] = uchar(cubeLevel(p[0], x, y) * 36 + cubeLevel(p[1], x, y) * 6 + cubeLevel(p[2], x, y));
            }
        }
        return image;
    }

    const bool shaped = item.look == Look::Cutout || item.look == Look::Icon || item.look == Look::DitheredCutout;
    const Shape shape = Shape::forItem(item);
    QImage::Format format;
    if (item.deep)
        format = shaped ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
    else
        format = shaped ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y) {
        texture.row(y, rgb.data());
        const float py = float(y) + 0.5f - float(h) / 2;
        for (int x = 0; x < w; ++x) {
            const float *p = &rgb[size_t(x) * 3];
            float r = p[0], g = p[1], b = p[2], alpha = 1.0f;
            if (shaped) {
                float share = 1.0f;
                alpha = shape.alphaAt(float(x) + 0.5f - float(w) / 2, py, &share);
                // Shadow is black: it darkens the colour by the part of the alpha it makes up.
                r *= share;
                g *= share;
                b *= share;
            }
            if (item.look == Look::Dithered || item.look == Look::DitheredCutout) {
                // GIF transparency is one bit: the shadow's half tones go either way.
                const bool opaque = alpha >= 0.5f;
                const QRgb pixel = opaque ? qRgb(cubeLevel(r, x, y) * 51, cubeLevel(g, x, y) * 51,
                                                 cubeLevel(b, x, y) * 51)
                                          : qRgba(0, 0, 0, 0);
                reinterpret_cast<QRgb *>(image.scanLine(y))[x] = pixel;
            } else if (item.deep) {
                reinterpret_cast<QRgba64 *>(image.scanLine(y))[x] = QRgba64::fromRgba64(
                    quint16(std::lround(r * 65535.0f)), quint16(std::lround(g * 65535.0f)),
                    quint16(std::lround(b * 65535.0f)), quint16(std::lround(alpha * 65535.0f)));
            } else {
                reinterpret_cast<QRgb *>(image.scanLine(y))[x] =
                    qRgba(int(std::lround(r * 255.0f)), int(std::lround(g * 255.0f)), int(std::lround(b * 255.0f)),
                          int(std::lround(alpha * 255.0f)));
            }
        }
    }
    // A camera or editor stamps a resolution; 300 dpi for prints, 72 for screen art.
    const int dotsPerMeter = item.kind == Kind::Jpeg || item.kind == Kind::Tiff ? 11811 : 2835;
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

bool writePicture(const Item &item, const QImage &image, const QString &path, QString *error)
{
    if (item.kind == Kind::Gif) {
        QByteArray bytes;
        if (!ImageCodecs::encodeGif(image, &bytes, error))
            return false;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
            *error = file.errorString();
            return false;
        }
        return true;
    }
    QImageWriter writer(path);
    if (item.kind == Kind::Jpeg) {
        writer.setFormat("jpeg");
        writer.setQuality(92); // what cameras and phones typically write
    } else if (item.kind == Kind::Tiff) {
        writer.setFormat("tiff");
        writer.setCompression(item.compression);
    } else if (item.kind == Kind::Bmp) {
        writer.setFormat("bmp");
    } else {
        writer.setFormat("png"); // libpng's default level, as most software writes
    }
    if (!writer.write(image)) {
        *error = writer.errorString();
        return false;
    }
    return true;
}

std::vector<CorpusFile> corpusFiles(const QString &folder, unsigned scale)
{
    std::vector<CorpusFile> files;
    for (const Item &item : Items) {
        if ((item.scales & scale) == 0)
            continue;
        CorpusFile file;
        file.item = item;
        file.name = itemName(item);
        file.path = QDir(folder).filePath(file.name);
        file.bytes = QFileInfo(file.path).size();
        file.targetWidth = ImageProcessor::Target(item.width, ImageProcessor::RuleMultipleOf4);
        file.targetHeight = ImageProcessor::Target(item.height, ImageProcessor::RuleMultipleOf4);
        // As the engine centres: the odd column goes right, the odd row to the bottom.
        file.offsetX = (file.targetWidth - item.width) / 2;
        file.offsetY = (file.targetHeight - item.height) / 2;
        files.push_back(file);
    }
    return files;
}

QByteArray manifestFor(const std::vector<CorpusFile> &files)
{
    QByteArray text = "bench corpus " + QByteArray::number(CorpusVersion) + '\n';
    for (const CorpusFile &file : files)
        text += file.name.toUtf8() + ' ' + QByteArray::number(QFileInfo(file.path).size()) + '\n';
    return text;
}

// True when the folder already holds this very corpus (same generator
// version, names and sizes): the pictures are deterministic, so a rerun may
// reuse them.
bool corpusIsCurrent(const QString &folder, const std::vector<CorpusFile> &files)
{
    QFile manifest(QDir(folder).filePath(QStringLiteral("manifest.txt")));
    return manifest.open(QIODevice::ReadOnly) && manifest.readAll() == manifestFor(files);
}

// Draws and writes every picture, then the manifest. Runs in a child process:
// an 8K picture drawn in the parent would raise its memory high-water mark, and
// on Linux the processes it starts afterwards were seen to report that mark as
// their own ru_maxrss.
bool drawCorpus(const QString &folder, unsigned scale)
{
    QDir().mkpath(folder);
    std::vector<CorpusFile> files = corpusFiles(folder, scale);
    QFile::remove(QDir(folder).filePath(QStringLiteral("manifest.txt")));
    for (CorpusFile &file : files) {
        QString error;
        const QImage image = render(file.item, seedFor(file.name));
        if (!writePicture(file.item, image, file.path, &error)) {
            say(QStringLiteral("corpus: cannot write %1: %2").arg(file.name, error));
            return false;
        }
    }
    QFile manifest(QDir(folder).filePath(QStringLiteral("manifest.txt")));
    if (!manifest.open(QIODevice::WriteOnly | QIODevice::Truncate) || manifest.write(manifestFor(files)) < 0) {
        say(QStringLiteral("corpus: cannot write the manifest"));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- contenders

// The extension the engine writes for a source under transparent fill: JPEG has
// nowhere to keep the transparent border, so those become PNG.
QString outputName(const CorpusFile &file)
{
    const QFileInfo info(file.name);
    QString ext = QLatin1Char('.') + info.suffix().toLower();
    if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg"))
        ext = QStringLiteral(".png");
    return info.completeBaseName() + ext;
}

QString outputExtension(const CorpusFile &file)
{
    return QLatin1Char('.') + QFileInfo(outputName(file)).suffix();
}

struct PassResult
{
    QString label;
    bool ran = false;
    int files = 0;
    int failed = 0;
    qint64 inBytes = 0;
    qint64 outBytes = 0;
    double wall = 0;
    double cpu = 0;
    double peakRssKb = 0; // for external tools the largest single process
    double kindSeconds[KindCount] = {};
    double stepSeconds[StepCount] = {};
    QStringList failures;

    // Counts one file of the pass.
    void account(const CorpusFile &file, double seconds, bool ok, const QString &error)
    {
        kindSeconds[int(file.item.kind)] += seconds;
        ++files;
        inBytes += file.bytes;
        if (!ok) {
            ++failed;
            failures << file.name + QStringLiteral(": ") + error;
        }
    }
};

qint64 folderBytes(const QString &folder)
{
    qint64 total = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries)
        total += entry.size();
    return total;
}

void freshFolder(const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

// The engine exactly as the batch runs it: multiple of 4, transparent, centred.
bool engineOne(const CorpusFile &file, const QString &outDir, QString *error)
{
    const ProcessResult result = ImageProcessor::Process(file.path, outDir, false, ImageProcessor::RuleMultipleOf4,
                                                         ImageProcessor::FillTransparent, true, false);
    if (!result.Success)
        *error = result.Message;
    return result.Success;
}

// The floor: what any tool has to do at least, decode and encode once with the
// engine's own codecs. No padding, no temporary file, no flush, no read-back.
bool bareOne(const CorpusFile &file, const QString &outDir, QString *error)
{
    QByteArray bytes;
    {
        QFile in(file.path);
        if (!in.open(QIODevice::ReadOnly)) {
            *error = in.errorString();
            return false;
        }
        bytes = in.readAll();
    }
    QImage image;
    if (!ImageCodecs::decode(bytes, true, &image, error))
        return false;
    bytes = QByteArray();
    QByteArray encoded;
    if (!ImageCodecs::encode(image, ImageProcessor::FormatFor(outputExtension(file)), &encoded, error))
        return false;
    image = QImage();
    QFile out(QDir(outDir).filePath(outputName(file)));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(encoded) != encoded.size()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

// The engine's steps for one file, re-enacted with its public pieces in the
// order Process runs them, each timed on its own: shows where the time above
// the bare round trip goes.
const char *const StepNames[StepCount] = {"read",          "decode",             "pad",
                                          "encode",        "write + fsync",      "read back + decode",
                                          "rename + fsync folder"};

bool stepsOne(const CorpusFile &file, const QString &outDir, double seconds[StepCount], QString *error)
{
    QElapsedTimer timer;
    timer.start();
    int step = 0;
    auto lap = [&] {
        seconds[step++] += timer.nsecsElapsed() / 1e9;
        timer.restart();
    };
    QByteArray bytes;
    if (!SafeFile::readRegularFile(file.path, ImageCodecs::sourceFileLimit(), &bytes, error))
        return false;
    lap();
    QImage source;
    if (!ImageCodecs::decode(bytes, true, &source, error))
        return false;
    bytes = QByteArray();
    lap();
    qint32 ox = 0, oy = 0;
    const QRgb fill = ImageProcessor::FillFor(ImageProcessor::FillTransparent, source.hasAlphaChannel());
    QImage canvas = ImageProcessor::Pad(source, fill, true, ImageProcessor::RuleMultipleOf4, ox, oy);
    source = QImage();
    lap();
    QByteArray encoded;
    if (!ImageCodecs::encode(canvas, ImageProcessor::FormatFor(outputExtension(file)), &encoded, error))
        return false;
    const QSize size = canvas.size();
    canvas = QImage();
    lap();
    const QString destination = QDir(outDir).filePath(outputName(file));
    const QString temporary = destination + QStringLiteral(".steps.tmp");
    if (!SafeFile::writeNewFile(temporary, encoded, destination, error))
        return false;
    lap();
    QByteArray written;
    QImage readBack;
    if (!SafeFile::readRegularFile(temporary, std::numeric_limits<qint64>::max(), &written, error)
        || written != encoded || !ImageCodecs::decode(written, false, &readBack, error) || readBack.size() != size) {
        if (error->isEmpty())
            *error = QStringLiteral("read-back differs");
        return false;
    }
    lap();
    if (!SafeFile::replaceFile(temporary, destination, error))
        return false;
    lap();
    return true;
}

// Runs one in-process pass; used inside the child process so that its peak
// memory belongs to that pass alone.
PassResult runInProcess(const QString &which, const std::vector<CorpusFile> &files, const QString &outDir)
{
    PassResult result;
    result.label = which;
    result.ran = true;
    freshFolder(outDir);
    const double cpuBefore = selfCpuSeconds();
    QElapsedTimer total;
    total.start();
    for (const CorpusFile &file : files) {
        if (which == QLatin1String("none"))
            break;
        QElapsedTimer one;
        one.start();
        QString error;
        bool ok = false;
        if (which == QLatin1String("engine"))
            ok = engineOne(file, outDir, &error);
        else if (which == QLatin1String("steps"))
            ok = stepsOne(file, outDir, result.stepSeconds, &error);
        else
            ok = bareOne(file, outDir, &error);
        result.account(file, one.nsecsElapsed() / 1e9, ok, error);
    }
    result.wall = total.nsecsElapsed() / 1e9;
    result.cpu = selfCpuSeconds() - cpuBefore;
    result.outBytes = folderBytes(outDir);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    result.peakRssKb = double(usage.ru_maxrss);
    return result;
}

void printChildReport(const PassResult &result)
{
    QString kinds;
    for (int k = 0; k < KindCount; ++k)
        kinds += QLatin1Char(' ') + QString::number(result.kindSeconds[k], 'g', 10);
    say(QStringLiteral("@result %1 %2 %3 %4 %5 %6 %7")
            .arg(result.files)
            .arg(result.failed)
            .arg(result.inBytes)
            .arg(result.outBytes)
            .arg(QString::number(result.wall, 'g', 10), QString::number(result.cpu, 'g', 10))
            .arg(QString::number(result.peakRssKb, 'g', 10)));
    say(QStringLiteral("@kinds") + kinds);
    QString steps;
    for (int i = 0; i < StepCount; ++i)
        steps += QLatin1Char(' ') + QString::number(result.stepSeconds[i], 'g', 10);
    say(QStringLiteral("@steps") + steps);
    for (const QString &failure : result.failures)
        say(QStringLiteral("@fail ") + failure);
}

// ---------------------------------------------------------------- processes

struct Spawned
{
    bool started = false;
    int exitCode = -1; // -1 when killed by a signal
    double wall = 0;
    double cpu = 0;
    long maxRssKb = 0;
    QString error;
};

// Environment changes for a child: set these, drop those.
struct EnvChange
{
    QList<QPair<QByteArray, QByteArray>> set;
    QList<QByteArray> unset;
};

// posix_spawn + wait4 rather than QProcess: wait4 hands back the CPU time and
// peak memory of exactly this child.
Spawned spawnAndWait(const QStringList &arguments, const EnvChange &env, const QString &stdoutPath,
                     const QString &stderrPath)
{
    Spawned spawned;
    std::vector<QByteArray> argStore;
    for (const QString &a : arguments)
        argStore.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> envStore;
    for (char **e = environ; *e != nullptr; ++e) {
        const QByteArray entry(*e);
        const QByteArray key = entry.left(entry.indexOf('='));
        bool drop = env.unset.contains(key);
        for (const auto &pair : env.set)
            drop = drop || pair.first == key;
        if (!drop)
            envStore.push_back(entry);
    }
    for (const auto &pair : env.set)
        envStore.push_back(pair.first + '=' + pair.second);
    std::vector<char *> envp;
    for (QByteArray &e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const QByteArray outPath = QFile::encodeName(stdoutPath.isEmpty() ? QStringLiteral("/dev/null") : stdoutPath);
    const QByteArray errPath = QFile::encodeName(stderrPath.isEmpty() ? QStringLiteral("/dev/null") : stderrPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        spawned.error = QString::fromLocal8Bit(std::strerror(rc));
        return spawned;
    }
    spawned.started = true;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            spawned.error = QString::fromLocal8Bit(std::strerror(errno));
            return spawned;
        }
    }
    spawned.wall = timer.nsecsElapsed() / 1e9;
    spawned.cpu = cpuSeconds(usage);
    spawned.maxRssKb = usage.ru_maxrss;
    spawned.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return spawned;
}

QString firstLineOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString text = QString::fromLocal8Bit(file.readAll()).trimmed();
    return text.section(QLatin1Char('\n'), 0, 0);
}

struct Context
{
    QString work;
    QString scaleName;
    QString corpus;
    QString logs;
    std::vector<CorpusFile> files;
};

// Runs an in-process pass in a child of its own and reads its report back.
PassResult runChild(const Context &ctx, const QString &which, const QString &label)
{
    PassResult result;
    result.label = label;
    const QString outPath = QDir(ctx.logs).filePath(QStringLiteral("child-%1.out").arg(which));
    const QString errPath = QDir(ctx.logs).filePath(QStringLiteral("child-%1.err").arg(which));
    const QStringList arguments = {QCoreApplication::applicationFilePath(), QStringLiteral("--child"), which,
                                   QStringLiteral("--work"), ctx.work, QStringLiteral("--scale"), ctx.scaleName};
    const Spawned spawned = spawnAndWait(arguments, EnvChange{}, outPath, errPath);
    QFile out(outPath);
    if (!spawned.started || spawned.exitCode != 0 || !out.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("%1: child run failed (%2) %3").arg(label, spawned.error, firstLineOf(errPath)));
        return result;
    }
    const QStringList lines = QString::fromUtf8(out.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("@result "))) {
            const QStringList f = line.split(QLatin1Char(' '));
            if (f.size() < 8)
                continue;
            result.ran = true;
            result.files = f[1].toInt();
            result.failed = f[2].toInt();
            result.inBytes = f[3].toLongLong();
            result.outBytes = f[4].toLongLong();
            result.wall = f[5].toDouble();
            result.cpu = f[6].toDouble();
            result.peakRssKb = f[7].toDouble();
        } else if (line.startsWith(QLatin1String("@kinds "))) {
            const QStringList f = line.split(QLatin1Char(' '));
            for (int k = 0; k < KindCount && k + 1 < f.size(); ++k)
                result.kindSeconds[k] = f[k + 1].toDouble();
        } else if (line.startsWith(QLatin1String("@steps "))) {
            const QStringList f = line.split(QLatin1Char(' '));
            for (int k = 0; k < StepCount && k + 1 < f.size(); ++k)
                result.stepSeconds[k] = f[k + 1].toDouble();
        } else if (line.startsWith(QLatin1String("@fail "))) {
            result.failures << line.mid(6);
        }
    }
    return result;
}

struct VipsInfo
{
    int bands = 0;
    QString format; // "((VipsBandFormat) VIPS_FORMAT_USHORT)" and the like
};

// Band count and sample format as vips sees each source, read before the timed
// pass: sources without alpha need one added before a transparent border.
std::vector<VipsInfo> vipsInfo(const Context &ctx)
{
    std::vector<VipsInfo> infos;
    const QString outPath = QDir(ctx.logs).filePath(QStringLiteral("vipsheader.out"));
    for (const CorpusFile &file : ctx.files) {
        VipsInfo info;
        spawnAndWait({QStringLiteral("vipsheader"), QStringLiteral("-f"), QStringLiteral("bands"), file.path},
                     EnvChange{}, outPath, QString());
        info.bands = firstLineOf(outPath).toInt();
        spawnAndWait({QStringLiteral("vipsheader"), QStringLiteral("-f"), QStringLiteral("format"), file.path},
                     EnvChange{}, outPath, QString());
        info.format = firstLineOf(outPath);
        infos.push_back(info);
    }
    return infos;
}

enum class Tool { Magick, Vips };

EnvChange toolEnvironment(bool singleThread)
{
    EnvChange env;
    if (singleThread) {
        env.set << qMakePair(QByteArray("MAGICK_THREAD_LIMIT"), QByteArray("1"))
                << qMakePair(QByteArray("VIPS_CONCURRENCY"), QByteArray("1"));
        env.unset << QByteArray("OMP_NUM_THREADS");
    } else {
        env.unset << QByteArray("MAGICK_THREAD_LIMIT") << QByteArray("VIPS_CONCURRENCY")
                  << QByteArray("OMP_NUM_THREADS");
    }
    return env;
}

// The command lines that pad one file: one for ImageMagick, one or two for vips.
std::vector<QStringList> toolCommands(Tool tool, const CorpusFile &file, const VipsInfo *info, const QString &outDir)
{
    const QString destination = QDir(outDir).filePath(outputName(file));
    std::vector<QStringList> commands;
    if (tool == Tool::Magick) {
        // A negative -extent offset moves the picture right and down.
        commands.push_back({QStringLiteral("convert"), file.path, QStringLiteral("-background"), QStringLiteral("none"),
                            QStringLiteral("-gravity"), QStringLiteral("northwest"), QStringLiteral("-extent"),
                            QStringLiteral("%1x%2-%3-%4")
                                .arg(file.targetWidth)
                                .arg(file.targetHeight)
                                .arg(file.offsetX)
                                .arg(file.offsetY),
                            destination});
        return commands;
    }
    QString source = file.path;
    int bands = info->bands;
    if (bands == 1 || bands == 3) {
        // vips embed wants a background with as many values as the picture has
        // bands, so a picture without alpha gets an opaque alpha band first.
        const QString withAlpha = QDir(outDir).filePath(QStringLiteral("alpha-tmp.v"));
        const QString opaque = info->format.contains(QLatin1String("ushort"), Qt::CaseInsensitive)
            ? QStringLiteral("65535")
            : QStringLiteral("255");
        commands.push_back({QStringLiteral("vips"), QStringLiteral("bandjoin_const"), file.path, withAlpha, opaque});
        source = withAlpha;
        ++bands;
    }
    QStringList zeros;
    for (int b = 0; b < bands; ++b)
        zeros << QStringLiteral("0");
    commands.push_back({QStringLiteral("vips"), QStringLiteral("embed"), source, destination,
                        QString::number(file.offsetX), QString::number(file.offsetY),
                        QString::number(file.targetWidth), QString::number(file.targetHeight),
                        QStringLiteral("--extend"), QStringLiteral("background"), QStringLiteral("--background"),
                        zeros.join(QLatin1Char(' '))});
    return commands;
}

// Runs one file's commands; false and a message when one fails.
bool runCommands(const std::vector<QStringList> &commands, const EnvChange &env, const QString &errPath,
                 PassResult *result, QString *error)
{
    for (const QStringList &command : commands) {
        const Spawned spawned = spawnAndWait(command, env, QString(), errPath);
        if (result != nullptr) {
            result->cpu += spawned.cpu;
            result->peakRssKb = std::max(result->peakRssKb, double(spawned.maxRssKb));
        }
        if (!spawned.started || spawned.exitCode != 0) {
            *error = spawned.started ? QStringLiteral("exit %1: %2").arg(spawned.exitCode).arg(firstLineOf(errPath))
                                     : spawned.error;
            return false;
        }
    }
    return true;
}

// One external process per file (two for vips when an alpha band must be
// added), strictly one after another like the engine's single worker.
PassResult runTool(const Context &ctx, Tool tool, bool singleThread, const std::vector<VipsInfo> &vips,
                   const QString &outDir, const QString &label)
{
    PassResult result;
    result.label = label;
    result.ran = true;
    const EnvChange env = toolEnvironment(singleThread);
    const QString errPath = QDir(ctx.logs).filePath(QStringLiteral("tool.err"));

    // Untimed warm-up on one file of each kind, so that loading the tool's
    // modules from disk the first time is not charged to whichever run comes first.
    freshFolder(outDir);
    bool seen[KindCount] = {};
    for (size_t i = 0; i < ctx.files.size(); ++i) {
        const CorpusFile &file = ctx.files[i];
        if (seen[int(file.item.kind)])
            continue;
        seen[int(file.item.kind)] = true;
        QString ignored;
        runCommands(toolCommands(tool, file, tool == Tool::Vips ? &vips[i] : nullptr, outDir), env, errPath, nullptr,
                    &ignored);
    }
    freshFolder(outDir);

    QElapsedTimer total;
    total.start();
    for (size_t i = 0; i < ctx.files.size(); ++i) {
        const CorpusFile &file = ctx.files[i];
        const std::vector<QStringList> commands =
            toolCommands(tool, file, tool == Tool::Vips ? &vips[i] : nullptr, outDir);
        QElapsedTimer one;
        one.start();
        QString error;
        const bool ok = runCommands(commands, env, errPath, &result, &error);
        if (tool == Tool::Vips)
            QFile::remove(QDir(outDir).filePath(QStringLiteral("alpha-tmp.v")));
        result.account(file, one.nsecsElapsed() / 1e9, ok, error);
    }
    result.wall = total.nsecsElapsed() / 1e9;
    result.outBytes = folderBytes(outDir);
    return result;
}

// ---------------------------------------------------------------- pixel checks

bool readPicture(const QString &path, QImage *image)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString error;
    return ImageCodecs::decode(file.readAll(), false, image, &error);
}

struct Comparison
{
    int compared = 0;
    int identical = 0;
    int worst = 0;
    QString worstFile;
    QStringList problems;
};

// Compares a tool's padded pictures with the engine's at 8 bits per channel.
// Fully transparent pixels count as equal whatever their colour: the engine
// fills with transparent white, the tools with transparent black.
Comparison compareWithEngine(const Context &ctx, const QString &engineDir, const QString &toolDir)
{
    Comparison cmp;
    for (const CorpusFile &file : ctx.files) {
        QImage mine, theirs;
        if (!readPicture(QDir(engineDir).filePath(outputName(file)), &mine)
            || !readPicture(QDir(toolDir).filePath(outputName(file)), &theirs)) {
            cmp.problems << file.name + QStringLiteral(": missing or unreadable");
            continue;
        }
        ++cmp.compared;
        if (mine.size() != theirs.size()) {
            cmp.problems << QStringLiteral("%1: size %2x%3, engine %4x%5")
                                .arg(file.name)
                                .arg(theirs.width())
                                .arg(theirs.height())
                                .arg(mine.width())
                                .arg(mine.height());
            continue;
        }
        mine = mine.convertToFormat(QImage::Format_ARGB32);
        theirs = theirs.convertToFormat(QImage::Format_ARGB32);
        int worst = 0;
        for (int y = 0; y < mine.height(); ++y) {
            const QRgb *a = reinterpret_cast<const QRgb *>(mine.constScanLine(y));
            const QRgb *b = reinterpret_cast<const QRgb *>(theirs.constScanLine(y));
            for (int x = 0; x < mine.width(); ++x) {
                if (a[x] == b[x] || (qAlpha(a[x]) == 0 && qAlpha(b[x]) == 0))
                    continue;
                worst = std::max({worst, std::abs(qAlpha(a[x]) - qAlpha(b[x])), std::abs(qRed(a[x]) - qRed(b[x])),
                                  std::abs(qGreen(a[x]) - qGreen(b[x])), std::abs(qBlue(a[x]) - qBlue(b[x]))});
            }
        }
        if (worst == 0)
            ++cmp.identical;
        if (worst > cmp.worst) {
            cmp.worst = worst;
            cmp.worstFile = file.name;
        }
    }
    return cmp;
}

QString pixelText(QRgb p)
{
    return QStringLiteral("#%1").arg(p, 8, 16, QLatin1Char('0'));
}

// The placement check spelled out on one file: the picture's first pixel must
// sit at (offsetX, offsetY) in both outputs and the column left of it must be
// transparent.
void placementCheck(const Context &ctx, const QString &engineDir, const QString &toolDir, const QString &label)
{
    const CorpusFile *probe = nullptr;
    for (const CorpusFile &file : ctx.files) {
        if (file.item.kind == Kind::Jpeg && file.offsetX > 0 && file.offsetY > 0) {
            probe = &file;
            break;
        }
    }
    if (probe == nullptr)
        return;
    QImage mine, theirs;
    if (!readPicture(QDir(engineDir).filePath(outputName(*probe)), &mine)
        || !readPicture(QDir(toolDir).filePath(outputName(*probe)), &theirs)) {
        say(QStringLiteral("  %1 placement on %2: output missing").arg(label, probe->name));
        return;
    }
    const int x = probe->offsetX, y = probe->offsetY;
    const QRgb mineIn = mine.pixel(x, y), theirsIn = theirs.pixel(x, y);
    const QRgb mineOut = mine.pixel(x - 1, y), theirsOut = theirs.pixel(x - 1, y);
    const bool match = mineIn == theirsIn && qAlpha(mineIn) == 255 && qAlpha(mineOut) == 0 && qAlpha(theirsOut) == 0;
    say(QStringLiteral("  %1 placement on %2 (offset %3,%4): pixel (%3,%4) engine %5 tool %6; (%7,%4) engine %8 "
                       "tool %9 -> %10")
            .arg(label, probe->name)
            .arg(x)
            .arg(y)
            .arg(pixelText(mineIn), pixelText(theirsIn))
            .arg(x - 1)
            .arg(pixelText(mineOut), pixelText(theirsOut),
                 match ? QStringLiteral("match") : QStringLiteral("MISMATCH")));
}

// ---------------------------------------------------------------- PNG levels

struct LevelResult
{
    int quality;
    double seconds[2] = {};
    qint64 bytes[2] = {};
};

int zlibLevel(int quality)
{
    return quality < 0 ? 6 : (100 - std::min(quality, 100)) * 9 / 91;
}

// Encodes every padded canvas the engine would write as PNG at each quality,
// so the choice of ImageCodecs::PngQuality rests on numbers.
int runPngLevels(const Context &ctx)
{
    const int qualities[] = {0, 30, 50, 70, 80, 90, 100, -1};
    std::vector<LevelResult> results;
    for (int q : qualities)
        results.push_back(LevelResult{q});
    int pictures[2] = {};
    double pixels[2] = {};
    double canvasBytes[2] = {};
    for (const CorpusFile &file : ctx.files) {
        if (outputExtension(file) != QLatin1String(".png"))
            continue;
        const int group = file.item.kind == Kind::Jpeg ? 1 : 0;
        QImage source;
        if (!readPicture(file.path, &source)) {
            say(QStringLiteral("cannot decode %1").arg(file.name));
            return 1;
        }
        qint32 ox = 0, oy = 0;
        const QRgb fill = ImageProcessor::FillFor(ImageProcessor::FillTransparent, source.hasAlphaChannel());
        QImage canvas = ImageProcessor::Pad(source, fill, true, ImageProcessor::RuleMultipleOf4, ox, oy);
        source = QImage();
        // As ImageCodecs::encode does: an opaque canvas goes out without alpha.
        if (ImageCodecs::isOpaque(canvas))
            canvas = canvas.convertToFormat(canvas.depth() > 32 ? QImage::Format_RGBX64 : QImage::Format_RGB32);
        ++pictures[group];
        pixels[group] += double(canvas.width()) * canvas.height();
        canvasBytes[group] += double(canvas.sizeInBytes());
        for (LevelResult &r : results) {
            QByteArray out;
            QBuffer buffer(&out);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "png");
            if (r.quality >= 0)
                writer.setQuality(r.quality);
            QElapsedTimer timer;
            timer.start();
            if (!writer.write(canvas)) {
                say(QStringLiteral("PNG write failed for %1: %2").arg(file.name, writer.errorString()));
                return 1;
            }
            r.seconds[group] += timer.nsecsElapsed() / 1e9;
            r.bytes[group] += out.size();
        }
    }

    const LevelResult &reference = results.back();
    const char *groupNames[2] = {"PNG sources (icons, cutouts, 16-bit)", "photos (JPEG written as PNG)"};
    say(QString());
    say(QStringLiteral("PNG levels over the padded canvases the engine writes as PNG"));
    for (int g = 0; g < 3; ++g) {
        const bool all = g == 2;
        const int count = all ? pictures[0] + pictures[1] : pictures[g];
        const double mp = (all ? pixels[0] + pixels[1] : pixels[g]) / 1e6;
        const double canvasMb = (all ? canvasBytes[0] + canvasBytes[1] : canvasBytes[g]) / 1e6;
        say(QString());
        say(QStringLiteral("%1: %2 pictures, %3 MP")
                .arg(all ? QStringLiteral("all") : QString::fromLatin1(groupNames[g]))
                .arg(count)
                .arg(fixed(mp, 1)));
        say(QStringLiteral("  quality  zlib   seconds   canvas MB/s   out MB   size vs -1   time vs -1"));
        const double refSeconds = all ? reference.seconds[0] + reference.seconds[1] : reference.seconds[g];
        const double refBytes = all ? double(reference.bytes[0] + reference.bytes[1]) : double(reference.bytes[g]);
        for (const LevelResult &r : results) {
            const double s = all ? r.seconds[0] + r.seconds[1] : r.seconds[g];
            const double b = all ? double(r.bytes[0] + r.bytes[1]) : double(r.bytes[g]);
            const QString mark = r.quality == ImageCodecs::PngQuality ? QStringLiteral("  <- PngQuality") : QString();
            say(QStringLiteral("  %1 %2 %3 %4 %5 %6 %7%8")
                    .arg(right(r.quality < 0 ? QStringLiteral("-1") : QString::number(r.quality), 7))
                    .arg(right(QString::number(zlibLevel(r.quality)), 5))
                    .arg(right(fixed(s, 2), 9))
                    .arg(right(fixed(s > 0 ? canvasMb / s : 0, 1), 13))
                    .arg(right(megabytes(b), 8))
                    .arg(right(fixed(refBytes > 0 ? 100.0 * b / refBytes : 0, 1) + QLatin1Char('%'), 12))
                    .arg(right(fixed(refSeconds > 0 ? 100.0 * s / refSeconds : 0, 1) + QLatin1Char('%'), 12))
                    .arg(mark));
        }
    }
    return 0;
}

// ---------------------------------------------------------------- reporting

QString toolVersion(const QStringList &command)
{
    const QString path = QDir::temp().filePath(QStringLiteral("bench-padding-version-%1.txt").arg(getpid()));
    spawnAndWait(command, EnvChange{}, path, QString());
    const QString line = firstLineOf(path);
    QFile::remove(path);
    return line;
}

// Other work on the machine skews every figure; the load average tells the reader.
QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

QString cpuModel()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("model name")))
            return line.section(QLatin1Char(':'), 1).trimmed();
    }
    return QString();
}

void printRow(const PassResult &r, const PassResult *engine, double corpusPixels)
{
    const double perSecond = r.wall > 0 ? r.files / r.wall : 0;
    const double mpPerSecond = r.wall > 0 && r.files > 0 ? corpusPixels / 1e6 / r.wall : 0;
    QString ratio = QStringLiteral("-");
    if (engine != nullptr && engine->ran && r.wall > 0)
        ratio = fixed(engine->wall / r.wall, 2) + QLatin1Char('x');
    say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11")
            .arg(left(r.label, 26))
            .arg(right(QString::number(r.files), 5))
            .arg(right(QString::number(r.failed), 4))
            .arg(right(megabytes(double(r.inBytes)), 7))
            .arg(right(megabytes(double(r.outBytes)), 7))
            .arg(right(fixed(r.wall, 2), 7))
            .arg(right(fixed(r.cpu, 2), 7))
            .arg(right(fixed(perSecond, 2), 7))
            .arg(right(fixed(mpPerSecond, 1), 6))
            .arg(right(r.peakRssKb > 0 ? megabytes(r.peakRssKb * 1024.0) : QStringLiteral("-"), 8))
            .arg(right(ratio, 9)));
}

void printFailures(const PassResult &r)
{
    for (const QString &failure : r.failures)
        say(QStringLiteral("  FAILED %1: %2").arg(r.label, failure));
}

void usage()
{
    say(QStringLiteral(
        "usage: bench_padding [--scale small|full] [--work DIR] [--only engine,bare,magick,vips]\n"
        "                     [--repeat N] [--tool-defaults | --no-tool-defaults] [--png-levels]\n"
        "  --scale small       quick corpus (default), well under a minute\n"
        "  --scale full        the real measurement: icons to 8K photos, a few minutes\n"
        "  --work DIR          keep corpus and outputs in DIR (the corpus is reused when it matches);\n"
        "                      default a temporary folder removed at exit\n"
        "  --only LIST         run only these contenders (comma separated)\n"
        "  --repeat N          run each contender N times and keep the fastest run (default 1)\n"
        "  --tool-defaults     also run ImageMagick and vips with their default threading\n"
        "                      (on at small scale, off at full scale)\n"
        "  --no-tool-defaults  never make those extra runs\n"
        "  --png-levels        instead of the contenders, encode the padded PNG canvases at each PNG quality"));
}

// Runs `pass` `repeat` times and keeps the fastest run.
template<typename Pass>
PassResult fastestOf(int repeat, const QString &label, Pass pass)
{
    say(QStringLiteral("running: %1").arg(label));
    PassResult best;
    for (int i = 0; i < repeat; ++i) {
        PassResult r = pass();
        if (repeat > 1)
            say(QStringLiteral("  run %1: %2 s").arg(i + 1).arg(fixed(r.wall, 2)));
        if (!best.ran || (r.ran && r.wall < best.wall))
            best = r;
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();

    QString scaleName = QStringLiteral("small");
    QString work;
    QString child;
    QStringList only = {QStringLiteral("engine"), QStringLiteral("bare"), QStringLiteral("magick"),
                        QStringLiteral("vips")};
    int toolDefaults = -1; // -1: by scale
    int repeat = 1;
    bool pngLevels = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--scale") && hasValue) {
            scaleName = args[++i];
        } else if (a == QLatin1String("--work") && hasValue) {
            work = args[++i];
        } else if (a == QLatin1String("--only") && hasValue) {
            only = args[++i].split(QLatin1Char(','));
        } else if (a == QLatin1String("--repeat") && hasValue) {
            repeat = std::max(1, args[++i].toInt());
        } else if (a == QLatin1String("--child") && hasValue) {
            child = args[++i];
        } else if (a == QLatin1String("--tool-defaults")) {
            toolDefaults = 1;
        } else if (a == QLatin1String("--no-tool-defaults")) {
            toolDefaults = 0;
        } else if (a == QLatin1String("--png-levels")) {
            pngLevels = true;
        } else {
            usage();
            return a == QLatin1String("--help") || a == QLatin1String("-h") ? 0 : 2;
        }
    }
    if (scaleName != QLatin1String("small") && scaleName != QLatin1String("full")) {
        usage();
        return 2;
    }
    const unsigned scale = scaleName == QLatin1String("full") ? Full : Small;
    if (toolDefaults < 0)
        toolDefaults = scale == Small ? 1 : 0;

    std::unique_ptr<QTemporaryDir> temporary;
    if (work.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("bench_padding-XXXXXX")));
        if (!temporary->isValid()) {
            say(QStringLiteral("cannot create a temporary folder"));
            return 1;
        }
        work = temporary->path();
    }
    Context ctx;
    ctx.work = QDir(work).absolutePath();
    ctx.scaleName = scaleName;
    ctx.corpus = QDir(ctx.work).filePath(QStringLiteral("corpus-") + scaleName);
    ctx.logs = QDir(ctx.work).filePath(QStringLiteral("logs"));
    QDir().mkpath(ctx.logs);

    if (child == QLatin1String("draw"))
        return drawCorpus(ctx.corpus, scale) ? 0 : 1;
    if (!child.isEmpty()) {
        const QStringList passes = {QStringLiteral("none"), QStringLiteral("engine"), QStringLiteral("bare"),
                                    QStringLiteral("steps")};
        if (!passes.contains(child)) {
            usage();
            return 2;
        }
        ctx.files = corpusFiles(ctx.corpus, scale);
        const PassResult result =
            runInProcess(child, ctx.files, QDir(ctx.work).filePath(QStringLiteral("out-") + child));
        printChildReport(result);
        return 0;
    }

    say(QStringLiteral("bench_padding  scale=%1  work=%2").arg(scaleName, QDir::toNativeSeparators(ctx.work)));
    say(QStringLiteral("machine: %1, %2 cores; Qt %3; load average %4")
            .arg(cpuModel())
            .arg(sysconf(_SC_NPROCESSORS_ONLN))
            .arg(QString::fromLatin1(qVersion()), loadAverage()));

    ctx.files = corpusFiles(ctx.corpus, scale);
    if (corpusIsCurrent(ctx.corpus, ctx.files)) {
        say(QStringLiteral("corpus: reusing %1").arg(QDir::toNativeSeparators(ctx.corpus)));
    } else {
        say(QStringLiteral("corpus: drawing %1 pictures into %2")
                .arg(ctx.files.size())
                .arg(QDir::toNativeSeparators(ctx.corpus)));
        const QString outPath = QDir(ctx.logs).filePath(QStringLiteral("child-draw.out"));
        const Spawned drawn = spawnAndWait({QCoreApplication::applicationFilePath(), QStringLiteral("--child"),
                                            QStringLiteral("draw"), QStringLiteral("--work"), ctx.work,
                                            QStringLiteral("--scale"), scaleName},
                                           EnvChange{}, outPath, QDir(ctx.logs).filePath(QStringLiteral("child-draw.err")));
        if (!drawn.started || drawn.exitCode != 0) {
            say(QStringLiteral("corpus: drawing failed: %1 %2").arg(drawn.error, firstLineOf(outPath)));
            return 1;
        }
        say(QStringLiteral("corpus: drawn in %1 s").arg(fixed(drawn.wall, 1)));
        ctx.files = corpusFiles(ctx.corpus, scale);
    }

    qint64 corpusBytes = 0;
    double corpusPixels = 0;
    int counts[KindCount] = {};
    const CorpusFile *largest = nullptr;
    for (const CorpusFile &file : ctx.files) {
        corpusBytes += file.bytes;
        corpusPixels += double(file.item.width) * file.item.height;
        ++counts[int(file.item.kind)];
        if (largest == nullptr
            || qint64(file.item.width) * file.item.height > qint64(largest->item.width) * largest->item.height)
            largest = &file;
    }
    QStringList countText;
    for (int k = 0; k < KindCount; ++k)
        countText << QStringLiteral("%1 %2").arg(counts[k]).arg(kindName(Kind(k)));
    say(QStringLiteral("corpus: %1 files, %2 MB, %3 MP (%4)")
            .arg(ctx.files.size())
            .arg(megabytes(corpusBytes), fixed(corpusPixels / 1e6, 1), countText.join(QStringLiteral(", "))));

    if (pngLevels)
        return runPngLevels(ctx);

    // Every contender starts from files already in the page cache. Read through
    // a small buffer: holding a whole 8K photo here would raise the high-water
    // mark the children inherit.
    for (const CorpusFile &file : ctx.files) {
        QFile f(file.path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        char buffer[1 << 16];
        while (f.read(buffer, sizeof buffer) > 0) {
        }
    }

    const bool haveMagick = !QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty();
    const bool haveVips = !QStandardPaths::findExecutable(QStringLiteral("vips")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("vipsheader")).isEmpty();
    if (haveMagick)
        say(QStringLiteral("ImageMagick: %1").arg(toolVersion({QStringLiteral("convert"), QStringLiteral("-version")})));
    else
        say(QStringLiteral("ImageMagick: convert not on PATH, skipped"));
    if (haveVips)
        say(QStringLiteral("vips: %1").arg(toolVersion({QStringLiteral("vips"), QStringLiteral("--version")})));
    else
        say(QStringLiteral("vips: not on PATH, skipped"));

    const QString engineDir = QDir(ctx.work).filePath(QStringLiteral("out-engine"));
    const QString magickDir = QDir(ctx.work).filePath(QStringLiteral("out-magick"));
    const QString vipsDir = QDir(ctx.work).filePath(QStringLiteral("out-vips"));
    std::vector<PassResult> results;
    PassResult engine;
    PassResult bare;
    const PassResult idle = runChild(ctx, QStringLiteral("none"), QStringLiteral("idle process"));

    // Engine and bare floor alternate, so that load from elsewhere on the
    // machine falls on both alike; each keeps its fastest run.
    const bool runEngine = only.contains(QLatin1String("engine"));
    const bool runBare = only.contains(QLatin1String("bare"));
    std::vector<double> pairRatios;
    double lastEngineWall = 0, lastBareWall = 0;
    for (int i = 0; i < repeat && (runEngine || runBare); ++i) {
        const QString round = repeat > 1 ? QStringLiteral(" (run %1 of %2)").arg(i + 1).arg(repeat) : QString();
        if (runEngine) {
            say(QStringLiteral("running: engine") + round);
            const PassResult r = runChild(ctx, QStringLiteral("engine"), QStringLiteral("engine"));
            lastEngineWall = r.wall;
            if (repeat > 1)
                say(QStringLiteral("  %1 s").arg(fixed(r.wall, 2)));
            if (!engine.ran || (r.ran && r.wall < engine.wall))
                engine = r;
        }
        if (runBare) {
            say(QStringLiteral("running: bare decode+encode") + round);
            const PassResult r = runChild(ctx, QStringLiteral("bare"), QStringLiteral("bare decode+encode"));
            lastBareWall = r.wall;
            if (repeat > 1)
                say(QStringLiteral("  %1 s").arg(fixed(r.wall, 2)));
            if (!bare.ran || (r.ran && r.wall < bare.wall))
                bare = r;
        }
        if (runEngine && runBare && lastEngineWall > 0 && lastBareWall > 0)
            pairRatios.push_back(lastEngineWall / lastBareWall);
    }
    if (runEngine)
        results.push_back(engine);
    if (runBare)
        results.push_back(bare);
    PassResult steps;
    if (engine.ran) {
        say(QStringLiteral("running: engine steps, re-enacted one by one"));
        steps = runChild(ctx, QStringLiteral("steps"), QStringLiteral("engine steps"));
    }
    bool ranMagick = false, ranVips = false;
    if (haveMagick && only.contains(QLatin1String("magick"))) {
        if (toolDefaults) {
            const QString label = QStringLiteral("ImageMagick, default thr.");
            results.push_back(fastestOf(repeat, label, [&] {
                return runTool(ctx, Tool::Magick, false, {}, magickDir, label);
            }));
        }
        const QString label = QStringLiteral("ImageMagick, 1 thread");
        results.push_back(
            fastestOf(repeat, label, [&] { return runTool(ctx, Tool::Magick, true, {}, magickDir, label); }));
        ranMagick = true;
    }
    if (haveVips && only.contains(QLatin1String("vips"))) {
        const std::vector<VipsInfo> info = vipsInfo(ctx);
        if (toolDefaults) {
            const QString label = QStringLiteral("vips, default thr.");
            results.push_back(
                fastestOf(repeat, label, [&] { return runTool(ctx, Tool::Vips, false, info, vipsDir, label); }));
        }
        const QString label = QStringLiteral("vips, 1 thread");
        results.push_back(
            fastestOf(repeat, label, [&] { return runTool(ctx, Tool::Vips, true, info, vipsDir, label); }));
        ranVips = true;
    }

    // Same pictures? Checked on the single-thread outputs, which stay on disk.
    if (engine.ran && (ranMagick || ranVips)) {
        say(QString());
        say(QStringLiteral("pixel check against the engine's output (8 bits per channel)"));
        const QList<QPair<QString, QString>> tools = {{QStringLiteral("ImageMagick"), magickDir},
                                                      {QStringLiteral("vips"), vipsDir}};
        for (const auto &tool : tools) {
            if ((tool.first == QLatin1String("vips") && !ranVips)
                || (tool.first == QLatin1String("ImageMagick") && !ranMagick))
                continue;
            placementCheck(ctx, engineDir, tool.second, tool.first);
            const Comparison cmp = compareWithEngine(ctx, engineDir, tool.second);
            say(QStringLiteral("  %1: %2 of %3 pictures identical%4")
                    .arg(tool.first)
                    .arg(cmp.identical)
                    .arg(cmp.compared)
                    .arg(cmp.worst > 0
                             ? QStringLiteral("; largest channel difference %1 (%2)").arg(cmp.worst).arg(cmp.worstFile)
                             : QString()));
            for (const QString &problem : cmp.problems)
                say(QStringLiteral("    %1").arg(problem));
        }
    }

    say(QString());
    say(QStringLiteral("results (MB = 10^6 bytes; MP/s = source megapixels per second; "
                       "engine/x = engine wall time / this row's)"));
    say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11")
            .arg(left(QStringLiteral("contender"), 26))
            .arg(right(QStringLiteral("files"), 5))
            .arg(right(QStringLiteral("fail"), 4))
            .arg(right(QStringLiteral("in MB"), 7))
            .arg(right(QStringLiteral("out MB"), 7))
            .arg(right(QStringLiteral("wall s"), 7))
            .arg(right(QStringLiteral("cpu s"), 7))
            .arg(right(QStringLiteral("pics/s"), 7))
            .arg(right(QStringLiteral("MP/s"), 6))
            .arg(right(QStringLiteral("peak MB"), 8))
            .arg(right(QStringLiteral("engine/x"), 9)));
    for (const PassResult &r : results)
        printRow(r, &engine, corpusPixels);

    say(QString());
    QString header = left(QStringLiteral("seconds by kind"), 26);
    for (int k = 0; k < KindCount; ++k)
        header += QLatin1Char(' ') + right(QStringLiteral("%1(%2)").arg(kindName(Kind(k))).arg(counts[k]), 9);
    say(header);
    for (const PassResult &r : results) {
        QString line = left(r.label, 26);
        for (int k = 0; k < KindCount; ++k)
            line += QLatin1Char(' ') + right(fixed(r.kindSeconds[k], 2), 9);
        say(line);
    }

    if (steps.ran) {
        double total = 0;
        for (double v : steps.stepSeconds)
            total += v;
        say(QString());
        say(QStringLiteral("where the engine's time goes (its steps re-enacted and timed one by one: %1 s, "
                           "engine pass %2 s)")
                .arg(fixed(total, 2), fixed(engine.wall, 2)));
        for (int i = 0; i < StepCount; ++i)
            say(QStringLiteral("  %1 %2 s %3%")
                    .arg(left(QString::fromLatin1(StepNames[i]), 24))
                    .arg(right(fixed(steps.stepSeconds[i], 2), 7))
                    .arg(right(fixed(total > 0 ? 100.0 * steps.stepSeconds[i] / total : 0, 1), 5)));
    }

    say(QString());
    for (const PassResult &r : results)
        printFailures(r);
    printFailures(steps);
    if (engine.ran && bare.ran && bare.wall > 0) {
        const double ratio = engine.wall / bare.wall;
        say(QStringLiteral("engine/bare: %1x wall time (target <= 1.5x: %2); %3x cpu time")
                .arg(fixed(ratio, 2), ratio <= 1.5 ? QStringLiteral("met") : QStringLiteral("NOT met"),
                     fixed(bare.cpu > 0 ? engine.cpu / bare.cpu : 0, 2)));
    }
    if (pairRatios.size() > 1) {
        // Fastest against fastest flatters whichever side was luckier; the
        // median of the paired runs is the steadier figure.
        QStringList texts;
        for (double r : pairRatios)
            texts << fixed(r, 2);
        std::vector<double> sorted = pairRatios;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
        say(QStringLiteral("engine/bare run by run: %1; median %2x").arg(texts.join(QLatin1Char(' ')), fixed(median, 2)));
    }
    if (engine.ran)
        say(QStringLiteral("engine failures: %1 of %2").arg(engine.failed).arg(engine.files));
    if (largest != nullptr) {
        const int bytesPerPixel = largest->item.deep ? 8 : 4;
        const double decoded = double(largest->item.width) * largest->item.height * bytesPerPixel;
        const double canvas = double(largest->targetWidth) * largest->targetHeight * bytesPerPixel;
        say(QStringLiteral("memory: engine pass peak RSS %1 MB (own process, ru_maxrss; the same process idle: %2 MB); "
                           "largest picture %3 decodes to %4 MB, its canvas %5 MB")
                .arg(engine.ran ? megabytes(engine.peakRssKb * 1024.0) : QStringLiteral("-"),
                     idle.ran ? megabytes(idle.peakRssKb * 1024.0) : QStringLiteral("-"), largest->name,
                     megabytes(decoded), megabytes(canvas)));
    }
    if (ranMagick || ranVips) {
        say(QStringLiteral("external tools: one process per file (vips: two when an alpha band is added); "
                           "\"1 thread\" = MAGICK_THREAD_LIMIT=1, VIPS_CONCURRENCY=1; "
                           "cpu s above wall s means more than one core was busy; peak MB = largest single process"));
        if (!toolDefaults)
            say(QStringLiteral("default-threading runs of the tools skipped; add --tool-defaults for them"));
    }
    say(QStringLiteral("load average at the end: %1").arg(loadAverage()));
    if (temporary == nullptr)
        say(QStringLiteral("outputs kept in %1").arg(QDir::toNativeSeparators(ctx.work)));
    return 0;
}
