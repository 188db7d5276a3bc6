#include "IntegratedTools.h"

#include "Localization.h"

#include <QFileInfo>

#include <iterator>

namespace IntegratedTools {

namespace {

struct ToolEntry
{
    const char16_t *key;
    const char16_t *title;
    const char16_t *iconResource;
    const char16_t *iconFileName;
    const char16_t *executableBaseName;
};

// Indexed by the enumeration value.
const ToolEntry toolEntries[] = {
    {u"image-resize", u"图片尺寸调整工具", u":/branding/assets/image-resize-tool-icon.png",
     u"image-resize-tool.ico", u"Quadrix"},
    {u"psd-slim", u"PSD&PSB安全瘦身工具", u":/branding/assets/psd-slim-tool-icon.png",
     u"psd-slim-tool.ico", u"Corvel"},
    {u"layer-export", u"PSD图层批量导出工具", u":/branding/assets/layer-export-tool-icon.png",
     u"layer-export-tool.ico", u"Lamivex"},
};

const ToolEntry *entryFor(Tool tool)
{
    const auto index = qint32(tool);
    if (index < 0 || index >= qint32(std::size(toolEntries)))
        return nullptr;
    return &toolEntries[index];
}

QString text(const char16_t *literal)
{
    return QString::fromUtf16(literal);
}

} // namespace

QString toolKey(Tool tool)
{
    const ToolEntry *entry = entryFor(tool);
    return entry ? text(entry->key) : QString();
}

bool toolFromKey(const QString &key, Tool *tool)
{
    for (qint32 index = 0; index < qint32(std::size(toolEntries)); ++index) {
        if (key.compare(text(toolEntries[index].key), Qt::CaseInsensitive) == 0) {
            if (tool)
                *tool = Tool(index);
            return true;
        }
    }
    return false;
}

QString toolDisplayTitle(Tool tool)
{
    const ToolEntry *entry = entryFor(tool);
    return entry ? translateToolText(text(entry->title)) : QString();
}

QString toolIconResource(Tool tool)
{
    const ToolEntry *entry = entryFor(tool);
    return entry ? text(entry->iconResource) : QString();
}

QString toolIconFileName(Tool tool)
{
    const ToolEntry *entry = entryFor(tool);
    return entry ? text(entry->iconFileName) : QString();
}

QString toolExecutableName(Tool tool)
{
    const ToolEntry *entry = entryFor(tool);
    return entry ? executableFileName(text(entry->executableBaseName)) : QString();
}

QString toolLocalizedExecutableName(Tool tool)
{
    const ToolEntry *entry = entryFor(tool);
    return entry ? executableFileName(text(entry->title)) : QString();
}

QStringList acceptedExtensions(Tool tool)
{
    if (tool == ImageResize) {
        return {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"), QStringLiteral("bmp"),
                QStringLiteral("gif"), QStringLiteral("tif"), QStringLiteral("tiff")};
    }
    return {QStringLiteral("psd"), QStringLiteral("psb")};
}

QString fileDialogFilter(Tool tool)
{
    if (tool == ImageResize)
        return QStringLiteral("支持的图片 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff)");
    return QStringLiteral("Photoshop 文件 (*.psd *.psb)");
}

bool filesMatchTool(Tool tool, const QStringList &paths)
{
    if (paths.isEmpty())
        return false;
    const QStringList extensions = acceptedExtensions(tool);
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isFile() || !extensions.contains(info.suffix().toLower()))
            return false;
    }
    return true;
}

QString executableFileName(const QString &baseName)
{
    return baseName + executableSuffix();
}

QString pathKey(const QString &path)
{
    return pathCaseSensitivity() == Qt::CaseSensitive ? path : path.toCaseFolded();
}

} // namespace IntegratedTools
