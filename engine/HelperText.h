#pragma once

#include "TextTable.h"

#include <QString>

#include <initializer_list>

// The helper's texts in the language of the run. Every text is written in
// Simplified Chinese and looked up by that text in the helper's own dictionary
// (the same five columns as the tool window's). The language is set once at
// start, from "--language", before any picture is processed; the engine's
// threads only read it. Without it every text stays Simplified Chinese.
namespace HelperText {

// One of "zh_CN", "zh_TW", "ja_JP", "ko_KR", "en_US"; false, and Simplified
// Chinese, for anything else.
bool setLanguage(const QString &code);
QString language();

// The text in the run's language; the source itself when no row holds it.
// Placeholders stay for QString::arg.
QString translate(const QString &source);

// The same for a text that counts: "{one|other}" choices after a counted
// placeholder take their form from its number (TextTable::chooseForms).
QString translateCount(const QString &source, std::initializer_list<TextTable::Count> counts);

// The separator between the items of one message ("；" in Chinese and Japanese,
// "; " elsewhere) and an aside in brackets ("（…）" or " (…)").
QString separator();
QString aside(const QString &text);

// Source text to the five texts, for checking the rows.
const TextTable::Dictionary &dictionary();

// The former names, for the workers' texts until they call the ones above.
inline bool SetLanguage(const QString &code) { return setLanguage(code); }
inline QString Translate(const QString &source) { return translate(source); }
inline QString TranslateCount(const QString &source, std::initializer_list<TextTable::Count> counts)
{
    return translateCount(source, counts);
}

} // namespace HelperText
