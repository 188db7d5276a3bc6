#include "ImageResizeOptions.h"

#include "AnchorPicker.h"
#include "FlowLayout.h"
#include "Localization.h"
#include "PageTexts.h"
#include "PaddingControls.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

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
    PaddingControls::Setup setup;
    for (const SizeRule rule : PaddingChoices::PaddingRules)
        setup.firstRules.append({rule, PaddingChoices::sourceText(rule)});
    setup.ruleName = QStringLiteral("imageSizeRule");
    setup.fillName = QStringLiteral("imageFillRule");
    setup.anchorName = QStringLiteral("imageAnchor");
    m_padding = new PaddingControls(setup, body);
    connect(m_padding, &PaddingControls::ruleChanged, this, &ImageResizeOptions::sizeRuleChanged);
    addPair(new QLabel(localized(u"尺寸规则："), body), m_padding->ruleField());
    addPair(new QLabel(localized(u"补边颜色："), body), m_padding->fillField());
    addPair(new QLabel(localized(u"内容位置："), body), m_padding->anchorPicker());
    m_png = makeCheckBox(QStringLiteral("imageOutputPng"), localized(u"统一输出无损 PNG"), false, body);
    m_recursive = makeCheckBox(QStringLiteral("imageRecursive"), localized(u"文件夹含子目录"), true, body);
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
    choices.sizing = sizing();
    choices.fill = PaddingChoices::fillFromKey(m_padding->fillKey()).value_or(FillSpec());
    choices.anchor = m_padding->anchor();
    choices.png = m_png->isChecked();
    choices.recursive = m_recursive->isChecked();
    choices.outputDir = m_outputDirectory->text().trimmed();
    choices.keepOriginals = keepsOriginals();
    return choices;
}

Sizing ImageResizeOptions::sizing() const
{
    return m_padding->sizing();
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
    QStringList arguments{QStringLiteral("--rule"), PaddingChoices::key(choices.sizing), QStringLiteral("--fill"),
                          PaddingChoices::key(choices.fill)};
    // The two placements there always were keep their switches.
    if (choices.anchor == Anchor::Center)
        arguments << QStringLiteral("--centered");
    else if (choices.anchor == Anchor::TopLeft)
        arguments << QStringLiteral("--no-centered");
    else
        arguments << QStringLiteral("--anchor") << PaddingChoices::key(choices.anchor);
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
    m_padding->setRuleKey(settings.value(settingsKey(QStringLiteral("rule"))).toString());
    m_padding->setFillKey(settings.value(settingsKey(QStringLiteral("fill"))).toString());
    // Options stored before the anchor grid said only whether to centre.
    if (!m_padding->setAnchorKey(settings.value(settingsKey(QStringLiteral("anchor"))).toString())) {
        const QVariant centered = settings.value(settingsKey(QStringLiteral("centered")));
        if (centered.isValid())
            m_padding->setAnchor(PaddingChoices::anchorFor(centered.toBool()));
    }
    for (auto changed : {&PaddingControls::ruleChanged, &PaddingControls::fillChanged, &PaddingControls::anchorChanged})
        connect(m_padding, changed, this, &ImageResizeOptions::save);
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
    settings.setValue(settingsKey(QStringLiteral("rule")), m_padding->ruleKey());
    settings.setValue(settingsKey(QStringLiteral("fill")), m_padding->fillKey());
    settings.setValue(settingsKey(QStringLiteral("anchor")), PaddingChoices::key(m_padding->anchor()));
    settings.remove(settingsKey(QStringLiteral("centered")));
    settings.setValue(settingsKey(QStringLiteral("png")), m_png->isChecked());
    settings.setValue(settingsKey(QStringLiteral("recursive")), m_recursive->isChecked());
    settings.setValue(settingsKey(QStringLiteral("outputDir")), m_outputDirectory->text().trimmed());
}
