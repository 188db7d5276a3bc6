#include "ImageResizeRun.h"

#include "ExecutablePlatform.h"
#include "ImageProcessor.h"
#include "InstancePlatform.h"
#include "LineProtocol.h"
#include "Localization.h"
#include "PageTexts.h"
#include "PsdRun.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>

#include <atomic>

namespace {

// How often the helper's process id is looked at, for a helper that never connects.
constexpr int ProcessWatchMilliseconds = 250;
// A connection that outlives its helper by this many looks (something else
// holds it open) ends the run all the same.
constexpr int DeadProcessTicks = 8;
// Longer status lines are cut.
constexpr int MaxShownLineLength = 2000;

QString nextChannelName()
{
    static std::atomic<int> serial{0};
    return QStringLiteral("Pictavo.Report.%1.%2").arg(QCoreApplication::applicationPid()).arg(++serial);
}

// "1920×1080" back to a size; invalid for anything else.
QSize parseSize(const QString &text)
{
    const QStringList sides = text.split(QChar(0x00D7));
    bool wide = false;
    bool high = false;
    const QSize size(sides.value(0).toInt(&wide), sides.value(1).toInt(&high));
    return sides.size() == 2 && wide && high ? size : QSize();
}

} // namespace

ImageResizeRun::ImageResizeRun(QObject *parent)
    : QObject(parent)
{
}

ImageResizeRun::~ImageResizeRun()
{
    // The helper keeps running; it only loses its listener.
    if (m_socket)
        m_socket->disconnect(this);
    if (m_server) {
        m_server->close();
        QLocalServer::removeServer(m_address);
    }
}

bool ImageResizeRun::buildCommand(const ImageResizeChoices &choices, const QStringList &paths, qint64 argumentSpace,
                                  Command *command, QString *error)
{
    *command = Command();
    command->arguments = ImageResizeOptions::arguments(choices, paths);
    qint64 cost = 0;
    for (const QString &argument : std::as_const(command->arguments))
        cost += ExecutablePlatform::argumentCost(argument);
    if (cost <= argumentSpace)
        return true;

    // Too long for one command line: the paths travel in a file, one a line,
    // so a path holding a line feed cannot go with them.
    QStringList kept;
    for (const QString &path : paths)
        (path.contains(u'\n') ? command->leftOut : kept).append(path);
    const QString folder = ExecutablePlatform::perUserTempFolder();
    if (folder.isEmpty()) {
        *error = privateTempFolderProblem();
        return false;
    }
    QTemporaryFile list(QDir(folder).filePath(QStringLiteral("files-XXXXXX.txt")));
    list.setAutoRemove(false); // the helper deletes it once read
    if (!list.open()) {
        *error = list.errorString();
        return false;
    }
    list.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray text;
    for (const QString &path : std::as_const(kept))
        text += path.toUtf8() + '\n';
    if (list.write(text) != text.size() || !list.flush()) {
        *error = list.errorString();
        list.remove();
        return false;
    }
    list.close();
    command->listFile = list.fileName();
    command->arguments = ImageResizeOptions::arguments(choices, {});
    command->arguments << QStringLiteral("--files-from") << command->listFile;
    if (!kept.isEmpty())
        command->arguments << QStringLiteral("--start");
    return true;
}

// The user sees it, the runtime log gets the folders that were refused.
QString ImageResizeRun::privateTempFolderProblem()
{
    QString why;
    if (!ExecutablePlatform::perUserTempFolder(&why).isEmpty())
        return QString();
    qWarning().noquote() << "image resize helper not started" << why;
    return translateToolText(QStringLiteral("系统临时文件夹中没有只属于当前用户的私有文件夹可用（可能已被其他用户占用或对他人开放）。"));
}

