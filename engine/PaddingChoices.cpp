#include "PaddingChoices.h"

#include <iterator>
#include <QStringList>

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

struct AnchorName
{
    Anchor anchor;
    const char16_t *key;
    const char16_t *text;
};

constexpr AnchorName AnchorNames[] = {
    {Anchor::TopLeft, u"top-left", u"左上角"},       {Anchor::Top, u"top", u"顶部居中"},
    {Anchor::TopRight, u"top-right", u"右上角"},     {Anchor::Left, u"left", u"左侧居中"},
    {Anchor::Center, u"center", u"居中"},            {Anchor::Right, u"right", u"右侧居中"},
    {Anchor::BottomLeft, u"bottom-left", u"左下角"}, {Anchor::Bottom, u"bottom", u"底部居中"},
    {Anchor::BottomRight, u"bottom-right", u"右下角"},
};

constexpr qint64 MaxMinimumSide = qint64(1) << 30;

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

const AnchorName &entry(Anchor anchor)
{
    for (const AnchorName &name : AnchorNames)
        if (name.anchor == anchor)
            return name;
    return AnchorNames[4];
}

// Digits only, no sign, no leading zero; nothing above `max`.
std::optional<qint64> plainNumber(QStringView text, qint64 max)
{
    if (text.isEmpty() || text.size() > 10 || (text.size() > 1 && text.front() == u'0'))
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > max)
        return std::nullopt;
    return value;
}

std::optional<int> hexByte(QStringView text)
{
    bool ok = false;
    const int value = text.toString().toInt(&ok, 16);
    return ok && text.size() == 2 && text.front() != u'+' && text.front() != u'-' ? std::optional<int>(value)
                                                                                 : std::nullopt;
}

qint64 stepUp(qint64 value, const Sizing &sizing)
{
    if (sizing.powerOfTwo) {
        qint64 size = 1;
        while (size < value)
            size *= 2;
        return size;
    }
    const qint64 m = qMax<qint64>(1, sizing.multiple);
    return (value + m - 1) / m * m;
}

QString stepKey(const Sizing &sizing)
{
    if (sizing.powerOfTwo)
        return QStringLiteral("power2");
    switch (sizing.multiple) {
    case 4:
        return QStringLiteral("multiple4");
    case 2:
        return QStringLiteral("even");
    case 1:
        return QStringLiteral("none");
    default:
        return QStringLiteral("multiple:") + QString::number(sizing.multiple);
    }
}

} // namespace

Sizing::Sizing(SizeRule rule)
{
    switch (rule) {
    case SizeRule::Multiple4:
        multiple = 4;
        break;
    case SizeRule::Even:
        multiple = 2;
        break;
    case SizeRule::Power2:
        multiple = 1;
        powerOfTwo = true;
        break;
    case SizeRule::None:
        multiple = 1;
        break;
    }
}

Sizing Sizing::ofMultiple(qint32 n)
{
    Sizing sizing;
    sizing.multiple = n;
    return sizing;
}

Sizing Sizing::ofSquare(bool powerOfTwo)
{
    Sizing sizing(powerOfTwo ? SizeRule::Power2 : SizeRule::None);
    sizing.square = true;
    return sizing;
}

std::optional<SizeRule> Sizing::rule() const
{
    if (square || !minimum.isEmpty())
        return std::nullopt;
    if (powerOfTwo)
        return SizeRule::Power2;
    switch (multiple) {
    case 4:
        return SizeRule::Multiple4;
    case 2:
        return SizeRule::Even;
    case 1:
        return SizeRule::None;
    default:
        return std::nullopt;
    }
}

bool Sizing::pads() const
{
    return rule() != SizeRule::None;
}

bool operator==(const Sizing &a, const Sizing &b)
{
    // The multiple means nothing beside a power of two.
    return a.powerOfTwo == b.powerOfTwo && (a.powerOfTwo || a.multiple == b.multiple) && a.square == b.square
           && a.minimum == b.minimum;
}

FillSpec::FillSpec(Fill fill)
{
    switch (fill) {
    case Fill::Transparent:
        kind = Kind::Transparent;
        break;
    case Fill::White:
        kind = Kind::White;
        break;
    case Fill::Black:
        kind = Kind::Black;
        break;
    }
}

FillSpec FillSpec::ofColour(const QColor &colour)
{
    FillSpec fill(Kind::Colour);
    fill.colour = colour.rgba64();
    return fill;
}

std::optional<Fill> FillSpec::namedFill() const
{
    switch (kind) {
    case Kind::Transparent:
        return Fill::Transparent;
    case Kind::White:
        return Fill::White;
    case Kind::Black:
        return Fill::Black;
    default:
        return std::nullopt;
    }
}

