#include "PsdRun.h"

#include "Localization.h"
#include "PageTexts.h"
#include "ToolLauncher.h"
#include "WorkerRun.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <limits>
#include <utility>

PsdRun::PsdRun(IntegratedTools::Tool tool, QWidget *dialogParent)
    : QObject(dialogParent)
    , m_tool(tool)
    , m_dialogParent(dialogParent)
{
}

// Only the page's end comes here: the worker is stopped without any of its
// end handling, and its job file goes with it.
PsdRun::~PsdRun()
{
    if (m_worker) {
        WorkerRun *worker = std::exchange(m_worker, nullptr);
        worker->disconnect(this);
        if (worker->state() != QProcess::NotRunning)
            qInfo().noquote() << "psd worker stopped with its page" << IntegratedTools::toolKey(m_tool);
        delete worker; // asks it to end, then kills it
    }
    removeJobFile();
}

bool PsdRun::isBusy() const
{
    // Between two batches no worker exists for a moment, yet the run goes on.
    return (m_worker && m_worker->state() != QProcess::NotRunning) || m_slim.active;
}

QString PsdRun::readyWorker(const QStringList &paths) const
{
    if (paths.isEmpty()) {
        QMessageBox::information(m_dialogParent, localized(u"尚未选择文件"), localized(u"请先选择 PSD/PSB 文件或文件夹。"),
                                 QMessageBox::Ok);
        return QString();
    }
    const bool slimming = m_tool == IntegratedTools::PsdSlim;
    const QString toolFolder = QFileInfo(IntegratedTools::resolveToolExecutable(m_tool)).absolutePath();
    const QString worker = QDir(toolFolder).filePath(
            IntegratedTools::executableFileName(slimming ? QStringLiteral("Brevane") : QStringLiteral("Stratlo")));
    if (!QFileInfo::exists(worker)) {
        QMessageBox::warning(m_dialogParent, slimming ? localized(u"无法开始处理") : localized(u"无法开始导出"),
                             (slimming ? localized(u"后台瘦身组件不存在：%1") : localized(u"后台导出组件不存在：%1"))
                                     .arg(worker),
                             QMessageBox::Ok);
        return QString();
    }
    return worker;
}

