#include "MainForm.h"

#include "BatchLogic.h"
#include "FolderPicker.h"
#include "HelperText.h"

#include <QCheckBox>
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
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// With uniform row sizes the first row decides every row's height; a Latin
// first name would leave later Chinese, Japanese or Korean names (drawn by a
// taller fallback font) overlapping. Size rows for the tallest script instead.
class FileRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QFontMetrics metrics(option.font);
        const int textHeight = qMax(metrics.height(), metrics.boundingRect(QStringLiteral("Ag图あ한")).height());
        size.setHeight(qMax(size.height(), textHeight + 2));
        return size;
    }
};

const char *const VellumStyleSheet = R"(
QMainWindow, QWidget#centralArea, QWidget#buttonRow, QWidget#outputRow, QWidget#optionsRow,
QWidget#progressRow, QGroupBox, QLabel, QCheckBox, QDialog, QMessageBox {
    background-color: rgb(238, 234, 224);
    color: rgb(23, 39, 80);
}
QGroupBox {
    border: 1px solid rgb(200, 196, 184);
    border-radius: 3px;
    margin-top: 10px;
    padding-top: 6px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0 4px;
}
QLineEdit, QPlainTextEdit, QListWidget, QListView, QComboBox, QComboBox QAbstractItemView {
    background-color: rgb(250, 248, 242);
    color: rgb(23, 39, 80);
    selection-background-color: rgb(23, 53, 116);
    selection-color: white;
}
QLineEdit, QListWidget {
    border: 1px solid rgb(170, 167, 158);
}
QLineEdit {
    padding: 2px 4px;
}
QFrame#logFrame {
    background-color: rgb(250, 248, 242);
    border: 1px solid rgb(170, 167, 158);
    border-top-color: rgb(140, 137, 128);
    border-left-color: rgb(140, 137, 128);
}
QPlainTextEdit#log {
    border: none;
}
QPushButton {
    background-color: rgb(247, 243, 233);
    color: rgb(23, 39, 80);
    border: 1px solid rgb(170, 167, 158);
    padding: 4px 14px;
}
QPushButton:hover {
    background-color: rgb(252, 250, 244);
}
QPushButton:pressed {
    background-color: rgb(232, 227, 214);
}
QPushButton:disabled {
    color: rgb(150, 150, 150);
}
QPushButton#startButton {
    background-color: rgb(23, 53, 116);
    color: white;
    border: 2px solid rgb(196, 168, 78);
    font-weight: bold;
}
QPushButton#startButton:hover {
    background-color: rgb(33, 68, 140);
}
QPushButton#startButton:disabled {
    background-color: rgb(96, 112, 146);
    color: rgb(220, 220, 220);
}
QProgressBar {
    background-color: rgb(250, 248, 242);
    border: 1px solid rgb(170, 167, 158);
}
QProgressBar::chunk {
    background-color: rgb(23, 53, 116);
}
QStatusBar {
    background-color: rgb(23, 53, 116);
    color: white;
}
QStatusBar QLabel {
    background-color: transparent;
    color: white;
    padding: 0 6px;
}
QStatusBar QLabel#contactLabel {
    color: rgb(232, 206, 120);
    text-decoration: underline;
}
)";

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
                undecodable->append(BatchLogic::EscapedName(raw));
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
    : MainForm(BatchLogic::ParseArguments(arguments), parent)
{
}

MainForm::MainForm(const StartupArguments &arguments, QWidget *parent)
    : QMainWindow(parent)
{
    BuildControls();

    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(HelperText::Translate(QStringLiteral("图片尺寸4倍数补齐工具")));
    resize(960, 720);
    setMinimumSize(780, 580);
    if (QFile::exists(QStringLiteral(":/AppIcon")))
        setWindowIcon(QIcon(QStringLiteral(":/AppIcon")));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    BuildLayout();
    ApplyVellumTheme();
    LoadStartupArguments(arguments);

    clock = new QTimer(this);
    clock->setObjectName(QStringLiteral("clock"));
    clock->setInterval(250);
    connect(clock, &QTimer::timeout, this, [this] {
        if (running)
            elapsed->setText(
                    HelperText::Translate(QStringLiteral("已用时间：%1")).arg(BatchLogic::Duration(watch.elapsed())));
    });
}

