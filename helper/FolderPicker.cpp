#include "FolderPicker.h"

#include "HelperText.h"

#include <QFileDialog>

QString FolderPicker::show(QWidget *owner, const QString &title)
{
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, HelperText::translate(QStringLiteral("选择此文件夹")));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}
