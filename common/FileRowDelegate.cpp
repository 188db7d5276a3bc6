#include "FileRowDelegate.h"

#include <QFontMetrics>

#include <algorithm>

FileRowDelegate::FileRowDelegate(int padding, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_padding(padding)
{
}

QSize FileRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QFontMetrics metrics(option.font);
    const int textHeight = std::max(metrics.height(), metrics.boundingRect(QStringLiteral("Ag图あ한")).height());
    size.setHeight(std::max(size.height(), textHeight + m_padding));
    return size;
}
