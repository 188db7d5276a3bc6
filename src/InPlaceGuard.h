#pragma once

#include <QObject>
#include <QString>

class QBoxLayout;
class QPushButton;
class QWidget;

// What the image-resize page does around replacing pictures in place: it asks
// before a run replaces originals, and offers "Undo last run" while the last
// in-place run can still be undone (its journal, RunJournal). The questions
// and the undo happen on the GUI thread; the undo is a few renames.
class InPlaceGuard : public QObject
{
    Q_OBJECT

public:
    // Adds the undo button, hidden until there is a run to undo, to `row`.
    InPlaceGuard(QWidget *page, QBoxLayout *row);

    // Whether a run of `count` pictures may start. Only in place (an empty
    // `outputDir`) does it ask: with keeping on, the first time (until "Don't
    // ask again"); with keeping off, every time, since nothing can be undone.
    bool confirmStart(const QString &outputDir, qsizetype count);

    // The helper works on the pictures: no undo meanwhile. Leaving that state
    // looks for a run to undo again.
    void setRunning(bool running);

    // Shows the undo button when the last run can be undone.
    void refresh();

    // Whether an in-place start with keeping on asks at all ("Don't ask again"
    // clears it): a setting of the tool window.
    static bool asksBeforeReplacing();
    static void setAsksBeforeReplacing(bool ask);

    // The "Undo last run" button, for tests and screenshots.
    QPushButton *undoButton() const { return m_undo; }

signals:
    // A line for the page's run log, with its time.
    void logLine(const QString &line);
    // Pictures were put back: their sizes are the originals' again.
    void undone();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void undoLastRun();

    QWidget *m_page;
    QPushButton *m_undo = nullptr;
    bool m_running = false;
    bool m_askedOnce = false;
    bool m_watchesWindow = false;
};
