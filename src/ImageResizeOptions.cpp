#include "ImageResizeOptions.h"

#include "FlowLayout.h"
#include "Localization.h"
#include "PageTexts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

namespace {

const SizeRule ListedRules[] = {SizeRule::Multiple4, SizeRule::Even, SizeRule::Power2};
const Fill ListedFills[] = {Fill::Transparent, Fill::White, Fill::Black};

} // namespace

ImageResizeOptions::ImageResizeOptions(QWidget *page)
    : ToolOptions(IntegratedTools::ImageResize, page)
{
}

void ImageResizeOptions::addRowsAboveList(QVBoxLayout *rows, QWidget *body)
{
    auto *optionRow = new QHBoxLayout;
    optionRow->setSpacing(8);
    // Wraps where a language needs more room than the window's minimum width.
    auto *flow = new FlowLayout(8, 2);
    const auto addPair = [body, flow](QWidget *caption, QWidget *control) {
        auto *pair = new QWidget(body);
        auto *pairLayout = new QHBoxLayout(pair);
        pairLayout->setContentsMargins(0, 0, 0, 0);
        pairLayout->setSpacing(8);
        caption->setParent(pair);
        control->setParent(pair);
        pairLayout->addWidget(caption);
        pairLayout->addWidget(control);
        flow->addWidget(pair);
    };
    m_rule = new QComboBox(body);
    m_rule->setObjectName(QStringLiteral("imageSizeRule"));
    for (const SizeRule rule : ListedRules)
        m_rule->addItem(translateToolText(PaddingChoices::sourceText(rule)), PaddingChoices::key(rule));
    m_fill = new QComboBox(body);
    m_fill->setObjectName(QStringLiteral("imageFillRule"));
    for (const Fill fill : ListedFills)
        m_fill->addItem(translateToolText(PaddingChoices::sourceText(fill)), PaddingChoices::key(fill));
    connect(m_rule, &QComboBox::currentIndexChanged, this, &ImageResizeOptions::sizeRuleChanged);
    addPair(new QLabel(localized(u"尺寸规则："), body), m_rule);
    addPair(new QLabel(localized(u"补边颜色："), body), m_fill);
    m_centered = makeCheckBox(QStringLiteral("imageCentered"), localized(u"内容居中"), true, body);
    m_png = makeCheckBox(QStringLiteral("imageOutputPng"), localized(u"统一输出无损 PNG"), false, body);
    m_recursive = makeCheckBox(QStringLiteral("imageRecursive"), localized(u"文件夹含子目录"), true, body);
    flow->addWidget(m_centered);
    flow->addWidget(m_png);
    flow->addWidget(m_recursive);
    optionRow->addLayout(flow, 1);
    rows->addLayout(optionRow);

    // Where the pictures go.
    m_outputDirectory = addFolderRow(rows, body,
                                     {QStringLiteral("imageOutputDirectory"), u"输出目录（留空＝原位置替换）：",
                                      u"留空时直接替换原文件", QStringLiteral("浏览"), QStringLiteral("恢复原位置替换"),
                                      QStringLiteral("选择输出目录"), -1});
}

ImageResizeChoices ImageResizeOptions::choices() const
{
    ImageResizeChoices choices;
    choices.rule = sizeRule();
    choices.fill = PaddingChoices::fillFromKey(m_fill->currentData().toString())
                           .value_or(FillSpec(Fill::Transparent))
                           .namedFill()
                           .value_or(Fill::Transparent);
    choices.centered = m_centered->isChecked();
    choices.png = m_png->isChecked();
    choices.recursive = m_recursive->isChecked();
    choices.outputDir = m_outputDirectory->text().trimmed();
    choices.keepOriginals = keepsOriginals();
    return choices;
}

SizeRule ImageResizeOptions::sizeRule() const
{
    return PaddingChoices::sizeRuleFromKey(m_rule->currentData().toString()).value_or(SizeRule::Multiple4);
}

bool ImageResizeOptions::searchesSubfolders() const
{
    return m_recursive->isChecked();
}

