#include "JpegEncoder.h"

#include "HelperText.h"

#include <QColorSpace>
#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <jpeglib.h>
#include <jerror.h>

namespace JpegEncoder {

namespace {

// The example tables of the JPEG standard (Annex K), in natural order; libjpeg
// scales these by quality, and so do most writers that take a quality.
constexpr quint16 StandardLuma[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr quint16 StandardChroma[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Plain data only: a longjmp out of libjpeg skips destructors.
struct ErrorManager
{
    jpeg_error_mgr base;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info)
{
    auto *errors = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, errors->message);
    longjmp(errors->jump, 1);
}

void onMessage(j_common_ptr, int)
{
}

constexpr size_t OutputChunk = 256 * 1024;

struct Destination
{
    jpeg_destination_mgr manager;
    QByteArray *out;
    size_t used; // bytes of *out holding encoded data
    bool outOfMemory;
};

bool grow(Destination *destination)
{
    try {
        destination->out->resize(qsizetype(destination->used + OutputChunk));
    } catch (...) {
        destination->outOfMemory = true;
        return false;
    }
    destination->manager.next_output_byte = reinterpret_cast<JOCTET *>(destination->out->data()) + destination->used;
    destination->manager.free_in_buffer = OutputChunk;
    return true;
}

void initDestination(j_compress_ptr info)
{
    auto *destination = reinterpret_cast<Destination *>(info->dest);
    destination->used = 0;
    if (!grow(destination))
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
}

boolean emptyOutput(j_compress_ptr info)
{
    auto *destination = reinterpret_cast<Destination *>(info->dest);
    // libjpeg hands the whole buffer over when it asks for more room.
    destination->used = size_t(destination->out->size());
    if (!grow(destination))
        ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
    return TRUE;
}

void termDestination(j_compress_ptr info)
{
    auto *destination = reinterpret_cast<Destination *>(info->dest);
    destination->used = size_t(destination->out->size()) - destination->manager.free_in_buffer;
}

// The quantiser libjpeg's jpeg_set_quality gives `base` at `quality` for a
// baseline file.
int scaled(quint16 base, int quality)
{
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    return qBound(1, (base * scale + 50) / 100, 255);
}

bool startsWith(const QByteArray &data, const char *prefix, int length)
{
    return data.size() >= length && std::memcmp(data.constData(), prefix, size_t(length)) == 0;
}

// Segments worth keeping: EXIF and XMP (APP1), ICC (APP2), comments. Others
// either describe the old encoding (Adobe, JFIF, which the encoder writes
// anew) or point into it (multi-picture APP2), and would lie afterwards.
bool keeps(int marker, const QByteArray &data)
{
    switch (marker) {
    case JPEG_APP0 + 1:
        return startsWith(data, "Exif\0\0", 6) || startsWith(data, "http://ns.adobe.com/xap/1.0/", 29)
            || startsWith(data, "http://ns.adobe.com/xmp/extension/", 35);
    case JPEG_APP0 + 2:
        return startsWith(data, "ICC_PROFILE", 12);
    case JPEG_COM:
        return true;
    default:
        return false;
    }
}

// Sets the EXIF orientation to 1 (as stored), in place: the padded pixels are
// already turned the way the tag said to show them.
void clearOrientation(QByteArray &exif)
{
    constexpr int Tiff = 6; // after "Exif\0\0"
    if (exif.size() < Tiff + 8)
        return;
    uchar *data = reinterpret_cast<uchar *>(exif.data());
    const bool little = data[Tiff] == 'I' && data[Tiff + 1] == 'I';
    if (!little && !(data[Tiff] == 'M' && data[Tiff + 1] == 'M'))
        return;
    const auto read16 = [&](qsizetype at) {
        return little ? qFromLittleEndian<quint16>(data + at) : qFromBigEndian<quint16>(data + at);
    };
    const auto read32 = [&](qsizetype at) {
        return little ? qFromLittleEndian<quint32>(data + at) : qFromBigEndian<quint32>(data + at);
    };
    const qsizetype size = exif.size();
    const quint32 ifd = read32(Tiff + 4);
    if (ifd > quint32(size - Tiff - 2))
        return;
    const qsizetype entries = Tiff + qsizetype(ifd);
    const int count = read16(entries);
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = entries + 2 + qsizetype(i) * 12;
        if (entry + 12 > size)
            return;
        // Tag 0x0112, type SHORT, one value, stored in the first two bytes of the value field.
        if (read16(entry) == 0x0112 && read16(entry + 2) == 3) {
            if (little)
                qToLittleEndian<quint16>(1, data + entry + 8);
            else
                qToBigEndian<quint16>(1, data + entry + 8);
            return;
        }
    }
}

struct SourceState
{
    jpeg_decompress_struct info;
    ErrorManager errors;
};

} // namespace

int estimateQuality(const quint16 *luma, const quint16 *chroma)
{
    // The quality whose tables differ least. Tables no quality gives exactly
    // (a camera's or an editor's own) still have a nearest quality, and it is
    // the best measure of how coarse the file is; a fixed fallback would be
    // worse either way. The search itself keeps the result within 1..100.
    int best = 90;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int quality = 1; quality <= 100; ++quality) {
        qint64 distance = 0;
        for (int i = 0; i < 64; ++i) {
            distance += qAbs(int(luma[i]) - scaled(StandardLuma[i], quality));
            if (chroma)
                distance += qAbs(int(chroma[i]) - scaled(StandardChroma[i], quality));
        }
        // On a tie the higher quality: equal tables give equal files, and
        // erring upwards never costs detail.
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = quality;
        }
    }
    return best;
}

