#pragma once

// The benchmark's pictures: what is drawn, at which scale, and where the
// engine's output for each lands. Drawn from a fixed seed per file name, so
// every run sees the same pixels.

#include <QImage>
#include <QString>

#include <vector>

namespace PaddingBench {

enum class Kind { Icon, Png, Jpeg, Bmp, Gif, Tiff };
constexpr int KindCount = 6;

QString kindName(Kind kind);

// How a picture's pixels are drawn.
enum class Look {
    Photo,          // opaque, photographic texture
    Cutout,         // photo texture inside a rounded shape with soft shadow, transparent around it
    Icon,           // small rounded tile with anti-aliased edge
    Dithered,       // 6x6x6 colour cube with ordered dithering, opaque
    DitheredCutout, // the same with fully transparent surroundings (one-bit GIF transparency)
    Palette8,       // 8-bit indexed, 6x6x6 colour cube
};

// Big: the two 16K pictures of `--big`, a texture and a photo, each on its own.
enum ScaleBit : unsigned { Small = 1, Full = 2, Both = 3, Big = 4 };

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

// The files of one scale, with their sizes on disk (0 before they are drawn).
std::vector<CorpusFile> corpusFiles(const QString &folder, unsigned scale);

// True when the folder already holds this very corpus.
bool corpusIsCurrent(const QString &folder, const std::vector<CorpusFile> &files);

// Draws and writes every picture, then the manifest. Meant for a child process.
bool drawCorpus(const QString &folder, unsigned scale);

// The file name and extension the engine writes for a source under the
// transparent fill: JPEG has nowhere to keep the transparent border, so those become PNG.
QString outputName(const CorpusFile &file);
QString outputExtension(const CorpusFile &file);

// Decodes a file with the engine's codecs; false when it cannot.
bool readPicture(const QString &path, QImage *image);

} // namespace PaddingBench
