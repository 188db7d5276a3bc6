#pragma once

#include "PsdFile.h"

#include <QByteArray>
#include <QString>

// The samples of one channel as the file stores them: raw, PackBits rows or
// zlib with or without prediction, decoded to big-endian rows.
namespace Psd {

// Bytes of one row of `width` samples at `depth` bits.
qint64 rowBytes(int width, int depth);

// The bytes a decoded plane may take; larger layers are refused, so a hostile
// rectangle cannot make the reader allocate without bound.
constexpr qint64 MaxPlaneBytes = Q_INT64_C(1) << 31;

// Decompresses `data` (the channel's bytes after its compression field) into
// exactly height rows of rowBytes(width, depth) bytes, big-endian samples as
// stored. Data that decodes short or long, or row counts that do not fit, give
// false and a message.
bool decompress(Compression compression, const QByteArray &data, int width, int height, int depth, int version,
                QByteArray *samples, QString *error);

// Reads and decompresses one channel of a layer, whose rectangle is
// width × height.
bool readChannel(PsdFile &psd, const ChannelInfo &channel, int width, int height, QByteArray *samples,
                 QString *error);

// Whether `length` compressed bytes can decode to `size` bytes at all.
bool canHold(Compression compression, qint64 length, qint64 size, int height, int version);
// False, with the reason, for a plane larger than MaxPlaneBytes.
bool checkedPlaneSize(int width, int height, int depth, QString *error);

// The reader's small helpers: a big-endian number of `size` bytes, and false
// with `message` stored in `error`.
quint32 readBig(const uchar *p, int size);
bool fail(QString *error, const QString &message);

} // namespace Psd
