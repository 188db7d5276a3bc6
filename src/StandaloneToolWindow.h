#pragma once

#include "IntegratedTools.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <functional>

class IntegratedToolPage;

// The program's only top-level window: one tool page, its geometry remembered
// per tool, and the settings and help dialogs the page's header opens.
class StandaloneToolWindow : public QMainWindow
{
public:
    explicit StandaloneToolWindow(IntegratedTools::Tool tool, QWidget *parent = nullptr);
    ~StandaloneToolWindow() override;

    // Hands the paths to the page, folders searched with their subfolders.
    void addPaths(const QStringList &paths);
    // The same for a list that may be long, added in steps (IntegratedToolPage::queuePaths).
    void queuePaths(const QStringList &paths);

    // Modal; return when the dialog is closed.
    void openSettingsDialog();
    void openHelpDialog();

    IntegratedToolPage *page() const { return m_page; }

    // What a language change does after storing the new language: give up the
    // single-instance claim, start the program again with the same arguments,
    // and quit. Replaceable so tests can watch it without a restart.
    using Restart = std::function<void(const QString &program, const QStringList &arguments)>;
    static void setRestart(Restart restart);

    // Where a window of the saved geometry goes on a screen whose available
    // area is available: moved and shrunk to lie within it, never below the
    // minimum size. Sets maximise when even the minimum does not fit.
    static QRect fittedGeometry(const QRect &saved, const QRect &available, const QSize &minimum, bool *maximise);

    // The help document of a tool in a language: header, then the help page.
    static QString helpDocument(IntegratedTools::Tool tool, const QString &languageCode);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QString geometryKey() const;
    void restoreFittedGeometry(const QByteArray &geometry);
    // Fits the window, with its frame where the frame is known, into its screen.
    void fitToScreen();

    const IntegratedTools::Tool m_tool;
    QPointer<IntegratedToolPage> m_page;
    bool m_fittedWithFrame = false;
};
