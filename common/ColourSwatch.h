#pragma once

#include <QColor>
#include <QToolButton>

// A small button painted in a colour, over a checkerboard where the colour is
// see-through; clicking it asks for another colour, alpha included.
class ColourSwatch : public QToolButton
{
    Q_OBJECT

public:
    // dialogTitle: the colour dialog's title, already translated.
    ColourSwatch(const QString &dialogTitle, QWidget *parent = nullptr);

    QColor colour() const { return m_colour; }
    // Shows colour without asking; an invalid colour is ignored.
    void setColour(const QColor &colour);

    // Opens the colour dialog on the current colour; true and the colour
    // taken when the user accepts, false and nothing changed otherwise.
    bool choose();

signals:
    // The user accepted a colour in the dialog (also the same one).
    void colourChosen(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_dialogTitle;
    QColor m_colour = Qt::white;
};
