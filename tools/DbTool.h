#pragma once

#include "components/o_ConnectionSettings.h"

#include <QStringList>
#include <QTextStream>

#include <functional>
#include <optional>

class DbConnection;

// hourwright-db: creates and checks Hourwright databases. Returns the
// process exit code; messages go to the two streams.
class DbTool
{
public:
    DbTool(QTextStream& out, QTextStream& err);
    int run(const QStringList& arguments);

    // Where --password-stdin reads its line; without one the option fails.
    void setInput(QTextStream* in) { m_in = in; }
    // Asks for a password without echo; by default on the terminal.
    using PasswordPrompt = std::function<std::optional<QString>(const QString& prompt)>;
    void setPasswordPrompt(PasswordPrompt prompt) { m_prompt = std::move(prompt); }

    static QString usage();

    // Stores a user who can sign in, the password hashed, within the caller's
    // transaction: add-user's insert.
    static void insertUser(DbConnection& connection, const QString& name, const QString& password, bool admin,
                           int developerId);

private:
    // A command's database: an SQLite file (name is its path) or a server.
    struct Target
    {
        QString name;
        std::optional<ConnectionSettings> server;
    };
    Target takeTarget(QStringList& positional) const;
    static void open(DbConnection& connection, const Target& target);
    // The positional arguments, counting the database of --options as one.
    int positionalCount(const QStringList& positional) const;

    int init(const QStringList& args);
    int initServer(const ConnectionSettings& settings);
    int sqlServerScript(const QStringList& args);
    int postgresScript(const QStringList& args);
    int writeOptions(const QStringList& args);
    int addUser(const QStringList& args);
    int setPassword(const QStringList& args);
    int sample(const QStringList& args);
    int check(const QStringList& args);
    int upgrade(const QStringList& args);
    int backup(const QStringList& args);
    int fail(const QString& message, int code = 1);

    QString readPassword(bool fromStdin, const QString& name);

    QTextStream& m_out;
    QTextStream& m_err;
    QTextStream* m_in = nullptr;
    PasswordPrompt m_prompt;
    // The server of --options (or of the program's options file) for this run.
    std::optional<ConnectionSettings> m_server;
};
