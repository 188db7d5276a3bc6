#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {

// Qt ships one catalogue per language; only Chinese is split by script.
QString catalogueSuffix(const QString &languageCode)
{
    if (languageCode == u"zh_CN" || languageCode == u"zh_TW")
        return languageCode;
    if (languageCode == u"ja_JP")
        return QStringLiteral("ja");
    if (languageCode == u"ko_KR")
        return QStringLiteral("ko");
    return QString();
}

} // namespace

bool installQtTranslations(const QString &languageCode)
{
    static QPointer<QTranslator> installed;
    QCoreApplication *application = QCoreApplication::instance();
    if (!application)
        return false;
    if (languageCode == u"en_US") {
        // Qt's own texts are written in English.
        delete installed;
        return true;
    }
    const QString suffix = catalogueSuffix(languageCode);
    if (suffix.isEmpty())
        return false;

    auto *translator = new QTranslator(application);
    if (!translator->load(QStringLiteral("qtbase_") + suffix, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    delete installed; // removes itself from the application
    installed = translator;
    return QCoreApplication::installTranslator(translator);
}
