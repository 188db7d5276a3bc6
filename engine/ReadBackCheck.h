#pragma once

#include "ImageCodecs.h"

#include <QByteArray>
#include <QSize>
#include <QString>

// What the engine checks on a file it has just written, after comparing the
// bytes read back with the bytes encoded. Equal bytes already rule out a short or
// damaged write, so a second full decode can only catch a writer that produced
// a broken file and said it succeeded. That is possible for the writers that lay
// out the file themselves (our PNG filter and chunks, our BMP with alpha, our
// GIF), so those are decoded again; for JPEG and TIFF, whose bytes come from
// libjpeg and libtiff, the size their header declares is checked.
namespace ReadBackCheck {

// True when a file written with `encoder` is decoded again in full.
bool decodesInFull(ImageCodecs::Encoder encoder);

// The picture size of a written file: from its header, or by decoding it when
// decodesInFull(encoder). False with a message when the file cannot be read.
bool writtenSize(const QByteArray &bytes, ImageCodecs::Encoder encoder, QSize *size, QString *error);

} // namespace ReadBackCheck
