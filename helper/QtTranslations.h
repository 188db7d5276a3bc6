#pragma once

#include <QString>

// Qt's own texts (the OK button of message boxes, the file dialogs) in the
// helper's language, from the translations installed with Qt.
namespace QtTranslations {

// Installs Qt's translations for `languageCode` ("zh_CN", "ja", ...) into the
// running application, replacing those installed by an earlier call. Returns
// false when none is found; Qt's texts then stay English.
bool Load(const QString &languageCode);

} // namespace QtTranslations
