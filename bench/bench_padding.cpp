// bench_padding: how fast the padding engine handles a realistic batch, next to
// the bare decode/encode round trip it cannot beat and to ImageMagick and vips
// doing the same padding from the command line. Run by hand; see
// docs/benchmark.md for the options and the figures measured so far.

#include "PaddingContenders.h"
#include "PaddingCorpus.h"
#include "PaddingReport.h"
#include "JpegStudy.h"
#include "PngStudy.h"

#include "BenchSupport.h"
#include "ImageCodecs.h"
#include "MemoryBudget.h"
#include "RowPad.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace PaddingBench;

namespace {

void usage()
{
    say(QStringLiteral(
        "usage: bench_padding [--scale small|full] [--work DIR] [--only engine,pool,bare,magick,vips]\n"
        "                     [--workers N] [--repeat N] [--tool-single-thread] [--png-study] [--big]\n"
        "                     [--fill KEY]\n"
        "  --scale small         quick corpus (default), well under a minute\n"
        "  --scale full          the real measurement: icons to 8K photos, a few minutes\n"
        "  --work DIR            keep corpus and outputs in DIR (the corpus is reused when it matches);\n"
        "                        default a temporary folder removed at exit\n"
        "  --only LIST           run only these contenders (comma separated)\n"
        "  --workers N           threads of the engine's pool pass (default: the number of cores)\n"
        "  --repeat N            run each contender N times and keep the fastest run (default 1)\n"
        "  --fill KEY            the engine's fill (transparent, white, black, #RRGGBB[AA], edge,\n"
        "                        mirror); default transparent, the fill the other contenders match\n"
        "  --tool-single-thread  also run ImageMagick and vips limited to one thread\n"
        "  --png-study           instead of the contenders, encode the padded PNG canvases with\n"
        "                        each PNG writer and setting under study\n"
        "  --jpeg-study          instead of the contenders, pad the JPEGs with white and encode them\n"
        "                        at Qt's quality 90 and in their own style: CPU time and bytes\n"
        "  --big                 instead of the corpus, a 16K RGBA PNG and a 16K JPEG, one at a time:\n"
        "                        time and peak memory of the engine (row by row and on a whole\n"
        "                        canvas), vips and ImageMagick; with --repeat N every run is listed;\n"
        "                        --file png (or jpeg) takes only that one"));
}

// Runs `pass` `repeat` times and keeps the fastest run.
template<typename Pass>
PassResult fastestOf(int repeat, const QString &label, Pass pass)
{
    say(QStringLiteral("running: %1").arg(label));
    PassResult best;
    for (int i = 0; i < repeat; ++i) {
        PassResult r = pass();
        if (repeat > 1)
            say(QStringLiteral("  run %1: %2 s").arg(i + 1).arg(fixed(r.wall, 2)));
        if (!best.ran || (r.ran && r.wall < best.wall))
            best = r;
    }
    return best;
}

// Brings the corpus into the page cache, so every contender starts alike. Reads
// through a small buffer: holding a whole 8K photo here would raise the
// high-water mark the children inherit.
void warmPageCache(const std::vector<CorpusFile> &files)
{
    for (const CorpusFile &file : files) {
        QFile f(file.path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        char buffer[1 << 16];
        while (f.read(buffer, sizeof buffer) > 0) {
        }
    }
}

// True when both folders hold the same file names with the same bytes.
bool sameFiles(const QString &a, const QString &b)
{
    const QStringList names = QDir(a).entryList(QDir::Files, QDir::Name);
    if (names != QDir(b).entryList(QDir::Files, QDir::Name))
        return false;
    for (const QString &name : names) {
        QFile left(QDir(a).filePath(name));
        QFile right(QDir(b).filePath(name));
        if (!left.open(QIODevice::ReadOnly) || !right.open(QIODevice::ReadOnly) || left.readAll() != right.readAll())
            return false;
    }
    return true;
}

QString timesText(double numerator, double denominator)
{
    return denominator > 0 ? fixed(numerator / denominator, 2) + QLatin1Char('x') : QStringLiteral("-");
}

void printPixelChecks(const Context &ctx, const QString &engineDir, const QList<QPair<QString, QString>> &tools)
{
    say(QString());
    say(QStringLiteral("pixel check against the engine's output (8 bits per channel)"));
    for (const auto &tool : tools) {
        placementCheck(ctx, engineDir, tool.second, tool.first);
        const Comparison cmp = compareWithEngine(ctx, engineDir, tool.second);
        say(QStringLiteral("  %1: %2 of %3 pictures identical%4")
                .arg(tool.first)
                .arg(cmp.identical)
                .arg(cmp.compared)
                .arg(cmp.worst > 0 ? QStringLiteral("; largest channel difference %1 (%2)").arg(cmp.worst).arg(cmp.worstFile)
                                   : QString()));
        for (const QString &problem : cmp.problems)
            say(QStringLiteral("    %1").arg(problem));
    }
}

void printTable(const std::vector<PassResult> &results, const PassResult &engine, double corpusPixels,
                const int counts[KindCount])
{
    say(QString());
    say(QStringLiteral("results (MB = 10^6 bytes; MP/s = source megapixels per second; "
                       "engine/x = engine 1 worker wall time / this row's)"));
    printHeader();
    for (const PassResult &r : results)
        printRow(r, &engine, corpusPixels);

    say(QString());
    QString header = left(QStringLiteral("seconds by kind"), 26);
    for (int k = 0; k < KindCount; ++k)
        header += QLatin1Char(' ') + right(QStringLiteral("%1(%2)").arg(kindName(Kind(k))).arg(counts[k]), 9);
    say(header);
    for (const PassResult &r : results) {
        QString line = left(r.label, 26);
        for (int k = 0; k < KindCount; ++k)
            line += QLatin1Char(' ') + right(fixed(r.kindSeconds[k], 2), 9);
        say(line);
    }
}

void printSteps(const PassResult &steps, const PassResult &engine)
{
    double total = 0;
    for (double v : steps.stepSeconds)
        total += v;
    say(QString());
    say(QStringLiteral("where the engine's time goes (its steps re-enacted and timed one by one: %1 s, "
                       "engine pass %2 s)")
            .arg(fixed(total, 2), fixed(engine.wall, 2)));
    for (int i = 0; i < StepCount; ++i)
        say(QStringLiteral("  %1 %2 s %3%")
                .arg(left(QString::fromLatin1(StepNames[i]), 24))
                .arg(right(fixed(steps.stepSeconds[i], 2), 7))
                .arg(right(fixed(total > 0 ? 100.0 * steps.stepSeconds[i] / total : 0, 1), 5)));
    QStringList decodes;
    double decodeTotal = 0;
    for (int k = 0; k < KindCount; ++k) {
        if (steps.fullDecodeSeconds[k] > 0)
            decodes << QStringLiteral("%1 %2 s").arg(kindName(Kind(k)), fixed(steps.fullDecodeSeconds[k], 2));
        decodeTotal += steps.fullDecodeSeconds[k];
    }
    say(QStringLiteral("  not done: a full decode of the written files checked by their header would add %1 s (%2)")
            .arg(fixed(decodeTotal, 2), decodes.join(QStringLiteral(", "))));
}

// The comparison the targets are stated in, spelled out.
void printTargets(const PassResult &engine, const PassResult &pool, const PassResult &bare, const PassResult &magick,
                  const PassResult &vips, int workers)
{
    say(QString());
    say(QStringLiteral("ratios (wall time; above 1x: the engine is faster)"));
    auto verdict = [](bool met) { return met ? QStringLiteral("met") : QStringLiteral("NOT met"); };
    if (engine.ran && pool.ran) {
        say(QStringLiteral("  engine %1 workers vs 1 worker:   %2 (target >= 1.8x: %3)")
                .arg(workers)
                .arg(timesText(engine.wall, pool.wall), verdict(engine.wall >= 1.8 * pool.wall)));
        // Cores the pass got (cpu / wall) against those it asked for, and the tail the order left.
        say(QStringLiteral("    %1 workers got %2 cores (cpu s / wall s); the last picture ran alone for %3 s of %4 s")
                .arg(workers)
                .arg(fixed(pool.wall > 0 ? pool.cpu / pool.wall : 0, 2), fixed(pool.aloneSeconds, 2),
                     fixed(pool.wall, 2)));
    }
    if (pool.ran && vips.ran)
        say(QStringLiteral("  vips default thr. / engine %1 wk: %2 (target > 1x: %3); bytes %4 of vips's")
                .arg(workers)
                .arg(timesText(vips.wall, pool.wall), verdict(vips.wall > pool.wall))
                .arg(vips.outBytes > 0 ? fixed(100.0 * double(pool.outBytes) / double(vips.outBytes), 1) + QLatin1Char('%')
                                       : QStringLiteral("-")));
    if (pool.ran && magick.ran)
        say(QStringLiteral("  ImageMagick default thr. / engine %1 wk: %2 (target >= 3x: %3)")
                .arg(workers)
                .arg(timesText(magick.wall, pool.wall), verdict(magick.wall >= 3 * pool.wall)));
    if (engine.ran && bare.ran)
        say(QStringLiteral("  engine 1 worker / bare round trip: %1 wall, %2 cpu")
                .arg(timesText(engine.wall, bare.wall), timesText(engine.cpu, bare.cpu)));
}


struct BigRun
{
    QString label;
    std::vector<PassResult> runs;
};

QString spread(std::vector<double> values, int decimals)
{
    if (values.empty())
        return QStringLiteral("-");
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    if (values.size() == 1)
        return fixed(median, decimals);
    return QStringLiteral("%1 (%2..%3)").arg(fixed(median, decimals), fixed(values.front(), decimals),
                                             fixed(values.back(), decimals));
}

// The 16K pictures, each padded on its own by every contender in turn, `repeat`
// rounds, so that load from elsewhere falls on all alike.
int runBig(const Context &ctx, int repeat, bool haveMagick, bool haveVips, const QStringList &only)
{
    for (const CorpusFile &file : ctx.files) {
        Context one = ctx;
        one.files = {file};
        one.onlyFile = file.name;
        Context whole = one;
        whole.wholeCanvas = true;
        const std::vector<VipsInfo> info = haveVips ? vipsInfo(one) : std::vector<VipsInfo>();
        std::vector<BigRun> rows;
        const auto wanted = [&](const char *name) { return only.contains(QLatin1String(name)); };
        if (wanted("engine"))
            rows.push_back({QStringLiteral("engine, row by row"), {}});
        if (wanted("canvas"))
            rows.push_back({QStringLiteral("engine, whole canvas"), {}});
        if (haveVips && wanted("vips"))
            rows.push_back({QStringLiteral("vips, default thr."), {}});
        if (haveMagick && wanted("magick"))
            rows.push_back({QStringLiteral("ImageMagick, default thr."), {}});
        say(QString());
        say(QStringLiteral("%1: %2 MB on disk, canvas %3x%4").arg(file.name, megabytes(double(file.bytes)))
                .arg(file.targetWidth)
                .arg(file.targetHeight));
        for (int i = 0; i < repeat; ++i) {
            for (BigRun &row : rows) {
                PassResult r;
                if (row.label.startsWith(QLatin1String("engine, row")))
                    r = runChild(one, QStringLiteral("engine"), row.label);
                else if (row.label.startsWith(QLatin1String("engine, whole")))
                    r = runChild(whole, QStringLiteral("engine"), row.label);
                else if (row.label.startsWith(QLatin1String("vips")))
                    r = runTool(one, Tool::Vips, false, info, QDir(ctx.work).filePath(QStringLiteral("out-vips")),
                                row.label);
                else
                    r = runTool(one, Tool::Magick, false, {}, QDir(ctx.work).filePath(QStringLiteral("out-magick")),
                                row.label);
                say(QStringLiteral("  run %1  %2  wall %3 s  cpu %4 s  peak %5 MB  out %6 MB%7")
                        .arg(i + 1)
                        .arg(left(row.label, 26), fixed(r.wall, 2), fixed(r.cpu, 2),
                             megabytes(r.peakRssKb * 1024.0), megabytes(double(r.outBytes)))
                        .arg(r.failed > 0 ? QStringLiteral("  FAILED: ") + r.failures.join(QStringLiteral("; "))
                                          : (r.ran ? QString() : QStringLiteral("  did not run"))));
                row.runs.push_back(r);
            }
        }
        const double canvasBytes = double(file.targetWidth) * file.targetHeight * 4;
        say(QStringLiteral("%1, median (min..max) of %2 runs; canvas %3 MB, canvas + 25 % = %4 MB; load average %5")
                .arg(file.name)
                .arg(repeat)
                .arg(megabytes(canvasBytes), megabytes(canvasBytes * 1.25), loadAverage()));
        say(QStringLiteral("  %1 %2 %3 %4").arg(left(QStringLiteral("contender"), 26), right(QStringLiteral("wall s"), 22),
                                                right(QStringLiteral("cpu s"), 22), right(QStringLiteral("peak MB"), 28)));
        for (const BigRun &row : rows) {
            std::vector<double> wall, cpu, peak;
            for (const PassResult &r : row.runs) {
                if (!r.ran || r.failed > 0)
                    continue;
                wall.push_back(r.wall);
                cpu.push_back(r.cpu);
                peak.push_back(r.peakRssKb * 1024.0 / 1e6);
            }
            say(QStringLiteral("  %1 %2 %3 %4").arg(left(row.label, 26), right(spread(wall, 2), 22),
                                                    right(spread(cpu, 2), 22), right(spread(peak, 1), 28)));
        }
    }
    say(QStringLiteral("peak MB: ru_maxrss of the process (for vips the larger of its processes); "
                       "the engine runs in a child of its own, through BatchRun with 1 worker"));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();

    QString scaleName = QStringLiteral("small");
    QString work;
    QString child;
    QStringList only = {QStringLiteral("engine"), QStringLiteral("pool"), QStringLiteral("bare"),
                        QStringLiteral("magick"), QStringLiteral("vips")};
    int workers = std::max(1, int(std::thread::hardware_concurrency()));
    int repeat = 1;
    bool toolSingle = false;
    bool pngStudy = false;
    bool jpegStudy = false;
    bool big = false;
    bool wholeCanvas = false;
    QString onlyFile;
    QString fill;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--scale") && hasValue) {
            scaleName = args[++i];
        } else if (a == QLatin1String("--work") && hasValue) {
            work = args[++i];
        } else if (a == QLatin1String("--only") && hasValue) {
            only = args[++i].split(QLatin1Char(','));
        } else if (a == QLatin1String("--workers") && hasValue) {
            workers = std::max(1, args[++i].toInt());
        } else if (a == QLatin1String("--repeat") && hasValue) {
            repeat = std::max(1, args[++i].toInt());
        } else if (a == QLatin1String("--child") && hasValue) {
            child = args[++i];
        } else if (a == QLatin1String("--tool-single-thread")) {
            toolSingle = true;
        } else if (a == QLatin1String("--png-study")) {
            pngStudy = true;
        } else if (a == QLatin1String("--jpeg-study")) {
            jpegStudy = true;
        } else if (a == QLatin1String("--big")) {
            big = true;
        } else if (a == QLatin1String("--file") && hasValue) {
            onlyFile = args[++i];
        } else if (a == QLatin1String("--whole-canvas")) {
            wholeCanvas = true;
        } else if (a == QLatin1String("--fill") && hasValue && PaddingChoices::fillFromKey(args[i + 1])) {
            fill = args[++i];
        } else {
            usage();
            return a == QLatin1String("--help") || a == QLatin1String("-h") ? 0 : 2;
        }
    }
    if (big) {
        scaleName = QStringLiteral("big");
        if (!args.contains(QLatin1String("--only")))
            only = QStringList{QStringLiteral("engine"), QStringLiteral("canvas"), QStringLiteral("vips"),
                               QStringLiteral("magick")};
    }
    if (scaleName != QLatin1String("small") && scaleName != QLatin1String("full") && scaleName != QLatin1String("big")) {
        usage();
        return 2;
    }
    const unsigned scale = scaleName == QLatin1String("full") ? Full : scaleName == QLatin1String("big") ? Big : Small;

