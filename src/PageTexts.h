#pragma once

#include <QString>

// Small pieces of text every part of a tool page writes the same way.

// The tool dictionary's text for a Simplified Chinese source.
QString localized(const char16_t *source);

// The time of day that starts a run-log line, "HH:mm:ss".
QString timeOfDay();
