#pragma once

#include "PaddingChoices.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdio>

// The work of the layer export worker: every layer with pixels of every
// document of a job becomes a PNG file, reported on a stream in the line
// protocol of the PSD pages.
namespace LayerExport {

struct Job
{
    QStringList files;
    QString output;            // empty: a folder named like each document, beside it
    QString sizingMode;        // a sizing key ("none", "multiple4", "multiple:N", "square", ...)
    FillSpec fill;             // "fill": a fill key; transparent when not given
    Anchor anchor = Anchor::Center; // "anchor": an anchor key; center when not given
    bool trimTransparency = true;
    bool applyClipping = true; // a clipped layer is cut to its base layer's alpha
};

// Reads the JSON job file. False with a message when the file cannot be read
// or is not a job ("files" must be a list of strings; "sizingMode", "fill" and
// "anchor", when given, keys of PaddingChoices).
bool readJob(const QString &path, Job *job, QString *error);

struct Counts
{
    int exported = 0;
    int skipped = 0;
    int failed = 0;            // layers
    int failedDocuments = 0;   // documents that could not be read
};

// A layer or group name made fit for a file name on every platform: composed
// to NFC, path separators, the characters Windows refuses and control
// characters become "_", leading and trailing blanks and trailing dots go,
// names Windows reserves and names that start with "." (hidden on Unix) get a
// "_" in front, long names are cut. Never empty: a name with nothing left is
// "Layer" in the run's language.
QString safeFileName(const QString &name);

// Names handed out so far, per folder, compared without regard to letter case:
// the first "Layer" is "Layer", then "Layer (2)", "Layer (3)".
class UniqueNames
{
public:
    QString take(const QString &folder, const QString &baseName, const QString &suffix);

private:
    QHash<QString, QSet<QString>> m_taken;
};

// Runs the job and writes LOG, PROGRESS, ITEM and DONE records to `out`.
// Each document's pictures go to a folder named like the document: inside the
// job's output folder, or beside the document when the job names none. A
// document that cannot be read gets a failed ITEM whose details carry the
// reason ("reason"); DONE counts "exported", "skipped" and "failed" layers and
// "failedDocuments", and names in "outputDir" the folder to open: the output
// folder, one document's folder, or the folder its documents share.
Counts run(const Job &job, std::FILE *out);

} // namespace LayerExport
