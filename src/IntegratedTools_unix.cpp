#include "IntegratedTools.h"

#include <QFile>
#include <QUtf8StringView>

#include <dirent.h>

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

// Qt's folder listing leaves such names out without a word, so the folder is
// read once more here to count them.
int IntegratedTools::countUndecodableNames(const QString &folder)
{
    DIR *entries = ::opendir(QFile::encodeName(folder).constData());
    if (!entries)
        return 0;
    int count = 0;
    while (const dirent *entry = ::readdir(entries)) {
        const char *name = entry->d_name;
        if (name[0] != '.' && !QUtf8StringView(name).isValidUtf8())
            ++count;
    }
    ::closedir(entries);
    return count;
}
