#pragma once

#include "ImageCodecs.h"
#include "PaddingChoices.h"

#include <QImage>
#include <QRgb>
#include <QSet>
#include <QString>

class MemoryBudget;
class RunJournal;

// The outcome of padding one file.
struct ProcessResult
{
    bool success = false;  // output written, verified and put in place
    QString source;        // the source path exactly as passed in
    QString oldSize;       // "1919×1080"; empty when the source could not be decoded
    QString newSize;       // size of the padded canvas; empty unless the output was verified
    QString message;       // summary on success, the error's text on failure; never empty
    QString destination;   // the file written; empty unless success
    // The picture fitted the rule already in its own format: in place it was
    // left as it was, into an output folder it was copied byte for byte.
    bool unchanged = false;
};

// What a batch run knows beyond one file: in place, a file in the list is no
// bystander whose name must not be taken. Keys are absolute paths as
// SafeFile::pathCaseSensitivity() compares them.
struct RunContext
{
    QSet<QString> listed;            // every file of the run
    MemoryBudget *budget = nullptr;  // shared by pictures padded at the same time
    RunJournal *journal = nullptr;   // in place with keeping: where kept originals are recorded
    static QString key(const QString &path);
};

// How the pictures of a run are padded and where their outputs go.
struct PadSettings
{
    QString outDir;                 // the output folder as given; unused in place
    bool replaceOriginal = true;
    Sizing rule = SizeRule::Multiple4;
    FillSpec fill = Fill::Transparent;
    Anchor anchor = Anchor::Center;
    bool png = false;
    // In place: a replaced original goes to the trash first, and a picture
    // whose original cannot be kept there is not padded.
    bool keepOriginals = false;
};

// Where the output for one source goes, worked out from the names alone.
struct OutputPlan
{
    QString extension;    // with its dot, in lower case
    QString destination;  // in the output folder as given, or beside the (linked-to) source
    bool existed = true;  // false: nothing was there when planned, so nothing may be replaced there
};

// Where a picture lands on its canvas, from the sizes alone: no pixel is
// needed to work it out.
struct Placement
{
    QSize canvas;     // invalid when a side would not fit in 32 bits
    qint32 offsetX = 0;
    qint32 offsetY = 0;
    bool isValid() const { return canvas.isValid(); }
    // True when the canvas is larger than the picture.
    bool pads(const QSize &source) const { return canvas != source; }
};

// Pads pictures to the next size a sizing rule allows, without scaling or
// cropping a pixel. Stateless; every operation may run on any thread.
class ImageProcessor
{
public:
    // The canvas the sizing gives a picture of `source` size and the picture's
    // offset on it at `anchor` (PaddingChoices::anchorOffset).
    static Placement placement(const QSize &source, const Sizing &sizing, Anchor anchor);
    // The same, centred or at the top-left corner.
    static Placement placement(const QSize &source, const Sizing &sizing, bool centered)
    {
        return placement(source, sizing, PaddingChoices::anchorFor(centered));
    }

    // Draws `count` source pixels onto a canvas row already filled with `fill`
    // (all ARGB, not premultiplied): opaque pixels bit for bit, translucent
    // ones source-over with exact integer arithmetic.
    static void composeRow(const QRgb *source, QRgb *canvasRow, int count, QRgb fill);

    // A new canvas of the rule's target width x height filled with `fill`
    // (ARGB, not premultiplied), with `source` drawn 1:1 at (offsetX, offsetY):
    // centred with the odd pixel right and bottom, or at the top-left corner.
    // Opaque pixels arrive bit for bit, translucent ones are composited
    // source-over with exact integer arithmetic. 8-bit sources give a 32-bit
    // ARGB canvas, 16-bit sources a 64-bit RGBA one. Resolution (0 becomes 96
    // dpi) and colour space are carried over. Returns a null image when the
    // canvas cannot be made.
    static QImage pad(const QImage &source, QRgb fill, bool centered, SizeRule rule, qint32 &offsetX,
                      qint32 &offsetY);
    // The same for any sizing, fill and anchor. A colour fill is drawn at the
    // canvas's depth (16 bits on 16-bit pictures); Edge and Mirror copy source
    // pixels (a palette picture's pixels are its own colours, so no colour is
    // added), with no compositing. A palette source gives a palette canvas when
    // the fill copies the picture or the colour table has room for the fill.
    static QImage pad(const QImage &source, const FillSpec &fill, Anchor anchor, const Sizing &sizing,
                      qint32 &offsetX, qint32 &offsetY);

    // Pads one file end to end: decode, pad, encode, write a temporary file beside
    // the destination, verify it, then atomically put it in place. Never throws;
    // every failure is a result with success false and a message. In place, a
    // symbolic link pads the picture it points to, where that picture lives.
    // `run`, when given, is only read.
    static ProcessResult process(const QString &sourcePath, const QString &outDir, bool replaceOriginal,
                                 const Sizing &rule, const FillSpec &fill, bool centered, bool png,
                                 const RunContext *run = nullptr);
    // The same with the output already planned by outputFor.
    static ProcessResult process(const QString &sourcePath, const PadSettings &settings, const OutputPlan &output,
                                 const RunContext *run = nullptr);

    // The memory process reserves for `sourcePath` at its peak, estimated from
    // its header alone (ImageCodecs::peakBytes, or RowPad::peakBytes for a
    // picture padded row by row). 0 when the header cannot be read.
    static qint64 peakBytesFor(const QString &sourcePath, const Sizing &rule, const FillSpec &fill, bool png);
    // How long padding `sourcePath` takes, relative to other pictures: its peak
    // on a whole canvas, which grows with its pixels and its file, however it is
    // padded. 0 when the header cannot be read.
    static qint64 workFor(const QString &sourcePath, const Sizing &rule, const FillSpec &fill, bool png);

    // Where process writes the output for `sourcePath`, from the names alone.
    static OutputPlan outputFor(const QString &sourcePath, const PadSettings &settings);

    // The temporary file the output for `destination` is written to first:
    // "<destination>.tesselle.tmp<ext>", or a shorter name in the same folder
    // when that would exceed the file system's name limit.
    static QString temporaryPathFor(const QString &destination, const QString &ext);

    // True for names of temporary files (also those an ended run left behind).
    static bool isTemporaryName(const QString &fileName);

    // The encoder for an extension given with its dot, in lower case.
    static ImageCodecs::Encoder formatFor(const QString &ext);

    // The source index an edge (clamped) or mirror (reflected at both ends,
    // over and over) border position copies: `i` counts from the picture's
    // first pixel, `length` is the picture's length.
    static int borderSource(qint64 i, qint64 length, bool mirror);

    // The colour (ARGB, not premultiplied) the canvas is filled with.
    static QRgb fillColour(Fill fill);

    // "w×h".
    static QString sizeText(qint32 width, qint32 height);
};
