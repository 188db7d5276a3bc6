#include "IntegratedToolPage.h"
#include "LineProtocol.h"
#include "Localization.h"
#include "PsdPixels.h"
#include "PsdTestWriter.h"
#include "ChildEnvironment.h"
#include "SettingsSandbox.h"
#include "ToolLauncher.h"
#include "WorkerProtocol.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorSpace>
#include <QComboBox>
#include <QDirIterator>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtEndian>

#include <lcms2.h>

#include <cstring>


using namespace Qt::StringLiterals;

// The layer export worker Stratlo as a child process on real jobs, the
// protocol records it writes, and the layer-export page and program with the
// real worker in their tool folder.
class tst_PsdExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void protocolRecords_data();
    void protocolRecords();
    void sizing_data();
    void sizing();
    void fillAndAnchor_data();
    void fillAndAnchor();
    void namesGroupsAndCounts();
    void deepDocumentWithProfile();
    void samplePixelsArriveExactly();
    void existingFilesAreReplacedAndReported();
    void brokenFilesFailAlone();
    void clippingMasks_data();
    void clippingMasks();
    void notRenderedIsTold_data();
    void notRenderedIsTold();
    void fileNames_data();
    void fileNames();
    void oneFolderPerDocument();
    void colours_data();
    void colours();
    void language_data();
    void language();
    void unreadableJob_data();
    void unreadableJob();
    void pageRunsTheRealWorker();
    void programSelfTestChecksTheWorker_data();
    void programSelfTestChecksTheWorker();
    void realDocuments_data();
    void realDocuments();

private:
    struct Run
    {
        int exitCode = -1;
        QList<WorkerProtocol::Record> records;
        QStringList logs;
        QString standardError;
    };
    Run runWorker(const QJsonObject &job, const QStringList &more = {});
    QString write(const QString &name, const QByteArray &bytes);
    QJsonObject job(const QStringList &files, const QString &sizing = u"none"_s, bool trim = true,
                    const QString &output = QString()) const;

    SettingsSandbox m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

QString samplePath(const QString &name)
{
    return QFINDTESTDATA(u"data/psd-samples/"_s + name);
}

// An 8-bit RGB layer of one colour over rect, with transparency `inner`
// (layer coordinates) opaque and the rest transparent.
PsdTestWriter::Layer colourLayer(const QString &name, const QRect &rect, const QRect &inner, quint32 rgb, int depth = 8)
{
    PsdTestWriter::Layer layer;
    layer.name = name;
    layer.rect = rect;
    const quint32 scale = depth == 8 ? 1 : 257;
    QByteArray alpha;
    for (int y = 0; y < rect.height(); ++y) {
        for (int x = 0; x < rect.width(); ++x) {
            const quint32 value = inner.contains(x, y) ? 255 * scale : 0;
            for (int b = depth / 8 - 1; b >= 0; --b)
                alpha.append(char(value >> (8 * b)));
        }
    }
    layer.channels = {{-1, alpha},
                      {0, PsdTestWriter::plane(rect.width(), rect.height(), depth, ((rgb >> 16) & 0xff) * scale)},
                      {1, PsdTestWriter::plane(rect.width(), rect.height(), depth, ((rgb >> 8) & 0xff) * scale)},
                      {2, PsdTestWriter::plane(rect.width(), rect.height(), depth, (rgb & 0xff) * scale)}};
    return layer;
}

PsdTestWriter::Document document(int width, int height, QList<PsdTestWriter::Layer> layers)
{
    PsdTestWriter::Document doc;
    doc.width = width;
    doc.height = height;
    doc.compression = 1;
    doc.layers = std::move(layers);
    return doc;
}

QStringList filesUnder(const QString &folder)
{
    QStringList files;
    const QDir root(folder);
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << root.relativeFilePath(it.next());
    files.sort();
    return files;
}

QString tr8(const char16_t *source)
{
    return translateToolText(QString::fromUtf16(source));
}

} // namespace

void tst_PsdExport::initTestCase()
{
    QVERIFY2(m_settings.isValid(), qPrintable(m_settings.errorString()));
    // The page looks for its worker in the tool folder beside this program.
    const QString worker = QFileInfo(IntegratedTools::resolveToolExecutable(IntegratedTools::LayerExport))
                                   .absoluteDir()
                                   .filePath(IntegratedTools::executableFileName(u"Stratlo"_s));
    QVERIFY(QDir().mkpath(QFileInfo(worker).absolutePath()));
    QFile::remove(worker);
    QVERIFY(QFile::copy(QStringLiteral(STRATLO_PATH), worker));
}

void tst_PsdExport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
}

QString tst_PsdExport::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

QJsonObject tst_PsdExport::job(const QStringList &files, const QString &sizing, bool trim, const QString &output) const
{
    return WorkerProtocol::layerExportJob(files, output, sizing, trim);
}

