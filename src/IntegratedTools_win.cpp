#include "IntegratedTools.h"

QString IntegratedTools::executableSuffix()
{
    return QStringLiteral(".exe");
}
