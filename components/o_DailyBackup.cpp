#include "components/o_DailyBackup.h"

#include "components/o_DatabaseBackup.h"
#include "components/o_Dialect.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"

bool TDailyBackup::start(int kind, const DbConnection& connection)
{
    if (!Dialect::isFile(kind) || isRunning())
        return false;
    // Read here, on the connection's own thread; the copy opens the file anew.
    const QString database = DatabaseBackup::databaseFileOf(connection);
    if (database.isEmpty())
        return false;
    const QString folder = DatabaseBackup::defaultFolder(database);
    const QDateTime now = Clock::now();
    return BackgroundJob::start([database, folder, now](const Report& report) {
        try {
            return DatabaseBackup::dailyCopy(database, folder, now, [&report](int copied, int total) {
                return report(total > 0 ? int(qint64(copied) * 100 / total) : 100);
            });
        } catch (const std::exception& error) {
            throw AppError(DatabaseBackup::dailyFailureText(errorMessage(error)));
        }
    });
}