tst_PsdExport::Run tst_PsdExport::runWorker(const QJsonObject &job, const QStringList &more)
{
    Run run;
    const QString jobPath = write(u"job.json"_s, QJsonDocument(job).toJson(QJsonDocument::Compact));
    QProcess process;
    process.start(QStringLiteral(STRATLO_PATH), QStringList{u"--job"_s, jobPath} + more);
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    QByteArray output = process.readAllStandardOutput();
    run.records = WorkerProtocol::takeRecords(output);
    // Every byte is a complete record.
    if (!output.isEmpty())
        run.records.clear();
    for (const WorkerProtocol::Record &record : std::as_const(run.records)) {
        if (record.kind == WorkerProtocol::RecordKind::Log)
            run.logs << WorkerProtocol::joinFields(record.fields, 1, u" "_s);
    }
    run.standardError = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void tst_PsdExport::protocolRecords_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("log") << LineProtocol::log(u"已导出：a.png"_s) << QStringList{u"LOG"_s, u"已导出：a.png"_s};
    QTest::newRow("log_with_tab_and_line_breaks")
            << LineProtocol::log(u"a\tb\r\nc\x1b\u0085"_s) << QStringList{u"LOG"_s, u"a\\tb\\r\\nc\\x1b\\x85"_s};
    QTest::newRow("progress") << LineProtocol::progress(3, 9, u"x.psd：图层"_s)
                              << QStringList{u"PROGRESS"_s, u"3"_s, u"9"_s, u"x.psd：图层"_s};
    QTest::newRow("progress_empty_message") << LineProtocol::progress(1, 2, QString())
                                            << QStringList{u"PROGRESS"_s, u"1"_s, u"2"_s, u"-"_s};
    QTest::newRow("item_path_keeps_tab") << LineProtocol::item(true, u"/a\tb/c.psd"_s)
                                         << QStringList{u"ITEM"_s, u"ok"_s, u"/a"_s, u"b/c.psd"_s};
    QTest::newRow("item_failed_line_break") << LineProtocol::item(false, u"/a\nb.psd"_s)
                                            << QStringList{u"ITEM"_s, u"failed"_s, u"/a b.psd"_s};
    QTest::newRow("done") << LineProtocol::done(QJsonObject{{u"exported"_s, 2}, {u"skipped"_s, 1}})
                          << QStringList{u"DONE"_s, u"{\"exported\":2,\"skipped\":1}"_s};
    QTest::newRow("error") << LineProtocol::error(u"坏\n了"_s) << QStringList{u"ERROR"_s, u"坏\\n了"_s};
}

// Each record is one line that the page's reader takes back field for field.
void tst_PsdExport::protocolRecords()
{
    QFETCH(QByteArray, record);
    QFETCH(QStringList, fields);
    QVERIFY(record.endsWith('\n'));
    QCOMPARE(record.count('\n'), 1);
    QByteArray buffer = record;
    const QList<WorkerProtocol::Record> records = WorkerProtocol::takeRecords(buffer);
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().fields, fields);
    QVERIFY(buffer.isEmpty());
}

void tst_PsdExport::sizing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("trim");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("firstOpaque"); // top-left opaque pixel in the PNG

    // Canvas 30×20; the layer at (3,2), 5×4, is opaque in its 3×2 block at (1,1),
    // so at (4,3) on the canvas.
    QTest::newRow("trim_none") << u"none"_s << true << QSize(3, 2) << QPoint(0, 0);
    QTest::newRow("trim_multiple4") << u"multiple4"_s << true << QSize(4, 4) << QPoint(0, 1);
    QTest::newRow("trim_even") << u"even"_s << true << QSize(4, 2) << QPoint(0, 0);
    QTest::newRow("trim_power2") << u"power2"_s << true << QSize(4, 2) << QPoint(0, 0);
    QTest::newRow("canvas_none") << u"none"_s << false << QSize(30, 20) << QPoint(4, 3);
    QTest::newRow("canvas_multiple4") << u"multiple4"_s << false << QSize(32, 20) << QPoint(5, 3);
    QTest::newRow("canvas_power2") << u"power2"_s << false << QSize(32, 32) << QPoint(5, 9);
}

void tst_PsdExport::sizing()
{
    QFETCH(QString, mode);
    QFETCH(bool, trim);
    QFETCH(QSize, size);
    QFETCH(QPoint, firstOpaque);

    const QString psd = write(u"doc.psd"_s, PsdTestWriter::write(document(
            30, 20, {colourLayer(u"Block"_s, QRect(3, 2, 5, 4), QRect(1, 1, 3, 2), 0x336699)})));
    const Run run = runWorker(job({psd}, mode, trim));
    QCOMPARE(run.exitCode, 0);
    QImage png(m_dir->filePath(u"doc/Block.png"_s));
    QCOMPARE(png.size(), size);
    QCOMPARE(png.pixel(firstOpaque), qRgba(0x33, 0x66, 0x99, 255));
    // Every other pixel outside the 3×2 block is fully transparent.
    int opaque = 0;
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x)
            opaque += qAlpha(png.pixel(x, y)) == 255 ? 1 : 0;
    }
    QCOMPARE(opaque, 6);
    QVERIFY(png.pixel(firstOpaque + QPoint(2, 1)) == qRgba(0x33, 0x66, 0x99, 255));
}

void tst_PsdExport::fillAndAnchor_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("block");  // where the trimmed 3×2 block lands
    QTest::addColumn<QPoint>("probe");  // a border pixel
    QTest::addColumn<uint>("expected"); // and its colour

    const uint blue = qRgba(0x33, 0x66, 0x99, 255);
    QTest::newRow("colour_bottom_right") << u"multiple:5"_s << u"#ff000080"_s << u"bottom-right"_s << QSize(5, 5)
                                         << QPoint(2, 3) << QPoint(0, 0) << uint(qRgba(255, 0, 0, 128));
    QTest::newRow("edge_square_top") << u"square"_s << u"edge"_s << u"top"_s << QSize(3, 3) << QPoint(0, 0)
                                     << QPoint(1, 2) << blue;
    QTest::newRow("mirror_min_left") << u"min:9x2"_s << u"mirror"_s << u"left"_s << QSize(9, 2) << QPoint(0, 0)
                                     << QPoint(8, 1) << blue;
}

void tst_PsdExport::fillAndAnchor()
{
    QFETCH(QString, mode);
    QFETCH(QString, fill);
    QFETCH(QString, anchor);
    QFETCH(QSize, size);
    QFETCH(QPoint, block);
    QFETCH(QPoint, probe);
    QFETCH(uint, expected);

    const QString psd = write(u"doc.psd"_s, PsdTestWriter::write(document(
            30, 20, {colourLayer(u"Block"_s, QRect(3, 2, 5, 4), QRect(1, 1, 3, 2), 0x336699)})));
    const Run run = runWorker(WorkerProtocol::layerExportJob({psd}, QString(), mode, true, true, fill, anchor));
    QCOMPARE(run.exitCode, 0);
    const QImage png(m_dir->filePath(u"doc/Block.png"_s));
    QCOMPARE(png.size(), size);
    QCOMPARE(png.pixel(block), qRgba(0x33, 0x66, 0x99, 255));
    QCOMPARE(png.pixel(block + QPoint(2, 1)), qRgba(0x33, 0x66, 0x99, 255));
    QCOMPARE(png.pixel(probe), QRgb(expected));
}

