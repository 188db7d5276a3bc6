#include "ReadBackCheck.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace ReadBackCheck {

bool decodesInFull(ImageCodecs::Encoder encoder)
{
    return encoder == ImageCodecs::Encoder::Png || encoder == ImageCodecs::Encoder::Bmp
        || encoder == ImageCodecs::Encoder::Gif;
}

bool writtenSize(const QByteArray &bytes, ImageCodecs::Encoder encoder, QSize *size, QString *error)
{
    if (!decodesInFull(encoder)) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize declared = reader.canRead() ? reader.size() : QSize();
        if (declared.isValid()) {
            *size = declared;
            return true;
        }
        // A reader that cannot tell the size from the header decodes instead.
    }
    QImage image;
    if (!ImageCodecs::decode(bytes, false, &image, error))
        return false;
    *size = image.size();
    return true;
}

} // namespace ReadBackCheck
