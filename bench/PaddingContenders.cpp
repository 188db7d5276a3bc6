#include "PaddingContenders.h"

#include "BatchRun.h"
#include "BenchSupport.h"
#include "ImageCodecs.h"
#include "ImageProcessor.h"
#include "ReadBackCheck.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace PaddingBench {

double cpuSeconds(const rusage &usage)
{
    return double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6 + double(usage.ru_stime.tv_sec)
        + double(usage.ru_stime.tv_usec) / 1e6;
}

double selfCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

qint64 folderBytes(const QString &folder)
{
    qint64 total = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries)
        total += entry.size();
    return total;
}

void freshFolder(const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

// The floor: what any tool has to do at least, decode and encode once with the
// engine's own codecs. No padding, no temporary file, no flush, no read-back.
bool bareOne(const CorpusFile &file, const QString &outDir, QString *error)
{
    QByteArray bytes;
    {
        QFile in(file.path);
        if (!in.open(QIODevice::ReadOnly)) {
            *error = in.errorString();
            return false;
        }
        bytes = in.readAll();
    }
    QImage image;
    if (!ImageCodecs::decode(bytes, true, &image, error))
        return false;
    bytes = QByteArray();
    QByteArray encoded;
    if (!ImageCodecs::encode(image, ImageProcessor::formatFor(outputExtension(file)), &encoded, error))
        return false;
    image = QImage();
    QFile out(QDir(outDir).filePath(outputName(file)));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(encoded) != encoded.size()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

// The engine's steps for one file, re-enacted with its public pieces in the
// order process runs them, each timed on its own: shows where the time above
// the bare round trip goes.
const char *const StepNames[StepCount] = {"read",          "decode",             "pad",
                                          "encode",        "write + fsync",      "read back + check",
                                          "rename + fsync folder"};

bool stepsOne(const CorpusFile &file, const QString &outDir, const FillSpec &fill, double seconds[StepCount],
              double fullDecodeSeconds[KindCount], QString *error)
{
    QElapsedTimer timer;
    timer.start();
    int step = 0;
    auto lap = [&] {
        seconds[step++] += timer.nsecsElapsed() / 1e9;
        timer.restart();
    };
    QByteArray bytes;
    if (!SafeFile::readRegularFile(file.path, ImageCodecs::sourceFileLimit(), &bytes, error))
        return false;
    lap();
    QImage source;
    if (!ImageCodecs::decode(bytes, true, &source, error))
        return false;
    bytes = QByteArray();
    lap();
    qint32 ox = 0, oy = 0;
    // Every other step writes what the transparent fill gives, so only the pad differs between fills.
    QImage canvas = ImageProcessor::pad(source, fill, Anchor::Center, SizeRule::Multiple4, ox, oy);
    source = QImage();
    lap();
    QByteArray encoded;
    if (!ImageCodecs::encode(canvas, ImageProcessor::formatFor(outputExtension(file)), &encoded, error))
        return false;
    const QSize size = canvas.size();
    canvas = QImage();
    lap();
    const QString destination = QDir(outDir).filePath(outputName(file));
    const QString temporary = destination + QStringLiteral(".steps.tmp");
    if (!SafeFile::writeNewFile(temporary, encoded, destination, error))
        return false;
    lap();
    QByteArray written;
    QSize readBack;
    const ImageCodecs::Encoder encoder = ImageProcessor::formatFor(outputExtension(file));
    if (!SafeFile::readRegularFile(temporary, std::numeric_limits<qint64>::max(), &written, error)
        || written != encoded || !ReadBackCheck::writtenSize(written, encoder, &readBack, error) || readBack != size) {
        if (error->isEmpty())
            *error = QStringLiteral("read-back differs");
        return false;
    }
    lap();
    // Measured only: what a full decode of the written file would add where the
    // engine reads just the header.
    if (!ReadBackCheck::decodesInFull(encoder)) {
        QImage decoded;
        if (!ImageCodecs::decode(written, false, &decoded, error))
            return false;
        fullDecodeSeconds[int(file.item.kind)] += timer.nsecsElapsed() / 1e9;
    }
    timer.restart();
    if (!SafeFile::replaceFile(temporary, destination, error))
        return false;
    lap();
    return true;
}

bool isChildPass(const QString &which)
{
    static const QStringList passes = {QStringLiteral("none"), QStringLiteral("engine"), QStringLiteral("pool"),
                                       QStringLiteral("bare"), QStringLiteral("steps")};
    return passes.contains(which);
}

// The engine as the batch window runs it: BatchRun with `jobs` pictures at a
// time, multiple of 4, `fill` (transparent unless asked), centred, into
// `outDir`. Seconds by kind add up the workers' time.
void runBatch(const std::vector<CorpusFile> &files, const QString &outDir, int jobs, const FillSpec &fill,
              PassResult *result)
{
    QStringList paths;
    for (const CorpusFile &file : files)
        paths << file.path;
    BatchSettings settings;
    settings.outDir = outDir;
    settings.jobs = jobs;
    settings.fill = fill;
    BatchRun run;
    std::vector<double> seconds(files.size());
    std::vector<double> finished; // seconds since the start, in the order pictures finish
    QElapsedTimer watch;
    watch.start();
    QObject::connect(&run, &BatchRun::pictureTimed, &run, [&](int index, qint64 nanoseconds) {
        seconds[size_t(index)] = nanoseconds / 1e9;
        finished.push_back(watch.nsecsElapsed() / 1e9);
    });
    QStringList reasons;
    QObject::connect(&run, &BatchRun::recordReady, &run, [&reasons](const QByteArray &record) {
        // "ITEM\tfailed\tPATH\t{...}"
        if (record.startsWith("ITEM\tfailed\t")) {
            const QByteArray details = record.mid(record.lastIndexOf('\t') + 1).trimmed();
            reasons << QJsonDocument::fromJson(details).object().value(QStringLiteral("reason")).toString();
        }
    });
    QEventLoop loop;
    QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit);
    run.start(paths, settings);
    if (run.isRunning())
        loop.exec();
    // Failures come in list order, as the records do.
    QDir out(outDir);
    PadSettings pad;
    pad.outDir = outDir;
    pad.replaceOriginal = false;
    pad.fill = fill;
    for (size_t i = 0; i < files.size(); ++i) {
        const bool ok = out.exists(QFileInfo(ImageProcessor::outputFor(files[i].path, pad).destination).fileName());
        result->account(files[i], seconds[i], ok, ok || reasons.isEmpty() ? QString() : reasons.takeFirst());
    }
    result->budgetHighWater = run.memoryHighWater();
    // Once the second-to-last picture is done, the last one runs alone on one core.
    if (jobs > 1 && finished.size() > 1)
        result->aloneSeconds = watch.nsecsElapsed() / 1e9 - finished[finished.size() - 2];
}

// Runs one in-process pass; used inside the child process so that its peak
// memory belongs to that pass alone. "engine" and "pool" go through the batch
// window's own scheduler with 1 and `workers` pictures at a time.
PassResult runInProcess(const QString &which, const std::vector<CorpusFile> &files, const QString &outDir,
                        int workers, const FillSpec &fill)
{
    PassResult result;
    result.label = which;
    result.ran = true;
    freshFolder(outDir);
    const double cpuBefore = selfCpuSeconds();
    QElapsedTimer total;
    total.start();
    std::atomic<size_t> next{0};
    std::mutex lock;
    auto work = [&] {
        for (size_t i = next++; i < files.size(); i = next++) {
            const CorpusFile &file = files[i];
            QElapsedTimer one;
            one.start();
            QString error;
            double steps[StepCount] = {};
            double fullDecode[KindCount] = {};
            bool ok = false;
            if (which == QLatin1String("steps"))
                ok = stepsOne(file, outDir, fill, steps, fullDecode, &error);
            else
                ok = bareOne(file, outDir, &error);
            const double seconds = one.nsecsElapsed() / 1e9;
            const std::lock_guard<std::mutex> guard(lock);
            for (int k = 0; k < StepCount; ++k)
                result.stepSeconds[k] += steps[k];
            for (int k = 0; k < KindCount; ++k)
                result.fullDecodeSeconds[k] += fullDecode[k];
            result.account(file, seconds, ok, error);
        }
    };
    if (which == QLatin1String("engine") || which == QLatin1String("pool")) {
        runBatch(files, outDir, which == QLatin1String("pool") ? std::max(1, workers) : 1, fill, &result);
    } else if (which != QLatin1String("none")) {
        work();
    }
    result.wall = total.nsecsElapsed() / 1e9;
    result.cpu = selfCpuSeconds() - cpuBefore;
    result.outBytes = folderBytes(outDir);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    result.peakRssKb = double(usage.ru_maxrss);
    return result;
}

void printChildReport(const PassResult &result)
{
    QString kinds;
    for (int k = 0; k < KindCount; ++k)
        kinds += QLatin1Char(' ') + QString::number(result.kindSeconds[k], 'g', 10);
    say(QStringLiteral("@result %1 %2 %3 %4 %5 %6 %7")
            .arg(result.files)
            .arg(result.failed)
            .arg(result.inBytes)
            .arg(result.outBytes)
            .arg(QString::number(result.wall, 'g', 10), QString::number(result.cpu, 'g', 10))
            .arg(QString::number(result.peakRssKb, 'g', 10)));
    say(QStringLiteral("@kinds") + kinds);
    say(QStringLiteral("@budget %1 %2").arg(result.budgetHighWater).arg(QString::number(result.aloneSeconds, 'g', 10)));
    QString steps;
    for (int i = 0; i < StepCount; ++i)
        steps += QLatin1Char(' ') + QString::number(result.stepSeconds[i], 'g', 10);
    say(QStringLiteral("@steps") + steps);
    QString decodes;
    for (int k = 0; k < KindCount; ++k)
        decodes += QLatin1Char(' ') + QString::number(result.fullDecodeSeconds[k], 'g', 10);
    say(QStringLiteral("@decode") + decodes);
    for (const QString &failure : result.failures)
        say(QStringLiteral("@fail ") + failure);
}

// posix_spawn + wait4 rather than QProcess: wait4 hands back the CPU time and
// peak memory of exactly this child.
Spawned spawnAndWait(const QStringList &arguments, const EnvChange &env, const QString &stdoutPath,
                     const QString &stderrPath)
{
    Spawned spawned;
    std::vector<QByteArray> argStore;
    for (const QString &a : arguments)
        argStore.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> envStore;
    for (char **e = environ; *e != nullptr; ++e) {
        const QByteArray entry(*e);
        const QByteArray key = entry.left(entry.indexOf('='));
        bool drop = env.unset.contains(key);
        for (const auto &pair : env.set)
            drop = drop || pair.first == key;
        if (!drop)
            envStore.push_back(entry);
    }
    for (const auto &pair : env.set)
        envStore.push_back(pair.first + '=' + pair.second);
    std::vector<char *> envp;
    for (QByteArray &e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    const QByteArray outPath = QFile::encodeName(stdoutPath.isEmpty() ? QStringLiteral("/dev/null") : stdoutPath);
    const QByteArray errPath = QFile::encodeName(stderrPath.isEmpty() ? QStringLiteral("/dev/null") : stderrPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        spawned.error = QString::fromLocal8Bit(std::strerror(rc));
        return spawned;
    }
    spawned.started = true;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            spawned.error = QString::fromLocal8Bit(std::strerror(errno));
            return spawned;
        }
    }
    spawned.wall = timer.nsecsElapsed() / 1e9;
    spawned.cpu = cpuSeconds(usage);
    spawned.maxRssKb = usage.ru_maxrss;
    spawned.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return spawned;
}

