#include "ToolDropTree.h"

#include "Localization.h"
#include "Theme.h"

#include <QDir>
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