// Groups become folders, names are made safe and unique, hidden layers are
// exported, groups and layers without pixels counted as skipped.
void tst_PsdExport::namesGroupsAndCounts()
{
    PsdTestWriter::Layer end;
    end.name = u"</Layer group>"_s;
    end.sectionType = 3;
    PsdTestWriter::Layer group;
    group.name = u"Köpfe/Hände"_s;
    group.sectionType = 2;
    PsdTestWriter::Layer empty;
    empty.name = u"Curves"_s;
    PsdTestWriter::Layer hidden = colourLayer(u"Same"_s, QRect(0, 0, 2, 2), QRect(0, 0, 2, 2), 0x00ff00);
    hidden.hidden = true;
    hidden.opacity = 128;
    PsdTestWriter::Layer awkward = colourLayer(u"Tab\there\nnew: *?"_s, QRect(1, 1, 2, 2), QRect(0, 0, 2, 2), 0xff0000);
    PsdTestWriter::Layer transparent = colourLayer(u"Leer"_s, QRect(0, 0, 2, 2), QRect(), 0);
    const QString psd = write(u"Bild.psd"_s, PsdTestWriter::write(document(
            8, 8, {colourLayer(u"Same"_s, QRect(0, 0, 8, 8), QRect(0, 0, 8, 8), 0xffffff), empty, end, awkward,
                   colourLayer(u"same"_s, QRect(2, 2, 3, 3), QRect(0, 0, 3, 3), 0x0000ff), group, hidden,
                   transparent})));
    const Run run = runWorker(job({psd}));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(filesUnder(m_dir->filePath(u"Bild"_s)),
             QStringList({u"Köpfe_Hände/Tab_here_new_ __.png"_s, u"Köpfe_Hände/same.png"_s, u"Same (2).png"_s,
                          u"Same.png"_s}));
    // Top to bottom: the hidden top layer is the first "Same".
    QCOMPARE(qAlpha(QImage(m_dir->filePath(u"Bild/Same.png"_s)).pixel(0, 0)), 128);
    QCOMPARE(QImage(m_dir->filePath(u"Bild/Same (2).png"_s)).size(), QSize(8, 8));

    QCOMPARE(run.records.last().kind, WorkerProtocol::RecordKind::Done);
    const WorkerProtocol::DoneCounts done = WorkerProtocol::readDone(run.records.last());
    QCOMPARE(done.exported, 4);
    QCOMPARE(done.skipped, 3); // the group, "Curves" and the fully transparent "Leer"
    QCOMPARE(done.failed, 0);
    QStringList progress;
    for (const WorkerProtocol::Record &record : run.records) {
        if (record.kind == WorkerProtocol::RecordKind::Progress && record.fields.at(1) != u"0")
            progress << record.fields.mid(1, 2).join(u'/') + u' ' + record.fields.at(3);
    }
    QCOMPARE(progress, QStringList({u"1/7 Bild.psd：Leer"_s, u"2/7 Bild.psd：Same"_s, u"3/7 Bild.psd：Köpfe/Hände"_s,
                                    u"4/7 Bild.psd：same"_s, u"5/7 Bild.psd：Tab\\there\\nnew: *?"_s,
                                    u"6/7 Bild.psd：Curves"_s, u"7/7 Bild.psd：Same"_s}));
    QCOMPARE(run.records.at(run.records.size() - 2).fields, QStringList({u"ITEM"_s, u"ok"_s, psd}));
    QVERIFY2(run.standardError.isEmpty(), qPrintable(run.standardError));
}

void tst_PsdExport::deepDocumentWithProfile()
{
    PsdTestWriter::Document doc = document(6, 5, {colourLayer(u"Tief"_s, QRect(1, 1, 4, 3), QRect(0, 0, 4, 3),
                                                              0x102030, 16)});
    doc.depth = 16;
    doc.layersInBlock = true;
    doc.compression = 3;
    const QByteArray profile = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    doc.resources = {{1039, profile}};
    const QString psd = write(u"tief.psb"_s, [&] {
        doc.version = 2;
        return PsdTestWriter::write(doc);
    }());
    const Run run = runWorker(job({psd}, u"none"_s, true, m_dir->filePath(u"out"_s)));
    QCOMPARE(run.exitCode, 0);
    const QString png = m_dir->filePath(u"out/tief/Tief.png"_s);
    QFile file(png);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(int(quint8(bytes.at(24))), 16); // bit depth in the header chunk
    QVERIFY(bytes.contains("iCCP"));
    QImage image(png);
    QCOMPARE(image.size(), QSize(4, 3));
    QCOMPARE(image.colorSpace(), QColorSpace(QColorSpace::AdobeRgb));
    QCOMPARE(image.pixelColor(2, 1).rgba64(), QRgba64::fromRgba64(0x1010, 0x2020, 0x3030, 0xffff));
}

// What the worker writes is what the reader decodes, pixel for pixel.
void tst_PsdExport::samplePixelsArriveExactly()
{
    const QString psd = m_dir->filePath(u"mask.psd"_s);
    QVERIFY(QFile::copy(samplePath(u"mask.psd"_s), psd));
    const Run run = runWorker(job({psd}));
    QCOMPARE(run.exitCode, 0);
    Psd::PsdFile file;
    QString error;
    QVERIFY(file.open(psd, &error));
    QImage decoded;
    QVERIFY(Psd::readLayerImage(file, 1, {}, &decoded, &error));
    const QImage png = QImage(m_dir->filePath(u"mask/Background copy.png"_s)).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!png.isNull());
    // The layer covers the canvas; its mask leaves a smaller opaque part, the PNG's size.
    QVERIFY(png.width() < decoded.width() && png.height() < decoded.height());
    // The PNG starts at the top-left corner of the layer's visible pixels.
    QPoint offset(decoded.width(), decoded.height());
    for (int y = 0; y < decoded.height(); ++y) {
        for (int x = 0; x < decoded.width(); ++x) {
            if (qAlpha(decoded.pixel(x, y)))
                offset = QPoint(std::min(offset.x(), x), std::min(offset.y(), y));
        }
    }
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            if (png.pixel(x, y) != decoded.pixel(offset + QPoint(x, y)))
                QFAIL(qPrintable(u"first difference at %1,%2: %3 instead of %4"_s.arg(x).arg(y).arg(
                        png.pixel(x, y), 8, 16).arg(decoded.pixel(offset + QPoint(x, y)), 8, 16)));
        }
    }
}

