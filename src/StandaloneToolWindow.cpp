#include "StandaloneToolWindow.h"

#include "ImageResizeOptions.h"
#include "IntegratedToolPage.h"
#include "Localization.h"
#include "SingleInstance.h"
#include "Appearance.h"
#include "Theme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QIcon>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

struct Language
{
    const char *code;
    QString label;
};

const QList<Language> &languages()
{
    static const QList<Language> list{
        {"zh_CN", QStringLiteral("简体中文")}, {"zh_TW", QStringLiteral("繁體中文")},
        {"ja_JP", QStringLiteral("日本語")},   {"ko_KR", QStringLiteral("한국어")},
        {"en_US", QStringLiteral("English")},
    };
    return list;
}

void restartProgram(const QString &program, const QStringList &arguments)
{
    // The new program must become the first instance, not forward to this one.
    SingleInstance::relinquish();
    QProcess::startDetached(program, arguments);
    QCoreApplication::quit();
}

StandaloneToolWindow::Restart &restartFunction()
{
    static StandaloneToolWindow::Restart restart = restartProgram;
    return restart;
}

// In the interface language: a Chinese line under an English title reads as a fault.
QString toolSummary(IntegratedTools::Tool tool)
{
    switch (tool) {
    case IntegratedTools::ImageResize:
        return translateToolText(QStringLiteral("图片尺寸调整：添加图片或文件夹，选择尺寸规则、补边颜色和输出位置，然后开始处理。"));
    case IntegratedTools::PsdSlim:
        return translateToolText(QStringLiteral("PSD&PSB 安全瘦身：添加文件或文件夹后开始处理。大量文件会自动分批，超出建议范围时会先提示。"));
    case IntegratedTools::LayerExport:
        return translateToolText(QStringLiteral("PSD 图层批量导出：添加 PSD 或 PSB 文件，设置导出位置与透明像素裁切规则，然后开始导出。"));
    }
    return QString();
}

} // namespace

StandaloneToolWindow::StandaloneToolWindow(IntegratedTools::Tool tool, QWidget *parent)
    : QMainWindow(parent), m_tool(tool)
{
    setObjectName(QStringLiteral("standaloneToolWindow"));
    setWindowTitle(IntegratedTools::toolDisplayTitle(tool));
    setWindowIcon(QIcon(IntegratedTools::toolIconResource(tool)));
    // The layer export's page has two rows more than the others.
    setMinimumSize(820, tool == IntegratedTools::LayerExport ? 660 : 600);
    resize(1180, 790);
    restoreFittedGeometry(QSettings().value(geometryKey()).toByteArray());

    m_page = new IntegratedToolPage(tool, this, true);
    m_page->setCloseHook([this] { close(); });
    m_page->setSettingsHook([this] { openSettingsDialog(); });
    m_page->setHelpHook([this] { openHelpDialog(); });
    setCentralWidget(m_page);

    // Closing asks what closing asks; Ctrl+Q on every platform, not only where it is the quit key.
    auto *quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quit->setContext(Qt::WindowShortcut);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
}

QRect StandaloneToolWindow::fittedGeometry(const QRect &saved, const QRect &available, const QSize &minimum,
                                           bool *maximise)
{
    const bool tooSmall = available.width() < minimum.width() || available.height() < minimum.height();
    if (maximise)
        *maximise = tooSmall;
    QSize size = saved.size().boundedTo(available.size()).expandedTo(minimum);
    if (tooSmall)
        size = minimum;
    QRect fitted(saved.topLeft(), size);
    // Keep the whole window on the screen: first the right and bottom edges, then the left and top.
    if (fitted.right() > available.right())
        fitted.moveRight(available.right());
    if (fitted.bottom() > available.bottom())
        fitted.moveBottom(available.bottom());
    if (fitted.left() < available.left())
        fitted.moveLeft(available.left());
    if (fitted.top() < available.top())
        fitted.moveTop(available.top());
    return fitted;
}

void StandaloneToolWindow::restoreFittedGeometry(const QByteArray &geometry)
{
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    // A geometry saved on a larger screen, or under another scale factor,
    // would open past the screen's edges with Start out of reach.
    fitToScreen();
}

void StandaloneToolWindow::fitToScreen()
{
    if (isMaximized() || isFullScreen())
        return;
    QScreen *screen = QGuiApplication::screenAt(frameGeometry().center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The frame is known only once the window exists; until then it counts as none.
    const QRect frame = frameGeometry();
    const QMargins margins(geometry().left() - frame.left(), geometry().top() - frame.top(),
                           frame.right() - geometry().right(), frame.bottom() - geometry().bottom());
    const QSize frameExtra(margins.left() + margins.right(), margins.top() + margins.bottom());
    bool maximise = false;
    const QRect fitted =
            fittedGeometry(frame, screen->availableGeometry(), minimumSize() + frameExtra, &maximise).marginsRemoved(
                    margins);
    if (fitted != geometry())
        setGeometry(fitted);
    if (maximise)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void StandaloneToolWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_fittedWithFrame) {
        m_fittedWithFrame = true;
        fitToScreen();
    }
}

StandaloneToolWindow::~StandaloneToolWindow() = default;

void StandaloneToolWindow::setRestart(Restart restart)
{
    restartFunction() = restart ? std::move(restart) : Restart(restartProgram);
}

void StandaloneToolWindow::addPaths(const QStringList &paths)
{
    if (m_page)
        m_page->addPaths(paths, true);
}

void StandaloneToolWindow::queuePaths(const QStringList &paths)
{
    if (m_page)
        m_page->queuePaths(paths, true);
}

