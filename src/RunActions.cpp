#include "RunActions.h"

#include "DesktopOpen.h"
#include "Localization.h"
#include "ToolOptions.h"

#include <QBoxLayout>
#include <QDir>
#include <QPushButton>
#include <QVariant>

RunActions::RunActions(const QString &prefix, bool withReport, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(prefix + u"RunActions");
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_openFolder = ToolOptions::makeButton(QStringLiteral("打开输出文件夹"), this);
    m_openFolder->setObjectName(prefix + u"OpenOutput");
    row->addWidget(m_openFolder);
    if (withReport) {
        m_openReport = ToolOptions::makeButton(QStringLiteral("打开失败报告"), this);
        m_openReport->setObjectName(prefix + u"OpenReport");
        row->addWidget(m_openReport);
    }
    for (QPushButton *button : {m_openFolder, m_openReport}) {
        if (button) {
            connect(button, &QPushButton::clicked, this,
                    [this, button] { DesktopOpen::openOrExplain(this, button->property("openPath").toString()); });
        }
    }
    hide();
}

void RunActions::showFor(const QString &folder, const QString &report, bool inPlace)
{
    m_openFolder->setText(inPlace ? translateToolText(QStringLiteral("打开原文件夹"))
                                  : translateToolText(QStringLiteral("打开输出文件夹")));
    m_openFolder->setProperty("openPath", folder);
    m_openFolder->setToolTip(QDir::toNativeSeparators(folder));
    m_openFolder->setVisible(!folder.isEmpty());
    if (m_openReport) {
        m_openReport->setProperty("openPath", report);
        m_openReport->setToolTip(QDir::toNativeSeparators(report));
        m_openReport->setVisible(!report.isEmpty());
    }
    setVisible(!folder.isEmpty() || !report.isEmpty());
}
