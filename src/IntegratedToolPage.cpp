#include "IntegratedToolPage.h"

#include "FlowLayout.h"
#include "ImageResizeOptions.h"
#include "ImageResizeRun.h"
#include "InPlaceGuard.h"
#include "LayerExportOptions.h"
#include "Localization.h"
#include "PageTexts.h"
#include "PathIntake.h"
#include "PsdRun.h"
#include "PsdSlimOptions.h"
#include "RunActions.h"
#include "RunStatusRows.h"
#include "SizePreview.h"
#include "Theme.h"
#include "ThemePageSheet.h"
#include "ToolDropTree.h"
#include "ToolLauncher.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <utility>

namespace {

// Longer lines of the run log are cut with an ellipsis.
constexpr int MaxShownLineLength = 2000;

QLabel *makeSectionCaption(const QString &text, QWidget *parent)
{
    auto *caption = new QLabel(text, parent);
    caption->setObjectName(QStringLiteral("toolSection"));
    return caption;
}

// Language-independent keys, named in the tooltips.
void setShortcut(QPushButton *button, const QKeySequence &keys)
{
    button->setShortcut(keys);
    button->setToolTip(keys.toString(QKeySequence::NativeText));
}

} // namespace

IntegratedToolPage::IntegratedToolPage(IntegratedTools::Tool tool, QWidget *parent, bool headerButtons)
    : QWidget(parent)
    , m_tool(tool)
{
    setObjectName(IntegratedTools::toolKey(tool) + u"UnifiedPage");
    // The page paints its own background from the sheet like its plain children.
    setAttribute(Qt::WA_StyledBackground);

    setStyleSheet(toolPageStyleSheet());
    applyTheme(this, isDarkTheme());

    auto *pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);

    switch (m_tool) {
    case IntegratedTools::ImageResize:
        m_options = m_imageOptions = new ImageResizeOptions(this);
        break;
    case IntegratedTools::PsdSlim:
        m_options = m_slimOptions = new PsdSlimOptions(this);
        break;
    case IntegratedTools::LayerExport:
        m_options = m_layerOptions = new LayerExportOptions(this);
        break;
    }

    buildHeader(pageLayout, headerButtons);
    buildBody(pageLayout);
    connect(m_options, &ToolOptions::logLineAdded, this, &IntegratedToolPage::appendLog);
    m_options->restore();

    // Only the image page asks its subfolder box; the PSD pages keep searching below.
    m_intake = new PathIntake(
            m_tool, m_fileList,
            [this](bool recursive) { return recursive && (!m_imageOptions || m_imageOptions->searchesSubfolders()); },
            this);
    connect(m_intake, &PathIntake::logLineAdded, this, &IntegratedToolPage::appendLog);
    connect(m_intake, &PathIntake::listChanged, this, [this] {
        setProperty("selectedToolPaths", m_fileList->paths());
        refreshSummary();
    });
    if (m_imageOptions) {
        m_preview = new SizePreview(m_fileList, PreviewColumn, m_imageOptions,
                                    [this](const QString &path) { return m_fileList->rowForPath(path); }, this);
        connect(m_preview, &SizePreview::summaryChanged, this, &IntegratedToolPage::refreshPreviewSummary);
        connect(m_intake, &PathIntake::rowsAdded, m_preview, &SizePreview::read);
    }

    if (m_tool == IntegratedTools::PsdSlim || m_tool == IntegratedTools::LayerExport) {
        m_psdRun = new PsdRun(m_tool, this);
        connect(m_psdRun, &PsdRun::rowStatusChanged, this, &IntegratedToolPage::setRowStatus);
        connect(m_psdRun, &PsdRun::rowToolTipChanged, this, &IntegratedToolPage::setRowToolTip);
        connect(m_psdRun, &PsdRun::logLineAdded, this, &IntegratedToolPage::appendLog);
        connect(m_psdRun, &PsdRun::statusChanged, m_runStatus, &RunStatusRows::setStatus);
        connect(m_psdRun, &PsdRun::progressed, m_runStatus, &RunStatusRows::showProgress);
        connect(m_psdRun, &PsdRun::ended, this, &IntegratedToolPage::finishPsdRun);
    }

    refreshSummary();
}

IntegratedToolPage::~IntegratedToolPage()
{
    // A worker still running is stopped without any of its end handling.
    if (m_psdRun) {
        m_psdRun->disconnect(this);
        delete m_psdRun;
    }
}

