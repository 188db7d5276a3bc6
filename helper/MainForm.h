#pragma once

#include "BatchLogic.h"
#include "BatchRun.h"
#include "ImageProcessor.h"
#include "ReportChannel.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMessageBox>
#include <QSet>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

// The helper's batch window: collects pictures, holds the padding options and
// runs the engine over the list, several files at a time on worker threads,
// with a live log, progress, time estimates and a report file of failures.
class MainForm : public QMainWindow
{
    Q_OBJECT

public:
    // `arguments` is the command line without the program name.
    explicit MainForm(const QStringList &arguments, QWidget *parent = nullptr);
    // The same, with the command line already read by BatchLogic::ParseArguments
    // (the parent is not optional, so MainForm({}) stays unambiguous).
    MainForm(const StartupArguments &arguments, QWidget *parent);

    const QStringList &Files() const { return files; }
    // True from the start of a run until its last file is done.
    bool IsRunning() const { return running; }

public slots:
    // Appends the pictures among `paths` not yet listed (whole path texts
    // compared as the platform's file systems compare names: case-sensitively
    // on Linux, without regard to letter case on Windows). Refused during a run.
    void AddFiles(const QStringList &paths);
    void ChooseFiles();
    void ChooseFolder();
    void ClearFiles();
    void ChooseOutput();
    void ClearOutput();
    // Starts a run over the whole list; does nothing while one is in progress.
    void StartProcessing();
    // Appends "[HH:mm:ss] text" and a line break to the live log.
    void Log(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void BuildControls();
    void BuildLayout();
    void ApplyVellumTheme();
    void LoadStartupArguments(const StartupArguments &parsed);
    // Logs each text and counts it as a skipped file.
    void NoteSkipped(const QStringList &texts);
    void DropPaths(const QStringList &paths, const QStringList &undecodable);
    void ShowProgress(int finished, int total, qint64 remainingMilliseconds);
    void FinishRun();
    void SetListButtonsEnabled(bool enabled);
    void ShowMessage(QMessageBox::Icon icon, const QString &caption, const QString &text);

    QStringList files;
    QSet<QString> fileKeys;  // `files` as the platform compares paths, for the duplicate test
    int skippedCount = 0;    // files left out since the list was last cleared
    QStringList skippedTexts;  // their log texts, sent on the channel at the next start

    QPushButton *chooseFilesButton = nullptr;
    QPushButton *chooseFolderButton = nullptr;
    QPushButton *clearFilesButton = nullptr;
    QListWidget *fileList = nullptr;
    QLineEdit *outputBox = nullptr;
    QPushButton *chooseOutputButton = nullptr;
    QPushButton *clearOutputButton = nullptr;
    QComboBox *sizeRuleBox = nullptr;
    QComboBox *fillBox = nullptr;
    QCheckBox *centeredBox = nullptr;
    QCheckBox *pngBox = nullptr;
    QCheckBox *recursiveBox = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *status = nullptr;
    QLabel *elapsed = nullptr;
    QLabel *remaining = nullptr;
    QPlainTextEdit *log = nullptr;
    QPushButton *startButton = nullptr;
    QLabel *makerLabel = nullptr;
    QLabel *contactLabel = nullptr;

    QTimer *clock = nullptr;
    QElapsedTimer watch;
    bool running = false;
    BatchRun *batch = nullptr;
    int jobs = 0;              // "--jobs N"; 0: one picture per core
    ReportChannel channel;     // "--report-to NAME"
    bool startRequested = false;  // "--start" with a non-empty list
    bool shown = false;
};
