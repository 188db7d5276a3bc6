#include "LayerExporter.h"

#include "ColourConversion.h"
#include "GreyPng.h"
#include "WorkerText.h"

#include "ImageCodecs.h"
#include "ImageProcessor.h"
#include "PaddingChoices.h"
#include "LineProtocol.h"
#include "PsdPixels.h"
#include "SafeFile.h"
#include "VerifiedWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRgba64>

#include <zlib.h>

#include <cstring>
#include <limits>

namespace LayerExport {

namespace {

constexpr qint64 MaxJobBytes = 64 << 20;
constexpr int MaxNameLength = 80;

quint32 readBig(const QByteArray &bytes, int offset, int size)
{
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(bytes.at(offset + i));
    return value;
}

// What a layer is to the user, and whether it can become a file.
enum class Kind { Pixels, Group, Divider, Empty };

Kind kindOf(const Psd::LayerRecord &layer)
{
    switch (layer.sectionType) {
    case Psd::SectionType::OpenFolder:
    case Psd::SectionType::ClosedFolder:
        return Kind::Group;
    case Psd::SectionType::GroupEnd:
        return Kind::Divider;
    case Psd::SectionType::None:
        break;
    }
    return layer.rect.isEmpty() || layer.channels.isEmpty() ? Kind::Empty : Kind::Pixels;
}

// Layers the user sees in the layers panel (group end markers are not).
int countedLayers(const Psd::Document &document)
{
    if (document.layers.layers.isEmpty())
        return 1; // a flattened document: its merged image
    int count = 0;
    for (const Psd::LayerRecord &layer : document.layers.layers)
        count += kindOf(layer) == Kind::Divider ? 0 : 1;
    return count;
}

// The rectangle of pixels that are not fully transparent within `area`.
QRect opaqueBounds(const QImage &image, const QRect &area)
{
    const bool deep = image.format() == QImage::Format_RGBA64;
    int top = -1, bottom = -1, left = std::numeric_limits<int>::max(), right = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int first = -1, last = -1;
        if (deep) {
            const auto *row = reinterpret_cast<const QRgba64 *>(image.constScanLine(y));
            for (int x = area.left(); x <= area.right(); ++x) {
                if (row[x].alpha() != 0) {
                    if (first < 0)
                        first = x;
                    last = x;
                }
            }
        } else {
            const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = area.left(); x <= area.right(); ++x) {
                if (qAlpha(row[x]) != 0) {
                    if (first < 0)
                        first = x;
                    last = x;
                }
            }
        }
        if (first < 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Inserts the profile as an iCCP chunk after the header. The pictures reach
// the encoder without a colour space, so it writes none of its own, and the
// bytes are the profile's as they are (Qt would leave out profiles it cannot
// parse).
QByteArray withProfile(QByteArray png, const QByteArray &icc)
{
    if (icc.isEmpty() || png.size() < 33)
        return png;
    uLongf size = compressBound(uLong(icc.size()));
    QByteArray compressed(qsizetype(size), '\0');
    if (compress2(reinterpret_cast<Bytef *>(compressed.data()), &size, reinterpret_cast<const Bytef *>(icc.constData()),
                  uLong(icc.size()), 9)
        != Z_OK)
        return png;
    compressed.truncate(qsizetype(size));
    QByteArray chunk = QByteArray("iCCP") + QByteArray("ICC profile") + '\0' + '\0' + compressed;
    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(chunk.constData()), uInt(chunk.size())));
    QByteArray out;
    const quint32 length = quint32(chunk.size() - 4);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char(length >> shift));
    out += chunk;
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char(crc >> shift));
    png.insert(33, out); // signature (8) and the IHDR chunk (25)
    return png;
}

