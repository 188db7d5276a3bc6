#include "MainForm.h"

#include "BatchLogic.h"
#include "AnchorPicker.h"
#include "BatchPaddingControls.h"
#include "ColourSwatch.h"
#include "FileRowDelegate.h"
#include "FolderPicker.h"
#include "HelperText.h"
#include "Theme.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

// The batch window's own rules after the sheet every window shares, written
// for the light look like it: the dark one comes from the colour exchange.
QString batchWindowStyleSheet()
{
    return windowStyleSheet()
            + QStringLiteral(
                    // The window's rows have fixed heights: its controls stay compact.
                    "QPushButton { padding: 4px 14px; min-height: 0px; }"
                    "QPushButton:focus { padding: 3px 13px; }"
                    "QLineEdit, QComboBox { padding: 2px 6px; min-height: 0px; }"
                    "QLineEdit:focus, QComboBox:focus { padding: 1px 5px; }"
                    "QGroupBox { border: 1px solid #d7dee8; border-radius: 3px; margin-top: 10px; padding-top: 6px; }"
                    "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 4px; color: #36506d; "
                    "font-weight: 700; }"
                    "QFrame#logFrame { background: #ffffff; border: 1px solid #cbd5e1; }"
                    "QPlainTextEdit#log { border: none; }"
                    "QPushButton#startButton { color: #ffffff; background: #2563eb; border-color: #2563eb; "
                    "font-weight: 700; min-height: 32px; max-height: 32px; }"
                    "QPushButton#startButton:hover { background: #1d4ed8; }"
                    "QPushButton#startButton:focus { border: 2px solid #172b4d; }"
                    "QPushButton#startButton:disabled { background: #99a7ba; border-color: #99a7ba; }"
                    "QStatusBar { background: #ffffff; border-top: 1px solid #d7dee8; }"
                    "QStatusBar QLabel { background: transparent; color: #526275; padding: 0 6px; }"
                    "QStatusBar QLabel#contactLabel { color: #1d4ed8; text-decoration: underline; }");
}

// File-system paths carried by a drag, in their order. Paths whose bytes are
// not valid UTF-8 go to `undecodable`, shown escaped.
QStringList localPaths(const QMimeData *data, QStringList *undecodable = nullptr)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QByteArray raw = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (QString::fromUtf8(raw).toUtf8() != raw) {
            if (undecodable)
                undecodable->append(BatchLogic::escapedName(raw));
            continue;
        }
        paths.append(url.toLocalFile());
    }
    return paths;
}

// Where a report goes when its own folder takes no file (a full disk).
QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

MainForm::MainForm(const QStringList &arguments, QWidget *parent)
    : MainForm(BatchLogic::parseArguments(arguments), parent)
{
}

MainForm::MainForm(const StartupArguments &arguments, QWidget *parent)
    : QMainWindow(parent)
{
    buildControls();

    setObjectName(QStringLiteral("MainForm"));
    updateTitle();
    resize(960, 720);
    setMinimumSize(780, 580);
    if (QFile::exists(QStringLiteral(":/AppIcon")))
        setWindowIcon(QIcon(QStringLiteral(":/AppIcon")));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    buildLayout();
    applyVellumTheme();
    // Closing asks what closing asks; Ctrl+Q on every platform, not only where it is the quit key.
    auto *quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quit->setContext(Qt::WindowShortcut);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
    loadStartupArguments(arguments);

    m_clock = new QTimer(this);
    m_clock->setObjectName(QStringLiteral("clock"));
    m_clock->setInterval(250);
    connect(m_clock, &QTimer::timeout, this, [this] {
        if (m_running)
            m_elapsed->setText(
                    HelperText::translate(QStringLiteral("已用时间：%1")).arg(BatchLogic::duration(m_watch.elapsed())));
    });
}