void tst_PsdExport::existingFilesAreReplacedAndReported()
{
    const QString psd = write(u"a.psd"_s, PsdTestWriter::write(document(
            4, 4, {colourLayer(u"Eins"_s, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4), 0x808080)})));
    const QString existing = write(u"a/Eins.png"_s, "old bytes");
    const Run run = runWorker(job({psd}));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QImage(existing).size(), QSize(4, 4));
    QVERIFY2(run.logs.contains(u"已导出并替换已有文件：%1"_s.arg(QDir::toNativeSeparators(existing))),
             qPrintable(run.logs.join(u'\n')));
    QCOMPARE(filesUnder(m_dir->filePath(u"a"_s)), QStringList{u"Eins.png"_s});
}

// A missing and a broken document fail on their own; the job goes on and exits 0.
void tst_PsdExport::brokenFilesFailAlone()
{
    const QString good = write(u"gut.psd"_s, PsdTestWriter::write(document(
            4, 4, {colourLayer(u"L"_s, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4), 0x123456)})));
    QFile source(good);
    QVERIFY(source.open(QIODevice::ReadOnly));
    QByteArray corrupt = source.readAll();
    Psd::PsdFile probe;
    QString error;
    QVERIFY(probe.open(good, &error));
    // The first row count of the layer's transparency claims more than there is.
    const qint64 counts = probe.document().layers.layers.first().channels.first().data.offset + 2;
    corrupt[counts] = char(0x7f);
    const QString broken = write(u"kaputt.psd"_s, corrupt);
    const QString missing = m_dir->filePath(u"fehlt.psd"_s);
    const QString notPsd = write(u"text.psd"_s, "just text");

    const Run run = runWorker(job({missing, broken, notPsd, good}));
    QCOMPARE(run.exitCode, 0);
    QStringList items;
    QStringList reasons;
    for (const WorkerProtocol::Record &record : run.records) {
        if (record.kind != WorkerProtocol::RecordKind::Item)
            continue;
        items << record.fields.at(1) + u' ' + QFileInfo(record.fields.at(2)).fileName();
        reasons << WorkerProtocol::readItem(record).details.value(u"reason"_s).toString();
    }
    QCOMPARE(items, QStringList({u"failed fehlt.psd"_s, u"failed kaputt.psd"_s, u"failed text.psd"_s, u"ok gut.psd"_s}));
    // A document that cannot be read says why, for its row on the page.
    QVERIFY(!reasons.at(0).isEmpty());
    QCOMPARE(reasons.at(2), u"不是 PSD/PSB 文件（文件头标识不符）"_s);
    QVERIFY(reasons.at(1).isEmpty() && reasons.at(3).isEmpty());
    const WorkerProtocol::DoneCounts done = WorkerProtocol::readDone(run.records.last());
    QCOMPARE(done.exported, 1);
    QCOMPARE(done.failed, 1); // the layer of kaputt.psd; the other two are documents
    QCOMPARE(QJsonDocument::fromJson(run.records.last().fields.at(1).toUtf8())[u"failedDocuments"_s].toInt(), 2);
    QVERIFY(QFile::exists(m_dir->filePath(u"gut/L.png"_s)));
    QVERIFY(!QFile::exists(m_dir->filePath(u"kaputt/L.png"_s)));
    QVERIFY(run.logs.filter(u"RLE"_s).size() == 1);
}

// A clipped layer shows only where its base layer does.
void tst_PsdExport::clippingMasks_data()
{
    QTest::addColumn<bool>("apply");
    QTest::addColumn<int>("baseAlpha");     // of the base's opaque block at (2,2), 4×4
    QTest::addColumn<QString>("file");      // the picture looked at
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("alpha");         // at its centre

    QTest::newRow("clipped") << true << 255 << u"Clip.png"_s << QSize(4, 4) << 255;
    QTest::newRow("second_clipped_layer") << true << 255 << u"Clip 2.png"_s << QSize(4, 4) << 255;
    QTest::newRow("half_transparent_base") << true << 128 << u"Clip.png"_s << QSize(4, 4) << 128;
    QTest::newRow("not_applied") << false << 255 << u"Clip.png"_s << QSize(8, 8) << 255;
}

void tst_PsdExport::clippingMasks()
{
    QFETCH(bool, apply);
    QFETCH(int, baseAlpha);
    QFETCH(QString, file);
    QFETCH(QSize, size);
    QFETCH(int, alpha);

    PsdTestWriter::Layer base = colourLayer(u"Base"_s, QRect(0, 0, 8, 8), QRect(2, 2, 4, 4), 0x0000ff);
    base.channels[0].samples.replace(char(255), char(baseAlpha));
    PsdTestWriter::Layer clip = colourLayer(u"Clip"_s, QRect(0, 0, 8, 8), QRect(0, 0, 8, 8), 0xff0000);
    clip.clipping = 1;
    PsdTestWriter::Layer clip2 = colourLayer(u"Clip 2"_s, QRect(1, 1, 7, 7), QRect(0, 0, 7, 7), 0x00ff00);
    clip2.clipping = 1;
    const QString psd = write(u"doc.psd"_s, PsdTestWriter::write(document(8, 8, {base, clip, clip2})));
    QJsonObject exportJob = job({psd});
    exportJob[u"applyClipping"_s] = apply;
    const Run run = runWorker(exportJob);
    QCOMPARE(run.exitCode, 0);
    const QImage png(m_dir->filePath(u"doc/"_s + file));
    QCOMPARE(png.size(), size);
    QCOMPARE(qAlpha(png.pixel(size.width() / 2, size.height() / 2)), alpha);
}

