#include "components/o_Recalculation.h"

#include "components/o_ProjectMonitor.h"
#include "toolkit/BackgroundJob.h"
#include "toolkit/DbConnection.h"

#include <QEventLoop>
#include <QProgressDialog>

TRecalculation::Result TRecalculation::run(const Dialect::ConnectionParameters& database, QWidget* parent)
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
    QObject::connect(&job, &BackgroundJob::finished, &loop, [&](const QString&, const QString& problem) {
        if (!problem.isEmpty())
            result = {Outcome::Failed, problem};
        loop.quit();
    });
    QObject::connect(&window, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        job.stop();
        loop.quit();
    });
    job.start([database](const BackgroundJob::Report& report) {
        DbConnection connection;
        Dialect::openWith(connection, database);
        TqvProjectMonitor monitor;
        monitor.setAdoConnection(&connection);
        monitor.RecalcTimeSpend([&report](qint64 done, qint64 total) {
            return report(total > 0 ? int(done * 100 / total) : 100);
        });
        return QString();
    });
    window.show();
    loop.exec();
    if (cancelled)
        result = {Outcome::Cancelled, QString()};
    return result;
}