bool readStyle(const QByteArray &bytes, Style *style, QString *error)
{
    // On the heap: the state must not be a local that setjmp's return could see half-written.
    auto *state = static_cast<SourceState *>(std::calloc(1, sizeof(SourceState)));
    if (!state) {
        *error = HelperText::translate(QStringLiteral("内存不足，无法处理此图片"));
        return false;
    }
    jpeg_decompress_struct &info = state->info;
    Style read;
    info.err = jpeg_std_error(&state->errors.base);
    state->errors.base.error_exit = onError;
    state->errors.base.emit_message = onMessage;
    if (setjmp(state->errors.jump)) {
        *error = QString::fromLocal8Bit(state->errors.message);
        jpeg_destroy_decompress(&info);
        std::free(state);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
    jpeg_read_header(&info, TRUE);

    read.grey = info.num_components == 1;
    read.progressive = jpeg_has_multiple_scans(&info);
    const JQUANT_TBL *lumaTable = info.quant_tbl_ptrs[info.comp_info[0].quant_tbl_no];
    const JQUANT_TBL *chromaTable = nullptr;
    if (info.num_components >= 3) {
        const int chromaNo = info.comp_info[1].quant_tbl_no;
        if (chromaNo != info.comp_info[0].quant_tbl_no)
            chromaTable = info.quant_tbl_ptrs[chromaNo];
        bool usable = true;
        int blocks = 0;
        for (int c = 0; c < 3; ++c) {
            const int h = info.comp_info[c].h_samp_factor;
            const int v = info.comp_info[c].v_samp_factor;
            usable = usable && h >= 1 && h <= 4 && v >= 1 && v <= 4;
            blocks += h * v;
            read.sampling[size_t(c)] = {h, v};
        }
        // libjpeg writes at most ten blocks a unit; anything else keeps the default.
        if (!usable || blocks > 10)
            read.sampling = Style().sampling;
    }
    if (lumaTable) {
        quint16 luma[64], chroma[64];
        for (int i = 0; i < 64; ++i) {
            luma[i] = lumaTable->quantval[i];
            chroma[i] = chromaTable ? chromaTable->quantval[i] : 0;
        }
        read.quality = estimateQuality(luma, chromaTable ? chroma : nullptr);
    }
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        const QByteArray data(reinterpret_cast<const char *>(marker->data), qsizetype(marker->data_length));
        // A segment cut short by the save limit cannot be carried whole.
        if (marker->data_length == marker->original_length && keeps(marker->marker, data))
            read.segments.append({int(marker->marker), data});
    }
    jpeg_destroy_decompress(&info);
    std::free(state);
    *style = std::move(read);
    return true;
}

