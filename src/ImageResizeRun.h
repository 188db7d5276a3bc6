#pragma once

#include "ImageResizeOptions.h"
#include "WorkerProtocol.h"

#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;
class QTimer;

// One run of the padding helper, which the tool window starts detached so
// that the run outlives the window, told to the page by signals as a PsdRun
// tells its own. The run listens on a private local socket, passes its
// address with "--report-to" and reads the helper's records from the one
// connection of the same user it accepts. It ends when that connection
// closes, or when the helper process is gone without ever having connected
// (a helper that does not report). The helper's window may stay open after
// its run, so the process is watched on until it ends (processEnded): only
// then may the page start another. Destroying the object only stops
// listening: the helper goes on.
class ImageResizeRun : public QObject
{
    Q_OBJECT

public:
    // The helper's command line for some paths. When it would not fit, the
    // paths go one a line into listFile; leftOut are the paths that could
    // not travel so (they hold a line feed).
    struct Command
    {
        QStringList arguments;
        QString listFile;
        QStringList leftOut;
    };

    // What an ITEM record shows on its row; empty texts leave theirs as they
    // are, an invalid newSize is no new size.
    struct RowReport
    {
        QString status;
        QString toolTip;
        QString fileSize;
        // The picture's size after the run, given only when it was written in place.
        QSize newSize;
    };

    explicit ImageResizeRun(QObject *parent = nullptr);
    ~ImageResizeRun() override;

    // The command line for choices over paths. When it would not fit in
    // argumentSpace bytes, the paths go one a line into an owner-only file
    // "files-…" of the private temporary folder, passed with "--files-from".
    // False, with *error set, when that file cannot be written.
    static bool buildCommand(const ImageResizeChoices &choices, const QStringList &paths, qint64 argumentSpace,
                             Command *command, QString *error);

    // Logs where the output goes and how the paths travel, listens, then
    // starts program detached in its own folder with the command line for
    // choices over paths and "--report-to <address>". False when any of it
    // fails; *reason then says why, for the user, or is empty.
    bool start(const QString &program, const ImageResizeChoices &choices, const QStringList &paths,
               QString *reason);

    // The paths the last start could not hand over.
    const QStringList &leftOut() const { return m_leftOut; }

    // True until the channel ends (the run is being followed).
    bool isRunning() const { return m_running; }
    // True until the helper process has ended, which may be after the run.
    bool isProcessAlive() const { return m_processAlive; }
    qint64 processId() const { return m_pid; }
    QString address() const { return m_address; }

    // Why no helper could be had when the private temporary folder is the
    // cause; empty when it is not.
    static QString privateTempFolderProblem();

signals:
    void rowStatusChanged(const QString &path, const QString &text);
    void rowReported(const QString &path, const ImageResizeRun::RowReport &report);
    void logLineAdded(const QString &line);
    void statusChanged(const QString &text);
    void progressed(const WorkerProtocol::Progress &progress, const QString &status);
    // The run is over: complete when DONE came; folder and report are what the
    // page may offer to open (empty for none); inPlace when the pictures were
    // written over their originals.
    void ended(bool complete, const QString &folder, const QString &report, bool inPlace);
    // The helper process is gone (after ended).
    void processEnded();

private:
    bool listen(QString *error);
    void logCommand(const Command &command);
    void acceptConnection();
    void readRecords();
    void handleRecord(const WorkerProtocol::Record &record);
    void reportItem(const WorkerProtocol::ItemReport &item);
    void checkProcess();
    void finish();

    QLocalServer *m_server = nullptr;
    QLocalSocket *m_socket = nullptr;
    QTimer *m_watch = nullptr;
    QString m_address;
    WorkerProtocol::RecordReader m_reader;
    qint64 m_pid = 0;
    int m_deadTicks = 0;
    bool m_running = false;
    bool m_processAlive = false;

    // The paths handed over, keyed, and those an ITEM has settled.
    QStringList m_paths;
    QStringList m_leftOut;
    QSet<QString> m_keys;
    QSet<QString> m_reported;
    // What the helper reported, and where its output goes.
    int m_ok = 0;
    int m_failed = 0;
    int m_skipped = 0;
    QString m_outputDir;
    WorkerProtocol::HelperDone m_done;
    bool m_doneSeen = false;
};
