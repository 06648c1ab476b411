#pragma once

#include <QString>

class DbConnection;
class QTextStream;
class TWeek;
class TWeekSheet;
struct SignedInUser;

// hourwright-cli week: a developer's week as the week window shows it, a
// line per project, a column per day, the totals below and on the right.
// Users see their own developer's week, administrators anyone's.
class WeekCommand
{
public:
    // developerId 0: the user's own developer. AppError when the user may
    // not see that week or has no developer to show.
    static void show(DbConnection& connection, const SignedInUser& user, const TWeek& week, int developerId,
                     QTextStream& out);
    static void write(QTextStream& out, const TWeekSheet& sheet, const QString& developerName);
};
