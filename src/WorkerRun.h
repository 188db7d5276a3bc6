#pragma once

#include "WorkerProtocol.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// One PSD worker process of a tool page: started as a child, its standard
// output cut into protocol records, its standard error passed on as text.
// Destroying it stops a worker still running (asked first, then killed)
// without any of its signals.
class WorkerRun : public QObject
{
    Q_OBJECT

public:
    explicit WorkerRun(QObject *parent = nullptr);
    ~WorkerRun() override;

    // A start that fails at once may signal before this returns.
    void start(const QString &program, const QStringList &arguments);
    QProcess::ProcessState state() const { return m_process->state(); }
    int exitCode() const { return m_process->exitCode(); }

    // Handles the complete lines that have arrived; also done on every
    // readyRead, and once more by the page when the worker has ended.
    void readOutput();

signals:
    void recordArrived(const WorkerProtocol::Record &record);
    // A line longer than WorkerProtocol::MaxPartialLineBytes was dropped.
    void lineDropped();
    void errorText(const QString &text);
    void failed();
    void finished(int exitCode);

private:
    void readErrors();

    QProcess *m_process;
    WorkerProtocol::RecordReader m_reader;
};