QString firstLineOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString text = QString::fromLocal8Bit(file.readAll()).trimmed();
    return text.section(QLatin1Char('\n'), 0, 0);
}

// Runs an in-process pass in a child of its own and reads its report back.
PassResult runChild(const Context &ctx, const QString &which, const QString &label, int workers)
{
    PassResult result;
    result.label = label;
    const QString outPath = QDir(ctx.logs).filePath(QStringLiteral("child-%1.out").arg(which));
    const QString errPath = QDir(ctx.logs).filePath(QStringLiteral("child-%1.err").arg(which));
    const QStringList arguments = {QCoreApplication::applicationFilePath(), QStringLiteral("--child"), which,
                                   QStringLiteral("--work"), ctx.work, QStringLiteral("--scale"), ctx.scaleName,
                                   QStringLiteral("--workers"), QString::number(workers)};
    QStringList extra;
    if (!ctx.onlyFile.isEmpty())
        extra << QStringLiteral("--file") << ctx.onlyFile;
    if (ctx.wholeCanvas)
        extra << QStringLiteral("--whole-canvas");
    if (!ctx.fill.isEmpty())
        extra << QStringLiteral("--fill") << ctx.fill;
    const Spawned spawned = spawnAndWait(arguments + extra, EnvChange{}, outPath, errPath);
    QFile out(outPath);
    if (!spawned.started || spawned.exitCode != 0 || !out.open(QIODevice::ReadOnly)) {
        say(QStringLiteral("%1: child run failed (%2) %3").arg(label, spawned.error, firstLineOf(errPath)));
        return result;
    }
    const QStringList lines = QString::fromUtf8(out.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("@result "))) {
            const QStringList f = line.split(QLatin1Char(' '));
            if (f.size() < 8)
                continue;
            result.ran = true;
            result.files = f[1].toInt();
            result.failed = f[2].toInt();
            result.inBytes = f[3].toLongLong();
            result.outBytes = f[4].toLongLong();
            result.wall = f[5].toDouble();
            result.cpu = f[6].toDouble();
            result.peakRssKb = f[7].toDouble();
        } else if (line.startsWith(QLatin1String("@kinds "))) {
            const QStringList f = line.split(QLatin1Char(' '));
            for (int k = 0; k < KindCount && k + 1 < f.size(); ++k)
                result.kindSeconds[k] = f[k + 1].toDouble();
        } else if (line.startsWith(QLatin1String("@steps "))) {
            const QStringList f = line.split(QLatin1Char(' '));
            for (int k = 0; k < StepCount && k + 1 < f.size(); ++k)
                result.stepSeconds[k] = f[k + 1].toDouble();
        } else if (line.startsWith(QLatin1String("@decode "))) {
            const QStringList f = line.split(QLatin1Char(' '));
            for (int k = 0; k < KindCount && k + 1 < f.size(); ++k)
                result.fullDecodeSeconds[k] = f[k + 1].toDouble();
        } else if (line.startsWith(QLatin1String("@budget "))) {
            const QStringList f = line.split(QLatin1Char(' '));
            result.budgetHighWater = f.value(1).toLongLong();
            result.aloneSeconds = f.value(2).toDouble();
        } else if (line.startsWith(QLatin1String("@fail "))) {
            result.failures << line.mid(6);
        }
    }
    return result;
}


