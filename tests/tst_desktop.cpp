#include "Appearance.h"
#include "AppearancePlatform.h"
#include "DesktopOpen.h"
#include "IntegratedToolPage.h"
#include "SettingsSandbox.h"
#include "StandaloneToolWindow.h"
#include "Theme.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// The tool window on the desktop: the light or dark look, a window that fits
// its screen, opening places, and Ctrl+Q.
class tst_Desktop : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storedAppearance_data();
    void storedAppearance();
    void systemSources_data();
    void systemSources();
    void portalOverSessionBus();
    void fittedGeometry_data();
    void fittedGeometry();
    void largeSavedWindowOpensWithinScreen();
    void failedOpenOffersPath();
    void ctrlQClosesWindow();

private:
    std::unique_ptr<SettingsSandbox> m_settings;
};

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Answers the portal's Read as the desktop portal does: the value in a variant.
class StandInPortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    uint scheme = 1;

public slots:
    QDBusVariant Read(const QString &group, const QString &key)
    {
        if (group == QLatin1String("org.freedesktop.appearance") && key == QLatin1String("color-scheme"))
            return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
        return QDBusVariant(QVariant());
    }
};

} // namespace

void tst_Desktop::init()
{
    m_settings = std::make_unique<SettingsSandbox>();
    QVERIFY(m_settings->isValid());
}

void tst_Desktop::cleanup()
{
    applyApplicationTheme(false);
    m_settings.reset();
}

void tst_Desktop::storedAppearance_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("desktopDark");
    QTest::addColumn<bool>("dark");

    QTest::newRow("nothing stored follows a dark desktop") << QVariant() << true << true;
    QTest::newRow("system on a light desktop") << QVariant(u"system"_s) << false << false;
    QTest::newRow("light on a dark desktop") << QVariant(u"light"_s) << true << false;
    QTest::newRow("dark on a light desktop") << QVariant(u"dark"_s) << false << true;
    QTest::newRow("unknown key follows the desktop") << QVariant(u"sepia"_s) << true << true;
}

void tst_Desktop::storedAppearance()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, desktopDark);
    QFETCH(bool, dark);

    if (stored.isValid())
        QSettings().setValue(u"general/appearance"_s, stored);
    int asked = 0;
    const Appearance::Choice choice = Appearance::stored(QSettings());
    QCOMPARE(Appearance::resolveDark(choice, [&] { return ++asked, desktopDark; }), dark);
    // Only "system" asks the desktop.
    QCOMPARE(asked, choice == Appearance::Choice::System ? 1 : 0);

}

void tst_Desktop::systemSources_data()
{
    QTest::addColumn<int>("portal"); // -1: no portal answers
    QTest::addColumn<QString>("gtkTheme");
    QTest::addColumn<QByteArray>("gtkSettings");
    QTest::addColumn<QByteArray>("kdeGlobals");
    QTest::addColumn<bool>("dark");

    const QByteArray gtkPreferDark = "[Settings]\ngtk-application-prefer-dark-theme=1\n";
    const QByteArray kdeDark = "[General]\nColorScheme=BreezeDark\n[Colors:Window]\nBackgroundNormal=32,35,38\n";
    QTest::newRow("portal dark") << 1 << QString() << QByteArray() << QByteArray() << true;
    QTest::newRow("portal light outranks GTK dark") << 2 << u"Adwaita:dark"_s << gtkPreferDark << kdeDark << false;
    QTest::newRow("portal without preference, GTK_THEME dark") << 0 << u"Adwaita:dark"_s << QByteArray() << QByteArray()
                                                               << true;
    QTest::newRow("no portal, GTK_THEME light") << -1 << u"Adwaita"_s << QByteArray() << QByteArray() << false;
    QTest::newRow("GTK prefers dark") << -1 << QString() << gtkPreferDark << QByteArray() << true;
    QTest::newRow("GTK theme named dark") << -1 << QString() << QByteArray("[Settings]\ngtk-theme-name=Yaru-dark\n")
                                          << QByteArray() << true;
    QTest::newRow("GTK light theme") << -1 << QString()
                                     << QByteArray("[Settings]\ngtk-theme-name=Adwaita\n"
                                                   "gtk-application-prefer-dark-theme=0\n")
                                     << QByteArray() << false;
    QTest::newRow("KDE dark window colour") << -1 << QString() << QByteArray() << kdeDark << true;
    QTest::newRow("KDE light window colour")
            << -1 << QString() << QByteArray()
            << QByteArray("[General]\nColorScheme=BreezeLight\n[Colors:Window]\nBackgroundNormal=239,240,241\n")
            << false;
    QTest::newRow("KDE dark scheme name only") << -1 << QString() << QByteArray()
                                               << QByteArray("[General]\nColorScheme=BreezeDark\n") << true;
    QTest::newRow("nothing found is light") << -1 << QString() << QByteArray() << QByteArray() << false;
}

