#include "PaddingCorpus.h"

#include "BenchSupport.h"
#include "ImageCodecs.h"
#include "ImageProcessor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <algorithm>
#include <cmath>

namespace PaddingBench {

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

    // The largest texture graphics cards take, one short of 16384 each way.
    {Kind::Png, 16383, 16381, Look::Cutout, false, 0, "16k", Big},
    {Kind::Jpeg, 16383, 16381, Look::Photo, false, 0, "16k", Big},
};

// Bump when the generator changes, so an old corpus in a reused work folder is redrawn.
constexpr int CorpusVersion = 2;

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
        file.targetWidth = PaddingChoices::target(item.width, SizeRule::Multiple4);
        file.targetHeight = PaddingChoices::target(item.height, SizeRule::Multiple4);
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

bool readPicture(const QString &path, QImage *image)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString error;
    return ImageCodecs::decode(file.readAll(), false, image, &error);
}


} // namespace PaddingBench
