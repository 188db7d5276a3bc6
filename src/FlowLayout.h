#pragma once

#include <QLayout>
#include <QList>

// Lays its items out left to right and starts a new line where the next one
// would not fit, so a row of options longer in one language than in another
// wraps instead of widening the window. Its height is that of the lines at the
// width it was last given, not a height-for-width: a height-for-width body
// inside a scroll area is held at its preferred height, so the rows that may
// give way in a small window (the run log) never would.
class FlowLayout : public QLayout
{
public:
    FlowLayout(int horizontalSpacing, int verticalSpacing);
    ~FlowLayout() override;

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override;
    void setGeometry(const QRect &rect) override;
    // As wide as everything side by side, as high as the last arrangement.
    QSize sizeHint() const override;
    QSize minimumSize() const override;

private:
    int lineHeight() const;
    int arrange(const QRect &rect) const;

    QList<QLayoutItem *> m_items;
    int m_horizontalSpacing;
    int m_verticalSpacing;
    int m_height = 0;
};
