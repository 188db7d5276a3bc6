#include "IntegratedToolPage.h"
#include "IntegratedTools.h"
#include "Localization.h"
#include "PsdFile.h"
#include "ToolLauncher.h"
#include "ChildEnvironment.h"
#include "SettingsSandbox.h"
#include "SlimTestDocuments.h"
#include "TextTable.h"
#include "Slimmer.h"
#include "XmpAncestors.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimeZone>
#include <QTreeWidget>

#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using SlimTestDocuments::Embedded;
using SlimTestDocuments::Spec;



// The slimming worker: the ancestor cut on raw XMP bytes, whole documents
// slimmed in place (top level and embedded, PSD and PSB), the safety rules,
// the worker process and the psd-slim page running it.
class tst_Brevane : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void xmpCut_data();
    void xmpCut();
    void slim_data();
    void slim();
    void samples_data();
    void samples();
    void refused_data();
    void refused();
    void fullDisk();
    void worker();
    void language_data();
    void language();
    void summaryLines_data();
    void summaryLines();
    void realDocuments();
    void page();
    void programSelfTest_data();
    void programSelfTest();

private:
    QString put(const QString &name, const QByteArray &bytes);
    QByteArray read(const QString &path) const;
    QStringList leftovers() const;

    SettingsSandbox m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// A document to build: its own list, and what its linked-file blocks embed.
struct Tree
{
    int version = 1;
    int ancestors = -1; // -1: no list at all
    struct Child
    {
        QByteArray key;
        std::shared_ptr<Tree> document; // or else
        QByteArray otherFile;
    };
    std::vector<Child> children;
    int seed = 1;

    Tree &embed(const QByteArray &key, const Tree &child)
    {
        children.push_back(Child{key, std::make_shared<Tree>(child), {}});
        return *this;
    }
    qint64 count(bool deep) const
    {
        qint64 total = qMax(0, ancestors);
        for (const Child &child : children) {
            if (deep && child.document)
                total += child.document->count(deep);
        }
        return total;
    }
};

Tree tree(int version, int ancestors, int seed = 1)
{
    Tree result;
    result.version = version;
    result.ancestors = ancestors;
    result.seed = seed;
    return result;
}

// A top document with `ancestors` and one embedded document per key, each
// with `embeddedAncestors`.
Tree withEmbedded(int version, int ancestors, const QList<QByteArray> &keys, int embeddedAncestors)
{
    Tree top = tree(version, ancestors);
    for (int index = 0; index < keys.size(); ++index)
        top.embed(keys.at(index), tree(index % 2 ? 2 : 1, embeddedAncestors, 10 + index));
    return top;
}

// The document as written, or as slimming must leave it: the lists gone at
// this level when `slim`, and further down when deep.
Spec specOf(const Tree &tree, bool slim = false, bool deep = false)
{
    Spec spec;
    spec.version = tree.version;
    spec.seed = tree.seed;
    spec.width = 20 + tree.seed;
    spec.xmp = SlimTestDocuments::xmp(slim && tree.ancestors >= 0 ? -1 : tree.ancestors);
    int index = 0;
    for (const Tree::Child &child : tree.children) {
        const QByteArray file = child.document
                ? SlimTestDocuments::build(specOf(*child.document, slim && deep, deep))
                : child.otherFile;
        spec.embedded << Embedded{child.key, file, 5 + index++ % 3};
    }
    return spec;
}

Spec document(int version, int ancestors, const QList<QByteArray> &keys = {}, int embeddedAncestors = 0)
{
    return specOf(withEmbedded(version, ancestors, keys, embeddedAncestors));
}

QString firstDifference(const QByteArray &a, const QByteArray &b)
{
    for (qsizetype index = 0; index < qMin(a.size(), b.size()); ++index) {
        if (a.at(index) != b.at(index))
            return u"first difference at byte %1 (sizes %2 and %3)"_s.arg(index).arg(a.size()).arg(b.size());
    }
    return u"sizes %1 and %2"_s.arg(a.size()).arg(b.size());
}

