#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The document-ancestor list of an XMP packet: every document whose layers
// were ever pasted into this one leaves an entry there, and the list never
// shrinks. Found and cut on the raw bytes, so that the rest of the packet keeps
// every byte as it was: nothing is parsed and written back.
namespace XmpAncestors {

// Bytes of the packet: [offset, offset + length).
struct Cut
{
    qsizetype offset = 0;
    qsizetype length = 0;
};

struct Found
{
    QList<Cut> cuts;    // each a whole DocumentAncestors element, in order, not overlapping
    qint64 entries = 0; // list items inside them
    qint64 bytes = 0;   // sum of the cuts' lengths
};

// Every DocumentAncestors element of the Photoshop namespace, whatever prefix
// the packet binds to it. Empty when there is none.
Found find(const QByteArray &packet);

// The packet without the cut bytes.
QByteArray without(const QByteArray &packet, const QList<Cut> &cuts);

// True when packet is well-formed XML (trailing NUL padding allowed), with
// *hasAncestors telling whether it holds a DocumentAncestors element of the
// Photoshop namespace; otherwise false with the reason in *error.
bool parses(const QByteArray &packet, bool *hasAncestors, QString *error);

// True when packet is well-formed XML (trailing NUL padding allowed) and holds
// no DocumentAncestors element of the Photoshop namespace; otherwise false with
// the reason in *error.
bool isClean(const QByteArray &packet, QString *error);

} // namespace XmpAncestors