// Band count and sample format as vips sees each source, read before the timed
// pass: sources without alpha need one added before a transparent border.
std::vector<VipsInfo> vipsInfo(const Context &ctx)
{
    std::vector<VipsInfo> infos;
    const QString outPath = QDir(ctx.logs).filePath(QStringLiteral("vipsheader.out"));
    for (const CorpusFile &file : ctx.files) {
        VipsInfo info;
        spawnAndWait({QStringLiteral("vipsheader"), QStringLiteral("-f"), QStringLiteral("bands"), file.path},
                     EnvChange{}, outPath, QString());
        info.bands = firstLineOf(outPath).toInt();
        spawnAndWait({QStringLiteral("vipsheader"), QStringLiteral("-f"), QStringLiteral("format"), file.path},
                     EnvChange{}, outPath, QString());
        info.format = firstLineOf(outPath);
        infos.push_back(info);
    }
    return infos;
}


EnvChange toolEnvironment(bool singleThread)
{
    EnvChange env;
    if (singleThread) {
        env.set << qMakePair(QByteArray("MAGICK_THREAD_LIMIT"), QByteArray("1"))
                << qMakePair(QByteArray("VIPS_CONCURRENCY"), QByteArray("1"));
        env.unset << QByteArray("OMP_NUM_THREADS");
    } else {
        env.unset << QByteArray("MAGICK_THREAD_LIMIT") << QByteArray("VIPS_CONCURRENCY")
                  << QByteArray("OMP_NUM_THREADS");
    }
    return env;
}

