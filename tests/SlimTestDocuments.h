#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

// Photoshop documents with document-ancestor lists, for the slimming tests and
// the benchmark: PSD or PSB, raw pixel layers, an XMP packet and linked-file
// blocks holding embedded documents. Written as a stream, so a benchmark
// document of a gigabyte never sits in memory.
namespace SlimTestDocuments {

// An XMP packet as Photoshop writes it, with a DocumentAncestors list of
// `ancestors` entries; with -1, the same packet without the list element, as
// slimming must leave it.
QByteArray xmp(int ancestors);

// The bytes of the list element that xmp(ancestors) holds and xmp(-1) lacks.
qint64 listBytes(int ancestors);

struct Embedded
{
    QByteArray key = "lnk2";  // the linked-file block: lnk2, lnk3, lnkD or lnkE
    QByteArray file;          // the embedded file: a document, or any other bytes
    int version = 7;          // of the linked-file record
};

struct Spec
{
    int version = 1;          // 1 PSD, 2 PSB
    int width = 24;
    int height = 16;
    int layers = 2;           // raw pixel layers with a transparency channel
    QByteArray xmp;           // the XMP resource; none when empty
    QList<Embedded> embedded; // in blocks of their keys, in this order
    int seed = 1;             // varies the pixels
};

// Writes the document; false when the device refused bytes.
bool write(QIODevice *out, const Spec &spec);
QByteArray build(const Spec &spec);

// The size write() produces, without writing.
qint64 size(const Spec &spec);

} // namespace SlimTestDocuments