void MainForm::BuildControls()
{
    const auto named = [](QWidget *widget, const char *name) { widget->setObjectName(QLatin1String(name)); };

    chooseFilesButton = new QPushButton(HelperText::Translate(QStringLiteral("选择多个图片")));
    chooseFolderButton = new QPushButton(HelperText::Translate(QStringLiteral("选择文件夹")));
    clearFilesButton = new QPushButton(HelperText::Translate(QStringLiteral("清空列表")));
    named(chooseFilesButton, "chooseFilesButton");
    named(chooseFolderButton, "chooseFolderButton");
    named(clearFilesButton, "clearFilesButton");

    fileList = new QListWidget;
    named(fileList, "fileList");
    fileList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // One row height for all: long lists lay out without measuring every row.
    fileList->setUniformItemSizes(true);
    fileList->setItemDelegate(new FileRowDelegate(fileList));
    fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList->setAcceptDrops(true);
    fileList->viewport()->setAcceptDrops(true);
    fileList->viewport()->installEventFilter(this);

    outputBox = new QLineEdit;
    named(outputBox, "outputBox");
    chooseOutputButton = new QPushButton(HelperText::Translate(QStringLiteral("浏览")));
    clearOutputButton = new QPushButton(HelperText::Translate(QStringLiteral("恢复原位置替换")));
    named(chooseOutputButton, "chooseOutputButton");
    named(clearOutputButton, "clearOutputButton");

    sizeRuleBox = new QComboBox;
    named(sizeRuleBox, "sizeRuleBox");
    // Shown in the run's language; the item's data is the rule's key.
    for (const SizeRule rule : PaddingChoices::PaddingRules)
        sizeRuleBox->addItem(HelperText::Translate(PaddingChoices::sourceText(rule)), PaddingChoices::key(rule));
    // Widths made for the Chinese items; an item in another language may ask for more.
    sizeRuleBox->setFixedWidth(qMax(145, sizeRuleBox->sizeHint().width()));
    fillBox = new QComboBox;
    named(fillBox, "fillBox");
    for (const Fill fill : PaddingChoices::Fills)
        fillBox->addItem(HelperText::Translate(PaddingChoices::sourceText(fill)), PaddingChoices::key(fill));
    fillBox->setFixedWidth(qMax(80, fillBox->sizeHint().width()));
    centeredBox = new QCheckBox(HelperText::Translate(QStringLiteral("内容居中")));
    named(centeredBox, "centeredBox");
    centeredBox->setChecked(true);
    pngBox = new QCheckBox(HelperText::Translate(QStringLiteral("统一输出无损 PNG")));
    named(pngBox, "pngBox");
    recursiveBox = new QCheckBox(HelperText::Translate(QStringLiteral("文件夹含子目录")));
    named(recursiveBox, "recursiveBox");
    recursiveBox->setChecked(true);

    progress = new QProgressBar;
    named(progress, "progress");
    progress->setRange(0, 100);
    progress->setValue(0);
    progress->setTextVisible(false);
    status = new QLabel(HelperText::Translate(QStringLiteral("就绪")));
    elapsed = new QLabel(HelperText::Translate(QStringLiteral("已用时间：00:00:00")));
    remaining = new QLabel(HelperText::Translate(QStringLiteral("剩余时间：--:--:--")));
    named(status, "status");
    named(elapsed, "elapsed");
    named(remaining, "remaining");

    log = new QPlainTextEdit;
    named(log, "log");
    log->setReadOnly(true);
    log->setFrameShape(QFrame::NoFrame);
    log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    startButton = new QPushButton(HelperText::Translate(QStringLiteral("开始处理")));
    named(startButton, "startButton");

    makerLabel = new QLabel(HelperText::Translate(QStringLiteral("制作者：Pictavo 工作室")));
    contactLabel = new QLabel(HelperText::Translate(QStringLiteral("联系邮箱：support@pictavo.example")));
    named(makerLabel, "makerLabel");
    named(contactLabel, "contactLabel");

    batch = new BatchRun(this);
    connect(batch, &BatchRun::LogText, this, &MainForm::Log);
    connect(batch, &BatchRun::Progress, this, &MainForm::ShowProgress);
    // The tool window follows one run: once its DONE is out, the channel
    // closes so the window can show the end while this window stays open.
    connect(batch, &BatchRun::Finished, this, [this] { channel.Close(); });
    connect(batch, &BatchRun::Finished, this, &MainForm::FinishRun);
    connect(batch, &BatchRun::RecordReady, this, [this](const QByteArray &record) { channel.Send(record); });

    connect(chooseFilesButton, &QPushButton::clicked, this, &MainForm::ChooseFiles);
    connect(chooseFolderButton, &QPushButton::clicked, this, &MainForm::ChooseFolder);
    connect(clearFilesButton, &QPushButton::clicked, this, &MainForm::ClearFiles);
    connect(chooseOutputButton, &QPushButton::clicked, this, &MainForm::ChooseOutput);
    connect(clearOutputButton, &QPushButton::clicked, this, &MainForm::ClearOutput);
    connect(startButton, &QPushButton::clicked, this, &MainForm::StartProcessing);
}