// Multiplies the alpha of `pixels` (over `rect`) by the alpha of `base` (over
// `baseRect`): outside the base nothing of a clipped layer shows.
void clipTo(QImage &pixels, const QRect &rect, const QImage &base, const QRect &baseRect)
{
    const bool deep = pixels.format() == QImage::Format_RGBA64;
    for (int y = 0; y < pixels.height(); ++y) {
        const int baseY = rect.top() + y - baseRect.top();
        const bool rowInside = baseY >= 0 && baseY < base.height();
        for (int x = 0; x < pixels.width(); ++x) {
            const int baseX = rect.left() + x - baseRect.left();
            quint32 factor = 0; // 0..65535
            if (rowInside && baseX >= 0 && baseX < base.width()) {
                factor = base.format() == QImage::Format_RGBA64
                        ? reinterpret_cast<const QRgba64 *>(base.constScanLine(baseY))[baseX].alpha()
                        : qAlpha(reinterpret_cast<const QRgb *>(base.constScanLine(baseY))[baseX]) * 257u;
            }
            if (deep) {
                QRgba64 &p = reinterpret_cast<QRgba64 *>(pixels.scanLine(y))[x];
                p.setAlpha(quint16((quint32(p.alpha()) * factor + 32767) / 65535));
            } else {
                QRgb &p = reinterpret_cast<QRgb *>(pixels.scanLine(y))[x];
                const quint32 alpha = (quint32(qAlpha(p)) * factor + 32767) / 65535;
                p = (p & 0x00ffffffu) | (alpha << 24);
            }
        }
    }
}

// Modes the exported pixels show as they are; every other one changes how a
// layer meets what lies below it.
bool plainBlendMode(const QByteArray &mode)
{
    return mode == "norm" || mode == "pass";
}

// A blend mode as the image editor names it in the run's language; the key
// itself for one it does not have.
QString blendModeName(const QByteArray &key)
{
    static const struct
    {
        const char *key;
        const char16_t *name;
    } names[] = {
        {"diss", u"溶解"},
        {"dark", u"变暗"},
        {"mul ", u"正片叠底"},
        {"idiv", u"颜色加深"},
        {"lbrn", u"线性加深"},
        {"dkCl", u"深色"},
        {"lite", u"变亮"},
        {"scrn", u"滤色"},
        {"div ", u"颜色减淡"},
        {"lddg", u"线性减淡（添加）"},
        {"lgCl", u"浅色"},
        {"over", u"叠加"},
        {"sLit", u"柔光"},
        {"hLit", u"强光"},
        {"vLit", u"亮光"},
        {"lLit", u"线性光"},
        {"pLit", u"点光"},
        {"hMix", u"实色混合"},
        {"diff", u"差值"},
        {"smud", u"排除"},
        {"fsub", u"减去"},
        {"fdiv", u"划分"},
        {"hue ", u"色相"},
        {"sat ", u"饱和度"},
        {"colr", u"颜色"},
        {"lum ", u"明度"},
    };
    for (const auto &entry : names) {
        if (key == entry.key)
            return WorkerText::Translate(QString::fromUtf16(entry.name));
    }
    return QString::fromLatin1(key).trimmed();
}

class Exporter
{
public:
    Exporter(const Job &job, std::FILE *out)
        : m_job(job), m_out(out), m_rule(PaddingChoices::sizingFromKey(job.sizingMode).value_or(SizeRule::None))
    {
    }

    Counts run()
    {
        send(LineProtocol::progress(0, 1, WorkerText::Translate(QStringLiteral("正在扫描图层..."))));
        // A first pass counts the layers, so progress spans the whole job.
        for (const QString &file : m_job.files) {
            Psd::PsdFile psd;
            QString error;
            const int layers = psd.open(file, &error) ? countedLayers(psd.document()) : 1;
            m_perFile.append(layers);
            m_total += layers;
        }
        send(LineProtocol::log(
                WorkerText::TranslateCount(QStringLiteral("共 %1 个文件，%2 个图层。"), {{1, m_job.files.size()}, {2, m_total}})
                        .arg(m_job.files.size())
                        .arg(m_total)));
        for (qsizetype index = 0; index < m_job.files.size(); ++index)
            exportDocument(m_job.files.at(index), m_perFile.at(index));
        QJsonObject done{{QStringLiteral("exported"), m_counts.exported},
                         {QStringLiteral("skipped"), m_counts.skipped},
                         {QStringLiteral("failed"), m_counts.failed},
                         {QStringLiteral("failedDocuments"), m_counts.failedDocuments}};
        if (const QString folder = outputFolder(); !folder.isEmpty())
            done.insert(QStringLiteral("outputDir"), folder);
        send(LineProtocol::done(done));
        return m_counts;
    }

private:
    void send(const QByteArray &record) { LineProtocol::write(m_out, record); }

    // The one folder to show the user the pictures in: the output folder; else
    // a single document's folder, or the folder its documents share.
    QString outputFolder() const
    {
        if (!m_job.output.isEmpty())
            return QDir(m_job.output).absolutePath();
        if (m_documentFolders.size() == 1)
            return m_documentFolders.first();
        QString shared;
        for (const QString &folder : m_documentFolders) {
            const QString parent = QFileInfo(folder).absolutePath();
            if (!shared.isEmpty() && parent != shared)
                return m_documentFolders.first();
            shared = parent;
        }
        return shared;
    }

