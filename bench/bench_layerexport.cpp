// bench_layerexport: how long the layer export worker takes for a large
// document and how much memory it needs. Writes a 4000×3000 RGB document with
// 200 layers (by default) of sizes from 400×300 to the full canvas, RLE
// compressed as an image editor saves it, in groups of 20, then runs the real
// worker on it with the page's default options (trimmed, multiple of 4) and
// reports the wall time and the worker's peak resident memory. Run by hand:
//
//     build/bench/bench_layerexport [--layers N] [--psb] [--canvas] [--work DIR]
//
// --canvas exports untrimmed full-canvas pictures instead; --psb writes the
// document as PSB; --work keeps the document and the pictures in DIR (a
// matching document there is reused).

#include "BenchSupport.h"
#include "PsdTestWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cmath>
#include <memory>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

using PsdTestWriter::put;

// One channel of layer `layer`: blocks of 16 pixels of a gradient (colours)
// or a soft ellipse (transparency), compressed with RLE.
QByteArray channelData(int layer, int channel, const QRect &rect, bool psb)
{
    const int w = rect.width();
    const int h = rect.height();
    QByteArray counts;
    QByteArray rows;
    std::vector<uchar> row(size_t(w), 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int value;
            if (channel < 0) {
                const double dx = (x - w / 2.0) / (w / 2.0);
                const double dy = (y - h / 2.0) / (h / 2.0);
                value = int(std::clamp((1.0 - std::sqrt(dx * dx + dy * dy)) * 1024.0, 0.0, 255.0));
            } else {
                value = ((x / 16) * (3 + channel) + (y / 16) * (5 + layer % 7) + layer * 29) & 0xff;
            }
            row[size_t(x)] = uchar(value);
        }
        const qsizetype before = rows.size();
        rows += PsdTestWriter::packBits(reinterpret_cast<const char *>(row.data()), w);
        put(counts, quint64(rows.size() - before), psb ? 4 : 2);
    }
    QByteArray data;
    put(data, 1, 2);
    return data + counts + rows;
}

