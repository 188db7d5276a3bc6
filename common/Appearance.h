#pragma once

#include <QString>

#include <functional>
#include <optional>

class QObject;
class QSettings;

// The look chosen in the settings ("general/appearance"): the desktop's, or
// always light, or always dark.
namespace Appearance {

enum class Choice { System, Light, Dark };

// "system", "light", "dark".
QString key(Choice choice);
// The choice of a key; an unknown or missing key follows the system.
Choice fromKey(const QString &key);

Choice stored(const QSettings &settings);
void store(QSettings &settings, Choice choice);
// The settings file of the tool window, opened without the application's
// names, for the helper, which is started by it but names nothing itself.
QString settingsFile();

// What a free desktop says about its colours, each source as found.
struct DesktopSources
{
    // The portal's "color-scheme" (0 no preference, 1 dark, 2 light); empty
    // when no portal answers. Unset reads nothing.
    std::function<std::optional<uint>()> portalColorScheme;
    QString gtkThemeVariable; // GTK_THEME
    QString gtkSettingsFile;  // gtk-3.0/settings.ini
    QString kdeGlobalsFile;   // kdeglobals
};

// The portal first; then GTK_THEME ending in ":dark", then the GTK settings
// (dark preferred, or a theme name ending in "-dark"); then KDE's colour
// scheme. A portal that states a preference decides; nothing found is light.
bool desktopPrefersDark(const DesktopSources &sources);

// Whether the look is dark for a choice, asking systemDark only for System.
bool resolveDark(Choice choice, const std::function<bool()> &systemDark);

// Applies the stored choice to the application (applyApplicationTheme) and,
// for System, follows the desktop while context lives. Calling it again
// (after the choice changed) replaces the earlier following.
void follow(Choice choice, QObject *context);

} // namespace Appearance
