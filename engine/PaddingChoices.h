#pragma once

#include "TextTable.h"

#include <QColor>
#include <QPoint>
#include <QRgba64>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <utility>

// The sizing rules, fills and anchors of the padding, each with one table of
// names: the key that command lines, job files and stored options use, and the
// Simplified Chinese display text every dictionary translates from. Every
// conversion between them goes through here.
enum class SizeRule { Multiple4, Even, Power2, None };
enum class Fill { Transparent, White, Black };
enum class Anchor { TopLeft, Top, TopRight, Left, Center, Right, BottomLeft, Bottom, BottomRight };

// How the canvas size follows from the picture's: first at least `minimum`,
// then both sides the larger one when `square`, then each side rounded up to
// the step (a multiple of `multiple`, or a power of two). The three plain
// rules and None are the values a SizeRule converts to.
struct Sizing
{
    static constexpr qint32 MinMultiple = 2;
    static constexpr qint32 MaxMultiple = 4096;

    qint32 multiple = 4;      // 1: no rounding; otherwise MinMultiple..MaxMultiple
    bool powerOfTwo = false;  // the step is the next power of two; `multiple` is then ignored
    bool square = false;
    QSize minimum{0, 0};      // (0, 0): no minimum

    Sizing() = default;
    Sizing(SizeRule rule); // implicit: a plain rule is a sizing
    static Sizing ofMultiple(qint32 n);
    static Sizing ofSquare(bool powerOfTwo);

    // The plain rule this sizing is, when it is one.
    std::optional<SizeRule> rule() const;
    // False for a sizing that never grows a canvas (None).
    bool pads() const;

    friend bool operator==(const Sizing &a, const Sizing &b);
    friend bool operator!=(const Sizing &a, const Sizing &b) { return !(a == b); }
};

// How the border is filled: a colour (the three named ones or any other), the
// nearest source pixel (Edge), or the source reflected at its edges (Mirror).
struct FillSpec
{
    enum class Kind { Transparent, White, Black, Colour, Edge, Mirror };

    Kind kind = Kind::Transparent;
    QRgba64 colour = QRgba64::fromRgba64(0, 0, 0, 0); // Colour only; not premultiplied

    FillSpec() = default;
    FillSpec(Fill fill); // implicit: a named fill is a fill
    explicit FillSpec(Kind kind) : kind(kind) {}
    static FillSpec ofColour(const QColor &colour);

    // The named fill this is, when it is one.
    std::optional<Fill> namedFill() const;
    // True for Edge and Mirror, which take their pixels from the picture.
    bool copiesPicture() const { return kind == Kind::Edge || kind == Kind::Mirror; }
    // The colour of a colour fill (the named ones included) as ARGB, not
    // premultiplied; transparent white for Edge and Mirror.
    QRgb argb() const;
    QRgba64 rgba64() const;

    friend bool operator==(const FillSpec &a, const FillSpec &b);
    friend bool operator!=(const FillSpec &a, const FillSpec &b) { return !(a == b); }
};

namespace PaddingChoices {

// The rules that pad and the fills, in the order every list shows them; None,
// which only the layer export offers, comes after the rules that pad.
inline constexpr SizeRule PaddingRules[] = {SizeRule::Multiple4, SizeRule::Even, SizeRule::Power2};
inline constexpr Fill Fills[] = {Fill::Transparent, Fill::White, Fill::Black};
inline constexpr Anchor Anchors[] = {Anchor::TopLeft,    Anchor::Top,    Anchor::TopRight,
                                     Anchor::Left,       Anchor::Center, Anchor::Right,
                                     Anchor::BottomLeft, Anchor::Bottom, Anchor::BottomRight};

// "multiple4", "even", "power2", "none".
QString key(SizeRule rule);
// "transparent", "white", "black".
QString key(Fill fill);
// "top-left", "top", "top-right", "left", "center", "right", "bottom-left",
// "bottom", "bottom-right".
QString key(Anchor anchor);
// The parts of a sizing joined by ",": "min:WxH" when there is a minimum, then
// "square-power2", or "square" and the step unless it is none, or the step
// alone: "multiple4", "even", "power2", "multiple:N", "none". Thus "square",
// "min:512x512,power2", "square,multiple:8".
QString key(const Sizing &sizing);
// "transparent", "white", "black", "edge", "mirror", or "#rrggbb" for an opaque
// colour and "#rrggbbaa" for any other (lower-case hex).
QString key(const FillSpec &fill);

// The value for a key, exactly and case-sensitively; nothing for any other text.
std::optional<SizeRule> sizeRuleFromKey(QStringView key);
std::optional<Anchor> anchorFromKey(QStringView key);
// Case-sensitively, except the hex digits of a colour.
std::optional<FillSpec> fillFromKey(QStringView key);
// Any key `key(const Sizing &)` writes, and its parts in any order:
// "multiple:4" and "multiple:2" are read as "multiple4" and "even". Nothing for
// N outside 2..4096, a minimum side outside 1..2^30, or two steps or shapes.
std::optional<Sizing> sizingFromKey(QStringView key);

// The accepted values, for usage errors and help: keys and key patterns.
QStringList sizingKeyForms();  // "multiple4", "even", "power2", "multiple:N", "square", "square-power2", "min:WxH"
QStringList fillKeyForms();    // "transparent", "white", "black", "#RRGGBB", "#RRGGBBAA", "edge", "mirror"
QStringList anchorKeys();

// The display texts before translation: "4 的倍数", "偶数（2 的倍数）",
// "2ⁿ（2 的幂）",
// "无规则（只裁切，不扩图）"; "透明", "白色", "黑色".
QString sourceText(SizeRule rule);
QString sourceText(Fill fill);
// "左上角" ... "右下角": the accessible names of the anchor positions.
QString sourceText(Anchor anchor);
// "延伸边缘像素", "镜像边缘", "自定义颜色…" for the kinds a named fill does not cover.
QString sourceText(FillSpec::Kind kind);
// The shorter text of a rule where the list has no room for an explanation:
// "2ⁿ" for Power2, sourceText for the others.
QString shortSourceText(SizeRule rule);

// The list items of the choices beyond the three plain rules.
QString otherMultipleSourceText();       // "其他倍数…"
QString squareSourceText(bool powerOfTwo); // "正方形（2 的幂）", "正方形"

// A sizing or fill as a user reads it, each source text passed through
// `translate` before its values are filled in: "16 的倍数", "至少 512×512，2ⁿ（2 的幂）", "正方形，4 的倍数",
// "#ff8800".
QString displayText(const Sizing &sizing, const std::function<QString(const QString &)> &translate);
QString displayText(const FillSpec &fill, const std::function<QString(const QString &)> &translate);

// The smallest length not below `value` that the rule allows (`value` itself
// for None); -1 when that length does not fit in 32 bits.
qint32 target(qint32 value, SizeRule rule);

// The canvas a picture of `source` size gets; an invalid QSize when a side
// would not fit in 32 bits. A plain rule gives target() on each side.
QSize targetSize(const QSize &source, const Sizing &sizing);

// Where a picture of `source` size lands on `canvas` at `anchor`: centred
// positions put an odd extra column right and an odd extra row at the bottom.
QPoint anchorOffset(const QSize &source, const QSize &canvas, Anchor anchor);

// The anchor of the old "centred" switch: Center, or TopLeft.
inline Anchor anchorFor(bool centered) { return centered ? Anchor::Center : Anchor::TopLeft; }

// The display texts of the rules, fills and anchors in the five languages,
// for the dictionary of every program that shows them.
std::pair<const TextTable::Row *, std::size_t> textRows();

} // namespace PaddingChoices