// The command lines that pad one file: one for ImageMagick, one or two for vips.
std::vector<QStringList> toolCommands(Tool tool, const CorpusFile &file, const VipsInfo *info, const QString &outDir)
{
    const QString destination = QDir(outDir).filePath(outputName(file));
    std::vector<QStringList> commands;
    if (tool == Tool::Magick) {
        // A negative -extent offset moves the picture right and down.
        commands.push_back({QStringLiteral("convert"), file.path, QStringLiteral("-background"), QStringLiteral("none"),
                            QStringLiteral("-gravity"), QStringLiteral("northwest"), QStringLiteral("-extent"),
                            QStringLiteral("%1x%2-%3-%4")
                                .arg(file.targetWidth)
                                .arg(file.targetHeight)
                                .arg(file.offsetX)
                                .arg(file.offsetY),
                            destination});
        return commands;
    }
    QString source = file.path;
    int bands = info->bands;
    if (bands == 1 || bands == 3) {
        // vips embed wants a background with as many values as the picture has
        // bands, so a picture without alpha gets an opaque alpha band first.
        const QString withAlpha = QDir(outDir).filePath(QStringLiteral("alpha-tmp.v"));
        const QString opaque = info->format.contains(QLatin1String("ushort"), Qt::CaseInsensitive)
            ? QStringLiteral("65535")
            : QStringLiteral("255");
        commands.push_back({QStringLiteral("vips"), QStringLiteral("bandjoin_const"), file.path, withAlpha, opaque});
        source = withAlpha;
        ++bands;
    }
    QStringList zeros;
    for (int b = 0; b < bands; ++b)
        zeros << QStringLiteral("0");
    commands.push_back({QStringLiteral("vips"), QStringLiteral("embed"), source, destination,
                        QString::number(file.offsetX), QString::number(file.offsetY),
                        QString::number(file.targetWidth), QString::number(file.targetHeight),
                        QStringLiteral("--extend"), QStringLiteral("background"), QStringLiteral("--background"),
                        zeros.join(QLatin1Char(' '))});
    return commands;
}

