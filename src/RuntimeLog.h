#pragma once

#include <QString>
#include <QtGlobal>

class QMessageLogContext;

// Turns every diagnostic message of the process into one structured line of
// "runtime.log", keeps one older generation, copies the release history beside
// it and offers "developer-notes.log" for free-text annotations.
class RuntimeLog
{
public:
    // Chooses the logs folder, forms the session id, installs the handler and
    // logs the session line. Call once, before other logging of a normal run.
    static void initialize();

    // Copies ":/docs/release-history.json" into the logs folder; failures are ignored.
    static void recordReleaseHistory();

    // Writes one developer-notes record. False for a blank text or when the
    // file cannot be opened.
    static bool appendAnnotation(const QString &type, const QString &text);

    // The installed handler; may be entered from any thread.
    static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

    static QString logsFolder();
    static QString runtimeLogPath();
    static QString notesPath();
    static QString sessionId();

    // Above this size "runtime.log" moves to "runtime.log.1" before the next record.
    static constexpr qint64 RotationBytes = 5242880;
};