void MainForm::buildControls()
{
    const auto named = [](QWidget *widget, const char *name) { widget->setObjectName(QLatin1String(name)); };

    m_chooseFilesButton = new QPushButton(HelperText::translate(QStringLiteral("选择多个图片")));
    m_chooseFolderButton = new QPushButton(HelperText::translate(QStringLiteral("选择文件夹")));
    m_clearFilesButton = new QPushButton(HelperText::translate(QStringLiteral("清空列表")));
    named(m_chooseFilesButton, "chooseFilesButton");
    named(m_chooseFolderButton, "chooseFolderButton");
    named(m_clearFilesButton, "clearFilesButton");

    m_fileList = new QTreeWidget;
    named(m_fileList, "fileList");
    m_fileList->setColumnCount(3);
    m_fileList->setHeaderLabels({HelperText::translate(QStringLiteral("名称")),
                                 HelperText::translate(QStringLiteral("所在文件夹")),
                                 HelperText::translate(QStringLiteral("状态"))});
    m_fileList->setRootIsDecorated(false);
    m_fileList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // One row height for all: long lists lay out without measuring every row.
    m_fileList->setUniformRowHeights(true);
    m_fileList->setItemDelegate(new FileRowDelegate(2, m_fileList));
    // Fixed widths: a column sized to its contents is measured over every row at each status change.
    QHeaderView *header = m_fileList->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->resizeSection(0, 220);
    header->resizeSection(2, 170);
    m_fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileList->setAcceptDrops(true);
    m_fileList->viewport()->setAcceptDrops(true);
    m_fileList->viewport()->installEventFilter(this);

    m_outputBox = new QLineEdit;
    named(m_outputBox, "outputBox");
    m_chooseOutputButton = new QPushButton(HelperText::translate(QStringLiteral("浏览")));
    m_clearOutputButton = new QPushButton(HelperText::translate(QStringLiteral("恢复原位置替换")));
    named(m_chooseOutputButton, "chooseOutputButton");
    named(m_clearOutputButton, "clearOutputButton");

    m_padding = new BatchPaddingControls(this);
    connect(m_padding, &BatchPaddingControls::sizingChanged, this, &MainForm::updateTitle);
    m_pngBox = new QCheckBox(HelperText::translate(QStringLiteral("统一输出无损 PNG")));
    named(m_pngBox, "pngBox");
    m_recursiveBox = new QCheckBox(HelperText::translate(QStringLiteral("文件夹含子目录")));
    named(m_recursiveBox, "recursiveBox");
    m_recursiveBox->setChecked(true);

    m_progress = new QProgressBar;
    named(m_progress, "progress");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_status = new QLabel(HelperText::translate(QStringLiteral("就绪")));
    m_elapsed = new QLabel(HelperText::translate(QStringLiteral("已用时间：00:00:00")));
    m_remaining = new QLabel(HelperText::translate(QStringLiteral("剩余时间：--:--:--")));
    named(m_status, "status");
    named(m_elapsed, "elapsed");
    named(m_remaining, "remaining");

    m_log = new QPlainTextEdit;
    named(m_log, "log");
    m_log->setReadOnly(true);
    m_log->setFrameShape(QFrame::NoFrame);
    m_log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_startButton = new QPushButton(HelperText::translate(QStringLiteral("开始处理")));
    named(m_startButton, "startButton");
    m_stopButton = new QPushButton(HelperText::translate(QStringLiteral("停止")));
    named(m_stopButton, "stopButton");
    m_stopButton->setEnabled(false);

    m_makerLabel = new QLabel(HelperText::translate(QStringLiteral("制作者：Pictavo 工作室")));
    m_contactLabel = new QLabel(HelperText::translate(QStringLiteral("联系邮箱：support@pictavo.example")));
    named(m_makerLabel, "makerLabel");
    named(m_contactLabel, "contactLabel");

    m_batch = new BatchRun(this);
    connect(m_batch, &BatchRun::logText, this, &MainForm::log);
    connect(m_batch, &BatchRun::progress, this, &MainForm::showProgress);
    // The tool window follows one run: once its DONE is out, the channel
    // closes so the window can show the end while this window stays open.
    connect(m_batch, &BatchRun::finished, this, [this] { m_channel.close(); });
    connect(m_batch, &BatchRun::finished, this, &MainForm::finishRun);
    connect(m_batch, &BatchRun::recordReady, this, [this](const QByteArray &record) { m_channel.send(record); });
    connect(m_batch, &BatchRun::pictureStarted, this,
            [this](const QString &path) { setRowStatus(path, HelperText::translate(QStringLiteral("处理中"))); });
    connect(m_batch, &BatchRun::pictureFinished, this, &MainForm::showResult);
    connect(m_batch, &BatchRun::pictureCancelled, this, [this](const QString &path) {
        setRowStatus(path, HelperText::translate(QStringLiteral("已取消")),
                     HelperText::translate(QStringLiteral("未开始：停止后未处理，原图保持不变。")));
    });
    m_channel.onStopRequest(this, [this] { stopProcessing(); });

    connect(m_chooseFilesButton, &QPushButton::clicked, this, &MainForm::chooseFiles);
    connect(m_chooseFolderButton, &QPushButton::clicked, this, &MainForm::chooseFolder);
    connect(m_clearFilesButton, &QPushButton::clicked, this, &MainForm::clearFiles);
    connect(m_chooseOutputButton, &QPushButton::clicked, this, &MainForm::chooseOutput);
    connect(m_clearOutputButton, &QPushButton::clicked, this, &MainForm::clearOutput);
    connect(m_startButton, &QPushButton::clicked, this, &MainForm::startProcessing);
    connect(m_stopButton, &QPushButton::clicked, this, &MainForm::stopProcessing);
}

