// bench_addpaths: how long the tool page takes to take in a large folder.
// Builds a folder of pictures (20,000 by default, in subfolders of 500),
// shows an image-resize page offscreen and times the path-list operations
// that a user can set off with one drop: the first add, the same folder again
// (every file a duplicate), the first paint of the filled list, a summary
// refresh, removing every row at once and a clear; and, on the worker thread,
// how long until every picture's header size is read for the size preview,
// and how long a rule change takes to redo the preview column. Run by hand:
//
//     build/bench/bench_addpaths [file count]

#include "IntegratedToolPage.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QImageWriter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>

#include "BenchSupport.h"
#include <functional>

namespace {


double millisecondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

QString ms(double value)
{
    return QString::number(value, 'f', 1) + u" ms";
}

// The page writes one runtime-log message per add; keep the output to the figures.
void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtInfoMsg && type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// A small real picture per suffix where Qt writes the format, so the size
// preview reads real headers; the others stay unreadable bytes.
QByteArray pictureBytes(const char *suffix)
{
    QImage picture(61, 37, QImage::Format_RGB32);
    picture.fill(Qt::gray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return QImageWriter(&buffer, QByteArray(suffix).toLower()).write(picture) ? bytes : QByteArray("picture");
}

bool makePictures(const QString &root, int count)
{
    const char *const suffixes[] = {"jpg", "png", "JPG", "tif", "gif", "bmp", "jpeg", "PNG"};
    QByteArray contents[8];
    for (int index = 0; index < 8; ++index)
        contents[index] = pictureBytes(suffixes[index]);
    for (int index = 0; index < count; ++index) {
        const QString folder = root + u"/batch-" + QString::number(index / 500).rightJustified(3, u'0');
        if (index % 500 == 0 && !QDir().mkpath(folder))
            return false;
        QFile file(folder + u"/IMG_" + QString::number(index).rightJustified(5, u'0') + u'.'
                   + QString::fromLatin1(suffixes[index % 8]));
        const QByteArray &bytes = contents[index % 8];
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    qInstallMessageHandler(quiet);

    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    if (count <= 0) {
        say(QStringLiteral("usage: bench_addpaths [file count]"));
        return 2;
    }

    // Never the user's own settings.
    QTemporaryDir settings;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

    QTemporaryDir pictures;
    if (!pictures.isValid()) {
        say(u"cannot create a temporary folder: " + pictures.errorString());
        return 1;
    }
    const double creating = millisecondsOf([&] {
        if (!makePictures(pictures.path(), count))
            std::exit(1);
    });
    say(QStringLiteral("%1 pictures written in %2").arg(count).arg(ms(creating)));

    IntegratedToolPage page(IntegratedTools::ImageResize);
    page.resize(1180, 790);
    page.show();
    QApplication::processEvents();
    auto *list = page.findChild<QTreeWidget *>(QStringLiteral("integratedToolDropList"));

    const QStringList folder = {pictures.path()};
    const double firstAdd = millisecondsOf([&] { page.addPaths(folder, true); });
    const double firstPaint = millisecondsOf([] { QApplication::processEvents(); });
    const int rows = list->topLevelItemCount();
    const double sizesRead = firstAdd + firstPaint + millisecondsOf([&] {
        while (page.isReadingSizes())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    });
    const double ruleChange = millisecondsOf([&] {
        page.findChild<QComboBox *>(QStringLiteral("imageSizeRule"))->setCurrentIndex(2);
    });
    // What a helper run does to every row, one report at a time; the run holds
    // the column widths as it does.
    const QStringList listed = page.selectedPaths();
    list->header()->setSectionResizeMode(2, QHeaderView::Interactive);
    list->header()->setSectionResizeMode(3, QHeaderView::Interactive);
    const double statuses = millisecondsOf([&] {
        for (const QString &path : listed)
            page.setRowStatus(path, QStringLiteral("已完成 1920×1080"));
        QApplication::processEvents();
    });
    const double remeasure = millisecondsOf([&] {
        list->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
        list->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
        QApplication::processEvents();
    });
    const double duplicateAdd = millisecondsOf([&] { page.addPaths(folder, true); });
    const double summary = millisecondsOf([&] { page.refreshSummary(); });
    list->selectAll();
    const double removeAll = millisecondsOf([&] { page.removeSelected(); });
    const int rowsAfterRemoval = list->topLevelItemCount();
    page.addPaths(folder, true);
    const double clear = millisecondsOf([&] { page.clearList(); });

    say(QStringLiteral("rows listed:                 %1").arg(rows));
    say(u"addPaths, all new:           " + ms(firstAdd));
    say(u"first paint of the list:     " + ms(firstPaint));
    say(u"every size read (from add):  " + ms(sizesRead));
    say(u"rule change, preview redone: " + ms(ruleChange));
    say(u"every row's status set:      " + ms(statuses));
    say(u"columns measured after run:  " + ms(remeasure));
    say(u"addPaths, all duplicates:    " + ms(duplicateAdd));
    say(u"refreshSummary:              " + ms(summary));
    say(u"removeSelected, every row:   " + ms(removeAll));
    say(u"clearList:                   " + ms(clear));
    return rows == count && rowsAfterRemoval == 0 ? 0 : 1;
}
