#include "RuntimeLog.h"

#include "ExecutablePlatform.h"
#include "InstancePlatform.h"
#include "LineProtocol.h"
#include "LogFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QOperatingSystemVersion>
#include <QStandardPaths>
#include <QSysInfo>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

struct LogState
{
    QString folder;
    QString runtimePath;
    QString notesPath;
    QString sessionId;
    QtMessageHandler previous = nullptr;
    QMutex lock;
    std::atomic<quint64> counter{0};
};

LogState &state()
{
    static LogState instance;
    return instance;
}

// Set while this thread is inside the handler: a message raised by the handler's
// own work (Qt warning about a file, say) goes to the previous handler only.
thread_local bool insideHandler = false;

// Installed programs live in folders of the system: even when root may write
// there, logs and copies do not belong beside them.
bool isSystemLocation(const QString &folder)
{
    const QString real = QFileInfo(folder).canonicalFilePath();
    for (const QString &path : {folder, real}) {
        if (path.startsWith(QLatin1String("/usr/")) || path.startsWith(QLatin1String("/opt/")))
            return true;
    }
    return false;
}

bool usableFolder(const QString &path)
{
    return QDir().mkpath(path) && QFileInfo(path).isWritable();
}

// The last resort, under the shared temporary folder: a folder of this user
// alone ("Pictavo-<user id>/logs", 0700), or none.
QString privateTempLogs()
{
    QString why;
    const QString base = ExecutablePlatform::perUserTempFolder(&why);
    const QString folder = base.isEmpty() ? QString() : QDir(base).filePath(QStringLiteral("logs"));
    if (!folder.isEmpty() && InstancePlatform::makePrivateFolder(folder) && InstancePlatform::isPrivateFolder(folder))
        return folder;
    std::fprintf(stderr, "Pictavo: no private folder for the runtime log%s%s\n", why.isEmpty() ? "" : ": ",
                 why.toLocal8Bit().constData());
    return QString();
}

QByteArray levelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "DEBUG";
    case QtInfoMsg:
        return "INFO";
    case QtWarningMsg:
        return "WARN";
    case QtCriticalMsg:
        return "ERROR";
    case QtFatalMsg:
        return "FATAL";
    }
    return "INFO";
}

QString timeStamp()
{
    return QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
}

void rotateIfLarge(const LogState &log)
{
    if (LogFile::size(log.runtimePath) <= RuntimeLog::RotationBytes)
        return;
    // Another instance may be rotating the same file: decide again under the lock.
    LogFile::ProcessLock guard(log.runtimePath + QStringLiteral(".lock"));
    if (LogFile::size(log.runtimePath) <= RuntimeLog::RotationBytes)
        return;
    const QString older = log.runtimePath + QStringLiteral(".1");
    QFile::remove(older);
    QFile::rename(log.runtimePath, older);
}

void passOn(const LogState &log, QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (log.previous)
        log.previous(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

} // namespace

void RuntimeLog::initialize()
{
    LogState &log = state();
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString applicationLogs = QDir(programFolder).filePath(QStringLiteral("logs"));
    const QString dataLocation = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!isSystemLocation(programFolder) && usableFolder(applicationLogs)) {
        log.folder = applicationLogs;
    } else if (!dataLocation.isEmpty() && usableFolder(dataLocation + QStringLiteral("/logs"))) {
        log.folder = dataLocation + QStringLiteral("/logs");
    } else {
        log.folder = privateTempLogs();
    }
    if (!log.folder.isEmpty())
        log.folder = QDir::cleanPath(log.folder);
    // Without a folder of our own the records are lost, not written where others could read them.
    log.runtimePath = log.folder.isEmpty() ? QString() : QDir(log.folder).filePath(QStringLiteral("runtime.log"));
    log.notesPath = log.folder.isEmpty() ? QString() : QDir(log.folder).filePath(QStringLiteral("developer-notes.log"));
    log.sessionId = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmsszzz")) + QLatin1Char('-')
            + QString::number(QCoreApplication::applicationPid());

    log.previous = qInstallMessageHandler(&RuntimeLog::messageHandler);

    const QOperatingSystemVersion os = QOperatingSystemVersion::current();
    // Off Windows and macOS Qt names no operating system here; the product type says it instead.
    const QString osName = os.name().isEmpty() ? QSysInfo::productType() : os.name();
    const QString osVersion = os.type() == QOperatingSystemVersion::Unknown
            ? QSysInfo::productVersion()
            : QStringLiteral("%1.%2.%3").arg(os.majorVersion()).arg(os.minorVersion()).arg(os.microVersion());
    qInfo().noquote() << "session_begin"
                      << "app_version=" << QCoreApplication::applicationVersion()
                      << "qt_version=" << QString::fromLatin1(qVersion())
                      << "os=" << osName
                      << "os_version=" << osVersion
                      << "kernel=" << QSysInfo::kernelType() << QSysInfo::kernelVersion()
                      << "cpu=" << QSysInfo::currentCpuArchitecture()
                      << "build_cpu=" << QSysInfo::buildCpuArchitecture()
                      << "executable=" << QCoreApplication::applicationFilePath();
}

