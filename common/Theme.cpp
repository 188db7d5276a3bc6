#include "Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QIcon>
#include <QImageReader>
#include <QColor>
#include <QCoreApplication>
#include <QPalette>
#include <QStyle>
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
    const QString current = widget->styleSheet();
    // A sheet written since the last theming (a status colour, say) is the
    // widget's new light sheet; one of the two themed forms of the base is not.
    if (!base.isValid()
        || (current != base.toString() && current != themedStyleSheet(base.toString(), true)
            && current != themedStyleSheet(base.toString(), false))) {
        base = current;
        widget->setProperty(baseStyleProperty, base);
    }
    const QString themed = themedStyleSheet(base.toString(), dark);
    if (themed != current)
        widget->setStyleSheet(themed);
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

QString windowStyleSheet()
{
    return QStringLiteral(
            "QWidget { background: #f6f8fb; color: #243044; }"
            "QPushButton { color: #1d3557; background: #ffffff; border: 1px solid #b9c5d3; border-radius: 3px; "
            "padding: 6px 14px; min-height: 22px; }"
            "QPushButton:hover { color: #173b75; background: #eff6ff; border-color: #2563eb; }"
            "QPushButton:focus { border: 2px solid #2563eb; padding: 5px 13px; }"
            // Clear and remove wait for a running worker; they must look it.
            "QPushButton:disabled { color: #99a7ba; background: #edf0f4; border-color: #cbd3df; }"
            "QHeaderView::section { background: #f1f4f8; color: #40516a; padding: 5px; border: 0; "
            "border-right: 1px solid #e1e7ee; border-bottom: 1px solid #d7dee8; }"
            "QListWidget, QTableWidget, QTreeWidget { background: #ffffff; border: 1px solid #cbd5e1; "
            "alternate-background-color: #f6f8fb; selection-background-color: #2563eb; selection-color: #ffffff; }"
            "QLineEdit, QComboBox { background: #ffffff; border: 1px solid #b9c5d3; border-radius: 3px; "
            "padding: 5px 7px; min-height: 22px; }"
            "QSpinBox { background: #ffffff; border: 1px solid #b9c5d3; border-radius: 3px; padding: 5px 18px 5px 7px; "
            "min-height: 22px; }"
            "QSpinBox::up-button, QSpinBox::down-button { subcontrol-origin: border; width: 16px; border: 0; "
            "background: transparent; }"
            "QSpinBox::up-button { subcontrol-position: top right; }"
            "QSpinBox::down-button { subcontrol-position: bottom right; }"
            "QSpinBox::up-arrow { image: url(:/branding/assets/vellum-icons/spin-up.svg); width: 8px; height: 5px; }"
            "QSpinBox::down-arrow { image: url(:/branding/assets/vellum-icons/combo-arrow.svg); width: 8px; height: 5px; }"
            "QLineEdit:focus, QComboBox:focus { border: 2px solid #2563eb; padding: 4px 6px; }"
            "QSpinBox:focus { border: 2px solid #2563eb; padding: 4px 17px 4px 6px; }"
            // The platform style would draw a sunken frame piece around its arrow.
            "QComboBox::drop-down { border: 0; width: 18px; }"
            "QComboBox::down-arrow { image: url(:/branding/assets/vellum-icons/combo-arrow.svg); width: 10px; "
            "height: 6px; }"
            "QComboBox QAbstractItemView { background: #ffffff; color: #243044; "
            "selection-background-color: #2563eb; selection-color: #ffffff; }"
            "QCheckBox { color: #273244; spacing: 7px; padding: 4px; }"
            "QCheckBox:focus { border: 1px solid #2563eb; border-radius: 3px; padding: 3px; }"
            "QCheckBox::indicator { width: 16px; height: 16px; border: 1px solid #99a7ba; background: #ffffff; "
            "border-radius: 3px; }"
            "QCheckBox::indicator:hover { border-color: #2563eb; }"
            "QCheckBox::indicator:checked { border-color: #2563eb; background: #2563eb; "
            "image: url(:/branding/assets/vellum-icons/checkbox-check.svg); }"
            "QCheckBox::indicator:disabled { background: #edf0f4; border-color: #cbd3df; }"
            // The anchor grid's cells: the chosen one filled, focus as on the other controls.
            "QToolButton#anchorCell { background: #ffffff; border: 1px solid #99a7ba; border-radius: 2px; padding: 0; }"
            "QToolButton#anchorCell:hover { border-color: #2563eb; }"
            "QToolButton#anchorCell:checked { background: #2563eb; border-color: #2563eb; }"
            "QToolButton#anchorCell:focus { border: 2px solid #2563eb; }"
            "QToolButton#anchorCell:checked:focus { border: 2px solid #172b4d; }"
            "QToolButton#colourSwatch { background: #ffffff; border: 1px solid #b9c5d3; border-radius: 3px; }"
            "QToolButton#colourSwatch:hover { border-color: #2563eb; }"
            "QToolButton#colourSwatch:focus { border: 2px solid #2563eb; }"
            "QTextEdit, QPlainTextEdit { background: #ffffff; border: 1px solid #cbd5e1; "
            "font-family: Consolas, 'Microsoft YaHei UI'; }"
            "QTextEdit:focus, QPlainTextEdit:focus { border-color: #2563eb; }"
            // Without rules of its own, a scroll bar inside a styled widget falls back to a hatched look.
            "QScrollBar:vertical { background: #f1f4f8; width: 12px; margin: 0; border: 0; }"
            "QScrollBar:horizontal { background: #f1f4f8; height: 12px; margin: 0; border: 0; }"
            "QScrollBar::handle { background: #c4cfdb; border-radius: 4px; margin: 2px; }"
            "QScrollBar::handle:hover { background: #99a7ba; }"
            "QScrollBar::handle:vertical { min-height: 24px; }"
            "QScrollBar::handle:horizontal { min-width: 24px; }"
            "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: 0; }"
            "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }"
            "QProgressBar { background: #283445; border: 0; height: 7px; text-align: center; }"
            "QProgressBar::chunk { background: #5d7da8; }");
}

