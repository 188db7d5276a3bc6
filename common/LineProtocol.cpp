#include "LineProtocol.h"

#include <QDir>
#include <QJsonDocument>
#include <QStringList>

namespace LineProtocol {

namespace {

QString withoutLineBreaks(QString text)
{
    for (QChar &c : text) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    return text;
}

QByteArray record(const char *keyword, const QString &rest)
{
    return QByteArray(keyword) + '\t' + rest.toUtf8() + '\n';
}

} // namespace

QByteArray stopRequest()
{
    return QByteArrayLiteral("STOP\n");
}

QString escaped(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\n')
            safe += QLatin1String("\\n");
        else if (u == u'\r')
            safe += QLatin1String("\\r");
        else if (u == u'\t')
            safe += QLatin1String("\\t");
        else if (u < 0x20 || (u >= 0x80 && u <= 0x9f))
            safe += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe;
}

QByteArray log(const QString &message)
{
    return record("LOG", escaped(message));
}

QByteArray progress(qint64 current, qint64 total, const QString &message)
{
    const QString text = escaped(message);
    // The reader trims white space at both ends of a line; a blank alone would
    // go with it, so an empty message travels as a visible dash.
    return record("PROGRESS", QString::number(current) + u'\t' + QString::number(total) + u'\t'
                          + (text.trimmed().isEmpty() ? QStringLiteral("-") : text));
}

QByteArray item(bool ok, const QString &path)
{
    return record("ITEM", (ok ? QStringLiteral("ok") : QStringLiteral("failed")) + u'\t' + withoutLineBreaks(path));
}

QByteArray item(const QString &status, const QString &path, const QJsonObject &details)
{
    return record("ITEM", escaped(status) + u'\t' + withoutLineBreaks(path) + u'\t'
                          + QString::fromUtf8(QJsonDocument(details).toJson(QJsonDocument::Compact)));
}

QByteArray done(const QJsonObject &counts)
{
    return QByteArray("DONE\t") + QJsonDocument(counts).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray error(const QString &message)
{
    return record("ERROR", escaped(message));
}

bool write(std::FILE *stream, const QByteArray &record)
{
    const size_t size = size_t(record.size());
    return std::fwrite(record.constData(), 1, size, stream) == size && std::fflush(stream) == 0;
}

// Reading.

namespace {

struct Keyword
{
    const char *text;
    RecordKind kind;
    int minimumFields;
};

constexpr Keyword keywords[] = {
    {"LOG", RecordKind::Log, 1},   {"PROGRESS", RecordKind::Progress, 4}, {"ITEM", RecordKind::Item, 3},
    {"DONE", RecordKind::Done, 2}, {"ERROR", RecordKind::Error, 1},
};

} // namespace

std::optional<Record> parseLine(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QStringList fields = QString::fromUtf8(trimmed).split(u'\t');
    for (const Keyword &keyword : keywords) {
        if (fields.first() == QLatin1String(keyword.text)) {
            if (fields.size() < keyword.minimumFields)
                return std::nullopt;
            return Record{keyword.kind, fields};
        }
    }
    return std::nullopt;
}

QList<Record> takeRecords(QByteArray &buffer)
{
    QList<Record> records;
    // Lines are cut at an offset and the handled bytes dropped once, so a
    // burst of many lines costs one pass over the buffer.
    qsizetype from = 0;
    while (from < buffer.size()) {
        const qsizetype newline = buffer.indexOf('\n', from);
        if (newline < 0)
            break;
        if (std::optional<Record> record = parseLine(buffer.mid(from, newline - from)))
            records.append(std::move(*record));
        from = newline + 1;
    }
    buffer.remove(0, from);
    return records;
}

ItemReport readItem(const Record &record)
{
    ItemReport item;
    item.status = record.fields.value(1);
    qsizetype pathEnd = record.fields.size();
    const QString &last = record.fields.last();
    if (record.fields.size() >= 4 && last.startsWith(u'{')) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(last.toUtf8(), &error);
        if (error.error == QJsonParseError::NoError && document.isObject()) {
            item.details = document.object();
            pathEnd -= 1;
        }
    }
    // A path may hold tabs; the fields between status and details are joined back.
    item.path = QDir::fromNativeSeparators(record.fields.mid(2, pathEnd - 2).join(u'\t'));
    return item;
}

} // namespace LineProtocol
