#include "components/o_Schema.h"

#include "components/o_Dialect.h"
#include "components/o_Resources.h"
#include "components/o_WriteIds.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <QRegularExpression>

#include <algorithm>
#include <QSqlRecord>

const QList<Schema::Table>& Schema::tables()
{
    static const QList<Table> list = {
        {QStringLiteral("PROJECTS"), {"ID", "DESCRIPTION", "CUSTOMER_ID", "IS_FINISHED"}},
        {QStringLiteral("CUSTOMER"), {"ID", "CODE", "NAME"}},
        {QStringLiteral("DEVELOPERS"), {"ID", "LASTNAME", "NAME"}},
        {QStringLiteral("USERS"), {"ID", "DEVELOPER_ID", "IS_ADMIN", "USERNAME", "PASSWORD"}},
        {QStringLiteral("DEVELOPER_PROJECTS"), {"ID", "DEVELOPER_ID", "PROJECT_ID"}},
        {QStringLiteral("PROJECTWORK"),
         {"ID", "PROJECT_ID", "DEVELOPER_ID", "TIME_START", "TIME_END", "TIME_SPEND", "COMMENTS", "COMPLETED",
          "DAY_START", "DAY_END"}},
    };
    return list;
}

QString Schema::sqliteScript()
{
    return HourwrightResources::text(QStringLiteral(":/schema-sqlite.sql"));
}

QString Schema::sqlServerScript()
{
    return HourwrightResources::text(QStringLiteral(":/schema-sqlserver.sql"));
}

QString Schema::postgresScript()
{
    return HourwrightResources::text(QStringLiteral(":/schema-postgres.sql"));
}

QStringList Schema::statements(const QString& script)
{
    QStringList kept;
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("--")))
            continue;
        kept << (trimmed.compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0 ? QStringLiteral(";") : line);
    }
    // A ';' inside a dollar-quoted body ($hw$ ... $hw$, PostgreSQL's
    // functions) belongs to the body.
    static const QRegularExpression dollarTag(QStringLiteral("\\$[A-Za-z_]*\\$"));
    const QString text = kept.join(QLatin1Char('\n'));
    QStringList result;
    const auto add = [&result](const QString& part) {
        const QString statement = part.trimmed();
        if (!statement.isEmpty())
            result << statement;
    };
    qsizetype from = 0;
    QString openTag;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('$')) {
            const QRegularExpressionMatch tag = dollarTag.match(text, i, QRegularExpression::NormalMatch,
                                                                QRegularExpression::AnchorAtOffsetMatchOption);
            if (tag.hasMatch()) {
                if (openTag.isEmpty())
                    openTag = tag.captured();
                else if (tag.captured() == openTag)
                    openTag.clear();
                i += tag.capturedLength() - 1;
            }
        } else if (c == QLatin1Char(';') && openTag.isEmpty()) {
            add(text.mid(from, i - from));
            from = i + 1;
        }
    }
    add(text.mid(from));
    return result;
}

void Schema::create(DbConnection& connection, const QString& script)
{
    TransactionGuard transaction(connection);
    for (const QString& statement : statements(script))
        connection.exec(statement);
    transaction.commit();
}

void Schema::createSqlite(DbConnection& connection)
{
    create(connection, sqliteScript());
}

QMap<QString, QString> Schema::presentTables(DbConnection& connection)
{
    QMap<QString, QString> found;
    const QStringList present = connection.database().tables();
    for (const Table& table : tables()) {
        const auto name = std::find_if(present.begin(), present.end(), [&](const QString& given) {
            return given.compare(table.name, Qt::CaseInsensitive) == 0;
        });
        if (name != present.end())
            found.insert(table.name, *name);
    }
    return found;
}

QStringList Schema::check(DbConnection& connection)
{
    QStringList problems;
    const QSqlDatabase db = connection.database();
    const QMap<QString, QString> present = presentTables(connection);
    for (const Table& table : tables()) {
        if (!present.contains(table.name)) {
            problems << QStringLiteral("table %1 is missing").arg(table.name);
            continue;
        }
        // The columns are read under the name the server gave.
        const QSqlRecord record = db.record(present.value(table.name));
        for (const QString& column : table.columns) {
            if (record.indexOf(column) < 0)
                problems << QStringLiteral("column %1.%2 is missing").arg(table.name, column);
        }
    }
    // What was added later is looked for once the tables themselves are there.
    if (present.size() == tables().size()) {
        for (const Addition& addition : additions())
            if (!addition.isPresent(connection))
                problems << QStringLiteral("%1 is missing (hourwright-db upgrade adds it)").arg(addition.name);
    }
    return problems;
}

