#include "JpegStudy.h"

#include "BenchSupport.h"
#include "ImageProcessor.h"
#include "JpegEncoder.h"
#include "PaddingReport.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <ctime>

namespace PaddingBench {

namespace {

double cpuNow()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

int qualityOf(const QByteArray &jpeg)
{
    JpegEncoder::Style style;
    QString error;
    return JpegEncoder::readStyle(jpeg, &style, &error) ? style.quality : -1;
}

struct Way
{
    QString name;
    double seconds = 0;
    qint64 bytes = 0;
    QStringList qualities;
};

} // namespace

int runJpegStudy(const Context &ctx)
{
    Way before;
    before.name = QStringLiteral("Qt writer, quality 90 (before)");
    Way after;
    after.name = QStringLiteral("JpegEncoder, source's style (now)");
    int pictures = 0;
    double pixels = 0;
    for (const CorpusFile &file : ctx.files) {
        if (file.item.kind != Kind::Jpeg)
            continue;
        QFile in(file.path);
        if (!in.open(QIODevice::ReadOnly)) {
            say(QStringLiteral("cannot read %1").arg(file.name));
            return 1;
        }
        const QByteArray bytes = in.readAll();
        JpegEncoder::Style style;
        QString error;
        QImage source;
        if (!JpegEncoder::readStyle(bytes, &style, &error) || !readPicture(file.path, &source)) {
            say(QStringLiteral("cannot decode %1").arg(file.name));
            return 1;
        }
        qint32 ox = 0, oy = 0;
        QImage canvas = ImageProcessor::pad(source, ImageProcessor::fillColour(Fill::White), true,
                                            SizeRule::Multiple4, ox, oy);
        source = QImage();
        canvas.convertTo(QImage::Format_RGB32);
        ++pictures;
        pixels += double(canvas.width()) * canvas.height();

        QByteArray out;
        double start = cpuNow();
        {
            QBuffer buffer(&out);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(90);
            if (!writer.write(canvas)) {
                say(QStringLiteral("Qt's writer failed on %1").arg(file.name));
                return 1;
            }
        }
        before.seconds += cpuNow() - start;
        before.bytes += out.size();
        before.qualities << QString::number(qualityOf(out));

        start = cpuNow();
        if (!JpegEncoder::encode(canvas, style, &out, &error)) {
            say(QStringLiteral("JpegEncoder failed on %1: %2").arg(file.name, error));
            return 1;
        }
        after.seconds += cpuNow() - start;
        after.bytes += out.size();
        after.qualities << QString::number(qualityOf(out));
        say(QStringLiteral("  %1: source quality %2, %3 bytes")
                    .arg(file.name, QString::number(style.quality), QString::number(bytes.size())));
    }
    say(QStringLiteral("JPEG encode of %1 padded canvases, %2 MP, CPU time of the encode alone:")
                .arg(pictures)
                .arg(fixed(pixels / 1e6, 1)));
    for (const Way *way : {&before, &after})
        say(QStringLiteral("  %1  %2 s  %3 MB  qualities %4")
                    .arg(way->name.leftJustified(36), fixed(way->seconds, 3), fixed(way->bytes / 1e6, 2),
                         way->qualities.join(u',')));
    return 0;
}

} // namespace PaddingBench
