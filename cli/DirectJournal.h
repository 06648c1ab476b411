#pragma once

#include "components/o_IntervalEditor.h"
#include "components/o_JournalLink.h"

#include <QString>

class DbConnection;
class TJournal;

// The command line's way to the journal: each change is kept first and then
// written at once on the command's own connection. A server that cannot
// take it leaves the entry waiting for the next command of any Hourwright
// program; a write repeated after its answer was lost changes nothing.
class DirectJournal : public IJournalLink
{
public:
    DirectJournal(TJournal& journal, DbConnection& connection, const QString& userName, const TIntervalUser& user);

    std::optional<TEntryWriter::Outcome> submit(JournalEntry& entry) override;

    // Whether the last entry was kept for later, and the driver's text why.
    bool kept() const { return m_kept; }
    const QString& keptDetail() const { return m_detail; }
    const JournalEntry& lastEntry() const { return m_last; }

private:
    TJournal& m_journal;
    DbConnection& m_connection;
    QString m_userName;
    TIntervalUser m_user;
    bool m_kept = false;
    QString m_detail;
    JournalEntry m_last;
};
