#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

// Points the application's INI settings at a fresh folder for the life of the
// object, so a test never reads or writes the user's own settings.
class SettingsSandbox
{
public:
    SettingsSandbox()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Pictavo"));
        QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }

    bool isValid() const { return m_dir.isValid(); }
    QString errorString() const { return m_dir.errorString(); }
    // The configuration folder: a program given it as XDG_CONFIG_HOME shares the file.
    QString path() const { return m_dir.path(); }

    static void setLanguage(const QString &code)
    {
        QSettings settings;
        settings.setValue(QStringLiteral("general/language"), code);
    }

    static void clearLanguage()
    {
        QSettings settings;
        settings.remove(QStringLiteral("general/language"));
    }

private:
    QTemporaryDir m_dir;
};