// Layers (name, bounds, every channel's bytes) and the merged image, read with the reader.
QStringList pixelsOf(const QString &path)
{
    Psd::PsdFile psd;
    QString error;
    if (!psd.open(path, &error))
        return {u"unreadable: "_s + error};
    const Psd::Document &document = psd.document();
    QStringList lines;
    lines << u"%1×%2 %3 channels"_s.arg(document.header.width).arg(document.header.height).arg(document.header.channels);
    QByteArray bytes;
    for (const Psd::LayerRecord &layer : document.layers.layers) {
        lines << u"layer %1 %2,%3 %4×%5"_s.arg(layer.name)
                         .arg(layer.rect.x())
                         .arg(layer.rect.y())
                         .arg(layer.rect.width())
                         .arg(layer.rect.height());
        for (const Psd::ChannelInfo &channel : layer.channels) {
            psd.readAt(channel.data.offset, channel.data.length, &bytes, &error);
            lines << u"  %1: %2"_s.arg(channel.id).arg(QString::fromLatin1(bytes.toHex().left(64) + "…" + QByteArray::number(qHash(bytes))));
        }
    }
    psd.readAt(document.mergedImage.offset, document.mergedImage.length, &bytes, &error);
    lines << u"merged "_s + QString::number(qHash(bytes));
    return lines;
}

QString workerPath()
{
    return QFileInfo(IntegratedTools::resolveToolExecutable(IntegratedTools::PsdSlim)).absolutePath() + u'/'
            + IntegratedTools::executableFileName(u"Brevane"_s);
}

struct Run
{
    int exitCode = -1;
    QList<QStringList> records;
    QList<QStringList> of(const QString &keyword) const
    {
        QList<QStringList> found;
        for (const QStringList &record : records) {
            if (record.first() == keyword)
                found << record;
        }
        return found;
    }
};

Run runWorker(const QString &jobPath, qint64 fileSizeLimit = -1, const QStringList &more = {})
{
    QProcess process;
#ifdef Q_OS_UNIX
    if (fileSizeLimit >= 0) {
        process.setChildProcessModifier([fileSizeLimit] {
            // A disk that fills up: writes beyond the limit fail with EFBIG
            // instead of the signal ending the process.
            ::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit;
            limit.rlim_cur = limit.rlim_max = rlim_t(fileSizeLimit);
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
#endif
    process.start(workerPath(), QStringList{u"--job"_s, jobPath} + more);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.isEmpty())
            run.records << QString::fromUtf8(line).split(u'\t');
    }
    return run;
}

QString writeJob(const QString &folder, const QStringList &files, bool deep)
{
    const QString path = folder + u"/job.json"_s;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(QJsonDocument(QJsonObject{{u"deep"_s, deep}, {u"files"_s, QJsonArray::fromStringList(files)}})
                       .toJson(QJsonDocument::Compact));
    return path;
}

} // namespace

Q_DECLARE_METATYPE(Tree)

void tst_Brevane::initTestCase()
{
    QVERIFY2(m_settings.isValid(), qPrintable(m_settings.errorString()));
    // The page finds its worker beside the program: this test's own folder.
    const QString target = workerPath();
    QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()));
    QFile::remove(target);
    QVERIFY(QFile::copy(QStringLiteral(BREVANE_PATH), target));
}

void tst_Brevane::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
}