void MainForm::buildLayout()
{
    auto *central = new QWidget;
    central->setObjectName(QStringLiteral("centralArea"));
    auto *rows = new QVBoxLayout(central);
    rows->setContentsMargins(10, 0, 10, 10);
    rows->setSpacing(0);

    auto *buttonRow = new QWidget;
    buttonRow->setObjectName(QStringLiteral("buttonRow"));
    buttonRow->setFixedHeight(42);
    auto *buttons = new QHBoxLayout(buttonRow);
    buttons->setContentsMargins(0, 8, 8, 8);
    buttons->setSpacing(8);
    buttons->addWidget(m_chooseFilesButton);
    buttons->addWidget(m_chooseFolderButton);
    buttons->addWidget(m_clearFilesButton);
    buttons->addStretch();
    rows->addWidget(buttonRow);

    m_fileList->setFixedHeight(160);
    rows->addWidget(m_fileList);

    auto *outputRow = new QWidget;
    outputRow->setObjectName(QStringLiteral("outputRow"));
    outputRow->setFixedHeight(38);
    auto *output = new QGridLayout(outputRow);
    output->setContentsMargins(0, 6, 0, 4);
    output->setHorizontalSpacing(8);
    output->addWidget(new QLabel(HelperText::translate(QStringLiteral("输出目录（留空＝原位置替换）："))), 0, 0);
    output->addWidget(m_outputBox, 0, 1);
    output->addWidget(m_chooseOutputButton, 0, 2);
    output->addWidget(m_clearOutputButton, 0, 3);
    output->setColumnStretch(1, 1);
    rows->addWidget(outputRow);

    auto *optionsRow = new QWidget;
    optionsRow->setObjectName(QStringLiteral("optionsRow"));
    optionsRow->setFixedHeight(46);
    auto *options = new QHBoxLayout(optionsRow);
    // Room for the anchor grid, as high as a combo box of the shared sheet.
    options->setContentsMargins(0, 6, 0, 6);
    options->setSpacing(8);
    options->addWidget(new QLabel(HelperText::translate(QStringLiteral("尺寸规则："))));
    options->addWidget(m_padding->ruleBox());
    options->addWidget(m_padding->multipleBox());
    options->addSpacing(12);
    options->addWidget(new QLabel(HelperText::translate(QStringLiteral("补边颜色："))));
    options->addWidget(m_padding->fillBox());
    options->addWidget(m_padding->swatch());
    options->addSpacing(12);
    options->addWidget(new QLabel(HelperText::translate(QStringLiteral("内容位置："))));
    options->addWidget(m_padding->anchorPicker());
    options->addStretch();
    rows->addWidget(optionsRow);

    // A row of their own: beside a multiple and a colour they would not fit the narrowest window.
    auto *formatRow = new QWidget;
    formatRow->setObjectName(QStringLiteral("formatRow"));
    formatRow->setFixedHeight(30);
    auto *format = new QHBoxLayout(formatRow);
    format->setContentsMargins(0, 0, 0, 4);
    format->setSpacing(8);
    format->addWidget(m_pngBox);
    format->addSpacing(8);
    format->addWidget(m_recursiveBox);
    format->addStretch();
    rows->addWidget(formatRow);

    auto *progressRow = new QWidget;
    progressRow->setObjectName(QStringLiteral("progressRow"));
    progressRow->setFixedHeight(58);
    auto *progressGrid = new QGridLayout(progressRow);
    progressGrid->setContentsMargins(0, 4, 0, 4);
    progressGrid->setHorizontalSpacing(8);
    progressGrid->setVerticalSpacing(6);
    progressGrid->addWidget(m_progress, 0, 0, 1, 3);
    progressGrid->addWidget(m_status, 1, 0);
    progressGrid->addWidget(m_elapsed, 1, 1);
    progressGrid->addWidget(m_remaining, 1, 2);
    progressGrid->setColumnStretch(0, 40);
    progressGrid->setColumnStretch(1, 30);
    progressGrid->setColumnStretch(2, 30);
    // Equal stretch alone would still size columns by their texts; a zero minimum keeps the 40/30/30 split.
    for (QLabel *label : {m_status, m_elapsed, m_remaining})
        label->setMinimumWidth(0);
    m_progress->setFixedHeight(22);
    rows->addWidget(progressRow);

    auto *logGroup = new QGroupBox(HelperText::translate(QStringLiteral("实时处理日志")));
    logGroup->setObjectName(QStringLiteral("logGroup"));
    auto *logGroupLayout = new QVBoxLayout(logGroup);
    logGroupLayout->setContentsMargins(8, 8, 8, 8);
    auto *logFrame = new QFrame;
    logFrame->setObjectName(QStringLiteral("logFrame"));
    logFrame->setFrameShape(QFrame::StyledPanel);
    logFrame->setFrameShadow(QFrame::Sunken);
    auto *logFrameLayout = new QVBoxLayout(logFrame);
    logFrameLayout->setContentsMargins(1, 1, 1, 1);
    logFrameLayout->addWidget(m_log);
    logGroupLayout->addWidget(logFrame);
    rows->addWidget(logGroup, 1);

    rows->addSpacing(8);
    m_startButton->setFixedHeight(42);
    m_stopButton->setFixedHeight(42);
    auto *runRow = new QHBoxLayout;
    runRow->setSpacing(8);
    runRow->addWidget(m_startButton, 1);
    runRow->addWidget(m_stopButton);
    rows->addLayout(runRow);

    setCentralWidget(central);

    QStatusBar *strip = statusBar();
    strip->setObjectName(QStringLiteral("creditStrip"));
    strip->setSizeGripEnabled(false);
    strip->addWidget(m_makerLabel);
    strip->addWidget(m_contactLabel);
}

