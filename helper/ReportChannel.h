#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>

#include <functional>

class QLocalSocket;
class QObject;

// The tool window's private channel: a local socket that takes one record a
// line, and brings back the window's stop request. Without a connection
// every Send is dropped.
class ReportChannel
{
public:
    ReportChannel();
    ~ReportChannel();
    ReportChannel(const ReportChannel &) = delete;
    ReportChannel &operator=(const ReportChannel &) = delete;

    // Connects to the socket at `name`. Returns false with `error`.
    bool connect(const QString &name, QString *error);
    bool isConnected() const;
    void send(const QByteArray &record);
    // Calls `handler` (while `context` lives) when the window asks for a stop.
    void onStopRequest(QObject *context, std::function<void()> handler);
    // Waits until everything sent has left, then disconnects.
    void close();

private:
    void readRequests();

    QLocalSocket *m_socket = nullptr;
    QByteArray m_incoming;
    QPointer<QObject> m_stopContext;
    std::function<void()> m_stopHandler;
};
