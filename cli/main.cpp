#include "cli/CommandLine.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine commandLine(in, out, err);
    const int code = commandLine.run(app.arguments().mid(1));
    out.flush();
    err.flush();
    return code;
}
