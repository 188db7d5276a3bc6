#include "PngRows.h"

#include "PngEncoder.h"

#include <QIODevice>
#include <QtEndian>

#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace PngRows {

namespace {

// Plain data for libpng's callbacks: a longjmp out of libpng skips destructors.
struct ReadState
{
    QIODevice *device = nullptr;
    char message[256] = {};
};

void readBytes(png_structp png, png_bytep data, size_t length)
{
    auto *state = static_cast<ReadState *>(png_get_io_ptr(png));
    if (state->device->read(reinterpret_cast<char *>(data), qint64(length)) != qint64(length))
        png_error(png, "the data ends early");
}

void onError(png_structp png, png_const_charp message)
{
    auto *state = static_cast<ReadState *>(png_get_error_ptr(png));
    std::strncpy(state->message, message, sizeof state->message - 1);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

} // namespace

struct Reader::State
{
    ReadState io;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    bool plain = false;
    bool transformed = false;
    QColorSpace colorSpace;
    int dpmX = 0, dpmY = 0;
    std::vector<png_byte> raw;
};

Reader::Reader(QIODevice *device) : m(new State)
{
    m->io.device = device;
}

Reader::~Reader()
{
    png_destroy_read_struct(&m->png, m->info ? &m->info : nullptr, nullptr);
}

namespace {

bool readInfo(png_structp png, png_infop info, ReadState &io)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &io, readBytes);
    png_read_info(png, info);
    return true;
}

} // namespace

bool Reader::start(QString *error)
{
    m->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &m->io, onError, onWarning);
    m->info = m->png ? png_create_info_struct(m->png) : nullptr;
    if (!m->info) {
        *error = QStringLiteral("out of memory");
        return false;
    }
    // Pixels were limited before this reader is used; libpng's own cap of a
    // million columns would refuse wide pictures the engine accepts.
    png_set_user_limits(m->png, 0x7fffffff, 0x7fffffff);
    if (!readInfo(m->png, m->info, m->io)) {
        *error = QString::fromLatin1(m->io.message);
        return false;
    }
    png_get_IHDR(m->png, m->info, &m->width, &m->height, &m->depth, &m->colorType, &m->interlace, nullptr, nullptr);
    const bool hasIcc = png_get_valid(m->png, m->info, PNG_INFO_iCCP);
    const bool hasSrgb = png_get_valid(m->png, m->info, PNG_INFO_sRGB);
    const bool otherColour = png_get_valid(m->png, m->info, PNG_INFO_gAMA) || png_get_valid(m->png, m->info, PNG_INFO_cHRM);
    m->plain = m->depth == 8 && (m->colorType == PNG_COLOR_TYPE_RGB || m->colorType == PNG_COLOR_TYPE_RGB_ALPHA)
            && m->interlace == PNG_INTERLACE_NONE && !png_get_valid(m->png, m->info, PNG_INFO_tRNS)
            && (hasIcc || hasSrgb || !otherColour);
    if (hasIcc) {
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 length = 0;
        if (png_get_iCCP(m->png, m->info, &name, &compression, &profile, &length))
            m->colorSpace = QColorSpace::fromIccProfile(QByteArray(reinterpret_cast<const char *>(profile), int(length)));
    } else if (hasSrgb) {
        m->colorSpace = QColorSpace::SRgb;
    }
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(m->png, m->info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
        m->dpmX = int(resX);
        m->dpmY = int(resY);
    }
    m->raw.resize(png_get_rowbytes(m->png, m->info));
    return true;
}

QSize Reader::size() const
{
    return QSize(int(m->width), int(m->height));
}

bool Reader::isPlainColour() const
{
    return m->plain;
}

bool Reader::hasAlpha() const
{
    return m->colorType & PNG_COLOR_MASK_ALPHA;
}

QColorSpace Reader::colorSpace() const
{
    return m->colorSpace;
}

int Reader::dotsPerMeterX() const
{
    return m->dpmX;
}

int Reader::dotsPerMeterY() const
{
    return m->dpmY;
}

qsizetype Reader::rowBytes() const
{
    return qsizetype(m->raw.size());
}

namespace {

bool readOneRow(png_structp png, png_bytep row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_row(png, row, nullptr);
    return true;
}

bool readEnd(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_end(png, info);
    return true;
}

} // namespace

bool Reader::readRow(QRgb *row, QString *error)
{
    if (!m->transformed) {
        // QRgb in memory order: B, G, R, A on little-endian machines.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        png_set_bgr(m->png);
        if (!hasAlpha())
            png_set_filler(m->png, 0xff, PNG_FILLER_AFTER);
#else
        if (hasAlpha())
            png_set_swap_alpha(m->png);
        else
            png_set_filler(m->png, 0xff, PNG_FILLER_BEFORE);
#endif
        m->transformed = true;
    }
    if (!readOneRow(m->png, reinterpret_cast<png_bytep>(row))) {
        *error = QString::fromLatin1(m->io.message);
        return false;
    }
    return true;
}

bool Reader::readRawRow(uchar *row, QString *error)
{
    if (!readOneRow(m->png, row)) {
        *error = QString::fromLatin1(m->io.message);
        return false;
    }
    return true;
}

bool Reader::finish(QString *error)
{
    if (!readEnd(m->png, m->info)) {
        *error = QString::fromLatin1(m->io.message);
        return false;
    }
    return true;
}

namespace {

constexpr int IdatPiece = 1 << 20;

} // namespace

struct Writer::State
{
    QIODevice *device = nullptr;
    int level = 1;
    z_stream zs{};
    bool deflating = false;
    qint64 written = 0;
    quint32 crc = 0;
    std::vector<uchar> above, filtered, out;
    qsizetype rowBytes = 0;
    QString failure;

