#pragma once

#include <QByteArray>
#include <QRgb>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

class QIODevice;

// Reads a baseline JPEG a scanline at a time through libjpeg, so
// a picture never has to be held whole, neither as file nor as pixels. Rows come
// out as QRgb (opaque), with libjpeg's default (accurate) inverse DCT and
// upsampling, the same pixels Qt's reader gives. Colour (YCbCr or RGB) pictures
// in one scan only; grey, CMYK and progressive files are left to Qt.
class JpegRowReader
{
public:
    explicit JpegRowReader(QIODevice *device);
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader &) = delete;
    JpegRowReader &operator=(const JpegRowReader &) = delete;

    // Reads the header and starts decompressing. False with a message for data
    // libjpeg rejects; *supported (when given) tells whether the picture's
    // colour model is one this reader takes.
    bool start(QString *error, bool *supported = nullptr);

    QSize size() const;
    // The embedded ICC profile; empty when there is none.
    QByteArray iccProfile() const;
    // The resolution the JFIF header declares, as Qt reads it; 0 when none.
    int dotsPerMeterX() const;
    int dotsPerMeterY() const;

    // The next row, size().width() pixels.
    bool readRow(QRgb *row, QString *error);
    // Reads to the end of the image. Warnings libjpeg gave on the way (damaged or
    // missing data it papered over) are in warnings().
    bool finish(QString *error);
    QStringList warnings() const;

private:
    struct State;
    std::unique_ptr<State> m;
};