    void step(const QString &file, const QString &layer)
    {
        ++m_done;
        send(LineProtocol::progress(m_done, std::max(m_total, 1),
                                    QFileInfo(file).fileName() + WorkerText::Colon() + layer));
    }

    void exportDocument(const QString &file, int expectedLayers)
    {
        const QString shown = QDir::toNativeSeparators(file);
        const Counts before = m_counts;
        Psd::PsdFile psd;
        QString error;
        if (!psd.open(file, &error) || !Psd::canDecode(psd.document().header, &error)) {
            send(LineProtocol::log(WorkerText::Translate(QStringLiteral("无法读取 %1：%2")).arg(shown, error)));
            m_counts.failedDocuments += 1;
            m_done += expectedLayers - 1;
            step(file, WorkerText::Translate(QStringLiteral("读取失败")));
            send(LineProtocol::item(QStringLiteral("failed"), file, QJsonObject{{QStringLiteral("reason"), error}}));
            return;
        }
        const QFileInfo info(file);
        // One folder per document, so documents never share (and renumber) names.
        const QString parent = m_job.output.isEmpty() ? info.absolutePath() : QDir(m_job.output).absolutePath();
        const QString folder = QDir(parent).filePath(m_names.take(parent, safeFileName(info.completeBaseName()), QString()));
        m_documentFolders.append(folder);
        const int layerCount = countedLayers(psd.document());
        send(LineProtocol::log(WorkerText::TranslateCount(QStringLiteral("开始导出 %1：%2 个图层，输出到 %3"), {{2, layerCount}})
                                       .arg(shown)
                                       .arg(layerCount)
                                       .arg(QDir::toNativeSeparators(folder))));
        prepareDocument(psd);

        const QList<Psd::LayerRecord> &layers = psd.document().layers.layers;
        if (layers.isEmpty()) {
            // A flattened document has no layer records; its merged image is its one layer.
            exportOne(psd, -1, info.completeBaseName(), QStringList(), folder, file);
        }
        // Top to bottom, the order of the layers panel.
        for (qsizetype index = layers.size() - 1; index >= 0; --index) {
            const Psd::LayerRecord &layer = layers.at(index);
            switch (kindOf(layer)) {
            case Kind::Divider:
                continue;
            case Kind::Group:
                skip(file, layer.name, WorkerText::Translate(QStringLiteral("图层组")));
                continue;
            case Kind::Empty:
                skip(file, layer.name, WorkerText::Translate(QStringLiteral("没有像素（调整、填充或空图层）")));
                continue;
            case Kind::Pixels:
                exportOne(psd, int(index), layer.name, layer.groupPath, folder, file);
                continue;
            }
        }
        m_base = {};
        const int failed = m_counts.failed - before.failed;
        send(LineProtocol::log(WorkerText::Translate(QStringLiteral("%1 完成：导出 %2，跳过 %3，失败 %4。"))
                                       .arg(info.fileName())
                                       .arg(m_counts.exported - before.exported)
                                       .arg(m_counts.skipped - before.skipped)
                                       .arg(failed)));
        send(LineProtocol::item(failed == 0, file));
    }

    void prepareDocument(Psd::PsdFile &psd)
    {
        m_colour = ColourConversion::planFor(psd.document().header, Psd::iccProfile(psd));
        if (!m_colour.note.isEmpty())
            send(LineProtocol::log(m_colour.note));
        m_dotsPerMeterX = m_dotsPerMeterY = 0;
        // Resolution info: horizontal and vertical pixels per inch as 16.16 fixed point.
        if (const Psd::ImageResource *resolution = psd.document().resource(1005); resolution && resolution->data.length >= 16) {
            QByteArray bytes;
            QString ignored;
            if (psd.readAt(resolution->data.offset, 16, &bytes, &ignored)) {
                m_dotsPerMeterX = qRound(readBig(bytes, 0, 4) / 65536.0 / 0.0254);
                m_dotsPerMeterY = qRound(readBig(bytes, 8, 4) / 65536.0 / 0.0254);
            }
        }
    }

    void skip(const QString &file, const QString &layer, const QString &why)
    {
        ++m_counts.skipped;
        send(LineProtocol::log(WorkerText::Translate(QStringLiteral("已跳过“%1”：%2")).arg(layer, why)));
        step(file, layer);
    }

