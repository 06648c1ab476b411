#include "support/DbToolRun.h"

#include "tools/DbTool.h"

#include <QTextStream>

int runDbTool(const QStringList& args, QString* out, QString* err)
{
    QString o, e;
    QTextStream outStream(&o), errStream(&e);
    DbTool tool(outStream, errStream);
    const int code = tool.run(args);
    outStream.flush();
    errStream.flush();
    if (out)
        *out = o;
    if (err)
        *err = e;
    return code;
}
