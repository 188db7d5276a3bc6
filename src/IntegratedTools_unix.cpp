#include "IntegratedTools.h"

// Unix programs carry no suffix.
QString IntegratedTools::executableSuffix()
{
    return QString();
}

// Linux file systems tell "A.JPG" and "a.jpg" apart.
Qt::CaseSensitivity IntegratedTools::pathCaseSensitivity()
{
    return Qt::CaseSensitive;
}
