#include "BatchLogic.h"

#include "BatchRun.h"
#include "HelperText.h"
#include "ImageProcessor.h"
#include "LineProtocol.h"
#include "NaturalOrder.h"
#include "SafeFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

const QStringList BatchLogic::Extensions = {
    QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".png"), QStringLiteral(".bmp"),
    QStringLiteral(".gif"), QStringLiteral(".tif"),  QStringLiteral(".tiff"),
};

const QString BatchLogic::OutputFolderMarker = QStringLiteral("像素补齐_输出");
const QString BatchLogic::UndecodableName = QStringLiteral("无法处理的文件名（不是有效的 UTF-8）：");
const QString BatchLogic::UnsupportedType = QStringLiteral("不支持的文件类型：");
const QString BatchLogic::Missing = QStringLiteral("文件不存在：");

namespace {

bool isValidUtf8(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

// Length of the valid UTF-8 sequence at `at`, or 0.
int utf8SequenceAt(const QByteArray &bytes, qsizetype at)
{
    const uchar lead = uchar(bytes.at(at));
    const int length = lead < 0x80 ? 1 : (lead & 0xe0) == 0xc0 ? 2 : (lead & 0xf0) == 0xe0 ? 3
                                       : (lead & 0xf8) == 0xf0 ? 4 : 0;
    if (length == 0 || at + length > bytes.size())
        return 0;
    return isValidUtf8(bytes.mid(at, length)) ? length : 0;
}

void addPathArgument(const QString &argument, StartupArguments *parsed)
{
    if (argument.isEmpty())
        return;
    if (QFileInfo::exists(argument))
        parsed->paths.append(argument);
    else
        parsed->skipped.append(HelperText::translate(BatchLogic::Missing) + QDir::toNativeSeparators(argument));
}

// One path a line; a list the tool window wrote into its private folder is
// consumed, any other is left alone.
void addListedPaths(const QString &listFile, StartupArguments *parsed)
{
    QFile file(listFile);
    if (!file.open(QIODevice::ReadOnly)) {
        parsed->skipped.append(HelperText::translate(QStringLiteral("无法读取文件列表 %1：%2"))
                                   .arg(QDir::toNativeSeparators(listFile), file.errorString()));
        return;
    }
    const QByteArray content = file.readAll();
    file.close();
    const QList<QByteArray> lines = content.split('\n');
    parsed->paths.reserve(parsed->paths.size() + lines.size());
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        if (!isValidUtf8(line))
            parsed->skipped.append(HelperText::translate(BatchLogic::UndecodableName) + BatchLogic::escapedName(line));
        else
            addPathArgument(QString::fromUtf8(line), parsed);
    }
    const QFileInfo info(listFile);
    if (info.fileName().startsWith(QLatin1String("files-")) && !info.isSymLink()
        && SafeFile::isPrivateTemporaryFolder(info.absolutePath())) {
        QString ignored;
        SafeFile::removeFile(info.absoluteFilePath(), &ignored);
    }
}

// A usage error for a value `option` does not take, naming the values it does.
QString invalidValue(const QString &option, const QString &value, const QStringList &accepted)
{
    return HelperText::translate(QStringLiteral("%1 的取值无效：%2；可用的取值：%3"))
            .arg(option, value, accepted.join(QStringLiteral(", ")));
}

// Switches the helper knows that the batch run itself does not read.
const QStringList &knownSwitches()
{
    static const QStringList known = {QStringLiteral("--self-test"), QStringLiteral("--smoke-test"),
                                      QStringLiteral("--help")};
    return known;
}

const QStringList &valueSwitches()
{
    static const QStringList switches = {QStringLiteral("--rule"),      QStringLiteral("--fill"),
                                         QStringLiteral("--anchor"),
                                         QStringLiteral("--output-dir"), QStringLiteral("--files-from"),
                                         QStringLiteral("--jobs"),      QStringLiteral("--report-to"),
                                         QStringLiteral("--language"), QStringLiteral("--base")};
    return switches;
}

StartupArguments parse(const QStringList &arguments, const QHash<qsizetype, QString> &undecodable)
{
    // The language is the command line's from the start, so that what the
    // parsing itself has to say is said in it. Without the switch a headless
    // run speaks the environment's language; the window, Chinese.
    const qsizetype at = arguments.lastIndexOf(QStringLiteral("--language"));
    if (at >= 0 && at + 1 < arguments.size())
        HelperText::setLanguage(arguments.at(at + 1));
    else
        HelperText::setLanguage(arguments.contains(QStringLiteral("--headless"))
                                                || arguments.contains(QStringLiteral("--undo-last"))
                                        ? BatchLogic::environmentLanguage()
                                        : QString());

    StartupArguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const bool valueFollows = i + 1 < arguments.size();
        if (valueSwitches().contains(argument) && !valueFollows) {
            parsed.errors.append(HelperText::translate(QStringLiteral("%1 缺少取值")).arg(argument));
        } else if (argument == QLatin1String("--rule")) {
            // The helper always pads: "none" is no value of its own.
            const std::optional<Sizing> rule = PaddingChoices::sizingFromKey(arguments.at(++i).toLower());
            parsed.rule = rule && rule->pads() ? *rule : Sizing(SizeRule::Multiple4);
            if (!rule || !rule->pads())
                parsed.errors.append(invalidValue(argument, arguments.at(i), PaddingChoices::sizingKeyForms()));
        } else if (argument == QLatin1String("--fill")) {
            const std::optional<FillSpec> fill = PaddingChoices::fillFromKey(arguments.at(++i).toLower());
            parsed.fill = fill.value_or(Fill::Transparent);
            if (!fill)
                parsed.errors.append(invalidValue(argument, arguments.at(i), PaddingChoices::fillKeyForms()));
        } else if (argument == QLatin1String("--anchor")) {
            const std::optional<Anchor> anchor = PaddingChoices::anchorFromKey(arguments.at(++i).toLower());
            parsed.anchor = anchor.value_or(Anchor::Center);
            if (!anchor)
                parsed.errors.append(invalidValue(argument, arguments.at(i), PaddingChoices::anchorKeys()));
        } else if (argument == QLatin1String("--output-dir")) {
            if (valueFollows)
                parsed.outputDir = arguments.at(++i);
        } else if (argument == QLatin1String("--files-from")) {
            if (valueFollows)
                addListedPaths(arguments.at(++i), &parsed);
        } else if (argument == QLatin1String("--centered")) {
            parsed.anchor = Anchor::Center;
        } else if (argument == QLatin1String("--no-centered")) {
            parsed.anchor = Anchor::TopLeft;
        } else if (argument == QLatin1String("--png")) {
            parsed.png = true;
        } else if (argument == QLatin1String("--recursive")) {
            parsed.recursive = true;
        } else if (argument == QLatin1String("--start")) {
            parsed.start = true;
        } else if (argument == QLatin1String("--headless")) {
            parsed.headless = true;
        } else if (argument == QLatin1String("--no-trash")) {
            parsed.keepOriginals = false;
        } else if (argument == QLatin1String("--undo-last")) {
            parsed.undoLast = true;
        } else if (argument == QLatin1String("--jobs")) {
            bool number = false;
            const int jobs = arguments.at(++i).toInt(&number);
            if (number && jobs > 0)
                parsed.jobs = jobs;
            else
                parsed.errors.append(
                        HelperText::translate(QStringLiteral("--jobs 需要一个正整数：%1")).arg(arguments.at(i)));
        } else if (argument == QLatin1String("--report-to")) {
            if (valueFollows)
                parsed.reportTo = arguments.at(++i);
        } else if (argument == QLatin1String("--base")) {
            const QString folder = arguments.at(++i);
            if (QFileInfo(folder).isDir())
                parsed.baseFolders.append(folder);
            else
                parsed.errors.append(HelperText::translate(QStringLiteral("--base 需要一个已有的文件夹：%1")).arg(folder));
        } else if (argument == QLatin1String("--language")) {
            if (valueFollows)
                parsed.language = arguments.at(++i);
        } else if (knownSwitches().contains(argument)) {
            continue;
        } else if (argument.startsWith(QLatin1String("--"))) {
            parsed.errors.append(HelperText::translate(QStringLiteral("未知的开关：%1")).arg(argument));
        } else if (undecodable.contains(i)) {
            parsed.skipped.append(HelperText::translate(BatchLogic::UndecodableName) + undecodable.value(i));
        } else {
            addPathArgument(argument, &parsed);
        }
    }
    return parsed;
}

} // namespace

