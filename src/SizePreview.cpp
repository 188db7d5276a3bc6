#include "SizePreview.h"

#include "ImageResizeOptions.h"
#include "Localization.h"
#include "PageTexts.h"
#include "PictureSizes.h"

#include <QTreeWidget>

SizePreview::SizePreview(QTreeWidget *list, int column, const ImageResizeOptions *options, RowFinder rowFor,
                         QObject *parent)
    : QObject(parent)
    , m_list(list)
    , m_column(column)
    , m_options(options)
    , m_rowFor(std::move(rowFor))
    , m_reader(new PictureSizeReader(this))
{
    connect(m_reader, &PictureSizeReader::sizesRead, this, &SizePreview::showSizes);
    connect(m_reader, &PictureSizeReader::idle, this, &SizePreview::summaryChanged);
    connect(options, &ImageResizeOptions::sizeRuleChanged, this, &SizePreview::applyRule);
}

void SizePreview::read(const QStringList &paths)
{
    m_reader->read(paths);
}

void SizePreview::clear()
{
    m_reader->clear();
}

bool SizePreview::isBusy() const
{
    return m_reader->isBusy();
}

void SizePreview::setSize(QTreeWidgetItem *row, const QSize &size)
{
    row->setData(m_column, Qt::UserRole, size);
    showRow(row);
}

QString SizePreview::summaryText() const
{
    int known = 0;
    int changing = 0;
    int unreadable = 0;
    const Sizing sizing = m_options->sizing();
    for (int index = 0; index < m_list->topLevelItemCount(); ++index) {
        const QVariant data = m_list->topLevelItem(index)->data(m_column, Qt::UserRole);
        if (!data.isValid())
            continue;
        ++known;
        const QSize size = data.toSize();
        if (!size.isValid())
            ++unreadable;
        else if (PictureSizes::target(size, sizing) != size)
            ++changing;
    }
    QString text;
    if (known > 0)
        text += u"  |  " + translateToolText(QStringLiteral("将调整尺寸：%1 个")).arg(changing);
    if (unreadable > 0)
        text += u"  |  " + translateToolText(QStringLiteral("无法读取：%1 个")).arg(unreadable);
    return text;
}

void SizePreview::showSizes(const QStringList &paths, const QList<QSize> &sizes)
{
    for (qsizetype index = 0; index < paths.size(); ++index) {
        // An unreadable picture keeps an invalid size, unlike one not read yet.
        if (QTreeWidgetItem *row = m_rowFor(paths.at(index)))
            setSize(row, sizes.at(index));
    }
}

void SizePreview::showRow(QTreeWidgetItem *row) const
{
    const QVariant data = row->data(m_column, Qt::UserRole);
    if (!data.isValid())
        return;
    const QSize size = data.toSize();
    if (!size.isValid()) {
        row->setText(m_column, localized(u"无法读取"));
        return;
    }
    const QSize target = PictureSizes::target(size, m_options->sizing());
    if (target == size)
        row->setText(m_column, PictureSizes::text(size) + u"  " + localized(u"已符合"));
    else if (!target.isValid())
        row->setText(m_column, PictureSizes::text(size) + u"  " + localized(u"超出可处理范围"));
    else
        row->setText(m_column, PictureSizes::text(size) + u" → " + PictureSizes::text(target));
}

void SizePreview::applyRule()
{
    m_list->setUpdatesEnabled(false);
    for (int index = 0; index < m_list->topLevelItemCount(); ++index)
        showRow(m_list->topLevelItem(index));
    m_list->setUpdatesEnabled(true);
    emit summaryChanged();
}
