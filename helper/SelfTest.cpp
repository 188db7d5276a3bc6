#include "SelfTest.h"

#include "ImageProcessor.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>
#include <QUuid>

#include <optional>

namespace {

// Why a case failed: kind, message and where it arose, for the FAIL report.
struct Failure
{
    QString kind;
    QString message;
    QString where;
};

using Outcome = std::optional<Failure>;

Outcome caseFailed(const QString &message, const char *where)
{
    return Failure{QStringLiteral("SelfTestFailure"), message, QString::fromLatin1(where)};
}

Outcome fileError(const QString &message, const char *where)
{
    return Failure{QStringLiteral("FileSystemError"), message, QString::fromLatin1(where)};
}

QImage newPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    picture.fill(0);
    return picture;
}

Outcome savePng(const QImage &picture, const QString &path, const char *where)
{
    if (!picture.save(path, "PNG"))
        return fileError(QStringLiteral("Cannot write %1").arg(QDir::toNativeSeparators(path)), where);
    return std::nullopt;
}

QSize decodedSize(const QString &path)
{
    QImageReader reader(path);
    return reader.read().size();
}

Outcome checkRules()
{
    using PaddingChoices::target;
    const SizeRule four = SizeRule::Multiple4;
    if (target(1, four) != 4 || target(4, four) != 4 || target(1919, four) != 1920)
        return caseFailed(QStringLiteral("Multiple-of-4 calculation failed"), "case 1: multiple of 4");
    const SizeRule even = SizeRule::Even;
    if (target(5, even) != 6 || target(6, even) != 6)
        return caseFailed(QStringLiteral("Even calculation failed"), "case 2: even");
    const SizeRule power = SizeRule::Power2;
    if (target(513, power) != 1024 || target(512, power) != 512)
        return caseFailed(QStringLiteral("Power-of-two calculation failed"), "case 3: power of two");
    return std::nullopt;
}

Outcome checkPadding()
{
    QImage source(7, 5, QImage::Format_ARGB32);
    source.fill(qRgba(12, 34, 56, 255));
    source.setPixel(0, 0, qRgba(201, 11, 22, 255));

    qint32 offsetX = -1;
    qint32 offsetY = -1;
    const QImage canvas = ImageProcessor::pad(source, qRgba(255, 255, 255, 0), true, SizeRule::Multiple4,
                                              offsetX, offsetY);
    if (canvas.width() != 8 || canvas.height() != 8 || offsetX != 0 || offsetY != 1)
        return caseFailed(QStringLiteral("Output geometry failed"), "case 4: output geometry");

    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            if (canvas.pixel(x + offsetX, y + offsetY) != source.pixel(x, y))
                return caseFailed(QStringLiteral("Source pixels changed"), "case 5: pixel equality");
        }
    }
    if (qAlpha(canvas.pixel(7, 7)) != 0)
        return caseFailed(QStringLiteral("Transparent padding failed"), "case 6: transparent padding");
    return std::nullopt;
}

bool holdsTemporaryFile(const QString &folder)
{
    QDirIterator it(folder, {QStringLiteral("*.tesselle.tmp*")}, QDir::Files | QDir::Hidden | QDir::System);
    return it.hasNext();
}

Outcome checkInPlace(const QDir &work)
{
    const QString path = work.filePath(QStringLiteral("replace.png"));
    if (Outcome failure = savePng(newPicture(5, 7), path, "case 8: in-place replacement"))
        return failure;
    const ProcessResult result = ImageProcessor::process(path, QString(), true, SizeRule::Multiple4,
                                                         Fill::Transparent, true, false);
    if (!result.success)
        return caseFailed(QStringLiteral("In-place replacement failed: ") + result.message,
                          "case 8: in-place replacement");
    if (decodedSize(path) != QSize(8, 8))
        return caseFailed(QStringLiteral("In-place output size failed"), "case 8: in-place replacement");
    if (holdsTemporaryFile(work.path()))
        return caseFailed(QStringLiteral("Temporary replacement file was not cleaned"), "case 8: in-place replacement");
    return std::nullopt;
}

