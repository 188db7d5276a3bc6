#pragma once

#include "PaddingChoices.h"

#include <QObject>
#include <QSize>
#include <QStringList>

#include <functional>

class ImageResizeOptions;
class PictureSizeReader;
class QTreeWidget;
class QTreeWidgetItem;

// The image-resize list's preview column: each picture's size, read from its
// header on a thread of its own, and the size the current rule gives it,
// redone when the rule changes. Rows carry the size read (invalid when the
// picture cannot be read) in the column's user data.
class SizePreview : public QObject
{
    Q_OBJECT

public:
    using RowFinder = std::function<QTreeWidgetItem *(const QString &path)>;

    SizePreview(QTreeWidget *list, int column, const ImageResizeOptions *options, RowFinder rowFor,
                QObject *parent);

    // Reads the sizes of paths, listed by now.
    void read(const QStringList &paths);
    // Forgets everything still to be read.
    void clear();
    bool isBusy() const;

    // The picture of row now has this size (written in place).
    void setSize(QTreeWidgetItem *row, const QSize &size);

    // What the summary line adds: how many pictures will change, how many
    // cannot be read; empty before any size is known.
    QString summaryText() const;

signals:
    // The counts of summaryText may have changed.
    void summaryChanged();

private:
    void showSizes(const QStringList &paths, const QList<QSize> &sizes);
    void showRow(QTreeWidgetItem *row) const;
    void applyRule();

    QTreeWidget *m_list;
    const int m_column;
    const ImageResizeOptions *m_options;
    RowFinder m_rowFor;
    PictureSizeReader *m_reader;
};