void RuntimeLog::recordReleaseHistory()
{
    QFile resource(QStringLiteral(":/docs/release-history.json"));
    if (!resource.open(QIODevice::ReadOnly))
        return;
    const QString target = QDir(QFileInfo(runtimeLogPath()).absolutePath()).filePath(QStringLiteral("release-history.json"));
    if (runtimeLogPath().isEmpty())
        return;
    if (LogFile::replace(target, resource.readAll()))
        qInfo().noquote() << "release history written" << target;
}

bool RuntimeLog::appendAnnotation(const QString &type, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    LogState &log = state();
    QString escaped = trimmed.simplified();
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    const QString record = timeStamp() + QStringLiteral(" session=") + log.sessionId + QStringLiteral(" version=")
            + QCoreApplication::applicationVersion() + QStringLiteral(" type=") + type + QStringLiteral(" text=\"")
            + escaped + QStringLiteral("\"\n");
    bool written;
    {
        QMutexLocker locker(&log.lock);
        written = !log.notesPath.isEmpty() && LogFile::append(log.notesPath, record.toUtf8());
    }
    if (!written)
        return false;
    qInfo().noquote() << "developer_annotation type=" << type << "text=" << trimmed;
    return true;
}

void RuntimeLog::messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    LogState &log = state();
    if (insideHandler) {
        passOn(log, type, context, message);
        return;
    }
    insideHandler = true;
    {
        QMutexLocker locker(&log.lock);
        rotateIfLarge(log);

        // The number is taken only when the record reaches the file, so seq has no gaps.
        const quint64 seq = log.counter.load();
        QByteArray line;
        line.reserve(256 + message.size());
        line += timeStamp().toUtf8();
        line += " seq=" + QByteArray::number(seq);
        line += " session=" + log.sessionId.toUtf8();
        line += " level=" + levelName(type);
        line += " pid=" + QByteArray::number(QCoreApplication::applicationPid());
        line += " thread=" + QByteArray::number(LogFile::currentThreadId());
        if (context.category)
            line += QByteArray(" category=") + context.category;
        // Escaped, so a line feed in a path or a worker's text cannot start a forged record.
        line += " message=\"" + LineProtocol::escaped(message).toUtf8() + '"';
        if (context.file) {
            const QByteArray file(context.file);
            const int slash = qMax(file.lastIndexOf('/'), file.lastIndexOf('\\'));
            line += " source=" + file.mid(slash + 1) + ':' + QByteArray::number(context.line);
        }
        if (context.function)
            line += QByteArray(" function=\"") + context.function + '"';
        line += '\n';
        if (LogFile::append(log.runtimePath, line))
            log.counter.fetch_add(1);

        passOn(log, type, context, message);
        if (type == QtFatalMsg)
            std::abort();
    }
    insideHandler = false;
}

QString RuntimeLog::logsFolder()
{
    return state().folder;
}

QString RuntimeLog::runtimeLogPath()
{
    return state().runtimePath;
}

QString RuntimeLog::notesPath()
{
    return state().notesPath;
}

QString RuntimeLog::sessionId()
{
    return state().sessionId;
}
