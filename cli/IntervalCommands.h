#pragma once

#include "components/o_IntervalEditor.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

class DbConnection;
class QTextStream;
struct SignedInUser;

// What `edit` is asked to change; anything not given stays as it is.
struct IntervalEdit
{
    std::optional<QString> project; // an ID or a name among the user's projects
    std::optional<QDateTime> start;
    std::optional<QDateTime> stop;
    std::optional<QString> comment;
    bool allowOverlap = false;
};

// hourwright-cli list, edit and delete: the signed-in user's intervals,
// corrected by the same component and rules as the main window's Edit
// Interval and Delete Interval. Refusals and failures raise AppError.
class IntervalCommands
{
public:
    IntervalCommands(DbConnection& connection, int kind, const SignedInUser& user, QTextStream& out);

    // The user's developer's intervals, newest first, with their IDs.
    void list(const QDate& from, const QDate& to);
    void edit(int id, const IntervalEdit& edit);
    void remove(int id);
    // The project named by an ID or a name among the user's projects (those
    // Edit Interval offers; forStart: those the main window lists for Start);
    // AppError when there is none or the name is shared by several.
    TIntervalEditor::Project project(const QString& wanted, bool forStart = false);

    // AppError unless the user has a developer, for whom intervals are recorded.
    static void requireDeveloper(const SignedInUser& user);
    // The roles of the command line's user, as the window has them.
    static TIntervalUser intervalUser(const SignedInUser& user);
    // "2026-05-11 08:00[:30]" or "2026-05-11T08:00[:30]", local time; invalid otherwise.
    static QDateTime parseMoment(const QString& text);

private:
    DbConnection& m_connection;
    int m_kind;
    const SignedInUser& m_user;
    QTextStream& m_out;
};
