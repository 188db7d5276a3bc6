#include "XmpAncestors.h"

#include "WorkerText.h"

#include <QXmlStreamReader>

namespace {

const QByteArray PhotoshopNamespace = QByteArrayLiteral("http://ns.adobe.com/photoshop/1.0/");
const QByteArray ElementName = QByteArrayLiteral("DocumentAncestors");

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameEnd(char c)
{
    return isSpace(c) || c == '>' || c == '/';
}

// The prefixes bound to the Photoshop namespace anywhere in the packet
// (xmlns:p="…" with either quote); a packet rarely binds more than one.
QList<QByteArray> photoshopPrefixes(const QByteArray &packet)
{
    QList<QByteArray> prefixes;
    qsizetype at = 0;
    while ((at = packet.indexOf(PhotoshopNamespace, at)) >= 0) {
        const qsizetype valueStart = at;
        at += PhotoshopNamespace.size();
        if (valueStart < 1 || at >= packet.size())
            continue;
        const char quote = packet.at(valueStart - 1);
        if ((quote != '"' && quote != '\'') || packet.at(at) != quote)
            continue;
        qsizetype p = valueStart - 2;
        while (p >= 0 && isSpace(packet.at(p)))
            --p;
        if (p < 0 || packet.at(p) != '=')
            continue;
        --p;
        while (p >= 0 && isSpace(packet.at(p)))
            --p;
        const qsizetype nameEnd = p + 1;
        while (p >= 0 && !isSpace(packet.at(p)) && packet.at(p) != '<')
            --p;
        const QByteArray attribute = packet.mid(p + 1, nameEnd - p - 1);
        if (attribute.startsWith("xmlns:") && attribute.size() > 6) {
            const QByteArray prefix = attribute.mid(6);
            if (!prefixes.contains(prefix))
                prefixes << prefix;
        }
    }
    return prefixes;
}

// Start tags of list items ("rdf:li" or any prefix) within [from, to).
qint64 countItems(const QByteArray &packet, qsizetype from, qsizetype to)
{
    qint64 count = 0;
    qsizetype at = from;
    while ((at = packet.indexOf(":li", at)) >= 0 && at + 3 < to) {
        const qsizetype end = at + 3;
        at = end;
        if (!isNameEnd(packet.at(end)))
            continue;
        qsizetype p = end - 4;
        while (p >= from && !isSpace(packet.at(p)) && packet.at(p) != '<' && packet.at(p) != '/')
            --p;
        if (p >= from && packet.at(p) == '<')
            ++count;
    }
    return count;
}

} // namespace

namespace XmpAncestors {

Found find(const QByteArray &packet)
{
    Found found;
    const QList<QByteArray> prefixes = photoshopPrefixes(packet);
    for (const QByteArray &prefix : prefixes) {
        const QByteArray name = prefix + ':' + ElementName;
        const QByteArray open = '<' + name;
        const QByteArray close = "</" + name;
        qsizetype at = 0;
        while ((at = packet.indexOf(open, at)) >= 0) {
            const qsizetype start = at;
            at += open.size();
            if (at >= packet.size() || !isNameEnd(packet.at(at)))
                continue;
            const qsizetype tagEnd = packet.indexOf('>', at);
            if (tagEnd < 0)
                break;
            qsizetype end = tagEnd + 1;
            if (packet.at(tagEnd - 1) != '/') {
                const qsizetype closeAt = packet.indexOf(close, tagEnd);
                if (closeAt < 0)
                    break;
                qsizetype p = closeAt + close.size();
                while (p < packet.size() && isSpace(packet.at(p)))
                    ++p;
                if (p >= packet.size() || packet.at(p) != '>')
                    break;
                end = p + 1;
            }
            found.cuts << Cut{start, end - start};
            found.entries += countItems(packet, start, end);
            found.bytes += end - start;
            at = end;
        }
    }
    std::sort(found.cuts.begin(), found.cuts.end(),
              [](const Cut &a, const Cut &b) { return a.offset < b.offset; });
    return found;
}

QByteArray without(const QByteArray &packet, const QList<Cut> &cuts)
{
    QByteArray result;
    qsizetype kept = 0;
    for (const Cut &cut : cuts) {
        result += QByteArrayView(packet).sliced(kept, cut.offset - kept);
        kept = cut.offset + cut.length;
    }
    result += QByteArrayView(packet).sliced(kept);
    return result;
}

bool parses(const QByteArray &packet, bool *hasAncestors, QString *error)
{
    *hasAncestors = false;
    qsizetype size = packet.size();
    while (size > 0 && packet.at(size - 1) == '\0')
        --size;
    // Fed a piece at a time, so that the reader never holds a long packet as
    // text all at once.
    constexpr qsizetype Piece = 256 * 1024;
    QXmlStreamReader reader;
    qsizetype fed = 0;
    for (;;) {
        while (!reader.atEnd()) {
            if (reader.readNext() == QXmlStreamReader::StartElement
                && reader.namespaceUri() == QLatin1String(PhotoshopNamespace)
                && reader.name() == QLatin1String(ElementName))
                *hasAncestors = true;
        }
        if (reader.error() != QXmlStreamReader::PrematureEndOfDocumentError || fed >= size)
            break;
        const qsizetype length = qMin(Piece, size - fed);
        reader.addData(QByteArrayView(packet).sliced(fed, length).toByteArray());
        fed += length;
    }
    if (reader.hasError()) {
        *error = WorkerText::Translate(QStringLiteral("XMP 元数据不是格式正确的 XML（第 %1 行：%2）"))
                         .arg(reader.lineNumber())
                         .arg(reader.errorString());
        return false;
    }
    return true;
}

bool isClean(const QByteArray &packet, QString *error)
{
    bool hasAncestors = false;
    if (!parses(packet, &hasAncestors, error))
        return false;
    if (hasAncestors) {
        *error = WorkerText::Translate(QStringLiteral("XMP 元数据仍列有文档祖先记录"));
        return false;
    }
    return true;
}

} // namespace XmpAncestors
