#include "Theme.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

// The colour exchange between the light and the dark look.
class tst_Theme : public QObject
{
    Q_OBJECT

public:
    explicit tst_Theme(bool darkWithoutApplication)
        : m_darkWithoutApplication(darkWithoutApplication)
    {
    }

private slots:
    void cleanup();

    void isDarkTheme_data();
    void isDarkTheme();
    void isDarkWithoutApplication();
    void everyLightColourTurnsDark_data();
    void everyLightColourTurnsDark();
    void exchange_data();
    void exchange();
    void lightSheetUnchangedInLightDirection();
    void applyThemeTwiceReturnsWrittenSheet();
    void applyThemeTree();

private:
    bool m_darkWithoutApplication;
};

namespace {

// The pairs as published, light then dark.
const char16_t *const colourPairs[][2] = {
    {u"#f8fafc", u"#252e39"},
    {u"#f7f8fa", u"#202731"},
    {u"#f6f8fb", u"#202731"},
    {u"#f5f7fa", u"#1d2530"},
    {u"#f7f9fc", u"#252e39"},
    {u"#f4f6f9", u"#202731"},
    {u"#f2f5f8", u"#293442"},
    {u"#f1f4f8", u"#293442"},
    {u"#edf1f5", u"#1d2530"},
    {u"#edf0f4", u"#293442"},
    {u"#eff6ff", u"#263f73"},
    {u"#e9f2ff", u"#263f73"},
    {u"#e5f1fb", u"#263f73"},
    {u"#e7f0ff", u"#263f73"},
    {u"#dce9ff", u"#263f73"},
    {u"#dbeafe", u"#304b78"},
    {u"#ffffff", u"#202731"},
    {u"#eef1f5", u"#151a21"},
    {u"#eef3f8", u"#293442"},
    {u"#f4f1e9", u"#202731"},
    {u"#e4eaf1", u"#293442"},
    {u"#e1e7ee", u"#3d4a5a"},
    {u"#e2e7ee", u"#3d4a5a"},
    {u"#e4e9ef", u"#3d4a5a"},
    {u"#e6ebf1", u"#3d4a5a"},
    {u"#d7dee8", u"#3d4a5a"},
    {u"#d9dde2", u"#3d4a5a"},
    {u"#cbd2da", u"#3d4a5a"},
    {u"#d1d9e4", u"#526174"},
    {u"#cbd5e1", u"#3d4a5a"},
    {u"#cbd3df", u"#526174"},
    {u"#c5d0dd", u"#526174"},
    {u"#c4cfdb", u"#526174"},
    {u"#b9c5d3", u"#526174"},
    {u"#b8c3d1", u"#526174"},
    {u"#aebaca", u"#66788f"},
    {u"#99a7ba", u"#71839a"},
    {u"#9ba7b5", u"#71839a"},
    {u"#6b7788", u"#9aa8b8"},
    {u"#66758a", u"#9aa8b8"},
    {u"#526275", u"#aebaca"},
    {u"#40516a", u"#aebaca"},
    {u"#41566e", u"#aebaca"},
    {u"#36506d", u"#aebaca"},
    {u"#27364d", u"#d7e0ea"},
    {u"#273244", u"#d7e0ea"},
    {u"#253247", u"#d7e0ea"},
    {u"#243044", u"#d7e0ea"},
    {u"#202938", u"#d7e0ea"},
    {u"#1d3557", u"#d7e0ea"},
    {u"#1f354d", u"#d7e0ea"},
    {u"#172b4d", u"#f2f5f9"},
    {u"#173b75", u"#d7e9ff"},
    {u"#1d4ed8", u"#60a5fa"},
    {u"#2563eb", u"#60a5fa"},
    {u"#72a9d7", u"#60a5fa"},
};

const QString lightSheet = QStringLiteral("QWidget { background: #ffffff; color: #253247; }"
                                          "QPushButton { border: 1px solid #b9c5d3; }"
                                          "QPushButton:hover { background: #2563eb; color: #ffffff; }");

} // namespace

void tst_Theme::cleanup()
{
    qApp->setProperty("pictavoDarkTheme", QVariant());
}

void tst_Theme::isDarkTheme_data()
{
    QTest::addColumn<QVariant>("property");
    QTest::addColumn<bool>("dark");

    QTest::newRow("absent") << QVariant() << false;
    QTest::newRow("true") << QVariant(true) << true;
    QTest::newRow("false") << QVariant(false) << false;
    QTest::newRow("text_true") << QVariant(QStringLiteral("true")) << true;
    QTest::newRow("number_one") << QVariant(1) << true;
    QTest::newRow("number_zero") << QVariant(0) << false;
}

void tst_Theme::isDarkTheme()
{
    QFETCH(QVariant, property);
    QFETCH(bool, dark);
    qApp->setProperty("pictavoDarkTheme", property);
    QCOMPARE(::isDarkTheme(), dark);
}

void tst_Theme::isDarkWithoutApplication()
{
    QCOMPARE(m_darkWithoutApplication, false);
}

void tst_Theme::everyLightColourTurnsDark_data()
{
    QTest::addColumn<QString>("light");
    QTest::addColumn<QString>("dark");
    for (const auto &pair : colourPairs) {
        const QString light = QString::fromUtf16(pair[0]);
        QTest::newRow(qPrintable(light)) << light << QString::fromUtf16(pair[1]);
    }
}