QRgb FillSpec::argb() const
{
    switch (kind) {
    case Kind::White:
        return qRgba(255, 255, 255, 255);
    case Kind::Black:
        return qRgba(0, 0, 0, 255);
    case Kind::Colour:
        return colour.toArgb32();
    default:
        return qRgba(255, 255, 255, 0);
    }
}

QRgba64 FillSpec::rgba64() const
{
    return kind == Kind::Colour ? colour : QRgba64::fromArgb32(argb());
}

bool operator==(const FillSpec &a, const FillSpec &b)
{
    return a.kind == b.kind && (a.kind != FillSpec::Kind::Colour || a.colour == b.colour);
}

namespace PaddingChoices {

QString key(SizeRule rule)
{
    return QString::fromUtf16(entry(rule).key);
}

QString key(Fill fill)
{
    return QString::fromUtf16(entry(fill).key);
}

QString key(Anchor anchor)
{
    return QString::fromUtf16(entry(anchor).key);
}

QString key(const Sizing &sizing)
{
    QStringList parts;
    if (!sizing.minimum.isEmpty())
        parts.append(QStringLiteral("min:%1x%2").arg(sizing.minimum.width()).arg(sizing.minimum.height()));
    const QString step = stepKey(sizing);
    if (sizing.square && sizing.powerOfTwo) {
        parts.append(QStringLiteral("square-power2"));
    } else {
        if (sizing.square)
            parts.append(QStringLiteral("square"));
        if (!(step == QLatin1String("none") && parts.size() > 0))
            parts.append(step);
    }
    return parts.join(QLatin1Char(','));
}

QString key(const FillSpec &fill)
{
    switch (fill.kind) {
    case FillSpec::Kind::Transparent:
        return key(Fill::Transparent);
    case FillSpec::Kind::White:
        return key(Fill::White);
    case FillSpec::Kind::Black:
        return key(Fill::Black);
    case FillSpec::Kind::Edge:
        return QStringLiteral("edge");
    case FillSpec::Kind::Mirror:
        return QStringLiteral("mirror");
    case FillSpec::Kind::Colour:
        break;
    }
    const QRgb c = fill.colour.toArgb32();
    QString text = QStringLiteral("#%1%2%3")
                           .arg(qRed(c), 2, 16, QLatin1Char('0'))
                           .arg(qGreen(c), 2, 16, QLatin1Char('0'))
                           .arg(qBlue(c), 2, 16, QLatin1Char('0'));
    if (qAlpha(c) != 255)
        text += QStringLiteral("%1").arg(qAlpha(c), 2, 16, QLatin1Char('0'));
    return text;
}

std::optional<Anchor> anchorFromKey(QStringView key)
{
    for (const AnchorName &name : AnchorNames)
        if (key == QStringView(name.key))
            return name.anchor;
    return std::nullopt;
}

std::optional<Sizing> sizingFromKey(QStringView key)
{
    Sizing sizing(SizeRule::None);
    bool haveStep = false;
    bool haveShape = false;
    bool haveMinimum = false;
    for (const QStringView part : key.split(u',')) {
        if (const std::optional<SizeRule> rule = sizeRuleFromKey(part)) {
            if (haveStep)
                return std::nullopt;
            const Sizing plain(*rule);
            sizing.multiple = plain.multiple;
            sizing.powerOfTwo = plain.powerOfTwo;
            haveStep = true;
        } else if (part.startsWith(u"multiple:")) {
            const std::optional<qint64> n = plainNumber(part.mid(9), Sizing::MaxMultiple);
            if (haveStep || !n || *n < Sizing::MinMultiple)
                return std::nullopt;
            sizing.multiple = qint32(*n);
            haveStep = true;
        } else if (part == u"square" || part == u"square-power2") {
            if (haveShape || (part == u"square-power2" && haveStep))
                return std::nullopt;
            sizing.square = true;
            haveShape = true;
            if (part == u"square-power2") {
                sizing.powerOfTwo = true;
                sizing.multiple = 1;
                haveStep = true;
            }
        } else if (part.startsWith(u"min:")) {
            const QStringView size = part.mid(4);
            const qsizetype x = size.indexOf(u'x');
            const std::optional<qint64> w = x < 0 ? std::nullopt : plainNumber(size.left(x), MaxMinimumSide);
            const std::optional<qint64> h = x < 0 ? std::nullopt : plainNumber(size.mid(x + 1), MaxMinimumSide);
            if (haveMinimum || !w || !h || *w < 1 || *h < 1)
                return std::nullopt;
            sizing.minimum = QSize(int(*w), int(*h));
            haveMinimum = true;
        } else {
            return std::nullopt;
        }
    }
    return sizing;
}

QStringList sizingKeyForms()
{
    return {QStringLiteral("multiple4"), QStringLiteral("even"),   QStringLiteral("power2"),
            QStringLiteral("multiple:N"), QStringLiteral("square"), QStringLiteral("square-power2"),
            QStringLiteral("min:WxH")};
}

QStringList fillKeyForms()
{
    return {QStringLiteral("transparent"), QStringLiteral("white"), QStringLiteral("black"),
            QStringLiteral("#RRGGBB"),     QStringLiteral("#RRGGBBAA"), QStringLiteral("edge"),
            QStringLiteral("mirror")};
}

QStringList anchorKeys()
{
    QStringList keys;
    for (const AnchorName &name : AnchorNames)
        keys.append(QString::fromUtf16(name.key));
    return keys;
}

std::optional<SizeRule> sizeRuleFromKey(QStringView key)
{
    for (const RuleName &name : Rules)
        if (key == QStringView(name.key))
            return name.rule;
    return std::nullopt;
}

std::optional<FillSpec> fillFromKey(QStringView key)
{
    for (const FillName &name : FillNames)
        if (key == QStringView(name.key))
            return FillSpec(name.fill);
    if (key == u"edge")
        return FillSpec(FillSpec::Kind::Edge);
    if (key == u"mirror")
        return FillSpec(FillSpec::Kind::Mirror);
    if (!key.startsWith(u'#') || (key.size() != 7 && key.size() != 9))
        return std::nullopt;
    int channels[4] = {0, 0, 0, 255};
    for (int i = 0; i < (key.size() - 1) / 2; ++i) {
        const std::optional<int> value = hexByte(key.mid(1 + 2 * i, 2));
        if (!value)
            return std::nullopt;
        channels[i] = *value;
    }
    return FillSpec::ofColour(QColor(channels[0], channels[1], channels[2], channels[3]));
}

QString sourceText(SizeRule rule)
{
    return QString::fromUtf16(entry(rule).text);
}

QString sourceText(Fill fill)
{
    return QString::fromUtf16(entry(fill).text);
}

QString sourceText(Anchor anchor)
{
    return QString::fromUtf16(entry(anchor).text);
}

QString sourceText(FillSpec::Kind kind)
{
    switch (kind) {
    case FillSpec::Kind::Transparent:
        return sourceText(Fill::Transparent);
    case FillSpec::Kind::White:
        return sourceText(Fill::White);
    case FillSpec::Kind::Black:
        return sourceText(Fill::Black);
    case FillSpec::Kind::Colour:
        return QStringLiteral("自定义颜色…");
    case FillSpec::Kind::Edge:
        return QStringLiteral("延伸边缘像素");
    case FillSpec::Kind::Mirror:
        break;
    }
    return QStringLiteral("镜像边缘");
}

QString otherMultipleSourceText()
{
    return QStringLiteral("其他倍数…");
}

QString squareSourceText(bool powerOfTwo)
{
    return powerOfTwo ? QStringLiteral("正方形（2 的幂）") : QStringLiteral("正方形");
}

QString displayText(const Sizing &sizing, const std::function<QString(const QString &)> &translate)
{
    if (const std::optional<SizeRule> rule = sizing.rule())
        return translate(sourceText(*rule));
    Sizing step;
    step.multiple = sizing.multiple;
    step.powerOfTwo = sizing.powerOfTwo;
    const std::optional<SizeRule> plain = step.rule();
    QString text;
    if (plain && *plain != SizeRule::None)
        text = translate(sourceText(*plain));
    else if (!plain)
        text = translate(QStringLiteral("%1 的倍数")).arg(sizing.multiple);
    if (sizing.square && sizing.powerOfTwo)
        text = translate(squareSourceText(true));
    else if (sizing.square)
        text = text.isEmpty() ? translate(squareSourceText(false)) : translate(QStringLiteral("正方形，%1")).arg(text);
    if (!sizing.minimum.isEmpty()) {
        const QString size = QString::number(sizing.minimum.width()) + QChar(0x00D7)
                + QString::number(sizing.minimum.height());
        text = text.isEmpty() ? translate(QStringLiteral("至少 %1")).arg(size)
                              : translate(QStringLiteral("至少 %1，%2")).arg(size, text);
    }
    return text;
}

QString displayText(const FillSpec &fill, const std::function<QString(const QString &)> &translate)
{
    if (fill.kind == FillSpec::Kind::Colour)
        return key(fill);
    return translate(sourceText(fill.kind));
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

QSize targetSize(const QSize &source, const Sizing &sizing)
{
    if (const std::optional<SizeRule> rule = sizing.rule()) {
        const qint32 width = target(source.width(), *rule);
        const qint32 height = target(source.height(), *rule);
        return width < 0 || height < 0 ? QSize() : QSize(width, height);
    }
    qint64 width = qMax<qint64>(source.width(), sizing.minimum.width());
    qint64 height = qMax<qint64>(source.height(), sizing.minimum.height());
    if (sizing.square)
        width = height = qMax(width, height);
    width = stepUp(width, sizing);
    height = stepUp(height, sizing);
    constexpr qint64 Max = std::numeric_limits<qint32>::max();
    return width > Max || height > Max ? QSize() : QSize(int(width), int(height));
}

QPoint anchorOffset(const QSize &source, const QSize &canvas, Anchor anchor)
{
    const int column = int(anchor) % 3;
    const int row = int(anchor) / 3;
    // Truncating division puts an odd extra column right and an odd extra row at the bottom.
    const auto offset = [](int room, int position) { return position == 0 ? 0 : position == 1 ? room / 2 : room; };
    return QPoint(offset(canvas.width() - source.width(), column), offset(canvas.height() - source.height(), row));
}

std::pair<const TextTable::Row *, std::size_t> textRows()
{
    static const TextTable::Row rows[] = {
        {{u"4 的倍数", u"4 的倍數", u"4 の倍数", u"4의 배수", u"Multiple of 4"}},
        {{u"偶数（2 的倍数）", u"偶數（2 的倍數）", u"偶数（2 の倍数）", u"짝수(2의 배수)", u"Even (multiple of 2)"}},
        {{u"2ⁿ（2 的幂）", u"2ⁿ（2 的冪）", u"2ⁿ（2 のべき乗）", u"2ⁿ(2의 거듭제곱)", u"Power of 2"}},
        {{u"其他倍数…", u"其他倍數…", u"その他の倍数…", u"다른 배수…", u"Other multiple…"}},
        {{u"%1 的倍数", u"%1 的倍數", u"%1 の倍数", u"%1의 배수", u"Multiple of %1"}},
        {{u"正方形（2 的幂）", u"正方形（2 的冪）", u"正方形（2 のべき乗）", u"정사각형(2의 거듭제곱)", u"Square power of 2"}},
        {{u"正方形", u"正方形", u"正方形", u"정사각형", u"Square"}},
        {{u"正方形，%1", u"正方形，%1", u"正方形、%1", u"정사각형, %1", u"Square, %1"}},
        {{u"至少 %1", u"至少 %1", u"%1 以上", u"최소 %1", u"At least %1"}},
        {{u"至少 %1，%2", u"至少 %1，%2", u"%1 以上、%2", u"최소 %1, %2", u"At least %1, then %2"}},
        {{u"自定义颜色…", u"自訂顏色…", u"カスタムカラー…", u"사용자 지정 색…", u"Custom colour…"}},
        {{u"延伸边缘像素", u"延伸邊緣像素", u"端のピクセルを延長", u"가장자리 픽셀 늘이기", u"Extend edge pixels"}},
        {{u"镜像边缘", u"鏡像邊緣", u"端をミラー", u"가장자리 미러링", u"Mirror edges"}},
        // Where the picture sits on its canvas: the nine anchor positions.
        {{u"内容位置：", u"內容位置：", u"配置：", u"배치:", u"Position:"}},
        {{u"左上角", u"左上角", u"左上", u"왼쪽 위", u"Top left"}},
        {{u"顶部居中", u"頂部置中", u"上中央", u"위쪽 가운데", u"Top"}},
        {{u"右上角", u"右上角", u"右上", u"오른쪽 위", u"Top right"}},
        {{u"左侧居中", u"左側置中", u"左中央", u"왼쪽 가운데", u"Left"}},
        {{u"居中", u"置中", u"中央", u"가운데", u"Center"}},
        {{u"右侧居中", u"右側置中", u"右中央", u"오른쪽 가운데", u"Right"}},
        {{u"左下角", u"左下角", u"左下", u"왼쪽 아래", u"Bottom left"}},
        {{u"底部居中", u"底部置中", u"下中央", u"아래쪽 가운데", u"Bottom"}},
        {{u"右下角", u"右下角", u"右下", u"오른쪽 아래", u"Bottom right"}},
    };
    return {rows, std::size(rows)};
}

} // namespace PaddingChoices
