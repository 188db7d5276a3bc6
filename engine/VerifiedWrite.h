#pragma once

#include "ImageCodecs.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

class QFile;

// How a picture reaches a user's folder: written beside its destination and
// flushed, read back from the disk and checked, and only then put in place. A
// failed write, a short or damaged file, a full disk the write did not report,
// or another process changing the file leaves the destination as it was.
namespace VerifiedWrite {

// Steps around the rename that puts a checked file in place: `before` runs
// once the temporary file passed its check and may refuse with a message (then
// nothing is replaced); `failed` runs when `before` agreed but the rename failed.
struct Placing
{
    std::function<bool(const QString &temporary, QString *error)> before;
    std::function<void()> failed;
};

// Writes `encoded` to `temporary` (in the destination's folder; it takes the
// permission bits of `permissionsFrom` when that names an existing file), reads
// it back, requires the very bytes encoded and a picture of `size`
// (ReadBackCheck), then atomically replaces `destination` with it. On failure
// the temporary file is gone and `*error` says why; `*verified`, when given,
// tells whether the file had passed the check before the rename failed.
// Without `mayReplace` (the destination did not exist when the run planned it)
// the file is put in place only where nothing is: another process's output of
// the same name is never replaced.
bool write(const QString &temporary, const QString &destination, QByteArray encoded, ImageCodecs::Encoder encoder,
           const QSize &size, const QString &permissionsFrom, QString *error, bool *verified = nullptr,
           bool mayReplace = true, const Placing &placing = {});

// The same for a picture too large to encode into memory: `produce` writes the
// file into `file` (the temporary, open and empty), and after it is flushed
// `check` reads it back from `temporary` and returns false with a message when
// it is not what `produce` wrote.
bool writeStreamed(const QString &temporary, const QString &destination, const QString &permissionsFrom,
                   const std::function<bool(QFile *file, QString *error)> &produce,
                   const std::function<bool(const QString &temporary, QString *error)> &check, QString *error,
                   bool *verified = nullptr, const Placing &placing = {});

} // namespace VerifiedWrite