bool ImageResizeRun::start(const QString &program, const ImageResizeChoices &choices, const QStringList &paths,
                           QString *reason)
{
    if (program.isEmpty()) {
        *reason = privateTempFolderProblem();
        return false;
    }
    Command command;
    if (!buildCommand(choices, paths,
                      ExecutablePlatform::argumentSpace() - ExecutablePlatform::argumentCost(program), &command,
                      reason))
        return false;
    logCommand(command);

    QString why;
    // A file system keeping coarse times may show a picture written just
    // after the start as older: it is then counted not started, never the reverse.
    m_started = QDateTime::currentDateTime();
    bool started = listen(&why);
    if (started) {
        QStringList withChannel = command.arguments;
        withChannel << QStringLiteral("--report-to") << m_address;
        started = QProcess::startDetached(program, withChannel, QFileInfo(program).absolutePath(), &m_pid);
        if (!started) {
            why = QStringLiteral("start refused: ") + program;
            m_server->close();
            QLocalServer::removeServer(m_address);
        }
    }
    if (!started) {
        qWarning().noquote() << "image resize helper not started" << why;
        if (!command.listFile.isEmpty())
            QFile::remove(command.listFile);
        return false;
    }

    m_paths = paths;
    m_leftOut = command.leftOut;
    for (const QString &path : paths)
        m_keys.insert(IntegratedTools::pathKey(path));
    m_outputDir = ImageResizeOptions::absoluteOutputFolder(choices.outputDir);
    m_choices = choices;
    m_running = true;
    m_processAlive = true;
    m_watch = new QTimer(this);
    m_watch->setInterval(ProcessWatchMilliseconds);
    connect(m_watch, &QTimer::timeout, this, &ImageResizeRun::checkProcess);
    m_watch->start();
    return true;
}

bool ImageResizeRun::requestStop()
{
    if (!m_running || !m_socket || m_socket->state() != QLocalSocket::ConnectedState)
        return false;
    m_socket->write(LineProtocol::stopRequest());
    m_socket->flush();
    emit logLineAdded(translateToolText(QStringLiteral("[%1] 已请求停止：正在处理的图片完成并校验后结束，其余图片不再开始。"))
                              .arg(timeOfDay()));
    return true;
}

bool ImageResizeRun::listen(QString *error)
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
    connect(m_server, &QLocalServer::newConnection, this, &ImageResizeRun::acceptConnection);
    return true;
}

void ImageResizeRun::logCommand(const Command &command)
{
    const qsizetype at = command.arguments.indexOf(QStringLiteral("--output-dir"));
    if (at >= 0 && at + 1 < command.arguments.size()) {
        emit logLineAdded(translateToolText(QStringLiteral("[%1] 输出目录：%2"))
                                  .arg(timeOfDay(), QDir::toNativeSeparators(command.arguments.at(at + 1))));
    }
    if (!command.listFile.isEmpty()) {
        qInfo().noquote() << "image resize paths passed in a file" << command.listFile;
        emit logLineAdded(translateToolText(QStringLiteral("[%1] 文件较多，列表经临时文件传递给处理程序。")).arg(timeOfDay()));
    }
    for (const QString &path : command.leftOut) {
        qWarning().noquote() << "image resize path left out: it holds a line feed" << path;
        emit logLineAdded(translateToolText(QStringLiteral("[%1] 路径含换行符，无法传递，已略过：%2"))
                                  .arg(timeOfDay(), QDir::toNativeSeparators(path)));
    }
}

void ImageResizeRun::acceptConnection()
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
        connect(socket, &QLocalSocket::readyRead, this, &ImageResizeRun::readRecords);
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

void ImageResizeRun::readRecords()
{
    if (!m_socket || !m_running)
        return;
    bool lineDropped = false;
    const QList<WorkerProtocol::Record> records = m_reader.read(m_socket->readAll(), &lineDropped);
    for (const WorkerProtocol::Record &record : records) {
        handleRecord(record);
        if (!m_running)
            return;
    }
    if (lineDropped)
        qWarning().noquote() << "helper channel line dropped: longer than" << WorkerProtocol::MaxPartialLineBytes
                             << "bytes";
}

