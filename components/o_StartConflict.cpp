#include "components/o_StartConflict.h"

#include "components/o_Dialect.h"
#include "components/o_ProjectMonitor.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MessageService.h"

#include <QSqlQuery>

StartConflict::OpenInterval StartConflict::newestOpen(DbConnection& connection, int developerId)
{
    OpenInterval open;
    QSqlQuery query = connection.exec(
        QStringLiteral("select W.ID, W.PROJECT_ID, P.DESCRIPTION, W.TIME_START, W.COMMENTS from PROJECTWORK W"
                       " left join PROJECTS P on P.ID = W.PROJECT_ID"
                       " where W.COMPLETED = 0 and W.DEVELOPER_ID = :DEVELOPER_ID"
                       " order by ")
            + Dialect::newestFirst(QStringLiteral("W.TIME_START")) + QStringLiteral(", W.ID desc"),
        {developerId});
    if (query.next() && !query.value(0).isNull()) {
        open.id = query.value(0).toInt();
        open.projectId = query.value(1).toInt();
        open.projectName = query.value(2).toString();
        open.start = DbConnection::parseDateTime(query.value(3));
        open.comments = query.value(4).toString();
    }
    return open;
}

QString StartConflict::question(const OpenInterval& open, const QString& newProjectName)
{
    const QString project = open.projectName.trimmed().isEmpty() ? QStringLiteral("no project")
                                                                 : QStringLiteral("\"%1\"").arg(open.projectName);
    return QStringLiteral("An interval is already running for you: interval %1 on %2 since %3, started on another "
                          "machine or from the command line.\n\n"
                          "Take it over here, or stop it now and start \"%4\"?")
        .arg(open.id)
        .arg(project, open.start.toString(QStringLiteral("yyyy-MM-dd HH:mm")), newProjectName);
}

StartConflict::Outcome StartConflict::settle(TqvProjectMonitor& monitor, const QString& newProjectName,
                                             QWidget* parent)
{
    if (monitor.Monitoring() || !monitor.AdoConnection())
        return Outcome::NoneOpen;
    OpenInterval open;
    try {
        open = newestOpen(*monitor.AdoConnection(), monitor.DeveloperID);
    } catch (const DatabaseUnavailable&) {
        // The server cannot be asked now: the Start is kept, and its write
        // refuses it should an interval be open by then.
        return Outcome::NoneOpen;
    }
    if (open.id == 0)
        return Outcome::NoneOpen;

    MessageService::Request request = MessageService::Request::make(
        QStringLiteral("Hourwright"), question(open, newProjectName), QMessageBox::Question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    request.buttonTexts[QMessageBox::Yes] = QStringLiteral("&Take it over");
    request.buttonTexts[QMessageBox::No] = QStringLiteral("&Stop it and start the new one");
    switch (MessageService::show(request, parent)) {
    case QMessageBox::Yes: {
        if (monitor.CheckIncompleteWork() == 0)
            return Outcome::NoneOpen; // stopped elsewhere meanwhile
        const OpenInterval taken = newestOpen(*monitor.AdoConnection(), monitor.DeveloperID);
        monitor.ProjectID = taken.projectId;
        monitor.Comments = taken.comments; // the stop keeps the interval's own comment
        return Outcome::TakenOver;
    }
    case QMessageBox::No: {
        // Every open interval of the developer ends now, so the new one is
        // the only open row. Each keeps its own comment.
        const QString newComments = monitor.Comments;
        try {
            while (monitor.CheckIncompleteWork() != 0) {
                monitor.Comments = newestOpen(*monitor.AdoConnection(), monitor.DeveloperID).comments;
                monitor.StopMonitoring(WorkSource::Window);
            }
        } catch (...) {
            monitor.Comments = newComments;
            throw;
        }
        monitor.Comments = newComments;
        return Outcome::Stopped;
    }
    default:
        return Outcome::Cancelled;
    }
}