// Alone in a sheet, each light colour ends as its own partner: no later pair
// rewrites a colour an earlier pair produced.
void tst_Theme::everyLightColourTurnsDark()
{
    QFETCH(QString, light);
    QFETCH(QString, dark);
    QCOMPARE(themedStyleSheet(u"a { color: " + light + u"; }", true), u"a { color: " + dark + u"; }");
}

void tst_Theme::exchange_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QString>("expected");

    QTest::newRow("white_and_253247_everywhere")
            << lightSheet << true
            << QStringLiteral("QWidget { background: #202731; color: #d7e0ea; }"
                              "QPushButton { border: 1px solid #526174; }"
                              "QPushButton:hover { background: #60a5fa; color: #202731; }");
    QTest::newRow("upper_case_digits") << QStringLiteral("a { color: #FFFFFF; border-color: #2563EB; }") << true
                                       << QStringLiteral("a { color: #202731; border-color: #60a5fa; }");
    QTest::newRow("mixed_case_digits") << QStringLiteral("a { color: #FfFfFf; }") << true
                                       << QStringLiteral("a { color: #202731; }");
    QTest::newRow("unknown_colour_kept") << QStringLiteral("a { color: #123456; }") << true
                                         << QStringLiteral("a { color: #123456; }");
    QTest::newRow("empty_sheet") << QString() << true << QString();
    QTest::newRow("light_shared_dark_takes_first_pair") << QStringLiteral("a { color: #202731; }") << false
                                                        << QStringLiteral("a { color: #f7f8fa; }");
    QTest::newRow("light_upper_case_dark") << QStringLiteral("a { color: #60A5FA; }") << false
                                           << QStringLiteral("a { color: #1d4ed8; }");
    // #66788f becomes #aebaca, which a later pair turns into #526275.
    QTest::newRow("light_direction_chains") << QStringLiteral("a { color: #66788f; }") << false
                                            << QStringLiteral("a { color: #526275; }");
    QTest::newRow("light_d7e0ea") << QStringLiteral("a { color: #d7e0ea; }") << false
                                  << QStringLiteral("a { color: #27364d; }");
}

void tst_Theme::exchange()
{
    QFETCH(QString, sheet);
    QFETCH(bool, dark);
    QFETCH(QString, expected);
    QCOMPARE(themedStyleSheet(sheet, dark), expected);
}

void tst_Theme::lightSheetUnchangedInLightDirection()
{
    QCOMPARE(themedStyleSheet(lightSheet, false), lightSheet);
}

void tst_Theme::applyThemeTwiceReturnsWrittenSheet()
{
    QWidget widget;
    widget.setStyleSheet(lightSheet);

    ::applyTheme(&widget, true);
    QCOMPARE(widget.property("pictavoBaseStyle").toString(), lightSheet);
    QCOMPARE(widget.styleSheet(), themedStyleSheet(lightSheet, true));
    QVERIFY(!widget.styleSheet().contains(u"#ffffff"));

    // Dark again does not compound, light returns exactly the written sheet.
    ::applyTheme(&widget, true);
    QCOMPARE(widget.styleSheet(), themedStyleSheet(lightSheet, true));
    ::applyTheme(&widget, false);
    QCOMPARE(widget.styleSheet(), lightSheet);
    QCOMPARE(widget.property("pictavoBaseStyle").toString(), lightSheet);
}

void tst_Theme::applyThemeTree()
{
    // No widget is no error: nothing happens.
    ::applyTheme(nullptr, true);
    ::applyThemeTree(nullptr, true);

    QWidget root;
    root.setStyleSheet(QStringLiteral("QWidget { background: #f6f8fb; }"));
    auto *layout = new QVBoxLayout(&root);
    auto *panel = new QWidget(&root);
    layout->addWidget(panel);
    auto *label = new QLabel(panel);
    label->setStyleSheet(QStringLiteral("color: #172b4d;"));
    auto *button = new QPushButton(panel);
    button->setStyleSheet(QStringLiteral("background: #2563eb;"));

    ::applyThemeTree(&root, true);
    QCOMPARE(root.styleSheet(), QStringLiteral("QWidget { background: #202731; }"));
    QCOMPARE(label->styleSheet(), QStringLiteral("color: #f2f5f9;"));
    QCOMPARE(button->styleSheet(), QStringLiteral("background: #60a5fa;"));
    QCOMPARE(panel->styleSheet(), QString());
    QVERIFY(panel->property("pictavoBaseStyle").isValid());

    ::applyThemeTree(&root, false);
    QCOMPARE(root.styleSheet(), QStringLiteral("QWidget { background: #f6f8fb; }"));
    QCOMPARE(label->styleSheet(), QStringLiteral("color: #172b4d;"));
    QCOMPARE(button->styleSheet(), QStringLiteral("background: #2563eb;"));
}

int main(int argc, char **argv)
{
    // Asked before the application object exists.
    const bool darkWithoutApplication = isDarkTheme();
    QApplication application(argc, argv);
    tst_Theme test(darkWithoutApplication);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_theme.moc"
