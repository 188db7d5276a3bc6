#pragma once

#include <QMutex>
#include <QWaitCondition>
#include <QtGlobal>

// Memory shared by the pictures of one run that are padded at the same time.
// A picture reserves its whole peak before its pixels are decoded and waits
// while the others hold too much; a picture larger than the budget waits
// until it is the only one and then runs alone.
class MemoryBudget
{
public:
    explicit MemoryBudget(qint64 capacity);

    // Half the machine's physical memory.
    static qint64 defaultCapacity();

    qint64 capacity() const { return m_capacity; }
    // The most that was held at once so far.
    qint64 highWater() const;

    // Blocks until `bytes` (at most the whole budget) fit; returns what was taken.
    qint64 reserve(qint64 bytes);
    void release(qint64 granted);

    // Holds a reservation for as long as it lives.
    class Hold
    {
    public:
        Hold(MemoryBudget *budget, qint64 bytes)
            : m_budget(budget), m_granted(budget ? budget->reserve(bytes) : 0) {}
        ~Hold()
        {
            if (m_budget)
                m_budget->release(m_granted);
        }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        MemoryBudget *m_budget;
        qint64 m_granted;
    };

private:
    const qint64 m_capacity;
    mutable QMutex m_mutex;
    QWaitCondition m_freed;
    qint64 m_used = 0;
    qint64 m_highWater = 0;
};