// One line per layer names what its exported pixels leave out.
void tst_PsdExport::notRenderedIsTold_data()
{
    QTest::addColumn<QByteArray>("blendMode");
    QTest::addColumn<QByteArray>("key");       // a tagged block the layer carries, "mask" or empty
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("line");         // empty: no line

    QTest::newRow("plain_layer") << QByteArray("norm") << QByteArray() << QByteArray() << QString();
    QTest::newRow("effects") << QByteArray("norm") << QByteArray("lfx2") << QByteArray(8, '\0')
                             << u"“L” is not fully rendered: layer effects are not rendered"_s;
    QTest::newRow("blend_mode") << QByteArray("mul ") << QByteArray() << QByteArray()
                                << u"“L” is not fully rendered: blend mode “Multiply” is not applied"_s;
    QTest::newRow("fill_opacity") << QByteArray("norm") << QByteArray("iOpa") << QByteArray(1, char(128))
                                  << u"“L” is not fully rendered: fill opacity 50% is not applied"_s;
    QTest::newRow("text_layer_with_blend_mode") << QByteArray("scrn") << QByteArray("TySh") << QByteArray(8, '\0')
            << u"“L” is not fully rendered: blend mode “Screen” is not applied; text layer exported as its stored pixels"_s;
    QTest::newRow("mask_feather") << QByteArray("norm") << QByteArray("mask") << QByteArray()
                                  << u"“L” is not fully rendered: mask feather is not applied"_s;
    QTest::newRow("smart_object") << QByteArray("norm") << QByteArray("SoLd") << QByteArray(8, '\0')
                                  << u"“L” is not fully rendered: smart object exported as its stored pixels"_s;
}

void tst_PsdExport::notRenderedIsTold()
{
    QFETCH(QByteArray, blendMode);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, data);
    QFETCH(QString, line);

    PsdTestWriter::Layer layer = colourLayer(u"L"_s, QRect(0, 0, 2, 2), QRect(0, 0, 2, 2), 0x808080);
    layer.blendMode = blendMode;
    if (key == "mask") {
        // A pixel mask feathered by 2.5 pixels: bit 1, then the radius as a double.
        layer.hasMask = true;
        layer.maskRect = QRect(0, 0, 2, 2);
        layer.maskDefault = 255;
        layer.maskFlags = 0x10;
        layer.maskParameters = QByteArray(1, '\x02');
        quint64 bits;
        const double radius = 2.5;
        std::memcpy(&bits, &radius, sizeof bits);
        PsdTestWriter::put(layer.maskParameters, bits, 8);
        layer.channels.append({-2, PsdTestWriter::plane(2, 2, 8, 255)});
    } else if (!key.isEmpty()) {
        layer.blocks = {{"8BIM", key, data}};
    }
    const QString psd = write(u"doc.psd"_s, PsdTestWriter::write(document(2, 2, {layer})));
    const Run run = runWorker(job({psd}), {u"--language"_s, u"en_US"_s});
    QCOMPARE(run.exitCode, 0);
    const QStringList told = run.logs.filter(u"not fully rendered"_s);
    QCOMPARE(told, line.isEmpty() ? QStringList() : QStringList{line});
    QVERIFY(QFile::exists(m_dir->filePath(u"doc/L.png"_s)));
}

// File names: the fallback in the run's language, one spelling for composed
// and decomposed letters, no hidden files.
void tst_PsdExport::fileNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("empty_name_english") << QStringList{u""_s} << u"en_US"_s << QStringList{u"Layer.png"_s};
    QTest::newRow("empty_name_japanese") << QStringList{u" . "_s} << u"ja_JP"_s << QStringList{u"レイヤー.png"_s};
    QTest::newRow("empty_name_chinese") << QStringList{u""_s} << u"zh_CN"_s << QStringList{u"图层.png"_s};
    QTest::newRow("decomposed_and_precomposed") << QStringList{u"Caf\u00e9"_s, u"Cafe\u0301"_s} << u"en_US"_s
                                                << QStringList{u"Caf\u00e9 (2).png"_s, u"Caf\u00e9.png"_s};
    QTest::newRow("leading_dot") << QStringList{u".hidden"_s} << u"en_US"_s << QStringList{u"_.hidden.png"_s};
}

void tst_PsdExport::fileNames()
{
    QFETCH(QStringList, names);
    QFETCH(QString, language);
    QFETCH(QStringList, files);

    QList<PsdTestWriter::Layer> layers;
    for (const QString &name : std::as_const(names))
        layers << colourLayer(name, QRect(0, 0, 2, 2), QRect(0, 0, 2, 2), 0x123456);
    const QString psd = write(u"doc.psd"_s, PsdTestWriter::write(document(2, 2, layers)));
    const Run run = runWorker(job({psd}), {u"--language"_s, language});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(filesUnder(m_dir->filePath(u"doc"_s)), files);
}

// Documents never share a folder: each gets one named after it inside the
// output folder, two of the same name a numbered one.
void tst_PsdExport::oneFolderPerDocument()
{
    const QByteArray bytes = PsdTestWriter::write(document(
            2, 2, {colourLayer(u"Background"_s, QRect(0, 0, 2, 2), QRect(0, 0, 2, 2), 0x123456)}));
    const QStringList files = {write(u"a/Poster.psd"_s, bytes), write(u"b/Poster.psd"_s, bytes),
                               write(u"b/Flyer.psb"_s, bytes)};
    const Run run = runWorker(job(files, u"none"_s, true, m_dir->filePath(u"out"_s)));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(filesUnder(m_dir->filePath(u"out"_s)),
             QStringList({u"Flyer/Background.png"_s, u"Poster (2)/Background.png"_s, u"Poster/Background.png"_s}));
    QCOMPARE(WorkerProtocol::readHelperDone(run.records.last()).outputDir, m_dir->filePath(u"out"_s));

    // Without an output folder: the folder beside one document, or the folder
    // the documents share.
    const Run one = runWorker(job({files.at(0)}));
    QCOMPARE(WorkerProtocol::readHelperDone(one.records.last()).outputDir, m_dir->filePath(u"a/Poster"_s));
    const Run two = runWorker(job(files.mid(1)));
    QCOMPARE(WorkerProtocol::readHelperDone(two.records.last()).outputDir, m_dir->filePath(u"b"_s));
}