void MainForm::BuildLayout()
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
    buttons->addWidget(chooseFilesButton);
    buttons->addWidget(chooseFolderButton);
    buttons->addWidget(clearFilesButton);
    buttons->addStretch();
    rows->addWidget(buttonRow);

    fileList->setFixedHeight(160);
    rows->addWidget(fileList);

    auto *outputRow = new QWidget;
    outputRow->setObjectName(QStringLiteral("outputRow"));
    outputRow->setFixedHeight(38);
    auto *output = new QGridLayout(outputRow);
    output->setContentsMargins(0, 6, 0, 4);
    output->setHorizontalSpacing(8);
    output->addWidget(new QLabel(HelperText::Translate(QStringLiteral("输出目录（留空＝原位置替换）："))), 0, 0);
    output->addWidget(outputBox, 0, 1);
    output->addWidget(chooseOutputButton, 0, 2);
    output->addWidget(clearOutputButton, 0, 3);
    output->setColumnStretch(1, 1);
    rows->addWidget(outputRow);

    auto *optionsRow = new QWidget;
    optionsRow->setObjectName(QStringLiteral("optionsRow"));
    optionsRow->setFixedHeight(46);
    auto *options = new QHBoxLayout(optionsRow);
    options->setContentsMargins(0, 8, 0, 8);
    options->setSpacing(8);
    options->addWidget(new QLabel(HelperText::Translate(QStringLiteral("尺寸规则："))));
    options->addWidget(sizeRuleBox);
    options->addSpacing(12);
    options->addWidget(new QLabel(HelperText::Translate(QStringLiteral("补边颜色："))));
    options->addWidget(fillBox);
    options->addSpacing(12);
    options->addWidget(centeredBox);
    options->addSpacing(8);
    options->addWidget(pngBox);
    options->addSpacing(8);
    options->addWidget(recursiveBox);
    options->addStretch();
    rows->addWidget(optionsRow);

    auto *progressRow = new QWidget;
    progressRow->setObjectName(QStringLiteral("progressRow"));
    progressRow->setFixedHeight(58);
    auto *progressGrid = new QGridLayout(progressRow);
    progressGrid->setContentsMargins(0, 4, 0, 4);
    progressGrid->setHorizontalSpacing(8);
    progressGrid->setVerticalSpacing(6);
    progressGrid->addWidget(progress, 0, 0, 1, 3);
    progressGrid->addWidget(status, 1, 0);
    progressGrid->addWidget(elapsed, 1, 1);
    progressGrid->addWidget(remaining, 1, 2);
    progressGrid->setColumnStretch(0, 40);
    progressGrid->setColumnStretch(1, 30);
    progressGrid->setColumnStretch(2, 30);
    // Equal stretch alone would still size columns by their texts; a zero minimum keeps the 40/30/30 split.
    for (QLabel *label : {status, elapsed, remaining})
        label->setMinimumWidth(0);
    progress->setFixedHeight(22);
    rows->addWidget(progressRow);

    auto *logGroup = new QGroupBox(HelperText::Translate(QStringLiteral("实时处理日志")));
    logGroup->setObjectName(QStringLiteral("logGroup"));
    auto *logGroupLayout = new QVBoxLayout(logGroup);
    logGroupLayout->setContentsMargins(8, 8, 8, 8);
    auto *logFrame = new QFrame;
    logFrame->setObjectName(QStringLiteral("logFrame"));
    logFrame->setFrameShape(QFrame::StyledPanel);
    logFrame->setFrameShadow(QFrame::Sunken);
    auto *logFrameLayout = new QVBoxLayout(logFrame);
    logFrameLayout->setContentsMargins(1, 1, 1, 1);
    logFrameLayout->addWidget(log);
    logGroupLayout->addWidget(logFrame);
    rows->addWidget(logGroup, 1);

    rows->addSpacing(8);
    startButton->setFixedHeight(42);
    rows->addWidget(startButton);

    setCentralWidget(central);

    QStatusBar *strip = statusBar();
    strip->setObjectName(QStringLiteral("creditStrip"));
    strip->setSizeGripEnabled(false);
    strip->addWidget(makerLabel);
    strip->addWidget(contactLabel);
}

