#include "DesktopOpen.h"

#include "Localization.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace DesktopOpen {

void showFailure(QWidget *parent, const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QMessageBox box(QMessageBox::Warning, translateToolText(QStringLiteral("无法打开")),
                    translateToolText(QStringLiteral("桌面没有可以打开这个位置的程序。可以复制路径，在文件管理器中打开。")),
                    QMessageBox::Close, parent);
    box.setObjectName(QStringLiteral("openFailureMessage"));
    box.setInformativeText(shown);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPushButton *copy = box.addButton(translateToolText(QStringLiteral("复制路径")), QMessageBox::ActionRole);
    copy->setObjectName(QStringLiteral("openFailureCopyPath"));
    box.setDefaultButton(copy);
    box.exec();
    if (box.clickedButton() == copy)
        QGuiApplication::clipboard()->setText(shown);
}

void openOrExplain(QWidget *parent, const QString &path)
{
    QPointer<QWidget> guard(parent);
    open(path, parent, [guard, path] {
        if (guard)
            showFailure(guard, path);
    });
}

} // namespace DesktopOpen
