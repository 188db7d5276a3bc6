#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QtGlobal>

#include <cstdio>

// Records of the line protocol a worker writes on its standard output: UTF-8,
// fields separated by tabs, one record per line ended by a single LF. Every
// function returns one complete line. Fields are made safe first: CR and LF
// (and, except in the last field of an ITEM record, tabs) become blanks, so no
// text can end a record early or add a field.
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

// A field with CR, LF and tabs replaced by blanks.
QString field(const QString &text);

// Writes one record and flushes it, so the reader sees it at once. False
// when the stream refused the bytes.
bool write(std::FILE *stream, const QByteArray &record);

} // namespace LineProtocol