QStringList BatchLogic::expandPaths(const QStringList &paths, bool recursive, QStringList *skipped)
{
    QStringList pictures;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir())
            listPictures(path, recursive, false, &pictures, nullptr, skipped);
        else if (isPicture(path))
            pictures.append(path);
        else
            skipped->append(HelperText::translate(UnsupportedType) + QDir::toNativeSeparators(path));
    }
    return pictures;
}

QString BatchLogic::environmentLanguage()
{
    // The first of these that is set decides, as for any program's messages.
    QString locale;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = QString::fromLocal8Bit(qgetenv(name));
        if (!locale.isEmpty())
            break;
    }
    locale = locale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    const QString language = locale.section(QLatin1Char('_'), 0, 0);
    const QString country = locale.section(QLatin1Char('_'), 1, 1).toUpper();
    if (language == QLatin1String("zh"))
        return country == QLatin1String("TW") || country == QLatin1String("HK") || country == QLatin1String("MO")
                ? QStringLiteral("zh_TW")
                : QStringLiteral("zh_CN");
    if (language == QLatin1String("ja"))
        return QStringLiteral("ja_JP");
    if (language == QLatin1String("ko"))
        return QStringLiteral("ko_KR");
    return QStringLiteral("en_US");
}

QStringList BatchLogic::baseFolders(const StartupArguments &parsed)
{
    QStringList folders;
    for (const QString &path : parsed.paths) {
        if (QFileInfo(path).isDir())
            folders.append(path);
    }
    return folders + parsed.baseFolders;
}