bool encode(const QImage &image, const Style &style, QByteArray *bytes, QString *error)
{
    // Everything with a destructor is made before setjmp.
    const QImage pixels = image.convertToFormat(style.grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
    if (pixels.isNull()) {
        *error = HelperText::translate(QStringLiteral("内存不足，无法处理此图片"));
        return false;
    }
    QList<QPair<int, QByteArray>> segments = style.segments;
    bool carriesIcc = false;
    for (auto &segment : segments) {
        if (segment.first == JPEG_APP0 + 1 && startsWith(segment.second, "Exif\0\0", 6))
            clearOrientation(segment.second);
        carriesIcc = carriesIcc || segment.first == JPEG_APP0 + 2;
    }
    const bool writeSpace = !carriesIcc && !style.grey && pixels.colorSpace().isValid();
    const QByteArray icc = writeSpace ? pixels.colorSpace().iccProfile() : QByteArray();
    QByteArray out;

    auto *info = static_cast<jpeg_compress_struct *>(std::calloc(1, sizeof(jpeg_compress_struct)));
    auto *errors = static_cast<ErrorManager *>(std::calloc(1, sizeof(ErrorManager)));
    auto *destination = static_cast<Destination *>(std::calloc(1, sizeof(Destination)));
    const auto release = [&] {
        if (info)
            jpeg_destroy_compress(info);
        std::free(info);
        std::free(errors);
        std::free(destination);
    };
    if (!info || !errors || !destination) {
        release();
        *error = HelperText::translate(QStringLiteral("内存不足，无法处理此图片"));
        return false;
    }
    info->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = onError;
    errors->base.emit_message = onMessage;
    destination->out = &out;
    destination->manager.init_destination = initDestination;
    destination->manager.empty_output_buffer = emptyOutput;
    destination->manager.term_destination = termDestination;
    if (setjmp(errors->jump)) {
        *error = destination->outOfMemory ? HelperText::translate(QStringLiteral("内存不足，无法处理此图片"))
                                          : QString::fromLocal8Bit(errors->message);
        release();
        return false;
    }
    jpeg_create_compress(info);
    info->dest = &destination->manager;
    info->image_width = JDIMENSION(pixels.width());
    info->image_height = JDIMENSION(pixels.height());
    if (style.grey) {
        info->input_components = 1;
        info->in_color_space = JCS_GRAYSCALE;
    } else {
        info->input_components = 4;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        info->in_color_space = JCS_EXT_BGRX;
#else
        info->in_color_space = JCS_EXT_XRGB;
#endif
    }
    jpeg_set_defaults(info);
    jpeg_set_quality(info, qBound(1, style.quality, 100), TRUE);
    if (!style.grey) {
        for (int c = 0; c < 3; ++c) {
            info->comp_info[c].h_samp_factor = style.sampling[size_t(c)][0];
            info->comp_info[c].v_samp_factor = style.sampling[size_t(c)][1];
        }
    }
    if (style.progressive)
        jpeg_simple_progression(info);
    // The standard Huffman tables: tables made for the picture save under 2 %
    // of the bytes and take five times the CPU (docs/benchmark.md, JPEG study).
    info->optimize_coding = FALSE;
    info->density_unit = 1; // dots per inch
    info->X_density = UINT16(qBound(1, qRound(pixels.dotsPerMeterX() * 0.0254), 65535));
    info->Y_density = UINT16(qBound(1, qRound(pixels.dotsPerMeterY() * 0.0254), 65535));
    jpeg_start_compress(info, TRUE);
    for (const auto &segment : std::as_const(segments))
        jpeg_write_marker(info, segment.first, reinterpret_cast<const JOCTET *>(segment.second.constData()),
                          unsigned(segment.second.size()));
    if (!icc.isEmpty())
        jpeg_write_icc_profile(info, reinterpret_cast<const JOCTET *>(icc.constData()), unsigned(icc.size()));
    while (info->next_scanline < info->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.constScanLine(int(info->next_scanline)));
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    out.truncate(qsizetype(destination->used));
    release();
    *bytes = std::move(out);
    return true;
}

} // namespace JpegEncoder