Outcome checkExistingOutput(const QDir &work)
{
    const char *where = "case 9: existing output replacement";
    const QString source = work.filePath(QStringLiteral("collision.png"));
    if (Outcome failure = savePng(newPicture(9, 9), source, where))
        return failure;
    if (!work.mkdir(QStringLiteral("output")))
        return fileError(QStringLiteral("Cannot create %1").arg(QDir::toNativeSeparators(work.filePath(QStringLiteral("output")))),
                         where);
    const QString outputFolder = work.filePath(QStringLiteral("output"));
    const QString existing = QDir(outputFolder).filePath(QStringLiteral("collision.png"));
    if (Outcome failure = savePng(newPicture(2, 2), existing, where))
        return failure;
    const ProcessResult result = ImageProcessor::process(source, outputFolder, false, SizeRule::Multiple4,
                                                         Fill::Transparent, true, false);
    if (!result.success)
        return caseFailed(QStringLiteral("Output collision replacement failed: ") + result.message, where);
    if (decodedSize(existing) != QSize(12, 12))
        return caseFailed(QStringLiteral("Existing output was not replaced"), where);
    return std::nullopt;
}

Outcome runCases()
{
    if (Outcome failure = checkRules())
        return failure;
    if (Outcome failure = checkPadding())
        return failure;

    const QString name = QStringLiteral("TesselleSelfTest_") + QUuid::createUuid().toString(QUuid::Id128);
    const QString tempPath = QDir::tempPath(); // empty when TMPDIR names no folder
    const QDir temp(tempPath);
    if (tempPath.isEmpty() || !temp.mkdir(name))
        return fileError(QStringLiteral("Cannot create work folder %1").arg(QDir::toNativeSeparators(temp.filePath(name))),
                         "case 7: work folder");
    const QDir work(temp.filePath(name));

    if (Outcome failure = checkInPlace(work))
        return failure;
    if (Outcome failure = checkExistingOutput(work))
        return failure;

    if (!QDir(work).removeRecursively())
        return fileError(QStringLiteral("Cannot remove work folder %1").arg(QDir::toNativeSeparators(work.path())),
                         "case 10: clean-up");
    return std::nullopt;
}

void writeReport(const QString &folder, const QString &text)
{
    QSaveFile report(QDir(folder).filePath(QStringLiteral("exe_self_test.txt")));
    if (!report.open(QIODevice::WriteOnly)) {
        qWarning("Cannot write the self-test report: %s", qPrintable(report.errorString()));
        return;
    }
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    // Qt can report a successful commit after a failed last write: check first.
    if (report.write(bytes) != bytes.size() || !report.flush() || report.error() != QFileDevice::NoError) {
        report.cancelWriting();
        qWarning("Cannot write the self-test report: %s", qPrintable(report.errorString()));
        return;
    }
    if (!report.commit())
        qWarning("Cannot write the self-test report: %s", qPrintable(report.errorString()));
}

} // namespace

namespace SelfTest {

int run(const QString &reportFolder)
{
    const Outcome failure = runCases();
    if (failure) {
        writeReport(reportFolder, QStringLiteral("FAIL\r\n%1: %2\r\n  at %3\r\n")
                                          .arg(failure->kind, failure->message, failure->where));
        return 1;
    }
    writeReport(reportFolder, QStringLiteral("PASS\r\n"
                                             "Multiple of 4: PASS\r\n"
                                             "Even size: PASS\r\n"
                                             "Power of two: PASS\r\n"
                                             "No crop/resize, pixel equality: PASS\r\n"
                                             "Transparent padding: PASS\r\n"
                                             "In-place replacement: PASS\r\n"
                                             "Existing output replacement: PASS\r\n"));
    return 0;
}

} // namespace SelfTest
