#include "HelperText.h"
#include "Localization.h"
#include "QtTranslations.h"
#include "SettingsSandbox.h"
#include "TextTable.h"
#include "Usage.h"
#include "PsdText.h"
#include "WorkerText.h"

#include <QFile>

#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The interface language, the two dictionaries and the locale they imply.
class tst_Localization : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void translate_data();
    void translate();
    void placeholderSubstitutedAfterLookup();
    void generalSummaryRow();
    void counts_data();
    void counts();
    void chooseForms_data();
    void chooseForms();
    void englishSystemWithoutStoredLanguage();
    void hongKongSystemWithoutStoredLanguage();
    void indices_data();
    void indices();
    void languageCodeForLocale_data();
    void languageCodeForLocale();
    void dictionaryRows_data();
    void dictionaryRows();
    void helperLanguage_data();
    void helperLanguage();
    void creditLine();
    void meaning_data();
    void meaning();
    void languageSurvivesTheFile_data();
    void languageSurvivesTheFile();
    void qtTranslations_data();
    void qtTranslations();
    void toolTitles_data();
    void toolTitles();
    void interfaceLocale_data();
    void interfaceLocale();
    void formatDataSize_data();
    void formatDataSize();

private:
    std::unique_ptr<SettingsSandbox> m_settings;
};

namespace {

const QString notStored = QStringLiteral("<not stored>");

// Simplified characters of the source texts whose Traditional form differs.
const QString simplifiedOnly = QStringLiteral(
        "图选择处调导层个张夹项状态绪开运设帮关闭规则补边颜内统输无损录数幂浏览认扩时间将这钮对较离线启动验画与"
        "结构换创标语号联邮传递败读进确继续请错误过还没为发现么转单应该会当经给让总计节约压缩释务队检长"
        "删码复损坏盖终异详节扫须储齐报写记权宽帧临档径码据识删残码");

void storeLanguage(const QString &code)
{
    if (code == notStored)
        SettingsSandbox::clearLanguage();
    else
        SettingsSandbox::setLanguage(code);
}

QStringList placeholders(const QString &text)
{
    QStringList found;
    static const QRegularExpression placeholder(QStringLiteral("%[1-9n]"));
    auto matches = placeholder.globalMatch(text);
    while (matches.hasNext())
        found.append(matches.next().captured());
    found.sort();
    return found;
}

bool containsScript(const QString &text, QChar::Script script)
{
    for (const QChar c : text) {
        if (c.script() == script)
            return true;
    }
    return false;
}

} // namespace

void tst_Localization::init()
{
    m_settings = std::make_unique<SettingsSandbox>();
    QVERIFY2(m_settings->isValid(), qPrintable(m_settings->errorString()));
}

void tst_Localization::cleanup()
{
    m_settings.reset();
}