    // The layer a clipped layer is clipped to: the nearest one below that is
    // not clipped itself; -1 when there is none.
    static int clippingBase(const QList<Psd::LayerRecord> &layers, int index)
    {
        int base = index - 1;
        while (base >= 0 && layers.at(base).clipping != 0)
            --base;
        return base;
    }

    // What of the layer's look its pixels do not carry, for the run log.
    QStringList leftOut(Psd::PsdFile &psd, int index)
    {
        const QList<Psd::LayerRecord> &layers = psd.document().layers.layers;
        const Psd::LayerRecord &layer = layers.at(index);
        QStringList parts;
        if (layer.block("lfx2") || layer.block("lrFX") || layer.block("lmfx"))
            parts << WorkerText::Translate(QStringLiteral("未渲染图层效果"));
        if (!plainBlendMode(layer.blendMode))
            parts << WorkerText::Translate(QStringLiteral("未应用混合模式“%1”")).arg(blendModeName(layer.blendMode));
        if (const Psd::TaggedBlock *fill = layer.block("iOpa"); fill && fill->data.length >= 1) {
            QByteArray value;
            QString ignored;
            if (psd.readAt(fill->data.offset, 1, &value, &ignored) && quint8(value.at(0)) < 255)
                parts << WorkerText::Translate(QStringLiteral("未应用填充不透明度 %1%")).arg(qRound(quint8(value.at(0)) * 100 / 255.0));
        }
        if (Psd::layerMasks(psd, layer).feathered)
            parts << WorkerText::Translate(QStringLiteral("未应用蒙版羽化"));
        if (m_job.applyClipping && layer.clipping != 0) {
            const int base = clippingBase(layers, index);
            if (base < 0 || kindOf(layers.at(base)) != Kind::Pixels)
                parts << WorkerText::Translate(QStringLiteral("未应用剪贴蒙版（其基底不是像素图层）"));
        }
        if (layer.block("TySh") || layer.block("tySh"))
            parts << WorkerText::Translate(QStringLiteral("文字图层按存储的像素导出"));
        if (layer.block("SoLd") || layer.block("SoLE") || layer.block("PlLd") || layer.block("plLd"))
            parts << WorkerText::Translate(QStringLiteral("智能对象按存储的像素导出"));
        return parts;
    }

    // index -1 is the merged image.
    void exportOne(Psd::PsdFile &psd, int index, const QString &name, const QStringList &groupPath,
                   const QString &root, const QString &file)
    {
        if (index >= 0) {
            const QStringList parts = leftOut(psd, index);
            if (!parts.isEmpty())
                send(LineProtocol::log(WorkerText::Translate(QStringLiteral("“%1”未完整呈现：%2"))
                                               .arg(name, parts.join(WorkerText::ListSeparator()))));
        }
        QString error;
        QString empty;
        bool replaced = false;
        QString destination;
        const bool ok = render(psd, index, name, groupPath, root, &destination, &replaced, &empty, &error);
        if (!empty.isEmpty()) {
            skip(file, name, empty);
            return;
        }
        if (ok) {
            ++m_counts.exported;
            send(LineProtocol::log(
                    WorkerText::Translate(replaced ? QStringLiteral("已导出并替换已有文件：%1") : QStringLiteral("已导出：%1"))
                            .arg(QDir::toNativeSeparators(destination))));
        } else {
            ++m_counts.failed;
            send(LineProtocol::log(WorkerText::Translate(QStringLiteral("图层“%1”导出失败：%2")).arg(name, error)));
        }
        step(file, name);
    }

    // Cuts a clipped layer to the alpha of its base, which is decoded once for
    // all the layers clipped to it.
    bool clip(Psd::PsdFile &psd, int index, QImage &pixels, QString *error)
    {
        const QList<Psd::LayerRecord> &layers = psd.document().layers.layers;
        const int base = clippingBase(layers, index);
        if (base < 0 || kindOf(layers.at(base)) != Kind::Pixels)
            return true; // told in the run log
        if (m_base.index != base) {
            m_base = {};
            Psd::LayerImageOptions alphaOnly;
            alphaOnly.decodeColour = false;
            if (!Psd::readLayerImage(psd, base, alphaOnly, &m_base.alpha, error))
                return false;
            m_base.index = base;
        }
        clipTo(pixels, layers.at(index).rect, m_base.alpha, layers.at(base).rect);
        return true;
    }

