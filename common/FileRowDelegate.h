#pragma once

#include <QStyledItemDelegate>

// Rows as high as the font that draws the file names needs, Chinese, Japanese
// and Korean fallback glyphs included: a list with uniform row heights lets its
// first row decide for all, often a Latin name, and later names drawn by a
// taller fallback font would overlap.
class FileRowDelegate : public QStyledItemDelegate
{
public:
    // padding: the room added above and below the text, together.
    explicit FileRowDelegate(int padding, QObject *parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int m_padding;
};
