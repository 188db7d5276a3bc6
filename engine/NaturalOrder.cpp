#include "NaturalOrder.h"

#include <algorithm>

namespace NaturalOrder {

bool less(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            // Compare the values of the two digit runs: without leading zeros, the longer is larger.
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && a.at(endA).isDigit())
                ++endA;
            while (endB < b.size() && b.at(endB).isDigit())
                ++endB;
            qsizetype startA = i;
            qsizetype startB = j;
            while (startA + 1 < endA && a.at(startA).digitValue() == 0)
                ++startA;
            while (startB + 1 < endB && b.at(startB).digitValue() == 0)
                ++startB;
            if (endA - startA != endB - startB)
                return endA - startA < endB - startB;
            for (qsizetype k = 0; k < endA - startA; ++k) {
                const int da = a.at(startA + k).digitValue();
                const int db = b.at(startB + k).digitValue();
                if (da != db)
                    return da < db;
            }
            i = endA;
            j = endB;
            continue;
        }
        const QChar ca = a.at(i).toCaseFolded();
        const QChar cb = b.at(j).toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size()))
        return j < b.size();
    return a < b;
}

void sort(QStringList *names)
{
    std::sort(names->begin(), names->end(), less);
}

} // namespace NaturalOrder
