#include "IntegratedTools.h"

// Unix programs carry no suffix.
QString IntegratedTools::executableSuffix()
{
    return QString();
}
