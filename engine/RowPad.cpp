#include "RowPad.h"

#include "HelperText.h"
#include "JpegRows.h"
#include "PngEncoder.h"
#include "PngRows.h"
#include "VerifiedWrite.h"

#include <QFile>
#include <QImage>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace RowPad {

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr int ReadBackBufferBytes = 1 << 16;

// zlib's level for the streamed IDAT (see docs/benchmark.md, "large pictures").
constexpr int ZlibLevel = 2;

std::atomic<qint64> minimum{qint64(64) * 1024 * 1024};

// Decodes the source rows, whichever family it is.
class SourceRows
{
public:
    explicit SourceRows(QIODevice *device) : m_device(device) {}

    bool start(const QByteArray &family, QString *error, bool *supported)
    {
        *supported = false;
        if (family == "png") {
            m_png = std::make_unique<PngRows::Reader>(m_device);
            if (!m_png->start(error))
                return false;
            *supported = m_png->isPlainColour();
            return true;
        }
        if (family == "jpeg") {
            m_jpeg = std::make_unique<JpegRowReader>(m_device);
            return m_jpeg->start(error, supported);
        }
        return true;
    }
    QSize size() const { return m_png ? m_png->size() : m_jpeg->size(); }
    bool hasAlpha() const { return m_png && m_png->hasAlpha(); }
    QColorSpace colorSpace() const
    {
        if (m_png)
            return m_png->colorSpace();
        const QByteArray icc = m_jpeg->iccProfile();
        return icc.isEmpty() ? QColorSpace() : QColorSpace::fromIccProfile(icc);
    }
    int dotsPerMeterX() const { return m_png ? m_png->dotsPerMeterX() : m_jpeg->dotsPerMeterX(); }
    int dotsPerMeterY() const { return m_png ? m_png->dotsPerMeterY() : m_jpeg->dotsPerMeterY(); }
    bool readRow(QRgb *row, QString *error) { return m_png ? m_png->readRow(row, error) : m_jpeg->readRow(row, error); }
    // Reads to the end; JPEG warnings that mean lost pixels fail here.
    bool finish(QString *error)
    {
        if (m_png)
            return m_png->finish(error);
        if (!m_jpeg->finish(error))
            return false;
        for (const QString &warning : m_jpeg->warnings()) {
            if (ImageCodecs::jpegWarningLosesPixels(warning)) {
                *error = warning;
                return false;
            }
        }
        return true;
    }

private:
    QIODevice *m_device;
    std::unique_ptr<PngRows::Reader> m_png;
    std::unique_ptr<JpegRowReader> m_jpeg;
};

// The output has alpha unless every canvas pixel is opaque, as the whole-canvas
// path decides by looking at the pixels.
bool outputHasAlpha(bool sourceAlpha, const Placement &placement, const QSize &source, QRgb fill)
{
    if (qAlpha(fill) == 255)
        return false;
    return placement.pads(source) || sourceAlpha;
}

// Which source row each canvas row shows, and the last canvas row that needs
// each source row, so that a row read early (for the top border) or needed
// again (for the bottom border) is kept exactly as long as that.
struct RowPlan
{
    std::vector<int> sourceOf;  // per canvas row: a source row, or -1 for the fill
    std::vector<int> lastUse;   // per source row
    qint64 mostHeld = 0;        // source rows held at once, the one in hand included
};

RowPlan planRows(const Placement &placement, const QSize &source, const FillSpec &fill)
{
    RowPlan plan;
    const int height = placement.canvas.height();
    plan.sourceOf.resize(size_t(height));
    plan.lastUse.assign(size_t(source.height()), -1);
    for (int y = 0; y < height; ++y) {
        const int sourceY = y - placement.offsetY;
        int row = -1;
        if (sourceY >= 0 && sourceY < source.height())
            row = sourceY;
        else if (fill.copiesPicture())
            row = ImageProcessor::borderSource(sourceY, source.height(), fill.kind == FillSpec::Kind::Mirror);
        plan.sourceOf[size_t(y)] = row;
        if (row >= 0)
            plan.lastUse[size_t(row)] = y;
    }
    // Rows are read in order: count what is held after each canvas row.
    qint64 held = 0;
    int read = 0;
    std::vector<int> releasedAt(size_t(height) + 1, 0);
    for (int y = 0; y < height; ++y) {
        const int row = plan.sourceOf[size_t(y)];
        for (; row >= read; ++read) {
            ++held;
            ++releasedAt[size_t(plan.lastUse[size_t(read)])];
        }
        plan.mostHeld = std::max(plan.mostHeld, held);
        held -= releasedAt[size_t(y)];
    }
    return plan;
}

