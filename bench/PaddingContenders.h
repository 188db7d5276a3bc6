#pragma once

// The contenders: the engine and the bare round trip, each run in a child
// process of its own so that its peak memory is its own, and ImageMagick and
// vips started once per file.

#include "PaddingChoices.h"
#include "PaddingCorpus.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

#include <vector>

namespace PaddingBench {

constexpr int StepCount = 7; // the engine's steps, see stepsOne
extern const char *const StepNames[StepCount];

double cpuSeconds(const rusage &usage);

struct PassResult
{
    QString label;
    bool ran = false;
    int files = 0;
    int failed = 0;
    qint64 inBytes = 0;
    qint64 outBytes = 0;
    double wall = 0;
    double cpu = 0;
    double peakRssKb = 0; // for external tools the largest single process
    qint64 budgetHighWater = 0; // engine passes: the most the pictures in progress reserved at once
    double aloneSeconds = 0;    // engine on N workers: how long the last picture ran with the others idle
    double kindSeconds[KindCount] = {};
    double stepSeconds[StepCount] = {};
    double fullDecodeSeconds[KindCount] = {}; // steps pass: a full decode of each written file, by source kind
    QStringList failures;

    // Counts one file of the pass.
    void account(const CorpusFile &file, double seconds, bool ok, const QString &error)
    {
        kindSeconds[int(file.item.kind)] += seconds;
        ++files;
        inBytes += file.bytes;
        if (!ok) {
            ++failed;
            failures << file.name + QStringLiteral(": ") + error;
        }
    }
};

struct Spawned
{
    bool started = false;
    int exitCode = -1; // -1 when killed by a signal
    double wall = 0;
    double cpu = 0;
    long maxRssKb = 0;
    QString error;
};

// Environment changes for a child: set these, drop those.
struct EnvChange
{
    QList<QPair<QByteArray, QByteArray>> set;
    QList<QByteArray> unset;
};

// Starts a program and waits for it; wait4 hands back the CPU time and peak
// memory of exactly this child.
Spawned spawnAndWait(const QStringList &arguments, const EnvChange &env, const QString &stdoutPath,
                     const QString &stderrPath);
QString firstLineOf(const QString &path);

struct Context
{
    QString work;
    QString scaleName;
    QString corpus;
    QString logs;
    std::vector<CorpusFile> files;
    QString onlyFile;         // children: pad only the corpus file of this name
    bool wholeCanvas = false; // children: pad every picture on a whole canvas, none row by row
    QString fill;             // children: the engine's fill key; empty for transparent
};

// The in-process passes a child runs: "none" (an idle process), "engine"
// (BatchRun with 1 worker), "pool" (BatchRun with `workers`), "bare" and "steps".
bool isChildPass(const QString &which);
PassResult runInProcess(const QString &which, const std::vector<CorpusFile> &files, const QString &outDir,
                        int workers, const FillSpec &fill = Fill::Transparent);
void printChildReport(const PassResult &result);

// Runs an in-process pass in a child of its own and reads its report back.
PassResult runChild(const Context &ctx, const QString &which, const QString &label, int workers = 1);

struct VipsInfo
{
    int bands = 0;
    QString format; // "((VipsBandFormat) VIPS_FORMAT_USHORT)" and the like
};

// Band count and sample format as vips sees each source, read before the timed pass.
std::vector<VipsInfo> vipsInfo(const Context &ctx);

enum class Tool { Magick, Vips };

// One external process per file (two for vips when an alpha band must be
// added), one file after another.
PassResult runTool(const Context &ctx, Tool tool, bool singleThread, const std::vector<VipsInfo> &vips,
                   const QString &outDir, const QString &label);

} // namespace PaddingBench
