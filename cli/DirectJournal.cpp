#include "cli/DirectJournal.h"

#include "components/o_Journal.h"
#include "components/o_WriteIds.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"

DirectJournal::DirectJournal(TJournal& journal, DbConnection& connection, const QString& userName,
                             const TIntervalUser& user)
    : m_journal(journal)
    , m_connection(connection)
    , m_userName(userName)
    , m_user(user)
{
}

std::optional<TEntryWriter::Outcome> DirectJournal::submit(JournalEntry& entry)
{
    entry.writeId = WriteIds::newId();
    entry.target = m_connection.parameters().target();
    entry.userName = m_userName;
    m_journal.record(entry);
    m_last = entry;
    m_kept = false;
    TEntryWriter writer(m_connection, m_user);
    writer.StartedInterval = [this](const QString& startRef) { return m_journal.startedInterval(startRef); };
    try {
        const TEntryWriter::Outcome outcome = writer.write(entry);
        if (outcome.kind == TEntryWriter::Outcome::Written)
            m_journal.markSent(entry.seq, outcome.workId);
        else
            m_journal.remove(entry.seq); // the user reads why at once
        return outcome;
    } catch (const DatabaseUnavailable& error) {
        m_journal.onDisk();
        m_kept = true;
        m_detail = error.detail().isEmpty() ? error.message() : error.detail();
        return std::nullopt;
    }
}
