#pragma once

#include <QString>

class QWidget;

// The folder picker of the batch window: Qt's directory dialog, which is the
// platform's own folder dialog where the platform has one (the common item
// dialog on Windows) and Qt's widget dialog elsewhere.
class FolderPicker
{
public:
    // Shows the picker modally over `owner` with `title`. Returns the chosen
    // folder, or an empty text when the dialog was cancelled.
    static QString show(QWidget *owner, const QString &title);
};
