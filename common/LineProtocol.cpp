#include "LineProtocol.h"

#include <QJsonDocument>

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

QString field(const QString &text)
{
    QString safe = withoutLineBreaks(text);
    safe.replace(u'\t', u' ');
    return safe;
}

QByteArray log(const QString &message)
{
    return record("LOG", field(message));
}

QByteArray progress(qint64 current, qint64 total, const QString &message)
{
    const QString text = field(message);
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
    return record("ITEM", field(status) + u'\t' + withoutLineBreaks(path) + u'\t'
                          + QString::fromUtf8(QJsonDocument(details).toJson(QJsonDocument::Compact)));
}

QByteArray done(const QJsonObject &counts)
{
    return QByteArray("DONE\t") + QJsonDocument(counts).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray error(const QString &message)
{
    return record("ERROR", field(message));
}

bool write(std::FILE *stream, const QByteArray &record)
{
    const size_t size = size_t(record.size());
    return std::fwrite(record.constData(), 1, size, stream) == size && std::fflush(stream) == 0;
}

} // namespace LineProtocol