void tst_Localization::translate_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");

    const QString start = QStringLiteral("开始处理");
    QTest::newRow("start_en_US") << QStringLiteral("en_US") << start << QStringLiteral("Start processing");
    QTest::newRow("start_zh_CN") << QStringLiteral("zh_CN") << start << start;
    QTest::newRow("start_nothing_stored") << notStored << start << start;
    QTest::newRow("start_zh_TW") << QStringLiteral("zh_TW") << start << QStringLiteral("開始處理");
    QTest::newRow("start_ja_JP") << QStringLiteral("ja_JP") << start << QStringLiteral("処理を開始");
    QTest::newRow("start_ko_KR") << QStringLiteral("ko_KR") << start << QStringLiteral("처리 시작");
    QTest::newRow("start_EN_US_in_capitals_is_source") << QStringLiteral("EN_US") << start << start;
    QTest::newRow("start_empty_value_is_source") << QString() << start << start;
    QTest::newRow("start_unknown_code_is_source") << QStringLiteral("fr_FR") << start << start;

    const QString count = QStringLiteral("已选 %1 个 PSD / PSB");
    QTest::newRow("general_count_en_US") << QStringLiteral("en_US") << count << QStringLiteral("%1 PSD / PSB selected");
    QTest::newRow("general_count_zh_TW") << QStringLiteral("zh_TW") << count << QStringLiteral("已選 %1 個 PSD / PSB");
    QTest::newRow("general_count_ja_JP") << QStringLiteral("ja_JP") << count << QStringLiteral("選択済み PSD / PSB: %1");
    QTest::newRow("general_count_ko_KR") << QStringLiteral("ko_KR") << count << QStringLiteral("선택한 PSD / PSB %1개");
    QTest::newRow("general_count_zh_CN") << QStringLiteral("zh_CN") << count << count;
    QTest::newRow("general_count_EN_US_in_capitals_is_english")
            << QStringLiteral("EN_US") << count << QStringLiteral("%1 PSD / PSB selected");
    QTest::newRow("general_count_unknown_code_is_english")
            << QStringLiteral("fr_FR") << count << QStringLiteral("%1 PSD / PSB selected");
    QTest::newRow("general_count_lower_case_zh_tw_is_english")
            << QStringLiteral("zh_tw") << count << QStringLiteral("%1 PSD / PSB selected");
    QTest::newRow("general_zero_ja_JP") << QStringLiteral("ja_JP") << QStringLiteral("已选 0 个 PSD / PSB")
                                        << QStringLiteral("選択済み PSD / PSB: 0");
    const QString neither = QStringLiteral("[%1] 这一行不在任何词典里。");
    QTest::newRow("neither_en_US") << QStringLiteral("en_US") << neither << neither;
    QTest::newRow("neither_zh_TW") << QStringLiteral("zh_TW") << neither << neither;
    QTest::newRow("neither_ja_JP") << QStringLiteral("ja_JP") << neither << neither;
    QTest::newRow("neither_ko_KR") << QStringLiteral("ko_KR") << neither << neither;
    QTest::newRow("neither_nothing_stored") << notStored << neither << neither;
    QTest::newRow("empty_text_en_US") << QStringLiteral("en_US") << QString() << QString();
    QTest::newRow("line_break_kept_en_US") << QStringLiteral("en_US")
                                           << QStringLiteral("将文件或文件夹拖到这里\n也可以使用上方的选择按钮")
                                           << QStringLiteral("Drop files or folders here\nor use the selection buttons above");
    QTest::newRow("help_title_ja_JP") << QStringLiteral("ja_JP") << QStringLiteral("帮助 - %1")
                                      << QStringLiteral("ヘルプ - %1");
}

void tst_Localization::translate()
{
    QFETCH(QString, language);
    QFETCH(QString, source);
    QFETCH(QString, expected);

    storeLanguage(language);
    QCOMPARE(translateToolText(source), expected);
}

void tst_Localization::placeholderSubstitutedAfterLookup()
{
    SettingsSandbox::setLanguage(QStringLiteral("en_US"));
    QCOMPARE(translateToolText(QStringLiteral("已选 %1 个 PSD / PSB")).arg(3), QStringLiteral("3 PSD / PSB selected"));
    QCOMPARE(translateToolText(QStringLiteral("版本号：%1")).arg(QStringLiteral("2.36")), QStringLiteral("Version: 2.36"));
    SettingsSandbox::setLanguage(QStringLiteral("ko_KR"));
    QCOMPARE(translateToolText(QStringLiteral("已选 %1 个 PSD / PSB")).arg(3), QStringLiteral("선택한 PSD / PSB 3개"));
}

// The summary row sits in the second general table; the tool dictionary holds
// it again with the English plural.
void tst_Localization::generalSummaryRow()
{
    const QString summary = QStringLiteral("%1 个文件  |  %2  |  支持：%3");
    SettingsSandbox::setLanguage(QStringLiteral("ko_KR"));
    QCOMPARE(translateGeneralText(summary), QStringLiteral("파일 %1개  |  %2  |  지원: %3"));
    SettingsSandbox::setLanguage(QStringLiteral("en_US"));
    QCOMPARE(translateGeneralText(summary), QStringLiteral("%1 files  |  %2  |  Supported: %3"));
    QCOMPARE(translateCount(summary, {{1, 1}}), QStringLiteral("%1 file  |  %2  |  Supported: %3"));
    // Looked up without its count, a counting text reads in the plural, never with braces.
    QCOMPARE(translateToolText(summary), QStringLiteral("%1 files  |  %2  |  Supported: %3"));
}

