// Brevane: the safe slimming worker of the psd-slim page. Started as
// "Brevane --job FILE [--language CODE]" with a JSON job {"deep":bool,"files":[…]}, it slims the
// files one after the other and reports on standard output in the line
// protocol: LOG lines of what was found and saved (and the batch total), PROGRESS in hundredths of a
// file from the batch start, one ITEM per file and one DONE per batch. Texts,
// numbers and sizes are in the language given, Simplified Chinese without one.

#include "LineProtocol.h"
#include "QtTranslations.h"
#include "Slimmer.h"
#include "WorkerText.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>

namespace {

void emitRecord(const QByteArray &record)
{
    LineProtocol::write(stdout, record);
}

// "41.2 MB": decimal units with one decimal, as people read file sizes; the
// lines of each file and the batch's total alike.
QString sizeText(qint64 bytes)
{
    if (bytes < 1000)
        return WorkerText::TranslateCount(QStringLiteral("%1 字节"), {{1, bytes}}).arg(bytes);
    static const char *const units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes) / 1000.0;
    int unit = 0;
    while (value >= 999.95 && unit < 3) {
        value /= 1000.0;
        ++unit;
    }
    return WorkerText::Locale().toString(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(units[unit]);
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
        *error = WorkerText::Translate(QStringLiteral("无法打开任务文件 %1：%2")).arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(Q_INT64_C(64) << 20), &parseError);
    if (!document.isObject() || !document.object().value(QStringLiteral("files")).isArray()) {
        *error = WorkerText::Translate(QStringLiteral("任务文件 %1 不是瘦身任务：%2"))
                         .arg(path, parseError.error == QJsonParseError::NoError
                                            ? WorkerText::Translate(QStringLiteral("缺少“files”列表"))
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

// "a.psd：发现 12,345 个文档祖先记录，共 41.2 MB".
QString foundText(const QString &name, const Slimmer::Report &report)
{
    const QLocale locale = WorkerText::Locale();
    if (report.embeddedDocuments > 0) {
        return WorkerText::TranslateCount(QStringLiteral("%1：发现 %2 个文档祖先记录，共 %3（位于 %4 个嵌入文档中）"),
                                          {{2, report.ancestors}, {4, report.embeddedDocuments}})
                .arg(name, locale.toString(report.ancestors), sizeText(report.ancestorBytes),
                     locale.toString(report.embeddedDocuments));
    }
    return WorkerText::TranslateCount(QStringLiteral("%1：发现 %2 个文档祖先记录，共 %3"), {{2, report.ancestors}})
            .arg(name, locale.toString(report.ancestors), sizeText(report.ancestorBytes));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const qsizetype languageAt = arguments.indexOf(QStringLiteral("--language"));
    // Qt's own messages (JSON errors) in the language too.
    if (languageAt >= 0 && languageAt + 1 < arguments.size() && WorkerText::SetLanguage(arguments.at(languageAt + 1)))
        installQtTranslations(arguments.at(languageAt + 1));
    const qsizetype jobAt = arguments.indexOf(QStringLiteral("--job"));
    if (jobAt < 0 || jobAt + 1 >= arguments.size()) {
        emitRecord(LineProtocol::error(WorkerText::Translate(QStringLiteral("用法：Brevane --job FILE [--language CODE]"))));
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
    int unchanged = 0;
    int failed = 0;
    qint64 bytesSaved = 0;
    for (int index = 0; index < job.files.size(); ++index) {
        const QString path = job.files.at(index);
        const QString name = QFileInfo(path).fileName();
        const qint64 base = qint64(index) * 100;
        const QString status = WorkerText::Translate(QStringLiteral("正在瘦身 %1（第 %2 个，共 %3 个）"))
                                       .arg(name, WorkerText::Locale().toString(index + 1),
                                            WorkerText::Locale().toString(job.files.size()));
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
                emitRecord(LineProtocol::log(foundText(name, report)));
            emitRecord(LineProtocol::log(
                    WorkerText::Translate(QStringLiteral("%1：处理失败，文件未改动：%2")).arg(name, report.message)));
            emitRecord(LineProtocol::item(false, path));
            ++failed;
        } else if (!report.changed) {
            emitRecord(LineProtocol::log(WorkerText::Translate(QStringLiteral("%1：未改动（没有文档祖先记录）")).arg(name)));
            // The page tells an untouched document from a slimmed one.
            emitRecord(LineProtocol::item(QStringLiteral("ok"), path, QJsonObject{{QStringLiteral("unchanged"), true}}));
            ++exported;
            ++unchanged;
        } else {
            emitRecord(LineProtocol::log(foundText(name, report)));
            emitRecord(LineProtocol::log(WorkerText::Translate(QStringLiteral("%1：节省 %2（%3 → %4），已校验并替换"))
                                                 .arg(name, sizeText(report.saved()), sizeText(report.oldSize),
                                                      sizeText(report.newSize))));
            emitRecord(LineProtocol::item(true, path));
            ++exported;
            bytesSaved += report.saved();
        }
        emitRecord(LineProtocol::progress(base + 100, total, status));
    }
    const QLocale locale = WorkerText::Locale();
    emitRecord(LineProtocol::log(
            WorkerText::TranslateCount(QStringLiteral("%1 个文件：瘦身 %2 个，未改动 %3 个，失败 %4 个，共节省 %5"),
                                       {{1, job.files.size()}})
                    .arg(locale.toString(job.files.size()), locale.toString(exported - unchanged),
                         locale.toString(unchanged), locale.toString(failed), sizeText(bytesSaved))));
    emitRecord(LineProtocol::done(QJsonObject{{QStringLiteral("exported"), exported},
                                              {QStringLiteral("failed"), failed},
                                              {QStringLiteral("bytesSaved"), bytesSaved}}));
    return 0;
}