void MainForm::applyVellumTheme()
{
    // Names as Windows knows them first; elsewhere fontconfig substitutes, and Noto CJK draws the Chinese.
    QFont font(QStringLiteral("Microsoft YaHei UI"), 9);
    font.setFamilies({QStringLiteral("Microsoft YaHei UI"), QStringLiteral("Noto Sans CJK SC")});
    setFont(font);
    setStyleSheet(batchWindowStyleSheet());
    applyThemeTree(this, isDarkTheme());
}

void MainForm::loadStartupArguments(const StartupArguments &parsed)
{
    noteSkipped(parsed.skipped);
    if (parsed.rule)
        m_padding->showSizing(*parsed.rule);
    if (parsed.fill)
        m_padding->showFill(*parsed.fill);
    if (parsed.outputDir)
        m_outputBox->setText(*parsed.outputDir);
    if (parsed.anchor)
        m_padding->showAnchor(*parsed.anchor);
    if (parsed.png)
        m_pngBox->setChecked(true);
    if (parsed.recursive)
        m_recursiveBox->setChecked(true);

    // Folders named on the command line keep their output-folder pictures: the
    // caller asked for exactly that folder.
    if (!parsed.paths.isEmpty()) {
        QStringList skipped;
        const QStringList pictures = BatchLogic::expandPaths(parsed.paths, m_recursiveBox->isChecked(), &skipped);
        noteSkipped(skipped);
        addFiles(pictures);
    }
    m_baseFolders += BatchLogic::baseFolders(parsed);
    m_jobs = parsed.jobs.value_or(0);
    m_keepOriginals = parsed.keepOriginals;
    if (parsed.reportTo) {
        QString error;
        if (!m_channel.connect(*parsed.reportTo, &error))
            log(HelperText::translate(QStringLiteral("无法连接工具窗口的进度通道 %1：%2；处理照常进行，进度只在本窗口显示"))
                    .arg(*parsed.reportTo, error));
    }
    m_startRequested = parsed.start && !m_files.isEmpty();
}

void MainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (m_startRequested)
        QTimer::singleShot(0, this, &MainForm::startProcessing);
}

void MainForm::addFiles(const QStringList &paths)
{
    if (m_running)
        return;
    QStringList added;
    for (const QString &path : paths) {
        if (!BatchLogic::isPicture(path))
            continue;
        const QString key = BatchLogic::pathKey(path);
        if (m_fileKeys.contains(key))
            continue;
        m_fileKeys.insert(key);
        added.append(path);
    }
    if (!added.isEmpty()) {
        m_files.append(added);
        const QString waiting = HelperText::translate(QStringLiteral("等待处理"));
        QList<QTreeWidgetItem *> items;
        items.reserve(added.size());
        for (const QString &path : std::as_const(added)) {
            const QFileInfo info(path);
            auto *item = new QTreeWidgetItem({info.fileName(), native(info.absolutePath()), waiting});
            item->setData(0, Qt::UserRole, path);
            item->setToolTip(0, native(info.absoluteFilePath()));
            m_rows.insert(path, item);
            items.append(item);
        }
        // One batch insert without repaints: thousands of rows arrive in one step.
        m_fileList->setUpdatesEnabled(false);
        m_fileList->addTopLevelItems(items);
        m_fileList->setUpdatesEnabled(true);
    }
    m_status->setText(HelperText::translateCount(QStringLiteral("已选择 %1 个图片"), {{1, m_files.size()}}).arg(m_files.size()));
}

void MainForm::chooseFiles()
{
    if (m_running)
        return;
    // Upper-case patterns too: the widget dialog matches names case-sensitively where the file system does.
    const QStringList chosen = QFileDialog::getOpenFileNames(
        this, HelperText::translate(QStringLiteral("选择多个图片")), QString(),
        HelperText::translate(QStringLiteral("图片文件 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff "
                                             "*.JPG *.JPEG *.PNG *.BMP *.GIF *.TIF *.TIFF);;所有文件 (*)")));
    if (!chosen.isEmpty())
        addFiles(chosen);
}

void MainForm::chooseFolder()
{
    if (m_running)
        return;
    const QString folder = FolderPicker::show(this, HelperText::translate(QStringLiteral("选择图片文件夹")));
    if (folder.isEmpty())
        return;
    QStringList pictures;
    QStringList skipped;
    BatchLogic::listPictures(folder, m_recursiveBox->isChecked(), true, &pictures, nullptr, &skipped);
    noteSkipped(skipped);
    addFiles(pictures);
    m_baseFolders.append(folder);
}