int dpmOr96(int dpm)
{
    return dpm > 0 ? dpm : qRound(96 / 0.0254);
}

QString damaged(const QString &reason)
{
    return HelperText::translate(QStringLiteral("图片数据不完整或已损坏：%1")).arg(reason);
}

} // namespace

qint64 minimumPixels()
{
    return minimum.load();
}

void setMinimumPixels(qint64 pixels)
{
    minimum.store(pixels);
}

bool suits(QIODevice *device, const ImageCodecs::Probe &probe, const Placement &placement, const FillSpec &spec,
           ImageCodecs::Encoder encoder)
{
    const QRgb fill = spec.argb();
    if (encoder != ImageCodecs::Encoder::Png || probe.deep || probe.transformed || !placement.isValid()
        || qint64(placement.canvas.width()) * placement.canvas.height() < minimumPixels())
        return false;
    SourceRows rows(device);
    QString ignored;
    bool supported = false;
    if (!rows.start(probe.family, &ignored, &supported) || !supported || rows.size() != probe.size)
        return false;
    // An alpha channel on a picture the canvas does not grow, or a fill that
    // copies its pixels: only the pixels tell whether the output keeps alpha,
    // and they come too late for the header.
    if (rows.hasAlpha() && (spec.copiesPicture() || (!placement.pads(probe.size) && qAlpha(fill) != 255)))
        return false;
    // Rows an edge or mirror fill must keep: beyond a share of the memory a
    // picture may take, the whole-canvas path is no worse.
    const qint64 held = heldRows(placement, probe.size, spec) * qint64(probe.size.width()) * 4;
    return held <= ImageCodecs::pixelMemoryLimit() / 4;
}

qint64 peakBytes(const QSize &canvas, qint64 heldRows)
{
    // A source row, a canvas row and the fill row as QRgb; the packed, the
    // previous and the filtered row; the read-back's row. Then the codecs'
    // state, zlib's output piece and the read buffers.
    const qint64 row = qint64(canvas.width()) * 4;
    return (8 + heldRows) * row + 16 * MiB;
}

qint64 heldRows(const Placement &placement, const QSize &source, const FillSpec &fill)
{
    if (!fill.copiesPicture() || !placement.isValid())
        return 0;
    const RowPlan plan = planRows(placement, source, fill);
    return plan.mostHeld > 0 ? plan.mostHeld - 1 : 0;
}

