#include "SelfTest.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    if (arguments.contains(QStringLiteral("--self-test"))) {
        // No window: the self-test runs headless, from a console or another program.
        QCoreApplication app(argc, argv);
        return SelfTest::run(QCoreApplication::applicationDirPath());
    }

    std::fputs("Quadrix: the batch window is not part of this build yet; run with --self-test.\n", stderr);
    return 2;
}
