// The layer export worker: started by the layer-export page as
// "Stratlo --job FILE", it exports the layers of every document of the job
// and reports on standard output in the line protocol of the PSD pages.
// Exit code 0 when the job ran (whatever happened to single files), 2 when
// the job could not be read.

#include "LayerExporter.h"
#include "LineProtocol.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStringList>

#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
#ifdef Q_OS_WIN
    // Records end in a bare LF, on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    // libpng warns about the common sRGB profile of Photoshop documents on every
    // picture; standard error goes to the user's run log, so those stay out.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() != 2 || arguments.first() != u"--job") {
        std::fputs("usage: Stratlo --job FILE\n", stderr);
        return 2;
    }
    LayerExport::Job job;
    QString error;
    if (!LayerExport::readJob(arguments.at(1), &job, &error)) {
        LineProtocol::write(stdout, LineProtocol::error(QStringLiteral("无法读取导出任务：%1").arg(error)));
        return 2;
    }
    LayerExport::run(job, stdout);
    return 0;
}
