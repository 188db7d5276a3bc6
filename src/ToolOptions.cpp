#include "ToolOptions.h"

#include "Localization.h"
#include "PageTexts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

ToolOptions::ToolOptions(IntegratedTools::Tool tool, QWidget *page)
    : QObject(page)
    , m_tool(tool)
    , m_page(page)
{
}

void ToolOptions::addRowsBelowList(QVBoxLayout *, QWidget *)
{
}

// The options of the last window of this tool; every change is stored at once,
// so a window that is killed keeps them too.
void ToolOptions::restore()
{
    QSettings settings;
    restoreFrom(settings);
}

void ToolOptions::save() const
{
    QSettings settings;
    saveTo(settings);
}

QPushButton *ToolOptions::makeButton(const QString &source, QWidget *parent)
{
    auto *button = new QPushButton(translateToolText(source), parent);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QCheckBox *ToolOptions::makeCheckBox(const QString &name, const QString &text, bool checked, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QString ToolOptions::settingsKey(const QString &name) const
{
    return QStringLiteral("standaloneTools/%1/options/%2").arg(IntegratedTools::toolKey(m_tool), name);
}

void ToolOptions::restoreBox(QSettings &settings, QCheckBox *box, const QString &key)
{
    const QVariant stored = settings.value(settingsKey(key));
    if (stored.isValid())
        box->setChecked(stored.toBool());
    connect(box, &QCheckBox::toggled, this, &ToolOptions::save);
}

void ToolOptions::restoreCombo(QSettings &settings, QComboBox *combo, const QString &key)
{
    const int index = combo->findData(settings.value(settingsKey(key)).toString());
    if (index >= 0)
        combo->setCurrentIndex(index);
    connect(combo, &QComboBox::currentIndexChanged, this, &ToolOptions::save);
}

void ToolOptions::saveOnEdit(QLineEdit *field)
{
    connect(field, &QLineEdit::textChanged, this, &ToolOptions::save);
}

QLineEdit *ToolOptions::addFolderRow(QVBoxLayout *rows, QWidget *body, const FolderRow &row)
{
    auto *layout = new QHBoxLayout;
    if (row.spacing >= 0)
        layout->setSpacing(row.spacing);
    auto *field = new QLineEdit(body);
    field->setObjectName(row.name);
    field->setPlaceholderText(localized(row.placeholder));
    QPushButton *browse = makeButton(row.browse, m_page);
    QPushButton *reset = makeButton(row.reset, m_page);
    const QString dialogCaption = translateToolText(row.dialogCaption);
    connect(browse, &QPushButton::clicked, this, [this, field, dialogCaption] {
        const QString folder =
                QFileDialog::getExistingDirectory(m_page, dialogCaption, QString(), QFileDialog::ShowDirsOnly);
        if (!folder.isEmpty())
            field->setText(QDir::toNativeSeparators(folder));
    });
    connect(reset, &QPushButton::clicked, field, &QLineEdit::clear);
    layout->addWidget(new QLabel(localized(row.caption), body));
    layout->addWidget(field, 1);
    layout->addWidget(browse);
    layout->addWidget(reset);
    rows->addLayout(layout);
    return field;
}
