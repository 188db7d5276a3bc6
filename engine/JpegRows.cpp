#include "JpegRows.h"

#include <QIODevice>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr size_t InputBufferBytes = 64 * 1024;

// Plain data reachable from libjpeg's callbacks: a longjmp skips destructors.
struct Source
{
    jpeg_source_mgr manager;
    QIODevice *device;
    JOCTET buffer[InputBufferBytes];
};

void initSource(j_decompress_ptr) {}

boolean fillInput(j_decompress_ptr info)
{
    auto *source = reinterpret_cast<Source *>(info->src);
    const qint64 got = source->device->read(reinterpret_cast<char *>(source->buffer), qint64(InputBufferBytes));
    if (got <= 0) {
        // Data ends before the image does: libjpeg warns and sees an end marker.
        WARNMS(info, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        source->manager.bytes_in_buffer = 2;
    } else {
        source->manager.bytes_in_buffer = size_t(got);
    }
    source->manager.next_input_byte = source->buffer;
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    auto *source = reinterpret_cast<Source *>(info->src);
    while (count > long(source->manager.bytes_in_buffer)) {
        count -= long(source->manager.bytes_in_buffer);
        fillInput(info);
    }
    source->manager.next_input_byte += count;
    source->manager.bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

struct ErrorManager
{
    jpeg_error_mgr base;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // Warnings collected as text (at most a few are kept, each one line).
    char warnings[4][JMSG_LENGTH_MAX];
    int warningCount;
};

void onError(j_common_ptr info)
{
    auto *errors = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, errors->message);
    longjmp(errors->jump, 1);
}

void onMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return; // trace messages
    auto *errors = reinterpret_cast<ErrorManager *>(info->err);
    if (errors->warningCount < 4)
        (*info->err->format_message)(info, errors->warnings[errors->warningCount]);
    ++errors->warningCount;
}

} // namespace

struct JpegRowReader::State
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    Source source;
    bool created = false;
    bool started = false;
    JOCTET *icc = nullptr;
    unsigned iccLength = 0;
};

JpegRowReader::JpegRowReader(QIODevice *device) : m(new State)
{
    std::memset(&m->info, 0, sizeof m->info);
    std::memset(&m->errors, 0, sizeof m->errors);
    m->info.err = jpeg_std_error(&m->errors.base);
    m->errors.base.error_exit = onError;
    m->errors.base.emit_message = onMessage;
    m->source.device = device;
    m->source.manager.init_source = initSource;
    m->source.manager.fill_input_buffer = fillInput;
    m->source.manager.skip_input_data = skipInput;
    m->source.manager.resync_to_restart = jpeg_resync_to_restart;
    m->source.manager.term_source = termSource;
    m->source.manager.bytes_in_buffer = 0;
    m->source.manager.next_input_byte = nullptr;
}

JpegRowReader::~JpegRowReader()
{
    if (m->created)
        jpeg_destroy_decompress(&m->info);
    std::free(m->icc);
}

bool JpegRowReader::start(QString *error, bool *supported)
{
    if (supported)
        *supported = false;
    if (setjmp(m->errors.jump)) {
        *error = QString::fromLocal8Bit(m->errors.message);
        return false;
    }
    jpeg_create_decompress(&m->info);
    m->created = true;
    m->info.src = &m->source.manager;
    jpeg_save_markers(&m->info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&m->info, TRUE);
    // Not started: grey and CMYK go another way, and so do progressive files,
    // whose decoding holds coefficients for the whole picture.
    if ((m->info.jpeg_color_space != JCS_YCbCr && m->info.jpeg_color_space != JCS_RGB)
        || jpeg_has_multiple_scans(&m->info))
        return true;
    if (!jpeg_read_icc_profile(&m->info, &m->icc, &m->iccLength)) {
        m->icc = nullptr;
        m->iccLength = 0;
    }
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    m->info.out_color_space = JCS_EXT_BGRA;
#else
    m->info.out_color_space = JCS_EXT_ARGB;
#endif
    jpeg_start_decompress(&m->info);
    m->started = true;
    if (supported)
        *supported = true;
    return true;
}

QSize JpegRowReader::size() const
{
    return m->started ? QSize(int(m->info.output_width), int(m->info.output_height)) : QSize();
}

QByteArray JpegRowReader::iccProfile() const
{
    return QByteArray(reinterpret_cast<const char *>(m->icc), int(m->iccLength));
}

int JpegRowReader::dotsPerMeterX() const
{
    if (m->info.density_unit == 1)
        return int(100. * m->info.X_density / 2.54);
    return m->info.density_unit == 2 ? int(100. * m->info.X_density) : 0;
}

int JpegRowReader::dotsPerMeterY() const
{
    if (m->info.density_unit == 1)
        return int(100. * m->info.Y_density / 2.54);
    return m->info.density_unit == 2 ? int(100. * m->info.Y_density) : 0;
}

bool JpegRowReader::readRow(QRgb *row, QString *error)
{
    if (setjmp(m->errors.jump)) {
        *error = QString::fromLocal8Bit(m->errors.message);
        return false;
    }
    JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(row)};
    if (jpeg_read_scanlines(&m->info, rows, 1) != 1) {
        std::strcpy(m->errors.message, "no more rows");
        *error = QString::fromLatin1(m->errors.message);
        return false;
    }
    return true;
}

bool JpegRowReader::finish(QString *error)
{
    if (setjmp(m->errors.jump)) {
        *error = QString::fromLocal8Bit(m->errors.message);
        return false;
    }
    jpeg_finish_decompress(&m->info);
    return true;
}

QStringList JpegRowReader::warnings() const
{
    QStringList list;
    for (int i = 0; i < qMin(4, m->errors.warningCount); ++i)
        list << QString::fromLocal8Bit(m->errors.warnings[i]);
    return list;
}
