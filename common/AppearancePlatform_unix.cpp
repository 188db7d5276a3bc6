#include "AppearancePlatform.h"

#include "Appearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QObject>
#include <QStandardPaths>

namespace {

const char portalService[] = "org.freedesktop.portal.Desktop";
const char portalPath[] = "/org/freedesktop/portal/desktop";
const char portalInterface[] = "org.freedesktop.portal.Settings";
const char appearanceNamespace[] = "org.freedesktop.appearance";
const char colorSchemeKey[] = "color-scheme";

// Read answers a variant holding the value (older portals one level deeper).
QVariant unwrapped(QVariant value)
{
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

std::optional<uint> portalColorScheme()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(portalService), QLatin1String(portalPath),
                                                       QLatin1String(portalInterface), QStringLiteral("Read"));
    call << QString::fromLatin1(appearanceNamespace) << QString::fromLatin1(colorSchemeKey);
    // A missing portal must not hold up the start.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool ok = false;
    const uint scheme = unwrapped(reply.arguments().constFirst()).toUInt(&ok);
    return ok ? std::optional<uint>(scheme) : std::nullopt;
}

// Receives the portal's SettingChanged, which Qt D-Bus delivers only to slots.
class PortalListener : public QObject
{
    Q_OBJECT

public:
    PortalListener(QObject *parent, std::function<void()> changed)
        : QObject(parent), m_changed(std::move(changed))
    {
    }

public slots:
    void settingChanged(const QString &group, const QString &key, const QDBusVariant &)
    {
        if (group == QLatin1String(appearanceNamespace) && key == QLatin1String(colorSchemeKey) && m_changed)
            m_changed();
    }

private:
    std::function<void()> m_changed;
};

} // namespace

namespace AppearancePlatform {

bool systemPrefersDark()
{
    const QDir config(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    Appearance::DesktopSources sources;
    sources.portalColorScheme = portalColorScheme;
    sources.gtkThemeVariable = qEnvironmentVariable("GTK_THEME");
    sources.gtkSettingsFile = config.filePath(QStringLiteral("gtk-3.0/settings.ini"));
    sources.kdeGlobalsFile = config.filePath(QStringLiteral("kdeglobals"));
    return Appearance::desktopPrefersDark(sources);
}

void watchSystem(QObject *context, std::function<void()> changed)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!context || !bus.isConnected())
        return;
    auto *listener = new PortalListener(context, std::move(changed));
    bus.connect(QLatin1String(portalService), QLatin1String(portalPath), QLatin1String(portalInterface),
                QStringLiteral("SettingChanged"), listener,
                SLOT(settingChanged(QString, QString, QDBusVariant)));
}

} // namespace AppearancePlatform

#include "AppearancePlatform_unix.moc"
