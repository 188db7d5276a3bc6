#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;

// Where the picture sits on its padded canvas, picked on a 3×3 grid of small
// toggle buttons, one always checked. Positions count row by row from the top
// left: 0 top left, 4 the centre, 8 bottom right. The arrow keys move the
// choice, as in a group of radio buttons.
class AnchorPicker : public QWidget
{
    Q_OBJECT

public:
    // names: the nine positions' names, already translated, in position
    // order; each button's accessible name and tooltip.
    explicit AnchorPicker(const QStringList &names, QWidget *parent = nullptr);

    static constexpr int Positions = 9;
    static constexpr int Centre = 4;

    int position() const;
    // Ignores a position outside 0..8.
    void setPosition(int position);

signals:
    // Only for a change: choosing the checked position again says nothing.
    void positionChanged(int position);

private:
    QButtonGroup *m_group;
};
