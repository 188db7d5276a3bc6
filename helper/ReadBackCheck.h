#pragma once

#include "ImageCodecs.h"

#include <QByteArray>
#include <QSize>
#include <QString>

// What the engine checks on a file it has just written, after comparing the
// bytes read back with the bytes encoded. Equal bytes already rule out a short or
// damaged write, so a second full decode can only catch a writer that produced
// a broken file and said it succeeded. That is possible for the writers that lay
// out the file themselves (our BMP with alpha, our GIF), and cheap there; for
// PNG, JPEG and TIFF, whose bytes come from libpng/zlib, libjpeg and libtiff,
// it cost most of the check's time (docs/benchmark.md), so those are checked by
// the size their header declares.
namespace ReadBackCheck {

// True when a file written with `encoder` is decoded again in full.
bool decodesInFull(ImageCodecs::Encoder encoder);

// The picture size of a written file: from its header, or by decoding it when
// decodesInFull(encoder). False with a message when the file cannot be read.
bool writtenSize(const QByteArray &bytes, ImageCodecs::Encoder encoder, QSize *size, QString *error);

} // namespace ReadBackCheck