bool Schema::hasHandEntryMark(DbConnection& connection)
{
    const QString table = presentTables(connection).value(QStringLiteral("PROJECTWORK"));
    return !table.isEmpty() && connection.database().record(table).indexOf(QStringLiteral("HAND_ENTRY")) >= 0;
}

bool Schema::hasTable(DbConnection& connection, const QString& table)
{
    QSqlQuery query = connection.exec(Dialect::tablesPresentStatement(Dialect::kindOf(connection), {table}));
    return query.next() && query.value(0).toInt() == 1;
}

bool Schema::recordsHistory(DbConnection& connection)
{
    if (!hasTable(connection, HistoryTable))
        return false;
    const int kind = Dialect::kindOf(connection);
    if (!Dialect::recordsOnServer(kind))
        return true;
    QSqlQuery query = connection.exec(Dialect::triggerCountStatement(kind, HistoryTrigger));
    return query.next() && query.value(0).toInt() > 0;
}

namespace {

// The statements of the kind's script that begin with one of the prefixes:
// what a later addition makes is written once, in the script that makes a
// new database.
void runScriptPart(DbConnection& connection, const QStringList& prefixes)
{
    const QStringList statements = Schema::statements(Dialect::schemaScript(Dialect::kindOf(connection)));
    int run = 0;
    for (const QString& statement : statements) {
        const QString simple = statement.simplified();
        if (std::any_of(prefixes.begin(), prefixes.end(), [&](const QString& prefix) {
                return simple.startsWith(prefix, Qt::CaseInsensitive);
            })) {
            connection.exec(statement);
            ++run;
        }
    }
    if (run == 0)
        throw AppError(QStringLiteral("The schema script has nothing for %1").arg(prefixes.join(QLatin1String(", "))));
}

} // namespace

const QList<Schema::Addition>& Schema::additions()
{
    static const QList<Addition> list = {
        {QStringLiteral("column PROJECTWORK.HAND_ENTRY"), &hasHandEntryMark,
         [](DbConnection& connection) {
             // The rows the table holds count as recorded.
             connection.exec(Dialect::handEntryMarkStatement(Dialect::kindOf(connection)));
         }},
        // The history starts empty: what happened before was not recorded.
        {QStringLiteral("table ") + HistoryTable,
         [](DbConnection& connection) { return hasTable(connection, HistoryTable); },
         [](DbConnection& connection) {
             runScriptPart(connection, {QStringLiteral("CREATE TABLE ") + HistoryTable + QStringLiteral(" "),
                                        QStringLiteral("CREATE INDEX IX_") + HistoryTable + QStringLiteral("_")});
         }},
        {QStringLiteral("table ") + LockTable, [](DbConnection& connection) { return hasTable(connection, LockTable); },
         [](DbConnection& connection) {
             runScriptPart(connection, {QStringLiteral("CREATE TABLE ") + LockTable + QStringLiteral(" "),
                                        QStringLiteral("INSERT INTO ") + LockTable + QStringLiteral(" ")});
         }},
        // Where the server writes the history itself.
        {QStringLiteral("the server's recording of ") + HistoryTable,
         [](DbConnection& connection) {
             return !Dialect::recordsOnServer(Dialect::kindOf(connection)) || recordsHistory(connection);
         },
         [](DbConnection& connection) {
             runScriptPart(connection, {QStringLiteral("CREATE OR REPLACE FUNCTION public.hw_record_work_change("),
                                        QStringLiteral("CREATE OR REPLACE TRIGGER ") + HistoryTrigger + QStringLiteral(" ")});
         }},
        // The IDs of writes sent from a journal; without the table a write
        // repeated after a lost answer is found by its content instead.
        {QStringLiteral("table ") + WriteIds::tableName(), &WriteIds::hasTable, &WriteIds::createTable},
    };
    return list;
}

QStringList Schema::addMissing(DbConnection& connection)
{
    QStringList added;
    for (const Addition& addition : additions()) {
        if (addition.isPresent(connection))
            continue;
        addition.add(connection);
        added << addition.name;
    }
    return added;
}

QStringList Schema::upgrade(DbConnection& connection)
{
    TransactionGuard transaction(connection);
    const QStringList added = addMissing(connection);
    transaction.commit();
    return added;
}

void Schema::upgradeOwnFile(DbConnection& connection)
{
    if (!Dialect::isFile(Dialect::kindOf(connection)))
        return;
    try {
        // Cheap when there is nothing to add: the table's columns are read.
        if (std::all_of(additions().begin(), additions().end(),
                        [&](const Addition& addition) { return addition.isPresent(connection); }))
            return;
        upgrade(connection);
    } catch (const std::exception&) {
        // Left as it is; the windows that need an addition say so.
    }
}
