#include "PaddingReport.h"

#include "BenchSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <algorithm>
#include <cstdlib>

#include <unistd.h>

namespace PaddingBench {

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// Sizes are printed in MB of 10^6 bytes throughout.
QString megabytes(double bytes)
{
    return fixed(bytes / 1e6, 1);
}

QString left(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '));
}

QString right(const QString &text, int width)
{
    return text.rightJustified(width, QLatin1Char(' '));
}

// Compares a tool's padded pictures with the engine's at 8 bits per channel.
// Fully transparent pixels count as equal whatever their colour: the engine
// fills with transparent white, the tools with transparent black.
Comparison compareWithEngine(const Context &ctx, const QString &engineDir, const QString &toolDir)
{
    Comparison cmp;
    for (const CorpusFile &file : ctx.files) {
        QImage mine, theirs;
        if (!readPicture(QDir(engineDir).filePath(outputName(file)), &mine)
            || !readPicture(QDir(toolDir).filePath(outputName(file)), &theirs)) {
            cmp.problems << file.name + QStringLiteral(": missing or unreadable");
            continue;
        }
        ++cmp.compared;
        if (mine.size() != theirs.size()) {
            cmp.problems << QStringLiteral("%1: size %2x%3, engine %4x%5")
                                .arg(file.name)
                                .arg(theirs.width())
                                .arg(theirs.height())
                                .arg(mine.width())
                                .arg(mine.height());
            continue;
        }
        mine = mine.convertToFormat(QImage::Format_ARGB32);
        theirs = theirs.convertToFormat(QImage::Format_ARGB32);
        int worst = 0;
        for (int y = 0; y < mine.height(); ++y) {
            const QRgb *a = reinterpret_cast<const QRgb *>(mine.constScanLine(y));
            const QRgb *b = reinterpret_cast<const QRgb *>(theirs.constScanLine(y));
            for (int x = 0; x < mine.width(); ++x) {
                if (a[x] == b[x] || (qAlpha(a[x]) == 0 && qAlpha(b[x]) == 0))
                    continue;
                worst = std::max({worst, std::abs(qAlpha(a[x]) - qAlpha(b[x])), std::abs(qRed(a[x]) - qRed(b[x])),
                                  std::abs(qGreen(a[x]) - qGreen(b[x])), std::abs(qBlue(a[x]) - qBlue(b[x]))});
            }
        }
        if (worst == 0)
            ++cmp.identical;
        if (worst > cmp.worst) {
            cmp.worst = worst;
            cmp.worstFile = file.name;
        }
    }
    return cmp;
}

QString pixelText(QRgb p)
{
    return QStringLiteral("#%1").arg(p, 8, 16, QLatin1Char('0'));
}

// The placement check spelled out on one file: the picture's first pixel must
// sit at (offsetX, offsetY) in both outputs and the column left of it must be
// transparent.
void placementCheck(const Context &ctx, const QString &engineDir, const QString &toolDir, const QString &label)
{
    const CorpusFile *probe = nullptr;
    for (const CorpusFile &file : ctx.files) {
        if (file.item.kind == Kind::Jpeg && file.offsetX > 0 && file.offsetY > 0) {
            probe = &file;
            break;
        }
    }
    if (probe == nullptr)
        return;
    QImage mine, theirs;
    if (!readPicture(QDir(engineDir).filePath(outputName(*probe)), &mine)
        || !readPicture(QDir(toolDir).filePath(outputName(*probe)), &theirs)) {
        say(QStringLiteral("  %1 placement on %2: output missing").arg(label, probe->name));
        return;
    }
    const int x = probe->offsetX, y = probe->offsetY;
    const QRgb mineIn = mine.pixel(x, y), theirsIn = theirs.pixel(x, y);
    const QRgb mineOut = mine.pixel(x - 1, y), theirsOut = theirs.pixel(x - 1, y);
    const bool match = mineIn == theirsIn && qAlpha(mineIn) == 255 && qAlpha(mineOut) == 0 && qAlpha(theirsOut) == 0;
    say(QStringLiteral("  %1 placement on %2 (offset %3,%4): pixel (%3,%4) engine %5 tool %6; (%7,%4) engine %8 "
                       "tool %9 -> %10")
            .arg(label, probe->name)
            .arg(x)
            .arg(y)
            .arg(pixelText(mineIn), pixelText(theirsIn))
            .arg(x - 1)
            .arg(pixelText(mineOut), pixelText(theirsOut),
                 match ? QStringLiteral("match") : QStringLiteral("MISMATCH")));
}

QString toolVersion(const QStringList &command)
{
    const QString path = QDir::temp().filePath(QStringLiteral("bench-padding-version-%1.txt").arg(getpid()));
    spawnAndWait(command, EnvChange{}, path, QString());
    const QString line = firstLineOf(path);
    QFile::remove(path);
    return line;
}

// Other work on the machine skews every figure; the load average tells the reader.
QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

QString cpuModel()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("model name")))
            return line.section(QLatin1Char(':'), 1).trimmed();
    }
    return QString();
}

void printHeader()
{
    say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11")
            .arg(left(QStringLiteral("contender"), 26))
            .arg(right(QStringLiteral("files"), 5))
            .arg(right(QStringLiteral("fail"), 4))
            .arg(right(QStringLiteral("in MB"), 7))
            .arg(right(QStringLiteral("out MB"), 7))
            .arg(right(QStringLiteral("wall s"), 7))
            .arg(right(QStringLiteral("cpu s"), 7))
            .arg(right(QStringLiteral("pics/s"), 7))
            .arg(right(QStringLiteral("MP/s"), 6))
            .arg(right(QStringLiteral("peak MB"), 8))
            .arg(right(QStringLiteral("engine/x"), 9)));
}

void printRow(const PassResult &r, const PassResult *engine, double corpusPixels)
{
    const double perSecond = r.wall > 0 ? r.files / r.wall : 0;
    const double mpPerSecond = r.wall > 0 && r.files > 0 ? corpusPixels / 1e6 / r.wall : 0;
    QString ratio = QStringLiteral("-");
    if (engine != nullptr && engine->ran && r.wall > 0)
        ratio = fixed(engine->wall / r.wall, 2) + QLatin1Char('x');
    say(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11")
            .arg(left(r.label, 26))
            .arg(right(QString::number(r.files), 5))
            .arg(right(QString::number(r.failed), 4))
            .arg(right(megabytes(double(r.inBytes)), 7))
            .arg(right(megabytes(double(r.outBytes)), 7))
            .arg(right(fixed(r.wall, 2), 7))
            .arg(right(fixed(r.cpu, 2), 7))
            .arg(right(fixed(perSecond, 2), 7))
            .arg(right(fixed(mpPerSecond, 1), 6))
            .arg(right(r.peakRssKb > 0 ? megabytes(r.peakRssKb * 1024.0) : QStringLiteral("-"), 8))
            .arg(right(ratio, 9)));
}

void printFailures(const PassResult &r)
{
    for (const QString &failure : r.failures)
        say(QStringLiteral("  FAILED %1: %2").arg(r.label, failure));
}

} // namespace PaddingBench