QString tst_Brevane::put(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

QByteArray tst_Brevane::read(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList tst_Brevane::leftovers() const
{
    return QDir(m_dir->path()).entryList({u"*.brevane.tmp"_s}, QDir::Files | QDir::Hidden | QDir::System);
}

void tst_Brevane::xmpCut_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<qint64>("entries");

    QTest::newRow("no_list") << SlimTestDocuments::xmp(-1) << SlimTestDocuments::xmp(-1) << qint64(0);
    QTest::newRow("three_entries") << SlimTestDocuments::xmp(3) << SlimTestDocuments::xmp(-1) << qint64(3);
    QTest::newRow("empty_list") << SlimTestDocuments::xmp(0) << SlimTestDocuments::xmp(-1) << qint64(0);

    const QByteArray head = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                            "<rdf:Description xmlns:ps='http://ns.adobe.com/photoshop/1.0/'>";
    const QByteArray tail = "<ps:DocumentAncestorsNote>kept</ps:DocumentAncestorsNote></rdf:Description></rdf:RDF></x:xmpmeta>";
    QTest::newRow("other_prefix_and_similar_name")
            << head + "<ps:DocumentAncestors >\n<rdf:Bag><rdf:li>a</rdf:li><rdf:li>b</rdf:li></rdf:Bag></ps:DocumentAncestors >" + tail
            << head + tail << qint64(2);
    QTest::newRow("self_closing") << head + "<ps:DocumentAncestors/>" + tail << head + tail << qint64(0);
    QTest::newRow("other_namespace_kept")
            << head + "<other:DocumentAncestors xmlns:other='urn:x'/>" + tail
            << head + "<other:DocumentAncestors xmlns:other='urn:x'/>" + tail << qint64(0);
}

void tst_Brevane::xmpCut()
{
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, expected);
    QFETCH(qint64, entries);

    const XmpAncestors::Found found = XmpAncestors::find(packet);
    const QByteArray result = XmpAncestors::without(packet, found.cuts);
    QCOMPARE(result, expected);
    QCOMPARE(found.entries, entries);
    QCOMPARE(found.bytes, packet.size() - expected.size());
    QString error;
    QVERIFY2(XmpAncestors::isClean(result, &error), qPrintable(error));
    QCOMPARE(XmpAncestors::isClean(packet, &error), packet == expected);
}

void tst_Brevane::slim_data()
{
    QTest::addColumn<Tree>("document");
    QTest::addColumn<bool>("deep");

    const QList<QByteArray> allKeys{"lnk2", "lnk3", "lnkD", "lnkE"};
    QTest::newRow("psd_top") << tree(1, 400) << false;
    QTest::newRow("psb_top") << tree(2, 400) << true;
    QTest::newRow("psd_deep_every_block") << withEmbedded(1, 50, allKeys, 30) << true;
    QTest::newRow("psb_deep_every_block") << withEmbedded(2, 50, allKeys, 30) << true;
    QTest::newRow("psd_not_deep_keeps_embedded") << withEmbedded(1, 50, allKeys, 30) << false;
    QTest::newRow("psb_embedded_only") << withEmbedded(2, -1, {"lnk2", "lnk2"}, 70) << true;

    // An embedded document with its own embedded document, beside an
    // embedded file that is not a document at all.
    Tree nested = tree(1, 10);
    nested.embed("lnk2", tree(2, 20, 3).embed("lnk2", tree(1, 30, 4)));
    nested.children.push_back(Tree::Child{"lnk2", nullptr, QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(300, 'p')});
    QTest::newRow("nested_two_levels") << nested << true;
    QTest::newRow("nothing_to_remove") << withEmbedded(1, -1, {"lnk3"}, -1) << true;
}

void tst_Brevane::slim()
{
    QFETCH(Tree, document);
    QFETCH(bool, deep);

    const Spec spec = specOf(document);
    const QByteArray source = SlimTestDocuments::build(spec);
    QCOMPARE(qint64(source.size()), SlimTestDocuments::size(spec));
    const QString path = put(u"doc.psd"_s, source);
    const QDateTime longAgo(QDate(2001, 2, 3), QTime(4, 5, 6), QTimeZone::utc());
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    Slimmer::Options options;
    options.deep = deep;
    const Slimmer::Report report = Slimmer::slimFile(path, options);
    QVERIFY2(report.success, qPrintable(report.message));
    const qint64 ancestors = document.count(deep);
    // Nothing to remove: not even rewritten.
    QCOMPARE(QFileInfo(path).lastModified() == longAgo, ancestors == 0);
    QCOMPARE(report.ancestors, ancestors);
    QCOMPARE(report.changed, ancestors > 0);

    // Byte for byte the document written without the lists: every length
    // that holds them rewritten, every other byte as it was.
    const QByteArray result = read(path);
    const QByteArray expected = SlimTestDocuments::build(specOf(document, true, deep));
    QVERIFY2(result == expected, qPrintable(firstDifference(result, expected)));
    QCOMPARE(report.saved(), qint64(source.size() - result.size()));
    QCOMPARE(result.count("<rdf:li>xmp.did:"), document.count(true) - ancestors);
    QVERIFY(leftovers().isEmpty());

    Psd::PsdFile psd;
    QString error;
    QVERIFY2(psd.open(path, &error), qPrintable(error));
    const Psd::ImageResource *xmp = psd.document().resource(1060);
    QByteArray packet;
    QVERIFY(xmp && psd.readAt(xmp->data.offset, xmp->data.length, &packet, &error));
    QVERIFY2(XmpAncestors::isClean(packet, &error), qPrintable(error));
}

