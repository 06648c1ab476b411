#pragma once

#include <QStringList>
#include <QTextStream>

// hourwright-db: creates and checks Hourwright databases. Returns the
// process exit code; messages go to the two streams.
class DbTool
{
public:
    DbTool(QTextStream& out, QTextStream& err);
    int run(const QStringList& arguments);

    static QString usage();

private:
    int init(const QStringList& args);
    int sqlServerScript(const QStringList& args);
    int addUser(const QStringList& args);
    int sample(const QStringList& args);
    int check(const QStringList& args);
    int backup(const QStringList& args);
    int fail(const QString& message, int code = 1);

    QTextStream& m_out;
    QTextStream& m_err;
};
