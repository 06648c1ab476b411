#include "tools/SampleData.h"

#include "components/o_Dialect.h"
#include "components/o_WorkWriter.h"
#include "toolkit/DbConnection.h"
#include "toolkit/PasswordHash.h"

#include <QRandomGenerator>
#include <QStringList>

namespace {
const QStringList s_lastNames = {"Berg", "Okafor", "Lindqvist", "Moreau", "Tanaka", "Novak", "Silva", "Kowalski",
                                 "Haddad", "O'Neill"};
const QStringList s_firstNames = {"Anna", "Chidi", "Erik", "Claire", "Yuki", "Pavel", "Rita", "Marek",
                                  "Layla", "Sean"};
const QStringList s_customerNames = {"Northwind Traders", "Blue Harbour", "Kestrel Labs", "Alder & Sons",
                                     "Meridian Health", "Orbit Freight", "Quarry Bank"};
const QStringList s_projectWords = {"Billing", "Portal", "Inventory", "Mobile App", "Data Warehouse", "Website",
                                    "Scheduler", "Migration", "Reporting", "Payments", "Search", "Support Desk"};
} // namespace

void SampleData::fill(DbConnection& connection, const Counts& counts, const QDateTime& until, quint32 seed)
{
    QRandomGenerator random(seed);
    // Prepared before the transaction, so they outlive it: a failed insert
    // rolls it back before they are freed.
    QSqlQuery user = connection.prepare(
        QStringLiteral("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (?,0,?,?)"));
    QSqlQuery assignment = connection.prepare(
        QStringLiteral("insert into DEVELOPER_PROJECTS (DEVELOPER_ID,PROJECT_ID) values (?,?)"));
    QSqlQuery work = connection.prepare(QStringLiteral(
        "insert into PROJECTWORK (PROJECT_ID,DEVELOPER_ID,TIME_START,TIME_END,TIME_SPEND,COMMENTS,COMPLETED,"
        "DAY_START,DAY_END) values (?,?,?,?,?,'',1,?,?)"));
    TransactionGuard transaction(connection);

    // The rows are linked by the keys the database gives them: a database
    // that already holds rows, or whose key counters moved on (a server's do
    // even for a rolled-back insert), does not start at 1.
    const QString customerInsert = QStringLiteral("insert into CUSTOMER (CODE,NAME) values (?,?)");
    QList<qint64> customerIds;
    for (int i = 0; i < counts.customers; ++i) {
        const QString name = s_customerNames.at(i % s_customerNames.size())
                             + (i >= s_customerNames.size() ? QStringLiteral(" %1").arg(i + 1) : QString());
        customerIds << Dialect::insertReturningId(
            connection, customerInsert, {QStringLiteral("C%1").arg(i + 1, 3, 10, QLatin1Char('0')), name});
    }

    const QString developerInsert = QStringLiteral("insert into DEVELOPERS (LASTNAME,NAME) values (?,?)");
    // Every sample user signs in with "changeme"; hashing is slow on purpose,
    // so they all share one hash.
    const QString passwordHash = counts.developers > 0 ? PasswordHash::hash(QStringLiteral("changeme")) : QString();
    QList<qint64> developerIds;
    for (int i = 0; i < counts.developers; ++i) {
        const QString last = s_lastNames.at(i % s_lastNames.size());
        const QString first = s_firstNames.at(i % s_firstNames.size());
        developerIds << Dialect::insertReturningId(connection, developerInsert, {last, first});
        connection.execPrepared(user, {developerIds.last(), first.toLower(), passwordHash});
    }

    const QString projectInsert =
        QStringLiteral("insert into PROJECTS (DESCRIPTION,CUSTOMER_ID,IS_FINISHED) values (?,?,?)");
    QList<qint64> projectIds;
    for (int i = 0; i < counts.projects; ++i) {
        QString name = s_projectWords.at(i % s_projectWords.size());
        if (i >= s_projectWords.size())
            name += QStringLiteral(" %1").arg(i / s_projectWords.size() + 1);
        const qint64 customerId = counts.customers ? customerIds.at(i % counts.customers) : 0;
        projectIds << Dialect::insertReturningId(connection, projectInsert, {name, customerId, i % 7 == 6 ? 1 : 0});
    }

    // Each developer works on a handful of projects.
    QList<QList<qint64>> projectsOf(counts.developers);
    for (int d = 0; d < counts.developers && counts.projects > 0; ++d) {
        const int many = qMin(counts.projects, 3 + d % 3);
        for (int k = 0; k < many; ++k) {
            const qint64 projectId = projectIds.at((d * 2 + k) % counts.projects);
            if (projectsOf[d].contains(projectId))
                continue;
            projectsOf[d] << projectId;
            connection.execPrepared(assignment, {developerIds.at(d), projectId});
        }
    }

    if (counts.developers == 0 || counts.projects == 0)
        return transaction.commit();

    // Walk back from `until`: every developer records about three intervals a day.
    const int perDay = 3 * counts.developers;
    const auto intervals = [&] {
        // Oldest first, as intervals are recorded: keys grow with time.
        for (qint64 n = 0; n < counts.intervals; ++n) {
            const qint64 back = counts.intervals - 1 - n;
            const qint64 dayBack = back / perDay + 1;
            const int d = int(back % counts.developers);
            const int slot = 2 - int((back / counts.developers) % 3);
            const QDate day = until.date().addDays(-dayBack);
            const QDateTime start(day, QTime(8 + slot * 3, int(random.bounded(50))));
            const qint64 minutes = 20 + random.bounded(150);
            const QDateTime end = start.addSecs(minutes * 60 + random.bounded(60));
            const QList<qint64>& mine = projectsOf[d];
            const qint64 projectId =
                mine.isEmpty() ? projectIds.first() : mine.at(int(random.bounded(int(mine.size()))));
            connection.execPrepared(work, {projectId, developerIds.at(d), start, end, double(minutes) / 60.0,
                                           start.date(), end.date()});
        }
    };
    if (counts.recorded)
        TWorkWriter(connection, {QString(), true, WorkSource::DatabaseTool, true}).insertInBulk(intervals);
    else
        intervals();
    transaction.commit();
}
