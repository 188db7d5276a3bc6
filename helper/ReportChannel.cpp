#include "ReportChannel.h"

#include "LineProtocol.h"

#include <QLocalSocket>

namespace {
constexpr int ConnectTimeoutMs = 3000;
constexpr int FlushTimeoutMs = 5000;
} // namespace

ReportChannel::ReportChannel() = default;

ReportChannel::~ReportChannel()
{
    close();
}

bool ReportChannel::connect(const QString &name, QString *error)
{
    close();
    auto *socket = new QLocalSocket;
    socket->connectToServer(name, QIODevice::ReadWrite);
    if (!socket->waitForConnected(ConnectTimeoutMs)) {
        *error = socket->errorString();
        delete socket;
        return false;
    }
    m_socket = socket;
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [this] { readRequests(); });
    return true;
}

void ReportChannel::onStopRequest(QObject *context, std::function<void()> handler)
{
    m_stopContext = context;
    m_stopHandler = std::move(handler);
}

void ReportChannel::readRequests()
{
    m_incoming += m_socket->readAll();
    const QByteArray stop = LineProtocol::stopRequest();
    // Nothing else travels this way; anything but a stop is ignored.
    bool asked = false;
    qsizetype end;
    while ((end = m_incoming.indexOf('\n')) >= 0) {
        asked = asked || m_incoming.left(end + 1) == stop;
        m_incoming.remove(0, end + 1);
    }
    if (m_incoming.size() > 4096)
        m_incoming.clear();
    if (asked && m_stopContext && m_stopHandler)
        m_stopHandler();
}

bool ReportChannel::isConnected() const
{
    return m_socket && m_socket->state() == QLocalSocket::ConnectedState;
}

void ReportChannel::send(const QByteArray &record)
{
    if (!isConnected())
        return;
    m_socket->write(record);
    // Records leave as they come: the tool window shows progress live.
    m_socket->flush();
}

void ReportChannel::close()
{
    if (!m_socket)
        return;
    if (m_socket->state() == QLocalSocket::ConnectedState) {
        while (m_socket->bytesToWrite() > 0 && m_socket->waitForBytesWritten(FlushTimeoutMs)) {
        }
        m_socket->disconnectFromServer();
        if (m_socket->state() != QLocalSocket::UnconnectedState)
            m_socket->waitForDisconnected(FlushTimeoutMs);
    }
    m_socket->disconnect();
    delete m_socket;
    m_socket = nullptr;
    m_incoming.clear();
}
