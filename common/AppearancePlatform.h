#pragma once

#include <functional>

class QObject;

// Where the desktop keeps its light or dark preference. On Linux the XDG
// desktop portal, GTK and KDE settings; on Windows the registry.
namespace AppearancePlatform {

bool systemPrefersDark();

// Calls changed whenever the desktop's preference may have changed, for as
// long as context lives. Does nothing where no change is announced.
void watchSystem(QObject *context, std::function<void()> changed);

} // namespace AppearancePlatform
