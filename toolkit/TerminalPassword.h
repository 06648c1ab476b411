#pragma once

#include <QString>

#include <optional>

// Reads a password from a terminal with the echo turned off, as a console
// program must; the terminal's settings are put back afterwards, also when
// the read is interrupted by a signal.
class TerminalPassword
{
public:
    // Asks on the controlling terminal; nothing when the process has none.
    static std::optional<QString> read(const QString& prompt);
    // The same on an open terminal descriptor; nothing when it is no terminal.
    static std::optional<QString> readFrom(int fd, const QString& prompt);
};
