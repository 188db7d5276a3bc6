#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <optional>

// Records of the line protocol a worker writes on its standard output: UTF-8,
// fields separated by tabs, one record per line ended by a single LF. Every
// function returns one complete line. Fields are made safe first: control
// characters become escapes (an ITEM record's path only loses CR and LF to
// blanks and keeps its tabs), so no text can end a record early or add a field.
namespace LineProtocol {

// "LOG\t<message>\n": a line for the user's run log.
QByteArray log(const QString &message);

// "PROGRESS\t<current>\t<total>\t<message>\n". An empty message becomes a
// dash, so the record keeps its four fields.
QByteArray progress(qint64 current, qint64 total, const QString &message);

// "ITEM\tok|failed\t<path>\n". The path keeps its tabs: it is the last field
// and readers join the rest of the line back with tabs.
QByteArray item(bool ok, const QString &path);

// "ITEM\t<status>\t<path>\t<compact JSON>\n": an item with its details, for
// readers that take the path as the fields between the status and the last.
QByteArray item(const QString &status, const QString &path, const QJsonObject &details);

// "DONE\t<compact JSON>\n".
QByteArray done(const QJsonObject &counts);

// "ERROR\t<message>\n".
QByteArray error(const QString &message);

// "STOP\n": the one line a reader sends back to the padding helper over
// the tool window's channel, asking it to finish the pictures in progress
// and start no other.
QByteArray stopRequest();

// Every control character written as an escape ("\n", "\r", "\t", other C0
// and C1 as "\xNN"): for record fields and any value written into one line
// of a log or report, so a path or message cannot end the line and forge
// the next.
QString escaped(const QString &text);

// Writes one record and flushes it, so the reader sees it at once. False
// when the stream refused the bytes.
bool write(std::FILE *stream, const QByteArray &record);

// Reading, for the tool page and the tests.

enum class RecordKind { Log, Progress, Item, Done, Error };

struct Record
{
    RecordKind kind;
    // Every field of the line, the keyword first, empty fields kept.
    QStringList fields;
};

// One line without its newline: trimmed of ASCII white space at both ends,
// decoded as UTF-8 and split at every tab. Empty when the line is blank, its
// keyword unknown (keywords are case-sensitive) or it has fewer fields than
// its keyword needs (LOG 1, PROGRESS 4, ITEM 3, DONE 2, ERROR 1).
std::optional<Record> parseLine(const QByteArray &line);

// Takes every newline-ended line off the front of buffer and returns the
// records among them in arrival order. An unfinished last line stays in the
// buffer untouched.
QList<Record> takeRecords(QByteArray &buffer);

// An ITEM record: its status, the path and, from the padding helper, the
// details object that ends the record. The last field is taken as details
// only when it starts with "{" and parses as a JSON object; otherwise (the
// PSD workers) every field after the status belongs to the path.
struct ItemReport
{
    QString status;
    QString path;
    QJsonObject details;
};
ItemReport readItem(const Record &record);

} // namespace LineProtocol