void MainForm::clearFiles()
{
    if (m_running)
        return;
    m_files.clear();
    m_fileKeys.clear();
    m_baseFolders.clear();
    m_skippedCount = 0;
    m_skippedTexts.clear();
    m_rows.clear();
    m_fileList->clear();
    m_progress->setValue(0);
    m_status->setText(HelperText::translate(QStringLiteral("就绪")));
}

void MainForm::chooseOutput()
{
    if (m_running)
        return;
    const QString folder = FolderPicker::show(this, HelperText::translate(QStringLiteral("选择输出目录")));
    if (!folder.isEmpty())
        m_outputBox->setText(native(folder));
}

void MainForm::clearOutput()
{
    if (m_running)
        return;
    m_outputBox->clear();
}

void MainForm::dropPaths(const QStringList &paths, const QStringList &undecodable)
{
    const qsizetype before = m_files.size();
    int folders = 0;
    QStringList pictures;
    QStringList skipped;
    for (const QString &name : undecodable)
        skipped.append(HelperText::translate(BatchLogic::UndecodableName) + name);
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            ++folders;
            m_baseFolders.append(path);
            QString error;
            if (!BatchLogic::listPictures(path, m_recursiveBox->isChecked(), true, &pictures, &error, &skipped))
                log(HelperText::translate(QStringLiteral("[拖入失败] %1；%2")).arg(native(path), error));
        } else if (!info.exists()) {
            skipped.append(HelperText::translate(BatchLogic::Missing) + native(path));
        } else if (info.isFile() && BatchLogic::isPicture(path)) {
            pictures.append(path);
        } else {
            skipped.append(HelperText::translate(BatchLogic::UnsupportedType) + native(path));
        }
    }
    noteSkipped(skipped);
    addFiles(pictures);
    const qsizetype items = paths.size() + undecodable.size();
    const qsizetype added = m_files.size() - before;
    log(HelperText::translateCount(QStringLiteral("已拖入 %1 个项目（其中 %2 个文件夹），新增 %3 张图片。"),
                                   {{1, items}, {2, folders}, {3, added}})
            .arg(items)
            .arg(folders)
            .arg(added));
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_fileList->viewport())
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!m_running && !localPaths(drag->mimeData()).isEmpty()) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->setDropAction(Qt::IgnoreAction);
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        QStringList undecodable;
        const QStringList paths = localPaths(drop->mimeData(), &undecodable);
        if (m_running || (paths.isEmpty() && undecodable.isEmpty())) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        dropPaths(paths, undecodable);
        return true;
    }
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

void MainForm::noteSkipped(const QStringList &texts)
{
    if (texts.isEmpty())
        return;
    // One insertion for all: a long list of missing files must not crawl into the log line by line.
    const QTime now = QTime::currentTime();
    QString lines;
    for (const QString &text : texts)
        lines += BatchLogic::logLine(now, text) + QLatin1Char('\n');
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(lines);
    m_log->setTextCursor(cursor);
    m_log->ensureCursorVisible();
    m_skippedCount += int(texts.size());
    m_skippedTexts += texts;
}

void MainForm::log(const QString &text)
{
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(BatchLogic::logLine(QTime::currentTime(), text) + QLatin1Char('\n'));
    m_log->setTextCursor(cursor);
    m_log->ensureCursorVisible();
}

