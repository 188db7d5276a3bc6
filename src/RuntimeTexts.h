#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Adds the texts that the page and the window show while working (row
// statuses, run-log lines, run summaries, message boxes) to the tool dictionary.
void addRuntimeTexts(QHash<QString, QStringList> *dictionary);
