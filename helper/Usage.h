#pragma once

#include <QString>

// The usage text of the helper's command line, as printed by "--help" and
// turned into the manual page: every switch with its values, the exit codes
// and two examples. Plain English text ending in a line feed.
QString quadrixUsage();
