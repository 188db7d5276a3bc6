#include "Appearance.h"

#include "AppearancePlatform.h"
#include "Theme.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>

namespace Appearance {

namespace {

const char appearanceKey[] = "general/appearance";

bool truthy(const QVariant &value)
{
    const QString text = value.toString().trimmed().toLower();
    return text == QLatin1String("1") || text == QLatin1String("true");
}

bool gtkPrefersDark(const DesktopSources &sources)
{
    if (sources.gtkThemeVariable.trimmed().endsWith(QLatin1String(":dark"), Qt::CaseInsensitive))
        return true;
    if (sources.gtkSettingsFile.isEmpty() || !QFile::exists(sources.gtkSettingsFile))
        return false;
    const QSettings gtk(sources.gtkSettingsFile, QSettings::IniFormat);
    return truthy(gtk.value(QStringLiteral("Settings/gtk-application-prefer-dark-theme")))
            || gtk.value(QStringLiteral("Settings/gtk-theme-name")).toString().trimmed().endsWith(
                    QLatin1String("-dark"), Qt::CaseInsensitive);
}

bool kdePrefersDark(const DesktopSources &sources)
{
    if (sources.kdeGlobalsFile.isEmpty() || !QFile::exists(sources.kdeGlobalsFile))
        return false;
    const QSettings kde(sources.kdeGlobalsFile, QSettings::IniFormat);
    // The window background says it for any scheme; the name for the usual ones.
    const QStringList window = kde.value(QStringLiteral("Colors:Window/BackgroundNormal")).toStringList();
    if (window.size() >= 3) {
        const QColor colour(window.at(0).trimmed().toInt(), window.at(1).trimmed().toInt(),
                            window.at(2).trimmed().toInt());
        return colour.lightness() < 128;
    }
    // QSettings reads an INI file's [General] section as its top level.
    return kde.value(QStringLiteral("ColorScheme")).toString().contains(QLatin1String("dark"),
                                                                                Qt::CaseInsensitive);
}

} // namespace

QString key(Choice choice)
{
    switch (choice) {
    case Choice::Light:
        return QStringLiteral("light");
    case Choice::Dark:
        return QStringLiteral("dark");
    case Choice::System:
        break;
    }
    return QStringLiteral("system");
}

Choice fromKey(const QString &key)
{
    if (key == QLatin1String("light"))
        return Choice::Light;
    if (key == QLatin1String("dark"))
        return Choice::Dark;
    return Choice::System;
}

Choice stored(const QSettings &settings)
{
    return fromKey(settings.value(QLatin1String(appearanceKey)).toString());
}

void store(QSettings &settings, Choice choice)
{
    settings.setValue(QLatin1String(appearanceKey), key(choice));
}

QString settingsFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .filePath(QStringLiteral("Pictavo/Pictavo.ini"));
}

bool desktopPrefersDark(const DesktopSources &sources)
{
    if (sources.portalColorScheme) {
        const std::optional<uint> scheme = sources.portalColorScheme();
        if (scheme && *scheme == 1)
            return true;
        if (scheme && *scheme == 2)
            return false;
    }
    return gtkPrefersDark(sources) || kdePrefersDark(sources);
}

bool resolveDark(Choice choice, const std::function<bool()> &systemDark)
{
    switch (choice) {
    case Choice::Light:
        return false;
    case Choice::Dark:
        return true;
    case Choice::System:
        break;
    }
    return systemDark && systemDark();
}

void follow(Choice choice, QObject *context)
{
    static QPointer<QObject> watcher;
    delete watcher;
    applyApplicationTheme(resolveDark(choice, AppearancePlatform::systemPrefersDark));
    if (choice != Choice::System || !context)
        return;
    watcher = new QObject(context);
    AppearancePlatform::watchSystem(watcher, [] {
        const bool dark = AppearancePlatform::systemPrefersDark();
        if (dark != isDarkTheme())
            applyApplicationTheme(dark);
    });
}

} // namespace Appearance
