#pragma once

#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <initializer_list>
#include <utility>

// Dictionaries keyed by the Simplified Chinese source text, one row per text
// with its five interface languages: zh_CN (the key), zh_TW, ja_JP, ko_KR, en_US.
namespace TextTable {

struct Row
{
    const char16_t *texts[5];
    const char16_t *meaning = nullptr; // set where the source alone is ambiguous ("关闭": Close or off)
};

using Dictionary = QHash<QString, QStringList>;

// Joins a source text and a meaning into the key of a row that has one.
constexpr char16_t meaningSeparator = u'\x04';
QString key(const QString &source, QStringView meaning);

void addRows(Dictionary *dictionary, const Row *rows, std::size_t count);
template<std::size_t N>
void addRows(Dictionary *dictionary, const Row (&rows)[N])
{
    addRows(dictionary, rows, N);
}

// The text of `key` in column `index`, or a null string when the dictionary
// has no such row or the row no such column.
QString lookup(const Dictionary &dictionary, const QString &key, int index);

// A placeholder and the number that will be substituted for it.
using Count = std::pair<int, qint64>;

// Resolves the choices of a text that counts things. A translation writes a
// word whose form follows a number as "{one|other}" after the number's
// placeholder ("%2 {file|files}"); each choice takes the number of the nearest
// placeholder before it: "one" for exactly 1, "other" for any other number.
// A choice whose placeholder is not in `counts` takes "other", so no brace
// ever reaches the screen.
QString chooseForms(const QString &text, std::initializer_list<Count> counts);

// The choices of a text, each with the placeholder it follows (0: none), in
// the order written; for checking the rows.
QList<std::pair<int, QString>> choicesOf(const QString &text);

// The locale whose numbers and sizes go with an interface language code:
// "zh_TW" Chinese in Traditional Han script, "ja_JP" Japan, "ko_KR" South
// Korea, "en_US" United States; "zh_CN" and anything else the default QLocale,
// so every program of the system writes numbers alike for one language.
QLocale localeFor(const QString &code);

// A program's dictionary with the language it runs in: the language is set
// once at start and then read, from any thread, on every lookup.
class Catalog
{
public:
    template<std::size_t N>
    explicit Catalog(const Row (&rows)[N], std::pair<const Row *, std::size_t> shared = {nullptr, 0})
        : m_rows(rows), m_count(N), m_shared(shared)
    {
    }

    // One of "zh_CN", "zh_TW", "ja_JP", "ko_KR", "en_US"; false, and
    // Simplified Chinese, for anything else.
    bool setLanguage(const QString &code);
    QString language() const;
    // The column: 0 (Simplified Chinese) to 4 (English).
    int languageIndex() const { return m_language.load(std::memory_order_relaxed); }

    // The text in the language; the source itself when no row holds it.
    // "{one|other}" choices take their form from `counts` (chooseForms).
    QString translate(const QString &source, std::initializer_list<Count> counts = {}) const;

    // Source text to the five texts, built on first use.
    const Dictionary &dictionary() const;

private:
    const Row *m_rows;
    std::size_t m_count;
    std::pair<const Row *, std::size_t> m_shared;  // rows shared with other programs' dictionaries
    std::atomic<int> m_language{0};
    mutable std::once_flag m_built;
    mutable Dictionary m_dictionary;
};

} // namespace TextTable
