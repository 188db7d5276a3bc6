#include "VerifiedWrite.h"

#include "HelperText.h"

#include "ReadBackCheck.h"
#include "SafeFile.h"

#include <QFile>

#include <limits>

namespace VerifiedWrite {

bool write(const QString &temporary, const QString &destination, QByteArray encoded, ImageCodecs::Encoder encoder,
           const QSize &size, const QString &permissionsFrom, QString *error, bool *verified, bool mayReplace)
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
    if (checked
        && (mayReplace ? SafeFile::replaceFile(temporary, destination, error)
                       : SafeFile::placeNewFile(temporary, destination, error)))
        return true;
    QString ignored;
    SafeFile::removeFile(temporary, &ignored);
    return false;
}

bool writeStreamed(const QString &temporary, const QString &destination, const QString &permissionsFrom,
                   const std::function<bool(QFile *, QString *)> &produce,
                   const std::function<bool(const QString &, QString *)> &check, QString *error, bool *verified)
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
    if (checked && SafeFile::replaceFile(temporary, destination, error))
        return true;
    QString ignored;
    SafeFile::removeFile(temporary, &ignored);
    return false;
}

} // namespace VerifiedWrite