void IntegratedToolPage::setCloseHook(Hook hook)
{
    m_closeHook = std::move(hook);
}

void IntegratedToolPage::setSettingsHook(Hook hook)
{
    m_settingsHook = std::move(hook);
}

void IntegratedToolPage::setHelpHook(Hook hook)
{
    m_helpHook = std::move(hook);
}

void IntegratedToolPage::buildHeader(QVBoxLayout *pageLayout, bool headerButtons)
{
    auto *header = new QWidget(this);
    header->setObjectName(QStringLiteral("standaloneToolPageHeader"));
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(20, 0, 12, 0);
    layout->setSpacing(5);

    auto *title = new QLabel(IntegratedTools::toolDisplayTitle(m_tool), header);
    title->setObjectName(QStringLiteral("toolTitle"));
    layout->addWidget(title);
    layout->addStretch(1);

    if (headerButtons) {
        const auto addHeaderButton = [this, header, layout](const QString &name, const QString &icon,
                                                             const QString &toolTip, Hook IntegratedToolPage::*hook) {
            auto *button = new QToolButton(header);
            button->setObjectName(name);
            button->setAutoRaise(true);
            button->setFixedSize(28, 32);
            button->setIconSize(QSize(17, 17));
            button->setProperty("pictavoIconResource", icon);
            button->setIcon(themedIcon(icon, isDarkTheme()));
            button->setToolTip(toolTip);
            button->setAccessibleName(toolTip);
            button->setFocusPolicy(Qt::StrongFocus);
            connect(button, &QToolButton::clicked, this, [this, hook] {
                if (this->*hook)
                    (this->*hook)();
            });
            layout->addWidget(button);
        };
        addHeaderButton(QStringLiteral("standaloneToolSettingsButton"),
                        QStringLiteral(":/branding/assets/vellum-icons/nav-options.svg"), localized(u"设置"),
                        &IntegratedToolPage::m_settingsHook);
        addHeaderButton(QStringLiteral("standaloneToolHelpButton"),
                        QStringLiteral(":/branding/assets/vellum-icons/nav-help.svg"), localized(u"帮助"),
                        &IntegratedToolPage::m_helpHook);
    }

    pageLayout->addWidget(header);
}

