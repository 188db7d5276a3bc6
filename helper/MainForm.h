#pragma once

#include "ImageProcessor.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
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
// runs the engine over the list, one file at a time on a worker thread, with a
// live log, progress, time estimates and a report file of failures.
class MainForm : public QMainWindow
{
    Q_OBJECT

public:
    // `arguments` is the command line without the program name.
    explicit MainForm(const QStringList &arguments, QWidget *parent = nullptr);

    const QStringList &Files() const { return files; }
    // True from the start of a run until its last file is done.
    bool IsRunning() const { return running; }

public slots:
    // Appends the pictures among `paths` not yet listed (whole path texts
    // compared without regard to letter case). Refused during a run.
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
    // What one run fixes at its start, and its counters.
    struct Run
    {
        QString outDir;
        bool inPlace = true;
        QString reportPath;
        QString reportError;  // why the report could not be written; empty while it can
        int index = 0;
        int succeeded = 0;
        int failed = 0;
    };

    void BuildControls();
    void BuildLayout();
    void ApplyVellumTheme();
    void LoadStartupArguments(const QStringList &arguments);
    void DropPaths(const QStringList &paths);
    void ProcessNext();
    void FileDone();
    void FinishRun();
    void WriteReportLine(const QString &line);
    void SetListButtonsEnabled(bool enabled);
    void ShowMessage(QMessageBox::Icon icon, const QString &caption, const QString &text);

    QStringList files;
    QSet<QString> fileKeys;  // lower-cased `files`, for the duplicate test

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
    QFutureWatcher<ProcessResult> *worker = nullptr;
    Run run;
    bool startRequested = false;  // "--start" with a non-empty list
    bool shown = false;
};