void MainForm::startProcessing()
{
    if (m_running)
        return;
    if (m_files.isEmpty()) {
        showMessage(QMessageBox::Warning, windowTitle(), HelperText::translate(QStringLiteral("请先选择图片或文件夹。")));
        return;
    }
    const QString outDir = m_outputBox->text().trimmed();
    const bool inPlace = outDir.isEmpty();
    if (!inPlace) {
        QString error;
        if (!BatchRun::makeFolder(outDir, &error)) {
            showMessage(QMessageBox::NoIcon, QString(),
                        HelperText::translate(QStringLiteral("无法创建输出目录：%1")).arg(error));
            return;
        }
    }

    m_running = true;
    m_startButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    setListButtonsEnabled(false);
    const QString waiting = HelperText::translate(QStringLiteral("等待处理"));
    m_fileList->setUpdatesEnabled(false);
    for (QTreeWidgetItem *item : std::as_const(m_rows)) {
        item->setText(2, waiting);
        item->setToolTip(2, QString());
    }
    m_fileList->setUpdatesEnabled(true);
    m_progress->setMaximum(int(m_files.size()));
    m_progress->setValue(0);
    m_watch.restart();
    m_clock->start();

    BatchSettings settings;
    settings.outDir = outDir;
    settings.baseFolders = m_baseFolders;
    settings.rule = m_padding->sizing();
    settings.fill = m_padding->fill();
    settings.anchor = m_padding->anchor();
    settings.png = m_pngBox->isChecked();
    settings.jobs = m_jobs;
    settings.keepOriginals = m_keepOriginals;
    settings.recordsRead = m_channel.isConnected();
    // Sent once: a later run of the same list does not report them again.
    const QStringList skipped = std::exchange(m_skippedTexts, {});
    m_batch->start(m_files, settings, BatchLogic::skippedFiles(skipped), m_skippedCount);
}

void MainForm::showProgress(int finished, int total, qint64 remainingMilliseconds)
{
    m_progress->setValue(finished);
    m_status->setText(HelperText::translate(QStringLiteral("进度：%1/%2")).arg(finished).arg(total));
    m_remaining->setText(
            HelperText::translate(QStringLiteral("剩余时间：%1")).arg(BatchLogic::duration(remainingMilliseconds)));
}

void MainForm::stopProcessing()
{
    if (!m_running || m_batch->isStopping())
        return;
    m_batch->stop();
    m_stopButton->setEnabled(false);
    m_status->setText(HelperText::translate(QStringLiteral("正在停止：等正在处理的图片完成…")));
    log(HelperText::translate(QStringLiteral("正在停止：等正在处理的图片完成…")));
}

void MainForm::closeEvent(QCloseEvent *event)
{
    if (!m_running) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    if (m_batch->isStopping()) {
        m_closeAfterRun = true;
        return;
    }
    QMessageBox box(QMessageBox::Question, windowTitle(),
                    HelperText::translate(QStringLiteral("处理完正在进行的图片后停止？")),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("stopQuestion"));
    box.setInformativeText(
            HelperText::translate(QStringLiteral("已在处理的图片会完成并校验，其余图片不再开始，原图保持不变。")));
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes)
        return;
    if (!m_running) {
        // The run ended while the question was open.
        close();
        return;
    }
    m_closeAfterRun = true;
    stopProcessing();
}

void MainForm::updateTitle()
{
    const Sizing sizing = m_padding->sizing();
    setWindowTitle(HelperText::translate(QStringLiteral("图片尺寸补齐工具（%1）"))
                           .arg(PaddingChoices::displayText(sizing, HelperText::translate)));
}

void MainForm::setRowStatus(const QString &path, const QString &status, const QString &toolTip)
{
    QTreeWidgetItem *item = m_rows.value(path);
    if (!item)
        return;
    item->setText(2, status);
    item->setToolTip(2, toolTip);
}

void MainForm::showResult(const ProcessResult &result)
{
    if (!result.success) {
        setRowStatus(result.source, HelperText::translate(QStringLiteral("失败")), result.message);
        return;
    }
    if (result.unchanged) {
        setRowStatus(result.source, HelperText::translate(QStringLiteral("已符合规则，未改动")), result.message);
        return;
    }
    // A new name (a JPEG given a transparent fill became a PNG) is named on the row.
    const QString written = QFileInfo(result.destination).fileName();
    const QString status = written == QFileInfo(result.source).fileName()
                                   ? HelperText::translate(QStringLiteral("已完成 %1")).arg(result.newSize)
                                   : HelperText::translate(QStringLiteral("已完成 → %1 %2")).arg(written, result.newSize);
    setRowStatus(result.source, status, native(QFileInfo(result.destination).absoluteFilePath()));
}

