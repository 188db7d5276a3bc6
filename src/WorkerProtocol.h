#pragma once

#include "LineProtocol.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// What passes between a PSD tool page and its worker executable: the JSON job
// handed over in a file, the batches slimming is cut into, and the
// tab-separated line protocol read back from the worker's standard output.
// Plain functions without widgets or processes.
namespace WorkerProtocol {

// A slimming batch holds at most this many files; the same number is shown
// to the user.
constexpr int MaxBatchFiles = 20;
// A file strictly larger than this travels in a batch of its own.
constexpr qint64 LargeFileBytes = Q_INT64_C(4294967296);
// Above either threshold slimming asks before it starts.
constexpr int ManyFiles = 200;
constexpr qint64 ManyBytes = Q_INT64_C(21474836480);

// A line still unfinished beyond this many bytes is dropped.
constexpr qsizetype MaxPartialLineBytes = 1024 * 1024;
// DONE counts are clamped to 0..MaxDoneCount, bytes saved to 0..MaxBytesSaved.
constexpr int MaxDoneCount = 1000000000;
constexpr qint64 MaxBytesSaved = Q_INT64_C(1) << 53;

// The reader is shared with every program that speaks the protocol.
using LineProtocol::ItemReport;
using LineProtocol::Record;
using LineProtocol::RecordKind;
using LineProtocol::parseLine;
using LineProtocol::readItem;
using LineProtocol::takeRecords;

// Cuts a stream of bytes into records as the bytes arrive. A line still
// unfinished beyond MaxPartialLineBytes is dropped, and so is the rest of it
// up to its newline, so one runaway line cannot grow the buffer without end.
class RecordReader
{
public:
    // The records that chunk completes, in arrival order. *lineDropped is set
    // to whether a line was dropped.
    QList<Record> read(QByteArray chunk, bool *lineDropped);

private:
    // Bytes not yet ended by a newline.
    QByteArray m_buffer;
    // Set after an overlong line was dropped, until its newline arrives.
    bool m_discardingLine = false;
};

// Fields from index first on, joined by separator; empty when there are none.
QString joinFields(const QStringList &fields, int first, const QString &separator);

struct Progress
{
    qint64 current = 0;
    qint64 total = 1;
};

// The current and total of a PROGRESS record: a field that is not a base-10
// 32-bit integer counts 0, and a total below 2 counts 1.
Progress readProgress(const Record &record);

// A slimming worker counts hundredths of a file from the start of its batch;
// the bar spans the whole run instead (fileCount × 100, at least 1).
Progress rebaseOnRun(Progress batch, int fileCount, int batchStart);

// The bar's value: current clamped to 0..total.
int progressValue(const Progress &progress);

// (total − current) × whole elapsed seconds ÷ current, truncated; negative
// when current is above total. current must be greater than 0.
qint64 remainingSeconds(qint64 elapsedMilliseconds, qint64 current, qint64 total);

// "H:MM:SS" with at least two digits per field and hours not wrapped at 24;
// "--:--:--" for a negative value.
QString formatDuration(qint64 seconds);

// The counts of a DONE record. Text that is not a JSON object, and keys that
// are missing or not integral, count 0; the rest is clamped to the ranges above.
struct DoneCounts
{
    int exported = 0;
    int skipped = 0;
    int failed = 0;
    int failedDocuments = 0; // layer export: documents that could not be read
    qint64 bytesSaved = 0;
};
DoneCounts readDone(const Record &record);

// What the padding helper's DONE says beyond the counts.
struct HelperDone
{
    DoneCounts counts;
    int cancelled = 0;  // left unstarted by a stop
    QString report;
    QString outputDir;
};
HelperDone readHelperDone(const Record &record);

// How many of the queued files form the next slimming batch, given the sizes
// of the first queued files (at most MaxBatchFiles of them are looked at):
// the batch ends before the first file above LargeFileBytes, and such a file
// at the front goes alone. 0 only for an empty list.
int batchLength(const QList<qint64> &leadingSizes);

QJsonObject slimmingJob(const QStringList &files, bool deep);
// `fill` and `anchor` are keys of PaddingChoices; each is written only when it
// is not the default ("transparent", "center"), so a default job reads as before.
QJsonObject layerExportJob(const QStringList &files, const QString &output, const QString &sizingMode,
                           bool trimTransparency, bool applyClipping = true,
                           const QString &fill = QStringLiteral("transparent"),
                           const QString &anchor = QStringLiteral("center"));

// Writes job as compact JSON into a new file of the temporary folder whose
// name is fileTemplate with its six X replaced by a unique suffix, and
// returns the file's path. On failure nothing is left behind, the result is
// empty and *error (when given) says why.
QString writeJobFile(const QJsonObject &job, const QString &fileTemplate, QString *error = nullptr);

} // namespace WorkerProtocol