QString StandaloneToolWindow::geometryKey() const
{
    return QStringLiteral("standaloneTools/%1/geometry").arg(IntegratedTools::toolKey(m_tool));
}

void StandaloneToolWindow::closeEvent(QCloseEvent *event)
{
    QSettings().setValue(geometryKey(), saveGeometry());
    QMainWindow::closeEvent(event);
}

void StandaloneToolWindow::openSettingsDialog()
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("standaloneToolSettingsDialog"));
    dialog.setWindowTitle(translateToolText(QStringLiteral("工具设置")));
    dialog.setMinimumWidth(430);
    auto *layout = new QVBoxLayout(&dialog);

    auto *title = new QLabel(IntegratedTools::toolDisplayTitle(m_tool), &dialog);
    title->setStyleSheet(QStringLiteral("font-size:14pt; font-weight:700; color:#172b4d;"));
    layout->addWidget(title);

    auto *languageBox = new QComboBox(&dialog);
    languageBox->setObjectName(QStringLiteral("standaloneToolLanguage"));
    for (const Language &language : languages())
        languageBox->addItem(QIcon(), language.label, QString::fromLatin1(language.code));
    QString stored = storedLanguage();
    if (stored.isEmpty())
        stored = QStringLiteral("zh_CN");
    const int index = languageBox->findData(stored, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    languageBox->setCurrentIndex(index >= 0 ? index : 0);

    auto *appearanceBox = new QComboBox(&dialog);
    appearanceBox->setObjectName(QStringLiteral("standaloneToolAppearance"));
    const std::pair<Appearance::Choice, const char16_t *> appearances[] = {
            {Appearance::Choice::System, u"跟随系统"}, {Appearance::Choice::Light, u"浅色"}, {Appearance::Choice::Dark, u"深色"}};
    for (const auto &[choice, text] : appearances)
        appearanceBox->addItem(translateToolText(QString::fromUtf16(text)), Appearance::key(choice));
    const Appearance::Choice storedAppearance = Appearance::stored(QSettings());
    appearanceBox->setCurrentIndex(appearanceBox->findData(Appearance::key(storedAppearance)));

    auto *form = new QFormLayout;
    form->addRow(translateToolText(QStringLiteral("界面语言：")), languageBox);
    form->addRow(translateToolText(QStringLiteral("外观：")), appearanceBox);
    layout->addLayout(form);
    QCheckBox *keepBox = nullptr;
    if (m_tool == IntegratedTools::ImageResize) {
        keepBox = new QCheckBox(translateToolText(QStringLiteral("在回收站中保留被替换的原图")), &dialog);
        keepBox->setObjectName(QStringLiteral("standaloneToolKeepOriginals"));
        keepBox->setChecked(ImageResizeOptions::keepsOriginals());
        layout->addWidget(keepBox);
    }
    layout->addStretch();

    auto *version = new QLabel(translateToolText(QStringLiteral("版本号：%1")).arg(QCoreApplication::applicationVersion()),
                               &dialog);
    version->setStyleSheet(QStringLiteral("color:#526275; padding-top:12px;"));
    layout->addWidget(version);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    applyThemeTree(&dialog, isDarkTheme());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (keepBox)
        ImageResizeOptions::setKeepsOriginals(keepBox->isChecked());
    const Appearance::Choice appearance = Appearance::fromKey(appearanceBox->currentData().toString());
    if (appearance != storedAppearance) {
        QSettings settings;
        Appearance::store(settings, appearance);
        Appearance::follow(appearance, QCoreApplication::instance());
    }
    const QString chosen = languageBox->currentData().toString();
    if (chosen == stored)
        return;
    QSettings settings;
    storeLanguage(settings, chosen);
    settings.sync(); // the restarted program reads it at once
    restartFunction()(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
}

QString StandaloneToolWindow::helpDocument(IntegratedTools::Tool tool, const QString &languageCode)
{
    static const QStringList pages{QStringLiteral("zh_TW"), QStringLiteral("ja_JP"), QStringLiteral("ko_KR"),
                                   QStringLiteral("en_US")};
    const QString code = pages.contains(languageCode) ? languageCode : QStringLiteral("zh_CN");
    QString page;
    QFile file(QStringLiteral(":/docs/help-rich-") + code + QStringLiteral(".html"));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        page = QString::fromUtf8(file.readAll());
    QString document = QStringLiteral("<h1>%1</h1><p>%2</p><hr/>")
                               .arg(IntegratedTools::toolDisplayTitle(tool).toHtmlEscaped(),
                                    toolSummary(tool).toHtmlEscaped())
            + page;
    if (!isDarkTheme())
        return document;
    // The page's own accents have no partner in the exchange: lighter ones read on the dark ground.
    document.replace(QLatin1String("#2f6fed"), QLatin1String("#60a5fa"), Qt::CaseInsensitive)
            .replace(QLatin1String("#1e7d4a"), QLatin1String("#4ade80"), Qt::CaseInsensitive)
            .replace(QLatin1String("#c2413b"), QLatin1String("#f87171"), Qt::CaseInsensitive);
    return themedStyleSheet(document, true);
}

void StandaloneToolWindow::openHelpDialog()
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("standaloneToolHelpDialog"));
    dialog.setWindowTitle(translateToolText(QStringLiteral("帮助 - %1")).arg(IntegratedTools::toolDisplayTitle(m_tool)));
    dialog.resize(980, 720);
    auto *layout = new QVBoxLayout(&dialog);
    auto *browser = new QTextBrowser(&dialog);
    browser->setObjectName(QStringLiteral("standaloneToolHelpBrowser"));
    layout->addWidget(browser, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    browser->setHtml(helpDocument(m_tool, storedLanguage()));
    dialog.exec();
}
