#pragma once

#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "TextTable.h"

#include <initializer_list>
#include <utility>

class QSettings;

// Interface language and the two built-in dictionaries. Every visible text is
// written in Simplified Chinese and looked up by that text; the language is the
// settings value "general/language", read afresh on every lookup.

// The text in the interface language: the tool dictionary first, then the
// general dictionary, then the source text itself. Placeholders ("%1"…) stay
// in place for the caller's QString::arg.
QString translateToolText(const QString &source);

// The same for a source text that stands for more than one thing in other
// languages ("关闭" is both "Close" and "off"): the row of that meaning, else
// the plain lookup.
QString translateToolText(const QString &source, QStringView meaning);

// The lookup for a text that counts things: an English row writes a word
// that follows a number as "{one|other}" after its placeholder ("%2 {file|files}"),
// and `counts` pairs each counted placeholder with its number ({{2, added}}).
// The other placeholders stay for QString::arg.
QString translateCount(const QString &source, std::initializer_list<std::pair<int, qint64>> counts);

// The general dictionary alone; the source text for Simplified Chinese and for
// a text it does not hold.
QString translateGeneralText(const QString &source);

// The stored language as written, empty when none is stored. Qt writes the
// group "general" of an INI file as "[%General]", which reads back as
// "General", and keys are case-sensitive outside Windows: both spellings count.
QString storedLanguage(const QSettings &settings);
QString storedLanguage();

// Stores the language so that a new QSettings on the file, in this process or
// the next, reads it back; a spelling read back from an older file goes.
void storeLanguage(QSettings &settings, const QString &code);
void removeStoredLanguage(QSettings &settings);

// The interface language of the tool window: one of the five codes, "zh_CN"
// unless exactly one of the other four is stored.
QString toolLanguageCode();

// The stored language as written, or, when nothing is stored, the code derived
// from the system locale.
QString currentLanguageCode();

// The tool dictionary's column: 1 to 4 for exactly "zh_TW", "ja_JP", "ko_KR",
// "en_US" stored, 0 for anything else (also for nothing stored).
int toolLanguageIndex();

// The general dictionary's column from currentLanguageCode(): 0 to 2 for
// exactly "zh_TW", "ja_JP", "ko_KR", 3 (English) for anything else.
int generalLanguageIndex();

// The interface language a locale suggests: "zh_TW" for Taiwan and Hong Kong,
// "ja_JP", "ko_KR", "zh_CN" for other Chinese, "en_US" for everything else.
QString languageCodeForLocale(const QLocale &locale);

// The locale in which numbers and sizes are shown, from the stored language;
// the default QLocale() when none of the five codes is stored.
QLocale interfaceLocale();

// A byte count in the interface locale: two decimals, base 1024 ("1.50 KiB").
QString formatDataSize(qint64 bytes);
QString formatDataSize(const QLocale &locale, qint64 bytes);

// The tool dictionary: source text to the five texts in the order zh_CN,
// zh_TW, ja_JP, ko_KR, en_US. A row with a meaning of its own is keyed by the
// source, toolMeaningSeparator and the meaning. Built once; read-only.
const QHash<QString, QStringList> &toolDictionary();
constexpr char16_t toolMeaningSeparator = TextTable::meaningSeparator;

// The general dictionary's two tables (0, 1): source text to the texts in
// zh_TW, ja_JP, ko_KR, en_US.
const QHash<QString, QStringList> &generalDictionaryTable(int table);
