#include "components/o_Recalculation.h"

#include "components/o_ProjectMonitor.h"
#include "toolkit/BackgroundJob.h"
#include "toolkit/DbConnection.h"

#include <QEventLoop>
#include <QProgressDialog>

QString TRecalculation::leftLockedText(int count)
{
    if (count <= 0)
        return {};
    return QStringLiteral("%1 of the durations that differ from their times lie in the locked period and were left "
                          "as they are. An administrator corrects such an interval in Edit Interval, after a "
                          "confirmation.")
        .arg(count);
}

TRecalculation::Result TRecalculation::run(const DbConnection& database, const QString& userName, bool isAdmin,
                                           QWidget* parent)
{
    QProgressDialog window(QStringLiteral("Recalculating the time spent on every interval..."),
                           QStringLiteral("Cancel"), 0, 100, parent);
    window.setObjectName(QStringLiteral("RecalculateProgress"));
    window.setWindowTitle(QStringLiteral("Hourwright"));
    window.setWindowModality(Qt::WindowModal);
    window.setMinimumDuration(0);
    window.setAutoClose(false);
    window.setAutoReset(false);

    BackgroundJob job;
    QEventLoop loop;
    Result result;
    bool cancelled = false;
    QObject::connect(&job, &BackgroundJob::progress, &window, &QProgressDialog::setValue);
    QObject::connect(&job, &BackgroundJob::finished, &loop, [&](const QString& done, const QString& problem) {
        if (!problem.isEmpty())
            result = {Outcome::Failed, problem};
        else
            result.leftLocked = done.toInt();
        loop.quit();
    });
    QObject::connect(&window, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        job.stop();
        loop.quit();
    });
    const DbConnection::Parameters parameters = database.parameters();
    const int deadlineMs = database.statementDeadline();
    job.start([parameters, deadlineMs, userName, isAdmin](const BackgroundJob::Report& report) {
        DbConnection connection;
        connection.setStatementDeadline(deadlineMs);
        connection.open(parameters);
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&connection);
        monitor.UserName = userName;
        monitor.IsAdmin = isAdmin;
        const int left = monitor.RecalcTimeSpend([&report](qint64 done, qint64 total) {
            return report(total > 0 ? int(done * 100 / total) : 100);
        });
        return QString::number(left);
    });
    window.show();
    loop.exec();
    if (cancelled)
        result = {Outcome::Cancelled, QString()};
    return result;
}
