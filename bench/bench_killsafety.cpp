// In-place runs of the real helper killed (SIGKILL) at random moments: counts
// pictures left corrupt and originals that can no longer be recovered, then
// undoes each killed run and counts originals Undo did not bring back. A
// hand-run measurement (see docs/benchmark.md); every figure should be 0.

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <csignal>
#include <cstdio>

namespace {

QByteArray digest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

// A picture of smooth variation with grain, so the encoders have work to do.
QImage picture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x + seed) & 255, (y * 3 + seed) & 255, ((x ^ y) + seed * 7) & 255);
    }
    return image;
}

int padded(int side)
{
    return (side + 3) / 4 * 4;
}

// Complete and of the padded size: decodes, and its file ends as its format ends.
bool isWholePaddedPicture(const QString &path, const QSize &source)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    const bool png = path.endsWith(QLatin1String(".png"));
    const bool ended = png ? bytes.right(8) == QByteArray::fromHex("49454e44ae426082") : bytes.endsWith("\xff\xd9");
    QImage image;
    return ended && image.loadFromData(bytes) && image.size() == QSize(padded(source.width()), padded(source.height()));
}

struct Figures
{
    int rounds = 0;
    int pictures = 0;
    int replacedWhenKilled = 0;
    int corrupt = 0;
    int unrecoverable = 0;
    int undoMissed = 0;
    int leftovers = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int rounds = 60;
    int count = 24;
    const QStringList args = app.arguments();
    // "--no-trash" shows what the figures look like without keeping.
    const bool keep = !args.contains(QStringLiteral("--no-trash"));
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--rounds"))
            rounds = args.at(++i).toInt();
        else if (args.at(i) == QLatin1String("--pictures"))
            count = args.at(++i).toInt();
    }
    QTextStream out(stdout);

    QTemporaryDir work;
    const QString corpus = work.filePath(QStringLiteral("corpus"));
    QDir().mkpath(corpus);
    QHash<QString, QSize> sizes;
    for (int i = 0; i < count; ++i) {
        // Mostly photos of a few megapixels; every sixth a large PNG padded row by row.
        const bool large = i % 6 == 5;
        const QSize size = large ? QSize(3001, 2001) : QSize(1201 + i, 899 + i);
        const QString name = QStringLiteral("p%1.%2").arg(i, 2, 10, QLatin1Char('0')).arg(i % 2 && !large ? QStringLiteral("jpg") : QStringLiteral("png"));
        picture(size.width(), size.height(), i).save(QDir(corpus).filePath(name));
        sizes.insert(name, size);
    }

    const auto helperRun = [&](const QString &folder, const QString &data, const QStringList &arguments,
                               qint64 killAfterMs) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
        process.setProcessEnvironment(environment);
        process.setProgram(QStringLiteral(QUADRIX_PATH));
        process.setArguments(folder.isEmpty() ? arguments : arguments + QStringList{folder});
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        process.start();
        process.waitForStarted();
        const qint64 pid = process.processId();
        if (killAfterMs >= 0 && pid > 0) {
            QThread::msleep(quint64(killAfterMs));
            // Never a pid of 0 (the whole process group) or one the helper no longer holds.
            if (process.state() == QProcess::Running)
                ::kill(pid_t(pid), SIGKILL);
        }
        process.waitForFinished(-1);
        return clock.elapsed();
    };

    // How long a whole run takes: kills fall anywhere within it.
    const QString timing = work.filePath(QStringLiteral("timing"));
    QDir().mkpath(timing);
    for (const QString &name : sizes.keys())
        QFile::copy(QDir(corpus).filePath(name), QDir(timing).filePath(name));
    QStringList fill{QStringLiteral("--headless"), QStringLiteral("--fill"), QStringLiteral("white")};
    if (!keep)
        fill << QStringLiteral("--no-trash");
    const qint64 wholeRun = helperRun(timing, work.filePath(QStringLiteral("timing-data")), fill, -1);
    out << "whole run of " << count << " pictures: " << wholeRun << " ms; " << rounds << " rounds killed within it\n";
    out.flush();

    Figures figures;
    QHash<QString, QByteArray> originals;
    for (const QString &name : sizes.keys())
        originals.insert(name, digest(QDir(corpus).filePath(name)));
    for (int round = 0; round < rounds; ++round) {
        const QString folder = work.filePath(QStringLiteral("round/pics"));
        const QString data = work.filePath(QStringLiteral("round/data"));
        QDir(work.filePath(QStringLiteral("round"))).removeRecursively();
        QDir().mkpath(folder);
        for (const QString &name : sizes.keys())
            QFile::copy(QDir(corpus).filePath(name), QDir(folder).filePath(name));
        helperRun(folder, data, fill, qint64(QRandomGenerator::global()->bounded(quint32(wholeRun) + 1)));

        // Every original, byte for byte, in any trash entry of the run.
        QSet<QByteArray> kept;
        for (QDirIterator it(data + QStringLiteral("/Trash/files"), QDir::Files); it.hasNext();)
            kept.insert(digest(it.next()));
        for (auto it = sizes.cbegin(); it != sizes.cend(); ++it) {
            const QString path = QDir(folder).filePath(it.key());
            const bool original = digest(path) == originals.value(it.key());
            ++figures.pictures;
            if (!original) {
                ++figures.replacedWhenKilled;
                if (!isWholePaddedPicture(path, it.value()))
                    ++figures.corrupt;
                if (!kept.contains(originals.value(it.key())))
                    ++figures.unrecoverable;
            }
        }
        for (const QString &name : QDir(folder).entryList(QDir::Files))
            figures.leftovers += name.contains(QLatin1String(".tmp")) ? 1 : 0;

        helperRun(QString(), data, {QStringLiteral("--undo-last")}, -1);
        for (auto it = sizes.cbegin(); it != sizes.cend(); ++it)
            figures.undoMissed += digest(QDir(folder).filePath(it.key())) == originals.value(it.key()) ? 0 : 1;
        ++figures.rounds;
        if ((round + 1) % 10 == 0) {
            out << "  " << (round + 1) << " rounds\n";
            out.flush();
        }
    }

    out << "rounds killed:                          " << figures.rounds << '\n'
        << "pictures checked:                       " << figures.pictures << '\n'
        << "already replaced when killed:           " << figures.replacedWhenKilled << '\n'
        << "corrupt pictures:                       " << figures.corrupt << '\n'
        << "originals not recoverable from trash:   " << figures.unrecoverable << '\n'
        << "originals not back after --undo-last:   " << figures.undoMissed << '\n'
        << "temporary files left (next run replaces): " << figures.leftovers << '\n';
    return figures.corrupt == 0 && figures.unrecoverable == 0 && figures.undoMissed == 0 ? 0 : 1;
}