    bool render(Psd::PsdFile &psd, int index, const QString &name, const QStringList &groupPath, const QString &root,
                QString *destination, bool *replaced, QString *empty, QString *error)
    {
        const Psd::Header &header = psd.document().header;
        const QRect canvas(0, 0, header.width, header.height);
        QImage pixels;
        QRect rect = canvas;
        if (index < 0) {
            if (!Psd::readMergedImage(psd, &pixels, error, m_colour.transform.get()))
                return false;
        } else {
            const Psd::LayerRecord &layer = psd.document().layers.layers.at(index);
            rect = layer.rect;
            Psd::LayerImageOptions options;
            options.transform = m_colour.transform.get();
            if (!Psd::readLayerImage(psd, index, options, &pixels, error))
                return false;
            if (m_job.applyClipping && layer.clipping != 0 && !clip(psd, index, pixels, error))
                return false;
        }
        // Pixels outside the canvas are not part of the picture.
        const QRect visible = rect.intersected(canvas);
        if (visible.isEmpty()) {
            *empty = WorkerText::Translate(QStringLiteral("位于画布之外"));
            return false;
        }
        QImage picture;
        if (m_job.trimTransparency) {
            const QRect bounds = opaqueBounds(pixels, visible.translated(-rect.topLeft()));
            if (bounds.isEmpty()) {
                *empty = WorkerText::Translate(QStringLiteral("完全透明"));
                return false;
            }
            picture = pixels.copy(bounds);
        } else {
            picture = QImage(canvas.size(), pixels.format());
            if (picture.isNull()) {
                *error = WorkerText::Translate(QStringLiteral("内存不足，无法创建 %1 的画布")).arg(ImageProcessor::sizeText(canvas.width(), canvas.height()));
                return false;
            }
            picture.fill(0);
            const int bytesPerPixel = pixels.depth() / 8;
            for (int y = visible.top(); y <= visible.bottom(); ++y) {
                std::memcpy(picture.scanLine(y) + qsizetype(visible.left()) * bytesPerPixel,
                            pixels.constScanLine(y - rect.top()) + qsizetype(visible.left() - rect.left()) * bytesPerPixel,
                            size_t(visible.width()) * bytesPerPixel);
            }
        }
        pixels = QImage();
        picture.setDotsPerMeterX(m_dotsPerMeterX);
        picture.setDotsPerMeterY(m_dotsPerMeterY);
        if (m_rule.pads()) {
            qint32 offsetX = 0;
            qint32 offsetY = 0;
            picture = ImageProcessor::pad(picture, m_job.fill, m_job.anchor, m_rule, offsetX, offsetY);
            if (picture.isNull()) {
                *error = WorkerText::Translate(QStringLiteral("补齐画布失败（尺寸过大或内存不足）"));
                return false;
            }
        }

        QByteArray png;
        if (m_colour.grey) {
            if (!GreyPng::encode(picture, m_colour.profile, &png, error))
                return false;
        } else {
            if (!ImageCodecs::encode(picture, ImageCodecs::Encoder::Png, &png, error))
                return false;
            png = withProfile(std::move(png), m_colour.profile);
        }
        const QSize size = picture.size();
        picture = QImage();

        QString folder = root;
        for (const QString &group : groupPath)
            folder = QDir(folder).filePath(safeFileName(group));
        if (!QDir().mkpath(folder)) {
            *error = WorkerText::Translate(QStringLiteral("无法创建输出文件夹：%1")).arg(QDir::toNativeSeparators(folder));
            return false;
        }
        *destination = QDir(folder).filePath(m_names.take(folder, safeFileName(name), QStringLiteral(".png")));
        *replaced = SafeFile::entryExists(*destination);
        // Checked on the disk before it takes the name, as the padding engine does with a user's picture.
        return VerifiedWrite::write(*destination + QStringLiteral(".stratlo.tmp.png"), *destination, std::move(png),
                                    ImageCodecs::Encoder::Png, size, QString(), error);
    }

    struct Base
    {
        int index = -1;
        QImage alpha;
    };

    const Job &m_job;
    std::FILE *m_out;
    Sizing m_rule;
    QList<int> m_perFile;
    int m_total = 0;
    int m_done = 0;
    Counts m_counts;
    UniqueNames m_names;
    ColourConversion::Plan m_colour;
    Base m_base;
    QStringList m_documentFolders;
    int m_dotsPerMeterX = 0;
    int m_dotsPerMeterY = 0;
};

} // namespace

