#include "TextTable.h"

#include <iterator>

namespace TextTable {

namespace {

struct Choice
{
    qsizetype begin = 0; // the "{"
    qsizetype end = 0;   // one past the "}"
    int placeholder = 0; // the nearest "%1"…"%9" before the choice; 0 when none
    QStringView one;
    QStringView other;
};

// The next "{one|other}" at or after `from`; false when there is none.
bool nextChoice(const QString &text, qsizetype from, Choice *choice)
{
    for (qsizetype open = text.indexOf(u'{', from); open >= 0; open = text.indexOf(u'{', open + 1)) {
        const qsizetype close = text.indexOf(u'}', open + 1);
        if (close < 0)
            return false;
        const QStringView inside = QStringView(text).mid(open + 1, close - open - 1);
        const qsizetype bar = inside.indexOf(u'|');
        if (bar < 0 || inside.contains(u'{'))
            continue;
        choice->begin = open;
        choice->end = close + 1;
        choice->one = inside.left(bar);
        choice->other = inside.mid(bar + 1);
        choice->placeholder = 0;
        for (qsizetype i = open - 1; i > 0; --i) {
            const QChar digit = text.at(i);
            if (text.at(i - 1) == u'%' && digit >= u'1' && digit <= u'9') {
                choice->placeholder = digit.unicode() - u'0';
                break;
            }
        }
        return true;
    }
    return false;
}

} // namespace

QString key(const QString &source, QStringView meaning)
{
    return source + meaningSeparator + meaning;
}

void addRows(Dictionary *dictionary, const Row *rows, std::size_t count)
{
    dictionary->reserve(dictionary->size() + qsizetype(count));
    for (std::size_t i = 0; i < count; ++i) {
        QStringList texts;
        for (const char16_t *text : rows[i].texts)
            texts.append(QString::fromUtf16(text));
        const QString source = texts.constFirst();
        dictionary->insert(rows[i].meaning ? key(source, rows[i].meaning) : source, texts);
    }
}

QString lookup(const Dictionary &dictionary, const QString &key, int index)
{
    const auto found = dictionary.constFind(key);
    if (found == dictionary.constEnd() || index < 0 || index >= found->size())
        return QString();
    return found->at(index);
}

QString chooseForms(const QString &text, std::initializer_list<Count> counts)
{
    QString chosen;
    qsizetype done = 0;
    Choice choice;
    while (nextChoice(text, done, &choice)) {
        chosen += QStringView(text).mid(done, choice.begin - done);
        bool one = false;
        for (const Count &count : counts) {
            if (count.first == choice.placeholder)
                one = count.second == 1;
        }
        chosen += one ? choice.one : choice.other;
        done = choice.end;
    }
    return done == 0 ? text : chosen + QStringView(text).mid(done);
}

QList<std::pair<int, QString>> choicesOf(const QString &text)
{
    QList<std::pair<int, QString>> choices;
    Choice choice;
    for (qsizetype from = 0; nextChoice(text, from, &choice); from = choice.end)
        choices.append({choice.placeholder, text.mid(choice.begin, choice.end - choice.begin)});
    return choices;
}

namespace {
const char16_t *const languageCodes[] = {u"zh_CN", u"zh_TW", u"ja_JP", u"ko_KR", u"en_US"};
}

QLocale localeFor(const QString &code)
{
    if (code == u"zh_TW")
        return QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::AnyTerritory);
    if (code == u"ja_JP")
        return QLocale(QLocale::Japanese, QLocale::Japan);
    if (code == u"ko_KR")
        return QLocale(QLocale::Korean, QLocale::SouthKorea);
    if (code == u"en_US")
        return QLocale(QLocale::English, QLocale::UnitedStates);
    return QLocale();
}

bool Catalog::setLanguage(const QString &code)
{
    for (int index = 0; index < int(std::size(languageCodes)); ++index) {
        if (code == QStringView(languageCodes[index])) {
            m_language.store(index, std::memory_order_relaxed);
            return true;
        }
    }
    m_language.store(0, std::memory_order_relaxed);
    return false;
}

QString Catalog::language() const
{
    return QString::fromUtf16(languageCodes[languageIndex()]);
}

QString Catalog::translate(const QString &source, std::initializer_list<Count> counts) const
{
    const int index = languageIndex();
    if (index == 0)
        return source;
    const QString text = lookup(dictionary(), source, index);
    if (text.isNull())
        return source;
    return text.contains(u'{') ? chooseForms(text, counts) : text;
}

const Dictionary &Catalog::dictionary() const
{
    std::call_once(m_built, [this] {
        addRows(&m_dictionary, m_rows, m_count);
        if (m_shared.first)
            addRows(&m_dictionary, m_shared.first, m_shared.second);
    });
    return m_dictionary;
}

} // namespace TextTable
