#pragma once

#include "IntegratedTools.h"

#include <QFileInfo>
#include <QLocale>
#include <QObject>
#include <QStringList>

#include <functional>

class QTimer;
class QTreeWidgetItem;
class ToolDropTree;

// How new paths reach a tool's list: files are taken as they are, folders are
// searched in natural order, files with another suffix count as rejected,
// paths that do not exist are ignored and a path already listed is skipped
// silently. Every call ends with its log lines and listChanged().
class PathIntake : public QObject
{
    Q_OBJECT

public:
    // Whether a folder given with `recursive` is searched below its first
    // level; the image page asks its "Include subfolders" box.
    using DepthRule = std::function<bool(bool recursive)>;

    PathIntake(IntegratedTools::Tool tool, ToolDropTree *list, DepthRule depth, QObject *parent);

    void addPaths(const QStringList &paths, bool recursive);
    // addPaths for a list that may be long (a second start's): the paths are
    // taken in slices between turns of the event loop, so the window stays
    // responsive; the log lines and listChanged() follow the last slice.
    void queuePaths(const QStringList &paths, bool recursive);
    bool hasQueuedPaths() const { return !m_queued.paths.isEmpty(); }

    // The folders added whole since the last clear, for the output tree.
    const QStringList &givenFolders() const { return m_givenFolders; }
    // Forgets the given folders and the paths still waiting, which were meant
    // for the list being cleared.
    void clear();

signals:
    // The absolute paths of rows just inserted.
    void rowsAdded(const QStringList &paths);
    void logLineAdded(const QString &line);
    void listChanged();

private:
    // What one addPaths call did, for its log lines.
    struct Tally
    {
        int added = 0;
        int rejected = 0;
        int hidden = 0;
        int undecodable = 0;
    };
    // What every new row of one call shares.
    struct RowContext
    {
        QStringList extensions;
        QLocale locale;
        QString pending;
    };
    void collectFolder(const QString &folder, bool recursive, QList<QFileInfo> *candidates, Tally *tally) const;
    QTreeWidgetItem *takeCandidate(const QFileInfo &info, const RowContext &context, Tally *tally);
    void addCounted(const QStringList &paths, bool recursive, Tally *tally);
    void report(const Tally &tally);
    void addQueuedStep();

    const IntegratedTools::Tool m_tool;
    ToolDropTree *const m_list;
    const DepthRule m_depth;
    QStringList m_givenFolders;

    // Paths waiting for queuePaths' next step.
    struct QueuedPaths
    {
        QStringList paths;
        qsizetype next = 0;
        bool recursive = true;
        Tally tally;
    };
    QueuedPaths m_queued;
    QTimer *m_step = nullptr;
};