bool readJob(const QString &path, Job *job, QString *error)
{
    QByteArray bytes;
    if (!SafeFile::readRegularFile(path, MaxJobBytes, &bytes, error))
        return false;
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (!document.isObject()) {
        *error = WorkerText::Translate(QStringLiteral("任务文件不是 JSON 对象：%1")).arg(parse.errorString());
        return false;
    }
    const QJsonObject object = document.object();
    const QJsonValue files = object.value(QLatin1String("files"));
    if (!files.isArray()) {
        *error = WorkerText::Translate(QStringLiteral("任务文件缺少文件列表（files）"));
        return false;
    }
    job->files.clear();
    for (const QJsonValue &file : files.toArray()) {
        if (!file.isString() || file.toString().isEmpty()) {
            *error = WorkerText::Translate(QStringLiteral("任务文件的文件列表含有无效项"));
            return false;
        }
        job->files.append(file.toString());
    }
    job->output = object.value(QLatin1String("output")).toString();
    job->sizingMode = object.value(QLatin1String("sizingMode")).toString(PaddingChoices::key(SizeRule::None));
    if (!PaddingChoices::sizingFromKey(job->sizingMode)) {
        *error = WorkerText::Translate(QStringLiteral("未知的尺寸规则：%1")).arg(job->sizingMode);
        return false;
    }
    const QString fill = object.value(QLatin1String("fill")).toString(PaddingChoices::key(Fill::Transparent));
    const std::optional<FillSpec> fillSpec = PaddingChoices::fillFromKey(fill);
    if (!fillSpec) {
        *error = WorkerText::Translate(QStringLiteral("未知的补边方式：%1")).arg(fill);
        return false;
    }
    job->fill = *fillSpec;
    const QString anchor = object.value(QLatin1String("anchor")).toString(PaddingChoices::key(Anchor::Center));
    const std::optional<Anchor> anchorValue = PaddingChoices::anchorFromKey(anchor);
    if (!anchorValue) {
        *error = WorkerText::Translate(QStringLiteral("未知的内容位置：%1")).arg(anchor);
        return false;
    }
    job->anchor = *anchorValue;
    job->trimTransparency = object.value(QLatin1String("trimTransparency")).toBool(true);
    job->applyClipping = object.value(QLatin1String("applyClipping")).toBool(true);
    return true;
}

QString safeFileName(const QString &name)
{
    QString safe;
    // One spelling for what looks the same: a decomposed "é" and a composed one
    // must meet in UniqueNames.
    for (const QChar c : name.normalized(QString::NormalizationForm_C)) {
        const bool refused = c.unicode() < 0x20 || c.unicode() == 0x7f || QStringView(u"/\\:*?\"<>|").contains(c);
        safe.append(refused ? QChar(u'_') : c);
    }
    safe = safe.trimmed();
    while (safe.endsWith(u'.'))
        safe.chop(1);
    if (safe.size() > MaxNameLength) {
        safe.truncate(MaxNameLength);
        if (safe.back().isHighSurrogate())
            safe.chop(1);
        safe = safe.trimmed();
    }
    if (safe.isEmpty())
        return WorkerText::Translate(QStringLiteral("图层"));
    static const QStringList reserved = {
            QStringLiteral("CON"),  QStringLiteral("PRN"),  QStringLiteral("AUX"),  QStringLiteral("NUL"),
            QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4"),
            QStringLiteral("COM5"), QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8"),
            QStringLiteral("COM9"), QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3"),
            QStringLiteral("LPT4"), QStringLiteral("LPT5"), QStringLiteral("LPT6"), QStringLiteral("LPT7"),
            QStringLiteral("LPT8"), QStringLiteral("LPT9")};
    // A leading dot would hide the file on Unix.
    if (safe.startsWith(u'.') || reserved.contains(safe.section(u'.', 0, 0), Qt::CaseInsensitive))
        safe.prepend(u'_');
    return safe;
}

QString UniqueNames::take(const QString &folder, const QString &baseName, const QString &suffix)
{
    QSet<QString> &taken = m_taken[QDir::cleanPath(folder).toCaseFolded()];
    QString candidate = baseName + suffix;
    for (int number = 2; taken.contains(candidate.toCaseFolded()); ++number)
        candidate = QStringLiteral("%1 (%2)%3").arg(baseName).arg(number).arg(suffix);
    taken.insert(candidate.toCaseFolded());
    return candidate;
}

Counts run(const Job &job, std::FILE *out)
{
    return Exporter(job, out).run();
}

} // namespace LayerExport
