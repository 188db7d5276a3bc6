#pragma once

#include <QString>

class QWidget;

// The dark look is derived from the light style sheets by exchanging colours
// through a fixed table, so only the light sheets are ever written.

// The tool page's sheet, written for the light look: the dark one is derived
// from it by the exchange, which works on its exact colour codes.
QString toolPageStyleSheet();

// The application's "pictavoDarkTheme" property as a boolean; false without an
// application object.
bool isDarkTheme();

// sheet with every light colour of the table replaced by its dark partner
// (dark true) or every dark colour by its first light partner (dark false).
// Colours are matched regardless of letter case and written in lower case.
QString themedStyleSheet(const QString &sheet, bool dark);

// Themes widget from the sheet it had when first themed (kept in its
// "pictavoBaseStyle" property), so repeated calls never compound. Does nothing
// for a null widget.
void applyTheme(QWidget *widget, bool dark);

// applyTheme on root and then on every descendant widget, in child order.
void applyThemeTree(QWidget *root, bool dark);