QPalette themePalette(bool dark)
{
    QPalette palette = QApplication::style() ? QApplication::style()->standardPalette() : QPalette();
    if (!dark)
        return palette;
    // The dark partners of the sheets' colours, so dialogs match the windows.
    const QColor window(QRgb(0x151a21)), base(QRgb(0x202731)), alternate(QRgb(0x252e39)), text(QRgb(0xd7e0ea)), muted(QRgb(0x9aa8b8)),
            button(QRgb(0x293442)), accent(QRgb(0x60a5fa)), border(QRgb(0x526174));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, alternate);
        palette.setColor(group, QPalette::ToolTipBase, base);
        palette.setColor(group, QPalette::ToolTipText, text);
        palette.setColor(group, QPalette::PlaceholderText, muted);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Button, button);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::BrightText, QColor(QRgb(0xf2f5f9)));
        palette.setColor(group, QPalette::Highlight, accent);
        palette.setColor(group, QPalette::HighlightedText, window);
        palette.setColor(group, QPalette::Link, accent);
        palette.setColor(group, QPalette::LinkVisited, QColor(QRgb(0xd7e9ff)));
        palette.setColor(group, QPalette::Light, QColor(QRgb(0x3d4a5a)));
        palette.setColor(group, QPalette::Midlight, QColor(QRgb(0x3d4a5a)));
        palette.setColor(group, QPalette::Mid, border);
        palette.setColor(group, QPalette::Dark, QColor(QRgb(0x0f1318)));
        palette.setColor(group, QPalette::Shadow, QColor(QRgb(0x000000)));
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, window);
    palette.setColor(QPalette::Disabled, QPalette::Base, window);
    palette.setColor(QPalette::Disabled, QPalette::Button, button);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(QRgb(0x71839a)));
    palette.setColor(QPalette::Disabled, QPalette::Highlight, border);
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, muted);
    return palette;
}

void applyApplicationTheme(bool dark)
{
    auto *application = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!application)
        return;
    application->setProperty("pictavoDarkTheme", dark);
    QApplication::setPalette(themePalette(dark));
    QVariant base = application->property(baseStyleProperty);
    if (!base.isValid()) {
        base = application->styleSheet();
        application->setProperty(baseStyleProperty, base);
    }
    application->setStyleSheet(themedStyleSheet(base.toString(), dark));
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        applyThemeTree(window, dark);
        const QList<QAbstractButton *> buttons = window->findChildren<QAbstractButton *>();
        for (QAbstractButton *button : buttons) {
            const QString icon = button->property("pictavoIconResource").toString();
            if (!icon.isEmpty())
                button->setIcon(themedIcon(icon, dark));
        }
        window->update();
    }
}

QIcon themedIcon(const QString &resource, bool dark)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return QIcon();
    QByteArray svg = themedStyleSheet(QString::fromUtf8(file.readAll()), dark).toUtf8();
    QBuffer buffer(&svg);
    QImageReader reader(&buffer, "svg");
    // Drawn large once; the icon scales it down for every size asked.
    reader.setScaledSize(QSize(64, 64));
    const QImage image = reader.read();
    return image.isNull() ? QIcon(resource) : QIcon(QPixmap::fromImage(image));
}
