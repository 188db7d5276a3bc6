#pragma once

#include "TextTable.h"

#include <QString>

// The usage text of the helper's command line, as printed by "--help" and
// turned into the manual page: every switch with its values, the exit codes
// and examples, wrapped to 79 columns. `language` is one of the five codes;
// any other gives English, the language of the manual page.
QString quadrixUsage(const QString &language);

// Source text to the five texts of the usage, for checking the rows.
const TextTable::Dictionary &quadrixUsageDictionary();
