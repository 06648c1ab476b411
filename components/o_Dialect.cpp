#include "components/o_Dialect.h"

#include "components/o_ConnectionSettings.h"
#include "components/o_Schema.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/SqlTemplate.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>
#include <QSqlQuery>

bool Dialect::isKnownKind(int kind)
{
    return kind == LocalFile || kind == SqlServer || kind == PostgreSql;
}

bool Dialect::isFile(int kind)
{
    return kind == LocalFile;
}

bool Dialect::hasPersonalLogins(int kind)
{
    return kind == PostgreSql;
}

bool Dialect::nestedJoins(int kind)
{
    return kind == LocalFile;
}

namespace {

// "host", "host:port", "[v6]:port"; a bare IPv6 address has no port.
void splitServer(const QString& serverName, QString* host, int* port)
{
    const QString server = serverName.trimmed();
    *host = server;
    *port = 0;
    const int colon = server.lastIndexOf(QLatin1Char(':'));
    if (colon < 0 || (server.count(QLatin1Char(':')) > 1 && !server.startsWith(QLatin1Char('['))))
        return;
    bool isNumber = false;
    const int number = server.mid(colon + 1).toInt(&isNumber);
    if (!isNumber || number <= 0 || number > 65535)
        throw DatabaseError(QStringLiteral("The server name %1 has no valid port after ':'").arg(server));
    *host = server.left(colon);
    if (host->startsWith(QLatin1Char('[')) && host->endsWith(QLatin1Char(']')))
        *host = host->mid(1, host->size() - 2);
    *port = number;
}

// FreeTDS reads a braced value up to the first '}' and passes "}}" on as it
// stands, so no escaping keeps such a value whole: it is refused instead.
QString odbcValue(const QString& value, const char* what)
{
    if (value.contains(QLatin1Char('}')))
        throw DatabaseError(QStringLiteral("The %1 contains '}', which cannot reach SQL Server through the FreeTDS "
                                           "driver unchanged; choose one without it")
                                .arg(QString::fromLatin1(what)));
    return QLatin1Char('{') + value + QLatin1Char('}');
}

} // namespace

QString Dialect::odbcConnectionString(const QString& serverName, const QString& dataBaseName, const QString& userName,
                                      const QString& password)
{
    return QStringLiteral("DRIVER={FreeTDS};SERVER=%1;DATABASE=%2;UID=%3;PWD=%4;ClientCharset=UTF-8")
        .arg(odbcValue(serverName, "server name"), odbcValue(dataBaseName, "database name"),
             odbcValue(userName, "user name"), odbcValue(password, "password"));
}

void Dialect::openServer(const ConnectionSettings& settings, DbConnection& connection, int loginTimeoutSeconds)
{
    if (settings.kind == SqlServer) {
        connection.openOdbc(settings.odbcConnectionString(), connectOptions(settings, loginTimeoutSeconds));
        return;
    }
    if (settings.kind == PostgreSql) {
        QString host;
        int port = 0;
        splitServer(settings.serverName, &host, &port);
        connection.setStatementDeadline(StatementDeadlineMs);
        connection.openPostgres(host, port, settings.dataBaseName, settings.userName, settings.password,
                                connectOptions(settings, loginTimeoutSeconds));
        return;
    }
    throw DatabaseError(QStringLiteral("The database kind %1 is no server").arg(settings.kind));
}

