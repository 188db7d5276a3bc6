#pragma once

// Printing the results: number formats, the table rows, the machine's
// description, and the pixel checks of the tools' outputs against the engine's.

#include "PaddingContenders.h"

#include <QString>

namespace PaddingBench {

QString fixed(double value, int decimals);
QString megabytes(double bytes); // MB of 10^6 bytes throughout
QString left(const QString &text, int width);
QString right(const QString &text, int width);

QString toolVersion(const QStringList &command);
QString loadAverage();
QString cpuModel();

void printHeader();
void printRow(const PassResult &r, const PassResult *engine, double corpusPixels);
void printFailures(const PassResult &r);

struct Comparison
{
    int compared = 0;
    int identical = 0;
    int worst = 0;
    QString worstFile;
    QStringList problems;
};

// Compares a tool's padded pictures with the engine's at 8 bits per channel.
Comparison compareWithEngine(const Context &ctx, const QString &engineDir, const QString &toolDir);
// The placement check spelled out on one file.
void placementCheck(const Context &ctx, const QString &engineDir, const QString &toolDir, const QString &label);

} // namespace PaddingBench
