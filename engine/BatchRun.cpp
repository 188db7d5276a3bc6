#include "BatchRun.h"

#include "HelperText.h"
#include "LineProtocol.h"
#include "SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>

namespace {

QString fallbackReportFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/Pictavo/Pictavo/reports");
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString absolute(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

} // namespace

BatchRun::BatchRun(QObject *parent) : QObject(parent) {}

BatchRun::~BatchRun()
{
    // Pictures not yet taken up are never started; those in progress finish.
    if (m_stop)
        m_stop->store(true);
    m_pool.waitForDone();
}

void BatchRun::stop()
{
    if (m_running && m_stop)
        m_stop->store(true);
}

bool BatchRun::canTravel(const QString &path)
{
    return !path.contains(QLatin1Char('\t')) && !path.contains(QLatin1Char('\n'))
           && !path.contains(QLatin1Char('\r'));
}

void BatchRun::start(const QStringList &files, const BatchSettings &settings, const QList<SkippedFile> &skippedFiles,
                     int skipped)
{
    m_files.clear();
    m_settings = settings;
    m_pad = PadSettings();
    m_pad.outDir = settings.outDir;
    m_pad.replaceOriginal = settings.outDir.isEmpty();
    m_pad.rule = settings.rule;
    m_pad.fill = settings.fill;
    m_pad.anchor = settings.anchor;
    m_pad.png = settings.png;
    m_pad.keepOriginals = m_pad.replaceOriginal && settings.keepOriginals;
    m_skipped = skipped;
    m_succeeded = m_failed = m_cancelled = m_reported = m_unchanged = 0;
    m_failureLines.clear();
    m_stop = std::make_shared<std::atomic<bool>>(false);
    m_finishTimes.clear();
    m_reportError.clear();
    m_reportLines.clear();
    m_reportMoved = false;
    m_running = true;
    m_watch.start();

    for (const SkippedFile &file : skippedFiles)
        emit recordReady(LineProtocol::item(QStringLiteral("skipped"), file.path, {{QStringLiteral("reason"), file.reason}}));
    // A path that cannot travel in one record is left out, never split across records.
    for (const QString &file : files) {
        if (!settings.recordsRead || canTravel(file)) {
            m_files.append(file);
            continue;
        }
        const QString reason = HelperText::translate(QStringLiteral("路径含有制表符或换行符，无法报告，未处理：%1"))
                                     .arg(native(file));
        ++m_skipped;
        emit logText(reason);
        emit recordReady(LineProtocol::item(QStringLiteral("skipped"), LineProtocol::escaped(file),
                                            {{QStringLiteral("reason"), reason}}));
    }

    const qsizetype count = m_files.size();
    if (m_pad.replaceOriginal) {
        notable(HelperText::translateCount(QStringLiteral("开始处理 %1 个图片；模式：原位置替换原文件"), {{1, count}})
                        .arg(count));
    } else {
        notable(HelperText::translateCount(QStringLiteral("开始处理 %1 个图片；输出目录：%2"), {{1, count}})
                        .arg(QString::number(count), m_settings.outDir));
    }
    if (m_files.isEmpty()) {
        finish();
        return;
    }
    // In place the report goes to the user's data folder, never among the pictures.
    const QString reportFolder = m_pad.replaceOriginal ? fallbackReportFolder() : QDir(m_settings.outDir).absolutePath();
    m_reportName = BatchRun::reportFileName(QDateTime::currentDateTime());
    m_reportPath = QDir(reportFolder).filePath(m_reportName);

    const int jobs = m_settings.jobs > 0 ? m_settings.jobs : QThread::idealThreadCount();
    m_pool.setMaxThreadCount(qMax(1, jobs));
    m_budget.emplace(m_settings.memoryBudget > 0 ? m_settings.memoryBudget : MemoryBudget::defaultCapacity());
    m_context = RunContext();
    m_context.budget = &*m_budget;
    m_journal.reset();
    if (m_pad.keepOriginals) {
        m_journal = std::make_unique<RunJournal>();
        m_context.journal = m_journal.get();
    }
    plan();
}

void BatchRun::plan()
{
    // Destinations of the whole list are settled before any picture starts, so
    // two pictures in progress at once never write the same file.
    QHash<QString, int> sources;
    for (int i = 0; i < m_files.size(); ++i) {
        const QString key = RunContext::key(m_files.at(i));
        if (!sources.contains(key))
            sources.insert(key, i);
        if (m_pad.replaceOriginal)
            m_context.listed.insert(key);
    }
    QHash<QString, int> owners;
    QList<QString> failures(m_files.size());
    m_outputs.clear();
    m_outputs.reserve(m_files.size());
    QList<QString> subfolders(m_files.size());
    for (int i = 0; i < m_files.size(); ++i) {
        const QString &file = m_files.at(i);
        OutputPlan output = ImageProcessor::outputFor(file, m_pad);
        if (!m_pad.replaceOriginal) {
            subfolders[i] = subfolderFor(file);
            if (!subfolders.at(i).isEmpty())
                output.destination = QDir(m_settings.outDir).filePath(subfolders.at(i) + QLatin1Char('/')
                                                                      + QFileInfo(output.destination).fileName());
        }
        // What is not there now is put in place only where still nothing is.
        output.existed = SafeFile::entryExists(output.destination);
        m_outputs.append(output);
        const QString destination = absolute(m_outputs.last().destination);
        const QString key = RunContext::key(destination);
        const int original = sources.value(key, -1);
        if (original >= 0 && original != i && !SafeFile::isSameFile(m_files.at(original), file)) {
            // Another picture's original is never lost: that picture keeps its file.
            failures[i] = HelperText::translate(QStringLiteral("输出文件 %1 是本次列表中的原图 %2；为免覆盖原图，%3 未处理"))
                                  .arg(native(destination), native(m_files.at(original)), native(file));
        } else if (owners.contains(key)) {
            failures[i] = HelperText::translate(
                    QStringLiteral("与本次列表中较早的 %1 输出到同一个文件 %2；为免覆盖它的结果，%3 未处理"))
                                  .arg(native(m_files.at(owners.value(key))), native(destination), native(file));
        } else {
            owners.insert(key, i);
            QString error;
            if (!subfolders.at(i).isEmpty() && !BatchRun::makeFolder(QFileInfo(destination).absolutePath(), &error))
                failures[i] = HelperText::translate(QStringLiteral("无法创建输出目录：%1")).arg(error);
        }
    }
    QList<int> launched;
    for (int i = 0; i < m_files.size(); ++i) {
        if (failures.at(i).isEmpty()) {
            launched.append(i);
        } else {
            ProcessResult result;
            result.source = m_files.at(i);
            result.message = failures.at(i);
            QMetaObject::invokeMethod(this, [this, i, result] { pictureDone(i, result); }, Qt::QueuedConnection);
        }
    }
    for (const int i : costliestFirst(launched))
        launch(i);
}

QString BatchRun::subfolderFor(const QString &file) const
{
    const QString path = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    QString outermost;
    for (const QString &folder : m_settings.baseFolders) {
        const QString base = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        const QString prefix = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
        if (path.startsWith(prefix, SafeFile::pathCaseSensitivity())
            && (outermost.isNull() || base.size() < outermost.size()))
            outermost = base;
    }
    if (outermost.isNull())
        return QString();
    const QString below = QDir(outermost).relativeFilePath(QFileInfo(path).absolutePath());
    return below == QLatin1String(".") ? QString() : below;
}

QList<int> BatchRun::costliestFirst(const QList<int> &indexes) const
{
    // A large picture started last would finish alone with the other cores idle.
    // Its size on a whole canvas, read from the header, stands for its time.
    if (m_pool.maxThreadCount() < 2)
        return indexes;
    QHash<int, qint64> cost;
    for (const int i : indexes)
        cost.insert(i, ImageProcessor::workFor(m_files.at(i), m_pad.rule, m_pad.fill, m_pad.png));
    QList<int> order = indexes;
    std::stable_sort(order.begin(), order.end(), [&cost](int a, int b) { return cost.value(a) > cost.value(b); });
    return order;
}

void BatchRun::launch(int index)
{
    const QString source = m_files.at(index);
    const PadSettings settings = m_pad;
    const OutputPlan output = m_outputs.at(index);
    const RunContext *context = &m_context;
    const std::shared_ptr<std::atomic<bool>> stop = m_stop;
    m_pool.start([this, index, source, settings, output, context, stop] {
        // A stop lets the pictures in progress finish; one not yet begun never starts.
        if (stop->load()) {
            QMetaObject::invokeMethod(this, [this, index] { cancelled(index); }, Qt::QueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(this, [this, source] { emit pictureStarted(source); }, Qt::QueuedConnection);
        QElapsedTimer busy;
        busy.start();
        const ProcessResult result = ImageProcessor::process(source, settings, output, context);
        const qint64 nanoseconds = busy.nsecsElapsed();
        QMetaObject::invokeMethod(
                this, [this, index, result, nanoseconds] { pictureDone(index, result, nanoseconds); },
                Qt::QueuedConnection);
    });
}

void BatchRun::pictureDone(int index, const ProcessResult &result, qint64 nanoseconds)
{
    emit pictureTimed(index, nanoseconds);
    m_finishTimes.append(m_watch.elapsed());
    const int total = int(m_files.size());
    emit progress(int(m_finishTimes.size()), total, BatchRun::recentRemainingMilliseconds(m_finishTimes, total));
    // Reported at once, in the order pictures finish: a reader follows the
    // run live; the failure report alone waits to be written in list order.
    const QString line = BatchRun::resultLine(result);
    emit logText(line);
    const QString source = absolute(result.source);
    if (result.unchanged) {
        ++m_skipped;
        ++m_unchanged;
        const QString reason = HelperText::translate(QStringLiteral("已符合规则，未改动"));
        emit recordReady(LineProtocol::item(QStringLiteral("skipped"), source,
                                            {{QStringLiteral("reason"), reason},
                                             {QStringLiteral("unchanged"), true},
                                             {QStringLiteral("size"), result.newSize},
                                             {QStringLiteral("oldSize"), result.oldSize},
                                             {QStringLiteral("output"), absolute(result.destination)},
                                             {QStringLiteral("message"), result.message}}));
    } else if (result.success) {
        ++m_succeeded;
        emit recordReady(LineProtocol::item(QStringLiteral("ok"), source,
                                            {{QStringLiteral("size"), result.newSize},
                                             {QStringLiteral("oldSize"), result.oldSize},
                                             {QStringLiteral("output"), absolute(result.destination)},
                                             {QStringLiteral("message"), result.message}}));
    } else {
        ++m_failed;
        m_failureLines.insert(index, line);
        emit recordReady(
                LineProtocol::item(QStringLiteral("failed"), source, {{QStringLiteral("reason"), result.message}}));
    }
    emit pictureFinished(result);
    countReported(QFileInfo(result.source).fileName());
}

void BatchRun::cancelled(int index)
{
    ++m_cancelled;
    const QString source = m_files.at(index);
    emit recordReady(LineProtocol::item(QStringLiteral("skipped"), absolute(source),
                                        {{QStringLiteral("reason"), QStringLiteral("cancelled")}}));
    emit pictureCancelled(source);
    countReported(QFileInfo(source).fileName());
}

void BatchRun::countReported(const QString &name)
{
    const int total = int(m_files.size());
    ++m_reported;
    emit recordReady(LineProtocol::progress(m_reported, total, name));
    if (m_reported == total && m_running)
        finish();
}

void BatchRun::writeReportLine(const QString &line)
{
    if (!m_reportError.isEmpty())
        return;
    const QString text = BatchRun::reportLine(QDateTime::currentDateTime(), line);
    m_reportLines.append(text);
    QString error;
    // The data folder is made only when a run has something to report; a failure shows in the append.
    if (m_reportLines.size() == 1 && !m_reportMoved)
        BatchRun::makeFolder(QFileInfo(m_reportPath).absolutePath(), &error);
    if (BatchRun::appendToReport(m_reportPath, text, &error))
        return;
    if (!m_reportMoved) {
        // The reasons must outlive the run: the whole report moves to the user's data folder.
        m_reportMoved = true;
        const QString folder = fallbackReportFolder();
        const QString fallback = QDir(folder).filePath(m_reportName);
        QString fallbackError;
        bool written = BatchRun::makeFolder(folder, &fallbackError);
        for (qsizetype i = 0; written && i < m_reportLines.size(); ++i)
            written = BatchRun::appendToReport(fallback, m_reportLines.at(i), &fallbackError);
        if (written) {
            notable(HelperText::translate(QStringLiteral("无法写入错误报告：%1；%2。错误报告改为写入：%3"))
                            .arg(native(m_reportPath), error, native(fallback)));
            m_reportPath = fallback;
            return;
        }
    }
    m_reportError = error;
    notable(HelperText::translate(QStringLiteral("无法写入错误报告：%1；%2")).arg(native(m_reportPath), error));
}

void BatchRun::finish()
{
    m_running = false;
    for (const QString &line : std::as_const(m_failureLines))
        writeReportLine(line);
    const QString report = native(m_reportPath);
    if (m_cancelled > 0)
        notable(HelperText::translateCount(QStringLiteral("已停止：%1 个图片未开始处理。"), {{1, m_cancelled}})
                        .arg(m_cancelled));
    if (m_failed == 0 && m_skipped == 0 && m_cancelled == 0)
        notable(HelperText::translate(QStringLiteral("处理完成；全部成功，未生成处理报告。")));
    else if (m_failed == 0 && m_cancelled > 0)
        notable(HelperText::translate(QStringLiteral("处理已停止；已处理的图片没有失败，未生成处理报告。")));
    else if (m_failed == 0)
        notable(HelperText::translateCount(
                        QStringLiteral("处理完成；没有失败，但有 %1 个文件被跳过（见上方日志），未生成处理报告。"),
                        {{1, m_skipped}})
                        .arg(m_skipped));
    else if (m_reportError.isEmpty())
        notable(HelperText::translate(QStringLiteral("处理完成；发现错误，错误报告：%1")).arg(report));
    else
        notable(HelperText::translate(QStringLiteral("处理完成；发现错误，错误报告未能写入：%1")).arg(report));
    const bool reportWritten = m_failed > 0 && m_reportError.isEmpty();
    emit recordReady(LineProtocol::done({{QStringLiteral("exported"), m_succeeded},
                                         {QStringLiteral("failed"), m_failed},
                                         {QStringLiteral("skipped"), m_skipped},
                                         {QStringLiteral("cancelled"), m_cancelled},
                                         {QStringLiteral("report"), reportWritten ? absolute(m_reportPath) : QString()},
                                         {QStringLiteral("outputDir"), absolute(m_settings.outDir)}}));
    emit finished();
}

void BatchRun::notable(const QString &text)
{
    emit logText(text);
    emit recordReady(LineProtocol::log(text));
}

qint64 BatchRun::recentRemainingMilliseconds(const QList<qint64> &finishTimes, int total)
{
    constexpr qsizetype Recent = 8;
    const qsizetype done = finishTimes.size();
    if (done == 0)
        return -1;
    const qsizetype counted = qMin(done, Recent);
    const qint64 from = done > counted ? finishTimes.at(done - counted - 1) : 0;
    const qint64 span = qMax<qint64>(0, finishTimes.last() - from);
    return span * qMax<qint64>(0, total - done) / counted;
}

QString BatchRun::resultLine(const ProcessResult &result)
{
    // One multi-argument substitution, so a "%1" inside a file name or message stays as it is.
    const QString outcome = result.unchanged ? QStringLiteral("跳过")
                            : result.success ? QStringLiteral("成功")
                                             : QStringLiteral("失败");
    return QStringLiteral("[%1] %2  %3 -> %4  %5")
        .arg(HelperText::translate(outcome),
             QFileInfo(result.source).fileName(),
             result.oldSize, result.newSize, result.message);
}

QString BatchRun::reportFileName(const QDateTime &start)
{
    return HelperText::translate(QStringLiteral("错误报告_")) + start.toString(QStringLiteral("yyyyMMdd_HHmmss"))
           + QLatin1String(".txt");
}

QString BatchRun::reportLine(const QDateTime &time, const QString &line)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') + LineProtocol::escaped(line)
           + QLatin1String("\r\n");
}

bool BatchRun::appendToReport(const QString &path, const QString &text, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = file.errorString();
        return false;
    }
    QByteArray bytes;
    if (file.size() == 0)
        bytes = QByteArrayLiteral("\xEF\xBB\xBF");
    bytes += text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool BatchRun::makeFolder(const QString &path, QString *error)
{
    if (QFileInfo(path).isDir() || QDir().mkpath(path))
        return true;
    // mkpath gives no reason; name the nearest existing ancestor and what is wrong with it.
    QFileInfo probe(QDir::cleanPath(QDir(path).absolutePath()));
    while (!probe.exists() && !probe.isRoot())
        probe = QFileInfo(probe.absolutePath());
    const QString where = QDir::toNativeSeparators(probe.absoluteFilePath());
    if (!probe.isDir())
        *error = HelperText::translate(QStringLiteral("“%1”不是文件夹")).arg(where);
    else if (!probe.isWritable())
        *error = HelperText::translate(QStringLiteral("没有在“%1”中创建文件夹的权限")).arg(where);
    else
        *error = HelperText::translate(QStringLiteral("无法在“%1”中创建文件夹")).arg(where);
    return false;
}
