#include "Appearance.h"
#include "BatchLogic.h"
#include "Headless.h"
#include "HelperText.h"
#include "MainForm.h"
#include "QtTranslations.h"
#include "SelfTest.h"
#include "Usage.h"

#include <QApplication>
#include <QCoreApplication>
#include <QSettings>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    // Raw bytes: a name that is not valid UTF-8 is reported, not silently mangled.
    QList<QByteArray> rawArguments;
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        rawArguments << QByteArray(argv[i]);
        arguments << QString::fromLocal8Bit(argv[i]);
    }

    if (arguments.contains(QStringLiteral("--help"))) {
        // Answered before any application object exists, so no display is
        // needed; in the language "--language" names, else the environment's.
        const qsizetype at = arguments.lastIndexOf(QStringLiteral("--language"));
        const QString language = at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1)
                                                                       : BatchLogic::environmentLanguage();
        std::fputs(quadrixUsage(language).toUtf8().constData(), stdout);
        return 0;
    }

    if (arguments.contains(QStringLiteral("--self-test"))) {
        // No window: the self-test runs headless, from a console or another program.
        QCoreApplication app(argc, argv);
        return SelfTest::run(QCoreApplication::applicationDirPath());
    }

    // Parsing sets the language of everything the helper says ("--language",
    // else Simplified Chinese); Qt's own texts follow it.
    const StartupArguments parsed = BatchLogic::parseArguments(rawArguments);
    if (parsed.undoLast) {
        QCoreApplication app(argc, argv);
        return runUndoLast();
    }
    if (parsed.headless) {
        // No window and no display: scripts, pipelines and other machines.
        QCoreApplication app(argc, argv);
        installQtTranslations(HelperText::language());
        return runHeadless(parsed);
    }

    QApplication app(argc, argv);
    installQtTranslations(HelperText::language());
    // The look the tool window's settings chose, from its settings file.
    Appearance::follow(Appearance::stored(QSettings(Appearance::settingsFile(), QSettings::IniFormat)), &app);
    MainForm form(parsed, nullptr);
    form.show();
    if (arguments.contains(QStringLiteral("--smoke-test"))) {
        QTimer::singleShot(500, &form, [&form] {
            // Closing during a run would ask whether to stop; the smoke test
            // ends the program as a session's end does, without asking.
            if (!form.isRunning())
                form.close();
            // Also ends the loop of a message box that may be open over the window.
            QCoreApplication::exit(0);
        });
    }
    app.exec();

    if (form.isRunning()) {
        // The event loop ended during a run (the session ends; closing the
        // window stops the run first): leave now instead of joining the worker thread,
        // which the thread pool would do on the way out. The engine puts a
        // picture in place only by renaming a complete, verified temporary file,
        // so at worst that temporary file stays behind; the next run replaces it.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    return 0;
}
