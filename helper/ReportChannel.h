#pragma once

#include <QByteArray>
#include <QString>

class QLocalSocket;

// The tool window's private channel: a local socket that takes one record a
// line. Without a connection every Send is dropped.
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
    // Waits until everything sent has left, then disconnects.
    void close();

private:
    QLocalSocket *m_socket = nullptr;
};
