// Slimming a large PSB with a long document-ancestor list through the real
// worker: wall time and the worker's peak memory, beside a plain copy of the
// same file for scale. A hand-run measurement, never part of the test suite.
//
//   bench_slimming [--megabytes N] [--ancestors N] [--folder DIR]

#include "BenchSupport.h"
#include "SlimTestDocuments.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>


namespace {

QString option(const QStringList &arguments, const QString &name, const QString &fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

// The peak resident size of a running process so far, from the kernel's own
// high-water mark; 0 when it cannot be read.
qint64 peakResidentKilobytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const qint64 targetBytes = option(arguments, QStringLiteral("--megabytes"), QStringLiteral("1024")).toLongLong() * 1000000;
    const int ancestors = option(arguments, QStringLiteral("--ancestors"), QStringLiteral("200000")).toInt();
    QTemporaryDir dir(option(arguments, QStringLiteral("--folder"), QDir::tempPath()) + QStringLiteral("/bench-slimming-XXXXXX"));
    if (!dir.isValid()) {
        say(QStringLiteral("cannot create a folder: %1").arg(dir.errorString()));
        return 1;
    }

    const QString path = dir.filePath(QStringLiteral("large.psb"));
    {
        // One full-canvas layer (transparency and three colours) and the merged
        // image: seven bytes a pixel, raw.
        SlimTestDocuments::Spec spec;
        spec.version = 2;
        spec.layers = 1;
        spec.width = spec.height = int(std::sqrt(double(targetBytes) / 7.0));
        spec.xmp = SlimTestDocuments::xmp(ancestors);
        // An embedded document with a list of its own, for the deep walk.
        SlimTestDocuments::Spec inner;
        inner.xmp = SlimTestDocuments::xmp(1000);
        spec.embedded << SlimTestDocuments::Embedded{"lnk2", SlimTestDocuments::build(inner), 7};

        {
            QElapsedTimer timer;
            timer.start();
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || !SlimTestDocuments::write(&file, spec)) {
                say(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
                return 1;
            }
            say(QStringLiteral("document: %1×%2 PSB, %3, %4 ancestors (%5 of XMP list) + 1,000 in an embedded document; written in %6 s")
                        .arg(spec.width)
                        .arg(spec.height)
                        .arg(megabytes(file.size()))
                        .arg(ancestors)
                        .arg(megabytes(SlimTestDocuments::listBytes(ancestors)))
                        .arg(double(timer.elapsed()) / 1000.0, 0, 'f', 1));
        }
    }
    const qint64 before = QFileInfo(path).size();

    {
        QElapsedTimer timer;
        timer.start();
        QFile::copy(path, dir.filePath(QStringLiteral("copy.psb")));
        say(QStringLiteral("plain copy of the file, for scale: %1 s").arg(double(timer.elapsed()) / 1000.0, 0, 'f', 2));
        QFile::remove(dir.filePath(QStringLiteral("copy.psb")));
    }

    const QString job = dir.filePath(QStringLiteral("job.json"));
    {
        QFile file(job);
        file.open(QIODevice::WriteOnly);
        file.write(QJsonDocument(QJsonObject{{QStringLiteral("deep"), true},
                                             {QStringLiteral("files"), QJsonArray{path}}})
                           .toJson(QJsonDocument::Compact));
    }
    QProcess worker;
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    worker.start(QStringLiteral(BREVANE_PATH), {QStringLiteral("--job"), job});
    if (!worker.waitForStarted(-1)) {
        say(QStringLiteral("the worker did not run: %1").arg(worker.errorString()));
        return 1;
    }
    // The high-water mark only grows: the last reading before the end is the
    // peak, give or take the last few milliseconds.
    qint64 peakKilobytes = 0;
    const qint64 pid = worker.processId();
    while (!worker.waitForFinished(10))
        peakKilobytes = qMax(peakKilobytes, peakResidentKilobytes(pid));
    const double seconds = double(timer.elapsed()) / 1000.0;
    const QList<QByteArray> lines = worker.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("LOG") || line.startsWith("DONE") || line.startsWith("ITEM"))
            say(QStringLiteral("  worker: ") + QString::fromUtf8(line).replace(QLatin1Char('\t'), QLatin1Char(' ')));
    }
    const qint64 after = QFileInfo(path).size();
    say(QStringLiteral("slimming (read, write, read back, replace): %1 s, %2 → %3 (%4 MB/s of source)")
                .arg(seconds, 0, 'f', 2)
                .arg(megabytes(before), megabytes(after))
                .arg(double(before) / 1e6 / seconds, 0, 'f', 0));
    if (peakKilobytes > 0)
        say(QStringLiteral("worker peak memory (resident): %1 MB").arg(double(peakKilobytes) / 1024.0, 0, 'f', 1));
    return worker.exitCode();
}