QString BatchLogic::pathKey(const QString &path)
{
    return SafeFile::pathCaseSensitivity() == Qt::CaseSensitive ? path : path.toLower();
}

QString BatchLogic::skippedPath(const QString &text)
{
    for (const QString *prefix : {&UndecodableName, &UnsupportedType, &Missing}) {
        const QString shown = HelperText::translate(*prefix);
        if (text.startsWith(shown))
            return text.mid(shown.size());
    }
    const qsizetype colon = text.indexOf(QChar(0xFF1A));
    return colon < 0 ? QString() : text.mid(colon + 1);
}

QList<SkippedFile> BatchLogic::skippedFiles(const QStringList &texts)
{
    QList<SkippedFile> files;
    files.reserve(texts.size());
    for (const QString &text : texts)
        files.append({skippedPath(text), text});
    return files;
}

QString BatchLogic::escapedName(const QByteArray &raw)
{
    QString shown;
    for (qsizetype at = 0; at < raw.size();) {
        const int length = utf8SequenceAt(raw, at);
        if (length > 0) {
            shown += QString::fromUtf8(raw.mid(at, length));
            at += length;
        } else {
            shown += QStringLiteral("\\x%1").arg(uint(uchar(raw.at(at))), 2, 16, QLatin1Char('0'));
            ++at;
        }
    }
    return shown;
}

bool BatchLogic::isPicture(const QString &path)
{
    // The extension is what follows the last dot of the last path element, so
    // a dotted folder name never makes its files pictures.
    const qsizetype slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash)
        return false;
    return Extensions.contains(path.mid(dot).toLower());
}

StartupArguments BatchLogic::parseArguments(const QStringList &arguments)
{
    return parse(arguments, {});
}

StartupArguments BatchLogic::parseArguments(const QList<QByteArray> &arguments)
{
    QStringList decoded;
    QHash<qsizetype, QString> undecodable;
    for (const QByteArray &argument : arguments) {
        if (!isValidUtf8(argument))
            undecodable.insert(decoded.size(), escapedName(argument));
        decoded.append(QString::fromUtf8(argument));
    }
    return parse(decoded, undecodable);
}

bool BatchLogic::listPictures(const QString &folder, bool recursive, bool skipOutputFolders, QStringList *pictures,
                              QString *error, QStringList *skipped)
{
    QString firstError;
    // Breadth first: a folder's own pictures come before those of its subfolders.
    QStringList pending{folder};
    for (qsizetype next = 0; next < pending.size(); ++next) {
        const QString current = pending.at(next);
        const QFileInfo info(current);
        if (!info.isDir() || !info.isReadable()) {
            if (firstError.isEmpty()) {
                firstError = HelperText::translate(info.exists() ? QStringLiteral("无法读取文件夹：")
                                                                 : QStringLiteral("文件夹不存在："))
                             + QDir::toNativeSeparators(current);
            }
            continue;
        }
        // System: links that lead nowhere are listed too, to be noted. In natural
        // order, not the file system's, so every run takes the pictures alike.
        QDirIterator it(current, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        QStringList entries;
        while (it.hasNext())
            entries.append(it.next());
        NaturalOrder::sort(&entries);
        for (const QString &path : std::as_const(entries)) {
            const QFileInfo entry(path);
            if (entry.isDir()) {
                if (recursive && !entry.isSymLink())
                    pending.append(path);
                continue;
            }
            if (!isPicture(path) || (skipOutputFolders && path.contains(OutputFolderMarker))
                || ImageProcessor::isTemporaryName(entry.fileName()))
                continue;
            if (entry.isSymLink() && !entry.exists()) {
                if (skipped)
                    skipped->append(HelperText::translate(Missing) + QDir::toNativeSeparators(path));
            } else if (entry.isFile()) {
                pictures->append(path);
            }
        }
        if (skipped) {
            const QList<QByteArray> names = SafeFile::undecodableNames(current);
            for (const QByteArray &name : names) {
                const QString shown = escapedName(name);
                if (isPicture(shown))
                    skipped->append(HelperText::translate(UndecodableName)
                                    + QDir::toNativeSeparators(current + QLatin1Char('/') + shown));
            }
        }
    }
    if (!firstError.isEmpty() && error)
        *error = firstError;
    return firstError.isEmpty();
}

QString BatchLogic::duration(qint64 milliseconds)
{
    const qint64 totalSeconds = qMax<qint64>(milliseconds, 0) / 1000;
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2:%3")
        .arg(totalSeconds / 3600, 2, 10, zero)
        .arg(totalSeconds / 60 % 60, 2, 10, zero)
        .arg(totalSeconds % 60, 2, 10, zero);
}

QString BatchLogic::logLine(const QTime &time, const QString &text)
{
    return QLatin1Char('[') + time.toString(QStringLiteral("HH:mm:ss")) + QLatin1String("] ") + LineProtocol::escaped(text);
}

