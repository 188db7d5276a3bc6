#pragma once

#include "WorkerProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;
class QTimer;

// Follows one run of the padding helper, which the tool window starts detached
// so that the run outlives the window. The page listens on a private local
// socket, passes its address with "--report-to" and reads the helper's records
// from the one connection of the same user it accepts. The run ends when that
// connection closes, or when the helper process is gone without ever having
// connected (a helper that does not report); finished says whether DONE came.
// The helper's window may stay open after its run, so the process is watched
// on until it ends (processEnded): only then may the page start another.
// Destroying the object only stops listening: the helper goes on.
class HelperRun : public QObject
{
    Q_OBJECT

public:
    explicit HelperRun(QObject *parent = nullptr);
    ~HelperRun() override;

    // Listens, then starts program detached in its own folder with arguments
    // and "--report-to <address>". False, with *error set, when either fails.
    bool start(const QString &program, const QStringList &arguments, QString *error);

    // True until the channel ends (the run is being followed).
    bool isRunning() const { return m_running; }
    // True until the helper process has ended, which may be after the run.
    bool isProcessAlive() const { return m_processAlive; }
    qint64 processId() const { return m_pid; }
    QString address() const { return m_address; }

signals:
    void recordArrived(const WorkerProtocol::Record &record);
    // The helper has ended or closed its channel; done is true when DONE came.
    void finished(bool done);
    // The helper process is gone (after finished).
    void processEnded();

private:
    void acceptConnection();
    void readRecords();
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
    bool m_done = false;
};
