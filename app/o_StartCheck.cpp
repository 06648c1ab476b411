#include "app/o_StartCheck.h"

#include "components/o_IntervalEditor.h"
#include "components/o_SignIn.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

#include <QSqlQuery>

StartCheck::Result StartCheck::check(DbConnection& connection, const SignedInUser& user, const QVariant& projectId,
                                     const QString& projectName)
{
    // The developer first: a user without one has no projects of their own
    // either, and linking the developer is what helps.
    if (user.developerId == 0)
        return {Outcome::NoDeveloper, TIntervalEditor::noDeveloperText(user.userName)};
    if (projectId.isNull())
        return {Outcome::NoProjects,
                user.isAdmin ? QStringLiteral("There is no project to monitor yet. Add one in Tables > Projects.")
                             : QStringLiteral("There is no project in your list to monitor. An administrator "
                                              "assigns projects to you in Tables > Projects per Developer.")};
    bool exists = true;
    try {
        QSqlQuery project =
            connection.exec(QStringLiteral("select count(*) from PROJECTS where ID = :ID"), {projectId.toInt()});
        exists = project.next() && project.value(0).toInt() != 0;
    } catch (const DatabaseUnavailable&) {
        // A server that cannot be asked now is no proof the project is gone:
        // the Start is kept in the journal as the list showed it.
    }
    if (!exists)
        return {Outcome::ProjectVanished,
                QStringLiteral("The project %1 no longer exists; it was deleted after your list was read. "
                               "Nothing was started, and the list is read again.")
                    .arg(projectName.isEmpty() ? QStringLiteral("%1").arg(projectId.toInt()) : projectName)};
    return {};
}
