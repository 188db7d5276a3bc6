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
    QByteArray chunk = m_process->readAllStandardOutput();
    if (m_discardingLine) {
        // The rest of a line that outgrew the buffer: drop it up to its end.
        const qsizetype newline = chunk.indexOf('\n');
        if (newline < 0)
            return;
        chunk.remove(0, newline + 1);
        m_discardingLine = false;
    }
    m_buffer += chunk;
    const QList<WorkerProtocol::Record> records = WorkerProtocol::takeRecords(m_buffer);
    for (const WorkerProtocol::Record &record : records)
        emit recordArrived(record);
    if (m_buffer.size() > WorkerProtocol::MaxPartialLineBytes) {
        m_buffer.clear();
        m_buffer.squeeze();
        m_discardingLine = true;
        emit lineDropped();
    }
}

void WorkerRun::readErrors()
{
    const QString text = QString::fromUtf8(m_process->readAllStandardError()).trimmed();
    if (!text.isEmpty())
        emit errorText(text);
}
