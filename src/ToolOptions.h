#pragma once

#include "IntegratedTools.h"

#include <QObject>
#include <QString>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSettings;
class QVBoxLayout;
class QWidget;

// The options of one tool, plugged into the tool page: the part owns its
// controls (children of the page's body, named for the tests and the style
// sheet), lays them out in the rows above and below the file list, and keeps
// them under "standaloneTools/<tool>/options/…", restored once and stored at
// every change.
class ToolOptions : public QObject
{
    Q_OBJECT

public:
    ToolOptions(IntegratedTools::Tool tool, QWidget *page);

    // The rows between the list's actions and the list itself.
    virtual void addRowsAboveList(QVBoxLayout *rows, QWidget *body) = 0;
    // The rows between the list and the status line; none by default.
    virtual void addRowsBelowList(QVBoxLayout *rows, QWidget *body);

    // Sets the controls from the stored options, then stores every change.
    // What cannot be restored is told through logLineAdded.
    void restore();

    // A button with the translation of source, as every button of the page.
    static QPushButton *makeButton(const QString &source, QWidget *parent);
    static QCheckBox *makeCheckBox(const QString &name, const QString &text, bool checked, QWidget *parent);

signals:
    void logLineAdded(const QString &line);

protected:
    QString settingsKey(const QString &name) const;
    virtual void restoreFrom(QSettings &settings) = 0;
    virtual void saveTo(QSettings &settings) const = 0;
    // Each sets the control from the stored value, when there is a valid one
    // (a combo box's by item data), and stores the options when it changes.
    void restoreBox(QSettings &settings, QCheckBox *box, const QString &key);
    void restoreCombo(QSettings &settings, QComboBox *combo, const QString &key);
    void saveOnEdit(QLineEdit *field);
    // A row of caption, output folder field, a button that browses for a
    // folder (the dialog titled dialogCaption) and one that empties the field;
    // texts are sources for the tool dictionary. spacing < 0 keeps the style's.
    struct FolderRow
    {
        QString name;
        const char16_t *caption;
        const char16_t *placeholder;
        QString browse;
        QString reset;
        QString dialogCaption;
        int spacing;
    };
    QLineEdit *addFolderRow(QVBoxLayout *rows, QWidget *body, const FolderRow &row);

    QWidget *page() const { return m_page; }
    // Stores the options now, for controls that the restore calls above do not cover.
    void save() const;

private:

    const IntegratedTools::Tool m_tool;
    QWidget *m_page;
};
