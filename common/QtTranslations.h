#pragma once

#include <QString>

// Qt's own texts (OK, Cancel, Close, Yes, No, the file dialog) in an interface
// language ("zh_CN", "zh_TW", "ja_JP", "ko_KR", "en_US"): loads Qt's catalogue
// for it from Qt's translations folder and installs it on the running
// application, replacing one installed earlier. False for another code or a
// missing catalogue; Qt's English texts then stay.
bool installQtTranslations(const QString &languageCode);
