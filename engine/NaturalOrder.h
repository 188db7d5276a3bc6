#pragma once

#include <QString>
#include <QStringList>

// The order people expect of numbered names ("b2" before "b10"), the same in
// every window and on the command line whatever the locale, so a run over a
// folder always takes its pictures in one order.
namespace NaturalOrder {

// True when `a` comes before `b`: runs of digits compare by their value,
// other characters by their case-folded code, and names equal that way by
// their exact text, so no two different names tie.
bool less(const QString &a, const QString &b);

// Sorts names (or paths) in that order.
void sort(QStringList *names);

} // namespace NaturalOrder
