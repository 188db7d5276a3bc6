#pragma once

#include <QByteArray>
#include <QColorSpace>
#include <QRgb>
#include <QSize>
#include <QString>

#include <memory>

class QIODevice;

// PNG a row at a time, for pictures too large to hold whole: a reader on top of
// libpng's row API and a writer that feeds zlib's stream row by row. Memory is a
// few rows and the codec's window, whatever the picture's height.
namespace PngRows {

class Reader
{
public:
    explicit Reader(QIODevice *device);
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // Reads everything up to the pixel data. False with a message when libpng
    // rejects the data.
    bool start(QString *error);

    QSize size() const;
    // 8-bit RGB or RGBA, not interlaced, without tRNS, and with no colour
    // information but an ICC profile or the sRGB chunk: rows read with
    // readRow() then are exactly the pixels Qt's reader gives.
    bool isPlainColour() const;
    bool hasAlpha() const;
    // As Qt reads it: from iCCP, else sRGB; invalid when there is neither.
    QColorSpace colorSpace() const;
    // pHYs in pixels per metre; 0 when absent or not in metres.
    int dotsPerMeterX() const;
    int dotsPerMeterY() const;
    // Bytes of one row as the file stores it.
    qsizetype rowBytes() const;

    // The next row as QRgb (opaque when the picture has no alpha); only for
    // isPlainColour() pictures.
    bool readRow(QRgb *row, QString *error);
    // The next row exactly as stored, rowBytes() long, unfiltered.
    bool readRawRow(uchar *row, QString *error);
    // Reads the chunks after the pixels, through IEND.
    bool finish(QString *error);

private:
    struct State;
    std::unique_ptr<State> m;
};

// Writes the same chunks as the engine's whole-picture writer (IHDR, iCCP, pHYs,
// IDAT in pieces of 1 MiB, IEND) with the Up filter, compressed by zlib as the
// rows arrive. Keeps a CRC-32 of every byte it hands to the device.
class Writer
{
public:
    Writer(QIODevice *device, int level);
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    bool start(const QSize &size, bool alpha, int dotsPerMeterX, int dotsPerMeterY, const QColorSpace &colorSpace,
               QString *error);
    // One row packed as PNG stores it: R, G, B (and A).
    bool writeRow(const uchar *packed, QString *error);
    bool finish(QString *error);

    qint64 bytesWritten() const;
    quint32 crc() const;

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace PngRows
