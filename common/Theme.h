#pragma once

#include <QString>

class QIcon;
class QPalette;
class QWidget;

// The dark look is derived from the light style sheets by exchanging colours
// through a fixed table, so only the light sheets are ever written.

// The rules every window of the program shares (buttons, fields, lists, check
// boxes, the log, the progress bar), written for the light look. The tool page
// and the helper's batch window add their own rules after it.
QString windowStyleSheet();

// The application's "pictavoDarkTheme" property as a boolean; false without an
// application object.
bool isDarkTheme();

// sheet with every light colour of the table replaced by its dark partner
// (dark true) or every dark colour by its first light partner (dark false).
// Colours are matched regardless of letter case and written in lower case.
QString themedStyleSheet(const QString &sheet, bool dark);

// Themes widget from its light sheet, kept in its "pictavoBaseStyle" property
// when first themed, so repeated calls never compound; a sheet set on the
// widget since then becomes the new base. Does nothing for a null widget.
void applyTheme(QWidget *widget, bool dark);

// applyTheme on root and then on every descendant widget, in child order.
void applyThemeTree(QWidget *root, bool dark);

// The palette of the look, for what no sheet reaches: dialogs, menus, scroll
// bars, message boxes and the file dialog. Light is the style's own palette.
QPalette themePalette(bool dark);

// Turns the whole application to the look: the "pictavoDarkTheme" property,
// the palette, the application's sheet (from its first sheet, as applyTheme
// does) and every open window's tree. Needs a QApplication.
void applyApplicationTheme(bool dark);

// An SVG icon of the program's resources drawn in the look's colours (the
// exchange run over its text). A button given the resource in its
// "pictavoIconResource" property gets the icon again at every change of look.
QIcon themedIcon(const QString &resource, bool dark);