void tst_Brevane::samples_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("saved");
    const QStringList names = QDir(QStringLiteral(SAMPLES_DIR)).entryList({u"*.psd"_s, u"*.psb"_s}, QDir::Files, QDir::Name);
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name << (name == u"placedLayer.psd" ? qint64(190) : qint64(0));
}

void tst_Brevane::samples()
{
    QFETCH(QString, name);
    QFETCH(qint64, saved);

    const QByteArray source = read(QStringLiteral(SAMPLES_DIR) + u'/' + name);
    const QString original = put(u"original-"_s + name, source);
    const QString path = put(name, source);
    Slimmer::Options options;
    options.deep = true;
    const Slimmer::Report report = Slimmer::slimFile(path, options);
    QVERIFY2(report.success, qPrintable(report.message));
    QCOMPARE(report.saved(), saved);
    QCOMPARE(QFileInfo(path).size(), source.size() - saved);
    QCOMPARE(pixelsOf(path), pixelsOf(original));
    if (saved == 0)
        QCOMPARE(read(path), source);
}

void tst_Brevane::refused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("damaged") << u"damaged"_s << u"无法读取文档"_s;
    QTest::newRow("unparsable_embedded_xmp_kept") << u"embedded_xmp"_s << QString();
    QTest::newRow("short_disk") << u"short_disk"_s << u"文件所在位置的磁盘空间不足"_s;
    QTest::newRow("copy_with_other_pixels") << u"pixels"_s << u"与源文件不一致：“channel "_s;
    QTest::newRow("copy_with_other_merged_image") << u"merged"_s << u"与源文件不一致：“merged image"_s;
    QTest::newRow("copy_cut_short") << u"cut"_s << u"与源文件不一致：“merged image"_s;
#ifdef Q_OS_UNIX
    QTest::newRow("read_only") << u"read_only"_s << u"文件为只读"_s;
    QTest::newRow("link_slims_where_it_points") << u"link"_s << QString();
    QTest::newRow("dangling_link") << u"dangling"_s << u"链接指向的文件不存在"_s;
    QTest::newRow("fifo") << u"fifo"_s << u"不是普通文件"_s;
#endif
}

void tst_Brevane::refused()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);

    QByteArray source = SlimTestDocuments::build(document(1, 100, {"lnk2"}, 100));
    if (kind == u"damaged")
        source.chop(source.size() / 3); // the channel data ends early
    if (kind == u"embedded_xmp") {
        // An embedded document whose XMP does not parse keeps its list and
        // every byte; the top document is slimmed all the same.
        const qsizetype inner = source.indexOf("8BPS", 4);
        source[source.indexOf("</x:xmpmeta>", inner) + 2] = 'y';
    }
    const QString path = put(u"doc.psd"_s, source);
    QString subject = path;
    Slimmer::Options options;
    options.deep = true;
    if (kind == u"short_disk")
        options.freeSpace = [&](const QString &) { return qint64(source.size()); };
    // The copy changed between writing and reading back, as a failing disk might.
    options.written = [&](const QString &copy) {
        QFile file(copy);
        if (kind == u"cut")
            file.resize(file.size() - 40);
        if ((kind == u"pixels" || kind == u"merged") && file.open(QIODevice::ReadWrite)) {
            const QByteArray bytes = file.readAll();
            // One byte of the last layer's channel data, or of the merged image.
            const qsizetype at = kind == u"merged" ? bytes.size() - 5 : bytes.indexOf("8BIMlnk2") - 900;
            file.seek(at);
            file.write(QByteArray(1, char(bytes.at(at) ^ 0x40)));
        }
    };
