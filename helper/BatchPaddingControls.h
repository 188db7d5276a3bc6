#pragma once

#include "PaddingChoices.h"

#include <QObject>

class AnchorPicker;
class ColourSwatch;
class QComboBox;
class QSpinBox;

// The batch window's padding choices: the rule box (an "other multiple" item
// shows the spin box for N), the fill box (a "custom colour" item shows the
// swatch) and the anchor grid, in the run's language. Each item's data is the
// key of what it stands for; the window lays the widgets out.
class BatchPaddingControls : public QObject
{
    Q_OBJECT

public:
    explicit BatchPaddingControls(QObject *parent);

    QComboBox *ruleBox() const { return m_sizeRuleBox; }
    QSpinBox *multipleBox() const { return m_multipleBox; }
    QComboBox *fillBox() const { return m_fillBox; }
    ColourSwatch *swatch() const { return m_colourSwatch; }
    AnchorPicker *anchorPicker() const { return m_anchorPicker; }

    Sizing sizing() const;
    FillSpec fill() const;
    Anchor anchor() const;

    // The items that stand for a sizing and a fill; a sizing not listed (a
    // minimum size from the command line) is added at the end.
    void showSizing(const Sizing &sizing);
    void showFill(const FillSpec &fill);
    void showAnchor(Anchor anchor);

signals:
    // Any change of the rule, N included.
    void sizingChanged();

private:
    QComboBox *m_sizeRuleBox = nullptr;   // item data: the sizing keys
    QSpinBox *m_multipleBox = nullptr;    // N of the "other multiple" item, shown while it is chosen
    int m_otherMultipleIndex = -1;
    QComboBox *m_fillBox = nullptr;       // item data: the fill keys
    ColourSwatch *m_colourSwatch = nullptr;  // the colour of the custom item, shown while it is chosen
    int m_customColourIndex = -1;
    int m_fillIndex = 0;
    int m_previousFillIndex = 0;          // taken back when the first colour dialog is cancelled
    bool m_colourChosen = false;
    AnchorPicker *m_anchorPicker = nullptr;
};
