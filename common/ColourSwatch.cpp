#include "ColourSwatch.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>

ColourSwatch::ColourSwatch(const QString &dialogTitle, QWidget *parent)
    : QToolButton(parent)
    , m_dialogTitle(dialogTitle)
{
    setObjectName(QStringLiteral("colourSwatch"));
    setFixedSize(34, 26);
    setCursor(Qt::PointingHandCursor);
    setColour(m_colour);
    connect(this, &QToolButton::clicked, this, &ColourSwatch::choose);
}

void ColourSwatch::setColour(const QColor &colour)
{
    if (!colour.isValid())
        return;
    m_colour = colour;
    // The name a screen reader and the tooltip give: the colour as the key writes it.
    const QString name = colour.alpha() == 255 ? colour.name(QColor::HexRgb) : colour.name(QColor::HexArgb);
    setToolTip(name);
    setAccessibleName(m_dialogTitle + u' ' + name);
    update();
}

bool ColourSwatch::choose()
{
    // Qt's own dialog everywhere: the Windows one cannot pick alpha.
    const QColor picked = QColorDialog::getColor(m_colour, this, m_dialogTitle,
                                                 QColorDialog::ShowAlphaChannel | QColorDialog::DontUseNativeDialog);
    if (!picked.isValid())
        return false;
    setColour(picked);
    emit colourChosen(picked);
    return true;
}

void ColourSwatch::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    // The frame and hover of the style, the colour inside it.
    option.text.clear();
    option.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    const QRect well = rect().adjusted(5, 5, -5, -5);
    if (m_colour.alpha() < 255) {
        const int square = 4;
        for (int y = well.top(); y <= well.bottom(); y += square) {
            for (int x = well.left(); x <= well.right(); x += square) {
                const bool dark = ((x - well.left()) / square + (y - well.top()) / square) % 2;
                painter.fillRect(QRect(x, y, square, square).intersected(well), dark ? QColor(0xc8, 0xc8, 0xc8) : Qt::white);
            }
        }
    }
    painter.fillRect(well, m_colour);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(well.adjusted(0, 0, -1, -1));
}