void tst_Localization::counts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<qint64>("added");
    QTest::addColumn<qint64>("ignored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one_and_none_en_US") << QStringLiteral("en_US") << qint64(1) << qint64(0)
                                        << QStringLiteral("[09:00:00] Added 1 file; ignored 0 unsupported files.");
    QTest::newRow("many_and_one_en_US") << QStringLiteral("en_US") << qint64(12) << qint64(1)
                                        << QStringLiteral("[09:00:00] Added 12 files; ignored 1 unsupported file.");
    QTest::newRow("one_zh_CN") << QStringLiteral("zh_CN") << qint64(1) << qint64(1)
                               << QStringLiteral("[09:00:00] 已加入 1 个文件，忽略 1 个不适用文件。");
    QTest::newRow("one_ko_KR") << QStringLiteral("ko_KR") << qint64(1) << qint64(2)
                               << QStringLiteral("[09:00:00] 파일 1개를 추가하고 해당하지 않는 파일 2개는 무시했습니다.");
}

void tst_Localization::counts()
{
    QFETCH(QString, language);
    QFETCH(qint64, added);
    QFETCH(qint64, ignored);
    QFETCH(QString, expected);

    SettingsSandbox::setLanguage(language);
    const QString text = translateCount(QStringLiteral("[%1] 已加入 %2 个文件，忽略 %3 个不适用文件。"), {{2, added}, {3, ignored}});
    QCOMPARE(text.arg(QStringLiteral("09:00:00"), QString::number(added), QString::number(ignored)), expected);
}

void tst_Localization::chooseForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one") << QStringLiteral("%1 {file|files}") << qint64(1) << QStringLiteral("%1 file");
    QTest::newRow("zero_is_other") << QStringLiteral("%1 {file|files}") << qint64(0) << QStringLiteral("%1 files");
    QTest::newRow("minus_one_is_other") << QStringLiteral("%1 {file|files}") << qint64(-1) << QStringLiteral("%1 files");
    QTest::newRow("several_choices_one_count")
            << QStringLiteral("%1 {file was|files were} skipped; {it|they} stay") << qint64(1)
            << QStringLiteral("%1 file was skipped; it stay");
    QTest::newRow("choice_of_an_uncounted_placeholder_is_other")
            << QStringLiteral("%1 of %2 {file|files}") << qint64(1) << QStringLiteral("%1 of %2 files");
    QTest::newRow("braces_without_bar_kept") << QStringLiteral("%1 {x} {file|files}") << qint64(3)
                                             << QStringLiteral("%1 {x} files");
    QTest::newRow("no_choice") << QStringLiteral("%1 個檔案") << qint64(1) << QStringLiteral("%1 個檔案");
}

void tst_Localization::chooseForms()
{
    QFETCH(QString, text);
    QFETCH(qint64, count);
    QFETCH(QString, expected);
    QCOMPARE(TextTable::chooseForms(text, {{1, count}}), expected);
}

void tst_Localization::englishSystemWithoutStoredLanguage()
{
    if (::languageCodeForLocale(QLocale::system()) != u"en_US")
        QSKIP("needs a system locale that is none of the interface languages");
    SettingsSandbox::clearLanguage();
    QCOMPARE(currentLanguageCode(), QStringLiteral("en_US"));
    QCOMPARE(toolLanguageIndex(), 0);
    QCOMPARE(generalLanguageIndex(), 3);
    QCOMPARE(translateToolText(QStringLiteral("开始处理")), QStringLiteral("开始处理"));
    QCOMPARE(translateToolText(QStringLiteral("已选 0 个 PSD / PSB")), QStringLiteral("0 PSD / PSB selected"));
}

// The system locale is read from the environment once per process, so the
// check runs again in a child started with a Hong Kong locale.
void tst_Localization::hongKongSystemWithoutStoredLanguage()
{
    if (QLocale::system().name() != u"zh_HK") {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("zh_HK.UTF-8"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("hongKongSystemWithoutStoredLanguage")});
        QVERIFY2(child.waitForFinished(60000), qPrintable(child.errorString()));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
        QVERIFY2(!output.contains("SKIP"), output.constData());
        return;
    }

    SettingsSandbox::clearLanguage();
    QCOMPARE(currentLanguageCode(), QStringLiteral("zh_TW"));
    QCOMPARE(generalLanguageIndex(), 0);
    QCOMPARE(toolLanguageIndex(), 0);
    QCOMPARE(translateToolText(QStringLiteral("已选 0 个 PSD / PSB")), QStringLiteral("已選 0 個 PSD / PSB"));
    QCOMPARE(translateToolText(QStringLiteral("开始处理")), QStringLiteral("开始处理"));
}

