#pragma once

#include "ImageCodecs.h"

#include <QHash>
#include <QImage>
#include <QRgb>
#include <QSet>
#include <QString>

class MemoryBudget;

// The outcome of padding one file.
struct ProcessResult
{
    bool Success = false;  // output written, verified and put in place
    QString Source;        // the source path exactly as passed in
    QString OldSize;       // "1919×1080"; empty when the source could not be decoded
    QString NewSize;       // size of the padded canvas; empty unless the output was verified
    QString Message;       // summary on success, the error's text on failure; never empty
    QString Destination;   // the file written; empty unless Success
};

// What a batch run knows beyond one file: in place, a file in the list is no
// bystander whose name must not be taken. Keys are absolute paths as
// SafeFile::pathCaseSensitivity() compares them.
struct RunContext
{
    QSet<QString> listed;            // every file of the run
    MemoryBudget *budget = nullptr;  // shared by pictures padded at the same time
    static QString Key(const QString &path);
};

// Pads pictures to the next size a sizing rule allows, without scaling or
// cropping a pixel. Stateless; every operation may run on any thread.
class ImageProcessor
{
public:
    // Rule display texts, as the batch window shows them and messages quote them.
    static const QString RuleMultipleOf4;  // "4 的倍数"
    static const QString RuleEven;         // "偶数（2 的倍数）"
    static const QString RulePowerOfTwo;   // "2ⁿ（2 的幂）"
    // Fill display texts.
    static const QString FillTransparent;  // "透明"
    static const QString FillWhite;        // "白色"
    static const QString FillBlack;        // "黑色"

    // The smallest size not below `value` that the rule allows: a rule text
    // beginning with "偶数" means even, with "2ⁿ" power of two, anything else
    // multiple of 4. Returns -1 when that size does not fit in 32 bits.
    static qint32 Target(qint32 value, const QString &rule);

    // A new canvas of Target(width) x Target(height) filled with `fill` (ARGB,
    // not premultiplied), with `source` drawn 1:1 at (offsetX, offsetY): centred
    // with the odd pixel right and bottom, or at the top-left corner. Opaque
    // pixels arrive bit for bit, translucent ones are composited source-over with
    // exact integer arithmetic. 8-bit sources give a 32-bit ARGB canvas, 16-bit
    // sources a 64-bit RGBA one. Resolution (0 becomes 96 dpi) and colour space
    // are carried over. Returns a null image when the canvas cannot be made.
    static QImage Pad(const QImage &source, QRgb fill, bool centered, const QString &rule, qint32 &offsetX,
                      qint32 &offsetY);

    // Pads one file end to end: decode, pad, encode, write a temporary file beside
    // the destination, verify it, then atomically put it in place. Never throws;
    // every failure is a result with Success false and a message. In place, a
    // symbolic link pads the picture it points to, where that picture lives.
    // `run`, when given, is only read.
    static ProcessResult Process(const QString &sourcePath, const QString &outDir, bool replaceOriginal,
                                 const QString &rule, const QString &fillChoice, bool centered, bool png,
                                 const RunContext *run = nullptr);

    // The memory Process reserves for `sourcePath` at its peak, estimated from
    // its header alone (ImageCodecs::peakBytes); it also stands for how long the
    // picture takes. 0 when the header cannot be read.
    static qint64 PeakBytesFor(const QString &sourcePath, const QString &rule, const QString &fillChoice, bool png);

    // Where Process would write the output for `sourcePath`, worked out from
    // the name alone (for a fill text other than the three, as for an opaque source).
    static QString DestinationFor(const QString &sourcePath, const QString &outDir, bool replaceOriginal,
                                  const QString &fillChoice, bool png);

    // The temporary file the output for `destination` is written to first:
    // "<destination>.tesselle.tmp<ext>", or a shorter name in the same folder
    // when that would exceed the file system's name limit.
    static QString TemporaryPathFor(const QString &destination, const QString &ext);

    // True for names of temporary files (also those an ended run left behind).
    static bool IsTemporaryName(const QString &fileName);

    // The encoder for an extension given with its dot, in lower case.
    static ImageCodecs::Encoder FormatFor(const QString &ext);

    // The fill colour a fill text stands for, given whether the source has alpha.
    static QRgb FillFor(const QString &fillChoice, bool sourceHasAlpha);

    // "w×h".
    static QString SizeText(qint32 width, qint32 height);
};
