#pragma once

#include "BatchLogic.h"
#include "BatchRun.h"
#include "ImageProcessor.h"
#include "ReportChannel.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QMessageBox>
#include <QSet>
#include <QStringList>

class BatchPaddingControls;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
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
    // The same, with the command line already read by BatchLogic::parseArguments
    // (the parent is not optional, so MainForm({}) stays unambiguous).
    MainForm(const StartupArguments &arguments, QWidget *parent);

    const QStringList &files() const { return m_files; }
    // True from the start of a run until its last file is done.
    bool isRunning() const { return m_running; }

public slots:
    // Appends the pictures among `paths` not yet listed (whole path texts
    // compared as the platform's file systems compare names: case-sensitively
    // on Linux, without regard to letter case on Windows). Refused during a run.
    void addFiles(const QStringList &paths);
    void chooseFiles();
    void chooseFolder();
    void clearFiles();
    void chooseOutput();
    void clearOutput();
    // Starts a run over the whole list; does nothing while one is in progress.
    void startProcessing();
    // Lets the pictures in progress finish and starts no other; the rest are
    // reported cancelled. Nothing happens without a run.
    void stopProcessing();
    // Appends "[HH:mm:ss] text" and a line break to the live log.
    void log(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // During a run, asks whether to stop after the pictures in progress; the
    // window closes once they are done.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildLayout();
    void applyVellumTheme();
    void loadStartupArguments(const StartupArguments &parsed);
    // Logs each text and counts it as a skipped file.
    void noteSkipped(const QStringList &texts);
    void dropPaths(const QStringList &paths, const QStringList &undecodable);
    void showProgress(int finished, int total, qint64 remainingMilliseconds);
    void updateTitle();
    // The row's status text and its tooltip.
    void setRowStatus(const QString &path, const QString &status, const QString &toolTip = {});
    void showResult(const ProcessResult &result);
    void finishRun();
    void setListButtonsEnabled(bool enabled);
    void showMessage(QMessageBox::Icon icon, const QString &caption, const QString &text);

    QStringList m_baseFolders;  // folders added whole: their pictures keep their paths below them
    QStringList m_files;
    QSet<QString> m_fileKeys;  // `files` as the platform compares paths, for the duplicate test
    int m_skippedCount = 0;    // files left out since the list was last cleared
    QStringList m_skippedTexts;  // their log texts, sent on the channel at the next start

    QPushButton *m_chooseFilesButton = nullptr;
    QPushButton *m_chooseFolderButton = nullptr;
    QPushButton *m_clearFilesButton = nullptr;
    QTreeWidget *m_fileList = nullptr;  // name, folder, status
    QHash<QString, QTreeWidgetItem *> m_rows;  // by the path as listed
    QLineEdit *m_outputBox = nullptr;
    QPushButton *m_chooseOutputButton = nullptr;
    QPushButton *m_clearOutputButton = nullptr;
    BatchPaddingControls *m_padding = nullptr;
    QCheckBox *m_pngBox = nullptr;
    QCheckBox *m_recursiveBox = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_elapsed = nullptr;
    QLabel *m_remaining = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QLabel *m_makerLabel = nullptr;
    QLabel *m_contactLabel = nullptr;

    QTimer *m_clock = nullptr;
    QElapsedTimer m_watch;
    bool m_running = false;
    BatchRun *m_batch = nullptr;
    int m_jobs = 0;              // "--jobs N"; 0: one picture per core
    bool m_keepOriginals = true; // false with "--no-trash"
    ReportChannel m_channel;     // "--report-to NAME"
    bool m_startRequested = false;  // "--start" with a non-empty list
    bool m_shown = false;
    bool m_closeAfterRun = false;  // the window was closed during the run
};