namespace {

// The profile in a PNG's iCCP chunk, or empty.
QByteArray pngProfile(const QByteArray &png)
{
    for (qsizetype at = 8; at + 12 <= png.size();) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        if (png.mid(at + 4, 4) == "iCCP") {
            const QByteArray body = png.mid(at + 8, length);
            const qsizetype name = body.indexOf('\0');
            QByteArray compressed = body.mid(name + 2);
            QByteArray sized(4, '\0');
            qToBigEndian<quint32>(1 << 20, sized.data());
            return qUncompress(sized + compressed);
        }
        at += 12 + length;
    }
    return QByteArray();
}

QByteArray saved(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// A CMYK profile that takes cyan alone to a neutral grey (L* 50), which the
// ink formula never would: a picture with that grey went through the profile.
QByteArray cmykProfile()
{
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsUInt16Number table[16 * 3];
    for (int c = 0; c < 2; ++c) {
        for (int m = 0; m < 2; ++m) {
            for (int y = 0; y < 2; ++y) {
                for (int k = 0; k < 2; ++k) {
                    const int entry = ((c * 2 + m) * 2 + y) * 2 + k;
                    const double l = k || (c && m && y) ? 0 : (c || m || y) ? 50 : 100;
                    table[entry * 3] = cmsUInt16Number(qRound(l / 100 * 65535));
                    table[entry * 3 + 1] = table[entry * 3 + 2] = 0x8080;
                }
            }
        }
    }
    cmsPipeline *pipeline = cmsPipelineAlloc(nullptr, 4, 3);
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocCLut16bit(nullptr, 2, 4, 3, table));
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipelineFree(pipeline);
    return saved(profile);
}

QByteArray greyProfile(double gamma)
{
    cmsToneCurve *curve = cmsBuildGamma(nullptr, gamma);
    const QByteArray bytes = saved(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return bytes;
}

QByteArray linearRgbProfile()
{
    cmsToneCurve *linear = cmsBuildGamma(nullptr, 1.0);
    cmsToneCurve *curves[3] = {linear, linear, linear};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const QByteArray bytes = saved(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(linear);
    return bytes;
}

QByteArray samples(const QList<quint32> &values, int depth)
{
    QByteArray out;
    for (const quint32 value : values)
        PsdTestWriter::put(out, value, depth / 8);
    return out;
}

quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

bool isSrgb(const QByteArray &icc)
{
    const QColorSpace space = QColorSpace::fromIccProfile(icc);
    return space.primaries() == QColorSpace::Primaries::SRgb
            && space.transferFunction() == QColorSpace::TransferFunction::SRgb;
}

} // namespace

// Colours: CMYK and Lab converted to sRGB through their profile (or the
// built-in Lab one), 32-bit linear light put on the sRGB curve and tagged so,
// grey kept grey at its depth with its own profile.
void tst_PsdExport::colours_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("depth");
    QTest::addColumn<QList<QByteArray>>("planes");     // colour channels of the 2×1 layer
    QTest::addColumn<QByteArray>("profile");           // embedded, or empty
    QTest::addColumn<int>("colourType");               // of the PNG: 4 grey and alpha, 2 RGB (opaque)
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("tag");                  // "", "srgb" or "document"
    QTest::addColumn<QList<QRgba64>>("pixels");        // expected, within 1/255
    QTest::addColumn<bool>("approximate");             // the log says the colours are approximate

    const auto rgba = [](int r, int g, int b) { return QRgba64::fromRgba64(r * 257, g * 257, b * 257, 65535); };
    // CMYK as stored: 255 is no ink. The first pixel has none, the second cyan only.
    const QList<QByteArray> cmyk = {samples({255, 0}, 8), samples({255, 255}, 8), samples({255, 255}, 8),
                                    samples({255, 255}, 8)};
    QTest::newRow("cmyk_with_profile") << 4 << 8 << cmyk << cmykProfile() << 2 << 8 << u"srgb"_s
                                       << QList<QRgba64>{rgba(255, 255, 255), rgba(119, 119, 119)} << false;
    QTest::newRow("cmyk_without_profile") << 4 << 8 << cmyk << QByteArray() << 2 << 8 << QString()
                                          << QList<QRgba64>{rgba(255, 255, 255), rgba(0, 255, 255)} << true;
    // Lab: L* 100 and L* 50, neutral.
    QTest::newRow("lab_built_in_profile") << 9 << 8
            << QList<QByteArray>{samples({255, 128}, 8), samples({128, 128}, 8), samples({128, 128}, 8)}
            << QByteArray() << 2 << 8 << u"srgb"_s << QList<QRgba64>{rgba(255, 255, 255), rgba(119, 119, 119)} << false;
    // Linear 0.5 is 188 on the sRGB curve.
    const QList<QByteArray> linear(3, samples({floatBits(1.0f), floatBits(0.5f)}, 32));
    QTest::newRow("rgb_32bit_linear_profile") << 3 << 32 << linear << linearRgbProfile() << 2 << 16 << u"srgb"_s
                                              << QList<QRgba64>{rgba(255, 255, 255), rgba(188, 188, 188)} << false;
    QTest::newRow("rgb_32bit_without_profile") << 3 << 32 << linear << QByteArray() << 2 << 16 << u"srgb"_s
                                               << QList<QRgba64>{rgba(255, 255, 255), rgba(188, 188, 188)} << false;
    QTest::newRow("grey_16bit_with_profile") << 1 << 16 << QList<QByteArray>{samples({0x1234, 0xfedc}, 16)}
            << greyProfile(2.2) << 4 << 16 << u"document"_s
            << QList<QRgba64>{QRgba64::fromRgba64(0x1234, 0x1234, 0x1234, 0xffff),
                              QRgba64::fromRgba64(0xfedc, 0xfedc, 0xfedc, 0xffff)} << false;
    QTest::newRow("grey_8bit_without_profile") << 1 << 8 << QList<QByteArray>{samples({7, 200}, 8)} << QByteArray()
                                               << 4 << 8 << QString() << QList<QRgba64>{rgba(7, 7, 7), rgba(200, 200, 200)}
                                               << false;
}

