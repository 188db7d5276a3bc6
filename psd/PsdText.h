#pragma once

#include "TextTable.h"

#include <QString>

// The reader's messages in the language of the program that links it. Every
// text is written in Simplified Chinese and looked up by that text; without a
// language, or with one the table does not know, they stay Simplified Chinese.
namespace PsdText {

// One of "zh_CN", "zh_TW", "ja_JP", "ko_KR", "en_US"; false, and Simplified
// Chinese, for anything else.
bool SetLanguage(const QString &code);

// The text in the set language; the source itself when no row holds it.
// Placeholders stay for QString::arg.
QString Translate(const QString &source);

// Source text to the five texts, for checking the rows.
const TextTable::Dictionary &Dictionary();

} // namespace PsdText
