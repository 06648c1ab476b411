#pragma once

#include <QString>

// A program's entry in the desktop's autostart folder
// ($XDG_CONFIG_HOME/autostart/<id>.desktop), which the session starts at
// every login.
class AutostartEntry
{
public:
    explicit AutostartEntry(const QString& desktopId);

    QString path() const;
    bool exists() const;
    // Writes the entry (atomically); throws AppError naming the file and the
    // reason when it cannot be written.
    void write(const QString& name, const QString& comment, const QString& icon, const QStringList& command) const;
    // Removes it; throws AppError when it stays.
    void remove() const;

    // A command line as a desktop entry's Exec key wants it: every argument
    // quoted, with '"', '`', '$' and '\' escaped, and '%' doubled.
    static QString execLine(const QStringList& command);

private:
    QString m_desktopId;
};
