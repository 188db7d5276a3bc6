// The tool window's question before replacing in place, and its Undo of the
// last in-place run; message boxes are answered by a timer.

#include "BatchRun.h"
#include "ImageResizeOptions.h"
#include "InPlaceGuard.h"
#include "IntegratedToolPage.h"
#include "SettingsSandbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

namespace {

// Answers every message box that opens while it lives: ticks its check box
// when asked to, clicks `button`, and keeps the texts it saw.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer(QMessageBox::StandardButton button, bool tick) : m_button(button), m_tick(tick)
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this] {
            QPointer<QMessageBox> box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts << box->text();
            if (m_tick && box->checkBox())
                box->checkBox()->setChecked(true);
            box->button(m_button)->click();
        });
        poll->start(20);
    }
    QStringList texts;

private:
    QMessageBox::StandardButton m_button;
    bool m_tick;
};

} // namespace

class tst_InPlaceGuard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void confirmStart_data();
    void confirmStart();
    void undoButtonPutsOriginalsBack();

private:
    std::unique_ptr<SettingsSandbox> m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_InPlaceGuard::init()
{
    m_settings = std::make_unique<SettingsSandbox>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
    // The trash and the run journals of this test, never the user's.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("data"))));
}

void tst_InPlaceGuard::confirmStart_data()
{
    QTest::addColumn<bool>("keeping");
    QTest::addColumn<QString>("outputDir");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("started");
    QTest::addColumn<int>("firstBoxes");   // boxes at the first start
    QTest::addColumn<int>("secondBoxes");  // boxes at a second start of the same page
    QTest::addColumn<int>("laterBoxes");   // boxes at a start of a page opened later
    QTest::addColumn<QString>("text");

    const QString keptText = QStringLiteral("3 pictures will be replaced; the originals go to the trash.");
    const QString lostText = QStringLiteral("3 originals will be replaced and cannot be recovered.");
    QTest::newRow("keeping_asks_once") << true << QString() << int(QMessageBox::Ok) << false << true << 1 << 0 << 1
                                       << keptText;
    QTest::newRow("keeping_dont_ask_again") << true << QString() << int(QMessageBox::Ok) << true << true << 1 << 0 << 0
                                            << keptText;
    QTest::newRow("keeping_cancelled") << true << QString() << int(QMessageBox::Cancel) << false << false << 1 << 1 << 1
                                       << keptText;
    QTest::newRow("not_keeping_asks_every_time") << false << QString() << int(QMessageBox::Ok) << true << true << 1 << 1
                                                 << 1 << lostText;
    QTest::newRow("output_folder_never_asks") << false << QStringLiteral("/out") << int(QMessageBox::Cancel) << false
                                              << true << 0 << 0 << 0 << QString();
}

void tst_InPlaceGuard::confirmStart()
{
    QFETCH(bool, keeping);
    QFETCH(QString, outputDir);
    QFETCH(int, answer);
    QFETCH(bool, tick);
    QFETCH(bool, started);
    QFETCH(int, firstBoxes);
    QFETCH(int, secondBoxes);
    QFETCH(int, laterBoxes);
    QFETCH(QString, text);
    SettingsSandbox::setLanguage(QStringLiteral("en_US"));
    ImageResizeOptions::setKeepsOriginals(keeping);

    BoxAnswerer answerer(QMessageBox::StandardButton(answer), tick);
    QWidget page;
    QHBoxLayout row(&page);
    InPlaceGuard guard(&page, &row);
    QCOMPARE(guard.confirmStart(outputDir, 3), started);
    QCOMPARE(answerer.texts.size(), firstBoxes);
    if (firstBoxes > 0)
        QCOMPARE(answerer.texts.first(), text);
    guard.confirmStart(outputDir, 3);
    QCOMPARE(answerer.texts.size(), firstBoxes + secondBoxes);

    QWidget laterPage;
    QHBoxLayout laterRow(&laterPage);
    InPlaceGuard later(&laterPage, &laterRow);
    later.confirmStart(outputDir, 3);
    QCOMPARE(answerer.texts.size(), firstBoxes + secondBoxes + laterBoxes);
}

void tst_InPlaceGuard::undoButtonPutsOriginalsBack()
{
    const QString picture = m_dir->filePath(QStringLiteral("p.png"));
    QImage(5, 7, QImage::Format_RGB32).save(picture);
    QFile file(picture);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray original = file.readAll();
    file.close();

    IntegratedToolPage page(IntegratedTools::ImageResize);
    QPushButton *undo = page.findChild<QPushButton *>(QStringLiteral("imageUndoLastRun"));
    QVERIFY(undo->isHidden());

    BatchRun run;
    QSignalSpy finished(&run, &BatchRun::finished);
    run.start({picture}, BatchSettings());
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(QImage(picture).size(), QSize(8, 8));

    // The page looks again when it is shown.
    page.show();
    QTRY_VERIFY(!undo->isHidden());
    BoxAnswerer answerer(QMessageBox::Yes, false);
    undo->click();
    QCOMPARE(answerer.texts.size(), 1);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), original);
    QVERIFY(undo->isHidden());
    QVERIFY(page.findChild<QTextEdit *>(QStringLiteral("integratedToolLog"))->toPlainText().contains(QStringLiteral("恢复 1 个原图")));
}

QTEST_MAIN(tst_InPlaceGuard)
#include "tst_inplaceguard.moc"
