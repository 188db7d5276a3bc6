#include "RunJournal.h"

#include "HelperText.h"
#include "SafeFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QStandardPaths>

namespace {

const QString JournalPrefix = QStringLiteral("run-");
const QString JournalSuffix = QStringLiteral(".jsonl");
const QString UndoneSuffix = QStringLiteral(".undone");

QJsonObject stampObject(const Trash::Stamp &stamp)
{
    return {{QStringLiteral("size"), stamp.size},
            {QStringLiteral("modifiedNs"), QString::number(stamp.modifiedNs)},
            {QStringLiteral("node"), QString::number(stamp.node)}};
}

Trash::Stamp stampFrom(const QJsonObject &object)
{
    Trash::Stamp stamp;
    stamp.size = qint64(object.value(QStringLiteral("size")).toDouble(-1));
    stamp.modifiedNs = object.value(QStringLiteral("modifiedNs")).toString().toLongLong();
    stamp.node = object.value(QStringLiteral("node")).toString().toULongLong();
    return stamp;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// One file the run put in place: a result over a kept original, or a new file.
struct Step
{
    QString result;
    Trash::Stamp stamp;
    bool kept = false;
    Trash::Entry entry;
};

} // namespace

QString RunJournal::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Pictavo/Pictavo/runs");
}

RunJournal::RunJournal(const QString &folder) : m_folder(folder)
{
    // Names sort by start time; the process id keeps runs started in the same millisecond apart.
    m_name = JournalPrefix + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) + QLatin1Char('-')
             + QString::number(QCoreApplication::applicationPid()) + JournalSuffix;
}

QString RunJournal::path() const
{
    QMutexLocker lock(&m_mutex);
    return m_path;
}

bool RunJournal::append(const QByteArray &record, QString *error)
{
    QMutexLocker lock(&m_mutex);
    if (m_path.isEmpty()) {
        if (!QDir().mkpath(m_folder)) {
            *error = HelperText::translate(QStringLiteral("无法创建运行记录文件夹 %1")).arg(shown(m_folder));
            return false;
        }
        m_path = QDir(m_folder).filePath(m_name);
    }
    QString why;
    if (!Trash::appendRecord(m_path, record + '\n', &why)) {
        *error = HelperText::translate(QStringLiteral("无法写入运行记录 %1：%2")).arg(shown(m_path), why);
        return false;
    }
    return true;
}

bool RunJournal::recordKept(const Trash::Entry &entry, const Trash::Stamp &stamp, QString *error)
{
    QJsonObject record = stampObject(stamp);
    record.insert(QStringLiteral("kept"), entry.original);
    record.insert(QStringLiteral("trashFile"), entry.file);
    record.insert(QStringLiteral("trashInfo"), entry.info);
    return append(QJsonDocument(record).toJson(QJsonDocument::Compact), error);
}

bool RunJournal::recordWritten(const QString &result, const Trash::Stamp &stamp, QString *error)
{
    QJsonObject record = stampObject(stamp);
    record.insert(QStringLiteral("written"), result);
    return append(QJsonDocument(record).toJson(QJsonDocument::Compact), error);
}

void RunJournal::recordDropped(const QString &result)
{
    QString ignored;
    append(QJsonDocument(QJsonObject{{QStringLiteral("dropped"), result}}).toJson(QJsonDocument::Compact), &ignored);
}

QString RunJournal::lastUndoable(const QString &folder)
{
    // The last run counts, undone or not: an older run is never undone in its place.
    const QStringList names = QDir(folder).entryList({JournalPrefix + QLatin1Char('*')}, QDir::Files, QDir::Name);
    if (names.isEmpty() || !names.last().endsWith(JournalSuffix))
        return QString();
    return QDir(folder).filePath(names.last());
}

UndoReport RunJournal::undo(const QString &journalPath)
{
    UndoReport report;
    QFile file(journalPath);
    if (journalPath.isEmpty() || !file.open(QIODevice::ReadOnly))
        return report;
    report.found = true;

    // A line a kill cut short does not parse and is passed over; what it
    // announced never happened.
    QList<Step> steps;
    while (!file.atEnd()) {
        const QJsonObject record = QJsonDocument::fromJson(file.readLine()).object();
        if (record.contains(QStringLiteral("dropped"))) {
            const QString result = record.value(QStringLiteral("dropped")).toString();
            for (qsizetype i = steps.size() - 1; i >= 0; --i) {
                if (steps.at(i).result == result) {
                    steps.removeAt(i);
                    break;
                }
            }
            continue;
        }
        Step step;
        step.stamp = stampFrom(record);
        if (record.contains(QStringLiteral("kept"))) {
            step.kept = true;
            step.result = record.value(QStringLiteral("kept")).toString();
            step.entry.original = step.result;
            step.entry.file = record.value(QStringLiteral("trashFile")).toString();
            step.entry.info = record.value(QStringLiteral("trashInfo")).toString();
        } else if (record.contains(QStringLiteral("written"))) {
            step.result = record.value(QStringLiteral("written")).toString();
        } else {
            continue;
        }
        steps.append(step);
    }
    file.close();

    // Last written first: a file a run wrote twice goes back step by step.
    for (auto it = steps.crbegin(); it != steps.crend(); ++it) {
        const Step &step = *it;
        Trash::Stamp now;
        const bool present = Trash::stampOf(step.result, &now);
        Trash::Stamp inTrash;
        const bool stillOriginal = step.kept && Trash::stampOf(step.entry.file, &inTrash) && present
                                   && now.node == inTrash.node && now.node != 0;
        if (present && now != step.stamp && !stillOriginal) {
            report.skipped << (step.kept ? HelperText::translate(QStringLiteral("%1 在处理后被改动过，未恢复；原图仍在回收站中"))
                                         : HelperText::translate(QStringLiteral("%1 在处理后被改动过，未删除")))
                                      .arg(shown(step.result));
            continue;
        }
        QString error;
        if (step.kept) {
            if (!Trash::isPresent(step.entry)) {
                report.skipped << HelperText::translate(QStringLiteral("原图已不在回收站中，无法恢复：%1")).arg(shown(step.result));
            } else if (Trash::restore(step.entry, &error)) {
                report.restored << step.result;
            } else {
                report.skipped << HelperText::translate(QStringLiteral("无法恢复 %1：%2")).arg(shown(step.result), error);
            }
        } else if (present) {
            if (SafeFile::removeFile(step.result, &error))
                report.removed << step.result;
            else
                report.skipped << HelperText::translate(QStringLiteral("无法删除 %1：%2")).arg(shown(step.result), error);
        }
    }

    // Undone once, whatever was left alone: what stays in the trash is the user's to take back.
    QFile::rename(journalPath, journalPath + UndoneSuffix);
    return report;
}
