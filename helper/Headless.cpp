#include "Headless.h"

#include "BatchLogic.h"
#include "BatchRun.h"
#include "HelperText.h"
#include "LineProtocol.h"
#include "ReportChannel.h"
#include "RunJournal.h"

#include <QDir>
#include <QEventLoop>
#include <QSet>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopSignalled = 0;

extern "C" void askToStop(int)
{
    stopSignalled = 1;
}

void printError(const QString &text)
{
    std::fputs((QStringLiteral("Quadrix: ") + LineProtocol::escaped(text) + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

} // namespace

int runHeadless(const StartupArguments &parsed)
{
    if (!parsed.errors.isEmpty()) {
        for (const QString &error : parsed.errors)
            printError(error);
        printError(HelperText::translate(QStringLiteral("用法见 Quadrix --help")));
        return 2;
    }

    // Folders always include their subfolders, as in the window by default.
    QStringList skipped = parsed.skipped;
    const QStringList found = BatchLogic::expandPaths(parsed.paths, true, &skipped);
    QStringList pictures;
    QSet<QString> seen;
    for (const QString &picture : found) {
        const QString key = BatchLogic::pathKey(picture);
        if (!seen.contains(key)) {
            seen.insert(key);
            pictures.append(picture);
        }
    }
    if (parsed.paths.isEmpty() && skipped.isEmpty()) {
        printError(HelperText::translate(QStringLiteral("没有给出要处理的图片或文件夹")));
        printError(HelperText::translate(QStringLiteral("用法见 Quadrix --help")));
        return 2;
    }
    // Every path was left out: nothing was padded, which a script must not take for success.
    if (pictures.isEmpty()) {
        for (const QString &text : std::as_const(skipped))
            printError(text);
        printError(HelperText::translate(QStringLiteral("没有可处理的图片")));
        return 1;
    }

    BatchSettings settings;
    settings.outDir = parsed.outputDir.value_or(QString()).trimmed();
    settings.rule = parsed.rule.value_or(SizeRule::Multiple4);
    settings.fill = parsed.fill.value_or(Fill::Transparent);
    settings.anchor = parsed.anchor.value_or(Anchor::Center);
    settings.png = parsed.png;
    settings.keepOriginals = parsed.keepOriginals;
    settings.jobs = parsed.jobs.value_or(0);
    settings.recordsRead = true;
    settings.baseFolders = BatchLogic::baseFolders(parsed);
    if (!settings.outDir.isEmpty()) {
        QString error;
        if (!BatchRun::makeFolder(settings.outDir, &error)) {
            printError(HelperText::translate(QStringLiteral("无法创建输出目录：%1")).arg(error));
            return 1;
        }
    }

    ReportChannel channel;
    BatchRun run;
    QObject::connect(&run, &BatchRun::recordReady, &run, [&channel](const QByteArray &record) {
        LineProtocol::write(stdout, record);
        channel.send(record);
    });
    if (parsed.reportTo) {
        QString error;
        if (!channel.connect(*parsed.reportTo, &error)) {
            const QString text = HelperText::translate(QStringLiteral("无法连接工具窗口的进度通道 %1：%2；处理照常进行"));
            LineProtocol::write(stdout, LineProtocol::log(text.arg(*parsed.reportTo, error)));
        }
    }
    channel.onStopRequest(&run, [&run] { run.stop(); });
    // SIGTERM and SIGINT stop as the window's Stop does: the pictures in
    // progress are finished and verified, the rest reported cancelled.
    std::signal(SIGTERM, askToStop);
    std::signal(SIGINT, askToStop);
    QTimer signalWatch;
    signalWatch.setInterval(50);
    QObject::connect(&signalWatch, &QTimer::timeout, &run, [&run] {
        if (stopSignalled)
            run.stop();
    });
    signalWatch.start();
    QEventLoop loop;
    QObject::connect(&run, &BatchRun::finished, &loop, &QEventLoop::quit);
    run.start(pictures, settings, BatchLogic::skippedFiles(skipped), int(skipped.size()));
    if (run.isRunning())
        loop.exec();
    channel.close();
    // Success needs a picture padded (or already fitting), none failed and none cancelled.
    return run.failed() > 0 || run.cancelled() > 0 || run.succeeded() + run.unchanged() == 0 ? 1 : 0;
}

int runUndoLast()
{
    const UndoReport report = RunJournal::undo(RunJournal::lastUndoable());
    if (!report.found) {
        printError(HelperText::translate(QStringLiteral("没有可以撤销的处理")));
        return 1;
    }
    const auto print = [](const QString &text) {
        std::fputs((LineProtocol::escaped(text) + QLatin1Char('\n')).toUtf8().constData(), stdout);
    };
    for (const QString &path : report.restored)
        print(HelperText::translate(QStringLiteral("已恢复原图：%1")).arg(QDir::toNativeSeparators(path)));
    for (const QString &path : report.removed)
        print(HelperText::translate(QStringLiteral("已删除处理结果：%1")).arg(QDir::toNativeSeparators(path)));
    for (const QString &text : report.skipped)
        printError(text);
    print(HelperText::translate(QStringLiteral("撤销完成：恢复 %1 个原图，删除 %2 个处理结果，跳过 %3 个文件"))
                  .arg(report.restored.size())
                  .arg(report.removed.size())
                  .arg(report.skipped.size()));
    return report.complete() ? 0 : 1;
}
