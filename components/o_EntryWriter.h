#pragma once

#include "components/o_IntervalEditor.h"
#include "components/o_Journal.h"

#include <QDateTime>
#include <QString>

#include <functional>

class DbConnection;

// Writes one journal entry into PROJECTWORK, exactly once: each write is one
// transaction under the developer's write lock that first looks for the
// entry's write ID (a write repeated after its answer was lost changes
// nothing) and records it with the change. The project monitor writes its
// own Start and Stop through here too, so the rules are the same however an
// action reaches the server.
class TEntryWriter
{
public:
    struct Outcome
    {
        enum Kind {
            Written, // written now, or found written before
            Gone,    // a Stop whose interval was stopped or deleted elsewhere
            Refused, // nothing written: the reason is in message
        };
        Kind kind = Written;
        int workId = 0;
        QDateTime start; // the interval's start as stored (a Stop, an Edit)
        QString message;
        bool byDatabase = false; // Refused by the database itself, not by a rule
        QDate lockedThrough;     // Refused for the locked period through that day
    };

    // user: who sends it (the developer of entries that name none).
    TEntryWriter(DbConnection& connection, const TIntervalUser& user);

    // Whether a Start is refused while the developer has an open interval.
    bool OneOpenPerDeveloper = true;
    // The interval a Start already sent made, by its write ID (0: unknown).
    std::function<int(const QString& startRef)> StartedInterval;

    // Throws DatabaseUnavailable when the server cannot take it now; every
    // other outcome is returned.
    Outcome write(const JournalEntry& entry);

    static QString startStatement();
    static QString stopStatement(int workId);
    static QString openIntervalStatement();
    // The project among the user's projects that wanted names: digits are its
    // ID, else its name without regard to case. AppError when there is none
    // or the name is shared by several.
    static TIntervalEditor::Project findProject(const QList<TIntervalEditor::Project>& choices,
                                                const QString& wanted, const QString& userName);

private:
    Outcome start(const JournalEntry& entry, int developerId, bool withIds);
    Outcome stop(const JournalEntry& entry, int developerId, bool withIds);
    Outcome edit(const JournalEntry& entry, bool withIds);
    int intervalOf(const JournalEntry& entry);
    // The user as the entry's write is recorded: where the user acted and,
    // for an entry kept in the journal, when.
    TIntervalUser userOf(const JournalEntry& entry) const;

    DbConnection& m_connection;
    TIntervalUser m_user;
};