    bool put(const uchar *data, qsizetype length)
    {
        if (device->write(reinterpret_cast<const char *>(data), length) != length) {
            failure = device->errorString();
            return false;
        }
        crc = quint32(crc32_z(crc, data, size_t(length)));
        written += length;
        return true;
    }

    bool chunk(const char *type, const uchar *data, size_t length)
    {
        uchar head[8];
        qToBigEndian<quint32>(quint32(length), head);
        std::memcpy(head + 4, type, 4);
        uLong sum = crc32(0, head + 4, 4);
        if (length > 0)
            sum = crc32_z(sum, data, length);
        uchar tail[4];
        qToBigEndian<quint32>(quint32(sum), tail);
        return put(head, 8) && (length == 0 || put(data, qsizetype(length))) && put(tail, 4);
    }

    // Hands zlib's output on as IDAT chunks of a full piece (all of it with `flush`).
    bool drain(bool flush)
    {
        const size_t have = out.size() - zs.avail_out;
        if (have == 0 || (!flush && zs.avail_out != 0))
            return true;
        if (!chunk("IDAT", out.data(), have))
            return false;
        zs.next_out = out.data();
        zs.avail_out = uInt(out.size());
        return true;
    }
};

Writer::Writer(QIODevice *device, int level) : m(new State)
{
    m->device = device;
    m->level = level;
}

Writer::~Writer()
{
    if (m->deflating)
        deflateEnd(&m->zs);
}

bool Writer::start(const QSize &size, bool alpha, int dotsPerMeterX, int dotsPerMeterY,
                   const QColorSpace &colorSpace, QString *error)
{
    if (!m->put(reinterpret_cast<const uchar *>("\x89PNG\r\n\x1a\n"), 8)) {
        *error = m->failure;
        return false;
    }
    uchar ihdr[13] = {};
    qToBigEndian<quint32>(quint32(size.width()), ihdr);
    qToBigEndian<quint32>(quint32(size.height()), ihdr + 4);
    ihdr[8] = 8;
    ihdr[9] = alpha ? 6 : 2;
    bool ok = m->chunk("IHDR", ihdr, sizeof ihdr);
    if (ok && colorSpace.isValid()) {
        // The profile is compressed as the whole-picture writer does, so both
        // write the same chunk.
        const QByteArray icc = colorSpace.iccProfile();
        QByteArray name = colorSpace.description().toLatin1().left(79);
        if (name.isEmpty())
            name = QByteArrayLiteral("ICC profile");
        libdeflate_compressor *compressor = libdeflate_alloc_compressor(PngEncoder::engineSettings().level);
        if (!compressor) {
            *error = QStringLiteral("out of memory");
            return false;
        }
        QByteArray packed(int(libdeflate_zlib_compress_bound(compressor, size_t(icc.size()))), Qt::Uninitialized);
        const size_t length = libdeflate_zlib_compress(compressor, icc.constData(), size_t(icc.size()), packed.data(),
                                                       size_t(packed.size()));
        libdeflate_free_compressor(compressor);
        if (!icc.isEmpty() && length > 0) {
            const QByteArray iccp = name + '\0' + '\0' + packed.left(int(length));
            ok = m->chunk("iCCP", reinterpret_cast<const uchar *>(iccp.constData()), size_t(iccp.size()));
        }
    }
    if (ok && dotsPerMeterX > 0 && dotsPerMeterY > 0) {
        uchar phys[9] = {};
        qToBigEndian<quint32>(quint32(dotsPerMeterX), phys);
        qToBigEndian<quint32>(quint32(dotsPerMeterY), phys + 4);
        phys[8] = 1;
        ok = m->chunk("pHYs", phys, sizeof phys);
    }
    if (!ok) {
        *error = m->failure;
        return false;
    }
    if (deflateInit(&m->zs, m->level) != Z_OK) {
        *error = QStringLiteral("zlib: deflateInit failed");
        return false;
    }
    m->deflating = true;
    m->rowBytes = qsizetype(size.width()) * (alpha ? 4 : 3);
    m->above.assign(size_t(m->rowBytes), 0);
    m->filtered.resize(size_t(m->rowBytes) + 1);
    m->out.resize(IdatPiece);
    m->zs.next_out = m->out.data();
    m->zs.avail_out = uInt(m->out.size());
    return true;
}

bool Writer::writeRow(const uchar *packed, QString *error)
{
    // Up: each byte less the one above it.
    uchar *f = m->filtered.data();
    const uchar *above = m->above.data();
    f[0] = 2;
    for (qsizetype i = 0; i < m->rowBytes; ++i)
        f[1 + i] = uchar(packed[i] - above[i]);
    std::memcpy(m->above.data(), packed, size_t(m->rowBytes));
    m->zs.next_in = f;
    m->zs.avail_in = uInt(m->filtered.size());
    while (m->zs.avail_in > 0) {
        if (deflate(&m->zs, Z_NO_FLUSH) == Z_STREAM_ERROR) {
            *error = QStringLiteral("zlib: deflate failed");
            return false;
        }
        if (!m->drain(false)) {
            *error = m->failure;
            return false;
        }
    }
    return true;
}

bool Writer::finish(QString *error)
{
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        status = deflate(&m->zs, Z_FINISH);
        if (status == Z_STREAM_ERROR) {
            *error = QStringLiteral("zlib: deflate failed");
            return false;
        }
        if (!m->drain(status == Z_STREAM_END)) {
            *error = m->failure;
            return false;
        }
    }
    if (!m->chunk("IEND", nullptr, 0)) {
        *error = m->failure;
        return false;
    }
    return true;
}

qint64 Writer::bytesWritten() const
{
    return m->written;
}

quint32 Writer::crc() const
{
    return m->crc;
}

} // namespace PngRows
