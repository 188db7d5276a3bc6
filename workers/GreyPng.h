#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Grey PNG pictures with alpha, which Qt's formats cannot express: the grey
// of a picture whose red, green and blue are equal, at 8 bits from
// Format_ARGB32 and 16 from Format_RGBA64.
namespace GreyPng {

// Encodes `image` as grey and alpha, with its resolution as pHYs and `icc`,
// when not empty, as iCCP. False with a message when libpng fails.
bool encode(const QImage &image, const QByteArray &icc, QByteArray *png, QString *error);

} // namespace GreyPng
