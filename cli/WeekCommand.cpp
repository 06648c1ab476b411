#include "cli/WeekCommand.h"

#include "cli/TextTable.h"
#include "components/o_Schema.h"
#include "components/o_SignIn.h"
#include "components/o_WeekSheet.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <QTextStream>


void WeekCommand::show(DbConnection& connection, const SignedInUser& user, const TWeek& week, int developerId,
                       QTextStream& out)
{
    const int shown = developerId != 0 ? developerId : user.developerId;
    if (shown == 0)
        throw AppError(QStringLiteral("%1 has no developer; name one with --developer ID.").arg(user.userName));
    if (shown != user.developerId && !user.isAdmin)
        throw AppError(QStringLiteral("Only an administrator may see another developer's week."));
    QString name = TWeekSheet::developerName(connection, shown);
    if (!name.startsWith(QLatin1String("developer ")))
        name += QStringLiteral(" (developer %1)").arg(shown);
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
    if (sheet.anyRunning())
        out << TWeekSheet::runningNote() << '\n';
    out.flush();
}