void ImageResizeRun::handleRecord(const WorkerProtocol::Record &record)
{
    using WorkerProtocol::RecordKind;
    switch (record.kind) {
    case RecordKind::Progress: {
        const WorkerProtocol::Progress progress = WorkerProtocol::readProgress(record);
        emit progressed(progress, WorkerProtocol::joinFields(record.fields, 3, QStringLiteral("  ")));
        emit statusChanged(translateToolText(QStringLiteral("正在处理 %1/%2：%3"))
                                   .arg(QString::number(progress.current), QString::number(progress.total),
                                        WorkerProtocol::joinFields(record.fields, 3, QStringLiteral("\t"))
                                                .left(MaxShownLineLength)));
        break;
    }
    case RecordKind::Item:
        reportItem(WorkerProtocol::readItem(record));
        break;
    case RecordKind::Done:
        m_done = WorkerProtocol::readHelperDone(record);
        m_doneSeen = true;
        break;
    case RecordKind::Log:
    case RecordKind::Error:
        emit logLineAdded(PsdRun::logLine(record));
        break;
    }
}

void ImageResizeRun::reportItem(const WorkerProtocol::ItemReport &item)
{
    const QString key = IntegratedTools::pathKey(QFileInfo(item.path).absoluteFilePath());
    if (!m_keys.contains(key))
        return;
    m_reported.insert(key);
    RowReport report;
    // The size column always shows the listed file as it is on disk now.
    report.fileSize = formatDataSize(QFileInfo(item.path).size());
    const QString reason = item.details.value(QLatin1String("reason")).toString();
    if (item.status == u"ok") {
        ++m_ok;
        const QString size = item.details.value(QLatin1String("size")).toString();
        const QString output = item.details.value(QLatin1String("output")).toString();
        const QFileInfo written(output.isEmpty() ? item.path : output);
        // A new name (a JPEG given a transparent fill became a PNG) is named on the row.
        const bool renamed = written.fileName() != QFileInfo(item.path).fileName();
        report.status = renamed ? translateToolText(QStringLiteral("已完成 → %1 %2")).arg(written.fileName(), size)
                                : (size.isEmpty() ? localized(u"已完成") : localized(u"已完成") + u' ' + size);
        report.toolTip = translateToolText(QStringLiteral("输出：%1（%2，%3）"))
                                 .arg(QDir::toNativeSeparators(written.absoluteFilePath()), size,
                                      formatDataSize(written.size()));
        // In place under the same name, the listed file now has the new size.
        if (m_outputDir.isEmpty() && !renamed)
            report.newSize = parseSize(size);
    } else if (item.status == u"skipped" && item.details.value(QLatin1String("unchanged")).toBool()) {
        ++m_skipped;
        report.status = translateToolText(QStringLiteral("已符合规则，未改动"));
        report.toolTip = item.details.value(QLatin1String("message")).toString();
    } else if (item.status == u"skipped" && reason == u"cancelled") {
        ++m_cancelled;
        report.status = translateToolText(QStringLiteral("已取消"));
        report.toolTip = translateToolText(QStringLiteral("未开始：停止后未处理，原图保持不变。"));
    } else {
        const bool skipped = item.status == u"skipped";
        skipped ? ++m_skipped : ++m_failed;
        report.status = skipped ? translateToolText(QStringLiteral("已跳过")) : localized(u"失败");
        report.toolTip = reason;
    }
    emit rowReported(item.path, report);
}

bool ImageResizeRun::writtenDuringRun(const QString &path) const
{
    PadSettings settings;
    settings.outDir = m_outputDir;
    settings.replaceOriginal = m_outputDir.isEmpty();
    settings.rule = m_choices.sizing;
    settings.fill = m_choices.fill;
    settings.anchor = m_choices.anchor;
    settings.png = m_choices.png;
    const QFileInfo destination(ImageProcessor::outputFor(path, settings).destination);
    if (!destination.isFile() || destination.lastModified() < m_started)
        return false;
    const QSize size = QImageReader(destination.absoluteFilePath()).size();
    return size.isValid() && PaddingChoices::targetSize(size, m_choices.sizing) == size;
}

void ImageResizeRun::checkProcess()
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

