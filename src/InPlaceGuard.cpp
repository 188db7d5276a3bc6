#include "InPlaceGuard.h"

#include "HelperText.h"
#include "ImageResizeOptions.h"
#include "Localization.h"
#include "PageTexts.h"
#include "RunJournal.h"
#include "ToolOptions.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

namespace {

const QString AskKey = QStringLiteral("standaloneTools/image-resize/options/askBeforeReplacing");

} // namespace

InPlaceGuard::InPlaceGuard(QWidget *page, QBoxLayout *row) : QObject(page), m_page(page)
{
    m_undo = ToolOptions::makeButton(QStringLiteral("撤销上次处理"), page);
    m_undo->setObjectName(QStringLiteral("imageUndoLastRun"));
    m_undo->setFixedHeight(44);
    m_undo->hide();
    connect(m_undo, &QPushButton::clicked, this, &InPlaceGuard::undoLastRun);
    row->addWidget(m_undo);
    // A run of the helper by hand, or in another window, may have ended since.
    page->installEventFilter(this);
    refresh();
}

bool InPlaceGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched == m_page && m_page->window() != m_page && !m_watchesWindow) {
        // Activation reaches the window, which the page has only once it is shown in one.
        m_page->window()->installEventFilter(this);
        m_watchesWindow = true;
    }
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)
        refresh();
    return QObject::eventFilter(watched, event);
}

bool InPlaceGuard::asksBeforeReplacing()
{
    return QSettings().value(AskKey, true).toBool();
}

void InPlaceGuard::setAsksBeforeReplacing(bool ask)
{
    QSettings().setValue(AskKey, ask);
}

bool InPlaceGuard::confirmStart(const QString &outputDir, qsizetype count)
{
    if (!outputDir.trimmed().isEmpty() || count == 0)
        return true;
    const bool keeping = ImageResizeOptions::keepsOriginals();
    if (keeping && (m_askedOnce || !asksBeforeReplacing()))
        return true;
    QMessageBox box(keeping ? QMessageBox::Question : QMessageBox::Warning, localized(u"原位置替换"),
                    keeping ? translateCount(QStringLiteral("%1 个图片将被替换；原图会放入回收站。"), {{1, count}})
                                      .arg(count)
                            : translateCount(QStringLiteral("%1 个原图将被替换，且无法恢复。"), {{1, count}})
                                      .arg(count),
                    QMessageBox::Ok | QMessageBox::Cancel, m_page);
    box.setObjectName(QStringLiteral("imageInPlaceQuestion"));
    box.button(QMessageBox::Ok)->setText(localized(u"开始处理"));
    box.setDefaultButton(keeping ? QMessageBox::Ok : QMessageBox::Cancel);
    if (keeping)
        box.setCheckBox(new QCheckBox(localized(u"不再询问"), &box));
    if (box.exec() != QMessageBox::Ok)
        return false;
    m_askedOnce = keeping;
    if (box.checkBox() && box.checkBox()->isChecked())
        setAsksBeforeReplacing(false);
    return true;
}

void InPlaceGuard::setRunning(bool running)
{
    m_running = running;
    refresh();
}

void InPlaceGuard::refresh()
{
    m_undo->setVisible(!RunJournal::lastUndoable().isEmpty());
    m_undo->setEnabled(!m_running);
}

void InPlaceGuard::undoLastRun()
{
    const QString journal = RunJournal::lastUndoable();
    if (m_running || journal.isEmpty()) {
        refresh();
        return;
    }
    const auto answer = QMessageBox::question(
            m_page, localized(u"撤销上次处理"),
            localized(u"把上次原位置处理替换的原图从回收站放回原处，并删除那次处理写入的图片？处理后被改动过的文件保持不动。"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    // The engine says what it left alone in the helper's words: in this window's language.
    HelperText::setLanguage(toolLanguageCode());
    const UndoReport report = RunJournal::undo(journal);
    for (const QString &text : report.skipped)
        emit logLine(QStringLiteral("[%1] %2").arg(timeOfDay(), text));
    emit logLine(translateToolText(QStringLiteral("[%1] 已撤销上次处理：恢复 %2 个原图，删除 %3 个处理结果，%4 个文件保持不动。"))
                         .arg(timeOfDay())
                         .arg(report.restored.size())
                         .arg(report.removed.size())
                         .arg(report.skipped.size()));
    refresh();
    emit undone();
}
