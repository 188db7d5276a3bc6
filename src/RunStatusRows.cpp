#include "RunStatusRows.h"

#include "PageTexts.h"

#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

// Longer states are cut with an ellipsis, as long log lines are.
constexpr int MaxShownLength = 2000;

} // namespace

RunStatusRows::RunStatusRows(QVBoxLayout *rows, QWidget *body, bool timesShown)
    : QObject(body)
{
    auto *statusRow = new QHBoxLayout;
    m_summary = new QLabel(body);
    // The summary grows with the size preview: in a narrow window it is cut
    // (the whole line in its tooltip) rather than widening the window; a
    // wrapping label would hold the body at its preferred height.
    m_summary->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusRow->addWidget(m_summary, 1);
    m_elapsed = new QLabel(localized(u"已用时间：00:00:00"), body);
    m_remaining = new QLabel(localized(u"剩余时间：--:--:--"), body);
    statusRow->addSpacing(14);
    statusRow->addWidget(m_elapsed);
    statusRow->addSpacing(10);
    statusRow->addWidget(m_remaining);
    m_elapsed->setVisible(timesShown);
    m_remaining->setVisible(timesShown);
    statusRow->addSpacing(10);
    m_status = new QLabel(localized(u"就绪"), body);
    // Workers write the status text: it is shown as it stands, never as markup.
    m_status->setTextFormat(Qt::PlainText);
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    statusRow->addWidget(m_status);
    rows->addLayout(statusRow);

    m_bar = new QProgressBar(body);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    rows->addWidget(m_bar);

    m_ticker = new QTimer(this);
    m_ticker->setInterval(500);
    connect(m_ticker, &QTimer::timeout, this, &RunStatusRows::updateElapsed);
}

void RunStatusRows::setSummary(const QString &text)
{
    m_summary->setText(text);
    m_summary->setToolTip(text);
}

QString RunStatusRows::summary() const
{
    return m_summary->text();
}

void RunStatusRows::setStatus(const QString &text)
{
    QString shown = text;
    shown.remove(QChar(u'\0'));
    m_status->setText(shown.size() > MaxShownLength ? shown.left(MaxShownLength) + QChar(0x2026) : shown);
}

void RunStatusRows::showTimes()
{
    m_elapsed->show();
    m_remaining->show();
}

void RunStatusRows::showStarting(const QString &status)
{
    m_bar->setRange(0, 0);
    setStatus(status);
}

void RunStatusRows::begin(const QString &status)
{
    m_bar->setRange(0, 0);
    m_bar->setValue(0);
    setStatus(status);
    m_elapsed->setText(localized(u"已用时间：00:00:00"));
    clearRemaining();
    m_clock.start();
    m_ticker->start();
}

void RunStatusRows::showProgress(const WorkerProtocol::Progress &progress, const QString &statusText)
{
    m_bar->setRange(0, int(std::min<qint64>(progress.total, std::numeric_limits<int>::max())));
    m_bar->setValue(WorkerProtocol::progressValue(progress));
    m_bar->setTextVisible(true);
    setStatus(statusText);
    if (progress.current > 0 && m_clock.isValid()) {
        const qint64 remaining = WorkerProtocol::remainingSeconds(m_clock.elapsed(), progress.current, progress.total);
        m_remaining->setText(localized(u"剩余时间：%1").arg(WorkerProtocol::formatDuration(remaining)));
    }
}

void RunStatusRows::finish(bool complete, int progressMaximum)
{
    m_ticker->stop();
    updateElapsed();
    if (!complete) {
        showIdle();
        return;
    }
    if (progressMaximum > 0)
        m_bar->setRange(0, progressMaximum);
    else if (m_bar->maximum() < 1)
        m_bar->setRange(0, 100);
    m_bar->setValue(m_bar->maximum());
    m_remaining->setText(localized(u"剩余时间：00:00:00"));
}

void RunStatusRows::clearRemaining()
{
    m_remaining->setText(localized(u"剩余时间：--:--:--"));
}

void RunStatusRows::showIdle()
{
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
}

void RunStatusRows::updateElapsed()
{
    if (m_clock.isValid())
        m_elapsed->setText(localized(u"已用时间：%1").arg(WorkerProtocol::formatDuration(m_clock.elapsed() / 1000)));
}
