#include "ImageResizeOptions.h"
#include "IntegratedToolPage.h"
#include "LayerExportOptions.h"
#include "SettingsSandbox.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QJsonObject>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <memory>

using IntegratedTools::Tool;
using namespace Qt::StringLiterals;

// The padding choices of the tool pages as a user makes them: what the
// helper's command line, the size column and the layer export's job get, the
// colour dialog, the anchor grid by mouse and keyboard, and what a later
// window restores.
class tst_PaddingControls : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void helperArguments_data();
    void helperArguments();
    void customColour_data();
    void customColour();
    void arrowKeysMoveTheAnchor();
    void storedChoices_data();
    void storedChoices();
    void layerExportJob_data();
    void layerExportJob();

private:
    std::unique_ptr<SettingsSandbox> m_settings;
};

namespace {

const QString StoredOptions = u"standaloneTools/image-resize/options/"_s;

// Picks the item shown with text, as a click in the list would.
void pick(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QToolButton *anchorCell(const QWidget &page, const QString &name)
{
    const QList<QToolButton *> cells = page.findChildren<QToolButton *>(u"anchorCell"_s);
    for (QToolButton *cell : cells) {
        if (cell->accessibleName() == name)
            return cell;
    }
    return nullptr;
}

// The padding switches: everything before "--language" but the subfolder switch.
QStringList paddingArguments(IntegratedToolPage *page)
{
    const QStringList arguments = IntegratedToolPage::imageResizeArguments(page, {});
    QStringList padding = arguments.mid(0, arguments.indexOf(u"--language"_s));
    padding.removeAll(u"--recursive"_s);
    return padding;
}

// Answers the next colour dialog from inside its own event loop; a dialog the
// answer leaves open is rejected so that a failing test ends.
void answerColourDialog(QObject *context, std::function<void(QColorDialog *)> answer)
{
    auto *poll = new QTimer(context);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        QPointer<QColorDialog> dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        answer(dialog);
        if (dialog && dialog->isVisible())
            dialog->reject();
    });
    poll->start();
}

} // namespace

void tst_PaddingControls::init()
{
    m_settings = std::make_unique<SettingsSandbox>();
    QVERIFY2(m_settings->isValid(), qPrintable(m_settings->errorString()));
}

void tst_PaddingControls::cleanup()
{
    m_settings.reset();
}

void tst_PaddingControls::helperArguments_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<int>("multiple");  // 0: the spin box is left alone
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("preview");  // of a 33×17 picture

    const QString clear = u"透明"_s;
    // The three first items and the two old placements keep the arguments they always had.
    QTest::newRow("defaults") << u"4 的倍数"_s << 0 << clear << u"居中"_s
                              << QStringList{u"--rule"_s, u"multiple4"_s, u"--fill"_s, u"transparent"_s, u"--centered"_s}
                              << u"33×17 → 36×20"_s;
    QTest::newRow("top_left_is_not_centred") << u"2ⁿ（2 的幂）"_s << 0 << u"白色"_s << u"左上角"_s
                                             << QStringList{u"--rule"_s, u"power2"_s, u"--fill"_s, u"white"_s,
                                                            u"--no-centered"_s}
                                             << u"33×17 → 64×32"_s;
    QTest::newRow("other_multiple") << u"其他倍数…"_s << 12 << clear << u"居中"_s
                                    << QStringList{u"--rule"_s, u"multiple:12"_s, u"--fill"_s, u"transparent"_s,
                                                   u"--centered"_s}
                                    << u"33×17 → 36×24"_s;
    QTest::newRow("square_power_of_two") << u"正方形（2 的幂）"_s << 0 << u"延伸边缘像素"_s << u"右下角"_s
                                         << QStringList{u"--rule"_s, u"square-power2"_s, u"--fill"_s, u"edge"_s,
                                                        u"--anchor"_s, u"bottom-right"_s}
                                         << u"33×17 → 64×64"_s;
    QTest::newRow("square_mirrored_at_the_top") << u"正方形"_s << 0 << u"镜像边缘"_s << u"顶部居中"_s
                                                << QStringList{u"--rule"_s, u"square"_s, u"--fill"_s, u"mirror"_s,
                                                               u"--anchor"_s, u"top"_s}
                                                << u"33×17 → 33×33"_s;
}

