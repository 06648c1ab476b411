#include "tools/DbTool.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Named whatever the executable is called: a server shows it among its sessions.
    QCoreApplication::setApplicationName(QStringLiteral("hourwright-db"));
    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    DbTool tool(out, err);
    tool.setInput(&in);
    const int code = tool.run(app.arguments().mid(1));
    out.flush();
    err.flush();
    return code;
}
