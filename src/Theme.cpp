#include "Theme.h"

#include <QCoreApplication>
#include <QList>
#include <QVariant>
#include <QWidget>

#include <iterator>

namespace {

const char baseStyleProperty[] = "pictavoBaseStyle";

struct ColourPair
{
    QString light;
    QString dark;
};

// The order matters: replacements run one pair after another over the
// result of the previous one.
const QList<ColourPair> &colourPairs()
{
    static const QList<ColourPair> pairs = [] {
        const char16_t *table[][2] = {
            {u"#f8fafc", u"#252e39"}, {u"#f7f8fa", u"#202731"}, {u"#f6f8fb", u"#202731"},
            {u"#f5f7fa", u"#1d2530"}, {u"#f7f9fc", u"#252e39"}, {u"#f4f6f9", u"#202731"},
            {u"#f2f5f8", u"#293442"}, {u"#f1f4f8", u"#293442"}, {u"#edf1f5", u"#1d2530"},
            {u"#edf0f4", u"#293442"}, {u"#eff6ff", u"#263f73"}, {u"#e9f2ff", u"#263f73"},
            {u"#e5f1fb", u"#263f73"}, {u"#e7f0ff", u"#263f73"}, {u"#dce9ff", u"#263f73"},
            {u"#dbeafe", u"#304b78"}, {u"#ffffff", u"#202731"}, {u"#eef1f5", u"#151a21"},
            {u"#eef3f8", u"#293442"}, {u"#f4f1e9", u"#202731"}, {u"#e4eaf1", u"#293442"},
            {u"#e1e7ee", u"#3d4a5a"}, {u"#e2e7ee", u"#3d4a5a"}, {u"#e4e9ef", u"#3d4a5a"},
            {u"#e6ebf1", u"#3d4a5a"}, {u"#d7dee8", u"#3d4a5a"}, {u"#d9dde2", u"#3d4a5a"},
            {u"#cbd2da", u"#3d4a5a"}, {u"#d1d9e4", u"#526174"}, {u"#cbd5e1", u"#3d4a5a"},
            {u"#cbd3df", u"#526174"}, {u"#c5d0dd", u"#526174"}, {u"#c4cfdb", u"#526174"},
            {u"#b9c5d3", u"#526174"}, {u"#b8c3d1", u"#526174"}, {u"#aebaca", u"#66788f"},
            {u"#99a7ba", u"#71839a"}, {u"#9ba7b5", u"#71839a"}, {u"#6b7788", u"#9aa8b8"},
            {u"#66758a", u"#9aa8b8"}, {u"#526275", u"#aebaca"}, {u"#40516a", u"#aebaca"},
            {u"#41566e", u"#aebaca"}, {u"#36506d", u"#aebaca"}, {u"#27364d", u"#d7e0ea"},
            {u"#273244", u"#d7e0ea"}, {u"#253247", u"#d7e0ea"}, {u"#243044", u"#d7e0ea"},
            {u"#202938", u"#d7e0ea"}, {u"#1d3557", u"#d7e0ea"}, {u"#1f354d", u"#d7e0ea"},
            {u"#172b4d", u"#f2f5f9"}, {u"#173b75", u"#d7e9ff"}, {u"#1d4ed8", u"#60a5fa"},
            {u"#2563eb", u"#60a5fa"}, {u"#72a9d7", u"#60a5fa"},
        };
        QList<ColourPair> built;
        built.reserve(qsizetype(std::size(table)));
        for (const auto &pair : table)
            built.append({QString::fromUtf16(pair[0]), QString::fromUtf16(pair[1])});
        return built;
    }();
    return pairs;
}

} // namespace

bool isDarkTheme()
{
    const QCoreApplication *application = QCoreApplication::instance();
    return application && application->property("pictavoDarkTheme").toBool();
}

QString themedStyleSheet(const QString &sheet, bool dark)
{
    QString themed = sheet;
    for (const ColourPair &pair : colourPairs()) {
        if (dark)
            themed.replace(pair.light, pair.dark, Qt::CaseInsensitive);
        else
            themed.replace(pair.dark, pair.light, Qt::CaseInsensitive);
    }
    return themed;
}

void applyTheme(QWidget *widget, bool dark)
{
    if (!widget)
        return;
    QVariant base = widget->property(baseStyleProperty);
    if (!base.isValid()) {
        base = widget->styleSheet();
        widget->setProperty(baseStyleProperty, base);
    }
    widget->setStyleSheet(themedStyleSheet(base.toString(), dark));
}

void applyThemeTree(QWidget *root, bool dark)
{
    if (!root)
        return;
    applyTheme(root, dark);
    const QList<QWidget *> descendants = root->findChildren<QWidget *>();
    for (QWidget *widget : descendants)
        applyTheme(widget, dark);
}
