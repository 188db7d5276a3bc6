#include "MemoryBudget.h"

#include "SafeFile.h"

MemoryBudget::MemoryBudget(qint64 capacity) : m_capacity(qMax<qint64>(1, capacity)) {}

qint64 MemoryBudget::defaultCapacity()
{
    const qint64 physical = SafeFile::physicalMemoryBytes();
    return physical > 0 ? physical / 2 : qint64(2048) * 1024 * 1024;
}

qint64 MemoryBudget::highWater() const
{
    QMutexLocker lock(&m_mutex);
    return m_highWater;
}

qint64 MemoryBudget::reserve(qint64 bytes)
{
    const qint64 granted = qBound<qint64>(0, bytes, m_capacity);
    QMutexLocker lock(&m_mutex);
    while (m_used + granted > m_capacity)
        m_freed.wait(&m_mutex);
    m_used += granted;
    m_highWater = qMax(m_highWater, m_used);
    return granted;
}

void MemoryBudget::release(qint64 granted)
{
    QMutexLocker lock(&m_mutex);
    m_used -= granted;
    m_freed.wakeAll();
}
