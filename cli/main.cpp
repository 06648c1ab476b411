#include "cli/CommandLine.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Named whatever the executable is called: a server shows it among its sessions.
    QCoreApplication::setApplicationName(QStringLiteral("hourwright-cli"));
    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine commandLine(in, out, err);
    const int code = commandLine.run(app.arguments().mid(1));
    out.flush();
    err.flush();
    return code;
}