ImageResizeChoices ImageResizeOptions::choicesOf(const QWidget *page)
{
    const auto *options = page->findChild<ImageResizeOptions *>();
    return options ? options->choices() : ImageResizeChoices();
}

QStringList ImageResizeOptions::arguments(const ImageResizeChoices &choices, const QStringList &paths)
{
    QStringList arguments{QStringLiteral("--rule"), PaddingChoices::key(choices.rule), QStringLiteral("--fill"),
                          PaddingChoices::key(choices.fill),
                          choices.centered ? QStringLiteral("--centered") : QStringLiteral("--no-centered")};
    if (choices.png)
        arguments << QStringLiteral("--png");
    if (choices.recursive)
        arguments << QStringLiteral("--recursive");
    const QString folder = absoluteOutputFolder(choices.outputDir);
    if (!folder.isEmpty())
        arguments << QStringLiteral("--output-dir") << folder;
    else if (!choices.keepOriginals)
        arguments << QStringLiteral("--no-trash");
    // The helper speaks the tool window's language.
    arguments << QStringLiteral("--language") << toolLanguageCode();
    // The list holds files only; the folders they came from shape the output tree.
    if (!folder.isEmpty()) {
        for (const QString &given : choices.folders)
            arguments << QStringLiteral("--base") << given;
    }
    if (!paths.isEmpty())
        arguments << QStringLiteral("--start") << paths;
    return arguments;
}

namespace {

const QString KeepOriginalsKey = QStringLiteral("standaloneTools/image-resize/options/keepOriginals");

} // namespace

bool ImageResizeOptions::keepsOriginals()
{
    return QSettings().value(KeepOriginalsKey, true).toBool();
}

void ImageResizeOptions::setKeepsOriginals(bool keep)
{
    QSettings().setValue(KeepOriginalsKey, keep);
}

QString ImageResizeOptions::absoluteOutputFolder(const QString &typed)
{
    // The helper runs in its own components folder: a relative folder would land there.
    if (typed.isEmpty() || QDir::isAbsolutePath(typed))
        return typed;
    return QDir::cleanPath(QDir::home().absoluteFilePath(typed));
}

void ImageResizeOptions::restoreFrom(QSettings &settings)
{
    restoreCombo(settings, m_rule, QStringLiteral("rule"));
    restoreCombo(settings, m_fill, QStringLiteral("fill"));
    restoreBox(settings, m_centered, QStringLiteral("centered"));
    restoreBox(settings, m_png, QStringLiteral("png"));
    restoreBox(settings, m_recursive, QStringLiteral("recursive"));

    const QString key = settingsKey(QStringLiteral("outputDir"));
    const QString stored = settings.value(key).toString();
    if (!stored.isEmpty() && QFileInfo(absoluteOutputFolder(stored)).isDir()) {
        m_outputDirectory->setText(stored);
    } else if (!stored.isEmpty()) {
        // Never in place without the user seeing it: the log says what was dropped.
        settings.remove(key);
        qInfo().noquote() << "stored output folder no longer exists" << stored;
        emit logLineAdded(translateToolText(QStringLiteral("[%1] 上次的输出目录已不存在，未沿用：%2。输出目录现为空（原位置替换）。"))
                                  .arg(timeOfDay(), stored));
    }
    saveOnEdit(m_outputDirectory);
}

void ImageResizeOptions::saveTo(QSettings &settings) const
{
    settings.setValue(settingsKey(QStringLiteral("rule")), m_rule->currentData().toString());
    settings.setValue(settingsKey(QStringLiteral("fill")), m_fill->currentData().toString());
    settings.setValue(settingsKey(QStringLiteral("centered")), m_centered->isChecked());
    settings.setValue(settingsKey(QStringLiteral("png")), m_png->isChecked());
    settings.setValue(settingsKey(QStringLiteral("recursive")), m_recursive->isChecked());
    settings.setValue(settingsKey(QStringLiteral("outputDir")), m_outputDirectory->text().trimmed());
}
