#pragma once

#include "IntegratedTools.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLocalServer;
class QLocalSocket;

// One tool window per tool and user: a later start hands its paths to the
// running window through a local socket, or through an inbox folder that the
// running window drains every 100 ms.
namespace SingleInstance {

// Largest payload a forwarded message may announce.
inline constexpr quint32 MaxPayloadBytes = 16777216;

// The running window as the guard sees it: where paths go, and what to raise.
struct Target
{
    QPointer<QWidget> window;
    std::function<void(const QStringList &)> addPaths;
};

QString lockName(IntegratedTools::Tool tool);          // "Pictavo.Tool.<key>"
QString instanceServerName(IntegratedTools::Tool tool);
QString inboxDirectory(IntegratedTools::Tool tool);    // empty when no private folder exists

// The path list text: paths joined by line feeds, UTF-8, no final line feed.
QByteArray pathListText(const QStringList &paths);
// Splits a path list text at line feeds, dropping empty pieces.
QStringList parsePathList(const QByteArray &text);

// Sends one message to the running instance: up to 30 attempts. True at once
// for an empty list.
bool forwardPaths(const QString &serverName, const QStringList &paths);

// The server side of one connection; call on every ready-read.
void readForwardedPaths(QLocalSocket *socket, const Target &target);

// Applies and deletes the inbox files, in name order.
void drainInbox(const Target &target, IntegratedTools::Tool tool);

// The second start: forward, else queue in the inbox. Returns the exit code, 0 or 66.
int handOver(IntegratedTools::Tool tool, const QStringList &paths);

// The first start, once its window holds the command-line paths: listens,
// handles connections and starts the inbox timer (children of `parent`).
// Returns -1 to go on and show the window, or the exit code to end with.
int serve(QObject *parent, IntegratedTools::Tool tool, const QStringList &paths, const Target &target);

// Gives up this instance's claim: stops listening and draining and releases
// the lock, so a program started next becomes the first instance.
void relinquish();

// Restores, shows, raises and activates the window.
void bringForward(QWidget *window);

} // namespace SingleInstance