void MainForm::ApplyVellumTheme()
{
    // Names as Windows knows them first; elsewhere fontconfig substitutes, and Noto CJK draws the Chinese.
    QFont font(QStringLiteral("Microsoft YaHei UI"), 9);
    font.setFamilies({QStringLiteral("Microsoft YaHei UI"), QStringLiteral("Noto Sans CJK SC")});
    setFont(font);
    setStyleSheet(QString::fromUtf8(VellumStyleSheet));
}

void MainForm::LoadStartupArguments(const StartupArguments &parsed)
{
    NoteSkipped(parsed.skipped);
    if (parsed.rule)
        sizeRuleBox->setCurrentIndex(sizeRuleBox->findData(PaddingChoices::key(*parsed.rule)));
    if (parsed.fill)
        fillBox->setCurrentIndex(fillBox->findData(PaddingChoices::key(*parsed.fill)));
    if (parsed.outputDir)
        outputBox->setText(*parsed.outputDir);
    if (parsed.centered)
        centeredBox->setChecked(*parsed.centered);
    if (parsed.png)
        pngBox->setChecked(true);
    if (parsed.recursive)
        recursiveBox->setChecked(true);

    // Folders named on the command line keep their output-folder pictures: the
    // caller asked for exactly that folder.
    if (!parsed.paths.isEmpty()) {
        QStringList skipped;
        const QStringList pictures = BatchLogic::ExpandPaths(parsed.paths, recursiveBox->isChecked(), &skipped);
        NoteSkipped(skipped);
        AddFiles(pictures);
    }
    jobs = parsed.jobs.value_or(0);
    if (parsed.reportTo) {
        QString error;
        if (!channel.Connect(*parsed.reportTo, &error))
            Log(HelperText::Translate(QStringLiteral("无法连接工具窗口的进度通道 %1：%2；处理照常进行，进度只在本窗口显示"))
                    .arg(*parsed.reportTo, error));
    }
    startRequested = parsed.start && !files.isEmpty();
}

void MainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shown)
        return;
    shown = true;
    if (startRequested)
        QTimer::singleShot(0, this, &MainForm::StartProcessing);
}

void MainForm::AddFiles(const QStringList &paths)
{
    if (running)
        return;
    QStringList added;
    for (const QString &path : paths) {
        if (!BatchLogic::IsPicture(path))
            continue;
        const QString key = BatchLogic::PathKey(path);
        if (fileKeys.contains(key))
            continue;
        fileKeys.insert(key);
        added.append(path);
    }
    if (!added.isEmpty()) {
        files.append(added);
        // One batch insert without repaints: thousands of rows arrive in one step.
        fileList->setUpdatesEnabled(false);
        fileList->addItems(added);
        fileList->setUpdatesEnabled(true);
    }
    status->setText(HelperText::TranslateCount(QStringLiteral("已选择 %1 个图片"), {{1, files.size()}}).arg(files.size()));
}

void MainForm::ChooseFiles()
{
    if (running)
        return;
    // Upper-case patterns too: the widget dialog matches names case-sensitively where the file system does.
    const QStringList chosen = QFileDialog::getOpenFileNames(
        this, HelperText::Translate(QStringLiteral("选择多个图片")), QString(),
        HelperText::Translate(QStringLiteral("图片文件 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff "
                                             "*.JPG *.JPEG *.PNG *.BMP *.GIF *.TIF *.TIFF);;所有文件 (*)")));
    if (!chosen.isEmpty())
        AddFiles(chosen);
}

