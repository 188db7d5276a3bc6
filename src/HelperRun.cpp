#include "HelperRun.h"

#include "ExecutablePlatform.h"
#include "InstancePlatform.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTimer>

#include <atomic>

namespace {

// How often the helper's process id is looked at, for a helper that never connects.
constexpr int ProcessWatchMilliseconds = 250;
// A connection that outlives its helper by this many looks (something else
// holds it open) ends the run all the same.
constexpr int DeadProcessTicks = 8;

QString nextChannelName()
{
    static std::atomic<int> serial{0};
    return QStringLiteral("Pictavo.Report.%1.%2").arg(QCoreApplication::applicationPid()).arg(++serial);
}

} // namespace

HelperRun::HelperRun(QObject *parent)
    : QObject(parent)
{
}

HelperRun::~HelperRun()
{
    // The helper keeps running; it only loses its listener.
    if (m_socket)
        m_socket->disconnect(this);
    if (m_server) {
        m_server->close();
        QLocalServer::removeServer(m_address);
    }
}

bool HelperRun::start(const QString &program, const QStringList &arguments, QString *error)
{
    m_address = InstancePlatform::serverAddress(nextChannelName(), error);
    if (m_address.isEmpty())
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->setMaxPendingConnections(1);
    QLocalServer::removeServer(m_address);
    if (!m_server->listen(m_address)) {
        *error = m_server->errorString();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &HelperRun::acceptConnection);

    QStringList withChannel = arguments;
    withChannel << QStringLiteral("--report-to") << m_address;
    if (!QProcess::startDetached(program, withChannel, QFileInfo(program).absolutePath(), &m_pid)) {
        *error = QStringLiteral("start refused: ") + program;
        m_server->close();
        QLocalServer::removeServer(m_address);
        return false;
    }
    m_running = true;
    m_processAlive = true;
    m_watch = new QTimer(this);
    m_watch->setInterval(ProcessWatchMilliseconds);
    connect(m_watch, &QTimer::timeout, this, &HelperRun::checkProcess);
    m_watch->start();
    return true;
}

void HelperRun::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        // One channel per run, and only from a process of this user.
        if (m_socket || !InstancePlatform::peerIsSameUser(*socket)) {
            qWarning().noquote() << "helper channel refused a connection" << m_address;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_socket = socket;
        connect(socket, &QLocalSocket::readyRead, this, &HelperRun::readRecords);
        connect(socket, &QLocalSocket::disconnected, this, [this] {
            readRecords();
            finish();
        });
        // Nobody else gets in once the helper is here.
        m_server->close();
        if (socket->bytesAvailable() > 0)
            readRecords();
        if (socket->state() != QLocalSocket::ConnectedState) {
            readRecords();
            finish();
        }
        return;
    }
}

void HelperRun::readRecords()
{
    if (!m_socket || !m_running)
        return;
    bool lineDropped = false;
    const QList<WorkerProtocol::Record> records = m_reader.read(m_socket->readAll(), &lineDropped);
    for (const WorkerProtocol::Record &record : records) {
        if (record.kind == WorkerProtocol::RecordKind::Done)
            m_done = true;
        emit recordArrived(record);
        if (!m_running) // a handler may have ended the page's interest
            return;
    }
    if (lineDropped)
        qWarning().noquote() << "helper channel line dropped: longer than" << WorkerProtocol::MaxPartialLineBytes
                             << "bytes";
}

void HelperRun::checkProcess()
{
    if (!m_running) {
        // The run is over; only the process's end is still awaited.
        if (ExecutablePlatform::processIsAlive(m_pid))
            return;
        m_watch->stop();
        m_processAlive = false;
        emit processEnded();
        return;
    }
    if (ExecutablePlatform::processIsAlive(m_pid))
        return;
    // A connected helper's end shows as the connection closing, after its last
    // records; only a helper that never connected ends here.
    if (m_socket && m_socket->state() == QLocalSocket::ConnectedState && ++m_deadTicks < DeadProcessTicks)
        return;
    readRecords();
    finish();
}

void HelperRun::finish()
{
    if (!m_running)
        return;
    m_running = false;
    if (m_server->isListening()) {
        m_server->close();
        QLocalServer::removeServer(m_address);
    }
    emit finished(m_done);
}
