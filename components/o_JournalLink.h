#pragma once

#include "components/o_EntryWriter.h"
#include "components/o_Journal.h"

#include <optional>

// Where the program's own Start, Stop and corrections go on a server: into
// the journal first, then written by a sender that waits on the server in a
// thread of its own, so the window never does.
class IJournalLink
{
public:
    virtual ~IJournalLink() = default;

    // Keeps the entry (its database, user and write ID are filled in here)
    // and waits a short moment for its write: the outcome when it was written
    // or refused in that time; none when it still waits and will be written
    // when the server takes it.
    virtual std::optional<TEntryWriter::Outcome> submit(JournalEntry& entry) = 0;
};
