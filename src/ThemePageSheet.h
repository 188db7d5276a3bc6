#pragma once

#include <QString>

// The tool page's sheet, written for the light look: the shared window sheet
// (Theme.h) and the page's own rules. The dark one is derived from it by the
// colour exchange, which works on its exact colour codes.
QString toolPageStyleSheet();
