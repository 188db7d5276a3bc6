#include "DesktopOpen.h"

#include <QDesktopServices>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace DesktopOpen {

void open(const QString &path, QObject *context, std::function<void()> failed)
{
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (launcher.isEmpty()) {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)) && failed)
            failed();
        return;
    }
    // xdg-open starts whatever the desktop has registered and says by its exit
    // status when nothing is. It may stay for as long as a program it ran in the
    // foreground does: the process has no parent, so closing the window never
    // ends a file manager with it.
    auto *process = new QProcess;
    process->setProgram(launcher);
    process->setArguments({path});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QPointer<QObject> guard(context);
    const auto report = [process, guard, failed](bool ok) {
        process->deleteLater();
        if (!ok && guard && failed)
            failed();
    };
    QObject::connect(process, &QProcess::finished, process,
                     [process, report](int code, QProcess::ExitStatus status) {
                         Q_UNUSED(process);
                         report(status == QProcess::NormalExit && code == 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process, [report](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            report(false);
    });
    process->start();
}

} // namespace DesktopOpen
