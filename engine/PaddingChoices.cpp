#include "PaddingChoices.h"

#include <limits>

namespace {

struct RuleName
{
    SizeRule rule;
    const char16_t *key;
    const char16_t *text;
    const char16_t *shortText;
};

struct FillName
{
    Fill fill;
    const char16_t *key;
    const char16_t *text;
};

constexpr RuleName Rules[] = {
    {SizeRule::Multiple4, u"multiple4", u"4 的倍数", u"4 的倍数"},
    {SizeRule::Even, u"even", u"偶数（2 的倍数）", u"偶数（2 的倍数）"},
    {SizeRule::Power2, u"power2", u"2ⁿ（2 的幂）", u"2ⁿ"},
    {SizeRule::None, u"none", u"无规则（只裁切，不扩图）", u"无规则（只裁切，不扩图）"},
};

constexpr FillName FillNames[] = {
    {Fill::Transparent, u"transparent", u"透明"},
    {Fill::White, u"white", u"白色"},
    {Fill::Black, u"black", u"黑色"},
};

const RuleName &entry(SizeRule rule)
{
    for (const RuleName &name : Rules)
        if (name.rule == rule)
            return name;
    return Rules[0];
}

const FillName &entry(Fill fill)
{
    for (const FillName &name : FillNames)
        if (name.fill == fill)
            return name;
    return FillNames[0];
}

} // namespace

namespace PaddingChoices {

QString key(SizeRule rule)
{
    return QString::fromUtf16(entry(rule).key);
}

QString key(Fill fill)
{
    return QString::fromUtf16(entry(fill).key);
}

std::optional<SizeRule> sizeRuleFromKey(QStringView key)
{
    for (const RuleName &name : Rules)
        if (key == QStringView(name.key))
            return name.rule;
    return std::nullopt;
}

std::optional<Fill> fillFromKey(QStringView key)
{
    for (const FillName &name : FillNames)
        if (key == QStringView(name.key))
            return name.fill;
    return std::nullopt;
}

QString sourceText(SizeRule rule)
{
    return QString::fromUtf16(entry(rule).text);
}

QString sourceText(Fill fill)
{
    return QString::fromUtf16(entry(fill).text);
}

QString shortSourceText(SizeRule rule)
{
    return QString::fromUtf16(entry(rule).shortText);
}

qint32 target(qint32 value, SizeRule rule)
{
    qint64 size = value;
    switch (rule) {
    case SizeRule::Multiple4:
        size = (qint64(value) + 3) / 4 * 4;
        break;
    case SizeRule::Even:
        size = (qint64(value) + 1) / 2 * 2;
        break;
    case SizeRule::Power2:
        size = 1;
        while (size < value)
            size *= 2;
        break;
    case SizeRule::None:
        break;
    }
    return size > std::numeric_limits<qint32>::max() ? -1 : qint32(size);
}

} // namespace PaddingChoices