void tst_Localization::indices_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("toolIndex");
    QTest::addColumn<int>("generalIndex");
    QTest::addColumn<QString>("code");

    QTest::newRow("zh_CN") << QStringLiteral("zh_CN") << 0 << 3 << QStringLiteral("zh_CN");
    QTest::newRow("zh_TW") << QStringLiteral("zh_TW") << 1 << 0 << QStringLiteral("zh_TW");
    QTest::newRow("ja_JP") << QStringLiteral("ja_JP") << 2 << 1 << QStringLiteral("ja_JP");
    QTest::newRow("ko_KR") << QStringLiteral("ko_KR") << 3 << 2 << QStringLiteral("ko_KR");
    QTest::newRow("en_US") << QStringLiteral("en_US") << 4 << 3 << QStringLiteral("en_US");
    QTest::newRow("capitals_kept_as_written") << QStringLiteral("EN_US") << 0 << 3 << QStringLiteral("EN_US");
    QTest::newRow("language_without_country") << QStringLiteral("ja") << 0 << 3 << QStringLiteral("ja");
    QTest::newRow("hyphen_instead_of_underscore") << QStringLiteral("ko-KR") << 0 << 3 << QStringLiteral("ko-KR");
}

void tst_Localization::indices()
{
    QFETCH(QString, language);
    QFETCH(int, toolIndex);
    QFETCH(int, generalIndex);
    QFETCH(QString, code);

    storeLanguage(language);
    QCOMPARE(toolLanguageIndex(), toolIndex);
    QCOMPARE(generalLanguageIndex(), generalIndex);
    QCOMPARE(currentLanguageCode(), code);
}

void tst_Localization::languageCodeForLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("code");

    QTest::newRow("hong_kong") << QStringLiteral("zh_HK") << QStringLiteral("zh_TW");
    QTest::newRow("taiwan") << QStringLiteral("zh_TW") << QStringLiteral("zh_TW");
    QTest::newRow("traditional_script_taiwan") << QStringLiteral("zh_Hant_TW") << QStringLiteral("zh_TW");
    QTest::newRow("mainland") << QStringLiteral("zh_CN") << QStringLiteral("zh_CN");
    QTest::newRow("singapore_chinese") << QStringLiteral("zh_SG") << QStringLiteral("zh_CN");
    QTest::newRow("japan") << QStringLiteral("ja_JP") << QStringLiteral("ja_JP");
    QTest::newRow("korea") << QStringLiteral("ko_KR") << QStringLiteral("ko_KR");
    QTest::newRow("british_english") << QStringLiteral("en_GB") << QStringLiteral("en_US");
    QTest::newRow("german") << QStringLiteral("de_DE") << QStringLiteral("en_US");
    QTest::newRow("c_locale") << QStringLiteral("C") << QStringLiteral("en_US");
}

void tst_Localization::languageCodeForLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, code);
    QCOMPARE(::languageCodeForLocale(QLocale(locale)), code);
}

void tst_Localization::dictionaryRows_data()
{
    QTest::addColumn<QStringList>("texts"); // zh_CN, zh_TW, ja_JP, ko_KR, en_US

    const QHash<QString, QStringList> &tool = toolDictionary();
    for (auto row = tool.cbegin(); row != tool.cend(); ++row) {
        QTest::newRow(qPrintable(u"tool " + row.key())) << row.value();
        QCOMPARE(row.value().value(0), row.key().section(toolMeaningSeparator, 0, 0));
    }
    const QHash<QString, QStringList> &helper = HelperText::dictionary();
    for (auto row = helper.cbegin(); row != helper.cend(); ++row)
        QTest::newRow(qPrintable(u"helper " + row.key())) << row.value();
    const QHash<QString, QStringList> &usage = quadrixUsageDictionary();
    for (auto row = usage.cbegin(); row != usage.cend(); ++row)
        QTest::newRow(qPrintable(u"usage " + row.key())) << row.value();
    const QHash<QString, QStringList> &worker = WorkerText::Dictionary();
    for (auto row = worker.cbegin(); row != worker.cend(); ++row)
        QTest::newRow(qPrintable(u"worker " + row.key())) << row.value();
    const QHash<QString, QStringList> &reader = PsdText::Dictionary();
    for (auto row = reader.cbegin(); row != reader.cend(); ++row)
        QTest::newRow(qPrintable(u"reader " + row.key())) << row.value();
    for (int table : {0, 1}) {
        const QHash<QString, QStringList> &general = generalDictionaryTable(table);
        for (auto row = general.cbegin(); row != general.cend(); ++row)
            QTest::newRow(qPrintable(u"general " + row.key())) << QStringList{row.key()} + row.value();
    }
}