QStringList Dialect::sslModes()
{
    return {QStringLiteral("disable"), QStringLiteral("allow"),     QStringLiteral("prefer"),
            QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
}

QString Dialect::schemaScript(int kind)
{
    switch (kind) {
    case LocalFile:
        return Schema::sqliteScript();
    case SqlServer:
        return Schema::sqlServerScript();
    case PostgreSql:
        return Schema::postgresScript();
    default:
        throw AppError(QStringLiteral("The database kind %1 is not known").arg(kind));
    }
}

QString Dialect::concat(int kind)
{
    return kind == SqlServer ? QStringLiteral("+") : QStringLiteral("||");
}

QString Dialect::fullName(int kind, const QString& qualifier)
{
    const QString op = concat(kind);
    return QStringLiteral("%1LASTNAME %2 ' ' %2 %1NAME").arg(qualifier, op);
}

QString Dialect::textLiteral(int kind, const QString& text)
{
    const QString literal = SqlTemplate::quoted(text);
    return kind == SqlServer ? QLatin1Char('N') + literal : literal;
}

QString Dialect::quotedNames(int kind, const QString& statement)
{
    if (kind != PostgreSql)
        return statement;
    static const QRegularExpression bracketed(QStringLiteral("\\[([A-Za-z_][A-Za-z0-9_]*)\\]"));
    QString bare = statement;
    return bare.replace(bracketed, QStringLiteral("\\1"));
}

QString Dialect::newestFirst(const QString& column)
{
    return QStringLiteral("case when %1 is null then 1 else 0 end, %1 desc").arg(column);
}

QString Dialect::textType(int kind)
{
    return kind == PostgreSql ? QStringLiteral("text") : QStringLiteral("nvarchar(4000)");
}

QString Dialect::handEntryMarkStatement(int kind)
{
    if (kind == SqlServer)
        return QStringLiteral("ALTER TABLE PROJECTWORK ADD HAND_ENTRY INT NULL "
                              "CONSTRAINT DF_PROJECTWORK_HAND_ENTRY DEFAULT 0 WITH VALUES");
    return QStringLiteral("ALTER TABLE PROJECTWORK ADD COLUMN HAND_ENTRY INTEGER DEFAULT 0");
}

QString Dialect::tablesPresentStatement(int kind, const QStringList& tables)
{
    QStringList columns;
    for (const QString& table : tables) {
        if (kind == PostgreSql)
            columns << QStringLiteral("case when to_regclass('public.%1') is null then 0 else 1 end")
                           .arg(table.toLower());
        else if (kind == SqlServer)
            columns << QStringLiteral("case when OBJECT_ID('%1', 'U') is null then 0 else 1 end").arg(table);
        else
            columns << QStringLiteral("(select count(*) from sqlite_master where type = 'table' and upper(name) = '%1')")
                           .arg(table.toUpper());
    }
    return QStringLiteral("select ") + columns.join(QLatin1Char(','));
}

bool Dialect::recordsOnServer(int kind)
{
    return kind == PostgreSql;
}

QString Dialect::triggerCountStatement(int kind, const QString& name)
{
    if (kind == PostgreSql)
        return QStringLiteral("select count(*) from pg_trigger where not tgisinternal and tgname = %1")
            .arg(SqlTemplate::quoted(name));
    if (kind == SqlServer)
        return QStringLiteral("select count(*) from sys.triggers where name = %1").arg(textLiteral(kind, name));
    return QStringLiteral("select count(*) from sqlite_master where type = 'trigger' and name = %1")
        .arg(SqlTemplate::quoted(name));
}

QString Dialect::writeContextStatement(int kind)
{
    if (kind != PostgreSql)
        return {};
    return QStringLiteral("select set_config('hourwright.source', ?, true), set_config('hourwright.user', ?, true), "
                          "set_config('hourwright.acted_at', ?, true)");
}

QString Dialect::referenceCountStatement(const QString& table, const QString& column, qint64 id)
{
    return QStringLiteral("select count(*) from %1 where %2 = %3").arg(table, column).arg(id);
}

namespace {

// A conninfo value in single quotes, as libpq reads it.
QString conninfoValue(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

} // namespace

QStringList Dialect::postgresSessionSettings()
{
    // In force from the session's first statement: Qt decides how to escape
    // bound texts while it connects, so a SET afterwards would be too late
    // on a server whose default makes a backslash an escape. No statement,
    // lock or open transaction of the program holds the server (or another
    // client) longer than a few seconds.
    return {QStringLiteral("standard_conforming_strings=on"),
            QStringLiteral("statement_timeout=%1").arg(StatementTimeoutMs),
            QStringLiteral("lock_timeout=%1").arg(LockTimeoutMs),
            QStringLiteral("idle_in_transaction_session_timeout=%1").arg(IdleTransactionTimeoutMs)};
}

QString Dialect::connectOptions(const ConnectionSettings& settings, int loginTimeoutSeconds)
{
    const int kind = settings.kind;
    if (kind != SqlServer && kind != PostgreSql)
        return {}; // SQLite waits on locks with its busy timeout, set whenever it opens
    if (loginTimeoutSeconds <= 0)
        loginTimeoutSeconds = LoginTimeoutSeconds;
    if (kind == SqlServer)
        return QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%2")
            .arg(loginTimeoutSeconds)
            .arg(StatementDeadlineMs / 1000);
    // Qt joins these with blanks into libpq's conninfo (a ';' becomes a blank).
    // Keepalives find a link that went away while the connection was idle.
    QStringList options;
    options << QStringLiteral("connect_timeout=%1").arg(loginTimeoutSeconds)
            << QStringLiteral("keepalives=1") << QStringLiteral("keepalives_idle=10")
            << QStringLiteral("keepalives_interval=3") << QStringLiteral("keepalives_count=3")
            << QStringLiteral("tcp_user_timeout=%1").arg(StatementDeadlineMs)
            << QStringLiteral("client_encoding=UTF8");
    if (!settings.sslMode.isEmpty()) {
        if (!sslModes().contains(settings.sslMode))
            throw DatabaseError(QStringLiteral("SslMode %1 is none of %2").arg(settings.sslMode,
                                                                              sslModes().join(QLatin1String(", "))));
        options << QStringLiteral("sslmode=") + settings.sslMode;
    }
    const QString rootCert = settings.resolvedSslRootCert();
    if (!rootCert.isEmpty()) {
        // The driver turns every ';' of the options into a blank, inside
        // quotes too.
        if (rootCert.contains(QLatin1Char(';')))
            throw DatabaseError(QStringLiteral("The SslRootCert path %1 cannot hold a ';'").arg(rootCert));
        options << QStringLiteral("sslrootcert=") + conninfoValue(rootCert);
    }
    // An administrator sees in pg_stat_activity which program is connected.
    QString program = QCoreApplication::applicationName();
    program.remove(QLatin1Char(';'));
    if (!program.isEmpty())
        options << QStringLiteral("application_name=") + conninfoValue(program);
    QStringList session;
    for (const QString& setting : postgresSessionSettings())
        session << QStringLiteral("-c ") + setting;
    options << QStringLiteral("options=") + conninfoValue(session.join(QLatin1Char(' ')));
    return options.join(QLatin1Char(';'));
}

QString Dialect::lastIdStatement(int kind)
{
    if (kind == SqlServer)
        return QStringLiteral("select @@IDENTITY as LAST_ID");
    if (kind == PostgreSql)
        return QStringLiteral("select lastval() as LAST_ID");
    return QStringLiteral("select last_insert_rowid() as LAST_ID");
}

qint64 Dialect::insertReturningId(DbConnection& connection, const QString& insert, const QVariantList& values)
{
    const int kind = kindOf(connection);
    QSqlQuery query = connection.exec(kind == PostgreSql ? insert + QStringLiteral(" returning ID") : insert, values);
    if (kind != PostgreSql)
        query = connection.exec(lastIdStatement(kind));
    if (!query.next())
        throw DatabaseError(QStringLiteral("The key of the new row could not be read"));
    return query.value(0).toLongLong();
}

int Dialect::kindOf(const DbConnection& connection)
{
    if (connection.isSqlite())
        return LocalFile;
    return connection.isPostgres() ? PostgreSql : SqlServer;
}

namespace {

QString workRowsSelect(int kind, const QString& top)
{
    return QStringLiteral(" select%1\r"
                          " PW.ID\r"
                          ",PW.PROJECT_ID\r"
                          ",PW.DEVELOPER_ID\r"
                          ",PW.TIME_START\r"
                          ",PW.TIME_END\r"
                          ",PW.COMMENTS\r"
                          ",PW.TIME_SPEND\r"
                          ",PW.COMPLETED\r"
                          ",PW.DAY_START\r"
                          ",PW.DAY_END\r"
                          ",%2 as DEVELOPER_NAME\r"
                          ",P.DESCRIPTION                 as PROJECT_NAME\r"
                          ",P.CUSTOMER_ID\r"
                          ",CUS.NAME                      as CUSTOMER_NAME\r")
        .arg(top, Dialect::fullName(kind, QStringLiteral("DEV.")));
}

QString workRowsFrom(int kind)
{
    if (!Dialect::nestedJoins(kind))
        return QStringLiteral(" from\r"
                              " PROJECTWORK PW\r"
                              "left join PROJECTS    P   on P.ID   = PW.PROJECT_ID\r"
                              "left join DEVELOPERS  DEV on DEV.ID = PW.DEVELOPER_ID\r"
                              "left join CUSTOMER    CUS on CUS.ID = P.CUSTOMER_ID");
    return QStringLiteral(" from\r"
                          "(\r"
                          "(\r"
                          "(PROJECTWORK PW)\r"
                          "\r"
                          "left join  PROJECTS    P         on  P.ID   = PW.PROJECT_ID)\r"
                          "\r"
                          "left join   DEVELOPERS  DEV  on DEV.ID = PW.DEVELOPER_ID)\r"
                          "\r"
                          "left join CUSTOMER    CUS   on CUS.ID = P.CUSTOMER_ID");
}

} // namespace

QString Dialect::workRowsStatement(int kind)
{
    return workRowsSelect(kind, QString()) + workRowsFrom(kind);
}

QString Dialect::workRowsOfProjectStatement(int kind, qint64 projectId, qint64 beforeId, int rows)
{
    QString where = QStringLiteral("\rwhere PW.PROJECT_ID = %1").arg(projectId);
    if (beforeId > 0)
        where += QStringLiteral(" and PW.ID < %1").arg(beforeId);
    where += QStringLiteral("\rorder by PW.ID desc");
    if (kind == SqlServer)
        return workRowsSelect(kind, QStringLiteral(" top %1").arg(rows)) + workRowsFrom(kind) + where;
    return workRowsSelect(kind, QString()) + workRowsFrom(kind) + where + QStringLiteral("\rlimit %1").arg(rows);
}

QString Dialect::workRowStatement(int kind, qint64 workId)
{
    return workRowsSelect(kind, QString()) + workRowsFrom(kind) + QStringLiteral("\rwhere PW.ID = %1").arg(workId);
}

QString Dialect::recalcHoursExpression(int kind)
{
    switch (kind) {
    case PostgreSql:
        // The span of two TIMESTAMP(3) in seconds, exact (numeric).
        return QStringLiteral("floor(abs(extract(epoch from TIME_END - TIME_START)) / 60)::float8 / 60");
    case SqlServer:
        return QStringLiteral("cast(abs(datediff_big(millisecond, TIME_START, TIME_END)) / 60000 as float) / 60");
    default:
        // The stored texts as days; the difference is exact to well below a
        // millisecond, so rounding gives the milliseconds the program counts.
        // A text that is no moment gives NULL, and its row stays as it is.
        return QStringLiteral(
            "abs(cast(round((julianday(TIME_END) - julianday(TIME_START)) * 86400000.0) as integer)) / 60000 / 60.0");
    }
}

QString Dialect::recalcCondition(int kind)
{
    const QString bothTimes = kind == LocalFile
                                  ? QStringLiteral("julianday(TIME_START) is not null and julianday(TIME_END) is not null")
                                  : QStringLiteral("TIME_START is not null and TIME_END is not null");
    return QStringLiteral("ID > ? and ID <= ? and %1 and (TIME_SPEND is null or TIME_SPEND <> %2)")
        .arg(bothTimes, recalcHoursExpression(kind));
}

QString Dialect::recalcTimeSpendStatement(int kind)
{
    return QStringLiteral("update PROJECTWORK set TIME_SPEND = %1\nwhere %2")
        .arg(recalcHoursExpression(kind), recalcCondition(kind));
}

QString Dialect::workDayExpression(int kind)
{
    switch (kind) {
    case PostgreSql:
        return QStringLiteral("coalesce(DAY_START, cast(TIME_START as date))");
    case SqlServer:
        return QStringLiteral("cast(coalesce(DAY_START, TIME_START) as date)");
    default:
        return QStringLiteral("coalesce(date(DAY_START), date(TIME_START))");
    }
}
