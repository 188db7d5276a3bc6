#include "IntegratedTools.h"

QString IntegratedTools::executableSuffix()
{
    return QStringLiteral(".exe");
}

Qt::CaseSensitivity IntegratedTools::pathCaseSensitivity()
{
    return Qt::CaseInsensitive;
}

int IntegratedTools::countUndecodableNames(const QString &)
{
    return 0; // names are UTF-16 and always decode
}
