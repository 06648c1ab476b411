#include "cli/WeekCommand.h"

#include "cli/TextTable.h"
#include "components/o_Schema.h"
#include "components/o_SignIn.h"
#include "components/o_WeekSheet.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>

void WeekCommand::show(DbConnection& connection, const SignedInUser& user, const TWeek& week, int developerId,
                       QTextStream& out)
{
    const int shown = developerId != 0 ? developerId : user.developerId;
    if (shown == 0)
        throw AppError(QStringLiteral("%1 has no developer; name one with --developer ID.").arg(user.userName));
    if (shown != user.developerId && !user.isAdmin)
        throw AppError(QStringLiteral("Only an administrator may see another developer's week."));
    QSqlQuery query =
        connection.exec(QStringLiteral("select LASTNAME, NAME from DEVELOPERS where ID = :ID"), {shown});
    QString name = query.next() ? (query.value(0).toString() + QLatin1Char(' ') + query.value(1).toString()).trimmed()
                                : QString();
    name = name.isEmpty() ? QStringLiteral("developer %1").arg(shown)
                          : QStringLiteral("%1 (developer %2)").arg(name).arg(shown);
    write(out, TWeekSheet::load(connection, Schema::hasHandEntryMark(connection), shown, week), name);
}

void WeekCommand::write(QTextStream& out, const TWeekSheet& sheet, const QString& developerName)
{
    out << "Week " << sheet.Week.title() << ", " << developerName << '\n';
    QList<QStringList> lines = sheet.text();
    // An empty last column lets the totals on the right be padded too.
    for (QStringList& line : lines)
        line << QString();
    TextTable::write(out, lines, {1, 2, 3, 4, 5, 6, 7, 8}, true);
    const bool running = std::any_of(sheet.Rows.begin(), sheet.Rows.end(), [](const TWeekRow& row) {
        return std::any_of(row.days.begin(), row.days.end(), [](const TWeekCell& cell) { return cell.running; });
    });
    if (running)
        out << "* An interval is still running there; its time counts once it is stopped.\n";
    out.flush();
}