// Every row: five texts, none empty, the same placeholders and line breaks in
// each, each in its language's script, and Traditional Chinese written in
// Traditional characters.
void tst_Localization::dictionaryRows()
{
    QFETCH(QStringList, texts);
    QCOMPARE(texts.size(), 5);
    const QString &source = texts.at(0);
    for (const QString &text : texts) {
        QVERIFY2(!text.trimmed().isEmpty(), qPrintable(source));
        QVERIFY2(placeholders(text) == placeholders(source), qPrintable(text));
        QVERIFY2(text.count(u'\n') == source.count(u'\n'), qPrintable(text));
    }
    QVERIFY2(containsScript(texts.at(1), QChar::Script_Han), qPrintable(texts.at(1)));
    QVERIFY2(containsScript(texts.at(2), QChar::Script_Han) || containsScript(texts.at(2), QChar::Script_Katakana)
                     || containsScript(texts.at(2), QChar::Script_Hiragana),
             qPrintable(texts.at(2)));
    QVERIFY2(containsScript(texts.at(3), QChar::Script_Hangul), qPrintable(texts.at(3)));
    QVERIFY2(!containsScript(texts.at(4), QChar::Script_Han), qPrintable(texts.at(4)));

    // A Simplified character left in the Traditional text means it was copied.
    for (const QChar c : texts.at(1))
        QVERIFY2(!simplifiedOnly.contains(c), qPrintable(texts.at(1) + u": " + c));

    // Only English counts with "{one|other}", each choice right after a placeholder.
    for (int column = 0; column < 4; ++column)
        QVERIFY2(TextTable::choicesOf(texts.at(column)).isEmpty(), qPrintable(texts.at(column)));
    for (const auto &choice : TextTable::choicesOf(texts.at(4)))
        QVERIFY2(choice.first != 0, qPrintable(texts.at(4)));
}

void tst_Localization::helperLanguage_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("known");
    const QString source = QStringLiteral("已选择 %1 个图片");
    QTest::newRow("zh_CN") << QStringLiteral("zh_CN") << source << true;
    QTest::newRow("zh_TW") << QStringLiteral("zh_TW") << QStringLiteral("已選擇 %1 張圖片") << true;
    QTest::newRow("ja_JP") << QStringLiteral("ja_JP") << QStringLiteral("画像 %1 枚を選択済み") << true;
    QTest::newRow("ko_KR") << QStringLiteral("ko_KR") << QStringLiteral("이미지 %1개 선택됨") << true;
    QTest::newRow("en_US") << QStringLiteral("en_US") << QStringLiteral("%1 images selected") << true;
    QTest::newRow("unknown_code_is_source") << QStringLiteral("fr_FR") << source << false;
    QTest::newRow("capitals_are_source") << QStringLiteral("EN_US") << source << false;
}

void tst_Localization::helperLanguage()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QFETCH(bool, known);
    const auto restore = qScopeGuard([] { HelperText::setLanguage(QStringLiteral("zh_CN")); });
    QCOMPARE(HelperText::setLanguage(code), known);
    QCOMPARE(HelperText::translateCount(QStringLiteral("已选择 %1 个图片"), {{1, 2}}), expected);
    QCOMPARE(HelperText::translate(QStringLiteral("不在词典里的一句话")), QStringLiteral("不在词典里的一句话"));
}

void tst_Localization::creditLine()
{
    int creditRows = 0;
    const QHash<QString, QStringList> &dictionary = toolDictionary();
    for (auto row = dictionary.cbegin(); row != dictionary.cend(); ++row) {
        if (!row.key().startsWith(u"制作者："))
            continue;
        ++creditRows;
        QVERIFY(row.key().contains(u"  ｜  联系邮箱："));
        QVERIFY(row.value().at(4).startsWith(u"Created by: "));
        QVERIFY(row.value().at(4).contains(u"  |  Email: "));
        for (const QString &text : row.value())
            QVERIFY2(text.contains(u'@'), qPrintable(text));
    }
    QCOMPARE(creditRows, 1);
}

