#pragma once

#include "IntegratedTools.h"
#include "WorkerProtocol.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;
class WorkerRun;

// One PSD run of a tool page: safe slimming in batches, one worker process
// per batch, or a layer export with one worker. It owns the worker and its
// job file, asks what must be asked before a run, and tells the page what to
// show through its signals; the page keeps the controls and the run clock.
// Destroying it stops a worker still running without any of its end
// handling, and removes the job file.
class PsdRun : public QObject
{
    Q_OBJECT

public:
    // dialogParent carries the one box a run may need half-way (a job file
    // that cannot be written).
    PsdRun(IntegratedTools::Tool tool, QWidget *dialogParent);
    ~PsdRun() override;

    // True while a worker process of the run exists.
    bool hasWorker() const { return m_worker != nullptr; }
    // True while a worker exists or a slimming run is between two batches.
    bool isActive() const { return m_worker != nullptr || m_slim.active; }
    // True while a worker process runs or a slimming run goes on: a start waits.
    bool isBusy() const;

    // The checks before a start, each telling the user in a box what stops
    // it. The worker program for paths: empty when there are no paths or the
    // worker is missing.
    QString readyWorker(const QStringList &paths) const;
    // Asks before more than ManyFiles files or ManyBytes and before files above
    // LargeFileBytes; false when the user declines.
    bool confirmSlimming(const QStringList &paths) const;
    // The layer export's job file: empty when it cannot be written.
    QString writeLayerExportJob(const QJsonObject &job) const;

    // Slims paths in batches with the worker program; deepClean is asked again
    // before every batch, so the box counts from the next batch on.
    void startSlimming(const QStringList &paths, const QString &worker, std::function<bool()> deepClean);
    // Exports the layers of paths with the worker program and the job file
    // already written, which the run removes when it ends.
    void startLayerExport(const QStringList &paths, const QString &worker, const QString &jobFile);

    // The run-log line of a LOG or ERROR record, also the helper's.
    static QString logLine(const WorkerProtocol::Record &record);

signals:
    void rowStatusChanged(const QString &path, const QString &text);
    void logLineAdded(const QString &line);
    void statusChanged(const QString &text);
    // The run's progress and the status line its record carries.
    void progressed(const WorkerProtocol::Progress &progress, const QString &status);
    // The run is over. complete fills the progress bar, to progressMaximum
    // when above 0, else to the maximum it has; otherwise it goes idle.
    void ended(bool complete, int progressMaximum);

private:
    // What both kinds of run begin with: their files, keyed, none settled yet.
    void takeFiles(const QStringList &paths, const QString &worker);
    void runNextSlimBatch();
    void finishSlimmingRun();
    void startWorker(const QString &program);
    void handleRecord(const WorkerProtocol::Record &record);
    void handleWorkerError();
    void finishWorkerRun(int exitCode);
    void finishSlimBatch(int exitCode);
    void finishLayerExport(int exitCode);
    void settleRows(const QString &unsettled);
    void setAllRowStatuses(const QString &text);
    void removeJobFile();

    const IntegratedTools::Tool m_tool;
    QWidget *m_dialogParent;
    WorkerRun *m_worker = nullptr;
    QString m_workerProgram;
    QString m_jobFilePath;
    std::function<bool()> m_deepClean;
    // The run's files, and their keys for the rows an ITEM settles.
    QStringList m_paths;
    QSet<QString> m_keys;
    // Case-matched key to success, for the rows an ITEM already settled.
    QHash<QString, bool> m_settled;

    // A slimming run: the files not yet handed to a batch, the running batch
    // and the counts of the batch and of the whole run.
    struct SlimRun
    {
        bool active = false;
        QStringList pending;
        QStringList batch;
        int batchStart = 0;
        bool batchDone = false;
        int batchSucceeded = 0;
        int batchFailed = 0;
        qint64 batchBytesSaved = 0;
        int totalSucceeded = 0;
        int totalFailed = 0;
        qint64 totalBytesSaved = 0;
    };
    SlimRun m_slim;

    // A layer export: what DONE said.
    struct LayerRun
    {
        bool done = false;
        int failed = 0;
    };
    LayerRun m_layerRun;
};
