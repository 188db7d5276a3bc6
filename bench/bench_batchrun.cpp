// The batch run over a folder of pictures with one worker and with N: wall
// time, the speed-up, the memory the pictures in progress reserved against the
// budget, and the process's peak. Outputs of both runs must be identical.
//
//   bench_batchrun FOLDER [--jobs N] [--work DIR]
//
// FOLDER is typically the corpus bench_padding --scale full --work DIR left
// in DIR/corpus-full.
#include "BatchLogic.h"
#include "BatchRun.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <cstdio>

namespace {

void say(const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

struct Pass
{
    double seconds = 0;
    int failed = 0;
    qint64 highWater = 0;
    qint64 budget = 0;
    QByteArray digest; // of every output, by name
};

Pass runOnce(const QStringList &files, int jobs, const QString &outDir)
{
    QDir(outDir).removeRecursively();
    QDir().mkpath(outDir);
    BatchSettings settings;
    settings.outDir = outDir;
    settings.jobs = jobs;
    BatchRun run;
    QEventLoop loop;
    QObject::connect(&run, &BatchRun::Finished, &loop, &QEventLoop::quit);
    QElapsedTimer watch;
    watch.start();
    run.Start(files, settings);
    if (run.IsRunning())
        loop.exec();
    Pass pass;
    pass.seconds = watch.nsecsElapsed() / 1e9;
    pass.failed = run.Failed();
    pass.highWater = run.MemoryHighWater();
    pass.budget = settings.memoryBudget > 0 ? settings.memoryBudget : MemoryBudget::DefaultCapacity();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &name : QDir(outDir).entryList(QDir::Files, QDir::Name)) {
        QFile file(QDir(outDir).filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            hash.addData(name.toUtf8());
            hash.addData(file.readAll());
        }
    }
    pass.digest = hash.result().toHex().left(16);
    return pass;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        say(QStringLiteral("usage: bench_batchrun FOLDER [--jobs N] [--work DIR]"));
        return 2;
    }
    int jobs = QThread::idealThreadCount();
    QString work;
    for (int i = 2; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--jobs"))
            jobs = args.at(++i).toInt();
        else if (args.at(i) == QLatin1String("--work"))
            work = args.at(++i);
    }
    QTemporaryDir temporary;
    if (work.isEmpty())
        work = temporary.path();
    QStringList skipped;
    const QStringList files = BatchLogic::ExpandPaths({args.at(1)}, true, &skipped);
    say(QStringLiteral("bench_batchrun  %1 pictures  %2 cores").arg(files.size()).arg(QThread::idealThreadCount()));

    const Pass one = runOnce(files, 1, QDir(work).filePath(QStringLiteral("out-jobs1")));
    const Pass many = runOnce(files, jobs, QDir(work).filePath(QStringLiteral("out-jobsN")));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto mb = [](qint64 bytes) { return QString::number(bytes / 1e6, 'f', 1); };
    say(QStringLiteral("1 worker     %1 s  failed %2  reserved at most %3 MB").arg(one.seconds, 0, 'f', 2).arg(one.failed).arg(mb(one.highWater)));
    say(QStringLiteral("%1 workers    %2 s  failed %3  reserved at most %4 MB of a %5 MB budget")
            .arg(jobs).arg(many.seconds, 0, 'f', 2).arg(many.failed).arg(mb(many.highWater), mb(many.budget)));
    say(QStringLiteral("speed-up     %1x").arg(one.seconds / many.seconds, 0, 'f', 2));
    say(QStringLiteral("outputs      %1").arg(one.digest == many.digest ? QStringLiteral("identical") : QStringLiteral("DIFFER")));
    say(QStringLiteral("peak RSS     %1 MB (both runs, one process)").arg(mb(qint64(usage.ru_maxrss) * 1024)));
    return one.digest == many.digest && one.failed == 0 && many.failed == 0 ? 0 : 1;
}