void tst_Localization::meaning_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("close");
    QTest::addColumn<QString>("off");
    QTest::newRow("zh_CN") << QStringLiteral("zh_CN") << QStringLiteral("关闭") << QStringLiteral("关闭");
    QTest::newRow("zh_TW") << QStringLiteral("zh_TW") << QStringLiteral("關閉") << QStringLiteral("關閉");
    QTest::newRow("ja_JP") << QStringLiteral("ja_JP") << QStringLiteral("閉じる") << QStringLiteral("オフ");
    QTest::newRow("ko_KR") << QStringLiteral("ko_KR") << QStringLiteral("닫기") << QStringLiteral("끔");
    QTest::newRow("en_US") << QStringLiteral("en_US") << QStringLiteral("Close") << QStringLiteral("off");
}

void tst_Localization::meaning()
{
    QFETCH(QString, language);
    QFETCH(QString, close);
    QFETCH(QString, off);
    storeLanguage(language);
    QCOMPARE(translateToolText(QStringLiteral("关闭")), close);
    QCOMPARE(translateToolText(QStringLiteral("关闭"), u"off"), off);
    // A meaning without a row of its own falls back to the plain text.
    QCOMPARE(translateToolText(QStringLiteral("关闭"), u"unknown"), close);
}

void tst_Localization::languageSurvivesTheFile_data()
{
    QTest::addColumn<QByteArray>("before"); // the file as found; empty: none
    QTest::addColumn<QString>("stored");    // stored through storeLanguage; empty: nothing
    QTest::addColumn<QString>("expected");

    QTest::newRow("written_and_read_back") << QByteArray() << QStringLiteral("en_US") << QStringLiteral("en_US");
    QTest::newRow("file_of_earlier_versions") << QByteArray("[%General]\nlanguage=ja_JP\n") << QString()
                                              << QStringLiteral("ja_JP");
    QTest::newRow("lower_case_section") << QByteArray("[%general]\nlanguage=ko_KR\n") << QString()
                                        << QStringLiteral("ko_KR");
    QTest::newRow("changed_in_file_of_earlier_versions")
            << QByteArray("[%General]\nlanguage=ja_JP\n\n[standaloneTools]\nimage-resize\\geometry=@ByteArray(x)\n")
            << QStringLiteral("zh_TW") << QStringLiteral("zh_TW");
    QTest::newRow("nothing_stored") << QByteArray("[standaloneTools]\nx=1\n") << QString() << QString();
}

// What the next start sees: a QSettings of its own on the file's bytes, never
// this process's cache of the file.
void tst_Localization::languageSurvivesTheFile()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Pictavo.ini"));
    if (!before.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    if (!stored.isEmpty()) {
        QSettings settings(path, QSettings::IniFormat);
        static const QRegularExpression written(QStringLiteral("language=(\\w*)"));
        QCOMPARE(::storedLanguage(settings), written.match(QString::fromLatin1(before)).captured(1));
        ::storeLanguage(settings, stored);
    }
    const QString copy = dir.filePath(QStringLiteral("next-start.ini"));
    QVERIFY(QFile::copy(path, copy));
    QCOMPARE(::storedLanguage(QSettings(copy, QSettings::IniFormat)), expected);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(file.readAll().count("language=") <= 1, qPrintable(path));
}

void tst_Localization::qtTranslations_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("zh_CN") << QStringLiteral("zh_CN") << QStringLiteral("取消");
    QTest::newRow("zh_TW") << QStringLiteral("zh_TW") << QStringLiteral("取消");
    QTest::newRow("ja_JP") << QStringLiteral("ja_JP") << QStringLiteral("キャンセル");
    QTest::newRow("ko_KR") << QStringLiteral("ko_KR") << QStringLiteral("취소");
    QTest::newRow("en_US") << QStringLiteral("en_US") << QStringLiteral("Cancel");
}

void tst_Localization::qtTranslations()
{
    QFETCH(QString, language);
    QFETCH(QString, cancel);
    QVERIFY(installQtTranslations(QStringLiteral("ja_JP")));
    QVERIFY(installQtTranslations(language));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);
    QVERIFY(!installQtTranslations(QStringLiteral("fr_FR")));
}