void tst_PsdExport::colours()
{
    QFETCH(int, mode);
    QFETCH(int, depth);
    QFETCH(QList<QByteArray>, planes);
    QFETCH(QByteArray, profile);
    QFETCH(int, colourType);
    QFETCH(int, bits);
    QFETCH(QString, tag);
    QFETCH(QList<QRgba64>, pixels);
    QFETCH(bool, approximate);

    PsdTestWriter::Layer layer;
    layer.name = u"Farbe"_s;
    layer.rect = QRect(0, 0, 2, 1);
    layer.channels = {{-1, PsdTestWriter::plane(2, 1, depth, depth == 32 ? floatBits(1.0f) : (1u << depth) - 1)}};
    for (qsizetype c = 0; c < planes.size(); ++c)
        layer.channels.append({qint16(c), planes.at(c)});
    PsdTestWriter::Document doc = document(2, 1, {layer});
    doc.colorMode = mode;
    doc.depth = depth;
    doc.channels = int(planes.size());
    doc.layersInBlock = depth > 8;
    if (!profile.isEmpty())
        doc.resources = {{1039, profile}};
    const QString psd = write(u"doc.psd"_s, PsdTestWriter::write(doc));
    const Run run = runWorker(job({psd}), {u"--language"_s, u"en_US"_s});
    QCOMPARE(run.exitCode, 0);
    QFile file(m_dir->filePath(u"doc/Farbe.png"_s));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(run.logs.join(u'\n')));
    const QByteArray png = file.readAll();
    QCOMPARE(int(png.at(25)), colourType);
    QCOMPARE(int(png.at(24)), bits);
    const QByteArray carried = pngProfile(png);
    if (tag == u"srgb")
        QVERIFY(isSrgb(carried));
    else if (tag == u"document")
        QCOMPARE(carried, profile);
    else
        QVERIFY(carried.isEmpty());
    const QImage image = QImage::fromData(png);
    for (int x = 0; x < pixels.size(); ++x) {
        const QRgba64 actual = image.pixelColor(x, 0).rgba64();
        const QRgba64 expected = pixels.at(x);
        const int tolerance = bits == 16 && tag == u"document" ? 0 : 257;
        QVERIFY2(std::abs(actual.red() - expected.red()) <= tolerance && std::abs(actual.green() - expected.green()) <= tolerance
                         && std::abs(actual.blue() - expected.blue()) <= tolerance && actual.alpha() == 65535,
                 qPrintable(u"pixel %1: %2 %3 %4 %5"_s.arg(x).arg(actual.red()).arg(actual.green()).arg(actual.blue()).arg(actual.alpha())));
    }
    QCOMPARE(run.logs.filter(u"approximate"_s).size(), approximate ? 1 : 0);
}

// The worker and the reader speak the language they are given; without one,
// or with one they do not know, Simplified Chinese.
void tst_PsdExport::language_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected"); // %1: the document, %2: its folder, %3: the file that is no document

    QTest::newRow("en_US") << QStringList{u"--language"_s, u"en_US"_s}
                           << QStringList{u"2 files, 2 layers in all."_s, u"Exporting %1: 1 layer to %2"_s,
                                          u"Cannot read %3: Not a PSD/PSB file (header signature mismatch)"_s};
    QTest::newRow("no_switch") << QStringList()
                               << QStringList{u"共 2 个文件，2 个图层。"_s, u"开始导出 %1：1 个图层，输出到 %2"_s,
                                              u"无法读取 %3：不是 PSD/PSB 文件（文件头标识不符）"_s};
    QTest::newRow("unknown_code") << QStringList{u"--language"_s, u"de_DE"_s}
                                  << QStringList{u"共 2 个文件，2 个图层。"_s, u"开始导出 %1：1 个图层，输出到 %2"_s,
                                                 u"无法读取 %3：不是 PSD/PSB 文件（文件头标识不符）"_s};
}

void tst_PsdExport::language()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);

    const QString good = write(u"gut.psd"_s, PsdTestWriter::write(document(
            4, 4, {colourLayer(u"L"_s, QRect(0, 0, 4, 4), QRect(0, 0, 4, 4), 0x123456)})));
    const QString notPsd = write(u"text.psd"_s, "just text");
    const Run run = runWorker(job({good, notPsd}), arguments);
    QCOMPARE(run.exitCode, 0);
    for (const QString &line : std::as_const(expected)) {
        const QString filled = QString(line)
                                       .replace(u"%1"_s, QDir::toNativeSeparators(good))
                                       .replace(u"%2"_s, QDir::toNativeSeparators(m_dir->filePath(u"gut"_s)))
                                       .replace(u"%3"_s, QDir::toNativeSeparators(notPsd));
        QVERIFY2(run.logs.contains(filled), qPrintable(run.logs.join(u'\n')));
    }
}

void tst_PsdExport::unreadableJob_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("not_json") << QByteArray("files: a.psd");
    QTest::newRow("no_file_list") << QByteArray("{\"output\":\"\"}");
    QTest::newRow("unknown_sizing_mode") << QByteArray("{\"files\":[],\"sizingMode\":\"triple\"}");
    QTest::newRow("unknown_fill") << QByteArray("{\"files\":[],\"fill\":\"#12\"}");
    QTest::newRow("unknown_anchor") << QByteArray("{\"files\":[],\"anchor\":\"middle\"}");
}

