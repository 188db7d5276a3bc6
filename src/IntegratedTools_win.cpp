#include "IntegratedTools.h"

QString IntegratedTools::executableSuffix()
{
    return QStringLiteral(".exe");
}

Qt::CaseSensitivity IntegratedTools::pathCaseSensitivity()
{
    return Qt::CaseInsensitive;
}
