#pragma once

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>

// The environment for a program started by a test: its own, owner-only XDG
// folders under `root`, so the child never reads or writes the user's.
inline bool privateXdgEnvironment(const QDir &root, QProcessEnvironment *environment)
{
    *environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString folder = root.filePath(QString::fromLatin1(name).toLower());
        if (!root.mkpath(folder)
            || !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return false;
        environment->insert(QString::fromLatin1(name), folder);
    }
    return true;
}
