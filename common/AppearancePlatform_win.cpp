#include "AppearancePlatform.h"

#include <QObject>
#include <QSettings>

namespace AppearancePlatform {

bool systemPrefersDark()
{
    const QSettings personalize(
            QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize"),
            QSettings::NativeFormat);
    // Missing means the light look, as Windows itself takes it.
    return personalize.value(QStringLiteral("AppsUseLightTheme"), 1).toInt() == 0;
}

void watchSystem(QObject *, std::function<void()>)
{
    // Windows announces the change by a broadcast message to windows; the
    // choice is read again at the next start.
}

} // namespace AppearancePlatform