bool pad(const QString &source, const Placement &placement, const FillSpec &spec, const QString &temporary,
         const QString &destination, QString *error, bool *verified, const VerifiedWrite::Placing &placing)
{
    const QRgb fill = spec.argb();
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = HelperText::translate(QStringLiteral("无法解码图片：%1")).arg(in.errorString());
        return false;
    }
    const QByteArray family = ImageCodecs::familyOf(in.peek(8));
    SourceRows rows(&in);
    bool supported = false;
    QString reason;
    if (!rows.start(family, &reason, &supported) || !supported) {
        *error = HelperText::translate(QStringLiteral("无法解码图片：%1")).arg(reason);
        return false;
    }
    const QSize size = rows.size();
    const QSize canvas = placement.canvas;
    // The file changed since its header was read: its rows would not fit.
    if (size.width() + placement.offsetX > canvas.width() || size.height() + placement.offsetY > canvas.height()) {
        *error = HelperText::translate(QStringLiteral("无法解码图片：%1")).arg(ImageProcessor::sizeText(size.width(), size.height()));
        return false;
    }
    // An edge or mirror border is as opaque as the picture's edge: a picture
    // with alpha gives an output with alpha, as the whole-canvas path decides.
    const bool alpha = spec.copiesPicture() ? rows.hasAlpha() : outputHasAlpha(rows.hasAlpha(), placement, size, fill);
    std::vector<quint32> rowCrcs(size_t(canvas.height()));
    qint64 fileBytes = 0;
    quint32 fileCrc = 0;
    const RowPlan plan = planRows(placement, size, spec);
    const bool mirror = spec.kind == FillSpec::Kind::Mirror;
    // The canvas columns beside the picture and the picture column each copies.
    std::vector<int> borderColumns;
    if (spec.copiesPicture()) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (x < placement.offsetX || x >= placement.offsetX + size.width())
                borderColumns.push_back(x);
        }
    }
    std::vector<int> borderFrom;
    for (const int x : borderColumns)
        borderFrom.push_back(placement.offsetX
                             + ImageProcessor::borderSource(x - placement.offsetX, size.width(), mirror));

    const auto produce = [&](QFile *file, QString *failure) {
        PngRows::Writer writer(file, ZlibLevel);
        QString why;
        const auto writeFailed = [&] {
            *failure = HelperText::translate(QStringLiteral("写入临时文件失败 %1：%2")).arg(temporary, why);
            return false;
        };
        if (!writer.start(canvas, alpha, dpmOr96(rows.dotsPerMeterX()), dpmOr96(rows.dotsPerMeterY()),
                          rows.colorSpace(), &why))
            return writeFailed();
        std::vector<QRgb> fillRow(size_t(canvas.width()), fill);
        std::vector<QRgb> canvasRow(size_t(canvas.width()));
        std::vector<uchar> packed(size_t(canvas.width()) * 4);
        // Source rows read and still needed, by row; spare buffers for the next ones.
        std::vector<std::vector<QRgb>> held(size_t(size.height()));
        std::vector<std::vector<QRgb>> spare;
        int read = 0;
        // The canvas row seen as a picture one row high, for the PNG packing.
        const QImage rowImage(reinterpret_cast<const uchar *>(canvasRow.data()), canvas.width(), 1,
                              alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        const QImage fillImage(reinterpret_cast<const uchar *>(fillRow.data()), canvas.width(), 1,
                               alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        const qsizetype packedBytes = qsizetype(canvas.width()) * (alpha ? 4 : 3);
        for (int y = 0; y < canvas.height(); ++y) {
            const int sourceY = plan.sourceOf[size_t(y)];
            if (sourceY >= 0) {
                for (; read <= sourceY; ++read) {
                    std::vector<QRgb> row;
                    if (spare.empty()) {
                        row.resize(size_t(size.width()));
                    } else {
                        row = std::move(spare.back());
                        spare.pop_back();
                    }
                    if (!rows.readRow(row.data(), &reason)) {
                        *failure = damaged(reason);
                        return false;
                    }
                    held[size_t(read)] = std::move(row);
                }
                const std::vector<QRgb> &sourceRow = held[size_t(sourceY)];
                if (spec.copiesPicture()) {
                    std::copy(sourceRow.cbegin(), sourceRow.cend(), canvasRow.begin() + placement.offsetX);
                    for (size_t i = 0; i < borderColumns.size(); ++i)
                        canvasRow[size_t(borderColumns[i])] = canvasRow[size_t(borderFrom[i])];
                } else {
                    std::copy(fillRow.cbegin(), fillRow.cend(), canvasRow.begin());
                    ImageProcessor::composeRow(sourceRow.data(), canvasRow.data() + placement.offsetX, size.width(),
                                               fill);
                }
                PngEncoder::packRow(rowImage, 0, packed.data());
                if (plan.lastUse[size_t(sourceY)] == y)
                    spare.push_back(std::move(held[size_t(sourceY)]));
            } else {
                PngEncoder::packRow(fillImage, 0, packed.data());
            }
            rowCrcs[size_t(y)] = quint32(crc32_z(0, packed.data(), size_t(packedBytes)));
            if (!writer.writeRow(packed.data(), &why))
                return writeFailed();
        }
        if (!rows.finish(&reason)) {
            *failure = damaged(reason);
            return false;
        }
        if (!writer.finish(&why))
            return writeFailed();
        fileBytes = writer.bytesWritten();
        fileCrc = writer.crc();
        return true;
    };

    const auto check = [&](const QString &written, QString *failure) {
        const auto readBackFailed = [&](const QString &why) {
            *failure = HelperText::translate(QStringLiteral("回读失败：%1")).arg(why);
            return false;
        };
        const QString contentFailed = HelperText::translate(QStringLiteral("回读内容校验失败：写入磁盘的数据与编码结果不一致"));
        QFile file(written);
        if (!file.open(QIODevice::ReadOnly))
            return readBackFailed(file.errorString());
        // The bytes, through a small buffer.
        std::vector<char> buffer(ReadBackBufferBytes);
        qint64 total = 0;
        quint32 crc = 0;
        for (;;) {
            const qint64 got = file.read(buffer.data(), qint64(buffer.size()));
            if (got < 0)
                return readBackFailed(file.errorString());
            if (got == 0)
                break;
            crc = quint32(crc32_z(crc, reinterpret_cast<const Bytef *>(buffer.data()), size_t(got)));
            total += got;
        }
        if (total != fileBytes || crc != fileCrc) {
            *failure = contentFailed;
            return false;
        }
        // The pixels, a row at a time.
        file.seek(0);
        PngRows::Reader reader(&file);
        QString why;
        if (!reader.start(&why))
            return readBackFailed(why);
        if (reader.size() != canvas) {
            *failure = HelperText::translate(QStringLiteral("回读尺寸校验失败"));
            return false;
        }
        std::vector<uchar> row(size_t(reader.rowBytes()));
        for (int y = 0; y < canvas.height(); ++y) {
            if (!reader.readRawRow(row.data(), &why))
                return readBackFailed(why);
            if (quint32(crc32_z(0, row.data(), row.size())) != rowCrcs[size_t(y)]) {
                *failure = contentFailed;
                return false;
            }
        }
        if (!reader.finish(&why))
            return readBackFailed(why);
        return true;
    };

    return VerifiedWrite::writeStreamed(temporary, destination, destination, produce, check, error, verified,
                                        placing);
}

bool keep(const QString &source, const QString &temporary, const QString &destination, QString *error,
          bool *verified)
{
    if (verified)
        *verified = false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = HelperText::translate(QStringLiteral("无法解码图片：%1")).arg(in.errorString());
        return false;
    }
    {
        SourceRows rows(&in);
        bool supported = false;
        QString reason;
        if (!rows.start(ImageCodecs::familyOf(in.peek(8)), &reason, &supported) || !supported) {
            *error = HelperText::translate(QStringLiteral("无法解码图片：%1")).arg(reason);
            return false;
        }
        std::vector<QRgb> row(size_t(rows.size().width()));
        for (int y = 0; y < rows.size().height(); ++y) {
            if (!rows.readRow(row.data(), &reason)) {
                *error = damaged(reason);
                return false;
            }
        }
        if (!rows.finish(&reason)) {
            *error = damaged(reason);
            return false;
        }
    }
    if (destination.isEmpty())
        return true;

    constexpr qint64 Piece = MiB;
    const auto produce = [&](QFile *file, QString *failure) {
        if (!in.seek(0)) {
            *failure = HelperText::translate(QStringLiteral("无法解码图片：%1")).arg(in.errorString());
            return false;
        }
        while (!in.atEnd()) {
            const QByteArray piece = in.read(Piece);
            if (piece.isEmpty() && in.error() != QFileDevice::NoError) {
                *failure = HelperText::translate(QStringLiteral("无法解码图片：%1")).arg(in.errorString());
                return false;
            }
            if (file->write(piece) != piece.size()) {
                *failure = HelperText::translate(QStringLiteral("写入临时文件失败 %1：%2")).arg(temporary, file->errorString());
                return false;
            }
        }
        return true;
    };
    const auto check = [&](const QString &written, QString *failure) {
        QFile copy(written);
        if (!copy.open(QIODevice::ReadOnly) || !in.seek(0)) {
            *failure = HelperText::translate(QStringLiteral("回读失败：%1")).arg(copy.errorString());
            return false;
        }
        while (true) {
            const QByteArray expected = in.read(Piece);
            const QByteArray got = copy.read(Piece);
            if (expected != got) {
                *failure = HelperText::translate(QStringLiteral("回读内容校验失败：写入磁盘的数据与编码结果不一致"));
                return false;
            }
            if (expected.isEmpty())
                return true;
        }
    };
    return VerifiedWrite::writeStreamed(temporary, destination, destination, produce, check, error, verified);
}

} // namespace RowPad
