#include "PathIntake.h"

#include "Localization.h"
#include "NaturalOrder.h"
#include "PageTexts.h"
#include "ToolDropTree.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace {

// Queued paths are added in slices of this many, for at most this long per
// turn of the event loop.
constexpr qsizetype QueuedSlicePaths = 256;
constexpr qint64 QueuedStepMilliseconds = 50;

// The helper writes each picture beside its destination first; such a file
// is never a picture of the user's.
bool isHelperTemporary(const QString &fileName)
{
    return fileName.contains(QLatin1String(".tesselle.tmp"));
}

} // namespace

PathIntake::PathIntake(IntegratedTools::Tool tool, ToolDropTree *list, DepthRule depth, QObject *parent)
    : QObject(parent)
    , m_tool(tool)
    , m_list(list)
    , m_depth(std::move(depth))
{
}

void PathIntake::collectFolder(const QString &folder, bool recursive, QList<QFileInfo> *candidates,
                               Tally *tally) const
{
    // Breadth first and in natural order, as the helper lists a folder: a
    // folder's own files before its subfolders', "b2" before "b10".
    QStringList pending{folder};
    for (qsizetype next = 0; next < pending.size(); ++next) {
        const QString current = pending.at(next);
        // Hidden entries are read too, so that the log can say how many stayed out.
        const int undecodable = IntegratedTools::countUndecodableNames(current);
        tally->undecodable += undecodable;
        tally->rejected += undecodable;
        QDirIterator it(current, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QStringList entries;
        while (it.hasNext())
            entries.append(it.next());
        NaturalOrder::sort(&entries);
        for (const QString &entry : std::as_const(entries)) {
            const QFileInfo info(entry);
            if (isHelperTemporary(info.fileName()))
                continue;
            if (info.isHidden()) {
                ++tally->hidden;
                continue;
            }
            if (info.isDir()) {
                if (recursive && !info.isSymLink())
                    pending.append(info.absoluteFilePath());
            } else if (info.isFile()) {
                candidates->append(info);
            }
        }
    }
}

QTreeWidgetItem *PathIntake::takeCandidate(const QFileInfo &info, const RowContext &context, Tally *tally)
{
    const QString path = info.absoluteFilePath();
    if (!info.isFile() || !context.extensions.contains(info.suffix().toLower())) {
        ++tally->rejected;
        return nullptr;
    }
    QTreeWidgetItem *row = m_list->takePath(path, {info.fileName(), QDir::toNativeSeparators(info.absolutePath()),
                                                   formatDataSize(context.locale, info.size()), context.pending});
    if (row)
        ++tally->added;
    return row;
}

void PathIntake::report(const Tally &tally)
{
    if (tally.added != 0 || tally.rejected != 0) {
        emit logLineAdded(translateCount(QStringLiteral("[%1] 已加入 %2 个文件，忽略 %3 个不适用文件。"),
                                         {{2, tally.added}, {3, tally.rejected}})
                                  .arg(timeOfDay(), QString::number(tally.added), QString::number(tally.rejected)));
    }
    if (tally.hidden != 0) {
        emit logLineAdded(translateCount(QStringLiteral("[%1] 已跳过 %2 个隐藏文件或文件夹。"), {{2, tally.hidden}})
                                  .arg(timeOfDay(), QString::number(tally.hidden)));
    }
    if (tally.undecodable != 0) {
        emit logLineAdded(
                translateCount(QStringLiteral("[%1] %2 个文件的名称不是有效的 UTF-8 编码，无法处理，已忽略。"),
                               {{2, tally.undecodable}})
                        .arg(timeOfDay(), QString::number(tally.undecodable)));
    }
    if (tally.hidden != 0 || tally.undecodable != 0) {
        qInfo().noquote() << "integrated tool path list skipped" << IntegratedTools::toolKey(m_tool)
                          << "hidden=" << tally.hidden << "undecodable=" << tally.undecodable;
    }
    qInfo().noquote() << "integrated tool path list" << IntegratedTools::toolKey(m_tool) << "added=" << tally.added
                      << "rejected=" << tally.rejected << "total=" << m_list->paths().size();
    emit listChanged();
}

void PathIntake::addCounted(const QStringList &paths, bool recursive, Tally *tally)
{
    const RowContext context{IntegratedTools::acceptedExtensions(m_tool), interfaceLocale(), localized(u"等待处理")};
    const bool deep = m_depth(recursive);

    QList<QFileInfo> candidates;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (isHelperTemporary(info.fileName()))
            continue;
        if (info.isFile()) {
            candidates.append(info);
        } else if (info.isDir()) {
            if (!m_givenFolders.contains(info.absoluteFilePath()))
                m_givenFolders.append(info.absoluteFilePath());
            collectFolder(info.absoluteFilePath(), deep, &candidates, tally);
        }
    }

    QList<QTreeWidgetItem *> rows;
    QStringList added;
    for (const QFileInfo &info : std::as_const(candidates)) {
        if (QTreeWidgetItem *row = takeCandidate(info, context, tally)) {
            rows.append(row);
            added.append(info.absoluteFilePath());
        }
    }
    // One insertion, painted once: a large folder must not relayout the list per file.
    if (!rows.isEmpty()) {
        m_list->addRows(rows);
        emit rowsAdded(added);
    }
}

void PathIntake::addPaths(const QStringList &paths, bool recursive)
{
    Tally tally;
    addCounted(paths, recursive, &tally);
    report(tally);
}

void PathIntake::queuePaths(const QStringList &paths, bool recursive)
{
    if (paths.isEmpty())
        return;
    m_queued.recursive = recursive;
    m_queued.paths += paths;
    if (!m_step) {
        m_step = new QTimer(this);
        m_step->setSingleShot(true);
        connect(m_step, &QTimer::timeout, this, &PathIntake::addQueuedStep);
    }
    if (!m_step->isActive())
        m_step->start(0);
}

void PathIntake::addQueuedStep()
{
    // Small slices until the time of one step is used up, then back to the
    // event loop; the log lines come once, at the end.
    QElapsedTimer clock;
    clock.start();
    while (m_queued.next < m_queued.paths.size() && clock.elapsed() < QueuedStepMilliseconds) {
        const qsizetype count = std::min<qsizetype>(QueuedSlicePaths, m_queued.paths.size() - m_queued.next);
        addCounted(m_queued.paths.mid(m_queued.next, count), m_queued.recursive, &m_queued.tally);
        m_queued.next += count;
    }
    if (m_queued.next < m_queued.paths.size()) {
        m_step->start(0);
        return;
    }
    const Tally tally = m_queued.tally;
    m_queued = QueuedPaths(); // the memory goes back, not only the entries
    report(tally);
}

void PathIntake::clear()
{
    m_givenFolders.clear();
    m_queued = QueuedPaths();
}
