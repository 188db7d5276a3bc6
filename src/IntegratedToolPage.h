#pragma once

#include "IntegratedTools.h"

#include <QSet>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextEdit;
class QVBoxLayout;
class ToolDropTree;

// The body of a tool window: the selected-file list with its buttons, the
// tool's options, a status row, a progress bar, the run log and the start
// button. One class serves all tools; the constructor builds the controls of
// its tool and names every control that other code or the style sheet reads.
// Options are read from the controls by object name when a run starts.
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
    QStringList selectedPaths() const { return m_selectedPaths; }

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

    // The start button: image resize launches the padding helper detached with
    // the page's options and files and marks every row handed over.
    void startTool();

    // The helper's switches for the options found under `page` by object name
    // (defaults for missing controls), then "--start" and the paths.
    static QStringList imageResizeArguments(const QWidget *page, const QStringList &paths);

private:
    void buildHeader(QVBoxLayout *pageLayout, bool headerButtons);
    void buildBody(QVBoxLayout *pageLayout);
    QPushButton *makeButton(const QString &source);
    int removeSelectedRows();
    void appendLog(const QString &line);
    void browseOutputDirectory(QLineEdit *field, const QString &caption);

    const IntegratedTools::Tool m_tool;
    ToolDropTree *m_fileList = nullptr;
    QLabel *m_summaryLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_elapsedLabel = nullptr;
    QLabel *m_remainingLabel = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QTextEdit *m_log = nullptr;
    QLineEdit *m_layerOutputDirectory = nullptr;
    QPushButton *m_startButton = nullptr;
    QStringList m_selectedPaths;
    // Case-folded copies of m_selectedPaths, so that the duplicate check of a
    // large folder stays one hash look-up per file.
    QSet<QString> m_selectedKeys;
    Hook m_closeHook;
    Hook m_settingsHook;
    Hook m_helpHook;
};