void IntegratedToolPage::buildBody(QVBoxLayout *pageLayout)
{
    using IntegratedTools::ImageResize;

    // The rows need more room than the smallest window in some languages: below
    // that they scroll instead of being squeezed over each other.
    auto *scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("integratedToolBodyScroller"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto *body = new QWidget(scroller);
    body->setObjectName(QStringLiteral("integratedToolBody"));
    auto *rows = new QVBoxLayout(body);
    rows->setContentsMargins(18, 12, 18, 12);
    rows->setSpacing(7);
    scroller->setWidget(body);
    scroller->viewport()->setAutoFillBackground(false);
    body->setAutoFillBackground(false);
    pageLayout->addWidget(scroller, 1);

    buildListActions(rows, body);

    // Rows 3 and 4: the tool's options, and where the pictures go.
    m_options->addRowsAboveList(rows, body);

    // Row 5: the list itself.
    m_fileList = new ToolDropTree(body);
    m_fileList->setObjectName(QStringLiteral("integratedToolDropList"));
    QStringList headers{localized(u"文件名"), localized(u"所在位置"), localized(u"大小"), localized(u"状态")};
    if (m_tool == ImageResize)
        headers << localized(u"尺寸（当前 → 处理后）");
    m_fileList->setColumns(headers);
    m_fileList->setDropHandler([this](const QStringList &paths) { addPaths(paths, true); });
    m_fileList->setDeleteHandler([this] {
        if (isRunActive())
            return;
        m_fileList->removeSelectedRows();
        refreshSummary();
    });
    rows->addWidget(m_fileList, 6);

    // Rows 6 and 7: options below the list.
    m_options->addRowsBelowList(rows, body);

    // Rows 8 and 9: summary, run times and state; progress. The helper's run
    // times show from its first run on: before, the room is the summary's,
    // which also counts the pictures that will change.
    m_runStatus = new RunStatusRows(rows, body, m_tool != ImageResize);

    buildLogRows(rows, body);
    buildStartRows(rows, body);

    // The first thing to do on a new page takes the keyboard, not the header
    // icon that comes first in the chain.
    findChild<QPushButton *>(QStringLiteral("integratedToolChooseButton"))->setFocus();
}

void IntegratedToolPage::buildListActions(QVBoxLayout *rows, QWidget *body)
{
    using IntegratedTools::ImageResize;
    using IntegratedTools::LayerExport;

    // Row 1 and 2: the list's actions.
    rows->addWidget(makeSectionCaption(localized(u"工具操作"), body));

    auto *buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(7);
    QPushButton *choose = ToolOptions::makeButton(m_tool == ImageResize ? QStringLiteral("选择多个图片") : QStringLiteral("选择文件"), this);
    choose->setObjectName(QStringLiteral("integratedToolChooseButton"));
    QPushButton *chooseFolders = ToolOptions::makeButton(QStringLiteral("选择多个文件夹"), this);
    chooseFolders->setObjectName(QStringLiteral("integratedToolChooseFoldersButton"));
    QPushButton *clear = ToolOptions::makeButton(QStringLiteral("清空列表"), this);
    m_clearButton = clear;
    QPushButton *back = ToolOptions::makeButton(QStringLiteral("返回文件管理"), this);
    back->setObjectName(QStringLiteral("integratedToolBackButton"));
    // The list's actions wrap where a language needs more room than the window has.
    auto *actions = new FlowLayout(7, 7);
    actions->addWidget(choose);
    actions->addWidget(chooseFolders);
    actions->addWidget(clear);
    buttonRow->addLayout(actions, 1);
    if (m_tool == LayerExport) {
        QPushButton *remove = ToolOptions::makeButton(QStringLiteral("移除选中项"), this);
        remove->setObjectName(QStringLiteral("layerRemoveSelected"));
        m_removeButton = remove;
        setShortcut(remove, QKeySequence(Qt::CTRL | Qt::Key_Delete));
        connect(remove, &QPushButton::clicked, this, &IntegratedToolPage::removeSelected);
        actions->addWidget(remove);
        auto *count = new QLabel(localized(u"已选 0 个 PSD / PSB"), body);
        count->setObjectName(QStringLiteral("layerSelectedCount"));
        // Beside the first line of buttons when they wrap.
        count->setMinimumHeight(choose->sizeHint().height());
        buttonRow->addWidget(count, 0, Qt::AlignTop);
        buttonRow->addSpacing(10);
    }
    buttonRow->addWidget(back, 0, Qt::AlignTop);
    rows->addLayout(buttonRow);

    setShortcut(choose, QKeySequence(Qt::CTRL | Qt::Key_O));
    setShortcut(chooseFolders, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    setShortcut(clear, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete));

    connect(choose, &QPushButton::clicked, this, &IntegratedToolPage::chooseFiles);
    connect(chooseFolders, &QPushButton::clicked, this, &IntegratedToolPage::chooseFolders);
    connect(clear, &QPushButton::clicked, this, &IntegratedToolPage::clearList);
    connect(back, &QPushButton::clicked, this, [this] {
        if (m_closeHook)
            m_closeHook();
    });
}

void IntegratedToolPage::buildLogRows(QVBoxLayout *rows, QWidget *body)
{
    using IntegratedTools::ImageResize;
    using IntegratedTools::LayerExport;

    // Rows 10 and 11: the run log.
    auto *logCaptionRow = new QHBoxLayout;
    logCaptionRow->addWidget(makeSectionCaption(localized(u"运行日志"), body));
    logCaptionRow->addStretch(1);
    // After a run of the helper or a layer export: where the pictures (and the
    // helper's report) are, beside the log caption, so the end of a run takes
    // no row of a small window.
    if (m_tool == ImageResize || m_tool == LayerExport) {
        const bool image = m_tool == ImageResize;
        m_runActions = new RunActions(image ? QStringLiteral("image") : QStringLiteral("layer"), image, body);
        logCaptionRow->addWidget(m_runActions);
    }

    m_log = new QTextEdit(body);
    m_log->setObjectName(QStringLiteral("integratedToolLog"));
    m_log->setReadOnly(true);
    m_log->setMaximumHeight(78);
    // Gives way first when the window is at its smallest.
    m_log->setMinimumHeight(44);
    if (m_tool == LayerExport) {
        QPushButton *clearLog = ToolOptions::makeButton(QStringLiteral("清理处理日志"), this);
        clearLog->setObjectName(QStringLiteral("layerClearLog"));
        connect(clearLog, &QPushButton::clicked, m_log, &QTextEdit::clear);
        logCaptionRow->addWidget(clearLog);
    }
    rows->addLayout(logCaptionRow);
    rows->addWidget(m_log);
}

void IntegratedToolPage::buildStartRows(QVBoxLayout *rows, QWidget *body)
{
    // Row 12: start.
    auto *startRow = new QHBoxLayout;
    m_startButton = ToolOptions::makeButton(m_tool == IntegratedTools::LayerExport ? QStringLiteral("开始导出") : QStringLiteral("开始处理"), this);
    m_startButton->setObjectName(QStringLiteral("toolStart"));
    m_startButton->setFixedSize(256, 44);
    connect(m_startButton, &QPushButton::clicked, this, &IntegratedToolPage::startTool);
    startRow->addStretch(1);
    startRow->addWidget(m_startButton);
    if (m_tool == IntegratedTools::ImageResize) {
        // Shown while the helper's run is followed; the helper finishes the
        // pictures in progress and starts no other.
        m_stopButton = ToolOptions::makeButton(QStringLiteral("停止"), this);
        m_stopButton->setObjectName(QStringLiteral("toolStop"));
        m_stopButton->setFixedHeight(44);
        m_stopButton->hide();
        connect(m_stopButton, &QPushButton::clicked, this, [this] {
            if (m_imageRun && m_imageRun->requestStop())
                m_stopButton->setEnabled(false);
        });
        startRow->addWidget(m_stopButton);
        m_inPlaceGuard = new InPlaceGuard(this, startRow);
        connect(m_inPlaceGuard, &InPlaceGuard::logLine, this, &IntegratedToolPage::appendLog);
        connect(m_inPlaceGuard, &InPlaceGuard::undone, this, [this] {
            if (m_preview)
                m_preview->read(m_fileList->paths());
        });
    }
    startRow->addStretch(1);
    rows->addLayout(startRow);

    // Row 13: credit.
    auto *credit = new QLabel(localized(u"制作者：Pictavo Studio  ｜  联系邮箱：support@pictavo.example"), body);
    credit->setObjectName(QStringLiteral("toolCredit"));
    credit->setAlignment(Qt::AlignCenter);
    credit->setMinimumHeight(18);
    rows->addWidget(credit);

    setShortcut(m_startButton, QKeySequence(Qt::CTRL | Qt::Key_Return));
}

void IntegratedToolPage::addPaths(const QStringList &paths, bool recursive)
{
    m_intake->addPaths(paths, recursive);
}

void IntegratedToolPage::queuePaths(const QStringList &paths, bool recursive)
{
    m_intake->queuePaths(paths, recursive);
}

bool IntegratedToolPage::hasQueuedPaths() const
{
    return m_intake->hasQueuedPaths();
}

void IntegratedToolPage::chooseFiles()
{
    const QStringList files = QFileDialog::getOpenFileNames(this, IntegratedTools::toolDisplayTitle(m_tool), QString(),
                                                            translateToolText(IntegratedTools::fileDialogFilter(m_tool)));
    addPaths(files, false);
}

void IntegratedToolPage::chooseFolders()
{
    QFileDialog dialog(this, translateToolText(QStringLiteral("选择一个或多个文件夹")), QString(), QString());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    // Qt's own dialog picks one folder; its views are opened up for several.
    const QList<QListView *> lists = dialog.findChildren<QListView *>();
    for (QListView *view : lists)
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const QList<QTreeView *> trees = dialog.findChildren<QTreeView *>();
    for (QTreeView *view : trees)
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (dialog.exec() == QDialog::Accepted)
        addPaths(dialog.selectedFiles(), true);
}

void IntegratedToolPage::removeSelected()
{
    if (isRunActive())
        return;
    const int removed = m_fileList->removeSelectedRows();
    setProperty("selectedToolPaths", m_fileList->paths());
    if (removed > 0)
        appendLog(translateCount(QStringLiteral("[%1] 已移除 %2 个选中文件。"), {{2, removed}})
                          .arg(timeOfDay(), QString::number(removed)));
    refreshSummary();
}

void IntegratedToolPage::clearList()
{
    // A worker still goes through its files: the list stays until it ends.
    if (isRunActive())
        return;
    m_fileList->clearRows();
    m_intake->clear();
    if (m_preview)
        m_preview->clear();
    if (m_runActions)
        m_runActions->hide();
    setProperty("selectedToolPaths", m_fileList->paths());
    m_runStatus->showIdle();
    m_runStatus->setStatus(localized(u"就绪"));
    appendLog(translateToolText(QStringLiteral("[%1] 已清空文件列表。")).arg(timeOfDay()));
    refreshSummary();
}

void IntegratedToolPage::refreshSummary()
{
    qint64 total = 0;
    for (const QString &path : std::as_const(m_fileList->paths()))
        total += QFileInfo(path).size();
    const QString extensions = IntegratedTools::acceptedExtensions(m_tool).join(u" / ").toUpper();
    m_summaryBase = translateCount(QStringLiteral("%1 个文件  |  %2  |  支持：%3"), {{1, m_fileList->paths().size()}})
                            .arg(QString::number(m_fileList->paths().size()), formatDataSize(total), extensions);
    refreshPreviewSummary();
    if (auto *count = findChild<QLabel *>(QStringLiteral("layerSelectedCount")))
        count->setText(translateToolText(QStringLiteral("已选 %1 个 PSD / PSB")).arg(m_fileList->paths().size()));
}

void IntegratedToolPage::refreshPreviewSummary()
{
    m_runStatus->setSummary(m_preview ? m_summaryBase + m_preview->summaryText() : m_summaryBase);
}

bool IntegratedToolPage::isReadingSizes() const
{
    return m_preview && m_preview->isBusy();
}

QStringList IntegratedToolPage::selectedPaths() const
{
    return m_fileList->paths();
}

QString IntegratedToolPage::summaryText() const
{
    return m_runStatus->summary();
}

QStringList IntegratedToolPage::imageResizeArguments(const QWidget *page, const QStringList &paths)
{
    return ImageResizeOptions::arguments(ImageResizeOptions::choicesOf(page), paths);
}

void IntegratedToolPage::startTool()
{
    switch (m_tool) {
    case IntegratedTools::ImageResize:
        startImageResize();
        break;
    case IntegratedTools::PsdSlim:
        startSlimming();
        break;
    case IntegratedTools::LayerExport:
        startLayerExport();
        break;
    }
}

void IntegratedToolPage::startImageResize()
{
    // Two helpers on the same files race each other: one at a time.
    if (isHelperRunning() || !m_inPlaceGuard->confirmStart(m_imageOptions->choices().outputDir, m_fileList->paths().size()))
        return;
    m_runStatus->showStarting(translateToolText(QStringLiteral("正在启动…")));
    appendLog(translateCount(QStringLiteral("[%1] 启动 %2，传递 %3 个文件。"), {{3, m_fileList->paths().size()}})
                      .arg(timeOfDay(), IntegratedTools::toolDisplayTitle(m_tool), QString::number(m_fileList->paths().size())));

    const QString program = m_helperProgram.isEmpty()
            ? IntegratedTools::resolveToolExecutable(IntegratedTools::ImageResize)
            : m_helperProgram;
    auto *run = new ImageResizeRun(this);
    connect(run, &ImageResizeRun::logLineAdded, this, &IntegratedToolPage::appendLog);
    QString reason;
    ImageResizeChoices choices = m_imageOptions->choices();
    choices.folders = m_intake->givenFolders();
    if (!run->start(program, choices, m_fileList->paths(), &reason)) {
        delete run;
        const QString message = translateToolText(QStringLiteral("无法启动图片尺寸调整进程。"));
        m_runStatus->showIdle();
        m_runStatus->setStatus(translateToolText(QStringLiteral("启动失败")));
        appendLog(translateToolText(QStringLiteral("失败：%1")).arg(message));
        if (!reason.isEmpty())
            appendLog(translateToolText(QStringLiteral("[%1] 原因：%2")).arg(timeOfDay(), reason));
        QMessageBox::warning(this, translateToolText(QStringLiteral("无法启动工具")),
                             reason.isEmpty() ? message : message + u'\n' + reason, QMessageBox::Ok,
                             QMessageBox::NoButton);
        return;
    }

    m_imageRun = run;
    m_inPlaceGuard->setRunning(true);
    connect(run, &ImageResizeRun::rowStatusChanged, this, &IntegratedToolPage::setRowStatus);
    connect(run, &ImageResizeRun::rowReported, this, &IntegratedToolPage::showRowReport);
    connect(run, &ImageResizeRun::progressed, m_runStatus, &RunStatusRows::showProgress);
    connect(run, &ImageResizeRun::statusChanged, m_runStatus, &RunStatusRows::setStatus);
    connect(run, &ImageResizeRun::ended, this, &IntegratedToolPage::finishImageResize);
    connect(run, &ImageResizeRun::processEnded, this, &IntegratedToolPage::forgetHelper);
    beginRun(translateToolText(QStringLiteral("已启动")));
    m_runStatus->showTimes();
    m_runActions->hide();
    const QString pending = localized(u"等待处理");
    const QString leftOut = translateToolText(QStringLiteral("未传递"));
    const QSet<QString> left(run->leftOut().cbegin(), run->leftOut().cend());
    m_stopButton->setEnabled(true);
    m_stopButton->show();
    for (int row = 0; row < m_fileList->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_fileList->topLevelItem(row);
        const QString path = item->data(0, Qt::UserRole).toString();
        item->setText(3, left.contains(path) ? leftOut : pending);
        // A previous run may have rewritten the file: its size as it is now.
        item->setText(2, formatDataSize(QFileInfo(path).size()));
        item->setToolTip(0, QString());
        item->setToolTip(3, QString());
    }
}

bool IntegratedToolPage::buildHelperCommand(const QWidget *page, const QStringList &paths, qint64 argumentSpace,
                                            HelperCommand *command, QString *error)
{
    return ImageResizeRun::buildCommand(ImageResizeOptions::choicesOf(page), paths, argumentSpace, command, error);
}

bool IntegratedToolPage::isHelperRunning() const
{
    return m_imageRun && m_imageRun->isProcessAlive();
}

void IntegratedToolPage::showRowReport(const QString &path, const ImageResizeRun::RowReport &report)
{
    QTreeWidgetItem *row = m_fileList->rowForPath(path);
    if (!row)
        return;
    row->setText(3, report.status);
    if (!report.fileSize.isEmpty())
        row->setText(2, report.fileSize);
    row->setToolTip(0, report.toolTip);
    row->setToolTip(3, report.toolTip);
    if (m_preview && report.newSize.isValid())
        m_preview->setSize(row, report.newSize);
}

void IntegratedToolPage::finishImageResize(bool complete, const QString &folder, const QString &report, bool inPlace)
{
    m_stopButton->hide();
    m_inPlaceGuard->setRunning(false);
    // Pictures written in place have new sizes; the preview reads them again.
    if (m_preview && inPlace)
        m_preview->read(m_fileList->paths());
    m_runStatus->finish(complete);
    if (!complete)
        m_runStatus->clearRemaining();
    m_runActions->showFor(folder, report, inPlace);
    endRun();
    refreshSummary();
}

void IntegratedToolPage::startSlimming()
{
    if (m_psdRun->isBusy())
        return;
    const QString worker = m_psdRun->readyWorker(m_fileList->paths());
    if (worker.isEmpty() || !m_psdRun->confirmSlimming(m_fileList->paths()))
        return;

    beginRun(localized(u"正在读取 PSD/PSB..."));
    const PsdSlimOptions *options = m_slimOptions;
    // "关闭" here is the state, not the button: its own row says "off".
    appendLog(translateCount(QStringLiteral("[%1] 开始无 Photoshop 安全瘦身，共 %2 个文件；深度清理：%3。"),
                             {{2, m_fileList->paths().size()}})
                      .arg(timeOfDay(), QString::number(m_fileList->paths().size()),
                           options->deepClean() ? localized(u"开启")
                                                : translateToolText(QStringLiteral("关闭"), u"off")));
    setAllRowStatuses(localized(u"等待处理"));
    // The deep-clean box stays usable during a run and counts from the next batch on.
    m_psdRun->startSlimming(m_fileList->paths(), worker, [options] { return options->deepClean(); });
}

void IntegratedToolPage::startLayerExport()
{
    if (m_psdRun->isBusy())
        return;
    const QString worker = m_psdRun->readyWorker(m_fileList->paths());
    if (worker.isEmpty())
        return;
    const QString jobFile = m_psdRun->writeLayerExportJob(LayerExportOptions::job(m_layerOptions->choices(), m_fileList->paths()));
    if (jobFile.isEmpty())
        return;

    beginRun(localized(u"正在扫描图层..."));
    m_runActions->hide();
    // Reasons of an earlier run's failures go with it.
    for (int row = 0; row < m_fileList->topLevelItemCount(); ++row) {
        m_fileList->topLevelItem(row)->setToolTip(0, QString());
        m_fileList->topLevelItem(row)->setToolTip(3, QString());
    }
    appendLog(translateCount(QStringLiteral("[%1] 开始页内直接导出，共 %2 个 PSD/PSB；不会打开第二个程序窗口。"),
                             {{2, m_fileList->paths().size()}})
                      .arg(timeOfDay(), QString::number(m_fileList->paths().size())));
    setAllRowStatuses(localized(u"等待导出"));
    m_psdRun->startLayerExport(m_fileList->paths(), worker, jobFile);
}

void IntegratedToolPage::beginRun(const QString &status)
{
    m_runStatus->begin(status);
    setRunControlsEnabled(false);
    // Room for the longest state a run writes.
    m_fileList->holdColumnWidths(localized(u"已完成") + QStringLiteral(" 88888×88888"));
}

// The helper's window may stay open after its run: the list is free again, but
// Start waits until that helper has ended, so two never work on the same files.
void IntegratedToolPage::forgetHelper()
{
    ImageResizeRun *run = std::exchange(m_imageRun, nullptr);
    if (!run)
        return;
    run->disconnect(this);
    run->deleteLater();
    if (!isRunActive())
        m_startButton->setEnabled(true);
}

void IntegratedToolPage::endRun()
{
    setRunControlsEnabled(true);
    if (isHelperRunning())
        m_startButton->setEnabled(false);
    m_fileList->releaseColumnWidths();
}

void IntegratedToolPage::setRunControlsEnabled(bool enabled)
{
    m_startButton->setEnabled(enabled);
    m_fileList->setEnabled(enabled);
    m_clearButton->setEnabled(enabled);
    if (m_removeButton)
        m_removeButton->setEnabled(enabled);
}

bool IntegratedToolPage::isWorkerRunning() const
{
    return m_psdRun && m_psdRun->hasWorker();
}

bool IntegratedToolPage::isRunActive() const
{
    return (m_psdRun && m_psdRun->isActive()) || (m_imageRun && m_imageRun->isRunning());
}

void IntegratedToolPage::setAllRowStatuses(const QString &text)
{
    for (int row = 0; row < m_fileList->topLevelItemCount(); ++row)
        m_fileList->topLevelItem(row)->setText(3, text);
}

void IntegratedToolPage::finishPsdRun(bool complete, int progressMaximum)
{
    // Slimming rewrites documents: the size column shows them as they are now.
    for (int row = 0; row < m_fileList->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_fileList->topLevelItem(row);
        item->setText(2, formatDataSize(QFileInfo(item->data(0, Qt::UserRole).toString()).size()));
    }
    m_runStatus->finish(complete, progressMaximum);
    // Where the pictures of a layer export went, as its worker named it.
    if (complete && m_tool == IntegratedTools::LayerExport) {
        const QString folder = m_psdRun->outputFolder();
        m_runActions->showFor(QFileInfo::exists(folder) ? folder : QString(), QString(), false);
    }
    endRun();
}

void IntegratedToolPage::setRowStatus(const QString &path, const QString &text)
{
    if (QTreeWidgetItem *row = m_fileList->rowForPath(path))
        row->setText(3, text);
}

void IntegratedToolPage::setRowToolTip(const QString &path, const QString &text)
{
    if (QTreeWidgetItem *row = m_fileList->rowForPath(path)) {
        row->setToolTip(0, text);
        row->setToolTip(3, text);
    }
}

void IntegratedToolPage::appendLog(const QString &line)
{
    // Worker text is shown as it stands: never as markup, never a line so
    // long that laying it out freezes the window.
    QStringList shown = line.split(u'\n');
    for (QString &part : shown) {
        part.remove(QChar(u'\0'));
        if (part.size() > MaxShownLineLength)
            part = part.left(MaxShownLineLength) + QChar(0x2026);
    }
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::End);
    if (!m_log->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(shown.join(u'\n'));
    if (QScrollBar *bar = m_log->verticalScrollBar())
        bar->setValue(bar->maximum());
}