    std::unique_ptr<QTemporaryDir> temporary;
    if (work.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("bench_padding-XXXXXX")));
        if (!temporary->isValid()) {
            say(QStringLiteral("cannot create a temporary folder"));
            return 1;
        }
        work = temporary->path();
    }
    Context ctx;
    ctx.work = QDir(work).absolutePath();
    ctx.scaleName = scaleName;
    ctx.corpus = QDir(ctx.work).filePath(QStringLiteral("corpus-") + scaleName);
    ctx.logs = QDir(ctx.work).filePath(QStringLiteral("logs"));
    ctx.fill = fill;
    QDir().mkpath(ctx.logs);

    if (child == QLatin1String("draw"))
        return drawCorpus(ctx.corpus, scale) ? 0 : 1;
    if (!child.isEmpty()) {
        if (!isChildPass(child)) {
            usage();
            return 2;
        }
        ctx.files = corpusFiles(ctx.corpus, scale);
        if (!onlyFile.isEmpty())
            ctx.files.erase(std::remove_if(ctx.files.begin(), ctx.files.end(),
                                           [&](const CorpusFile &f) { return f.name != onlyFile; }),
                            ctx.files.end());
        if (wholeCanvas)
            RowPad::setMinimumPixels(std::numeric_limits<qint64>::max());
        const PassResult result =
            runInProcess(child, ctx.files, QDir(ctx.work).filePath(QStringLiteral("out-") + child), workers,
                         PaddingChoices::fillFromKey(fill).value_or(Fill::Transparent));
        printChildReport(result);
        return 0;
    }

    say(QStringLiteral("bench_padding  scale=%1  work=%2%3")
            .arg(scaleName, QDir::toNativeSeparators(ctx.work),
                 fill.isEmpty() ? QString() : QStringLiteral("  engine fill=") + fill));
    say(QStringLiteral("machine: %1, %2 cores; Qt %3; load average %4")
            .arg(cpuModel())
            .arg(sysconf(_SC_NPROCESSORS_ONLN))
            .arg(QString::fromLatin1(qVersion()), loadAverage()));

    ctx.files = corpusFiles(ctx.corpus, scale);
    if (corpusIsCurrent(ctx.corpus, ctx.files)) {
        say(QStringLiteral("corpus: reusing %1").arg(QDir::toNativeSeparators(ctx.corpus)));
    } else {
        say(QStringLiteral("corpus: drawing %1 pictures into %2")
                .arg(ctx.files.size())
                .arg(QDir::toNativeSeparators(ctx.corpus)));
        const QString outPath = QDir(ctx.logs).filePath(QStringLiteral("child-draw.out"));
        const Spawned drawn = spawnAndWait({QCoreApplication::applicationFilePath(), QStringLiteral("--child"),
                                            QStringLiteral("draw"), QStringLiteral("--work"), ctx.work,
                                            QStringLiteral("--scale"), scaleName},
                                           EnvChange{}, outPath, QDir(ctx.logs).filePath(QStringLiteral("child-draw.err")));
        if (!drawn.started || drawn.exitCode != 0) {
            say(QStringLiteral("corpus: drawing failed: %1 %2").arg(drawn.error, firstLineOf(outPath)));
            return 1;
        }
        say(QStringLiteral("corpus: drawn in %1 s").arg(fixed(drawn.wall, 1)));
        ctx.files = corpusFiles(ctx.corpus, scale);
    }

    qint64 corpusBytes = 0;
    double corpusPixels = 0;
    int counts[KindCount] = {};
    const CorpusFile *largest = nullptr;
    for (const CorpusFile &file : ctx.files) {
        corpusBytes += file.bytes;
        corpusPixels += double(file.item.width) * file.item.height;
        ++counts[int(file.item.kind)];
        if (largest == nullptr
            || qint64(file.item.width) * file.item.height > qint64(largest->item.width) * largest->item.height)
            largest = &file;
    }
    QStringList countText;
    for (int k = 0; k < KindCount; ++k)
        countText << QStringLiteral("%1 %2").arg(counts[k]).arg(kindName(Kind(k)));
    say(QStringLiteral("corpus: %1 files, %2 MB, %3 MP (%4)")
            .arg(ctx.files.size())
            .arg(megabytes(corpusBytes), fixed(corpusPixels / 1e6, 1), countText.join(QStringLiteral(", "))));

    if (pngStudy)
        return runPngStudy(ctx);
    if (jpegStudy)
        return runJpegStudy(ctx);

    warmPageCache(ctx.files);

    const bool haveMagick = !QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty();
    const bool haveVips = !QStandardPaths::findExecutable(QStringLiteral("vips")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("vipsheader")).isEmpty();
    if (haveMagick)
        say(QStringLiteral("ImageMagick: %1").arg(toolVersion({QStringLiteral("convert"), QStringLiteral("-version")})));
    else
        say(QStringLiteral("ImageMagick: convert not on PATH, skipped"));
    if (haveVips)
        say(QStringLiteral("vips: %1").arg(toolVersion({QStringLiteral("vips"), QStringLiteral("--version")})));
    else
        say(QStringLiteral("vips: not on PATH, skipped"));

    if (big) {
        if (!onlyFile.isEmpty())
            ctx.files.erase(std::remove_if(ctx.files.begin(), ctx.files.end(),
                                           [&](const CorpusFile &f) { return !f.name.startsWith(onlyFile); }),
                            ctx.files.end());
        return runBig(ctx, repeat, haveMagick, haveVips, only);
    }

    const QString engineDir = QDir(ctx.work).filePath(QStringLiteral("out-engine"));
    const QString magickDir = QDir(ctx.work).filePath(QStringLiteral("out-magick"));
    const QString vipsDir = QDir(ctx.work).filePath(QStringLiteral("out-vips"));
    const QString poolLabel = QStringLiteral("engine, %1 workers").arg(workers);
    std::vector<PassResult> results;
    PassResult engine, pool, bare, magick, vips;
    const PassResult idle = runChild(ctx, QStringLiteral("none"), QStringLiteral("idle process"));

    // The engine's passes and the bare floor take turns, so that load from
    // elsewhere on the machine falls on all alike; each keeps its fastest run.
    const bool runEngine = only.contains(QLatin1String("engine"));
    const bool runPool = only.contains(QLatin1String("pool"));
    const bool runBare = only.contains(QLatin1String("bare"));
    auto keepFastest = [](PassResult *best, const PassResult &r) {
        if (!best->ran || (r.ran && r.wall < best->wall))
            *best = r;
    };
    for (int i = 0; i < repeat && (runEngine || runPool || runBare); ++i) {
        const QString round = repeat > 1 ? QStringLiteral(" (run %1 of %2)").arg(i + 1).arg(repeat) : QString();
        if (runEngine) {
            say(QStringLiteral("running: engine, 1 worker") + round);
            keepFastest(&engine, runChild(ctx, QStringLiteral("engine"), QStringLiteral("engine, 1 worker")));
        }
        if (runPool) {
            say(QStringLiteral("running: ") + poolLabel + round);
            keepFastest(&pool, runChild(ctx, QStringLiteral("pool"), poolLabel, workers));
        }
        if (runBare) {
            say(QStringLiteral("running: bare decode+encode") + round);
            keepFastest(&bare, runChild(ctx, QStringLiteral("bare"), QStringLiteral("bare decode+encode")));
        }
    }
    for (const PassResult *r : {&engine, &pool, &bare}) {
        if (r->ran)
            results.push_back(*r);
    }
    PassResult steps;
    if (engine.ran) {
        say(QStringLiteral("running: engine steps, re-enacted one by one"));
        steps = runChild(ctx, QStringLiteral("steps"), QStringLiteral("engine steps"));
    }
    if (haveMagick && only.contains(QLatin1String("magick"))) {
        const QString label = QStringLiteral("ImageMagick, default thr.");
        magick = fastestOf(repeat, label, [&] { return runTool(ctx, Tool::Magick, false, {}, magickDir, label); });
        results.push_back(magick);
        if (toolSingle) {
            const QString single = QStringLiteral("ImageMagick, 1 thread");
            results.push_back(fastestOf(repeat, single, [&] {
                return runTool(ctx, Tool::Magick, true, {}, magickDir + QStringLiteral("-1"), single);
            }));
        }
    }
    if (haveVips && only.contains(QLatin1String("vips"))) {
        const std::vector<VipsInfo> info = vipsInfo(ctx);
        const QString label = QStringLiteral("vips, default thr.");
        vips = fastestOf(repeat, label, [&] { return runTool(ctx, Tool::Vips, false, info, vipsDir, label); });
        results.push_back(vips);
        if (toolSingle) {
            const QString single = QStringLiteral("vips, 1 thread");
            results.push_back(fastestOf(repeat, single, [&] {
                return runTool(ctx, Tool::Vips, true, info, vipsDir + QStringLiteral("-1"), single);
            }));
        }
    }

    // Same pictures? Checked on the default-threading outputs, which stay on disk.
    if (engine.ran && (magick.ran || vips.ran)) {
        QList<QPair<QString, QString>> tools;
        if (magick.ran)
            tools.append({QStringLiteral("ImageMagick"), magickDir});
        if (vips.ran)
            tools.append({QStringLiteral("vips"), vipsDir});
        printPixelChecks(ctx, engineDir, tools);
    }

    printTable(results, engine, corpusPixels, counts);
    if (steps.ran)
        printSteps(steps, engine);
    printTargets(engine, pool, bare, magick, vips, workers);

    say(QString());
    for (const PassResult &r : results)
        printFailures(r);
    printFailures(steps);
    if (engine.ran)
        say(QStringLiteral("engine failures: %1 of %2").arg(engine.failed).arg(engine.files));
    if (largest != nullptr) {
        const int bytesPerPixel = largest->item.deep ? 8 : 4;
        const double decoded = double(largest->item.width) * largest->item.height * bytesPerPixel;
        const double canvas = double(largest->targetWidth) * largest->targetHeight * bytesPerPixel;
        say(QStringLiteral("memory: peak RSS of the engine's process %1 MB with 1 worker, %2 MB with %3 workers "
                           "(ru_maxrss; the same process idle: %4 MB); largest picture %5 decodes to %6 MB, "
                           "its canvas %7 MB; one picture may take up to %8 MB (ImageCodecs::pixelMemoryLimit)")
                .arg(engine.ran ? megabytes(engine.peakRssKb * 1024.0) : QStringLiteral("-"),
                     pool.ran ? megabytes(pool.peakRssKb * 1024.0) : QStringLiteral("-"))
                .arg(workers)
                .arg(idle.ran ? megabytes(idle.peakRssKb * 1024.0) : QStringLiteral("-"), largest->name,
                     megabytes(decoded), megabytes(canvas), megabytes(double(ImageCodecs::pixelMemoryLimit()))));
    }
    if (magick.ran || vips.ran)
        say(QStringLiteral("external tools: one process per file, one file after another (vips: two when an alpha "
                           "band is added); \"default thr.\" = the tool's own threading, \"1 thread\" = "
                           "MAGICK_THREAD_LIMIT=1, VIPS_CONCURRENCY=1; cpu s above wall s means more than one core "
                           "was busy; peak MB = largest single process"));
    if (engine.ran && pool.ran) {
        // The batch's scheduler may change the order pictures are padded in, never a byte of a result.
        const QString poolDir = QDir(ctx.work).filePath(QStringLiteral("out-pool"));
        say(QStringLiteral("outputs of 1 and %1 workers: %2; the pictures in progress reserved at most %3 MB and %4 MB "
                           "of the batch's memory budget (%5 MB)")
                .arg(workers)
                .arg(sameFiles(engineDir, poolDir) ? QStringLiteral("identical") : QStringLiteral("DIFFER"))
                .arg(megabytes(double(engine.budgetHighWater)), megabytes(double(pool.budgetHighWater)),
                     megabytes(double(MemoryBudget::defaultCapacity()))));
    }
    say(QStringLiteral("load average at the end: %1").arg(loadAverage()));
    if (temporary == nullptr)
        say(QStringLiteral("outputs kept in %1").arg(QDir::toNativeSeparators(ctx.work)));
    return 0;
}
