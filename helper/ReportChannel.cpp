#include "ReportChannel.h"

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
    socket->connectToServer(name, QIODevice::WriteOnly);
    if (!socket->waitForConnected(ConnectTimeoutMs)) {
        *error = socket->errorString();
        delete socket;
        return false;
    }
    m_socket = socket;
    return true;
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
    delete m_socket;
    m_socket = nullptr;
}
