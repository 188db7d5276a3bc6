#include "ImageProcessor.h"

#include "CanvasFill.h"
#include "HelperText.h"
#include "JpegEncoder.h"
#include "ReadBackCheck.h"
#include "MemoryBudget.h"
#include "RowPad.h"
#include "RunJournal.h"
#include "SafeFile.h"
#include "VerifiedWrite.h"

#include <QColorSpace>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <optional>
#include <vector>

namespace {

constexpr int RowsPerStrip = 64;
constexpr double DefaultDpi = 96.0;

int dotsPerMeterOr96(int dotsPerMeter)
{
    return dotsPerMeter > 0 ? dotsPerMeter : qRound(DefaultDpi / 0.0254);
}

QString outputExtension(const QString &sourceSuffix, const FillSpec &fill, bool png)
{
    const QString ext = sourceSuffix.isEmpty() ? QString() : QLatin1Char('.') + sourceSuffix.toLower();
    if (png)
        return QStringLiteral(".png");
    // JPEG has no alpha: a fill that is not opaque needs a format that keeps it.
    if (!fill.copiesPicture() && qAlpha(fill.argb()) != 255 && (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg")))
        return QStringLiteral(".png");
    return ext;
}

QString describeException(const std::exception &e)
{
    if (dynamic_cast<const std::bad_alloc *>(&e))
        return HelperText::translate(QStringLiteral("内存不足，无法处理此图片"));
    return HelperText::translate(QStringLiteral("处理时发生意外错误：%1")).arg(QString::fromLocal8Bit(e.what()));
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

const QString TemporaryMarker = QStringLiteral(".tesselle.tmp");

// The canvas the rule gives a picture of `size`; invalid when a side does not fit in 32 bits.
QSize canvasFor(const QSize &size, const Sizing &rule)
{
    const QSize canvas = PaddingChoices::targetSize(size, rule);
    return canvas.width() <= 0 || canvas.height() <= 0 ? QSize() : canvas;
}

// The memory padding a picture takes at its peak, from its header alone; 0 when
// its canvas would not fit in 32 bits.
qint64 peakFromHeader(const ImageCodecs::Probe &probe, qint64 fileBytes, const Sizing &rule,
                      ImageCodecs::Encoder encoder)
{
    const QSize canvas = canvasFor(probe.size, rule);
    return canvas.isValid() ? ImageCodecs::peakBytes(probe, fileBytes, canvas, probe.deep, encoder) : 0;
}

// The source a path stands for: in place, a symbolic link stands for the
// picture it points to (when that exists).
QFileInfo resolvedSource(const QString &sourcePath, bool replaceOriginal)
{
    QFileInfo info(sourcePath);
    if (replaceOriginal && info.isSymLink() && !info.canonicalFilePath().isEmpty())
        info = QFileInfo(info.canonicalFilePath());
    return info;
}

// The placement of a picture that is padded row by row (RowPad); nothing for
// every other picture. Reads only the header.
std::optional<Placement> rowPlacement(const QString &source, const PadSettings &settings,
                                      ImageCodecs::Encoder encoder, ImageCodecs::Probe *probe)
{
    // Not a FIFO or device: opening one could block.
    if (!QFileInfo(source).isFile())
        return std::nullopt;
    QFile file(source);
    QString ignored;
    if (!file.open(QIODevice::ReadOnly) || !ImageCodecs::probe(&file, true, probe, &ignored) || !file.seek(0))
        return std::nullopt;
    const Placement place = ImageProcessor::placement(probe->size, settings.rule, settings.anchor);
    if (!RowPad::suits(&file, *probe, place, settings.fill, encoder))
        return std::nullopt;
    return place;
}

// Whether the output may be written where it is planned; fills in the message when not.
bool destinationAllowed(ProcessResult &result, const QString &sourcePath, const QString &source,
                        const PadSettings &settings, const OutputPlan &output, const RunContext *run)
{
    const bool replaceOriginal = settings.replaceOriginal;
    const QFileInfo sourceInfo(source);
    const QString folder = replaceOriginal ? sourceInfo.absolutePath() : settings.outDir;
    if (!replaceOriginal && !QFileInfo(settings.outDir).isDir()) {
        result.message = HelperText::translate(QStringLiteral("输出目录不存在：%1")).arg(shown(settings.outDir));
        return false;
    }
    const QString &destination = output.destination;
    const int nameLimit = SafeFile::maxNameBytes(folder);
    const QString writtenName = QFileInfo(destination).fileName();
    const int writtenNameBytes = SafeFile::nameBytes(writtenName);
    if (writtenNameBytes > nameLimit) {
        result.message = HelperText::translate(QStringLiteral("文件名过长：%1 有 %2 字节，超出文件系统允许的 %3 字节"))
                                 .arg(writtenName)
                                 .arg(writtenNameBytes)
                                 .arg(nameLimit);
        return false;
    }
    if (replaceOriginal) {
        // Outputs of one run that meet were settled by the run before it started.
        const QString key = RunContext::key(destination);
        if (SafeFile::entryExists(destination) && !SafeFile::isSameFile(destination, source)
            && !(run && run->listed.contains(key))) {
            result.message = HelperText::translate(
                                     QStringLiteral("%1 旁边已有同名的 %2（可能是之前处理的结果），为免覆盖它，本图片未处理。"
                                                    "要继续，请选择输出目录，或先移走或删除 %2"))
                                     .arg(shown(sourcePath), shown(destination));
            return false;
        }
    }
    if (SafeFile::entryExists(destination) && QFileInfo(destination).isFile() && !SafeFile::isWritable(destination)) {
        result.message = HelperText::translate(QStringLiteral("目标文件为只读，没有写入权限，未作改动：%1")).arg(shown(destination));
        return false;
    }
    return true;
}

// The family of pictures `encoder` writes, as ImageCodecs::familyOf names it.
QByteArray familyWritten(ImageCodecs::Encoder encoder)
{
    switch (encoder) {
    case ImageCodecs::Encoder::Png:
        return "png";
    case ImageCodecs::Encoder::Jpeg:
        return "jpeg";
    case ImageCodecs::Encoder::Bmp:
        return "bmp";
    case ImageCodecs::Encoder::Gif:
        return "gif";
    case ImageCodecs::Encoder::Tiff:
        return "tiff";
    }
    return QByteArray();
}

// A picture that fits the rule already and would be written in its own format
// keeps its bytes: writing it again would gain no pixel and cost a JPEG its
// quality, any picture its metadata and its time stamp. True for such a
// picture, whose header `probe` describes (as displayed).
bool fitsAsItIs(const QString &source, const ImageCodecs::Probe &probe, const PadSettings &settings,
                const OutputPlan &output, ImageCodecs::Encoder encoder)
{
    if (output.extension != QLatin1Char('.') + QFileInfo(source).suffix().toLower() || probe.family != familyWritten(encoder))
        return false;
    if (settings.replaceOriginal && !SafeFile::isSameFile(output.destination, source))
        return false;
    const Placement place = ImageProcessor::placement(probe.size, settings.rule, settings.anchor);
    return place.isValid() && !place.pads(probe.size);
}

// Deals with a picture that fitsAsItIs, decoded whole already (so a damaged
// one has failed as damaged): in place it is left alone; into an output folder
// its `bytes` are copied through the same verified write a padded picture
// takes.
void keepAsItIs(ProcessResult &result, QByteArray bytes, const QString &sourcePath, const QString &source,
                const PadSettings &settings, const OutputPlan &output, const RunContext *run,
                ImageCodecs::Encoder encoder, const QString &decoderWarning)
{
    const QString unchanged = HelperText::translate(QStringLiteral("已符合规则，未改动"));
    const QString warning = decoderWarning.isEmpty()
                                    ? QString()
                                    : HelperText::translate(QStringLiteral("；解码器警告：%1")).arg(decoderWarning);
    if (settings.replaceOriginal) {
        result.newSize = result.oldSize;
        result.success = true;
        result.unchanged = true;
        result.destination = source;
        result.message = unchanged + warning;
        return;
    }
    if (!destinationAllowed(result, sourcePath, source, settings, output, run))
        return;
    // The copy is checked as a written picture is: the same bytes, and the
    // size its header declares (as stored, before any orientation).
    QString error;
    QSize stored;
    if (!ReadBackCheck::writtenSize(bytes, encoder, &stored, &error)) {
        result.message = error;
        return;
    }
    const QString &destination = output.destination;
    bool verified = false;
    const bool written = VerifiedWrite::write(ImageProcessor::temporaryPathFor(destination, output.extension),
                                              destination, std::move(bytes), encoder, stored, destination, &error,
                                              &verified, output.existed);
    if (verified)
        result.newSize = result.oldSize;
    if (!written) {
        result.message = error;
        return;
    }
    result.success = true;
    result.unchanged = true;
    result.destination = destination;
    result.message = unchanged + HelperText::separator()
                     + HelperText::translate(QStringLiteral("原样复制到 %1")).arg(shown(destination)) + warning;
}

// keepAsItIs for a picture padded row by row, which is never read whole: its
// rows are read one at a time to find damage, and its file is copied as a stream.
void keepRowByRow(ProcessResult &result, const QString &sourcePath, const QString &source,
                  const PadSettings &settings, const OutputPlan &output, const RunContext *run)
{
    const bool copy = !settings.replaceOriginal;
    if (copy && !destinationAllowed(result, sourcePath, source, settings, output, run))
        return;
    const QString &destination = output.destination;
    QString error;
    bool verified = false;
    const bool kept = RowPad::keep(source, copy ? ImageProcessor::temporaryPathFor(destination, output.extension) : QString(),
                                   copy ? destination : QString(), &error, &verified);
    if (verified || (kept && !copy))
        result.newSize = result.oldSize;
    if (!kept) {
        result.message = error;
        return;
    }
    result.success = true;
    result.unchanged = true;
    result.destination = copy ? destination : source;
    result.message = HelperText::translate(QStringLiteral("已符合规则，未改动"));
    if (copy)
        result.message += HelperText::separator()
                          + HelperText::translate(QStringLiteral("原样复制到 %1")).arg(shown(destination));
}

// Keeping the original in place: just before the checked file is renamed over
// it, the original gets a second name in the trash and the run's journal
// learns of it, so Undo can put it back; a new file beside it (photo.png for
// photo.jpg) is journalled so Undo can remove it.
class Keeper
{
public:
    Keeper(const PadSettings &settings, const QString &destination, const RunContext *run)
        : m_active(settings.replaceOriginal && settings.keepOriginals),
          m_destination(destination),
          m_journal(run ? run->journal : nullptr)
    {
    }

    VerifiedWrite::Placing placing()
    {
        if (!m_active)
            return {};
        return {[this](const QString &temporary, QString *error) { return before(temporary, error); },
                [this] { failed(); }};
    }

private:
    bool before(const QString &temporary, QString *error)
    {
        // The rename keeps the file's identity and times: the result's stamp is the temporary's.
        Trash::Stamp stamp;
        Trash::stampOf(temporary, &stamp);
        QString why;
        if (!SafeFile::entryExists(m_destination)) {
            m_written = m_journal && m_journal->recordWritten(m_destination, stamp, &why);
            return true;
        }
        Trash::Entry entry;
        if (!Trash::keep(m_destination, &entry, &why)) {
            *error = HelperText::translate(QStringLiteral("无法保留原图：%1")).arg(why);
            return false;
        }
        if (m_journal && !m_journal->recordKept(entry, stamp, &why)) {
            QString ignored;
            Trash::discard(entry, &ignored);
            *error = HelperText::translate(QStringLiteral("无法保留原图：%1")).arg(why);
            return false;
        }
        m_kept = entry;
        return true;
    }

    void failed()
    {
        const bool announced = m_written || m_kept;
        if (m_kept) {
            QString ignored;
            Trash::discard(*m_kept, &ignored);
            m_kept.reset();
        }
        if (m_journal && announced)
            m_journal->recordDropped(m_destination);
    }

    bool m_active;
    QString m_destination;
    RunJournal *m_journal;
    std::optional<Trash::Entry> m_kept;
    bool m_written = false;
};

// The body of process; may return early on any failure with `result` filled in.
void processInto(ProcessResult &result, const QString &sourcePath, const PadSettings &settings,
                 const OutputPlan &output, const RunContext *run)
{
    const bool replaceOriginal = settings.replaceOriginal;
    QString error;
    QFileInfo sourceInfo(sourcePath);
    if (replaceOriginal && sourceInfo.isSymLink()) {
        // The link stays a link: the picture it points to is padded where it lives.
        const QString target = sourceInfo.canonicalFilePath();
        if (target.isEmpty()) {
            result.message = HelperText::translate(QStringLiteral("链接指向的文件不存在：%1")).arg(shown(sourcePath));
            return;
        }
        sourceInfo = QFileInfo(target);
    }
    const QString source = sourceInfo.absoluteFilePath();
    const ImageCodecs::Encoder encoder = ImageProcessor::formatFor(output.extension);

    const QString &destination = output.destination;
    Keeper keeper(settings, destination, run);
    const auto succeeded = [&](const QString &decoderWarning) {
        result.success = true;
        result.destination = destination;
        result.message = HelperText::translate(QStringLiteral("规则=%1；已保存并回读校验；%2"))
                                 .arg(PaddingChoices::displayText(settings.rule, HelperText::translate), shown(destination));
        if (!decoderWarning.isEmpty())
            result.message += HelperText::translate(QStringLiteral("；解码器警告：%1")).arg(decoderWarning);
    };

    // Released when this picture is done, whichever way it ends.
    std::optional<MemoryBudget::Hold> reservation;

    // Large PNG and JPEG pictures go row by row: neither the file nor the
    // picture is ever in memory whole.
    ImageCodecs::Probe rowProbe;
    if (const std::optional<Placement> place = rowPlacement(source, settings, encoder, &rowProbe)) {
        result.oldSize = ImageProcessor::sizeText(rowProbe.size.width(), rowProbe.size.height());
        if (run && run->budget)
            reservation.emplace(run->budget,
                                RowPad::peakBytes(place->canvas, RowPad::heldRows(*place, rowProbe.size, settings.fill)));
        if (fitsAsItIs(source, rowProbe, settings, output, encoder)) {
            keepRowByRow(result, sourcePath, source, settings, output, run);
            return;
        }
        if (!destinationAllowed(result, sourcePath, source, settings, output, run))
            return;
        bool verified = false;
        const bool written = RowPad::pad(source, *place, settings.fill,
                                         ImageProcessor::temporaryPathFor(destination, output.extension),
                                         destination, &error, &verified, keeper.placing());
        if (verified)
            result.newSize = ImageProcessor::sizeText(place->canvas.width(), place->canvas.height());
        if (!written) {
            result.message = error;
            return;
        }
        succeeded(QString());
        return;
    }

    // Decode from memory: the source file is closed before anything is written.
    QImage decoded;
    QString decoderWarning;
    // A JPEG written as JPEG again follows its source's encoding.
    std::optional<JpegEncoder::Style> jpegStyle;
    {
        QByteArray bytes;
        if (!SafeFile::readRegularFile(source, ImageCodecs::sourceFileLimit(), &bytes, &error)) {
            result.message = error;
            return;
        }
        ImageCodecs::Probe probe;
        if (!ImageCodecs::probe(bytes, true, &probe, &error)) {
            result.message = error;
            return;
        }
        // Everything the picture will take is counted before a pixel is decoded.
        const QSize canvas = canvasFor(probe.size, settings.rule);
        if (!canvas.isValid()) {
            result.message = HelperText::translate(QStringLiteral("补齐后的画布过大（%1 的边长超出 32 位整数）"))
                                     .arg(ImageProcessor::sizeText(probe.size.width(), probe.size.height()));
            return;
        }
        const qint64 limit = ImageCodecs::pixelMemoryLimit();
        const qint64 peak = peakFromHeader(probe, bytes.size(), settings.rule, encoder);
        // Beyond the per-picture limit a picture may still run alone, with no
        // other picture of the run beside it.
        if (peak > ImageCodecs::aloneMemoryLimit()) {
            result.message = HelperText::translate(QStringLiteral("图片过大：%1 补齐为 %2 约需 %3 MB 内存，超出每张图片的上限 %4 MB"))
                                     .arg(ImageProcessor::sizeText(probe.size.width(), probe.size.height()),
                                          ImageProcessor::sizeText(canvas.width(), canvas.height()),
                                          QString::number(peak / (1024 * 1024)),
                                          QString::number(limit / (1024 * 1024)));
            return;
        }
        if (run && run->budget)
            reservation.emplace(run->budget, peak > limit ? run->budget->capacity() : peak);
        if (!ImageCodecs::decode(bytes, probe, true, &decoded, &error, &decoderWarning)) {
            result.message = error;
            return;
        }
        if (fitsAsItIs(source, probe, settings, output, encoder)) {
            result.oldSize = ImageProcessor::sizeText(probe.size.width(), probe.size.height());
            decoded = QImage();
            keepAsItIs(result, std::move(bytes), sourcePath, source, settings, output, run, encoder, decoderWarning);
            return;
        }
        JpegEncoder::Style style;
        QString unread;
        if (encoder == ImageCodecs::Encoder::Jpeg && probe.family == "jpeg"
            && JpegEncoder::readStyle(bytes, &style, &unread)) {
            const QRgb fill = settings.fill.argb();
            if (style.grey && (qRed(fill) != qGreen(fill) || qGreen(fill) != qBlue(fill))) {
                // A grey picture on a coloured border needs colour; full
                // chroma keeps the border's edge as sharp as the grey was.
                style.grey = false;
                style.sampling = {{{1, 1}, {1, 1}, {1, 1}}};
            }
            jpegStyle = std::move(style);
        }
    }
    QImage sourceImage = std::move(decoded);
    const qint32 sourceWidth = sourceImage.width();
    const qint32 sourceHeight = sourceImage.height();
    result.oldSize = ImageProcessor::sizeText(sourceWidth, sourceHeight);

    const QSize target = canvasFor(sourceImage.size(), settings.rule);
    const qint32 targetWidth = target.isValid() ? target.width() : -1;
    const qint32 targetHeight = target.isValid() ? target.height() : -1;
    const qint64 canvasBytes = qint64(targetWidth) * targetHeight * (ImageCodecs::isDeep(sourceImage) ? 8 : 4);
    if (targetWidth <= 0 || targetHeight <= 0 || canvasBytes > ImageCodecs::aloneMemoryLimit()) {
        result.message = HelperText::translate(QStringLiteral("补齐后的画布过大（%1），超出可处理的上限 %2 MB"))
                                 .arg(ImageProcessor::sizeText(targetWidth, targetHeight))
                                 .arg(ImageCodecs::aloneMemoryLimit() / (1024 * 1024));
        return;
    }

    if (!destinationAllowed(result, sourcePath, source, settings, output, run))
        return;
    const QString &ext = output.extension;

    qint32 offsetX = 0;
    qint32 offsetY = 0;
    QImage canvas = ImageProcessor::pad(sourceImage, settings.fill, settings.anchor, settings.rule, offsetX, offsetY);
    sourceImage = QImage();
    if (canvas.isNull()) {
        result.message = HelperText::translate(QStringLiteral("内存不足，无法创建 %1 的画布"))
                                 .arg(ImageProcessor::sizeText(targetWidth, targetHeight));
        return;
    }

    // A chosen colour is never approximated: a GIF whose palette has no room
    // for it fails rather than being reduced to fewer colours.
    if (encoder == ImageCodecs::Encoder::Gif && settings.fill.kind == FillSpec::Kind::Colour
        && !CanvasFill::fitsGifPalette(canvas)) {
        result.message = HelperText::translate(
                                 QStringLiteral("GIF 的调色板已满（256 色），放不下补边颜色 %1；请改用 PNG 输出或其他补边方式"))
                                 .arg(PaddingChoices::key(settings.fill));
        return;
    }

    const QString newSize = ImageProcessor::sizeText(canvas.width(), canvas.height());
    QByteArray encoded;
    if (!ImageCodecs::encode(std::move(canvas), encoder, &encoded, &error, jpegStyle ? &*jpegStyle : nullptr)) {
        result.message = error;
        return;
    }
    canvas = QImage();

    const QString temporary = ImageProcessor::temporaryPathFor(destination, ext);
    bool verified = false;
    const bool written = VerifiedWrite::write(temporary, destination, std::move(encoded), encoder,
                                              QSize(targetWidth, targetHeight), destination, &error, &verified,
                                              output.existed, keeper.placing());
    if (verified)
        result.newSize = newSize;
    if (!written) {
        result.message = error;
        return;
    }

    succeeded(decoderWarning);
}

} // namespace

QImage ImageProcessor::pad(const QImage &source, QRgb fill, bool centered, SizeRule rule, qint32 &offsetX,
                           qint32 &offsetY)
{
    return pad(source, FillSpec::ofColour(QColor::fromRgba(fill)), PaddingChoices::anchorFor(centered), rule, offsetX,
               offsetY);
}

QImage ImageProcessor::pad(const QImage &source, const FillSpec &fillSpec, Anchor anchor, const Sizing &sizing,
                           qint32 &offsetX, qint32 &offsetY)
{
    offsetX = 0;
    offsetY = 0;
    if (source.isNull())
        return QImage();
    const qint32 sourceWidth = source.width();
    const qint32 sourceHeight = source.height();
    const Placement place = placement(source.size(), sizing, anchor);
    if (!place.isValid())
        return QImage();
    const qint32 width = place.canvas.width();
    const qint32 height = place.canvas.height();
    offsetX = place.offsetX;
    offsetY = place.offsetY;
    const bool copies = fillSpec.copiesPicture();
    // Edge and mirror take the picture's pixels as they are: nothing lies under them to composite over.
    const QRgb fill = copies ? qRgba(0, 0, 0, 0) : fillSpec.argb();
    const QRgba64 deepFill = copies ? QRgba64::fromRgba64(0, 0, 0, 0) : fillSpec.rgba64();

    const bool deep = ImageCodecs::isDeep(source);
    const QImage::Format canvasFormat = deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32;
    QImage canvas(width, height, canvasFormat);
    if (canvas.isNull())
        return QImage();
    canvas.setDotsPerMeterX(dotsPerMeterOr96(source.dotsPerMeterX()));
    canvas.setDotsPerMeterY(dotsPerMeterOr96(source.dotsPerMeterY()));
    canvas.setColorSpace(source.colorSpace());

    if (!copies) {
        for (int y = 0; y < height; ++y) {
            if (deep) {
                QRgba64 *row = reinterpret_cast<QRgba64 *>(canvas.scanLine(y));
                std::fill(row, row + width, deepFill);
            } else {
                QRgb *row = reinterpret_cast<QRgb *>(canvas.scanLine(y));
                std::fill(row, row + width, fill);
            }
        }
    }

    // Rows are copied in the canvas's own non-premultiplied format; other source
    // formats are converted a strip at a time, so no second full-size copy exists.
    const bool direct = deep ? (source.format() == QImage::Format_RGBA64 || source.format() == QImage::Format_RGBX64)
                             : (source.format() == QImage::Format_ARGB32 || source.format() == QImage::Format_RGB32);
    for (int top = 0; top < sourceHeight; top += RowsPerStrip) {
        const int rows = qMin(RowsPerStrip, sourceHeight - top);
        QImage strip;
        if (!direct) {
            strip = source.copy(0, top, sourceWidth, rows).convertToFormat(canvasFormat);
            if (strip.isNull())
                return QImage();
        }
        const QImage &from = direct ? source : strip;
        const int fromTop = direct ? top : 0;
        for (int r = 0; r < rows; ++r) {
            uchar *target = canvas.scanLine(offsetY + top + r);
            if (deep) {
                CanvasFill::composeRow16(reinterpret_cast<const QRgba64 *>(from.constScanLine(fromTop + r)),
                             reinterpret_cast<QRgba64 *>(target) + offsetX, sourceWidth, deepFill);
            } else {
                CanvasFill::composeRow8(reinterpret_cast<const QRgb *>(from.constScanLine(fromTop + r)),
                            reinterpret_cast<QRgb *>(target) + offsetX, sourceWidth, fill);
            }
        }
    }
    if (copies) {
        const QRect picture(offsetX, offsetY, sourceWidth, sourceHeight);
        const bool mirror = fillSpec.kind == FillSpec::Kind::Mirror;
        CanvasFill::extendBorders(canvas, picture, mirror);
    }
    return canvas;
}


Placement ImageProcessor::placement(const QSize &source, const Sizing &sizing, Anchor anchor)
{
    Placement place;
    place.canvas = canvasFor(source, sizing);
    if (!place.isValid())
        return place;
    const QPoint offset = PaddingChoices::anchorOffset(source, place.canvas, anchor);
    place.offsetX = offset.x();
    place.offsetY = offset.y();
    return place;
}

void ImageProcessor::composeRow(const QRgb *source, QRgb *canvasRow, int count, QRgb fill)
{
    CanvasFill::composeRow8(source, canvasRow, count, fill);
}

ProcessResult ImageProcessor::process(const QString &sourcePath, const QString &outDir, bool replaceOriginal,
                                      const Sizing &rule, const FillSpec &fill, bool centered, bool png,
                                      const RunContext *run)
{
    PadSettings settings;
    settings.outDir = outDir;
    settings.replaceOriginal = replaceOriginal;
    settings.rule = rule;
    settings.fill = fill;
    settings.anchor = PaddingChoices::anchorFor(centered);
    settings.png = png;
    return process(sourcePath, settings, outputFor(sourcePath, settings), run);
}

ProcessResult ImageProcessor::process(const QString &sourcePath, const PadSettings &settings,
                                      const OutputPlan &output, const RunContext *run)
{
    ProcessResult result;
    result.source = sourcePath;
    try {
        processInto(result, sourcePath, settings, output, run);
    } catch (const std::exception &e) {
        result.success = false;
        result.message = describeException(e);
    } catch (...) {
        result.success = false;
        result.message = HelperText::translate(QStringLiteral("处理时发生未知错误"));
    }
    if (!result.success && result.message.isEmpty())
        result.message = HelperText::translate(QStringLiteral("处理失败（原因不明）"));
    return result;
}

namespace {

// The header of `sourcePath` and both estimates from it; false when it cannot be read.
bool estimatesFor(const QString &sourcePath, const Sizing &rule, const FillSpec &fill, bool png, qint64 *peak,
                  qint64 *work)
{
    QFileInfo info(sourcePath);
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
        info = QFileInfo(info.canonicalFilePath());
    if (!info.isFile())
        return false;
    // Only the header is read, not the whole file the picture's decode reads later.
    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ImageCodecs::Probe probe;
    QString ignored;
    if (!ImageCodecs::probe(&file, true, &probe, &ignored))
        return false;
    const ImageCodecs::Encoder encoder = ImageProcessor::formatFor(outputExtension(info.suffix(), fill, png));
    *work = peakFromHeader(probe, file.size(), rule, encoder);
    // The placement only matters for whether the picture goes row by row.
    const Placement place = ImageProcessor::placement(probe.size, rule, Anchor::Center);
    if (file.seek(0) && RowPad::suits(&file, probe, place, fill, encoder))
        *peak = RowPad::peakBytes(place.canvas, RowPad::heldRows(place, probe.size, fill));
    else
        *peak = *work;
    return true;
}

} // namespace

qint64 ImageProcessor::workFor(const QString &sourcePath, const Sizing &rule, const FillSpec &fill, bool png)
{
    qint64 peak = 0, work = 0;
    return estimatesFor(sourcePath, rule, fill, png, &peak, &work) ? work : 0;
}

qint64 ImageProcessor::peakBytesFor(const QString &sourcePath, const Sizing &rule, const FillSpec &fill, bool png)
{
    qint64 peak = 0, work = 0;
    return estimatesFor(sourcePath, rule, fill, png, &peak, &work) ? peak : 0;
}

OutputPlan ImageProcessor::outputFor(const QString &sourcePath, const PadSettings &settings)
{
    const QFileInfo sourceInfo = resolvedSource(sourcePath, settings.replaceOriginal);
    OutputPlan output;
    output.extension = outputExtension(sourceInfo.suffix(), settings.fill, settings.png);
    if (settings.replaceOriginal
        && output.extension.compare(QLatin1Char('.') + sourceInfo.suffix(), Qt::CaseInsensitive) == 0) {
        // Same format in place: the source itself is replaced and keeps its name,
        // as on a case-insensitive file system (photo.JPG stays photo.JPG).
        output.destination = sourceInfo.absoluteFilePath();
    } else {
        const QString folder = settings.replaceOriginal ? sourceInfo.absolutePath() : settings.outDir;
        output.destination = QDir(folder).filePath(sourceInfo.completeBaseName() + output.extension);
    }
    return output;
}

QString ImageProcessor::temporaryPathFor(const QString &destination, const QString &ext)
{
    const QFileInfo info(destination);
    const QString name = info.fileName() + TemporaryMarker + ext;
    if (SafeFile::nameBytes(name) <= SafeFile::maxNameBytes(info.absolutePath()))
        return info.absolutePath() + QLatin1Char('/') + name;
    // Derived from the destination's name, so a leftover of the same picture is
    // found and replaced by its next run.
    const QByteArray digest = QCryptographicHash::hash(info.fileName().toUtf8(), QCryptographicHash::Sha1).toHex();
    return info.absolutePath() + QLatin1Char('/') + QString::fromLatin1(digest.left(16)) + TemporaryMarker + ext;
}

bool ImageProcessor::isTemporaryName(const QString &fileName)
{
    return fileName.contains(TemporaryMarker);
}

QString RunContext::key(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    return SafeFile::pathCaseSensitivity() == Qt::CaseSensitive ? absolute : absolute.toLower();
}

ImageCodecs::Encoder ImageProcessor::formatFor(const QString &ext)
{
    using ImageCodecs::Encoder;
    if (ext == QLatin1String(".jpg") || ext == QLatin1String(".jpeg"))
        return Encoder::Jpeg;
    if (ext == QLatin1String(".bmp"))
        return Encoder::Bmp;
    if (ext == QLatin1String(".gif"))
        return Encoder::Gif;
    if (ext == QLatin1String(".tif") || ext == QLatin1String(".tiff"))
        return Encoder::Tiff;
    return Encoder::Png;
}

QRgb ImageProcessor::fillColour(Fill fill)
{
    switch (fill) {
    case Fill::White:
        return qRgba(255, 255, 255, 255);
    case Fill::Black:
        return qRgba(0, 0, 0, 255);
    case Fill::Transparent:
        break;
    }
    return qRgba(255, 255, 255, 0);
}

int ImageProcessor::borderSource(qint64 i, qint64 length, bool mirror)
{
    if (!mirror)
        return int(qBound<qint64>(0, i, length - 1));
    const qint64 period = 2 * length;
    qint64 m = i % period;
    if (m < 0)
        m += period;
    return int(m < length ? m : period - 1 - m);
}

QString ImageProcessor::sizeText(qint32 width, qint32 height)
{
    return QString::number(width) + QChar(0x00D7) + QString::number(height);
}
