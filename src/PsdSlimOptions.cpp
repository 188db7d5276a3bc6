#include "PsdSlimOptions.h"

#include "PageTexts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QSettings>

PsdSlimOptions::PsdSlimOptions(QWidget *page)
    : ToolOptions(IntegratedTools::PsdSlim, page)
{
}

void PsdSlimOptions::addRowsAboveList(QVBoxLayout *rows, QWidget *body)
{
    auto *optionRow = new QHBoxLayout;
    optionRow->setSpacing(8);
    m_deepClean = makeCheckBox(QStringLiteral("psdDeepClean"), localized(u"深度清理嵌入式 PSD/PSB 智能对象（较慢）"),
                               false, body);
    optionRow->addWidget(m_deepClean);
    // Long in some languages: it wraps instead of widening the window past its minimum.
    auto *note = new QLabel(localized(u"内置离线安全处理，不启动 Adobe Photoshop；保存前后自动校验画布与图层结构。"), body);
    note->setWordWrap(true);
    note->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    optionRow->addWidget(note, 1);
    rows->addLayout(optionRow);
}

bool PsdSlimOptions::deepClean() const
{
    return m_deepClean->isChecked();
}

void PsdSlimOptions::restoreFrom(QSettings &settings)
{
    restoreBox(settings, m_deepClean, QStringLiteral("deepClean"));
}

void PsdSlimOptions::saveTo(QSettings &settings) const
{
    settings.setValue(settingsKey(QStringLiteral("deepClean")), m_deepClean->isChecked());
}