void tst_Localization::toolTitles_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("image-resize") << QStringLiteral("图片尺寸调整工具")
                                  << QStringList{QStringLiteral("图片尺寸调整工具"), QStringLiteral("圖片尺寸調整工具"),
                                                 QStringLiteral("画像サイズ調整ツール"),
                                                 QStringLiteral("이미지 크기 조정 도구"),
                                                 QStringLiteral("Image Resize Tool")};
    QTest::newRow("psd-slim") << QStringLiteral("PSD&PSB安全瘦身工具")
                              << QStringList{QStringLiteral("PSD&PSB安全瘦身工具"), QStringLiteral("PSD&PSB安全瘦身工具"),
                                             QStringLiteral("PSD&PSB安全スリム化ツール"),
                                             QStringLiteral("PSD&PSB 안전 최적화 도구"),
                                             QStringLiteral("PSD&PSB Safe Slim Tool")};
    QTest::newRow("layer-export") << QStringLiteral("PSD图层批量导出工具")
                                  << QStringList{QStringLiteral("PSD图层批量导出工具"), QStringLiteral("PSD圖層批次匯出工具"),
                                                 QStringLiteral("PSDレイヤー一括書き出しツール"),
                                                 QStringLiteral("PSD 레이어 일괄 내보내기 도구"),
                                                 QStringLiteral("PSD Layer Batch Export Tool")};
}

void tst_Localization::toolTitles()
{
    QFETCH(QString, source);
    QFETCH(QStringList, texts);

    const QStringList codes = {QStringLiteral("zh_CN"), QStringLiteral("zh_TW"), QStringLiteral("ja_JP"),
                               QStringLiteral("ko_KR"), QStringLiteral("en_US")};
    for (int column = 0; column < codes.size(); ++column) {
        SettingsSandbox::setLanguage(codes.at(column));
        QCOMPARE(translateToolText(source), texts.at(column));
    }
}

void tst_Localization::interfaceLocale_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("localeLanguage");
    QTest::addColumn<int>("script");

    QTest::newRow("zh_TW_traditional_chinese") << QStringLiteral("zh_TW") << int(QLocale::Chinese)
                                               << int(QLocale::TraditionalHanScript);
    QTest::newRow("ja_JP") << QStringLiteral("ja_JP") << int(QLocale::Japanese) << int(QLocale::JapaneseScript);
    QTest::newRow("ko_KR") << QStringLiteral("ko_KR") << int(QLocale::Korean) << int(QLocale::KoreanScript);
    QTest::newRow("en_US") << QStringLiteral("en_US") << int(QLocale::English) << int(QLocale::LatinScript);
}

void tst_Localization::interfaceLocale()
{
    QFETCH(QString, language);
    QFETCH(int, localeLanguage);
    QFETCH(int, script);

    SettingsSandbox::setLanguage(language);
    const QLocale locale = ::interfaceLocale();
    QCOMPARE(int(locale.language()), localeLanguage);
    QCOMPARE(int(locale.script()), script);
    // The workers write their numbers in the window's locale for the same code.
    QVERIFY(WorkerText::SetLanguage(language));
    const QLocale worker = WorkerText::Locale();
    WorkerText::SetLanguage(QStringLiteral("zh_CN"));
    QCOMPARE(worker, locale);
}

void tst_Localization::formatDataSize_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1536_bytes_english") << QStringLiteral("en_US") << qint64(1536) << QStringLiteral("1.50 KiB");
    QTest::newRow("zero_english") << QStringLiteral("en_US") << qint64(0) << QStringLiteral("0 bytes");
    QTest::newRow("one_byte_english") << QStringLiteral("en_US") << qint64(1) << QStringLiteral("1 byte");
    QTest::newRow("one_byte_japanese") << QStringLiteral("ja_JP") << qint64(1) << QStringLiteral("1 バイト");
    QTest::newRow("two_bytes_korean") << QStringLiteral("ko_KR") << qint64(2) << QStringLiteral("2 바이트");
    QTest::newRow("three_mebibytes_english") << QStringLiteral("en_US") << qint64(3) * 1024 * 1024
                                             << QStringLiteral("3.00 MiB");
    QTest::newRow("five_gibibytes_english") << QStringLiteral("en_US") << qint64(5) * 1024 * 1024 * 1024
                                            << QStringLiteral("5.00 GiB");
}

void tst_Localization::formatDataSize()
{
    QFETCH(QString, language);
    QFETCH(qint64, bytes);
    QFETCH(QString, expected);

    SettingsSandbox::setLanguage(language);
    QCOMPARE(::formatDataSize(bytes), expected);
}

QTEST_GUILESS_MAIN(tst_Localization)
#include "tst_localization.moc"
