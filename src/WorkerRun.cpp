#include "WorkerRun.h"

#include <QFileInfo>

namespace {
// How long a worker that is asked to end may take before it is killed.
constexpr int StopGraceMilliseconds = 2000;
} // namespace

WorkerRun::WorkerRun(QObject *parent)
    : QObject(parent)
    , m_process(new QProcess(this))
{
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &WorkerRun::readOutput);
    connect(m_process, &QProcess::readyReadStandardError, this, &WorkerRun::readErrors);
    connect(m_process, &QProcess::errorOccurred, this, &WorkerRun::failed);
    connect(m_process, &QProcess::finished, this, [this](int exitCode) { emit finished(exitCode); });
}

WorkerRun::~WorkerRun()
{
    m_process->disconnect(this);
    if (m_process->state() == QProcess::NotRunning)
        return;
    m_process->terminate();
    if (!m_process->waitForFinished(StopGraceMilliseconds)) {
        m_process->kill();
        m_process->waitForFinished(StopGraceMilliseconds);
    }
}

void WorkerRun::start(const QString &program, const QStringList &arguments)
{
    m_process->setWorkingDirectory(QFileInfo(program).absolutePath());
    m_process->start(program, arguments, QIODevice::ReadWrite);
}

void WorkerRun::readOutput()
{
    bool lineWasDropped = false;
    const QList<WorkerProtocol::Record> records = m_reader.read(m_process->readAllStandardOutput(), &lineWasDropped);
    for (const WorkerProtocol::Record &record : records)
        emit recordArrived(record);
    if (lineWasDropped)
        emit lineDropped();
}

void WorkerRun::readErrors()
{
    const QString text = QString::fromUtf8(m_process->readAllStandardError()).trimmed();
    if (!text.isEmpty())
        emit errorText(text);
}
