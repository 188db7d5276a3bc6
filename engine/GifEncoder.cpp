#include "ImageCodecs.h"
#include "HelperText.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>
#include <vector>

// Qt reads GIF but cannot write it; this writer uses giflib. A picture with at
// most 256 colours (plus full transparency) keeps its exact colours; only
// pictures with more colours are reduced, by giflib's median-cut quantiser.

namespace ImageCodecs {

namespace {

constexpr int MaxGifSide = 65535;

int writeToByteArray(GifFileType *gif, const GifByteType *data, int length)
{
    static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(data), length);
    return length;
}

QString gifError(int code)
{
    const char *text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : HelperText::translate(QStringLiteral("giflib 错误 %1")).arg(code);
}

// Small open-addressing table from colour to palette index, built for at most
// 256 entries: far faster per pixel than a general hash for large pictures.
class PaletteIndex
{
public:
    int find(QRgb colour) const
    {
        for (quint32 slot = hash(colour);; slot = (slot + 1) & Mask) {
            if (m_used[slot] == 0)
                return -1;
            if (m_colours[slot] == colour)
                return m_indices[slot];
        }
    }
    void insert(QRgb colour, int index)
    {
        quint32 slot = hash(colour);
        while (m_used[slot] != 0)
            slot = (slot + 1) & Mask;
        m_used[slot] = 1;
        m_colours[slot] = colour;
        m_indices[slot] = quint8(index);
    }

private:
    static constexpr quint32 Size = 1024;
    static constexpr quint32 Mask = Size - 1;
    static quint32 hash(QRgb colour) { return ((colour & 0xffffffu) * 2654435761u) >> 22; }
    quint8 m_used[Size] = {};
    QRgb m_colours[Size] = {};
    quint8 m_indices[Size] = {};
};

struct GifCloser
{
    void operator()(GifFileType *gif) const
    {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

struct MapFreer
{
    void operator()(ColorMapObject *map) const { GifFreeMapObject(map); }
};

} // namespace

bool encodeGif(const QImage &source, QByteArray *bytes, QString *error)
{
    const QImage image = source.format() == QImage::Format_ARGB32 ? source
                                                                   : source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    if (width > MaxGifSide || height > MaxGifSide) {
        *error = HelperText::translate(QStringLiteral("GIF 的宽和高不能超过 %1 像素")).arg(MaxGifSide);
        return false;
    }

    std::vector<GifByteType> indices(size_t(width) * size_t(height));
    std::vector<QRgb> palette;
    bool transparent = false;
    bool exact = true;

    // First pass: exact palette, given up at the first colour too many.
    {
        PaletteIndex lookup;
        for (int y = 0; y < height && exact; ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                if (qAlpha(row[x]) == 0) {
                    transparent = true;
                    continue;
                }
                const QRgb colour = row[x] & 0xffffffu;
                if (lookup.find(colour) < 0) {
                    if (palette.size() == 256) {
                        exact = false;
                        break;
                    }
                    lookup.insert(colour, int(palette.size()));
                    palette.push_back(colour);
                }
            }
        }
        if (exact && transparent && palette.size() == 256)
            exact = false; // the transparent pixels need a slot of their own
        if (exact) {
            const int transparentIndex = int(palette.size());
            for (int y = 0; y < height; ++y) {
                const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
                GifByteType *out = indices.data() + size_t(y) * size_t(width);
                for (int x = 0; x < width; ++x)
                    out[x] = GifByteType(qAlpha(row[x]) == 0 ? transparentIndex : lookup.find(row[x] & 0xffffffu));
            }
        }
    }

    if (!exact) {
        const size_t count = indices.size();
        std::vector<GifByteType> red(count), green(count), blue(count);
        // Transparent pixels repeat the last visible colour, so they add no colour
        // of their own to the quantiser's boxes.
        QRgb last = 0;
        for (int y = 0; y < height; ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                if (qAlpha(row[x]) != 0)
                    last = row[x];
                const size_t i = size_t(y) * size_t(width) + size_t(x);
                red[i] = GifByteType(qRed(last));
                green[i] = GifByteType(qGreen(last));
                blue[i] = GifByteType(qBlue(last));
            }
        }
        int colours = transparent ? 255 : 256;
        GifColorType map[256];
        if (GifQuantizeBuffer(unsigned(width), unsigned(height), &colours, red.data(), green.data(), blue.data(),
                              indices.data(), map)
            != GIF_OK) {
            *error = HelperText::translate(QStringLiteral("GIF 颜色量化失败"));
            return false;
        }
        palette.clear();
        for (int i = 0; i < colours; ++i)
            palette.push_back(qRgb(map[i].Red, map[i].Green, map[i].Blue));
        if (transparent) {
            const GifByteType transparentIndex = GifByteType(palette.size());
            for (int y = 0; y < height; ++y) {
                const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
                GifByteType *out = indices.data() + size_t(y) * size_t(width);
                for (int x = 0; x < width; ++x) {
                    if (qAlpha(row[x]) == 0)
                        out[x] = transparentIndex;
                }
            }
        }
    }

    const int transparentIndex = transparent ? int(palette.size()) : -1;
    const int used = int(palette.size()) + (transparent ? 1 : 0);
    int mapSize = 2; // a GIF colour table holds a power of two entries, at least two
    while (mapSize < used)
        mapSize *= 2;
    std::vector<GifColorType> entries(size_t(mapSize), GifColorType{0, 0, 0});
    for (size_t i = 0; i < palette.size(); ++i)
        entries[i] = GifColorType{GifByteType(qRed(palette[i])), GifByteType(qGreen(palette[i])),
                                  GifByteType(qBlue(palette[i]))};
    std::unique_ptr<ColorMapObject, MapFreer> colourMap(GifMakeMapObject(mapSize, entries.data()));
    if (!colourMap) {
        *error = HelperText::translate(QStringLiteral("无法创建 GIF 调色板"));
        return false;
    }

    QByteArray out;
    int code = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&out, writeToByteArray, &code));
    if (!gif) {
        *error = HelperText::translate(QStringLiteral("GIF 编码失败：%1")).arg(gifError(code));
        return false;
    }
    EGifSetGifVersion(gif.get(), true);
    if (EGifPutScreenDesc(gif.get(), width, height, 8, 0, colourMap.get()) != GIF_OK) {
        *error = HelperText::translate(QStringLiteral("GIF 编码失败：%1")).arg(gifError(gif->Error));
        return false;
    }
    if (transparent) {
        GraphicsControlBlock control;
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.UserInputFlag = false;
        control.DelayTime = 0;
        control.TransparentColor = transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, int(length), extension) != GIF_OK) {
            *error = HelperText::translate(QStringLiteral("GIF 编码失败：%1")).arg(gifError(gif->Error));
            return false;
        }
    }
    if (EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) != GIF_OK) {
        *error = HelperText::translate(QStringLiteral("GIF 编码失败：%1")).arg(gifError(gif->Error));
        return false;
    }
    for (int y = 0; y < height; ++y) {
        if (EGifPutLine(gif.get(), indices.data() + size_t(y) * size_t(width), width) != GIF_OK) {
            *error = HelperText::translate(QStringLiteral("GIF 编码失败：%1")).arg(gifError(gif->Error));
            return false;
        }
    }
    const int closed = EGifCloseFile(gif.release(), &code);
    if (closed != GIF_OK) {
        *error = HelperText::translate(QStringLiteral("GIF 编码失败：%1")).arg(gifError(code));
        return false;
    }
    *bytes = std::move(out);
    return true;
}

} // namespace ImageCodecs
