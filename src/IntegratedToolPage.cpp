#include "IntegratedToolPage.h"

#include "Localization.h"
#include "DesktopOpen.h"
#include "Theme.h"
#include "ThemePageSheet.h"
#include "ExecutablePlatform.h"
#include "FileRowDelegate.h"
#include "FlowLayout.h"
#include "PageTexts.h"
#include "ImageResizeOptions.h"
#include "ImageResizeRun.h"
#include "InPlaceGuard.h"
#include "NaturalOrder.h"
#include "LayerExportOptions.h"
#include "PictureSizes.h"
#include "PsdRun.h"
#include "PsdSlimOptions.h"
#include "SizePreview.h"
#include "ToolLauncher.h"
#include "ToolDropTree.h"
#include "WorkerProtocol.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDebug>
#include <QSettings>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QJsonObject>
#include <QKeySequence>
#include <QLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Queued paths are added in slices of this many, for at most this long per
// turn of the event loop.
constexpr qsizetype QueuedSlicePaths = 256;
constexpr qint64 QueuedStepMilliseconds = 50;
// Longer lines of the run log are cut with an ellipsis.
constexpr int MaxShownLineLength = 2000;

// The helper writes each picture beside its destination first; such a file
// is never a picture of the user's.
bool isHelperTemporary(const QString &fileName)
{
    return fileName.contains(QLatin1String(".tesselle.tmp"));
}