void tst_PsdExport::unreadableJob()
{
    QFETCH(QByteArray, bytes);
    QProcess process;
    process.start(QStringLiteral(STRATLO_PATH), {u"--job"_s, write(u"job.json"_s, bytes)});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 2);
    QByteArray output = process.readAllStandardOutput();
    const QList<WorkerProtocol::Record> records = WorkerProtocol::takeRecords(output);
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().kind, WorkerProtocol::RecordKind::Error);
}

// The page with the real worker: real documents in, files and the summary out.
void tst_PsdExport::pageRunsTheRealWorker()
{
    QStringList files;
    for (const QString &name : {u"group.psd"_s, u"2layers.psb"_s, u"16bit5x5.psd"_s}) {
        files << m_dir->filePath(name);
        QVERIFY(QFile::copy(samplePath(name), files.last()));
    }
    IntegratedToolPage page(IntegratedTools::LayerExport);
    page.addPaths(files, false);
    page.findChild<QLineEdit *>(u"layerOutputDirectory"_s)->setText(m_dir->filePath(u"export"_s));
    page.startTool();
    QTRY_VERIFY_WITH_TIMEOUT(!page.isWorkerRunning(), 30000);

    const auto *list = page.findChild<QTreeWidget *>(u"integratedToolDropList"_s);
    QCOMPARE(list->topLevelItemCount(), 3);
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        QCOMPARE(list->topLevelItem(row)->text(3), tr8(u"已完成"));
    const QString log = page.findChild<QTextEdit *>(u"integratedToolLog"_s)->toPlainText();
    QVERIFY2(log.contains(u"完成：3 个文档，导出 7 个图层，跳过 1 个，失败 0 个。"_s), qPrintable(log));
    QVERIFY2(!log.contains(u"后台详情"_s), qPrintable(log));
    QCOMPARE(filesUnder(m_dir->filePath(u"export"_s)),
             QStringList({u"16bit5x5/Background copy 2.png"_s, u"16bit5x5/Background copy.png"_s,
                          u"16bit5x5/Background.png"_s, u"2layers/Слой.png"_s, u"2layers/Фон.png"_s,
                          u"group/Background.png"_s, u"group/Group 1/Shape 1.png"_s}));
    // Multiple of 4, the default rule: 41×74 trimmed to 40×72 opaque pixels and padded.
    const QSize shape = QImageReader(m_dir->filePath(u"export/group/Group 1/Shape 1.png"_s)).size();
    QVERIFY(shape.width() % 4 == 0 && shape.height() % 4 == 0 && shape.width() <= 44 && shape.height() <= 76);
}

void tst_PsdExport::programSelfTestChecksTheWorker_data()
{
    QTest::addColumn<QString>("worker"); // "program", "text" (not runnable) or empty (none)
    QTest::addColumn<int>("exitCode");
    QTest::newRow("worker_beside") << u"program"_s << 0;
    QTest::newRow("no_worker") << QString() << 65;
    QTest::newRow("worker_not_executable") << u"text"_s << 65;
}

void tst_PsdExport::programSelfTestChecksTheWorker()
{
    QFETCH(QString, worker);
    QFETCH(int, exitCode);
    const QDir root(m_dir->path());
    const QString program = root.filePath(u"pictavo-layer-export"_s);
    QVERIFY(QFile::copy(QStringLiteral(LAYER_EXPORT_PATH), program));
    QVERIFY(root.mkpath(u"tools/integrated"_s));
    const QString target = root.filePath(u"tools/integrated/"_s + IntegratedTools::executableFileName(u"Stratlo"_s));
    if (worker == u"program") {
        QVERIFY(QFile::copy(QStringLiteral(STRATLO_PATH), target));
    } else if (worker == u"text") {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a program\n") > 0);
    }
    QProcessEnvironment environment;
    QVERIFY(privateXdgEnvironment(root, &environment));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, {u"--standalone-self-test"_s});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), exitCode);
}

void tst_PsdExport::realDocuments_data()
{
    QTest::addColumn<QString>("path");
    const QDir folder(QStringLiteral(MORE_SAMPLES_DIR));
    const QStringList names = folder.entryList({u"*.psd"_s, u"*.psb"_s}, QDir::Files, QDir::Name);
    if (MORE_SAMPLES_DIR[0] == '\0' || names.isEmpty())
        QSKIP("the folder of further real documents is not on this machine");
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << folder.filePath(name);
}

// Real documents other programs wrote: every layer the panel shows is either
// exported or skipped for a reason (a group, no pixels), none fails.
void tst_PsdExport::realDocuments()
{
    QFETCH(QString, path);
    Psd::PsdFile psd;
    QString error;
    QVERIFY2(psd.open(path, &error), qPrintable(error));
    int shown = psd.document().layers.layers.isEmpty() ? 1 : 0; // a flat document: its merged image
    for (const Psd::LayerRecord &layer : psd.document().layers.layers)
        shown += layer.sectionType == Psd::SectionType::GroupEnd ? 0 : 1;
    psd.close();

    const QString output = m_dir->filePath(u"out"_s);
    const Run run = runWorker(job({path}, u"none"_s, false, output));
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!run.records.isEmpty());
    QCOMPARE(run.records.last().kind, WorkerProtocol::RecordKind::Done);
    const WorkerProtocol::DoneCounts done = WorkerProtocol::readDone(run.records.last());
    QVERIFY2(done.failed == 0, qPrintable(run.logs.join(u'\n')));
    QCOMPARE(done.exported + done.skipped, shown);
    int pictures = 0;
    for (QDirIterator it(output, {u"*.png"_s}, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++pictures;
    QCOMPARE(pictures, done.exported);
    QVERIFY(done.exported > 0 || psd.document().layers.layers.size() <= 2);
}

QTEST_MAIN(tst_PsdExport)
#include "tst_psdexport.moc"
