#pragma once

#include "TextTable.h"

#include <QLocale>
#include <QString>

#include <initializer_list>

// The texts of the PSD workers, in the language the page asks for with
// "--language". Every text is written in Simplified Chinese
// and looked up by that text, as in the padding helper; without a language, or
// with one the table does not know, every text stays Simplified Chinese.
namespace WorkerText {

// One of "zh_CN", "zh_TW", "ja_JP", "ko_KR", "en_US"; false, and Simplified
// Chinese, for anything else. Also sets the language of the reader and of the
// padding engine, whose messages the workers pass on.
bool SetLanguage(const QString &code);
QString Language();

// The text in the run's language; the source itself when no row holds it.
// Placeholders stay for QString::arg.
QString Translate(const QString &source);

// The same for a text that counts: "{one|other}" choices after a counted
// placeholder take their form from its number (TextTable::chooseForms).
QString TranslateCount(const QString &source, std::initializer_list<TextTable::Count> counts);

// The locale of the language (TextTable::localeFor), for numbers ("12,345")
// and sizes ("41.2 MB").
QLocale Locale();

// ": " or "：" between a name and what happened to it.
QString Colon();

// Between the parts of a list of clauses: "；", "、" or "; ".
QString ListSeparator();

// Source text to the five texts, for checking the rows.
const TextTable::Dictionary &Dictionary();

} // namespace WorkerText
