#include "ToolDropTree.h"

#include "FileRowDelegate.h"
#include "IntegratedTools.h"
#include "Localization.h"
#include "Theme.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QUrl>

#include <algorithm>

ToolDropTree::ToolDropTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setProperty("dropActive", false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDefaultDropAction(Qt::CopyAction);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAlternatingRowColors(true);
    // No branch column, and equal rows keep tens of thousands cheap.
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemDelegate(new FileRowDelegate(8, this));
}

void ToolDropTree::setColumns(const QStringList &headers)
{
    setHeaderLabels(headers);
    QHeaderView *view = header();
    view->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    view->setSectionResizeMode(1, QHeaderView::Stretch);
    releaseColumnWidths();
    if (headers.size() > 4) {
        // Wide enough for large pictures; sized to its contents, the column
        // would be measured again over every row each time a size arrives.
        view->setSectionResizeMode(4, QHeaderView::Interactive);
        const QFontMetrics metrics(font());
        setColumnWidth(4, std::max(metrics.horizontalAdvance(QStringLiteral("88888×88888 → 88888×88888")),
                                   metrics.horizontalAdvance(headers.at(4)))
                                  + 24);
    }
}

void ToolDropTree::holdColumnWidths(const QString &statusText)
{
    header()->setSectionResizeMode(2, QHeaderView::Interactive);
    header()->setSectionResizeMode(3, QHeaderView::Interactive);
    setColumnWidth(3, std::max(columnWidth(3), QFontMetrics(font()).horizontalAdvance(statusText) + 40));
}

void ToolDropTree::releaseColumnWidths()
{
    header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
}

void ToolDropTree::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && m_deleteHandler) {
        m_deleteHandler();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void ToolDropTree::paintEvent(QPaintEvent *event)
{
    QTreeWidget::paintEvent(event);
    if (topLevelItemCount() > 0)
        return;

    const bool dark = isDarkTheme();
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor::fromRgb(dark ? 0x60a5fa : 0x2463d4), 1.5, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setBrush(QColor::fromRgb(dark ? 0x202731 : 0xf7f9fc));
    // A short list, as in a small window, keeps the hint inside its box.
    const qreal margin = std::clamp((viewport()->height() - 80) / 2, 4, 18);
    const QRectF box(18, margin, viewport()->width() - 36, viewport()->height() - 2 * margin);
    painter.drawRoundedRect(box, 5, 5, Qt::AbsoluteSize);

    QFont font = painter.font();
    font.setPointSize(11);
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(QColor::fromRgb(dark ? 0xd7e0ea : 0x243f65));
    painter.drawText(box.adjusted(34, 0, -34, 0), Qt::AlignCenter,
                     translateToolText(QStringLiteral("将文件或文件夹拖到这里\n也可以使用上方的选择按钮")));
}

void ToolDropTree::dragEnterEvent(QDragEnterEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QTreeWidget::dragEnterEvent(event);
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropActive(true);
}

void ToolDropTree::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasUrls()) {
        QTreeWidget::dragMoveEvent(event);
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ToolDropTree::dragLeaveEvent(QDragLeaveEvent *event)
{
    setDropActive(false);
    QTreeWidget::dragLeaveEvent(event);
}

void ToolDropTree::dropEvent(QDropEvent *event)
{
    QStringList paths;
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths.append(QDir::cleanPath(url.toLocalFile()));
    }
    setDropActive(false);
    if (paths.isEmpty() || !m_dropHandler) {
        event->ignore();
        return;
    }
    m_dropHandler(paths);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

// The style sheet selects on the property, so the tree is polished again to
// pick up the dashed border.
void ToolDropTree::setDropActive(bool active)
{
    setProperty("dropActive", active);
    style()->unpolish(this);
    style()->polish(this);
    viewport()->update();
}

QTreeWidgetItem *ToolDropTree::takePath(const QString &path, const QStringList &columns)
{
    const QString key = IntegratedTools::pathKey(path);
    if (m_keys.contains(key))
        return nullptr;
    m_keys.insert(key);
    m_paths.append(path);
    auto *row = new QTreeWidgetItem(columns);
    row->setData(0, Qt::UserRole, path);
    return row;
}

void ToolDropTree::addRows(const QList<QTreeWidgetItem *> &rows)
{
    if (rows.isEmpty())
        return;
    setUpdatesEnabled(false);
    addTopLevelItems(rows);
    setUpdatesEnabled(true);
    m_rowIndexValid = false;
}

int ToolDropTree::removeSelectedRows()
{
    const QList<QTreeWidgetItem *> items = selectedItems();
    if (items.isEmpty())
        return 0;
    QSet<QString> removed;
    for (const QTreeWidgetItem *item : items)
        removed.insert(item->data(0, Qt::UserRole).toString());
    m_paths.removeIf([&removed](const QString &path) { return removed.contains(path); });
    m_keys.clear();
    for (const QString &path : std::as_const(m_paths))
        m_keys.insert(IntegratedTools::pathKey(path));

    m_rowIndexValid = false;
    setUpdatesEnabled(false);
    qDeleteAll(items);
    setUpdatesEnabled(true);
    return int(items.size());
}

void ToolDropTree::clearRows()
{
    m_paths.clear();
    m_keys.clear();
    m_rowIndexValid = false;
    clear();
}

QTreeWidgetItem *ToolDropTree::rowForPath(const QString &path)
{
    if (!m_rowIndexValid) {
        m_rowIndex.clear();
        for (int index = 0; index < topLevelItemCount(); ++index) {
            QTreeWidgetItem *row = topLevelItem(index);
            const QString key = IntegratedTools::pathKey(row->data(0, Qt::UserRole).toString());
            if (!m_rowIndex.contains(key)) // the first row listing a path is the one
                m_rowIndex.insert(key, row);
        }
        m_rowIndexValid = true;
    }
    return m_rowIndex.value(IntegratedTools::pathKey(QFileInfo(path).absoluteFilePath()), nullptr);
}
