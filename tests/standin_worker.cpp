// A stand-in for the PSD workers, copied into place under their names by the
// tests. Started as "<name> --job <file>", it appends one JSON line about the
// start (run number, arguments, folder, process id, the job file's path and
// bytes) to record.jsonl in the folder named by STANDIN_DIR, then plays the
// script of that folder: "script.<run>" when it exists, else "script".
//
// Started with "--report-to <socket>" it stands in for the padding helper
// instead: it connects to that socket, "out" and "each" write there, and the
// job's files are the paths after "--start".
//
// Script lines, one command each ("\t", "\r", "\n" and "\\" are unescaped in
// texts, "\0" becomes a NUL byte, "{fileN}" becomes the job's Nth file and
// "{count}" their number):
//   out TEXT      write TEXT to standard output as it is (no newline added)
//   each TEXT     write TEXT once per job file, "{file}" being that file
//   fill N TEXT   write TEXT N times to standard output, in one go
//   err TEXT      write TEXT to standard error
//   sleep MS      pause
//   wait NAME     pause until the file NAME exists in the folder
//   touch NAME    create the file NAME in the folder
//   ignoreterm    ignore the polite request to end (SIGTERM)
//   kill          end abnormally, killed by the system
//   exit CODE     end with CODE; the end of the script ends with 0

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {

QString unescape(const QString &text)
{
    QString result;
    for (qsizetype index = 0; index < text.size(); ++index) {
        const QChar c = text.at(index);
        if (c != u'\\' || index + 1 == text.size()) {
            result.append(c);
            continue;
        }
        const QChar next = text.at(++index);
        result.append(next == u't' ? QChar(u'\t') : next == u'r' ? QChar(u'\r') : next == u'n' ? QChar(u'\n')
                                                                                          : next == u'0' ? QChar(u'\0') : next);
    }
    return result;
}

// The helper's channel, when started as the helper.
QLocalSocket *channel = nullptr;

void writeTo(FILE *stream, const QString &text)
{
    if (channel && stream == stdout) {
        channel->write(text.toUtf8());
        channel->waitForBytesWritten(5000);
        return;
    }
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

QString withFiles(QString text, const QStringList &files)
{
    for (qsizetype index = 0; index < files.size(); ++index)
        text.replace(QStringLiteral("{file%1}").arg(index), files.at(index));
    return text.replace(QStringLiteral("{count}"), QString::number(files.size()));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
#ifdef Q_OS_WIN
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    const QDir control(qEnvironmentVariable("STANDIN_DIR"));
    const QStringList arguments = app.arguments().mid(1);
    const QString jobPath = arguments.size() >= 2 && arguments.first() == u"--job" ? arguments.at(1) : QString();

    QFile job(jobPath);
    const QByteArray jobBytes = job.open(QIODevice::ReadOnly) ? job.readAll() : QByteArray();
    QStringList files;
    const QJsonArray fileArray = QJsonDocument::fromJson(jobBytes).object().value(QLatin1String("files")).toArray();
    for (const QJsonValue &file : fileArray)
        files.append(file.toString());

    const qsizetype reportAt = arguments.indexOf(QStringLiteral("--report-to"));
    QLocalSocket socket;
    if (reportAt >= 0 && reportAt + 1 < arguments.size()) {
        socket.connectToServer(arguments.at(reportAt + 1));
        if (!socket.waitForConnected(5000))
            return 94;
        channel = &socket;
        const qsizetype startAt = arguments.indexOf(QStringLiteral("--start"));
        if (startAt >= 0)
            files = arguments.mid(startAt + 1, reportAt - startAt - 1);
    }

    QFile record(control.filePath(QStringLiteral("record.jsonl")));
    int run = 1;
    if (record.open(QIODevice::ReadOnly))
        run += int(record.readAll().count('\n'));
    record.close();
    const QJsonObject start{
        {QLatin1String("run"), run},
        {QLatin1String("arguments"), QJsonArray::fromStringList(arguments)},
        {QLatin1String("folder"), QDir::currentPath()},
        {QLatin1String("pid"), QCoreApplication::applicationPid()},
        {QLatin1String("jobPath"), jobPath},
        {QLatin1String("job"), QString::fromUtf8(jobBytes)},
    };
    if (!record.open(QIODevice::Append))
        return 90;
    record.write(QJsonDocument(start).toJson(QJsonDocument::Compact) + '\n');
    record.close();

    QFile script(control.filePath(QStringLiteral("script.%1").arg(run)));
    if (!script.exists())
        script.setFileName(control.filePath(QStringLiteral("script")));
    if (!script.open(QIODevice::ReadOnly))
        return 0;
    const QStringList lines = QString::fromUtf8(script.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QString command = line.section(u' ', 0, 0);
        const QString argument = withFiles(unescape(line.section(u' ', 1)), files);
        if (command == u"out") {
            writeTo(stdout, argument);
        } else if (command == u"each") {
            for (const QString &file : std::as_const(files))
                writeTo(stdout, QString(argument).replace(QStringLiteral("{file}"), file));
        } else if (command == u"fill") {
            const qsizetype count = argument.section(u' ', 0, 0).toLongLong();
            writeTo(stdout, argument.section(u' ', 1).repeated(count));
        } else if (command == u"err") {
            writeTo(stderr, argument);
        } else if (command == u"sleep") {
            QThread::msleep(argument.toULong());
        } else if (command == u"wait") {
            QElapsedTimer waited;
            waited.start();
            while (!control.exists(argument)) {
                if (waited.elapsed() > 60000)
                    return 91;
                QThread::msleep(10);
            }
        } else if (command == u"touch") {
            QFile mark(control.filePath(argument));
            if (!mark.open(QIODevice::WriteOnly))
                return 92;
        } else if (command == u"ignoreterm") {
            std::signal(SIGTERM, SIG_IGN);
        } else if (command == u"kill") {
#ifdef Q_OS_WIN
            std::abort();
#else
            std::raise(SIGKILL);
#endif
        } else if (command == u"exit") {
            return argument.toInt();
        } else {
            writeTo(stderr, QStringLiteral("unknown script command: ") + line);
            return 93;
        }
    }
    return 0;
}
