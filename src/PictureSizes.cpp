#include "PictureSizes.h"

#include <QImageIOHandler>
#include <QImageReader>
#include <QMetaObject>
#include <QThread>

#include <limits>

namespace PictureSizes {

QSize target(const QSize &size, const Sizing &sizing)
{
    // The engine's own arithmetic, so the preview can never disagree with the run.
    return PaddingChoices::targetSize(size, sizing);
}

QSize headerSize(const QString &path)
{
    QImageReader reader(path);
    QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return QSize();
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        size.transpose();
    return size;
}

QString text(const QSize &size)
{
    return QStringLiteral("%1×%2").arg(size.width()).arg(size.height());
}

} // namespace PictureSizes

// Lives on the reader's thread; a slice whose generation is no longer the
// current one (the list was cleared) is skipped unread.
class PictureSizeReader::Worker : public QObject
{
public:
    Worker(PictureSizeReader *owner, std::atomic<quint64> *current)
        : m_owner(owner), m_current(current)
    {
    }

    void readSlice(quint64 generation, const QStringList &paths)
    {
        QList<QSize> sizes;
        if (generation == m_current->load()) {
            sizes.reserve(paths.size());
            for (const QString &path : paths)
                sizes.append(PictureSizes::headerSize(path));
        }
        QMetaObject::invokeMethod(m_owner, [owner = m_owner, generation, paths, sizes] {
            owner->deliver(generation, paths, sizes);
        }, Qt::QueuedConnection);
    }

private:
    PictureSizeReader *m_owner;
    std::atomic<quint64> *m_current;
};

namespace {
// Small enough that the first rows fill in at once, large enough that the
// page is not repainted per file.
constexpr qsizetype SlicePaths = 200;
} // namespace

PictureSizeReader::PictureSizeReader(QObject *parent)
    : QObject(parent)
{
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("PictureSizeReader"));
    m_worker = new Worker(this, &m_current);
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start(QThread::LowPriority);
}

PictureSizeReader::~PictureSizeReader()
{
    // Slices still queued are skipped; the one being read ends first.
    m_current.store(~quint64(0));
    m_thread->quit();
    m_thread->wait();
}

void PictureSizeReader::read(const QStringList &paths)
{
    for (qsizetype first = 0; first < paths.size(); first += SlicePaths) {
        const QStringList slice = paths.mid(first, SlicePaths);
        const quint64 generation = m_generation;
        ++m_outstanding;
        QMetaObject::invokeMethod(m_worker, [worker = m_worker, generation, slice] {
            worker->readSlice(generation, slice);
        }, Qt::QueuedConnection);
    }
}

void PictureSizeReader::clear()
{
    m_current.store(++m_generation);
}

void PictureSizeReader::deliver(quint64 generation, const QStringList &paths, const QList<QSize> &sizes)
{
    --m_outstanding;
    if (generation == m_generation && sizes.size() == paths.size())
        emit sizesRead(paths, sizes);
    if (m_outstanding == 0)
        emit idle();
}