#ifdef Q_OS_UNIX
    if (kind == u"read_only")
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    if (kind == u"link" || kind == u"dangling") {
        subject = m_dir->filePath(u"link.psd"_s);
        QVERIFY(QFile::link(kind == u"link" ? path : m_dir->filePath(u"gone.psd"_s), subject));
    }
    if (kind == u"fifo") {
        subject = m_dir->filePath(u"pipe.psd"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(subject).constData(), 0600), 0);
    }
#endif
    const Slimmer::Report report = Slimmer::slimFile(subject, options);
    if (message.isEmpty()) {
        QVERIFY2(report.success, qPrintable(report.message));
        const int left = kind == u"link" ? 0 : 100;
        QCOMPARE(report.ancestors, qint64(200 - left));
        QCOMPARE(read(path).count("<rdf:li>xmp.did:"), left);
        QCOMPARE(QFileInfo(subject).isSymLink(), kind == u"link");
        return;
    }
    QVERIFY(!report.success);
    QVERIFY2(report.message.contains(message), qPrintable(report.message));
    QCOMPARE(report.saved(), qint64(0));
    QCOMPARE(read(path), source);
    QVERIFY(leftovers().isEmpty());
}

void tst_Brevane::fullDisk()
{
#ifndef Q_OS_UNIX
    QSKIP("the file size limit of a child process is a Unix facility");
#else
    // The worker as a child process whose files cannot grow beyond 64 KiB: the
    // free-space check passes, the write itself fails.
    Spec spec = document(2, 500);
    spec.width = spec.height = 200;
    const QByteArray source = SlimTestDocuments::build(spec);
    QVERIFY(source.size() > 3 * 65536);
    const QString path = put(u"big.psb"_s, source);
    const Run run = runWorker(writeJob(m_dir->path(), {path}, true), 65536);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.of(u"ITEM"_s), (QList<QStringList>{{u"ITEM"_s, u"failed"_s, path}}));
    QCOMPARE(QJsonDocument::fromJson(run.of(u"DONE"_s).value(0).value(1).toUtf8()).object(),
             (QJsonObject{{u"exported"_s, 0}, {u"failed"_s, 1}, {u"bytesSaved"_s, 0}}));
    const QList<QStringList> logs = run.of(u"LOG"_s);
    QVERIFY(logs.size() >= 2); // the file's lines, then the batch total
    QVERIFY2(logs.at(logs.size() - 2).value(1).contains(u"处理失败，文件未改动：无法写入瘦身后的副本"_s),
             qPrintable(logs.at(logs.size() - 2).value(1)));
    QCOMPARE(read(path), source);
    QVERIFY(leftovers().isEmpty());
#endif
}

