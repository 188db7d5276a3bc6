#include "WorkerProtocol.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace WorkerProtocol {

namespace {

// A base-10 number that fits in 32 bits, or nothing.
std::optional<int> readInt32(const QString &field)
{
    bool ok = false;
    const int value = field.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

QString joinFields(const QStringList &fields, int first, const QString &separator)
{
    return first < fields.size() ? fields.mid(first).join(separator) : QString();
}

Progress readProgress(const Record &record)
{
    Progress progress;
    progress.current = readInt32(record.fields.value(1)).value_or(0);
    progress.total = std::max(readInt32(record.fields.value(2)).value_or(1), 1);
    return progress;
}

Progress rebaseOnRun(Progress batch, int fileCount, int batchStart)
{
    Progress run;
    run.total = fileCount > 0 ? qint64(fileCount) * 100 : 1;
    run.current = batch.current + qint64(batchStart) * 100;
    return run;
}

int progressValue(const Progress &progress)
{
    const qint64 value = std::max<qint64>(std::min(progress.current, progress.total), 0);
    return int(std::min<qint64>(value, std::numeric_limits<int>::max()));
}

qint64 remainingSeconds(qint64 elapsedMilliseconds, qint64 current, qint64 total)
{
    const qint64 seconds = elapsedMilliseconds / 1000;
    return (total - current) * seconds / current;
}

QString formatDuration(qint64 seconds)
{
    if (seconds < 0)
        return QStringLiteral("--:--:--");
    return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
            .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

DoneCounts readDone(const Record &record)
{
    const QJsonObject object =
            QJsonDocument::fromJson(joinFields(record.fields, 1, QStringLiteral("\t")).toUtf8()).object();
    const auto count = [&object](const char *key) {
        return std::clamp(object.value(QLatin1String(key)).toInt(), 0, MaxDoneCount);
    };
    DoneCounts counts;
    counts.exported = count("exported");
    counts.skipped = count("skipped");
    counts.failed = count("failed");
    counts.failedDocuments = count("failedDocuments");
    // Read as a double first: 1e300 must not wrap through a 64-bit conversion.
    const QJsonValue saved = object.value(QLatin1String("bytesSaved"));
    const double bytes = saved.isDouble() ? saved.toDouble() : saved.toVariant().toDouble();
    counts.bytesSaved = bytes > 0 ? qint64(std::min(bytes, double(MaxBytesSaved))) : 0;
    return counts;
}

HelperDone readHelperDone(const Record &record)
{
    HelperDone done;
    done.counts = readDone(record);
    const QJsonObject object =
            QJsonDocument::fromJson(joinFields(record.fields, 1, QStringLiteral("\t")).toUtf8()).object();
    done.report = object.value(QLatin1String("report")).toString();
    done.outputDir = object.value(QLatin1String("outputDir")).toString();
    done.cancelled = object.value(QLatin1String("cancelled")).toInt();
    return done;
}

int batchLength(const QList<qint64> &leadingSizes)
{
    const int length = int(std::min<qsizetype>(leadingSizes.size(), MaxBatchFiles));
    for (int index = 0; index < length; ++index) {
        if (leadingSizes.at(index) > LargeFileBytes)
            return index == 0 ? 1 : index;
    }
    return length;
}

QJsonObject slimmingJob(const QStringList &files, bool deep)
{
    return QJsonObject{{QLatin1String("deep"), deep}, {QLatin1String("files"), QJsonArray::fromStringList(files)}};
}

QJsonObject layerExportJob(const QStringList &files, const QString &output, const QString &sizingMode,
                           bool trimTransparency, bool applyClipping, const QString &fill, const QString &anchor)
{
    QJsonObject job{{QLatin1String("files"), QJsonArray::fromStringList(files)},
                    {QLatin1String("output"), output},
                    {QLatin1String("sizingMode"), sizingMode},
                    {QLatin1String("trimTransparency"), trimTransparency},
                    {QLatin1String("applyClipping"), applyClipping}};
    if (fill != QLatin1String("transparent"))
        job.insert(QLatin1String("fill"), fill);
    if (anchor != QLatin1String("center"))
        job.insert(QLatin1String("anchor"), anchor);
    return job;
}

QString writeJobFile(const QJsonObject &job, const QString &fileTemplate, QString *error)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return QString();
    };
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return fail(QStringLiteral("no temporary folder"));

    // The temporary file reserves a unique name, created exclusively and
    // readable by the owner only; QSaveFile then fills it in one rename, so
    // a worker never reads half a job.
    QTemporaryFile reservation(QDir(folder).filePath(fileTemplate));
    reservation.setAutoRemove(false);
    if (!reservation.open())
        return fail(reservation.errorString());
    const QString path = reservation.fileName();
    reservation.close();

    const QByteArray bytes = QJsonDocument(job).toJson(QJsonDocument::Compact);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        QFile::remove(path);
        return fail(file.errorString());
    }
    // Qt can report a committed file after a failed last write, so the write
    // is checked before the commit.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString message = file.errorString();
        file.cancelWriting();
        QFile::remove(path);
        return fail(message);
    }
    if (!file.commit()) {
        QFile::remove(path);
        return fail(file.errorString());
    }
    return path;
}

QList<Record> RecordReader::read(QByteArray chunk, bool *lineDropped)
{
    *lineDropped = false;
    if (m_discardingLine) {
        const qsizetype newline = chunk.indexOf('\n');
        if (newline < 0)
            return {};
        chunk.remove(0, newline + 1);
        m_discardingLine = false;
    }
    m_buffer += chunk;
    const QList<Record> records = takeRecords(m_buffer);
    if (m_buffer.size() > MaxPartialLineBytes) {
        m_buffer.clear();
        m_buffer.squeeze();
        m_discardingLine = true;
        *lineDropped = true;
    }
    return records;
}

} // namespace WorkerProtocol
