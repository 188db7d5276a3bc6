#pragma once

#include "PaddingChoices.h"

#include <QObject>
#include <QStringList>

class AnchorPicker;
class ColourSwatch;
class QComboBox;
class QSpinBox;
class QWidget;

// The padding choices of a tool page: the sizing rule (an "other multiple"
// item shows a spin box for N beside it), the fill (a "custom colour" item
// shows a colour swatch beside it) and the anchor grid. Every item of both
// combo boxes carries the key of what it stands for as item data, the two
// open items the key of their current value, so a stored key or an argument
// is read straight off the combo box.
class PaddingControls : public QObject
{
    Q_OBJECT

public:
    // firstRules: the rules listed before the separator, with their own
    // texts (sources for the tool dictionary); names: the object names of
    // the rule box, the fill box and the anchor picker.
    struct Setup
    {
        QList<QPair<SizeRule, QString>> firstRules;
        QString ruleName;
        QString fillName;
        QString anchorName;
    };
    PaddingControls(const Setup &setup, QWidget *parent);

    // The combo box with its spin box, the combo box with its swatch, the grid.
    QWidget *ruleField() const { return m_ruleField; }
    QWidget *fillField() const { return m_fillField; }
    AnchorPicker *anchorPicker() const { return m_anchor; }

    QString ruleKey() const;
    Sizing sizing() const;
    QString fillKey() const;
    Anchor anchor() const;

    // Each shows the choice of a key; false, and nothing changed, for a key
    // that is not one.
    bool setRuleKey(const QString &key);
    bool setFillKey(const QString &key);
    bool setAnchorKey(const QString &key);
    void setAnchor(Anchor anchor);

signals:
    // Any change of the rule, N included.
    void ruleChanged();
    // Any change of the fill, the custom colour included.
    void fillChanged();
    void anchorChanged();

private:
    void showRuleEditor();
    void takeColour(const QColor &colour);

    QWidget *m_ruleField;
    QComboBox *m_rule;
    QSpinBox *m_multiple;
    int m_otherMultipleIndex = -1;
    QWidget *m_fillField;
    QComboBox *m_fill;
    ColourSwatch *m_swatch;
    int m_customColourIndex = -1;
    int m_fillIndex = 0;
    int m_previousFillIndex = 0;  // taken back when the first colour dialog is cancelled
    bool m_colourChosen = false;
    AnchorPicker *m_anchor;
};