QLabel *makeSectionCaption(const QString &text, QWidget *parent)
{
    auto *caption = new QLabel(text, parent);
    caption->setObjectName(QStringLiteral("toolSection"));
    return caption;
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

    if (m_imageOptions) {
        m_preview = new SizePreview(m_fileList, PreviewColumn, m_imageOptions,
                                    [this](const QString &path) { return m_fileList->rowForPath(path); }, this);
        connect(m_preview, &SizePreview::summaryChanged, this, &IntegratedToolPage::refreshPreviewSummary);
    }

    m_elapsedTicker = new QTimer(this);
    m_elapsedTicker->setInterval(500);
    connect(m_elapsedTicker, &QTimer::timeout, this, &IntegratedToolPage::updateElapsedTime);

    if (m_tool == IntegratedTools::PsdSlim || m_tool == IntegratedTools::LayerExport) {
        m_psdRun = new PsdRun(m_tool, this);
        connect(m_psdRun, &PsdRun::rowStatusChanged, this, &IntegratedToolPage::setRowStatus);
        connect(m_psdRun, &PsdRun::rowToolTipChanged, this, &IntegratedToolPage::setRowToolTip);
        connect(m_psdRun, &PsdRun::logLineAdded, this, &IntegratedToolPage::appendLog);
        connect(m_psdRun, &PsdRun::statusChanged, m_statusLabel, &QLabel::setText);
        connect(m_psdRun, &PsdRun::progressed, this, &IntegratedToolPage::showProgress);
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
    using IntegratedTools::LayerExport;
    using IntegratedTools::PsdSlim;

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

    // Rows 3 and 4: the tool's options, and where the pictures go.
    m_options->addRowsAboveList(rows, body);

    // Row 5: the list itself.
    m_fileList = new ToolDropTree(body);
    m_fileList->setObjectName(QStringLiteral("integratedToolDropList"));
    m_fileList->setAcceptDrops(true);
    m_fileList->viewport()->setAcceptDrops(true);
    m_fileList->setDragDropMode(QAbstractItemView::DropOnly);
    m_fileList->setDefaultDropAction(Qt::CopyAction);
    m_fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QStringList headers{localized(u"文件名"), localized(u"所在位置"), localized(u"大小"), localized(u"状态")};
    if (m_tool == ImageResize)
        headers << localized(u"尺寸（当前 → 处理后）");
    m_fileList->setHeaderLabels(headers);
    m_fileList->setAlternatingRowColors(true);
    // A flat list: no branch column, and equal rows keep tens of thousands cheap.
    m_fileList->setRootIsDecorated(false);
    m_fileList->setUniformRowHeights(true);
    m_fileList->setItemDelegate(new FileRowDelegate(8, m_fileList));
    QHeaderView *header = m_fileList->header();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(3, QHeaderView::ResizeToContents);
    if (m_tool == ImageResize) {
        // Wide enough for large pictures; sized to its contents, the column
        // would be measured again over every row each time a size arrives.
        header->setSectionResizeMode(PreviewColumn, QHeaderView::Interactive);
        const QFontMetrics metrics(m_fileList->font());
        m_fileList->setColumnWidth(PreviewColumn,
                                   std::max(metrics.horizontalAdvance(QStringLiteral("88888×88888 → 88888×88888")),
                                            metrics.horizontalAdvance(headers.last()))
                                           + 24);
    }
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

    // Row 8: summary, run times and state.
    auto *statusRow = new QHBoxLayout;
    m_summaryLabel = new QLabel(body);
    // The summary grows with the size preview: in a narrow window it is cut
    // (the whole line in its tooltip) rather than widening the window; a
    // wrapping label would hold the body at its preferred height.
    m_summaryLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusRow->addWidget(m_summaryLabel, 1);
    {
        m_elapsedLabel = new QLabel(localized(u"已用时间：00:00:00"), body);
        m_remainingLabel = new QLabel(localized(u"剩余时间：--:--:--"), body);
        statusRow->addSpacing(14);
        statusRow->addWidget(m_elapsedLabel);
        statusRow->addSpacing(10);
        statusRow->addWidget(m_remainingLabel);
        // The helper's run times show from its first run on: before, the room
        // is the summary's, which also counts the pictures that will change.
        m_elapsedLabel->setVisible(m_tool != ImageResize);
        m_remainingLabel->setVisible(m_tool != ImageResize);
    }
    statusRow->addSpacing(10);
    m_statusLabel = new QLabel(localized(u"就绪"), body);
    // Workers write the status text: it is shown as it stands, never as markup.
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    statusRow->addWidget(m_statusLabel);
    rows->addLayout(statusRow);

    // Row 9: progress.
    m_progressBar = new QProgressBar(body);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    rows->addWidget(m_progressBar);

    // Rows 10 and 11: the run log.
    auto *logCaptionRow = new QHBoxLayout;
    logCaptionRow->addWidget(makeSectionCaption(localized(u"运行日志"), body));
    logCaptionRow->addStretch(1);
    // After a run of the helper or a layer export: where the pictures (and the
    // helper's report) are, beside the log caption, so the end of a run takes
    // no row of a small window.
    if (m_tool == ImageResize || m_tool == LayerExport) {
        const bool image = m_tool == ImageResize;
        m_runActions = new QWidget(body);
        m_runActions->setObjectName(image ? QStringLiteral("imageRunActions") : QStringLiteral("layerRunActions"));
        auto *actionsRow = new QHBoxLayout(m_runActions);
        actionsRow->setContentsMargins(0, 0, 0, 0);
        m_openFolderButton = ToolOptions::makeButton(QStringLiteral("打开输出文件夹"), this);
        m_openFolderButton->setObjectName(image ? QStringLiteral("imageOpenOutput") : QStringLiteral("layerOpenOutput"));
        actionsRow->addWidget(m_openFolderButton);
        if (image) {
            m_openReportButton = ToolOptions::makeButton(QStringLiteral("打开失败报告"), this);
            m_openReportButton->setObjectName(QStringLiteral("imageOpenReport"));
            actionsRow->addWidget(m_openReportButton);
        }
        for (QPushButton *button : {m_openFolderButton, m_openReportButton}) {
            if (!button)
                continue;
            connect(button, &QPushButton::clicked, this, [this, button] {
                DesktopOpen::openOrExplain(this, button->property("openPath").toString());
            });
        }
        m_runActions->hide();
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

    // Row 12: start.
    auto *startRow = new QHBoxLayout;
    m_startButton = ToolOptions::makeButton(m_tool == LayerExport ? QStringLiteral("开始导出") : QStringLiteral("开始处理"), this);
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

    // Language-independent keys, named in the tooltips.
    const auto setShortcut = [](QPushButton *button, const QKeySequence &keys) {
        button->setShortcut(keys);
        button->setToolTip(keys.toString(QKeySequence::NativeText));
    };
    setShortcut(m_startButton, QKeySequence(Qt::CTRL | Qt::Key_Return));
    setShortcut(choose, QKeySequence(Qt::CTRL | Qt::Key_O));
    setShortcut(chooseFolders, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    setShortcut(clear, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete));
    if (auto *remove = findChild<QPushButton *>(QStringLiteral("layerRemoveSelected")))
        setShortcut(remove, QKeySequence(Qt::CTRL | Qt::Key_Delete));

    connect(choose, &QPushButton::clicked, this, &IntegratedToolPage::chooseFiles);
    connect(chooseFolders, &QPushButton::clicked, this, &IntegratedToolPage::chooseFolders);
    connect(clear, &QPushButton::clicked, this, &IntegratedToolPage::clearList);
    connect(back, &QPushButton::clicked, this, [this] {
        if (m_closeHook)
            m_closeHook();
    });
    // The first thing to do on a new page takes the keyboard, not the header
    // icon that comes first in the chain.
    choose->setFocus();
}

bool IntegratedToolPage::searchesSubfolders(bool requested) const
{
    // Only the image-resize page asks; the PSD pages keep searching below.
    return requested && (!m_imageOptions || m_imageOptions->searchesSubfolders());
}

void IntegratedToolPage::collectFolder(const QString &folder, bool recursive, QList<QFileInfo> *candidates,
                                       AddTally *tally) const
{
    // Breadth first and in natural order, as the helper lists a folder: a
    // folder's own files before its subfolders', "b2" before "b10".
    QStringList pending{folder};
    for (qsizetype next = 0; next < pending.size(); ++next) {
        const QString current = pending.at(next);
        // Hidden entries are read too, so that the log can say how many stayed out.
        const int undecodable = IntegratedTools::countUndecodableNames(current);
        tally->undecodable += undecodable;
        tally->rejected += undecodable;
        QDirIterator it(current, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QStringList entries;
        while (it.hasNext())
            entries.append(it.next());
        NaturalOrder::sort(&entries);
        for (const QString &entry : std::as_const(entries)) {
            const QFileInfo info(entry);
            if (isHelperTemporary(info.fileName()))
                continue;
            if (info.isHidden()) {
                ++tally->hidden;
                continue;
            }
            if (info.isDir()) {
                if (recursive && !info.isSymLink())
                    pending.append(info.absoluteFilePath());
            } else if (info.isFile()) {
                candidates->append(info);
            }
        }
    }
}

QTreeWidgetItem *IntegratedToolPage::takeCandidate(const QFileInfo &info, const RowContext &context,
                                                   AddTally *tally)
{
    const QString path = info.absoluteFilePath();
    if (!info.isFile() || !context.extensions.contains(info.suffix().toLower())) {
        ++tally->rejected;
        return nullptr;
    }
    QTreeWidgetItem *row = m_fileList->takePath(path, {info.fileName(), QDir::toNativeSeparators(info.absolutePath()),
                                                       formatDataSize(context.locale, info.size()), context.pending});
    if (row)
        ++tally->added;
    return row;
}

void IntegratedToolPage::reportAdded(const AddTally &tally)
{
    setProperty("selectedToolPaths", m_fileList->paths());
    if (tally.added != 0 || tally.rejected != 0) {
        appendLog(translateCount(QStringLiteral("[%1] 已加入 %2 个文件，忽略 %3 个不适用文件。"),
                                 {{2, tally.added}, {3, tally.rejected}})
                          .arg(timeOfDay(), QString::number(tally.added), QString::number(tally.rejected)));
    }
    if (tally.hidden != 0) {
        appendLog(translateCount(QStringLiteral("[%1] 已跳过 %2 个隐藏文件或文件夹。"), {{2, tally.hidden}})
                          .arg(timeOfDay(), QString::number(tally.hidden)));
    }
    if (tally.undecodable != 0) {
        appendLog(translateCount(QStringLiteral("[%1] %2 个文件的名称不是有效的 UTF-8 编码，无法处理，已忽略。"),
                                 {{2, tally.undecodable}})
                          .arg(timeOfDay(), QString::number(tally.undecodable)));
    }
    if (tally.hidden != 0 || tally.undecodable != 0) {
        qInfo().noquote() << "integrated tool path list skipped" << IntegratedTools::toolKey(m_tool)
                          << "hidden=" << tally.hidden << "undecodable=" << tally.undecodable;
    }
}

void IntegratedToolPage::addPathsCounted(const QStringList &paths, bool recursive, AddTally *tally)
{
    const RowContext context{IntegratedTools::acceptedExtensions(m_tool), interfaceLocale(), localized(u"等待处理")};
    const bool deep = searchesSubfolders(recursive);

    QList<QFileInfo> candidates;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (isHelperTemporary(info.fileName()))
            continue;
        if (info.isFile()) {
            candidates.append(info);
        } else if (info.isDir()) {
            if (!m_givenFolders.contains(info.absoluteFilePath()))
                m_givenFolders.append(info.absoluteFilePath());
            collectFolder(info.absoluteFilePath(), deep, &candidates, tally);
        }
    }

    QList<QTreeWidgetItem *> rows;
    for (const QFileInfo &info : std::as_const(candidates)) {
        if (QTreeWidgetItem *row = takeCandidate(info, context, tally))
            rows.append(row);
    }

    // One insertion, painted once: a large folder must not relayout the list per file.
    if (!rows.isEmpty()) {
        m_fileList->addRows(rows);
        if (m_preview) {
            QStringList added;
            added.reserve(rows.size());
            for (const QTreeWidgetItem *row : std::as_const(rows))
                added.append(row->data(0, Qt::UserRole).toString());
            m_preview->read(added);
        }
    }
}

void IntegratedToolPage::addPaths(const QStringList &paths, bool recursive)
{
    AddTally tally;
    addPathsCounted(paths, recursive, &tally);
    reportAdded(tally);
    qInfo().noquote() << "integrated tool path list" << IntegratedTools::toolKey(m_tool) << "added=" << tally.added
                      << "rejected=" << tally.rejected << "total=" << m_fileList->paths().size();
    refreshSummary();
}

void IntegratedToolPage::queuePaths(const QStringList &paths, bool recursive)
{
    if (paths.isEmpty())
        return;
    m_queued.recursive = recursive;
    m_queued.paths += paths;
    if (!m_queued.step) {
        m_queued.step = new QTimer(this);
        m_queued.step->setSingleShot(true);
        connect(m_queued.step, &QTimer::timeout, this, &IntegratedToolPage::addQueuedStep);
    }
    if (!m_queued.step->isActive())
        m_queued.step->start(0);
}

bool IntegratedToolPage::hasQueuedPaths() const
{
    return !m_queued.paths.isEmpty();
}

void IntegratedToolPage::addQueuedStep()
{
    // Small slices until the time of one step is used up, then back to the
    // event loop; the log line and the summary come once, at the end.
    QElapsedTimer clock;
    clock.start();
    while (m_queued.next < m_queued.paths.size() && clock.elapsed() < QueuedStepMilliseconds) {
        const qsizetype count = std::min<qsizetype>(QueuedSlicePaths, m_queued.paths.size() - m_queued.next);
        addPathsCounted(m_queued.paths.mid(m_queued.next, count), m_queued.recursive, &m_queued.tally);
        m_queued.next += count;
    }
    if (m_queued.next < m_queued.paths.size()) {
        m_queued.step->start(0);
        return;
    }
    const AddTally tally = m_queued.tally;
    m_queued.paths = QStringList(); // the memory goes back, not only the entries
    m_queued.next = 0;
    m_queued.tally = AddTally();
    reportAdded(tally);
    qInfo().noquote() << "integrated tool path list" << IntegratedTools::toolKey(m_tool) << "added=" << tally.added
                      << "rejected=" << tally.rejected << "total=" << m_fileList->paths().size();
    refreshSummary();
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
    m_givenFolders.clear();
    if (m_preview)
        m_preview->clear();
    if (m_runActions)
        m_runActions->hide();
    // Paths still waiting to be added were meant for the list just cleared.
    m_queued.paths = QStringList();
    m_queued.next = 0;
    m_queued.tally = AddTally();
    setProperty("selectedToolPaths", m_fileList->paths());
    showIdleProgress();
    m_statusLabel->setText(localized(u"就绪"));
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
    const QString text = m_preview ? m_summaryBase + m_preview->summaryText() : m_summaryBase;
    m_summaryLabel->setText(text);
    m_summaryLabel->setToolTip(text);
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
    return m_summaryLabel->text();
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
    m_progressBar->setRange(0, 0);
    m_statusLabel->setText(translateToolText(QStringLiteral("正在启动…")));
    appendLog(translateCount(QStringLiteral("[%1] 启动 %2，传递 %3 个文件。"), {{3, m_fileList->paths().size()}})
                      .arg(timeOfDay(), IntegratedTools::toolDisplayTitle(m_tool), QString::number(m_fileList->paths().size())));

    const QString program = m_helperProgram.isEmpty()
            ? IntegratedTools::resolveToolExecutable(IntegratedTools::ImageResize)
            : m_helperProgram;
    auto *run = new ImageResizeRun(this);
    connect(run, &ImageResizeRun::logLineAdded, this, &IntegratedToolPage::appendLog);
    QString reason;
    ImageResizeChoices choices = m_imageOptions->choices();
    choices.folders = m_givenFolders;
    if (!run->start(program, choices, m_fileList->paths(), &reason)) {
        delete run;
        const QString message = translateToolText(QStringLiteral("无法启动图片尺寸调整进程。"));
        m_progressBar->setRange(0, 100);
        m_progressBar->setValue(0);
        m_statusLabel->setText(translateToolText(QStringLiteral("启动失败")));
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
    connect(run, &ImageResizeRun::progressed, this, &IntegratedToolPage::showProgress);
    connect(run, &ImageResizeRun::statusChanged, m_statusLabel, &QLabel::setText);
    connect(run, &ImageResizeRun::ended, this, &IntegratedToolPage::finishImageResize);
    connect(run, &ImageResizeRun::processEnded, this, &IntegratedToolPage::forgetHelper);
    beginRun(translateToolText(QStringLiteral("已启动")));
    m_elapsedLabel->show();
    m_remainingLabel->show();
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
    m_elapsedTicker->stop();
    m_stopButton->hide();
    m_inPlaceGuard->setRunning(false);
    // Pictures written in place have new sizes; the preview reads them again.
    if (m_preview && inPlace)
        m_preview->read(m_fileList->paths());
    updateElapsedTime();
    if (complete) {
        if (m_progressBar->maximum() < 1)
            m_progressBar->setRange(0, 100);
        m_progressBar->setValue(m_progressBar->maximum());
        m_remainingLabel->setText(localized(u"剩余时间：00:00:00"));
    } else {
        showIdleProgress();
        m_remainingLabel->setText(localized(u"剩余时间：--:--:--"));
    }
    showRunActions(folder, report, inPlace);
    endRun();
    refreshSummary();
}

void IntegratedToolPage::showRunActions(const QString &folder, const QString &report, bool inPlace)
{
    m_openFolderButton->setText(inPlace ? translateToolText(QStringLiteral("打开原文件夹"))
                                        : translateToolText(QStringLiteral("打开输出文件夹")));
    m_openFolderButton->setProperty("openPath", folder);
    m_openFolderButton->setToolTip(QDir::toNativeSeparators(folder));
    m_openFolderButton->setVisible(!folder.isEmpty());
    if (m_openReportButton) {
        m_openReportButton->setProperty("openPath", report);
        m_openReportButton->setToolTip(QDir::toNativeSeparators(report));
        m_openReportButton->setVisible(!report.isEmpty());
    }
    m_runActions->setVisible(!folder.isEmpty() || !report.isEmpty());
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
    m_progressBar->setRange(0, 0);
    m_progressBar->setValue(0);
    m_statusLabel->setText(status);
    if (m_elapsedLabel)
        m_elapsedLabel->setText(localized(u"已用时间：00:00:00"));
    if (m_remainingLabel)
        m_remainingLabel->setText(localized(u"剩余时间：--:--:--"));
    m_elapsedClock.start();
    m_elapsedTicker->start();
    setRunControlsEnabled(false);
    holdColumnWidths();
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
    QHeaderView *header = m_fileList->header();
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(3, QHeaderView::ResizeToContents);
}

// Columns sized to their contents are measured over every row at each change:
// during a run, with a change per file, they keep the width they have, made
// room for the longest status a run writes.
void IntegratedToolPage::holdColumnWidths()
{
    QHeaderView *header = m_fileList->header();
    const QFontMetrics metrics(m_fileList->font());
    const int statusWidth = metrics.horizontalAdvance(localized(u"已完成") + QStringLiteral(" 88888×88888")) + 40;
    header->setSectionResizeMode(2, QHeaderView::Interactive);
    header->setSectionResizeMode(3, QHeaderView::Interactive);
    m_fileList->setColumnWidth(3, std::max(m_fileList->columnWidth(3), statusWidth));
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

void IntegratedToolPage::showIdleProgress()
{
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
}

void IntegratedToolPage::setAllRowStatuses(const QString &text)
{
    for (int row = 0; row < m_fileList->topLevelItemCount(); ++row)
        m_fileList->topLevelItem(row)->setText(3, text);
}

void IntegratedToolPage::showProgress(const WorkerProtocol::Progress &progress, const QString &statusText)
{
    m_progressBar->setRange(0, int(std::min<qint64>(progress.total, std::numeric_limits<int>::max())));
    m_progressBar->setValue(WorkerProtocol::progressValue(progress));
    m_progressBar->setTextVisible(true);
    QString status = statusText;
    status.remove(QChar(u'\0'));
    m_statusLabel->setText(status.size() > MaxShownLineLength ? status.left(MaxShownLineLength) + QChar(0x2026)
                                                              : status);
    if (m_remainingLabel && progress.current > 0 && m_elapsedClock.isValid()) {
        const qint64 remaining =
                WorkerProtocol::remainingSeconds(m_elapsedClock.elapsed(), progress.current, progress.total);
        m_remainingLabel->setText(localized(u"剩余时间：%1").arg(WorkerProtocol::formatDuration(remaining)));
    }
}

void IntegratedToolPage::finishPsdRun(bool complete, int progressMaximum)
{
    m_elapsedTicker->stop();
    // Slimming rewrites documents: the size column shows them as they are now.
    for (int row = 0; row < m_fileList->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_fileList->topLevelItem(row);
        item->setText(2, formatDataSize(QFileInfo(item->data(0, Qt::UserRole).toString()).size()));
    }
    if (complete) {
        if (progressMaximum > 0)
            m_progressBar->setRange(0, progressMaximum);
        else if (m_progressBar->maximum() < 1)
            m_progressBar->setRange(0, 100);
        m_progressBar->setValue(m_progressBar->maximum());
        if (m_remainingLabel)
            m_remainingLabel->setText(localized(u"剩余时间：00:00:00"));
        // Where the pictures of a layer export went, as its worker named it.
        if (m_tool == IntegratedTools::LayerExport) {
            const QString folder = m_psdRun->outputFolder();
            showRunActions(QFileInfo::exists(folder) ? folder : QString(), QString(), false);
        }
    } else {
        showIdleProgress();
    }
    endRun();
}

void IntegratedToolPage::updateElapsedTime()
{
    if (m_elapsedLabel && m_elapsedClock.isValid())
        m_elapsedLabel->setText(
                localized(u"已用时间：%1").arg(WorkerProtocol::formatDuration(m_elapsedClock.elapsed() / 1000)));
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
