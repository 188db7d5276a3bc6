#include "VerifiedWrite.h"

#include "HelperText.h"

#include "ReadBackCheck.h"
#include "SafeFile.h"

#include <QFile>

#include <limits>

namespace VerifiedWrite {

namespace {

bool place(const QString &temporary, const Placing &placing, QString *error,
           const std::function<bool(QString *)> &rename)
{
    if (placing.before && !placing.before(temporary, error))
        return false;
    if (rename(error))
        return true;
    if (placing.failed)
        placing.failed();
    return false;
}

} // namespace

bool write(const QString &temporary, const QString &destination, QByteArray encoded, ImageCodecs::Encoder encoder,
           const QSize &size, const QString &permissionsFrom, QString *error, bool *verified, bool mayReplace,
           const Placing &placing)
{
    if (verified)
        *verified = false;
    if (!SafeFile::writeNewFile(temporary, encoded, permissionsFrom, error))
        return false;

    // Read back what reached the disk: the bytes must be those encoded (a JPEG
    // cut short still decodes at full size) and must declare the target size.
    bool checked = false;
    {
        QByteArray written;
        if (!SafeFile::readRegularFile(temporary, std::numeric_limits<qint64>::max(), &written, error)) {
            *error = HelperText::translate(QStringLiteral("回读失败：%1")).arg(*error);
        } else if (written != encoded) {
            *error = HelperText::translate(QStringLiteral("回读内容校验失败：写入磁盘的数据与编码结果不一致"));
        } else {
            encoded = QByteArray();
            QSize readBack;
            if (!ReadBackCheck::writtenSize(written, encoder, &readBack, error))
                *error = HelperText::translate(QStringLiteral("回读失败：%1")).arg(*error);
            else if (readBack != size)
                *error = HelperText::translate(QStringLiteral("回读尺寸校验失败"));
            else
                checked = true;
        }
    }
    if (verified)
        *verified = checked;
    if (checked && place(temporary, placing, error, [&](QString *why) {
            return mayReplace ? SafeFile::replaceFile(temporary, destination, why)
                              : SafeFile::placeNewFile(temporary, destination, why);
        }))
        return true;
    QString ignored;
    SafeFile::removeFile(temporary, &ignored);
    return false;
}

bool writeStreamed(const QString &temporary, const QString &destination, const QString &permissionsFrom,
                   const std::function<bool(QFile *, QString *)> &produce,
                   const std::function<bool(const QString &, QString *)> &check, QString *error, bool *verified,
                   const Placing &placing)
{
    if (verified)
        *verified = false;
    {
        QFile file;
        if (!SafeFile::createNewFile(temporary, permissionsFrom, &file, error))
            return false;
        if (!produce(&file, error)) {
            file.close();
            QString ignored;
            SafeFile::removeFile(temporary, &ignored);
            return false;
        }
        if (!SafeFile::finishNewFile(&file, temporary, error))
            return false;
    }
    const bool checked = check(temporary, error);
    if (verified)
        *verified = checked;
    if (checked && place(temporary, placing, error, [&](QString *why) { return SafeFile::replaceFile(temporary, destination, why); }))
        return true;
    QString ignored;
    SafeFile::removeFile(temporary, &ignored);
    return false;
}

} // namespace VerifiedWrite