void tst_Brevane::worker()
{
    const Tree fatTree = withEmbedded(1, 2000, {"lnk2"}, 1000);
    const Spec fat = specOf(fatTree);
    const QString slimmable = put(u"fat.psd"_s, SlimTestDocuments::build(fat));
    const QString clean = put(u"clean.psb"_s, SlimTestDocuments::build(document(2, -1)));
    QByteArray broken = SlimTestDocuments::build(document(1, 10));
    broken.truncate(200);
    const QString damaged = put(u"damaged.psd"_s, broken);
    const qint64 expectedSaved = SlimTestDocuments::size(fat) - SlimTestDocuments::size(specOf(fatTree, true, true));

    const Run run = runWorker(writeJob(m_dir->path(), {slimmable, clean, damaged}, true));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.of(u"ITEM"_s), (QList<QStringList>{{u"ITEM"_s, u"ok"_s, slimmable},
                                                     {u"ITEM"_s, u"ok"_s, clean, u"{\"unchanged\":true}"_s},
                                                     {u"ITEM"_s, u"failed"_s, damaged}}));
    QCOMPARE(QJsonDocument::fromJson(run.of(u"DONE"_s).value(0).value(1).toUtf8()).object(),
             (QJsonObject{{u"exported"_s, 2}, {u"failed"_s, 1}, {u"bytesSaved"_s, expectedSaved}}));
    QCOMPARE(run.records.last().first(), u"DONE"_s);

    QStringList logs;
    for (const QStringList &record : run.of(u"LOG"_s))
        logs << record.value(1);
    const QLocale locale = TextTable::localeFor(u"zh_CN"_s);
    QVERIFY2(logs.contains(u"fat.psd：发现 %1 个文档祖先记录，共 %2（位于 1 个嵌入文档中）"_s.arg(
                     locale.toString(3000),
                     locale.toString((SlimTestDocuments::listBytes(2000) + SlimTestDocuments::listBytes(1000)) / 1000.0, 'f', 1) + u" KB"_s)),
             qPrintable(logs.join(u'\n')));
    QVERIFY2(logs.filter(u"fat.psd：节省 "_s).size() == 1, qPrintable(logs.join(u'\n')));
    QVERIFY(logs.contains(u"clean.psb：未改动（没有文档祖先记录）"_s));
    QVERIFY(logs.filter(u"damaged.psd：处理失败，文件未改动：无法读取文档"_s).size() == 1);

    // Hundredths of a file from the batch start, never going back.
    qint64 last = -1;
    for (const QStringList &record : run.of(u"PROGRESS"_s)) {
        QCOMPARE(record.value(2), u"300"_s);
        QVERIFY(record.value(1).toLongLong() >= last);
        last = record.value(1).toLongLong();
    }
    QCOMPARE(last, 300);

    const Run usage = runWorker(m_dir->filePath(u"missing.json"_s));
    QCOMPARE(usage.exitCode, 2);
    QCOMPARE(usage.of(u"ERROR"_s).size(), 1);
}

// The worker speaks the language it is given; without one, or with one it does
// not know, Simplified Chinese.
void tst_Brevane::language_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("found");  // %1: the size of the list in bytes
    QTest::addColumn<QString>("status");

    QTest::newRow("en_US") << QStringList{u"--language"_s, u"en_US"_s} << u"one.psd: 1 document ancestor, %1 bytes"_s
                           << u"Slimming one.psd (1 of 1)"_s;
    QTest::newRow("ko_KR") << QStringList{u"--language"_s, u"ko_KR"_s} << u"one.psd: 문서 조상 기록 1개 발견, 총 %1바이트"_s
                           << u"one.psd 최적화 중(1/1)"_s;
    QTest::newRow("no_switch") << QStringList() << u"one.psd：发现 1 个文档祖先记录，共 %1 字节"_s
                               << u"正在瘦身 one.psd（第 1 个，共 1 个）"_s;
    QTest::newRow("unknown_code") << QStringList{u"--language"_s, u"fr_FR"_s}
                                  << u"one.psd：发现 1 个文档祖先记录，共 %1 字节"_s << u"正在瘦身 one.psd（第 1 个，共 1 个）"_s;
}

void tst_Brevane::language()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, found);
    QFETCH(QString, status);

    const QString path = put(u"one.psd"_s, SlimTestDocuments::build(document(1, 1)));
    const Run run = runWorker(writeJob(m_dir->path(), {path}, false), -1, arguments);
    QCOMPARE(run.exitCode, 0);
    QStringList logs;
    for (const QStringList &record : run.of(u"LOG"_s))
        logs << record.value(1);
    QVERIFY2(logs.contains(found.arg(SlimTestDocuments::listBytes(1))), qPrintable(logs.join(u'\n')));
    QCOMPARE(run.of(u"PROGRESS"_s).value(0).value(3), status);
}