void ImageResizeRun::finish()
{
    if (!m_running)
        return;
    m_running = false;
    if (m_server->isListening()) {
        m_server->close();
        QLocalServer::removeServer(m_address);
    }

    // Files the helper never reported on: without DONE the helper may have
    // written some before it ended, so their destinations tell.
    const QString notStarted = localized(u"未开始");
    const QString unconfirmed = translateToolText(QStringLiteral("已完成（未确认）"));
    const QSet<QString> leftOut(m_leftOut.cbegin(), m_leftOut.cend());
    int unprocessed = 0;
    int written = 0;
    for (const QString &path : std::as_const(m_paths)) {
        if (leftOut.contains(path) || m_reported.contains(IntegratedTools::pathKey(path)))
            continue;
        if (!m_doneSeen && writtenDuringRun(path)) {
            RowReport report;
            report.status = unconfirmed;
            report.fileSize = formatDataSize(QFileInfo(path).size());
            report.toolTip = translateToolText(QStringLiteral("助手结束前没有报告这张图片；它的输出文件在本次处理中写入，尺寸符合规则。"));
            emit rowReported(path, report);
            ++written;
        } else {
            emit rowStatusChanged(path, notStarted);
            ++unprocessed;
        }
    }

    if (m_doneSeen) {
        const WorkerProtocol::DoneCounts &counts = m_done.counts;
        if (m_done.cancelled > 0) {
            emit statusChanged(translateToolText(QStringLiteral("处理已停止：成功 %1，失败 %2，跳过 %3，未开始 %4"))
                                       .arg(QString::number(counts.exported), QString::number(counts.failed),
                                            QString::number(counts.skipped), QString::number(m_done.cancelled)));
            emit logLineAdded(translateToolText(QStringLiteral("[%1] 处理已停止：成功 %2，失败 %3，跳过 %4，未开始 %5。"))
                                      .arg(timeOfDay(), QString::number(counts.exported), QString::number(counts.failed),
                                           QString::number(counts.skipped), QString::number(m_done.cancelled)));
        } else {
            emit statusChanged(translateToolText(QStringLiteral("处理完成：成功 %1，失败 %2，跳过 %3"))
                                       .arg(QString::number(counts.exported), QString::number(counts.failed),
                                            QString::number(counts.skipped)));
            emit logLineAdded(translateToolText(QStringLiteral("[%1] 处理完成：成功 %2，失败 %3，跳过 %4。"))
                                      .arg(timeOfDay(), QString::number(counts.exported), QString::number(counts.failed),
                                           QString::number(counts.skipped)));
        }
    } else {
        emit statusChanged(translateToolText(QStringLiteral("处理未完成")));
        emit logLineAdded(translateCount(QStringLiteral("[%1] 助手在处理完成前已结束（窗口被关闭或程序异常退出）："
                                                        "成功 %2，失败 %3，%4 个文件未处理。"),
                                         {{4, unprocessed}})
                                  .arg(timeOfDay(), QString::number(m_ok), QString::number(m_failed),
                                       QString::number(unprocessed)));
        if (m_ok + written > 0)
            emit logLineAdded(translateCount(QStringLiteral("[%1] 已知写入 %2 个图片，其中 %3 个助手未及报告，按输出文件确认。"),
                                             {{2, m_ok + written}})
                                      .arg(timeOfDay(), QString::number(m_ok + written), QString::number(written)));
        qWarning().noquote() << "image resize helper ended before DONE" << "ok=" << m_ok << "failed=" << m_failed
                             << "written unconfirmed=" << written << "unprocessed=" << unprocessed;
    }

    QString folder = m_done.outputDir.isEmpty() ? m_outputDir : m_done.outputDir;
    if (folder.isEmpty() && !m_paths.isEmpty())
        folder = QFileInfo(m_paths.first()).absolutePath();
    const QString report = m_done.report;
    emit ended(m_doneSeen, m_ok + written > 0 || m_doneSeen ? folder : QString(),
               !report.isEmpty() && QFileInfo::exists(report) ? report : QString(),
               m_outputDir.isEmpty() && m_done.outputDir.isEmpty());
}
