#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>

// Prints one line at once, so a benchmark's progress shows while it runs.
inline void say(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    bytes.append('\n');
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}