void tst_Desktop::systemSources()
{
    QFETCH(int, portal);
    QFETCH(QString, gtkTheme);
    QFETCH(QByteArray, gtkSettings);
    QFETCH(QByteArray, kdeGlobals);
    QFETCH(bool, dark);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    Appearance::DesktopSources sources;
    sources.portalColorScheme = [portal]() -> std::optional<uint> {
        return portal < 0 ? std::nullopt : std::optional<uint>(uint(portal));
    };
    sources.gtkThemeVariable = gtkTheme;
    sources.gtkSettingsFile = folder.filePath(u"settings.ini"_s);
    sources.kdeGlobalsFile = folder.filePath(u"kdeglobals"_s);
    if (!gtkSettings.isEmpty())
        QVERIFY(writeFile(sources.gtkSettingsFile, gtkSettings));
    if (!kdeGlobals.isEmpty())
        QVERIFY(writeFile(sources.kdeGlobalsFile, kdeGlobals));
    QCOMPARE(Appearance::desktopPrefersDark(sources), dark);
}

void tst_Desktop::portalOverSessionBus()
{
#ifdef Q_OS_WIN
    QSKIP("The portal is a free desktop's");
#else
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        QSKIP("No session bus (ctest runs this under dbus-run-session when it can)");
    if (!bus.registerService(u"org.freedesktop.portal.Desktop"_s))
        QSKIP("A desktop portal already runs on this bus");
    // No GTK or KDE settings of the user's: only the portal speaks.
    QTemporaryDir config;
    QVERIFY(config.isValid());
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qunsetenv("GTK_THEME");

    StandInPortal portal;
    QVERIFY(bus.registerObject(u"/org/freedesktop/portal/desktop"_s, &portal, QDBusConnection::ExportAllSlots));
    QVERIFY(AppearancePlatform::systemPrefersDark());
    portal.scheme = 2;
    QVERIFY(!AppearancePlatform::systemPrefersDark());

    // A change announced while running turns the open windows and the palette.
    IntegratedToolPage page(IntegratedTools::ImageResize);
    page.show();
    QObject context;
    Appearance::follow(Appearance::Choice::System, &context);
    QVERIFY(!isDarkTheme());
    const QColor lightWindow = QApplication::palette().color(QPalette::Window);
    portal.scheme = 1;
    QDBusMessage changed = QDBusMessage::createSignal(u"/org/freedesktop/portal/desktop"_s,
                                                      u"org.freedesktop.portal.Settings"_s, u"SettingChanged"_s);
    changed << u"org.freedesktop.appearance"_s << u"color-scheme"_s << QVariant::fromValue(QDBusVariant(1u));
    QVERIFY(bus.send(changed));
    QTRY_VERIFY(isDarkTheme());
    QVERIFY(page.styleSheet().startsWith(u"QWidget { background: #202731; color: #d7e0ea; }"));
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(0x15, 0x1a, 0x21));
    applyApplicationTheme(false);
    QVERIFY(page.styleSheet().startsWith(u"QWidget { background: #f6f8fb;"));
    QCOMPARE(QApplication::palette().color(QPalette::Window), lightWindow);

    bus.unregisterObject(u"/org/freedesktop/portal/desktop"_s);
    bus.unregisterService(u"org.freedesktop.portal.Desktop"_s);
    qputenv("XDG_CONFIG_HOME", oldConfig);
#endif
}

