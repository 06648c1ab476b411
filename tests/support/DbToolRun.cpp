#include "support/DbToolRun.h"

#include "tools/DbTool.h"

#include <QTextStream>

int runDbTool(const QStringList& args, QString* out, QString* err, const QString* input)
{
    QString o, e;
    QString in = input ? *input : QString();
    QTextStream inStream(&in), outStream(&o), errStream(&e);
    DbTool tool(outStream, errStream);
    if (input)
        tool.setInput(&inStream);
    const int code = tool.run(args);
    outStream.flush();
    errStream.flush();
    if (out)
        *out = o;
    if (err)
        *err = e;
    return code;
}
