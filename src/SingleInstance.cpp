#include "SingleInstance.h"

#include "InstancePlatform.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <QUuid>
#include <QtEndian>

namespace SingleInstance {

namespace {

const char *const PayloadProperty = "pictavoPayload";
// After a message this large the freed memory is handed back to the system.
constexpr quint32 LargeMessageBytes = 1048576;

QPointer<QLocalServer> runningServer;

void applyPaths(const Target &target, const QStringList &paths)
{
    if (target.addPaths)
        target.addPaths(paths);
    bringForward(target.window);
}

bool queueInInbox(IntegratedTools::Tool tool, const QByteArray &text)
{
    const QString folder = inboxDirectory(tool);
    if (folder.isEmpty() || !InstancePlatform::makePrivateFolder(folder) || !InstancePlatform::isPrivateFolder(folder))
        return false;
    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower() + QStringLiteral(".paths");
    QSaveFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // Qt can report a successful commit after a failed last write: check first.
    if (file.write(text) != text.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool endpointAnswers(const QString &address)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(address, QIODevice::ReadWrite);
        if (socket.waitForConnected(100)) {
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

} // namespace

QString lockName(IntegratedTools::Tool tool)
{
    return QStringLiteral("Pictavo.Tool.%1").arg(IntegratedTools::toolKey(tool));
}

QString instanceServerName(IntegratedTools::Tool tool)
{
    QString user = InstancePlatform::userName().trimmed().toLower();
    if (user.isEmpty())
        user = QStringLiteral("default-user");
    return QStringLiteral("app.pictavo.Pictavo.%1.%2").arg(IntegratedTools::toolKey(tool), user);
}

QString inboxDirectory(IntegratedTools::Tool tool)
{
    QString error;
    const QString parent = InstancePlatform::inboxParent(&error);
    if (parent.isEmpty())
        return QString();
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_-]"));
    QString key = IntegratedTools::toolKey(tool);
    key.replace(unsafe, QStringLiteral("_"));
    return QDir(parent).filePath(
            QStringLiteral("Pictavo-%1-%2-inbox").arg(key, InstancePlatform::userName().toLower()));
}

QByteArray pathListText(const QStringList &paths)
{
    return paths.join(QLatin1Char('\n')).toUtf8();
}

QStringList parsePathList(const QByteArray &text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool forwardPaths(const QString &serverName, const QStringList &paths)
{
    const QByteArray payload = pathListText(paths);
    if (payload.isEmpty())
        return true;
    QByteArray message(4, '\0');
    qToBigEndian(quint32(payload.size()), message.data());
    message += payload;

    const QString address = InstancePlatform::serverAddress(serverName);
    if (address.isEmpty())
        return false;
    for (int attempt = 0; attempt < 30; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(address, QIODevice::ReadWrite);
        if (socket.waitForConnected(100)) {
            // Paths go only to a window of the same user.
            if (InstancePlatform::peerIsSameUser(socket) && socket.write(message) == message.size()
                && socket.waitForBytesWritten(1000)) {
                socket.disconnectFromServer();
                if (socket.state() != QLocalSocket::UnconnectedState)
                    socket.waitForDisconnected(250);
                return true;
            }
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(250);
        }
        QThread::msleep(50);
    }
    return false;
}

void readForwardedPaths(QLocalSocket *socket, const Target &target)
{
    // The property lets go of the bytes first, so that appending does not
    // copy a buffer of many megabytes on every read.
    QByteArray buffer = socket->property(PayloadProperty).toByteArray();
    socket->setProperty(PayloadProperty, QByteArray());
    if (buffer.size() >= 4) {
        const quint32 announced = qFromBigEndian<quint32>(buffer.constData());
        if (announced <= MaxPayloadBytes)
            buffer.reserve(qsizetype(announced) + 4); // one allocation for the whole message
    }
    buffer += socket->readAll();
    if (buffer.size() < 4) {
        socket->setProperty(PayloadProperty, buffer);
        return;
    }
    const quint32 length = qFromBigEndian<quint32>(buffer.constData());
    if (length > MaxPayloadBytes) {
        socket->setProperty(PayloadProperty, QByteArray());
        socket->disconnectFromServer();
        return;
    }
    if (quint64(buffer.size()) < quint64(length) + 4) {
        socket->setProperty(PayloadProperty, buffer);
        return;
    }
    // A complete message ends the connection: a later ready-read finds nothing.
    socket->setProperty(PayloadProperty, QByteArray());
    const QStringList paths = parsePathList(QByteArray::fromRawData(buffer.constData() + 4, qsizetype(length)));
    buffer = QByteArray();
    if (!paths.isEmpty())
        applyPaths(target, paths);
    socket->disconnectFromServer();
    if (length > LargeMessageBytes)
        InstancePlatform::releaseFreedMemory();
}

void drainInbox(const Target &target, IntegratedTools::Tool tool)
{
    const QString folder = inboxDirectory(tool);
    if (folder.isEmpty() || !InstancePlatform::isPrivateFolder(folder))
        return;
    const QDir inbox(folder);
    const QStringList names = inbox.entryList({QStringLiteral("*.paths")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        const QString path = inbox.filePath(name);
        if (!InstancePlatform::isPrivateFile(path))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QStringList paths = parsePathList(file.readAll());
        file.close();
        if (paths.isEmpty())
            continue;
        applyPaths(target, paths);
        QFile::remove(path);
    }
}

int handOver(IntegratedTools::Tool tool, const QStringList &given)
{
    const QString key = IntegratedTools::toolKey(tool);
    // The message separates paths by line feeds: a path holding one would
    // arrive as two that do not exist.
    QStringList paths;
    for (const QString &path : given) {
        if (path.contains(QLatin1Char('\n')))
            qWarning().noquote() << "standalone path not forwarded: it holds a line feed" << path;
        else
            paths << path;
    }
    if (paths.isEmpty() && !given.isEmpty()) {
        qWarning("unable to forward selected files to the running tool");
        return 66;
    }
    if (forwardPaths(instanceServerName(tool), paths)) {
        qInfo().noquote() << "standalone paths forwarded" << key << "count=" << paths.size();
        return 0;
    }
    if (queueInInbox(tool, pathListText(paths))) {
        qInfo().noquote() << "standalone paths queued" << key << "count=" << paths.size();
        return 0;
    }
    qWarning("unable to forward selected files to the running tool");
    return 66;
}

int serve(QObject *parent, IntegratedTools::Tool tool, const QStringList &paths, const Target &target)
{
    const QString name = instanceServerName(tool);
    QString error;
    const QString address = InstancePlatform::serverAddress(name, &error);
    if (address.isEmpty()) {
        qWarning().noquote() << "unable to create the tool instance endpoint" << name << error;
        return 66;
    }
    auto *server = new QLocalServer(parent);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(address)) {
        // An empty list counts as forwarded, so only a window that answers
        // may end this start without one.
        if ((!paths.isEmpty() || endpointAnswers(address)) && forwardPaths(name, paths)) {
            qInfo().noquote() << "standalone endpoint held by a running instance" << name;
            delete server;
            return 0;
        }
        QLocalServer::removeServer(address);
        if (!server->listen(address)) {
            qWarning().noquote() << "unable to create the tool instance endpoint" << name << server->errorString();
            delete server;
            return 66;
        }
    }

    QObject::connect(server, &QLocalServer::newConnection, server, [server, target] {
        while (server->hasPendingConnections()) {
            QLocalSocket *socket = server->nextPendingConnection();
            QObject::connect(socket, &QLocalSocket::readyRead, server,
                             [socket, target] { readForwardedPaths(socket, target); });
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->bytesAvailable() > 0)
                readForwardedPaths(socket, target);
        }
    });

    runningServer = server;
    auto *inboxTimer = new QTimer(server);
    QObject::connect(inboxTimer, &QTimer::timeout, server, [target, tool] { drainInbox(target, tool); });
    inboxTimer->start(100);
    return -1;
}

void relinquish()
{
    delete runningServer; // closes the endpoint and stops the inbox timer, its child
    InstancePlatform::releaseToolLock();
}

void bringForward(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

} // namespace SingleInstance