void tst_PaddingControls::helperArguments()
{
    QFETCH(QString, rule);
    QFETCH(int, multiple);
    QFETCH(QString, fill);
    QFETCH(QString, anchor);
    QFETCH(QStringList, expected);
    QFETCH(QString, preview);

    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    const QString path = dir.filePath(u"odd.png"_s);
    QImage picture(33, 17, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(path));

    IntegratedToolPage page(Tool::ImageResize);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    page.addPaths({path}, false);
    QTRY_VERIFY(!page.isReadingSizes());
    auto *spin = page.findChild<QSpinBox *>();
    pick(page.findChild<QComboBox *>(u"imageSizeRule"_s), rule);
    // The spin box for N is there exactly while the other multiple is chosen.
    QCOMPARE(spin->isVisible(), multiple > 0);
    if (multiple > 0)
        spin->setValue(multiple);
    pick(page.findChild<QComboBox *>(u"imageFillRule"_s), fill);
    QToolButton *cell = anchorCell(page, anchor);
    QVERIFY2(cell, qPrintable(anchor));
    QTest::mouseClick(cell, Qt::LeftButton);
    QVERIFY(cell->isChecked());
    QCOMPARE(paddingArguments(&page), expected);
    // The size column follows the rule as chosen.
    const auto *list = page.findChild<QTreeWidget *>(u"integratedToolDropList"_s);
    QCOMPARE(list->topLevelItem(0)->text(IntegratedToolPage::PreviewColumn), preview);
}

void tst_PaddingControls::customColour_data()
{
    QTest::addColumn<QColor>("answer");  // invalid: the dialog is cancelled
    QTest::addColumn<QString>("fill");
    QTest::addColumn<bool>("swatchShown");

    QTest::newRow("opaque") << QColor(0x12, 0xab, 0xef) << u"#12abef"_s << true;
    QTest::newRow("translucent") << QColor(0xff, 0x00, 0x80, 0x40) << u"#ff008040"_s << true;
    QTest::newRow("cancelled_keeps_the_fill_before") << QColor() << u"black"_s << false;
}

void tst_PaddingControls::customColour()
{
    QFETCH(QColor, answer);
    QFETCH(QString, fill);
    QFETCH(bool, swatchShown);

    {
        IntegratedToolPage page(Tool::ImageResize);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto *fillBox = page.findChild<QComboBox *>(u"imageFillRule"_s);
        pick(fillBox, u"黑色"_s);
        bool asked = false;
        answerColourDialog(&page, [&asked, answer](QColorDialog *dialog) {
            asked = dialog->testOption(QColorDialog::ShowAlphaChannel);
            if (!answer.isValid())
                return;
            dialog->setCurrentColor(answer);
            dialog->accept();
        });
        // The keyboard passes the separator as the list does.
        QTest::keyClick(fillBox, Qt::Key_Down);
        QTRY_VERIFY(asked);
        const QStringList arguments = paddingArguments(&page);
        QCOMPARE(arguments.value(arguments.indexOf(u"--fill"_s) + 1), fill);
        auto *swatch = page.findChild<QToolButton *>(u"colourSwatch"_s);
        QCOMPARE(swatch->isVisible(), swatchShown);
        if (!swatchShown)
            return;
        // The swatch asks again; the new colour replaces the old.
        answerColourDialog(&page, [](QColorDialog *dialog) {
            dialog->setCurrentColor(QColor(0x01, 0x02, 0x03));
            dialog->accept();
        });
        QTest::mouseClick(swatch, Qt::LeftButton);
        QTRY_VERIFY(paddingArguments(&page).contains(u"#010203"_s));
    }
    // The next window starts with the colour.
    IntegratedToolPage again(Tool::ImageResize);
    QVERIFY(paddingArguments(&again).contains(u"#010203"_s));
}