void MainForm::ChooseFolder()
{
    if (running)
        return;
    const QString folder = FolderPicker::Show(this, HelperText::Translate(QStringLiteral("选择图片文件夹")));
    if (folder.isEmpty())
        return;
    QStringList pictures;
    QStringList skipped;
    BatchLogic::ListPictures(folder, recursiveBox->isChecked(), true, &pictures, nullptr, &skipped);
    NoteSkipped(skipped);
    AddFiles(pictures);
}

void MainForm::ClearFiles()
{
    if (running)
        return;
    files.clear();
    fileKeys.clear();
    skippedCount = 0;
    skippedTexts.clear();
    fileList->clear();
    progress->setValue(0);
    status->setText(HelperText::Translate(QStringLiteral("就绪")));
}

void MainForm::ChooseOutput()
{
    if (running)
        return;
    const QString folder = FolderPicker::Show(this, HelperText::Translate(QStringLiteral("选择输出目录")));
    if (!folder.isEmpty())
        outputBox->setText(native(folder));
}

void MainForm::ClearOutput()
{
    if (running)
        return;
    outputBox->clear();
}

void MainForm::DropPaths(const QStringList &paths, const QStringList &undecodable)
{
    const qsizetype before = files.size();
    int folders = 0;
    QStringList pictures;
    QStringList skipped;
    for (const QString &name : undecodable)
        skipped.append(HelperText::Translate(BatchLogic::UndecodableName) + name);
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            ++folders;
            QString error;
            if (!BatchLogic::ListPictures(path, recursiveBox->isChecked(), true, &pictures, &error, &skipped))
                Log(HelperText::Translate(QStringLiteral("[拖入失败] %1；%2")).arg(native(path), error));
        } else if (!info.exists()) {
            skipped.append(HelperText::Translate(BatchLogic::Missing) + native(path));
        } else if (info.isFile() && BatchLogic::IsPicture(path)) {
            pictures.append(path);
        } else {
            skipped.append(HelperText::Translate(BatchLogic::UnsupportedType) + native(path));
        }
    }
    NoteSkipped(skipped);
    AddFiles(pictures);
    const qsizetype items = paths.size() + undecodable.size();
    const qsizetype added = files.size() - before;
    Log(HelperText::TranslateCount(QStringLiteral("已拖入 %1 个项目（其中 %2 个文件夹），新增 %3 张图片。"),
                                   {{1, items}, {2, folders}, {3, added}})
            .arg(items)
            .arg(folders)
            .arg(added));
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != fileList->viewport())
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!running && !localPaths(drag->mimeData()).isEmpty()) {
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
        if (running || (paths.isEmpty() && undecodable.isEmpty())) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        DropPaths(paths, undecodable);
        return true;
    }
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