void tst_Desktop::fittedGeometry_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QRect>("fitted");
    QTest::addColumn<bool>("maximise");

    // A 1600x1000 screen less a 40-pixel panel at the top; the minimum size is 820x600.
    const QRect screen(0, 40, 1600, 960);
    QTest::newRow("fits, unchanged") << screen << QRect(100, 80, 1180, 790) << QRect(100, 80, 1180, 790) << false;
    QTest::newRow("larger than the screen") << screen << QRect(0, 0, 2360, 1580) << QRect(0, 40, 1600, 960) << false;
    QTest::newRow("past the bottom right") << screen << QRect(1000, 700, 1180, 790) << QRect(420, 210, 1180, 790)
                                           << false;
    QTest::newRow("screen below the minimum") << QRect(0, 0, 800, 560) << QRect(50, 50, 1180, 790)
                                              << QRect(0, 0, 820, 600) << true;
}

void tst_Desktop::fittedGeometry()
{
    QFETCH(QRect, available);
    QFETCH(QRect, saved);
    QFETCH(QRect, fitted);
    QFETCH(bool, maximise);

    bool maximised = !maximise;
    QCOMPARE(StandaloneToolWindow::fittedGeometry(saved, available, QSize(820, 600), &maximised), fitted);
    QCOMPARE(maximised, maximise);
}

void tst_Desktop::largeSavedWindowOpensWithinScreen()
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(available.size(), QSize(1600, 1000));
    {
        // As saved under a scale factor of 2 on a larger screen.
        StandaloneToolWindow large(IntegratedTools::ImageResize);
        large.setGeometry(0, 0, 2360, 1580);
        QCOMPARE(large.geometry().size(), QSize(2360, 1580));
        QSettings().setValue(u"standaloneTools/image-resize/geometry"_s, large.saveGeometry());
    }
    StandaloneToolWindow window(IntegratedTools::ImageResize);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY2(available.contains(window.frameGeometry()),
             qPrintable(u"%1,%2 %3x%4"_s.arg(window.frameGeometry().x()).arg(window.frameGeometry().y())
                                .arg(window.frameGeometry().width()).arg(window.frameGeometry().height())));
    QVERIFY(window.width() >= window.minimumWidth() && window.height() >= window.minimumHeight());
}

void tst_Desktop::failedOpenOffersPath()
{
    // A launcher that finds nothing registered, as xdg-open says with status 3.
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
#ifdef Q_OS_WIN
    QSKIP("The Windows shell answers at once; no launcher to stand in for");
#else
    const QString launcher = bin.filePath(u"xdg-open"_s);
    QVERIFY(writeFile(launcher, "#!/bin/sh\nexit 3\n"));
    QVERIFY(QFile::setPermissions(launcher, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);
#endif
    QApplication::clipboard()->clear();

    const QString folder = bin.filePath(u"输出 folder"_s);
    QString shownPath;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        shownPath = box->informativeText();
        if (auto *copy = box->findChild<QPushButton *>(u"openFailureCopyPath"_s))
            copy->click();
        else
            box->reject();
    });
    answer.start(20);

    QWidget parent;
    parent.show();
    DesktopOpen::openOrExplain(&parent, folder);
    QTRY_COMPARE(QApplication::clipboard()->text(), QDir::toNativeSeparators(folder));
    QCOMPARE(shownPath, QDir::toNativeSeparators(folder));
#ifndef Q_OS_WIN
    qputenv("PATH", oldPath);
#endif
}

void tst_Desktop::ctrlQClosesWindow()
{
    StandaloneToolWindow window(IntegratedTools::ImageResize);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!window.isVisible());
    // Closing stored the geometry, as closing by the title bar does.
    QVERIFY(QSettings().contains(u"standaloneTools/image-resize/geometry"_s));
}

int main(int argc, char **argv)
{
    // One offscreen screen of 1600x1000, smaller than the saved window.
    QTemporaryDir folder;
    const QString screens = folder.filePath(QStringLiteral("screens.json"));
    if (!folder.isValid()
        || !writeFile(screens, R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1600, "height": 1000,
                                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})"))
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));
    QApplication application(argc, argv);
    tst_Desktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
