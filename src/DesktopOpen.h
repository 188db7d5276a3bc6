#pragma once

#include <QString>

#include <functional>

class QObject;
class QWidget;

// Opening a folder or file with the desktop's own program, and saying so when
// that cannot be done.
namespace DesktopOpen {

// Asks the desktop to open path; calls failed (with context alive) when it
// cannot, which may be known only after the launcher has ended.
void open(const QString &path, QObject *context, std::function<void()> failed);

// The message for a path the desktop could not open: the path as selectable
// text and a "复制路径" button that puts it on the clipboard. Modal.
void showFailure(QWidget *parent, const QString &path);

// open, with showFailure over parent when it fails.
void openOrExplain(QWidget *parent, const QString &path);

} // namespace DesktopOpen