void MainForm::NoteSkipped(const QStringList &texts)
{
    if (texts.isEmpty())
        return;
    // One insertion for all: a long list of missing files must not crawl into the log line by line.
    const QTime now = QTime::currentTime();
    QString lines;
    for (const QString &text : texts)
        lines += BatchLogic::LogLine(now, text) + QLatin1Char('\n');
    QTextCursor cursor(log->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(lines);
    log->setTextCursor(cursor);
    log->ensureCursorVisible();
    skippedCount += int(texts.size());
    skippedTexts += texts;
}

void MainForm::Log(const QString &text)
{
    QTextCursor cursor(log->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(BatchLogic::LogLine(QTime::currentTime(), text) + QLatin1Char('\n'));
    log->setTextCursor(cursor);
    log->ensureCursorVisible();
}

void MainForm::StartProcessing()
{
    if (running)
        return;
    if (files.isEmpty()) {
        ShowMessage(QMessageBox::Warning, windowTitle(), HelperText::Translate(QStringLiteral("请先选择图片或文件夹。")));
        return;
    }
    const QString outDir = outputBox->text().trimmed();
    const bool inPlace = outDir.isEmpty();
    if (!inPlace) {
        QString error;
        if (!BatchRun::MakeFolder(outDir, &error)) {
            ShowMessage(QMessageBox::NoIcon, QString(),
                        HelperText::Translate(QStringLiteral("无法创建输出目录：%1")).arg(error));
            return;
        }
    }

    running = true;
    startButton->setEnabled(false);
    SetListButtonsEnabled(false);
    progress->setMaximum(int(files.size()));
    progress->setValue(0);
    watch.restart();
    clock->start();

    BatchSettings settings;
    settings.outDir = outDir;
    settings.rule = PaddingChoices::sizeRuleFromKey(sizeRuleBox->currentData().toString()).value_or(SizeRule::Multiple4);
    settings.fill = PaddingChoices::fillFromKey(fillBox->currentData().toString()).value_or(Fill::Transparent);
    settings.centered = centeredBox->isChecked();
    settings.png = pngBox->isChecked();
    settings.jobs = jobs;
    settings.recordsRead = channel.IsConnected();
    // Sent once: a later run of the same list does not report them again.
    const QStringList skipped = std::exchange(skippedTexts, {});
    batch->Start(files, settings, BatchLogic::SkippedFiles(skipped), skippedCount);
}

void MainForm::ShowProgress(int finished, int total, qint64 remainingMilliseconds)
{
    progress->setValue(finished);
    status->setText(HelperText::Translate(QStringLiteral("进度：%1/%2")).arg(finished).arg(total));
    remaining->setText(
            HelperText::Translate(QStringLiteral("剩余时间：%1")).arg(BatchLogic::Duration(remainingMilliseconds)));
}

void MainForm::FinishRun()
{
    clock->stop();
    running = false;
    startButton->setEnabled(true);
    SetListButtonsEnabled(true);
    remaining->setText(HelperText::Translate(QStringLiteral("剩余时间：00:00:00")));
    // Files left out before the run are part of its outcome: a run never reads
    // as all done while something was skipped.
    const QString skipped = skippedCount == 0 ? QString()
                                              : HelperText::Translate(QStringLiteral("，跳过 %1")).arg(skippedCount);
    const QString skippedLine = skippedCount == 0 ? QString()
                                                  : HelperText::Translate(QStringLiteral("\n跳过：%1")).arg(skippedCount);
    const int succeeded = batch->Succeeded();
    const int failed = batch->Failed();
    status->setText(HelperText::Translate(QStringLiteral("完成：成功 %1，失败 %2")).arg(succeeded).arg(failed) + skipped);

    // The run has logged its end already; the box repeats it.
    const QString report = native(batch->ReportPath());
    const QString reportError = batch->ReportError();
    if (failed == 0 && skippedCount == 0) {
        ShowMessage(QMessageBox::NoIcon, windowTitle(),
                    HelperText::Translate(QStringLiteral("处理完成\n成功：%1\n失败：0\n\n全部成功，未生成处理报告。")).arg(succeeded));
    } else if (failed == 0) {
        ShowMessage(QMessageBox::NoIcon, windowTitle(),
                    HelperText::Translate(QStringLiteral("处理完成\n成功：%1\n失败：0%2\n\n没有失败，但有文件被跳过，原因见日志；未生成处理报告。"))
                        .arg(QString::number(succeeded), skippedLine));
    } else if (reportError.isEmpty()) {
        ShowMessage(QMessageBox::NoIcon, windowTitle(),
                    HelperText::Translate(QStringLiteral("处理完成\n成功：%1\n失败：%2%3\n\n错误报告：%4"))
                        .arg(QString::number(succeeded), QString::number(failed), skippedLine, report));
    } else {
        ShowMessage(QMessageBox::NoIcon, windowTitle(),
                    HelperText::Translate(QStringLiteral("处理完成\n成功：%1\n失败：%2%3\n\n错误报告未能写入：%4\n%5"))
                        .arg(QString::number(succeeded), QString::number(failed), skippedLine, report,
                             reportError));
    }
}

void MainForm::SetListButtonsEnabled(bool enabled)
{
    for (QPushButton *button :
         {chooseFilesButton, chooseFolderButton, clearFilesButton, chooseOutputButton, clearOutputButton})
        button->setEnabled(enabled);
}

void MainForm::ShowMessage(QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
    box.exec();
}
