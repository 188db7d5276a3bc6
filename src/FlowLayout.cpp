#include "FlowLayout.h"

#include <algorithm>

FlowLayout::FlowLayout(int horizontalSpacing, int verticalSpacing)
    : m_horizontalSpacing(horizontalSpacing), m_verticalSpacing(verticalSpacing)
{
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
}

int FlowLayout::count() const
{
    return int(m_items.size());
}

QLayoutItem *FlowLayout::itemAt(int index) const
{
    return m_items.value(index);
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const int height = arrange(rect);
    if (height != m_height) {
        m_height = height;
        invalidate(); // the parent lays out again with the new height
    }
}

QSize FlowLayout::sizeHint() const
{
    int width = 0;
    for (const QLayoutItem *item : m_items)
        width += item->sizeHint().width() + (width > 0 ? m_horizontalSpacing : 0);
    return {width, lineHeight()};
}

QSize FlowLayout::minimumSize() const
{
    QSize size(0, lineHeight());
    for (const QLayoutItem *item : m_items)
        size = size.expandedTo(item->sizeHint());
    return size;
}

// The lines of the last arrangement, one line before the first.
int FlowLayout::lineHeight() const
{
    if (m_height > 0)
        return m_height;
    int height = 0;
    for (const QLayoutItem *item : m_items)
        height = std::max(height, item->sizeHint().height());
    return height;
}

// Places the items in lines within rect; returns the height they take.
int FlowLayout::arrange(const QRect &rect) const
{
    int x = rect.x();
    int y = rect.y();
    int lineHeight = 0;
    for (QLayoutItem *item : m_items) {
        const QSize hint = item->sizeHint();
        if (x > rect.x() && x + hint.width() > rect.right() + 1) {
            x = rect.x();
            y += lineHeight + m_verticalSpacing;
            lineHeight = 0;
        }
        item->setGeometry(QRect(QPoint(x, y), hint));
        x += hint.width() + m_horizontalSpacing;
        lineHeight = std::max(lineHeight, hint.height());
    }
    return y + lineHeight - rect.y();
}