bool PsdRun::confirmSlimming(const QStringList &paths) const
{
    qint64 totalBytes = 0;
    qint64 largest = 0;
    for (const QString &path : paths) {
        const qint64 size = QFileInfo(path).size();
        totalBytes += size;
        largest = std::max(largest, size);
    }
    const int count = int(paths.size());
    if (count > WorkerProtocol::ManyFiles || totalBytes > WorkerProtocol::ManyBytes) {
        const QString text =
                translateCount(QStringLiteral("已选择 %1 个文件（%2）。为了避免长队列导致后台解析器内存持续增长，程序会每 %3 "
                                              "个文件自动完成一个安全批次并重启后台组件。\n\n处理期间，每个文件所在目录必须保留"
                                              "可用临时空间，且单个 PSD/PSB 的解析可能占用数倍于文件大小的内存。"
                                              "不会覆盖未经结构校验的文件。是否继续？"),
                               {{1, count}})
                        .arg(QString::number(count), formatDataSize(totalBytes),
                             QString::number(WorkerProtocol::MaxBatchFiles));
        if (QMessageBox::question(m_dialogParent, localized(u"大批量 PSD/PSB 处理确认"), text,
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
            != QMessageBox::Yes)
            return false;
    }
    if (largest > WorkerProtocol::LargeFileBytes) {
        const QString text =
                localized(u"队列中包含大于 %1 的单个文件。该文件会在独立安全批次中处理，需要足够的磁盘临时空间与可用内存；"
                          u"内存不足、文件被占用或格式不受支持时，该项会标记为失败，其余文件将继续处理。是否继续？")
                        .arg(formatDataSize(WorkerProtocol::LargeFileBytes));
        if (QMessageBox::warning(m_dialogParent, localized(u"超大 PSD/PSB 文件提示"), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
            != QMessageBox::Yes)
            return false;
    }
    return true;
}

QString PsdRun::writeLayerExportJob(const QJsonObject &job) const
{
    QString error;
    const QString jobFile =
            WorkerProtocol::writeJobFile(job, QStringLiteral("Pictavo-layer-export-XXXXXX.json"), &error);
    if (jobFile.isEmpty()) {
        qWarning().noquote() << "psd worker job file not written" << IntegratedTools::toolKey(m_tool) << error;
        QMessageBox::warning(m_dialogParent, localized(u"无法开始导出"), localized(u"无法创建临时导出任务文件。"),
                             QMessageBox::Ok);
    }
    return jobFile;
}

void PsdRun::startSlimming(const QStringList &paths, const QString &worker, std::function<bool()> deepClean)
{
    takeFiles(paths, worker);
    m_deepClean = std::move(deepClean);
    m_slim = SlimRun();
    m_slim.active = true;
    m_slim.pending = paths;
    runNextSlimBatch();
}

void PsdRun::startLayerExport(const QStringList &paths, const QString &worker, const QString &jobFile)
{
    takeFiles(paths, worker);
    m_jobFilePath = jobFile;
    m_layerRun = LayerRun();
    startWorker(worker);
}

void PsdRun::takeFiles(const QStringList &paths, const QString &worker)
{
    m_paths = paths;
    m_keys.clear();
    for (const QString &path : paths)
        m_keys.insert(IntegratedTools::pathKey(path));
    m_settled.clear();
    m_workerProgram = worker;
}

void PsdRun::runNextSlimBatch()
{
    if (m_slim.pending.isEmpty()) {
        finishSlimmingRun();
        return;
    }

    // Sizes are read only up to the first file that must travel alone.
    QList<qint64> sizes;
    const qsizetype considered = std::min<qsizetype>(m_slim.pending.size(), WorkerProtocol::MaxBatchFiles);
    for (qsizetype index = 0; index < considered; ++index) {
        sizes.append(QFileInfo(m_slim.pending.at(index)).size());
        if (sizes.last() > WorkerProtocol::LargeFileBytes)
            break;
    }
    const int length = WorkerProtocol::batchLength(sizes);
    m_slim.batch = m_slim.pending.mid(0, length);
    m_slim.pending.remove(0, length);
    m_slim.batchDone = false;
    m_slim.batchSucceeded = 0;
    m_slim.batchFailed = 0;
    m_slim.batchBytesSaved = 0;

    QString error;
    m_jobFilePath = WorkerProtocol::writeJobFile(WorkerProtocol::slimmingJob(m_slim.batch, m_deepClean && m_deepClean()),
                                                 QStringLiteral("Pictavo-psd-slim-XXXXXX.json"), &error);
    if (m_jobFilePath.isEmpty()) {
        qWarning().noquote() << "psd worker job file not written" << IntegratedTools::toolKey(m_tool) << error;
        QMessageBox::warning(m_dialogParent, localized(u"无法继续处理"), localized(u"无法创建瘦身任务临时文件，剩余文件未被修改。"),
                             QMessageBox::Ok);
        const QString notStarted = localized(u"未开始");
        for (const QString &path : std::as_const(m_slim.batch))
            emit rowStatusChanged(path, notStarted);
        m_slim.pending.clear();
        m_slim.totalFailed += int(m_slim.batch.size());
        runNextSlimBatch();
        return;
    }

    const QString first = QString::number(m_slim.batchStart + 1);
    const QString last = QString::number(m_slim.batchStart + m_slim.batch.size());
    emit statusChanged(localized(u"正在处理第 %1-%2 项（每批 %3 项）")
                               .arg(first, last, QString::number(WorkerProtocol::MaxBatchFiles)));
    emit logLineAdded(localized(u"开始瘦身批次：第 %1-%2 项，共 %3 项。")
                              .arg(first, last, QString::number(m_paths.size())));
    startWorker(m_workerProgram);
}

void PsdRun::finishSlimmingRun()
{
    const qint64 files = m_paths.size();
    const int maximum = files > 0 ? int(std::min<qint64>(files * 100, std::numeric_limits<int>::max())) : 1;
    emit statusChanged(m_slim.totalFailed != 0 ? localized(u"处理完成，%1 项失败").arg(m_slim.totalFailed)
                                               : localized(u"处理完成"));
    emit logLineAdded(localized(u"瘦身任务结束：完成 %1 项，失败 %2 项，累计节省 %3。")
                              .arg(QString::number(m_slim.totalSucceeded), QString::number(m_slim.totalFailed),
                                   formatDataSize(m_slim.totalBytesSaved)));
    m_slim.active = false;
    m_slim.batch.clear();
    emit ended(true, maximum);
}

void PsdRun::startWorker(const QString &program)
{
    m_worker = new WorkerRun(this);
    connect(m_worker, &WorkerRun::recordArrived, this, &PsdRun::handleRecord);
    connect(m_worker, &WorkerRun::lineDropped, this, [this] {
        qWarning().noquote() << "psd worker line dropped: longer than" << WorkerProtocol::MaxPartialLineBytes << "bytes";
        emit logLineAdded(translateToolText(QStringLiteral("[%1] 后台输出的一行超过 1 MiB，已丢弃该行。")).arg(timeOfDay()));
    });
    connect(m_worker, &WorkerRun::errorText, this,
            [this](const QString &text) { emit logLineAdded(localized(u"后台详情：%1").arg(text)); });
    connect(m_worker, &WorkerRun::failed, this, &PsdRun::handleWorkerError);
    connect(m_worker, &WorkerRun::finished, this, &PsdRun::finishWorkerRun);
    // A start that fails at once may already have ended the run inside start(),
    // so nothing may follow it here.
    // The worker's LOG and PROGRESS texts reach the run log as written: in the tool window's language.
    m_worker->start(program, {QStringLiteral("--job"), m_jobFilePath, QStringLiteral("--language"), toolLanguageCode()});
}

QString PsdRun::logLine(const WorkerProtocol::Record &record)
{
    const QString twoSpaces = QStringLiteral("  ");
    if (record.kind == WorkerProtocol::RecordKind::Log)
        return localized(u"[%1] %2").arg(timeOfDay(), WorkerProtocol::joinFields(record.fields, 1, twoSpaces));
    return localized(u"导出错误：%1").arg(WorkerProtocol::joinFields(record.fields, 1, twoSpaces));
}

void PsdRun::handleRecord(const WorkerProtocol::Record &record)
{
    using WorkerProtocol::RecordKind;
    switch (record.kind) {
    case RecordKind::Log:
    case RecordKind::Error:
        emit logLineAdded(logLine(record));
        break;
    case RecordKind::Progress: {
        WorkerProtocol::Progress progress = WorkerProtocol::readProgress(record);
        if (m_tool == IntegratedTools::PsdSlim && !m_slim.batch.isEmpty())
            progress = WorkerProtocol::rebaseOnRun(progress, int(m_paths.size()), m_slim.batchStart);
        emit progressed(progress, WorkerProtocol::joinFields(record.fields, 3, QStringLiteral("  ")));
        break;
    }
    case RecordKind::Item: {
        // A path may hold tabs; the remaining fields are joined back.
        const QString path = QDir::fromNativeSeparators(WorkerProtocol::joinFields(record.fields, 2, QStringLiteral("\t")));
        const bool ok = record.fields.at(1) == u"ok";
        emit rowStatusChanged(path, ok ? localized(u"已完成") : localized(u"失败"));
        const QString key = IntegratedTools::pathKey(QFileInfo(path).absoluteFilePath());
        if (m_keys.contains(key))
            m_settled.insert(key, ok);
        break;
    }
    case RecordKind::Done: {
        const WorkerProtocol::DoneCounts counts = WorkerProtocol::readDone(record);
        if (m_tool == IntegratedTools::PsdSlim) {
            // A batch cannot succeed or fail more often than it has files.
            const int batchSize = int(m_slim.batch.size());
            m_slim.batchDone = true;
            m_slim.batchSucceeded = std::min(counts.exported, batchSize);
            m_slim.batchFailed = std::min(counts.failed, batchSize);
            m_slim.batchBytesSaved = counts.bytesSaved;
            emit logLineAdded(localized(u"本批完成：成功 %1，失败 %2，节省 %3。")
                                      .arg(QString::number(m_slim.batchSucceeded), QString::number(m_slim.batchFailed),
                                           formatDataSize(counts.bytesSaved)));
        } else {
            m_layerRun.done = true;
            m_layerRun.failed = counts.failed;
            emit logLineAdded(localized(u"完成：导出 %1，跳过 %2，失败 %3。")
                                      .arg(QString::number(counts.exported), QString::number(counts.skipped),
                                           QString::number(counts.failed)));
        }
        break;
    }
    }
}

void PsdRun::handleWorkerError()
{
    if (!m_worker || m_worker->state() != QProcess::NotRunning)
        return;
    // A slimming batch that reported DONE ends normally through finished;
    // an export worker that exited with a code has its finished still to come.
    if (m_tool == IntegratedTools::PsdSlim ? !m_slim.batchDone : m_worker->exitCode() == 0)
        finishWorkerRun(3);
}

void PsdRun::finishWorkerRun(int exitCode)
{
    if (!m_worker)
        return;
    m_worker->readOutput();
    removeJobFile();

    // The old process may still signal before it is deleted; none of that
    // may reach the next batch's worker.
    WorkerRun *worker = std::exchange(m_worker, nullptr);
    worker->disconnect(this);
    worker->deleteLater();

    if (m_tool == IntegratedTools::PsdSlim)
        finishSlimBatch(exitCode);
    else
        finishLayerExport(exitCode);
}

void PsdRun::finishSlimBatch(int exitCode)
{
    const int batchSize = int(m_slim.batch.size());
    if (m_slim.batchDone) {
        // Rows no ITEM settled still wait.
        const QString settled = m_slim.batchFailed != 0 ? localized(u"已结束，详见日志") : localized(u"已完成");
        for (const QString &path : std::as_const(m_slim.batch)) {
            if (!m_settled.contains(IntegratedTools::pathKey(path)))
                emit rowStatusChanged(path, settled);
        }
    } else {
        m_slim.batchFailed = batchSize;
        const QString failed = localized(u"失败");
        for (const QString &path : std::as_const(m_slim.batch))
            emit rowStatusChanged(path, failed);
        emit logLineAdded(translateCount(QStringLiteral("瘦身后台异常结束，当前批次 %1 项未完成，退出码：%2。"),
                                         {{1, batchSize}})
                                  .arg(QString::number(batchSize), QString::number(exitCode)));
    }
    m_slim.batchStart += batchSize;
    m_slim.totalSucceeded += m_slim.batchSucceeded;
    m_slim.totalFailed += m_slim.batchFailed;
    m_slim.totalBytesSaved += m_slim.batchBytesSaved;
    m_slim.batch.clear();
    // The next batch starts once this handler and the finished signal have returned.
    QTimer::singleShot(0, this, &PsdRun::runNextSlimBatch);
}

void PsdRun::finishLayerExport(int exitCode)
{
    if (exitCode != 0) {
        emit statusChanged(localized(u"导出失败"));
        emit logLineAdded(localized(u"后台导出异常结束，退出码：%1").arg(exitCode));
        setAllRowStatuses(localized(u"失败"));
        emit ended(false, 0);
    } else if (!m_layerRun.done) {
        // Exit code 0 without DONE: the worker never said how it went.
        emit statusChanged(translateToolText(QStringLiteral("导出未完成")));
        emit logLineAdded(translateToolText(QStringLiteral("[%1] 后台导出已退出，但未报告完成结果，导出未完成。")).arg(timeOfDay()));
        settleRows(translateToolText(QStringLiteral("未完成")));
        emit ended(false, 0);
    } else {
        if (m_layerRun.failed != 0) {
            emit statusChanged(localized(u"处理完成，%1 项失败").arg(m_layerRun.failed));
            settleRows(localized(u"已结束，详见日志"));
        } else {
            emit statusChanged(localized(u"处理完成"));
            settleRows(localized(u"已完成"));
        }
        emit ended(true, 0);
    }
}

void PsdRun::settleRows(const QString &unsettled)
{
    for (const QString &path : std::as_const(m_paths)) {
        if (!m_settled.contains(IntegratedTools::pathKey(path)))
            emit rowStatusChanged(path, unsettled);
    }
}

void PsdRun::setAllRowStatuses(const QString &text)
{
    for (const QString &path : std::as_const(m_paths))
        emit rowStatusChanged(path, text);
}

void PsdRun::removeJobFile()
{
    if (!m_jobFilePath.isEmpty()) {
        QFile::remove(m_jobFilePath);
        m_jobFilePath.clear();
    }
}
