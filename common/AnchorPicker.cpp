#include "AnchorPicker.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QToolButton>

AnchorPicker::AnchorPicker(const QStringList &names, QWidget *parent)
    : QWidget(parent)
    , m_group(new QButtonGroup(this))
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    // As small as the cells, however wide the row around it.
    grid->setSizeConstraint(QLayout::SetFixedSize);
    for (int position = 0; position < Positions; ++position) {
        auto *cell = new QToolButton(this);
        // The window sheets draw the cells by this name.
        cell->setObjectName(QStringLiteral("anchorCell"));
        cell->setCheckable(true);
        cell->setFocusPolicy(Qt::StrongFocus);
        cell->setFixedSize(10, 10);
        const QString name = names.value(position);
        cell->setAccessibleName(name);
        cell->setToolTip(name);
        m_group->addButton(cell, position);
        grid->addWidget(cell, position / 3, position % 3);
    }
    m_group->setExclusive(true);
    m_group->button(Centre)->setChecked(true);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int position, bool checked) {
        if (checked)
            emit positionChanged(position);
    });
}

int AnchorPicker::position() const
{
    return m_group->checkedId();
}

void AnchorPicker::setPosition(int position)
{
    if (QAbstractButton *cell = m_group->button(position))
        cell->setChecked(true);
}
