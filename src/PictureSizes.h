#pragma once

#include "PaddingChoices.h"

#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>

class QThread;

// What the padding helper will make of each picture, known before Start: the
// pixel size from the file header only (EXIF orientation applied) and the
// canvas the sizing rule gives it.
namespace PictureSizes {

// The canvas the sizing gives a picture of size; an invalid size when it
// does not fit.
QSize target(const QSize &size, const Sizing &sizing);

// The size as the picture is shown: from the header, turned where the EXIF
// orientation turns it. Invalid when the file cannot be read as a picture.
QSize headerSize(const QString &path);

// "1920×1080".
QString text(const QSize &size);

} // namespace PictureSizes

// Reads header sizes on a thread of its own, in slices, and hands each slice
// back on the thread that owns the reader. Paths queued while a slice is read
// wait their turn; clear forgets everything still queued.
class PictureSizeReader : public QObject
{
    Q_OBJECT

public:
    explicit PictureSizeReader(QObject *parent = nullptr);
    ~PictureSizeReader() override;

    void read(const QStringList &paths);
    void clear();
    bool isBusy() const { return m_outstanding > 0; }

signals:
    // sizes[i] belongs to paths[i]; an invalid size means unreadable.
    void sizesRead(const QStringList &paths, const QList<QSize> &sizes);
    void idle();

private:
    class Worker;
    void deliver(quint64 generation, const QStringList &paths, const QList<QSize> &sizes);

    QThread *m_thread = nullptr;
    Worker *m_worker = nullptr;
    quint64 m_generation = 0;
    int m_outstanding = 0;
    std::atomic<quint64> m_current{0};
};
