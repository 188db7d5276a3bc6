#pragma once

#include "ImageCodecs.h"
#include "ImageProcessor.h"
#include "VerifiedWrite.h"

#include <QRgb>
#include <QString>

class QIODevice;

// Padding a row at a time for pictures too large to hold comfortably: source
// rows are decoded, drawn onto a canvas row and compressed into the output as
// they come, so memory follows the picture's width, not its area. Used for
// large 8-bit colour PNG and JPEG sources written as PNG; every other picture
// goes through ImageProcessor's whole-canvas path.
namespace RowPad {

// Canvases with at least this many pixels are padded row by row when they can
// be. Below it the whole-canvas path is faster (libdeflate compresses the
// picture in one call) and its memory is small anyway.
qint64 minimumPixels();
// For tests and the benchmark: lowers or raises that size for this process.
void setMinimumPixels(qint64 pixels);

// True when the picture whose header was read into `probe` (from `device`,
// which must be at the picture's start) can be padded row by row into
// `encoder`. Reads the header again; leaves the device's position anywhere.
bool suits(QIODevice *device, const ImageCodecs::Probe &probe, const Placement &placement, const FillSpec &fill,
           ImageCodecs::Encoder encoder);

// The most memory padding a picture row by row takes onto `canvas`, holding
// `heldRows` source rows beyond the one in hand (see heldRows).
qint64 peakBytes(const QSize &canvas, qint64 heldRows = 0);

// The most source rows an edge or mirror fill keeps at once while the border
// rows that copy them wait for their turn (the top border needs rows read
// ahead, the bottom border rows read earlier); 0 for a colour fill.
qint64 heldRows(const Placement &placement, const QSize &source, const FillSpec &fill);

// Pads `source` onto `placement`, writing `temporary` and after reading it back
// putting it in place of `destination` (VerifiedWrite::writeStreamed). The read
// back compares the bytes through a CRC-32 of the whole file and every decoded
// row through one of each row written. `*verified` tells whether the file had
// passed the check; `placing` runs around the rename.
bool pad(const QString &source, const Placement &placement, const FillSpec &fill, const QString &temporary,
         const QString &destination, QString *error, bool *verified, const VerifiedWrite::Placing &placing = {});

// For a picture that fits already and is kept as it is: reads every row of
// `source`, so a damaged picture fails as damaged, then, unless `destination`
// is empty, copies the file byte for byte through `temporary`
// (VerifiedWrite::writeStreamed; the copy read back and compared with the
// source). Memory follows the width, as for pad.
bool keep(const QString &source, const QString &temporary, const QString &destination, QString *error,
          bool *verified);

} // namespace RowPad
