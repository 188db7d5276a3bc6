#include "PageTexts.h"

#include "Localization.h"

#include <QDateTime>

QString localized(const char16_t *source)
{
    return translateToolText(QString::fromUtf16(source));
}

QString timeOfDay()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
}