void tst_PaddingControls::arrowKeysMoveTheAnchor()
{
    IntegratedToolPage page(Tool::ImageResize);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QToolButton *centre = anchorCell(page, u"居中"_s);
    QVERIFY(centre->isChecked());
    centre->setFocus();
    QTest::keyClick(centre, Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QVERIFY(anchorCell(page, u"右下角"_s)->isChecked());
    QCOMPARE(paddingArguments(&page).mid(4), (QStringList{u"--anchor"_s, u"bottom-right"_s}));
}

void tst_PaddingControls::storedChoices_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("multiple");

    const auto arguments = [](const QString &rule, const QString &fill, const QStringList &anchor) {
        return QStringList{u"--rule"_s, rule, u"--fill"_s, fill} + anchor;
    };
    const QStringList centred{u"--centered"_s};
    QTest::newRow("nothing_stored") << QVariantMap() << arguments(u"multiple4"_s, u"transparent"_s, centred) << 0;
    QTest::newRow("old_centred") << QVariantMap{{u"centered"_s, true}}
                                 << arguments(u"multiple4"_s, u"transparent"_s, centred) << 0;
    QTest::newRow("old_not_centred") << QVariantMap{{u"rule"_s, u"even"_s}, {u"centered"_s, false}}
                                     << arguments(u"even"_s, u"transparent"_s, {u"--no-centered"_s}) << 0;
    QTest::newRow("anchor_before_old_centring")
            << QVariantMap{{u"anchor"_s, u"bottom"_s}, {u"centered"_s, true}}
            << arguments(u"multiple4"_s, u"transparent"_s, {u"--anchor"_s, u"bottom"_s}) << 0;
    QTest::newRow("other_multiple_and_colour")
            << QVariantMap{{u"rule"_s, u"multiple:24"_s}, {u"fill"_s, u"#11223344"_s}}
            << arguments(u"multiple:24"_s, u"#11223344"_s, centred) << 24;
    QTest::newRow("unknown_values_fall_back")
            << QVariantMap{{u"rule"_s, u"triple"_s}, {u"fill"_s, u"pink"_s}, {u"anchor"_s, u"middle"_s}}
            << arguments(u"multiple4"_s, u"transparent"_s, centred) << 0;
}

void tst_PaddingControls::storedChoices()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QStringList, expected);
    QFETCH(int, multiple);

    {
        QSettings settings;
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            settings.setValue(StoredOptions + it.key(), it.value());
    }
    IntegratedToolPage page(Tool::ImageResize);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(paddingArguments(&page), expected);
    auto *spin = page.findChild<QSpinBox *>();
    QCOMPARE(spin->isVisible(), multiple > 0);
    if (multiple > 0)
        QCOMPARE(spin->value(), multiple);
}

void tst_PaddingControls::layerExportJob_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<QStringList>("expected");  // sizingMode, fill, anchor

    // The defaults leave the fill and anchor out: such a job reads as before.
    QTest::newRow("defaults") << QString() << QString() << QString()
                              << QStringList{u"multiple4"_s, QString(), QString()};
    QTest::newRow("square_mirrored_left") << u"正方形"_s << u"镜像边缘"_s << u"左侧居中"_s
                                          << QStringList{u"square"_s, u"mirror"_s, u"left"_s};
    QTest::newRow("no_rule_white_bottom_left") << u"无规则（只裁切，不扩图）"_s << u"白色"_s << u"左下角"_s
                                               << QStringList{u"none"_s, u"white"_s, u"bottom-left"_s};
}

void tst_PaddingControls::layerExportJob()
{
    QFETCH(QString, rule);
    QFETCH(QString, fill);
    QFETCH(QString, anchor);
    QFETCH(QStringList, expected);

    IntegratedToolPage page(Tool::LayerExport);
    if (!rule.isEmpty())
        pick(page.findChild<QComboBox *>(u"layerSizingMode"_s), rule);
    if (!fill.isEmpty())
        pick(page.findChild<QComboBox *>(u"layerFill"_s), fill);
    if (!anchor.isEmpty())
        QTest::mouseClick(anchorCell(page, anchor), Qt::LeftButton);
    const auto *options = page.findChild<LayerExportOptions *>();
    const QJsonObject job = LayerExportOptions::job(options->choices(), {u"/p/a.psd"_s});
    QCOMPARE((QStringList{job.value(u"sizingMode"_s).toString(), job.value(u"fill"_s).toString(),
                          job.value(u"anchor"_s).toString()}),
             expected);
}

QTEST_MAIN(tst_PaddingControls)
#include "tst_paddingcontrols.moc"
