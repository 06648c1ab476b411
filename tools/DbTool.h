#pragma once

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
    int init(const QStringList& args);
    int sqlServerScript(const QStringList& args);
    int addUser(const QStringList& args);
    int setPassword(const QStringList& args);
    int sample(const QStringList& args);
    int check(const QStringList& args);
    int backup(const QStringList& args);
    int fail(const QString& message, int code = 1);

    QString readPassword(bool fromStdin, const QString& name);

    QTextStream& m_out;
    QTextStream& m_err;
    QTextStream* m_in = nullptr;
    PasswordPrompt m_prompt;
};