void tst_Brevane::summaryLines_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("found");     // %1: the size of the lists
    QTest::addColumn<QString>("saved");     // %1: the bytes saved
    QTest::addColumn<QString>("unchanged");
    QTest::addColumn<QString>("total");     // %1: the bytes saved, as the file's line gives them

    QTest::newRow("en_US") << u"en_US"_s << u"fat.psd: 30 document ancestors, %1 (in 1 embedded document)"_s
                           << u"fat.psd: saved %1 ("_s << u"clean.psd: unchanged (no document ancestors)"_s
                           << u"2 files: 1 slimmed, 1 unchanged, 0 failed; %1 saved in all"_s;
    QTest::newRow("ja_JP") << u"ja_JP"_s
                           << u"fat.psd：ドキュメント祖先レコードが 30 件見つかりました（%1、埋め込みドキュメント 1 個の中）"_s
                           << u"fat.psd：%1 削減しました"_s << u"clean.psd：変更なし（ドキュメント祖先レコードはありません）"_s
                           << u"ファイル 2 個：スリム化 1 個、変更なし 1 個、失敗 0 個、合計 %1 削減"_s;
    QTest::newRow("zh_CN") << u"zh_CN"_s << u"fat.psd：发现 30 个文档祖先记录，共 %1（位于 1 个嵌入文档中）"_s
                           << u"fat.psd：节省 %1（"_s << u"clean.psd：未改动（没有文档祖先记录）"_s
                           << u"2 个文件：瘦身 1 个，未改动 1 个，失败 0 个，共节省 %1"_s;
}

// The found, saved and unchanged lines of each file and the batch total, the
// total in the unit of the files' lines.
void tst_Brevane::summaryLines()
{
    QFETCH(QString, language);
    QFETCH(QString, found);
    QFETCH(QString, saved);
    QFETCH(QString, unchanged);
    QFETCH(QString, total);

    const QString fat = put(u"fat.psd"_s, SlimTestDocuments::build(document(1, 20, {"lnk2"}, 10)));
    const QString clean = put(u"clean.psd"_s, SlimTestDocuments::build(document(1, -1)));
    const Run run = runWorker(writeJob(m_dir->path(), {fat, clean}, true), -1, {u"--language"_s, language});
    QCOMPARE(run.exitCode, 0);
    QStringList logs;
    for (const QStringList &record : run.of(u"LOG"_s))
        logs << record.value(1);
    const QString all = logs.join(u'\n');
    QVERIFY2(logs.size() == 4, qPrintable(all));
    QVERIFY2(logs.at(0).startsWith(found.section(u"%1"_s, 0, 0)) && logs.at(0).endsWith(found.section(u"%1"_s, 1)),
             qPrintable(all));
    const QString savedPrefix = saved.section(u"%1"_s, 0, 0);
    const QString savedSuffix = saved.section(u"%1"_s, 1);
    QVERIFY2(logs.at(1).startsWith(savedPrefix) && logs.at(1).contains(savedSuffix), qPrintable(all));
    const qsizetype from = savedPrefix.size();
    const QString savedSize = logs.at(1).mid(from, logs.at(1).indexOf(savedSuffix, from) - from);
    QCOMPARE(logs.at(2), unchanged);
    QCOMPARE(logs.at(3), total.arg(savedSize));
}

// Real documents other programs wrote, slimmed deep by the worker in one
// batch: every one succeeds and still opens as it did.
void tst_Brevane::realDocuments()
{
    const QDir folder(QStringLiteral(MORE_SAMPLES_DIR));
    const QStringList names = folder.entryList({u"*.psd"_s, u"*.psb"_s}, QDir::Files, QDir::Name);
    if (MORE_SAMPLES_DIR[0] == '\0' || names.isEmpty())
        QSKIP("the folder of further real documents is not on this machine");
    QStringList copies;
    QList<int> layerCounts;
    for (const QString &name : names) {
        const QString copy = m_dir->filePath(name);
        QVERIFY(QFile::copy(folder.filePath(name), copy));
        QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner));
        copies << copy;
        Psd::PsdFile psd;
        QString error;
        QVERIFY2(psd.open(copy, &error), qPrintable(name + u": "_s + error));
        layerCounts << int(psd.document().layers.layers.size());
    }
    const Run run = runWorker(writeJob(m_dir->path(), copies, true));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.of(u"ITEM"_s).size(), copies.size());
    for (const QStringList &item : run.of(u"ITEM"_s))
        QVERIFY2(item.value(1) == u"ok"_s, qPrintable(item.join(u' ')));
    for (qsizetype index = 0; index < copies.size(); ++index) {
        Psd::PsdFile psd;
        QString error;
        QVERIFY2(psd.open(copies.at(index), &error), qPrintable(error));
        QCOMPARE(int(psd.document().layers.layers.size()), layerCounts.at(index));
    }
}

