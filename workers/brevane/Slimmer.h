#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// Safe slimming of one PSD/PSB document: the document-ancestor list goes from
// the XMP metadata (and, deep, from every embedded PSD/PSB smart object);
// every other byte is streamed from the source unchanged. The slimmed copy is
// written beside the source, read back and compared with the source (structure,
// and a hash of every channel's data and of the merged image) before it
// atomically replaces the source.
namespace Slimmer {

struct Options
{
    // Also slim the documents embedded in linked-file records.
    bool deep = false;
    // Told how far the file is, 0..1, now and then.
    std::function<void(double)> progress;
    // Bytes free for a new file in a folder; the file system is asked when
    // empty. Tests put a short disk here.
    std::function<qint64(const QString &folder)> freeSpace;
    // Called with the slimmed copy once it is written, before it is read back;
    // tests damage it here.
    std::function<void(const QString &copy)> written;
};

struct Report
{
    bool success = false;
    bool changed = false;       // the source was replaced by a slimmed copy
    qint64 ancestors = 0;       // list entries found, embedded documents included when deep
    qint64 ancestorBytes = 0;   // bytes of the lists found
    int embeddedDocuments = 0;  // embedded documents that had entries (deep only)
    qint64 oldSize = 0;
    qint64 newSize = 0;
    QString message;            // on failure, why; the source is then as it was
    qint64 saved() const { return changed ? oldSize - newSize : 0; }
};

// Slims the file at path in place; for a link, the file it points to, where
// it lives. Never throws; a failure leaves the source
// as it was and no temporary file behind.
Report slimFile(const QString &path, const Options &options);

// The name of the temporary copy written beside a source.
QString temporaryPathFor(const QString &path);

} // namespace Slimmer
