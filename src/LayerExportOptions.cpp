#include "LayerExportOptions.h"

#include "Localization.h"
#include "PageTexts.h"
#include "WorkerProtocol.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
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

    auto *trimRow = new QHBoxLayout;
    trimRow->setSpacing(8);
    m_trim = makeCheckBox(QStringLiteral("layerTrimTransparency"), localized(u"裁切透明像素"), true, body);
    m_trim->setToolTip(localized(u"取消后，每个 PNG 保持原 PSD/PSB 的完整画布尺寸和图层坐标"));
    auto *sizingCaption = new QLabel(localized(u"补边尺寸："), body);
    m_sizing = new QComboBox(body);
    m_sizing->setObjectName(QStringLiteral("layerSizingMode"));
    for (const SizeRule rule : {SizeRule::None, SizeRule::Multiple4, SizeRule::Even, SizeRule::Power2}) {
        // The row is narrow: the power of two goes without its explanation here.
        const QString text = rule == SizeRule::Power2 ? QStringLiteral("2ⁿ") : PaddingChoices::sourceText(rule);
        m_sizing->addItem(translateToolText(text), PaddingChoices::key(rule));
    }
    m_sizing->setCurrentIndex(m_sizing->findData(PaddingChoices::key(SizeRule::Multiple4)));
    connect(m_trim, &QCheckBox::toggled, this, [sizingCaption, this](bool checked) {
        sizingCaption->setEnabled(checked);
        m_sizing->setEnabled(checked);
    });
    trimRow->addWidget(m_trim);
    trimRow->addSpacing(12);
    trimRow->addWidget(sizingCaption);
    trimRow->addWidget(m_sizing);
    trimRow->addStretch(1);
    rows->addLayout(trimRow);
}

LayerExportChoices LayerExportOptions::choices() const
{
    LayerExportChoices choices;
    choices.outputDir = m_outputDirectory->text().trimmed();
    choices.trimTransparency = m_trim->isChecked();
    choices.sizing = PaddingChoices::sizeRuleFromKey(m_sizing->currentData().toString()).value_or(SizeRule::Multiple4);
    return choices;
}

QJsonObject LayerExportOptions::job(const LayerExportChoices &choices, const QStringList &paths)
{
    return WorkerProtocol::layerExportJob(paths, choices.outputDir, PaddingChoices::key(choices.sizing),
                                          choices.trimTransparency);
}

void LayerExportOptions::restoreFrom(QSettings &settings)
{
    restoreBox(settings, m_trim, QStringLiteral("trimTransparency"));
    restoreCombo(settings, m_sizing, QStringLiteral("sizingMode"));
    // The sizing caption follows the trim box, which may have been restored unchecked.
    emit m_trim->toggled(m_trim->isChecked());
}

void LayerExportOptions::saveTo(QSettings &settings) const
{
    settings.setValue(settingsKey(QStringLiteral("trimTransparency")), m_trim->isChecked());
    settings.setValue(settingsKey(QStringLiteral("sizingMode")), m_sizing->currentData().toString());
}
