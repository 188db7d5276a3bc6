#pragma once

#include "ImageResizeRun.h"
#include "IntegratedTools.h"
#include "WorkerProtocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSize>
#include <QSet>
#include <QStringList>
#include <QWidget>

#include <functional>

class ImageResizeOptions;
class InPlaceGuard;
class LayerExportOptions;
class PathIntake;
class PsdSlimOptions;
class QLabel;
class QLineEdit;
class PsdRun;
class RunActions;
class RunStatusRows;
class QPushButton;
class QTextEdit;
class QTimer;
class QTreeWidgetItem;
class QVBoxLayout;
class SizePreview;
class ToolDropTree;
class ToolOptions;

// The body of a tool window: the selected-file list with its buttons, the
// tool's options, a status row, a progress bar, the run log and the start
// button. One class serves all tools; the constructor builds the controls of
// its tool and names every control that other code or the style sheet reads.
// Options are read from the controls by object name when a run starts.
//
// The PSD tools run a worker executable from the tool's folder as a child
// process with a JSON job file through a PsdRun, whose signals the page shows.
// A worker still running when the page is destroyed is stopped and its job
// file removed; none of its end handling reaches the page.
class IntegratedToolPage : public QWidget
{
    Q_OBJECT

public:
    using Hook = std::function<void()>;

    // headerButtons decides whether the header shows the settings and help
    // buttons beside the title.
    explicit IntegratedToolPage(IntegratedTools::Tool tool, QWidget *parent = nullptr, bool headerButtons = true);
    ~IntegratedToolPage() override;

    IntegratedTools::Tool tool() const { return m_tool; }

    // The absolute paths listed, in the order they were added; no two equal
    // without regard to letter case.
    QStringList selectedPaths() const;

    // Each replaces the stored callable; an empty hook makes its button do
    // nothing. The back button calls the close hook, the header buttons the
    // settings and help hooks.
    void setCloseHook(Hook hook);
    void setSettingsHook(Hook hook);
    void setHelpHook(Hook hook);

    // The one entry for new paths. Files are taken as they are, folders are
    // searched (below their first level only when recursive is true); files
    // with another suffix count as rejected, paths that do not exist are
    // ignored, and a path already listed (in any letter case) is skipped
    // silently. Writes a run-log line when anything was added or rejected,
    // and always an information message for the runtime log.
    void addPaths(const QStringList &paths, bool recursive);

    // addPaths for a list that may be long (a second start's): the paths are
    // taken in slices between turns of the event loop, so the window stays
    // responsive; the log line and the summary follow the last slice.
    void queuePaths(const QStringList &paths, bool recursive);
    bool hasQueuedPaths() const;

    // The file dialog, then addPaths(files, false).
    void chooseFiles();
    // A folder dialog that takes several folders at once, then
    // addPaths(folders, true) when accepted.
    void chooseFolders();
    // Removes the selected rows and logs how many were removed.
    void removeSelected();
    // Empties the list, resets progress and status, and always logs.
    void clearList();
    // Recomputes the summary line from the sizes on disk at this moment.
    void refreshSummary();
    // The summary line as shown.
    QString summaryText() const;

    // The start button: image resize launches the padding helper detached with
    // the page's options and files and marks every row handed over; the PSD
    // tools go to startSlimming or startLayerExport.
    void startTool();

    // Safe slimming of every listed file: asks before more than 200 files or
    // 20 GiB and before files above 4 GiB, then runs the files in batches of at
    // most 20, a file above 4 GiB alone, one worker process per batch. Does
    // nothing while a run is going on; a refusal or a missing worker leaves the
    // page idle.
    void startSlimming();
    // Layer export of every listed file with one worker process; the layer
    // options are read once, here.
    void startLayerExport();

    // Sets the status column of the first row that lists path, compared
    // without regard to letter case; nothing when no row does.
    void setRowStatus(const QString &path, const QString &text);
    void setRowToolTip(const QString &path, const QString &text);

    // True while a worker process of this page exists.
    bool isWorkerRunning() const;

    // The helper's switches for the image-resize options of `page` (the
    // defaults of ImageResizeChoices without them), "--language" with the
    // interface language, then "--start" and the paths.
    static QStringList imageResizeArguments(const QWidget *page, const QStringList &paths);

    // The helper's command line for the image-resize options of `page` over
    // `paths`, as ImageResizeRun::buildCommand makes it.
    using HelperCommand = ImageResizeRun::Command;
    static bool buildHelperCommand(const QWidget *page, const QStringList &paths, qint64 argumentSpace,
                                   HelperCommand *command, QString *error);

    // True while the helper started by this page still runs; Start waits for it.
    bool isHelperRunning() const;

    // The program Start runs in place of the embedded helper (tests); empty
    // for the embedded one.
    void setHelperProgram(const QString &program) { m_helperProgram = program; }

    // The image-resize list's fifth column: each picture's size and the size
    // the current rule gives it.
    static constexpr int PreviewColumn = 4;
    // True while header sizes of listed pictures are still being read.
    bool isReadingSizes() const;

private:
    void buildHeader(QVBoxLayout *pageLayout, bool headerButtons);
    void buildBody(QVBoxLayout *pageLayout);
    void buildListActions(QVBoxLayout *rows, QWidget *body);
    void buildLogRows(QVBoxLayout *rows, QWidget *body);
    void buildStartRows(QVBoxLayout *rows, QWidget *body);
    void appendLog(const QString &line);
    void startImageResize();
    void showRowReport(const QString &path, const ImageResizeRun::RowReport &report);
    void finishImageResize(bool complete, const QString &folder, const QString &report, bool inPlace);
    void forgetHelper();
    void refreshPreviewSummary();
    void setRunControlsEnabled(bool enabled);
    bool isRunActive() const;

    void beginRun(const QString &status);
    void endRun();
    void setAllRowStatuses(const QString &text);
    void finishPsdRun(bool complete, int progressMaximum);

    const IntegratedTools::Tool m_tool;
    // The tool's options: one part, under its own type too.
    ToolOptions *m_options = nullptr;
    ImageResizeOptions *m_imageOptions = nullptr;
    PsdSlimOptions *m_slimOptions = nullptr;
    LayerExportOptions *m_layerOptions = nullptr;
    ToolDropTree *m_fileList = nullptr;
    PathIntake *m_intake = nullptr;
    RunStatusRows *m_runStatus = nullptr;
    QTextEdit *m_log = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;  // image resize: asks the helper to stop
    InPlaceGuard *m_inPlaceGuard = nullptr;  // image resize: asks before replacing, offers Undo
    QPushButton *m_clearButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    // The detached helper of the last image-resize start, followed until it ends.
    ImageResizeRun *m_imageRun = nullptr;
    QString m_helperProgram;
    RunActions *m_runActions = nullptr;
    SizePreview *m_preview = nullptr;
    QString m_summaryBase;
    // The PSD tools' runs; none for image resize.
    PsdRun *m_psdRun = nullptr;

    Hook m_closeHook;
    Hook m_settingsHook;
    Hook m_helpHook;
};
