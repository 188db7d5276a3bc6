#pragma once

#include "ImageProcessor.h"
#include "MemoryBudget.h"
#include "RunJournal.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <optional>

// What one run fixes at its start.
struct BatchSettings
{
    QString outDir;  // empty: in place
    Sizing rule = SizeRule::Multiple4;
    FillSpec fill = Fill::Transparent;
    Anchor anchor = Anchor::Center;
    bool png = false;
    int jobs = 0;           // pictures at a time; 0 means one per core
    qint64 memoryBudget = 0;  // bytes the pictures in progress may hold together; 0: half the memory
    bool recordsRead = false; // someone reads the records: paths that cannot travel in one are left out
    bool keepOriginals = true; // in place: replaced originals go to the trash, recorded for Undo
    // With an output folder: a picture under one of these folders keeps its
    // path below the outermost of them ("a/x/p.png" from "a" goes to "out/x/p.png").
    QStringList baseFolders;
};

// A file left out before the run: the path its record names, and why.
struct SkippedFile
{
    QString path;
    QString reason;
};

// One batch run over a list of pictures, without any window: used by the batch
// window and by the headless mode. Up to `jobs` pictures are padded at once
// within a memory budget, the costliest first; each picture's log line and
// record go out the moment it is done, so a reader sees results as they come.
// The failure report and the summary keep list order. Lives on the thread
// that starts it.
class BatchRun : public QObject
{
    Q_OBJECT

public:
    explicit BatchRun(QObject *parent = nullptr);
    // Waits for the pictures still in progress.
    ~BatchRun() override;

    // Starts padding `files`; the output folder must exist already. `skipped`
    // counts files left out before the run; `skippedFiles` are sent as skipped
    // records first. Settles the destinations for the whole list before any
    // picture starts.
    void start(const QStringList &files, const BatchSettings &settings, const QList<SkippedFile> &skippedFiles = {},
               int skipped = 0);

    // Lets the pictures in progress finish (written and verified) and starts
    // no other: those are reported skipped with the reason "cancelled".
    // Safe to call more than once, and when no run is in progress.
    void stop();

    bool isRunning() const { return m_running; }
    bool isStopping() const { return m_stop && m_stop->load(); }
    int succeeded() const { return m_succeeded; }
    // Pictures that fitted already and were left as they were (or copied as
    // they were); counted among the skipped, not the succeeded.
    int unchanged() const { return m_unchanged; }
    int failed() const { return m_failed; }
    // Pictures a stop left unstarted.
    int cancelled() const { return m_cancelled; }
    QString reportPath() const { return m_reportPath; }
    QString reportError() const { return m_reportError; }
    qint64 memoryHighWater() const { return m_budget ? m_budget->highWater() : 0; }
    // The journal an in-place run that kept originals wrote; empty when nothing was kept.
    QString journalPath() const { return m_journal ? m_journal->path() : QString(); }

    // Whether a path can travel in one record.
    static bool canTravel(const QString &path);

    // Time left from the recent rate: `finishTimes` holds, in order, when each
    // finished picture ended (milliseconds since the run started). The last
    // few pictures set the pace, so a slow first picture or a change of
    // picture sizes along the list soon stops weighing on the estimate.
    static qint64 recentRemainingMilliseconds(const QList<qint64> &finishTimes, int total);

    // "[成功] name  old -> new  message" (or "[失败] …", "[跳过] …" for a picture
    // that fitted already) for one processed file.
    static QString resultLine(const ProcessResult &result);

    // "错误报告_yyyyMMdd_HHmmss.txt" for a run started at `start`, its first word
    // in the run's language ("failure-report_…" in English).
    static QString reportFileName(const QDateTime &start);

    // "yyyy-MM-dd HH:mm:ss " + line + CR LF: one line of the error report.
    static QString reportLine(const QDateTime &time, const QString &line);

    // Appends `text` to the report at `path` in UTF-8; a file that is new (or
    // empty) first gets the UTF-8 byte-order mark. Returns false with `error`.
    static bool appendToReport(const QString &path, const QString &text, QString *error);

    // Creates `path` with any missing parents. Returns false with `error`.
    static bool makeFolder(const QString &path, QString *error);

signals:
    // A line for the live log, without its time.
    void logText(const QString &text);
    // One record for the tool window's channel or standard output.
    void recordReady(const QByteArray &record);
    // After each finished picture, in whatever order they finish.
    void progress(int finished, int total, qint64 remainingMilliseconds);
    // When a picture is done, before it is reported: how long its worker spent on it.
    void pictureTimed(int index, qint64 nanoseconds);
    // A worker took up the picture at `path` (as passed to start).
    void pictureStarted(const QString &path);
    // The picture is done, well or not; its record is out.
    void pictureFinished(const ProcessResult &result);
    // A stop left the picture unstarted; its record is out.
    void pictureCancelled(const QString &path);
    // After the last picture was reported and the run's end was logged.
    void finished();

private:
    void plan();
    // The folder below the output folder that `file` goes to; empty for the output folder itself.
    QString subfolderFor(const QString &file) const;
    // The order pictures are handed to the pool: the costliest first.
    QList<int> costliestFirst(const QList<int> &indexes) const;
    void launch(int index);
    void pictureDone(int index, const ProcessResult &result, qint64 nanoseconds = 0);
    void cancelled(int index);
    // Sends the PROGRESS record of one more picture done or cancelled; ends the run after the last.
    void countReported(const QString &name);
    void writeReportLine(const QString &line);
    void finish();
    void notable(const QString &text);

    QStringList m_files;
    BatchSettings m_settings;
    PadSettings m_pad;
    QList<OutputPlan> m_outputs;  // where each picture goes, settled before any starts
    QThreadPool m_pool;
    std::optional<MemoryBudget> m_budget;
    std::unique_ptr<RunJournal> m_journal;
    RunContext m_context;
    QList<qint64> m_finishTimes;
    QElapsedTimer m_watch;
    // Shared with the pictures queued in the pool, which may outlive a run.
    std::shared_ptr<std::atomic<bool>> m_stop;
    QMap<int, QString> m_failureLines;  // by list index: the report keeps list order
    int m_reported = 0;  // pictures done or cancelled
    int m_succeeded = 0;
    int m_failed = 0;
    int m_cancelled = 0;
    int m_skipped = 0;
    int m_unchanged = 0;
    bool m_running = false;
    QString m_reportPath;
    QString m_reportName;
    QString m_reportError;
    QStringList m_reportLines;
    bool m_reportMoved = false;
};
