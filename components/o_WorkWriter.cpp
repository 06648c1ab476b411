#include "components/o_WorkWriter.h"

#include "components/o_Dialect.h"
#include "components/o_PeriodLock.h"
#include "components/o_Schema.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"

#include <QSqlQuery>
#include <QSqlRecord>

const QStringList& TWorkValues::columns()
{
    static const QStringList list{QStringLiteral("PROJECT_ID"), QStringLiteral("DEVELOPER_ID"),
                                  QStringLiteral("TIME_START"), QStringLiteral("TIME_END"),
                                  QStringLiteral("TIME_SPEND"), QStringLiteral("COMMENTS"),
                                  QStringLiteral("COMPLETED"),  QStringLiteral("DAY_START"),
                                  QStringLiteral("DAY_END"),    QStringLiteral("HAND_ENTRY")};
    return list;
}

const QStringList& TWorkValues::historyColumns()
{
    static const QStringList list = [] {
        QStringList pairs;
        for (const QString& column : columns())
            pairs << QStringLiteral("OLD_") + column << QStringLiteral("NEW_") + column;
        return pairs;
    }();
    return list;
}

QDate TWorkValues::day() const
{
    const QDate day = DbConnection::parseDateTime(values.at(DayStart)).date();
    return day.isValid() ? day : DbConnection::parseDateTime(values.at(TimeStart)).date();
}

LockedPeriodError::LockedPeriodError(const QString& message, const QDate& through, bool confirmable)
    : AppError(message)
    , m_through(through)
    , m_confirmable(confirmable)
{
}