// Writes the document part by part: the channel data of one layer at a time
// goes to a side file, so the generator never holds the document.
bool writeDocument(const QString &path, int layers, bool psb)
{
    const QString sidePath = path + QStringLiteral(".channels");
    QFile side(sidePath);
    if (!side.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const int lengthSize = psb ? 8 : 4;
    QByteArray records;
    put(records, quint64(layers + layers / 20 * 2), 2);
    const auto record = [&](const QRect &rect, const QList<qint64> &lengths, const QString &name, int section) {
        put(records, quint32(rect.top()), 4);
        put(records, quint32(rect.left()), 4);
        put(records, quint32(rect.top() + rect.height()), 4);
        put(records, quint32(rect.left() + rect.width()), 4);
        put(records, 4, 2);
        for (int id = -1; id < 3; ++id) {
            put(records, quint64(quint16(qint16(id))), 2);
            put(records, quint64(lengths.value(id + 1, 2)), lengthSize);
        }
        records.append("8BIMnorm");
        records.append(char(255));
        records.append('\0');
        records.append('\0');
        records.append('\0');
        QByteArray extra;
        put(extra, 0, 4);
        put(extra, 0, 4);
        const QByteArray latin = name.toLatin1();
        extra.append(char(latin.size()));
        extra.append(latin);
        extra.append((4 - (latin.size() + 1) % 4) % 4, '\0');
        if (section) {
            extra.append("8BIMlsct");
            put(extra, 4, 4);
            put(extra, quint64(section), 4);
        }
        put(records, quint64(extra.size()), 4);
        records += extra;
    };
    const auto emptyChannels = [&] {
        QByteArray raw;
        put(raw, 0, 2);
        for (int c = 0; c < 4; ++c)
            side.write(raw);
    };
    for (int index = 0; index < layers; ++index) {
        if (index % 20 == 0) {
            record(QRect(), {}, QStringLiteral("</Layer group>"), 3);
            emptyChannels();
        }
        const bool full = index % 25 == 0;
        const int w = full ? Width : 400 + (index * 37 % 10) * 360;
        const int h = full ? Height : 300 + (index * 53 % 10) * 270;
        const QRect rect(full ? 0 : (index * 211) % (Width - w / 2) - w / 4, full ? 0 : (index * 157) % (Height - h / 2) - h / 4,
                         w, h);
        QList<qint64> lengths;
        for (int channel = -1; channel < 3; ++channel) {
            const QByteArray data = channelData(index, channel, rect, psb);
            if (side.write(data) != data.size())
                return false;
            lengths << data.size();
        }
        record(rect, lengths, QStringLiteral("Layer %1").arg(index + 1), 0);
        if (index % 20 == 19 || index == layers - 1) {
            record(QRect(), {}, QStringLiteral("Group %1").arg(index / 20 + 1), 1);
            emptyChannels();
        }
    }
    side.close();

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !side.open(QIODevice::ReadOnly))
        return false;
    QByteArray head("8BPS");
    put(head, psb ? 2 : 1, 2);
    head.append(6, '\0');
    put(head, 3, 2);
    put(head, Height, 4);
    put(head, Width, 4);
    put(head, 8, 2);
    put(head, 3, 2);
    put(head, 0, 4); // colour mode data
    put(head, 0, 4); // image resources
    const qint64 layerInfo = records.size() + side.size();
    const qint64 padded = layerInfo + (layerInfo & 1);
    put(head, quint64(lengthSize + padded + 4), lengthSize);
    put(head, quint64(padded), lengthSize);
    file.write(head);
    file.write(records);
    while (!side.atEnd())
        file.write(side.read(1 << 20));
    side.close();
    QFile::remove(sidePath);
    if (layerInfo & 1)
        file.write(QByteArray(1, '\0'));
    file.write(QByteArray(4, '\0')); // no global mask
    // The merged image: raw white.
    QByteArray merged;
    put(merged, 0, 2);
    file.write(merged);
    const QByteArray white(Width, char(255));
    for (int row = 0; row < Height * 3; ++row)
        file.write(white);
    return file.error() == QFileDevice::NoError;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    int layers = 200;
    bool psb = false;
    bool canvas = false;
    QString work;
    for (int index = 1; index < arguments.size(); ++index) {
        const QString &argument = arguments.at(index);
        if (argument == u"--layers" && index + 1 < arguments.size())
            layers = arguments.at(++index).toInt();
        else if (argument == u"--psb")
            psb = true;
        else if (argument == u"--canvas")
            canvas = true;
        else if (argument == u"--work" && index + 1 < arguments.size())
            work = arguments.at(++index);
        else {
            say(QStringLiteral("usage: bench_layerexport [--layers N] [--psb] [--canvas] [--work DIR]"));
            return 2;
        }
    }
    if (layers < 1 || layers > 30000) {
        say(QStringLiteral("--layers takes 1 to 30000"));
        return 2;
    }
    std::unique_ptr<QTemporaryDir> temporary;
    if (work.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>();
        work = temporary->path();
    }
    QDir().mkpath(work);
    const QString document = QDir(work).filePath(QStringLiteral("layers-%1.%2").arg(layers).arg(psb ? u"psb" : u"psd"));
    if (!QFile::exists(document)) {
        say(QStringLiteral("Writing %1 (%2 layers at %3×%4)...").arg(document).arg(layers).arg(Width).arg(Height));
        QElapsedTimer timer;
        timer.start();
        if (!writeDocument(document, layers, psb)) {
            say(QStringLiteral("cannot write the document"));
            return 1;
        }
        say(QStringLiteral("  written in %1 s").arg(timer.elapsed() / 1000.0, 0, 'f', 1));
    }
    say(QStringLiteral("Document: %1 MiB").arg(QFileInfo(document).size() / 1048576.0, 0, 'f', 1));

    const QString output = QDir(work).filePath(QStringLiteral("export"));
    QDir(output).removeRecursively();
    const QJsonObject job{{QStringLiteral("files"), QJsonArray{document}},
                          {QStringLiteral("output"), output},
                          {QStringLiteral("sizingMode"), canvas ? QStringLiteral("none") : QStringLiteral("multiple4")},
                          {QStringLiteral("trimTransparency"), !canvas}};
    const QString jobPath = QDir(work).filePath(QStringLiteral("job.json"));
    QFile jobFile(jobPath);
    if (!jobFile.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || jobFile.write(QJsonDocument(job).toJson(QJsonDocument::Compact)) <= 0)
        return 1;
    jobFile.close();

    say(QStringLiteral("Exporting (%1)...").arg(canvas ? u"full canvas, no rule" : u"trimmed, multiple of 4"));
    QProcess worker;
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    worker.start(QStringLiteral(STRATLO_PATH), {QStringLiteral("--job"), jobPath});
    if (!worker.waitForFinished(-1) || worker.exitStatus() != QProcess::NormalExit) {
        say(QStringLiteral("the worker did not finish"));
        return 1;
    }
    const double seconds = timer.elapsed() / 1000.0;
    // Only the worker was waited for, so the children's peak is its peak.
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const QList<QByteArray> lines = worker.readAllStandardOutput().split('\n');
    QByteArray done;
    for (const QByteArray &line : lines) {
        if (line.startsWith("DONE\t"))
            done = line.mid(5);
    }
    qint64 bytes = 0;
    int files = 0;
    QDirIterator it(output, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        bytes += QFileInfo(it.next()).size();
        ++files;
    }
    say(QStringLiteral("Result: %1").arg(QString::fromUtf8(done)));
    say(QStringLiteral("Time: %1 s (%2 layers/s), %3 PNG files, %4 MiB")
                .arg(seconds, 0, 'f', 1)
                .arg(layers / seconds, 0, 'f', 1)
                .arg(files)
                .arg(bytes / 1048576.0, 0, 'f', 1));
    say(QStringLiteral("Peak memory of the worker: %1 MiB").arg(usage.ru_maxrss / 1024.0, 0, 'f', 1));
    return 0;
}