void tst_Brevane::page()
{
    const Spec fat = document(2, 3000);
    const QStringList files{put(u"a.psb"_s, SlimTestDocuments::build(fat)),
                            put(u"b.psd"_s, SlimTestDocuments::build(document(1, -1))),
                            put(u"c.psd"_s, QByteArray("8BPS not a document"))};
    const qint64 saved = SlimTestDocuments::listBytes(3000);

    // The page tells the worker its language.
    SettingsSandbox::setLanguage(u"en_US"_s);
    const auto restore = qScopeGuard([] { SettingsSandbox::clearLanguage(); });
    IntegratedToolPage page(IntegratedTools::PsdSlim);
    page.addPaths(files, false);
    page.findChild<QCheckBox *>(u"psdDeepClean"_s)->setChecked(true);
    page.startTool();
    auto *start = page.findChild<QPushButton *>(u"toolStart"_s);
    QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 30000);

    const auto *list = page.findChild<QTreeWidget *>(u"integratedToolDropList"_s);
    QStringList statuses;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        statuses << list->topLevelItem(row)->text(3);
    QCOMPARE(statuses, (QStringList{translateToolText(u"已完成"_s), translateToolText(u"未改动"_s),
                                    translateToolText(u"失败"_s)}));
    // The slimmed document's size as it is after the run.
    QCOMPARE(list->topLevelItem(0)->text(2), formatDataSize(QFileInfo(files.at(0)).size()));
    const QString log = page.findChild<QTextEdit *>(u"integratedToolLog"_s)->toPlainText();
    const QString summary = translateToolText(u"瘦身任务结束：完成 %1 项，失败 %2 项，累计节省 %3。"_s)
                                    .arg(2)
                                    .arg(1)
                                    .arg(QLocale().formattedDataSize(saved, 2, QLocale::DataSizeSIFormat));
    QVERIFY2(log.contains(summary), qPrintable(log));
    QVERIFY2(log.contains(u"a.psb: 3,000 document ancestors"_s), qPrintable(log));
    QCOMPARE(QFileInfo(files.first()).size(), SlimTestDocuments::size(fat) - saved);
}

void tst_Brevane::programSelfTest_data()
{
    QTest::addColumn<bool>("workerBeside");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("worker_beside") << true << 0;
    QTest::newRow("no_worker") << false << 65;
}

void tst_Brevane::programSelfTest()
{
    QFETCH(bool, workerBeside);
    QFETCH(int, exitCode);
    // The psd-slim program copied into a folder of its own, with or without
    // the worker in its tool folder.
    const QDir root(m_dir->path());
    const QString program = root.filePath(u"pictavo-psd-slim"_s);
    QVERIFY(QFile::copy(QStringLiteral(PSD_SLIM_PATH), program));
    QVERIFY(root.mkpath(u"tools/integrated"_s));
    if (workerBeside) {
        QVERIFY(QFile::copy(QStringLiteral(BREVANE_PATH),
                            root.filePath(u"tools/integrated/"_s + IntegratedTools::executableFileName(u"Brevane"_s))));
    }
    QProcessEnvironment environment;
    QVERIFY(privateXdgEnvironment(root, &environment));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, {u"--standalone-self-test"_s});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), exitCode);
}

QTEST_MAIN(tst_Brevane)
#include "tst_brevane.moc"
