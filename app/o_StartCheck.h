#pragma once

#include <QString>
#include <QVariant>

class DbConnection;
struct SignedInUser;

// Why Start Monitoring cannot begin an interval on the project selected in
// the main window's list, in words for the user: nothing chosen or nothing
// to choose, a user without a developer to record the time for, or a project
// deleted since the list was read.
class StartCheck
{
public:
    enum class Outcome {
        Go,
        NoProjects,       // the list is empty
        NoDeveloper,      // the user is linked to no developer
        ProjectVanished,  // the project was deleted meanwhile: read the list again
    };
    struct Result
    {
        Outcome outcome = Outcome::Go;
        QString message;
    };

    // projectId: the list's key on the selected row; null when the list is empty.
    static Result check(DbConnection& connection, const SignedInUser& user, const QVariant& projectId,
                        const QString& projectName);
};
