#pragma once

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTreeWidget>

#include <functional>

// The list of selected files: accepts dropped files and folders, paints a hint
// while it is empty and turns the Delete key into a removal request. What a
// drop or a deletion means is left to the handlers the page installs.
//
// Each row lists one file, its absolute path in column 0's user data; no two
// rows list paths that are equal by IntegratedTools::pathKey.
class ToolDropTree : public QTreeWidget
{
    Q_OBJECT

public:
    using DropHandler = std::function<void(const QStringList &)>;
    using DeleteHandler = std::function<void()>;

    // A flat list taking drops, with several rows selectable.
    explicit ToolDropTree(QWidget *parent = nullptr);
    ~ToolDropTree() override = default;

    // The columns: name, folder, size and state, then the size preview when
    // `headers` names a fifth.
    void setColumns(const QStringList &headers);
    // Columns sized to their contents are measured over every row at each
    // change: during a run, with a change per file, they keep the width they
    // have, the state column made room for `statusText`.
    void holdColumnWidths(const QString &statusText);
    void releaseColumnWidths();

    // The list grows through its stretch; preferring no more than its minimum
    // keeps the rows below it, the start button among them, in a small window.
    QSize sizeHint() const override { return {QTreeWidget::sizeHint().width(), minimumHeight()}; }

    void setDropHandler(DropHandler handler) { m_dropHandler = std::move(handler); }
    void setDeleteHandler(DeleteHandler handler) { m_deleteHandler = std::move(handler); }

    // The paths listed, in the order they were added.
    const QStringList &paths() const { return m_paths; }
    // A new row with these columns for the file at path, which then counts as
    // listed; nullptr when path is listed already. The row goes into the list
    // with addRows.
    QTreeWidgetItem *takePath(const QString &path, const QStringList &columns);
    // Inserts rows at once, painted once: a large folder must not relayout
    // the list per file.
    void addRows(const QList<QTreeWidgetItem *> &rows);
    // Removes the selected rows; returns how many.
    int removeSelectedRows();
    void clearRows();
    // The first row listing path (made absolute); nullptr when none does.
    QTreeWidgetItem *rowForPath(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setDropActive(bool active);

    DropHandler m_dropHandler;
    DeleteHandler m_deleteHandler;
    QStringList m_paths;
    // The keys of m_paths, so that the duplicate check of a large folder stays
    // one hash look-up per file.
    QSet<QString> m_keys;
    // Key to the first row listing it, built when a row is looked for and
    // dropped whenever rows come or go, so that a run's per-file reports stay
    // one look-up each.
    QHash<QString, QTreeWidgetItem *> m_rowIndex;
    bool m_rowIndexValid = false;
};
