#pragma once

#include "WorkerProtocol.h"

#include <QElapsedTimer>
#include <QObject>

class QLabel;
class QProgressBar;
class QTimer;
class QVBoxLayout;
class QWidget;

// The rows of a tool page that follow a run: the list's summary, the elapsed
// and remaining time and the state in one row, the progress bar below it.
class RunStatusRows : public QObject
{
    Q_OBJECT

public:
    // Adds the two rows to `rows`; the run times show from the start when
    // `timesShown`, else from showTimes() on.
    RunStatusRows(QVBoxLayout *rows, QWidget *body, bool timesShown);

    void setSummary(const QString &text);
    QString summary() const;
    void setStatus(const QString &text);
    void showTimes();

    // A busy bar and the state, before the run's times start.
    void showStarting(const QString &status);
    // A run began: busy bar, the times from zero, the clock running.
    void begin(const QString &status);
    void showProgress(const WorkerProtocol::Progress &progress, const QString &statusText);
    // The run ended: a complete one fills the bar (to `progressMaximum` when
    // known) with no time remaining; any other leaves the bar empty.
    void finish(bool complete, int progressMaximum = 0);
    void clearRemaining();
    void showIdle();

private:
    void updateElapsed();

    QLabel *m_summary = nullptr;
    QLabel *m_elapsed = nullptr;
    QLabel *m_remaining = nullptr;
    QLabel *m_status = nullptr;
    QProgressBar *m_bar = nullptr;
    QTimer *m_ticker = nullptr;
    QElapsedTimer m_clock;
};