namespace {

QString historyColumns()
{
    const QStringList columns = QStringList{QStringLiteral("WORK_ID"), QStringLiteral("ACTION"),
                                            QStringLiteral("CHANGED_BY"), QStringLiteral("SOURCE"),
                                            QStringLiteral("ACTED_AT")}
                                + TWorkValues::historyColumns();
    return columns.join(QLatin1Char(','));
}

QVariant nullIfEmpty(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

TWorkWriter::TWorkWriter(DbConnection& connection, const WorkAuthor& author)
    : m_connection(connection)
    , m_author(author)
    , m_kind(Dialect::kindOf(connection))
{
}

QString TWorkWriter::sourceCode(WorkSource source)
{
    switch (source) {
    case WorkSource::Window:
        return QStringLiteral("window");
    case WorkSource::CommandLine:
        return QStringLiteral("command line");
    case WorkSource::IdleQuestion:
        return QStringLiteral("idle question");
    case WorkSource::ForgottenStop:
        return QStringLiteral("forgotten-stop question");
    case WorkSource::SpecialEntry:
        return QStringLiteral("special entry");
    case WorkSource::WeekEntry:
        return QStringLiteral("week entry");
    case WorkSource::DatabaseTool:
        return QStringLiteral("database tool");
    }
    return QString();
}

QVariant TWorkWriter::actedAt() const
{
    return m_author.actedAt.isValid() ? QVariant(m_author.actedAt) : QVariant();
}

void TWorkWriter::prepare()
{
    if (m_prepared)
        return;
    // The server's settings for the history last as long as the transaction;
    // outside one they would be lost at once.
    if (!m_connection.inTransaction())
        throw AppError(QStringLiteral("Intervals are written inside a transaction"));
    const QString context = Dialect::writeContextStatement(m_kind);
    if (!context.isEmpty())
        m_connection.exec(context, {sourceCode(m_author.source), m_author.userName,
                                    m_author.actedAt.isValid()
                                        ? m_author.actedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                                        : QString()});
    QSqlQuery present = m_connection.exec(Dialect::tablesPresentStatement(m_kind, {Schema::HistoryTable, Schema::LockTable}));
    const bool history = present.next() && present.value(0).toInt() == 1;
    const bool lock = present.isValid() && present.value(1).toInt() == 1;
    present.finish();
    m_records = history && !Dialect::recordsOnServer(m_kind);
    if (lock)
        m_through = TPeriodLock::read(m_connection).through(Clock::now().date());
    m_prepared = true;
}

QDate TWorkWriter::lockedThrough()
{
    prepare();
    return m_through;
}

bool TWorkWriter::readsRows()
{
    prepare();
    return m_records || m_through.isValid();
}

std::optional<TWorkValues> TWorkWriter::read(DbConnection& connection, qint64 id)
{
    // Every column by name: a table made before the hand-entry mark has no
    // HAND_ENTRY, and its history keeps none.
    QSqlQuery query = connection.exec(QStringLiteral("select * from PROJECTWORK where ID = ?"), {id});
    if (!query.next())
        return std::nullopt;
    const QSqlRecord record = query.record();
    TWorkValues row;
    for (const QString& column : TWorkValues::columns()) {
        const int index = record.indexOf(column);
        row.values << (index >= 0 ? query.value(index) : QVariant());
    }
    return row;
}

void TWorkWriter::guard(const std::optional<TWorkValues>& before, const std::optional<TWorkValues>& after) const
{
    if (!m_through.isValid())
        return;
    const QString refused = TPeriodLock::refusal(before, after, m_through);
    if (refused.isEmpty() || (m_author.isAdmin && m_author.lockConfirmed))
        return;
    throw LockedPeriodError(refused, m_through, m_author.isAdmin);
}

void TWorkWriter::record(qint64 id, const std::optional<TWorkValues>& before, const std::optional<TWorkValues>& after)
{
    if (!m_records)
        return;
    QVariantList values{id,
                        before ? (after ? QStringLiteral("update") : QStringLiteral("delete")) : QStringLiteral("insert"),
                        nullIfEmpty(m_author.userName), sourceCode(m_author.source), actedAt()};
    for (int i = 0; i < TWorkValues::columns().size(); ++i)
        values << (before ? before->values.at(i) : QVariant()) << (after ? after->values.at(i) : QVariant());
    QStringList marks;
    for (int i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    m_connection.exec(QStringLiteral("insert into %1 (%2) values (%3)")
                          .arg(Schema::HistoryTable, historyColumns(), marks.join(QLatin1Char(','))),
                      values);
}

qint64 TWorkWriter::insert(const QString& statement, const QVariantList& values)
{
    prepare();
    const qint64 id = Dialect::insertReturningId(m_connection, statement, values);
    if (readsRows()) {
        const std::optional<TWorkValues> after = read(m_connection, id);
        guard(std::nullopt, after);
        record(id, std::nullopt, after);
    }
    return id;
}

int TWorkWriter::change(qint64 id, const QString& statement, const QVariantList& values)
{
    const bool reads = readsRows();
    const std::optional<TWorkValues> before = reads ? read(m_connection, id) : std::nullopt;
    // A stopped interval in the locked period is refused before anything is
    // written; a running one only once it is known what became of it.
    if (before && !before->running())
        guard(before, std::nullopt);
    const int changed = m_connection.exec(statement, values).numRowsAffected();
    if (changed <= 0 || !reads)
        return changed;
    const std::optional<TWorkValues> after = read(m_connection, id);
    guard(before, after);
    record(id, before, after);
    return changed;
}

TWorkWriter::ManyChanged TWorkWriter::changeMany(const QString& column, const QString& expression,
                                                 const QString& condition, const QVariantList& values)
{
    prepare();
    ManyChanged result;
    QString chosen = condition;
    QVariantList bound = values;
    if (m_through.isValid() && !(m_author.isAdmin && m_author.lockConfirmed)) {
        const QString day = Dialect::workDayExpression(m_kind);
        QSqlQuery locked = m_connection.exec(
            QStringLiteral("select count(*) from PROJECTWORK where (%1) and %2 <= ?").arg(condition, day),
            QVariantList(values) << m_through);
        result.left = locked.next() ? locked.value(0).toInt() : 0;
        locked.finish();
        chosen = QStringLiteral("(%1) and %2 > ?").arg(condition, day);
        bound << m_through;
    }
    if (m_records) {
        QStringList columns{QStringLiteral("ID"), QStringLiteral("'update'"), QStringLiteral("?"), QStringLiteral("?"),
                            QStringLiteral("?")};
        for (const QString& name : TWorkValues::columns())
            columns << name << (name == column ? expression : name);
        m_connection.exec(QStringLiteral("insert into %1 (%2) select %3 from PROJECTWORK where %4")
                              .arg(Schema::HistoryTable, historyColumns(), columns.join(QLatin1Char(',')), chosen),
                          QVariantList{nullIfEmpty(m_author.userName), sourceCode(m_author.source), actedAt()}
                              + bound);
    }
    result.changed =
        m_connection.exec(QStringLiteral("update PROJECTWORK set %1 = %2 where %3").arg(column, expression, chosen), bound)
            .numRowsAffected();
    return result;
}

void TWorkWriter::insertInBulk(const std::function<void()>& inserts)
{
    prepare();
    QSqlQuery highest = m_connection.exec(QStringLiteral("select max(ID) from PROJECTWORK"));
    const qint64 before = highest.next() ? highest.value(0).toLongLong() : 0;
    highest.finish();
    inserts();
    if (!m_records)
        return;
    QStringList columns{QStringLiteral("ID"), QStringLiteral("'insert'"), QStringLiteral("?"), QStringLiteral("?"),
                        QStringLiteral("?")};
    for (const QString& column : TWorkValues::columns())
        columns << QStringLiteral("null") << column;
    m_connection.exec(QStringLiteral("insert into %1 (%2) select %3 from PROJECTWORK where ID > ?")
                          .arg(Schema::HistoryTable, historyColumns(), columns.join(QLatin1Char(','))),
                      {nullIfEmpty(m_author.userName), sourceCode(m_author.source), actedAt(), before});
}
