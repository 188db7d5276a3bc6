#include "LayerExportOptions.h"

#include "AnchorPicker.h"
#include "FlowLayout.h"
#include "Localization.h"
#include "PaddingControls.h"
#include "PageTexts.h"
#include "WorkerProtocol.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

LayerExportOptions::LayerExportOptions(QWidget *page)
    : ToolOptions(IntegratedTools::LayerExport, page)
{
}

void LayerExportOptions::addRowsAboveList(QVBoxLayout *rows, QWidget *body)
{
    auto *optionRow = new QHBoxLayout;
    optionRow->setSpacing(8);
    auto *selectedLabel = new QLabel(localized(u"已选文件列表：支持 PSD / PSB，也可直接拖入文件或文件夹"), body);
    selectedLabel->setObjectName(QStringLiteral("layerSelectedLabel"));
    optionRow->addWidget(selectedLabel);
    optionRow->addStretch(1);
    rows->addLayout(optionRow);
}

void LayerExportOptions::addRowsBelowList(QVBoxLayout *rows, QWidget *body)
{
    m_outputDirectory = addFolderRow(rows, body,
                                     {QStringLiteral("layerOutputDirectory"), u"输出位置：",
                                      u"自动：在 PSD/PSB 旁创建同名文件夹", QStringLiteral("浏览..."),
                                      QStringLiteral("恢复默认"), QStringLiteral("选择输出文件夹"), 8});

    // Wraps where a language needs more room than the window's minimum width.
    auto *trimRow = new FlowLayout(8, 2);
    m_trim = makeCheckBox(QStringLiteral("layerTrimTransparency"), localized(u"裁切透明像素"), true, body);
    m_trim->setToolTip(localized(u"取消后，每个 PNG 保持原 PSD/PSB 的完整画布尺寸和图层坐标"));
    PaddingControls::Setup setup;
    // The row is narrow: the power of two goes without its explanation here.
    for (const SizeRule rule : {SizeRule::None, SizeRule::Multiple4, SizeRule::Even, SizeRule::Power2})
        setup.firstRules.append({rule, PaddingChoices::shortSourceText(rule)});
    setup.ruleName = QStringLiteral("layerSizingMode");
    setup.fillName = QStringLiteral("layerFill");
    setup.anchorName = QStringLiteral("layerAnchor");
    m_padding = new PaddingControls(setup, body);
    m_padding->setRuleKey(PaddingChoices::key(SizeRule::Multiple4));
    // Caption and control in one piece, so a wrapped row never parts them.
    const auto pair = [body](const char16_t *caption, QWidget *control) {
        auto *piece = new QWidget(body);
        auto *layout = new QHBoxLayout(piece);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        layout->addWidget(new QLabel(localized(caption), piece));
        control->setParent(piece);
        layout->addWidget(control);
        return piece;
    };
    // Padding exists only while trimming: its choices follow the trim box.
    const QList<QWidget *> padding{pair(u"补边尺寸：", m_padding->ruleField()),
                                   pair(u"补边颜色：", m_padding->fillField()),
                                   pair(u"内容位置：", m_padding->anchorPicker())};
    connect(m_trim, &QCheckBox::toggled, this, [padding](bool checked) {
        for (QWidget *piece : padding)
            piece->setEnabled(checked);
    });
    m_clipping = makeCheckBox(QStringLiteral("layerApplyClipping"), localized(u"应用剪贴蒙版"), true, body);
    m_clipping->setToolTip(localized(u"剪贴到下方图层的图层只保留其基底图层可见的部分"));
    trimRow->addWidget(m_trim);
    for (QWidget *piece : padding)
        trimRow->addWidget(piece);
    trimRow->addWidget(m_clipping);
    rows->addLayout(trimRow);
}

LayerExportChoices LayerExportOptions::choices() const
{
    LayerExportChoices choices;
    choices.outputDir = m_outputDirectory->text().trimmed();
    choices.trimTransparency = m_trim->isChecked();
    choices.sizing = m_padding->sizing();
    choices.fill = PaddingChoices::fillFromKey(m_padding->fillKey()).value_or(FillSpec());
    choices.anchor = m_padding->anchor();
    choices.applyClipping = m_clipping->isChecked();
    return choices;
}

QJsonObject LayerExportOptions::job(const LayerExportChoices &choices, const QStringList &paths)
{
    return WorkerProtocol::layerExportJob(paths, choices.outputDir, PaddingChoices::key(choices.sizing),
                                          choices.trimTransparency, choices.applyClipping,
                                          PaddingChoices::key(choices.fill), PaddingChoices::key(choices.anchor));
}

void LayerExportOptions::restoreFrom(QSettings &settings)
{
    restoreBox(settings, m_trim, QStringLiteral("trimTransparency"));
    m_padding->setRuleKey(settings.value(settingsKey(QStringLiteral("sizingMode"))).toString());
    m_padding->setFillKey(settings.value(settingsKey(QStringLiteral("fill"))).toString());
    m_padding->setAnchorKey(settings.value(settingsKey(QStringLiteral("anchor"))).toString());
    for (auto changed : {&PaddingControls::ruleChanged, &PaddingControls::fillChanged, &PaddingControls::anchorChanged})
        connect(m_padding, changed, this, &LayerExportOptions::save);
    restoreBox(settings, m_clipping, QStringLiteral("applyClipping"));
    // The sizing caption follows the trim box, which may have been restored unchecked.
    emit m_trim->toggled(m_trim->isChecked());
}

void LayerExportOptions::saveTo(QSettings &settings) const
{
    settings.setValue(settingsKey(QStringLiteral("trimTransparency")), m_trim->isChecked());
    settings.setValue(settingsKey(QStringLiteral("sizingMode")), m_padding->ruleKey());
    settings.setValue(settingsKey(QStringLiteral("fill")), m_padding->fillKey());
    settings.setValue(settingsKey(QStringLiteral("anchor")), PaddingChoices::key(m_padding->anchor()));
    settings.setValue(settingsKey(QStringLiteral("applyClipping")), m_clipping->isChecked());
}