// Runs one file's commands; false and a message when one fails.
bool runCommands(const std::vector<QStringList> &commands, const EnvChange &env, const QString &errPath,
                 PassResult *result, QString *error)
{
    for (const QStringList &command : commands) {
        const Spawned spawned = spawnAndWait(command, env, QString(), errPath);
        if (result != nullptr) {
            result->cpu += spawned.cpu;
            result->peakRssKb = std::max(result->peakRssKb, double(spawned.maxRssKb));
        }
        if (!spawned.started || spawned.exitCode != 0) {
            *error = spawned.started ? QStringLiteral("exit %1: %2").arg(spawned.exitCode).arg(firstLineOf(errPath))
                                     : spawned.error;
            return false;
        }
    }
    return true;
}

// One external process per file (two for vips when an alpha band must be
// added), strictly one after another like the engine's single worker.
PassResult runTool(const Context &ctx, Tool tool, bool singleThread, const std::vector<VipsInfo> &vips,
                   const QString &outDir, const QString &label)
{
    PassResult result;
    result.label = label;
    result.ran = true;
    const EnvChange env = toolEnvironment(singleThread);
    const QString errPath = QDir(ctx.logs).filePath(QStringLiteral("tool.err"));

    // Untimed warm-up on one file of each kind, so that loading the tool's
    // modules from disk the first time is not charged to whichever run comes first.
    freshFolder(outDir);
    bool seen[KindCount] = {};
    for (size_t i = 0; i < ctx.files.size(); ++i) {
        const CorpusFile &file = ctx.files[i];
        if (seen[int(file.item.kind)])
            continue;
        seen[int(file.item.kind)] = true;
        QString ignored;
        runCommands(toolCommands(tool, file, tool == Tool::Vips ? &vips[i] : nullptr, outDir), env, errPath, nullptr,
                    &ignored);
    }
    freshFolder(outDir);

    QElapsedTimer total;
    total.start();
    for (size_t i = 0; i < ctx.files.size(); ++i) {
        const CorpusFile &file = ctx.files[i];
        const std::vector<QStringList> commands =
            toolCommands(tool, file, tool == Tool::Vips ? &vips[i] : nullptr, outDir);
        QElapsedTimer one;
        one.start();
        QString error;
        const bool ok = runCommands(commands, env, errPath, &result, &error);
        if (tool == Tool::Vips)
            QFile::remove(QDir(outDir).filePath(QStringLiteral("alpha-tmp.v")));
        result.account(file, one.nsecsElapsed() / 1e9, ok, error);
    }
    result.wall = total.nsecsElapsed() / 1e9;
    result.outBytes = folderBytes(outDir);
    return result;
}


} // namespace PaddingBench
