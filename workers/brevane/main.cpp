// Brevane: the safe slimming worker of the psd-slim page. Started as
// "Brevane --job FILE" with a JSON job {"deep":bool,"files":[…]}, it slims the
// files one after the other and reports on standard output in the line
// protocol: LOG lines of what was found and saved, PROGRESS in hundredths of a
// file from the batch start, one ITEM per file and one DONE per batch.

#include "LineProtocol.h"
#include "Slimmer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>

#include <cstdio>

namespace {

void emitRecord(const QByteArray &record)
{
    LineProtocol::write(stdout, record);
}

const QLocale &numbers()
{
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

// "41.2 MB": decimal units with one decimal, as people read file sizes.
QString sizeText(qint64 bytes)
{
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(bytes);
    static const char *const units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1000.0;
    int unit = 0;
    while (value >= 999.95 && unit < 3) {
        value /= 1000.0;
        ++unit;
    }
    return numbers().toString(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

struct Job
{
    bool deep = false;
    QStringList files;
};

bool readJob(const QString &path, Job *job, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open the job file %1: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(Q_INT64_C(64) << 20), &parseError);
    if (!document.isObject() || !document.object().value(QStringLiteral("files")).isArray()) {
        *error = QStringLiteral("the job file %1 is not a slimming job: %2")
                         .arg(path, parseError.error == QJsonParseError::NoError
                                            ? QStringLiteral("no \"files\" list")
                                            : parseError.errorString());
        return false;
    }
    job->deep = document.object().value(QStringLiteral("deep")).toBool(false);
    const QJsonArray files = document.object().value(QStringLiteral("files")).toArray();
    for (const QJsonValue &value : files) {
        if (value.isString() && !value.toString().isEmpty())
            job->files << value.toString();
    }
    return true;
}

QString foundText(const Slimmer::Report &report)
{
    QString text = (report.ancestors == 1 ? QStringLiteral("%1 document ancestor, %2")
                                          : QStringLiteral("%1 document ancestors, %2"))
                           .arg(numbers().toString(report.ancestors), sizeText(report.ancestorBytes));
    if (report.embeddedDocuments > 0)
        text += QStringLiteral(" (%1 in embedded documents)").arg(report.embeddedDocuments);
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const qsizetype jobAt = arguments.indexOf(QStringLiteral("--job"));
    if (jobAt < 0 || jobAt + 1 >= arguments.size()) {
        emitRecord(LineProtocol::error(QStringLiteral("usage: Brevane --job FILE")));
        return 2;
    }
    Job job;
    QString error;
    if (!readJob(arguments.at(jobAt + 1), &job, &error)) {
        emitRecord(LineProtocol::error(error));
        return 2;
    }

    const qint64 total = qint64(job.files.size()) * 100;
    int exported = 0;
    int failed = 0;
    qint64 bytesSaved = 0;
    for (int index = 0; index < job.files.size(); ++index) {
        const QString path = job.files.at(index);
        const QString name = QFileInfo(path).fileName();
        const qint64 base = qint64(index) * 100;
        const QString status = QStringLiteral("Slimming %1 (%2 of %3)").arg(name).arg(index + 1).arg(job.files.size());
        emitRecord(LineProtocol::progress(base, total, status));

        Slimmer::Options options;
        options.deep = job.deep;
        qint64 shown = base;
        options.progress = [&](double fraction) {
            const qint64 current = base + qMin<qint64>(99, qint64(fraction * 100));
            if (current > shown) {
                shown = current;
                emitRecord(LineProtocol::progress(current, total, status));
            }
        };
        const Slimmer::Report report = Slimmer::slimFile(path, options);
        if (!report.success) {
            if (report.ancestors > 0)
                emitRecord(LineProtocol::log(QStringLiteral("%1: %2").arg(name, foundText(report))));
            emitRecord(LineProtocol::log(QStringLiteral("%1: failed, left unchanged: %2").arg(name, report.message)));
            emitRecord(LineProtocol::item(false, path));
            ++failed;
        } else if (!report.changed) {
            emitRecord(LineProtocol::log(QStringLiteral("%1: no document ancestors, left untouched").arg(name)));
            emitRecord(LineProtocol::item(true, path));
            ++exported;
        } else {
            emitRecord(LineProtocol::log(QStringLiteral("%1: %2").arg(name, foundText(report))));
            emitRecord(LineProtocol::log(QStringLiteral("%1: saved %2 (%3 → %4), checked and replaced")
                                                 .arg(name, sizeText(report.saved()), sizeText(report.oldSize),
                                                      sizeText(report.newSize))));
            emitRecord(LineProtocol::item(true, path));
            ++exported;
            bytesSaved += report.saved();
        }
        emitRecord(LineProtocol::progress(base + 100, total, status));
    }
    emitRecord(LineProtocol::done(QJsonObject{{QStringLiteral("exported"), exported},
                                              {QStringLiteral("failed"), failed},
                                              {QStringLiteral("bytesSaved"), bytesSaved}}));
    return 0;
}
