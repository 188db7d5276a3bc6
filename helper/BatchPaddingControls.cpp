#include "BatchPaddingControls.h"

#include "AnchorPicker.h"
#include "ColourSwatch.h"
#include "HelperText.h"

#include <QComboBox>
#include <QSpinBox>

#include <algorithm>
#include <iterator>
#include <utility>

BatchPaddingControls::BatchPaddingControls(QObject *parent)
    : QObject(parent)
{
    const auto translate = [](const QString &source) { return HelperText::translate(source); };
    m_sizeRuleBox = new QComboBox;
    m_sizeRuleBox->setObjectName(QStringLiteral("sizeRuleBox"));
    // Shown in the run's language; the item's data is the sizing's key.
    for (const SizeRule rule : PaddingChoices::PaddingRules)
        m_sizeRuleBox->addItem(translate(PaddingChoices::sourceText(rule)), PaddingChoices::key(rule));
    m_sizeRuleBox->insertSeparator(m_sizeRuleBox->count());
    m_otherMultipleIndex = m_sizeRuleBox->count();
    m_multipleBox = new QSpinBox;
    m_multipleBox->setObjectName(QStringLiteral("multipleBox"));
    m_multipleBox->setRange(Sizing::MinMultiple, Sizing::MaxMultiple);
    m_multipleBox->setValue(8);
    m_multipleBox->setAccessibleName(translate(QStringLiteral("倍数")));
    m_multipleBox->hide();
    m_sizeRuleBox->addItem(translate(PaddingChoices::otherMultipleSourceText()),
                           PaddingChoices::key(Sizing::ofMultiple(m_multipleBox->value())));
    for (const bool powerOfTwo : {true, false})
        m_sizeRuleBox->addItem(translate(PaddingChoices::squareSourceText(powerOfTwo)),
                               PaddingChoices::key(Sizing::ofSquare(powerOfTwo)));
    // Widths made for the Chinese items; an item in another language may ask for more.
    m_sizeRuleBox->setFixedWidth(qMax(145, m_sizeRuleBox->sizeHint().width()));
    connect(m_sizeRuleBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_multipleBox->setVisible(index == m_otherMultipleIndex);
        emit sizingChanged();
    });
    connect(m_multipleBox, &QSpinBox::valueChanged, this, [this](int n) {
        m_sizeRuleBox->setItemData(m_otherMultipleIndex, PaddingChoices::key(Sizing::ofMultiple(n)));
        emit sizingChanged();
    });

    m_fillBox = new QComboBox;
    m_fillBox->setObjectName(QStringLiteral("fillBox"));
    for (const Fill fill : PaddingChoices::Fills)
        m_fillBox->addItem(translate(PaddingChoices::sourceText(fill)), PaddingChoices::key(fill));
    m_fillBox->insertSeparator(m_fillBox->count());
    m_customColourIndex = m_fillBox->count();
    m_colourSwatch = new ColourSwatch(translate(QStringLiteral("补边颜色")));
    m_colourSwatch->hide();
    m_fillBox->addItem(translate(PaddingChoices::sourceText(FillSpec::Kind::Colour)),
                       PaddingChoices::key(FillSpec::ofColour(m_colourSwatch->colour())));
    for (const FillSpec::Kind kind : {FillSpec::Kind::Edge, FillSpec::Kind::Mirror})
        m_fillBox->addItem(translate(PaddingChoices::sourceText(kind)), PaddingChoices::key(FillSpec(kind)));
    m_fillBox->setFixedWidth(qMax(110, m_fillBox->sizeHint().width()));
    connect(m_fillBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_previousFillIndex = std::exchange(m_fillIndex, index);
        m_colourSwatch->setVisible(index == m_customColourIndex);
    });
    // Picking the custom colour asks for one; cancelling the first time takes
    // the previous fill back, later keeps the colour chosen before.
    connect(m_fillBox, &QComboBox::activated, this, [this](int index) {
        if (index == m_customColourIndex && !m_colourSwatch->choose() && !m_colourChosen)
            m_fillBox->setCurrentIndex(m_previousFillIndex);
    });
    connect(m_colourSwatch, &ColourSwatch::colourChosen, this, [this](const QColor &colour) {
        m_colourChosen = true;
        m_fillBox->setItemData(m_customColourIndex, PaddingChoices::key(FillSpec::ofColour(colour)));
    });

    QStringList names;
    for (const Anchor anchor : PaddingChoices::Anchors)
        names << translate(PaddingChoices::sourceText(anchor));
    m_anchorPicker = new AnchorPicker(names);
    m_anchorPicker->setObjectName(QStringLiteral("anchorPicker"));
}

void BatchPaddingControls::showSizing(const Sizing &sizing)
{
    int index = m_sizeRuleBox->findData(PaddingChoices::key(sizing));
    if (index == m_otherMultipleIndex || (index < 0 && sizing == Sizing::ofMultiple(sizing.multiple))) {
        m_multipleBox->setValue(sizing.multiple);
        index = m_otherMultipleIndex;
    } else if (index < 0) {
        m_sizeRuleBox->addItem(PaddingChoices::displayText(sizing, HelperText::translate), PaddingChoices::key(sizing));
        index = m_sizeRuleBox->count() - 1;
    }
    m_sizeRuleBox->setCurrentIndex(index);
}

void BatchPaddingControls::showFill(const FillSpec &fill)
{
    int index = m_fillBox->findData(PaddingChoices::key(fill));
    if (fill.kind == FillSpec::Kind::Colour) {
        m_colourSwatch->setColour(QColor::fromRgba64(fill.rgba64()));
        m_fillBox->setItemData(m_customColourIndex, PaddingChoices::key(fill));
        m_colourChosen = true;
        index = m_customColourIndex;
    }
    if (index >= 0)
        m_fillBox->setCurrentIndex(index);
}

Sizing BatchPaddingControls::sizing() const
{
    return PaddingChoices::sizingFromKey(m_sizeRuleBox->currentData().toString()).value_or(SizeRule::Multiple4);
}

FillSpec BatchPaddingControls::fill() const
{
    return PaddingChoices::fillFromKey(m_fillBox->currentData().toString()).value_or(Fill::Transparent);
}

Anchor BatchPaddingControls::anchor() const
{
    return PaddingChoices::Anchors[m_anchorPicker->position()];
}

void BatchPaddingControls::showAnchor(Anchor anchor)
{
    const auto *found = std::find(std::begin(PaddingChoices::Anchors), std::end(PaddingChoices::Anchors), anchor);
    m_anchorPicker->setPosition(int(found - std::begin(PaddingChoices::Anchors)));
}
