#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The sizing rules and fills of the padding, each one enum with one table of
// names: the key that command lines, job files and stored options use, and the
// Simplified Chinese display text every dictionary translates from. Every
// conversion between them goes through here.
enum class SizeRule { Multiple4, Even, Power2, None };
enum class Fill { Transparent, White, Black };

namespace PaddingChoices {

// The rules that pad and the fills, in the order every list shows them; None,
// which only the layer export offers, comes after the rules that pad.
inline constexpr SizeRule PaddingRules[] = {SizeRule::Multiple4, SizeRule::Even, SizeRule::Power2};
inline constexpr Fill Fills[] = {Fill::Transparent, Fill::White, Fill::Black};

// "multiple4", "even", "power2", "none".
QString key(SizeRule rule);
// "transparent", "white", "black".
QString key(Fill fill);

// The value for a key, exactly and case-sensitively; nothing for any other text.
std::optional<SizeRule> sizeRuleFromKey(QStringView key);
std::optional<Fill> fillFromKey(QStringView key);

// The display texts before translation: "4 的倍数", "偶数（2 的倍数）",
// "2ⁿ（2 的幂）",
// "无规则（只裁切，不扩图）"; "透明", "白色", "黑色".
QString sourceText(SizeRule rule);
QString sourceText(Fill fill);
// The shorter text of a rule where the list has no room for an explanation:
// "2ⁿ" for Power2, sourceText for the others.
QString shortSourceText(SizeRule rule);

// The smallest length not below `value` that the rule allows (`value` itself
// for None); -1 when that length does not fit in 32 bits.
qint32 target(qint32 value, SizeRule rule);

} // namespace PaddingChoices
