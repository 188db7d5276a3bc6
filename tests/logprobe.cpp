#include "RuntimeLog.h"

#include <QCoreApplication>
#include <QDebug>

// A small program for the runtime-log tests: starts the log as the tool window
// program does (with `--release-history` also its copy of the release
// history), then logs `--count N` numbered messages.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.36"));
    RuntimeLog::initialize();

    const QStringList arguments = app.arguments();
    if (arguments.contains(QStringLiteral("--release-history")))
        RuntimeLog::recordReleaseHistory();
    const int at = arguments.indexOf(QStringLiteral("--count"));
    const int count = at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : 0;
    for (int i = 0; i < count; ++i)
        qInfo().noquote() << "probe" << QCoreApplication::applicationPid() << i;
    return 0;
}