void MainForm::finishRun()
{
    m_clock->stop();
    m_running = false;
    m_stopButton->setEnabled(false);
    m_startButton->setEnabled(true);
    setListButtonsEnabled(true);
    m_remaining->setText(HelperText::translate(QStringLiteral("剩余时间：00:00:00")));
    // Files left out before the run are part of its outcome: a run never reads
    // as all done while something was skipped.
    // Pictures that fitted already are skipped too: nothing was done to them.
    const int skippedCount = m_skippedCount + m_batch->unchanged();
    const QString skipped = skippedCount == 0 ? QString()
                                              : HelperText::translate(QStringLiteral("，跳过 %1")).arg(skippedCount);
    const QString skippedLine = skippedCount == 0 ? QString()
                                                  : HelperText::translate(QStringLiteral("\n跳过：%1")).arg(skippedCount);
    const int succeeded = m_batch->succeeded();
    const int failed = m_batch->failed();
    const int cancelled = m_batch->cancelled();
    const QString notStarted =
            cancelled == 0 ? QString() : HelperText::translate(QStringLiteral("，未开始 %1")).arg(cancelled);
    m_status->setText(HelperText::translate(QStringLiteral("完成：成功 %1，失败 %2")).arg(succeeded).arg(failed) + skipped
                      + notStarted);
    if (m_closeAfterRun) {
        // Asked to close during the run: the log and the records said it all.
        close();
        return;
    }
    if (cancelled > 0) {
        const QString notStartedLine = HelperText::translate(QStringLiteral("\n未开始：%1")).arg(cancelled);
        const QString reportLine = failed == 0 ? QString()
                                               : HelperText::translate(QStringLiteral("\n\n错误报告：%1"))
                                                         .arg(m_batch->reportError().isEmpty()
                                                                      ? native(m_batch->reportPath())
                                                                      : m_batch->reportError());
        showMessage(QMessageBox::NoIcon, windowTitle(),
                    HelperText::translate(QStringLiteral("处理已停止\n成功：%1\n失败：%2%3%4%5"))
                            .arg(QString::number(succeeded), QString::number(failed), skippedLine, notStartedLine,
                                 reportLine));
        return;
    }

    // The run has logged its end already; the box repeats it.
    const QString report = native(m_batch->reportPath());
    const QString reportError = m_batch->reportError();
    if (failed == 0 && skippedCount == 0) {
        showMessage(QMessageBox::NoIcon, windowTitle(),
                    HelperText::translate(QStringLiteral("处理完成\n成功：%1\n失败：0\n\n全部成功，未生成处理报告。")).arg(succeeded));
    } else if (failed == 0) {
        showMessage(QMessageBox::NoIcon, windowTitle(),
                    HelperText::translate(QStringLiteral("处理完成\n成功：%1\n失败：0%2\n\n没有失败，但有文件被跳过，原因见日志；未生成处理报告。"))
                        .arg(QString::number(succeeded), skippedLine));
    } else if (reportError.isEmpty()) {
        showMessage(QMessageBox::NoIcon, windowTitle(),
                    HelperText::translate(QStringLiteral("处理完成\n成功：%1\n失败：%2%3\n\n错误报告：%4"))
                        .arg(QString::number(succeeded), QString::number(failed), skippedLine, report));
    } else {
        showMessage(QMessageBox::NoIcon, windowTitle(),
                    HelperText::translate(QStringLiteral("处理完成\n成功：%1\n失败：%2%3\n\n错误报告未能写入：%4\n%5"))
                        .arg(QString::number(succeeded), QString::number(failed), skippedLine, report,
                             reportError));
    }
}

void MainForm::setListButtonsEnabled(bool enabled)
{
    for (QPushButton *button :
         {m_chooseFilesButton, m_chooseFolderButton, m_clearFilesButton, m_chooseOutputButton, m_clearOutputButton})
        button->setEnabled(enabled);
}

void MainForm::showMessage(QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
    box.exec();
}
