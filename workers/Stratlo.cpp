// The layer export worker: started by the layer-export page as
// "Stratlo --job FILE [--language CODE]", it exports the layers of every document of the job
// and reports on standard output in the line protocol of the PSD pages.
// Exit code 0 when the job ran (whatever happened to single files), 2 when
// the job could not be read.

#include "LayerExporter.h"
#include "LineProtocol.h"
#include "QtTranslations.h"
#include "WorkerText.h"

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
    QString jobFile;
    bool understood = arguments.size() == 2 || arguments.size() == 4;
    for (qsizetype at = 0; understood && at + 1 < arguments.size(); at += 2) {
        if (arguments.at(at) == u"--job" && jobFile.isNull()) {
            jobFile = arguments.at(at + 1);
        } else if (arguments.at(at) == u"--language") {
            // Qt's own messages (JSON errors) in the language too.
            if (WorkerText::SetLanguage(arguments.at(at + 1)))
                installQtTranslations(arguments.at(at + 1));
        } else {
            understood = false;
        }
    }
    if (!understood || jobFile.isNull()) {
        std::fputs("usage: Stratlo --job FILE [--language CODE]\n", stderr);
        return 2;
    }
    LayerExport::Job job;
    QString error;
    if (!LayerExport::readJob(jobFile, &job, &error)) {
        LineProtocol::write(stdout, LineProtocol::error(WorkerText::Translate(QStringLiteral("无法读取导出任务：%1")).arg(error)));
        return 2;
    }
    LayerExport::run(job, stdout);
    return 0;
}
