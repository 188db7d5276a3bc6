#include "InstancePlatform.h"

#include <QElapsedTimer>
#include <QThread>

namespace InstancePlatform {

LockResult waitForToolLock(const QString &name, int milliseconds, QString *error)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const LockResult result = acquireToolLock(name, error);
        if (result != LockResult::HeldByOther || clock.elapsed() >= milliseconds)
            return result;
        QThread::msleep(25);
    }
}

} // namespace InstancePlatform
