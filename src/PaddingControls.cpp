#include "PaddingControls.h"

#include "AnchorPicker.h"
#include "ColourSwatch.h"
#include "Localization.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QSpinBox>

#include <algorithm>
#include <iterator>

namespace {

constexpr int DefaultMultiple = 8;

QString multipleKey(int n)
{
    return PaddingChoices::key(Sizing::ofMultiple(n));
}

QString colourKey(const QColor &colour)
{
    return PaddingChoices::key(FillSpec::ofColour(colour));
}

QWidget *pairWith(QComboBox *combo, QWidget *editor, QWidget *parent)
{
    auto *field = new QWidget(parent);
    auto *layout = new QHBoxLayout(field);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    combo->setParent(field);
    editor->setParent(field);
    layout->addWidget(combo);
    layout->addWidget(editor);
    editor->hide();
    return field;
}

} // namespace

PaddingControls::PaddingControls(const Setup &setup, QWidget *parent)
    : QObject(parent)
{
    m_rule = new QComboBox(parent);
    m_rule->setObjectName(setup.ruleName);
    for (const auto &[rule, text] : setup.firstRules)
        m_rule->addItem(translateToolText(text), PaddingChoices::key(rule));
    m_rule->insertSeparator(m_rule->count());
    m_otherMultipleIndex = m_rule->count();
    m_rule->addItem(translateToolText(PaddingChoices::otherMultipleSourceText()), multipleKey(DefaultMultiple));
    for (const bool powerOfTwo : {true, false})
        m_rule->addItem(translateToolText(PaddingChoices::squareSourceText(powerOfTwo)),
                        PaddingChoices::key(Sizing::ofSquare(powerOfTwo)));
    m_multiple = new QSpinBox(parent);
    m_multiple->setObjectName(setup.ruleName + QStringLiteral("Multiple"));
    m_multiple->setRange(Sizing::MinMultiple, Sizing::MaxMultiple);
    m_multiple->setValue(DefaultMultiple);
    m_multiple->setAccessibleName(translateToolText(QStringLiteral("倍数")));
    m_ruleField = pairWith(m_rule, m_multiple, parent);
    connect(m_rule, &QComboBox::currentIndexChanged, this, [this] {
        showRuleEditor();
        emit ruleChanged();
    });
    connect(m_multiple, &QSpinBox::valueChanged, this, [this](int n) {
        m_rule->setItemData(m_otherMultipleIndex, multipleKey(n));
        if (m_rule->currentIndex() == m_otherMultipleIndex)
            emit ruleChanged();
    });

    m_fill = new QComboBox(parent);
    m_fill->setObjectName(setup.fillName);
    for (const Fill fill : PaddingChoices::Fills)
        m_fill->addItem(translateToolText(PaddingChoices::sourceText(fill)), PaddingChoices::key(fill));
    m_fill->insertSeparator(m_fill->count());
    m_customColourIndex = m_fill->count();
    m_swatch = new ColourSwatch(translateToolText(QStringLiteral("补边颜色")), parent);
    m_fill->addItem(translateToolText(PaddingChoices::sourceText(FillSpec::Kind::Colour)),
                    colourKey(m_swatch->colour()));
    for (const FillSpec::Kind kind : {FillSpec::Kind::Edge, FillSpec::Kind::Mirror})
        m_fill->addItem(translateToolText(PaddingChoices::sourceText(kind)), PaddingChoices::key(FillSpec(kind)));
    m_fillField = pairWith(m_fill, m_swatch, parent);
    connect(m_fill, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_previousFillIndex = std::exchange(m_fillIndex, index);
        m_swatch->setVisible(index == m_customColourIndex);
        emit fillChanged();
    });
    // Picking the custom colour asks for one; cancelling the first time takes
    // the previous fill back, later keeps the colour chosen before.
    connect(m_fill, &QComboBox::activated, this, [this](int index) {
        if (index == m_customColourIndex && !m_swatch->choose() && !m_colourChosen)
            m_fill->setCurrentIndex(m_previousFillIndex);
    });
    connect(m_swatch, &ColourSwatch::colourChosen, this, &PaddingControls::takeColour);

    QStringList names;
    // The grid's positions count as the anchors are listed, row by row.
    for (const Anchor anchor : PaddingChoices::Anchors)
        names << translateToolText(PaddingChoices::sourceText(anchor));
    m_anchor = new AnchorPicker(names, parent);
    m_anchor->setObjectName(setup.anchorName);
    connect(m_anchor, &AnchorPicker::positionChanged, this, &PaddingControls::anchorChanged);
}

QString PaddingControls::ruleKey() const
{
    return m_rule->currentData().toString();
}

Sizing PaddingControls::sizing() const
{
    return PaddingChoices::sizingFromKey(ruleKey()).value_or(Sizing());
}

QString PaddingControls::fillKey() const
{
    return m_fill->currentData().toString();
}

Anchor PaddingControls::anchor() const
{
    return PaddingChoices::Anchors[m_anchor->position()];
}

bool PaddingControls::setRuleKey(const QString &key)
{
    const auto sizing = PaddingChoices::sizingFromKey(key);
    if (!sizing)
        return false;
    const QString canonical = PaddingChoices::key(*sizing);
    for (int item = 0; item < m_rule->count(); ++item) {
        if (item != m_otherMultipleIndex && m_rule->itemData(item).toString() == canonical) {
            m_rule->setCurrentIndex(item);
            return true;
        }
    }
    // Only a plain multiple has the spin box; a minimum size is for the command line.
    if (*sizing != Sizing::ofMultiple(sizing->multiple))
        return false;
    m_multiple->setValue(sizing->multiple);
    m_rule->setCurrentIndex(m_otherMultipleIndex);
    return true;
}

bool PaddingControls::setFillKey(const QString &key)
{
    const auto fill = PaddingChoices::fillFromKey(key);
    if (!fill)
        return false;
    const QString canonical = PaddingChoices::key(*fill);
    for (int item = 0; item < m_fill->count(); ++item) {
        if (item != m_customColourIndex && m_fill->itemData(item).toString() == canonical) {
            m_fill->setCurrentIndex(item);
            return true;
        }
    }
    if (fill->kind != FillSpec::Kind::Colour)
        return false;
    m_swatch->setColour(QColor::fromRgba64(fill->rgba64()));
    m_fill->setItemData(m_customColourIndex, canonical);
    m_colourChosen = true;
    m_fill->setCurrentIndex(m_customColourIndex);
    return true;
}

bool PaddingControls::setAnchorKey(const QString &key)
{
    const auto anchor = PaddingChoices::anchorFromKey(key);
    if (anchor)
        setAnchor(*anchor);
    return anchor.has_value();
}

void PaddingControls::setAnchor(Anchor anchor)
{
    const auto *begin = std::begin(PaddingChoices::Anchors);
    m_anchor->setPosition(int(std::find(begin, std::end(PaddingChoices::Anchors), anchor) - begin));
}

void PaddingControls::showRuleEditor()
{
    m_multiple->setVisible(m_rule->currentIndex() == m_otherMultipleIndex);
}

void PaddingControls::takeColour(const QColor &colour)
{
    m_colourChosen = true;
    m_fill->setItemData(m_customColourIndex, colourKey(colour));
    if (m_fill->currentIndex() == m_customColourIndex)
        emit fillChanged();
}
