#pragma once

#include <QProcessEnvironment>
#include <QStringList>
#include <QTextStream>

#include "components/o_SignIn.h"
#include "toolkit/AppError.h"

#include <functional>
#include <optional>

class DbConnection;
class DirectJournal;
class TJournal;

// hourwright-cli: status, start, stop, report, list, edit, delete, history,
// week and passwd on the program's own options.ini, connection and project
// monitor, after signing in with the program's rules. Returns the process exit code; text goes to the streams.
class CommandLine
{
public:
    // Kept: the server could not be reached; the change waits in the journal
    // and is written by the next command of any Hourwright program.
    enum ExitCode { Ok = 0, Failure = 1, BadArguments = 2, SignInRefused = 3, Kept = 4 };
    // How long a sign-in waits for a team server that does not answer.
    static constexpr int LoginTimeoutSeconds = 10;

    CommandLine(QTextStream& in, QTextStream& out, QTextStream& err);
    ~CommandLine();

    // The arguments after the program's name.
    int run(const QStringList& arguments);

    static QString usage();
    static QString passwordVariable() { return QStringLiteral("HOURWRIGHT_PASSWORD"); }

    // Where HOURWRIGHT_PASSWORD is looked up (the process environment by default).
    void setEnvironment(const QProcessEnvironment& environment) { m_environment = environment; }
    // Asks for the password when neither the environment nor standard input
    // gives it; by default the terminal, with the echo off.
    using PasswordPrompt = std::function<std::optional<QString>(const QString& prompt)>;
    void setPasswordPrompt(PasswordPrompt prompt) { m_prompt = std::move(prompt); }
    // Runs between finding the open interval and closing it, so tests can let
    // another writer close it first.
    void setBeforeStopForTests(std::function<void()> hook) { m_beforeStop = std::move(hook); }
    // Runs between the look for an open interval and the start, so tests can
    // let another client start one first.
    void setBeforeStartForTests(std::function<void()> hook) { m_beforeStart = std::move(hook); }

    // "hh:mm:ss" with the hours counted in full.
    static QString elapsedText(qint64 msecs);

private:
    struct Request;

    int execute(const QStringList& arguments);
    QString password(const Request& request);
    QString newPassword(const Request& request);
    SignIn::Result signIn(const Request& request, const QString& typed, DbConnection& connection, int* kind);

    int status(DbConnection& connection, int kind);
    int start(DbConnection& connection, int kind, const SignedInUser& user, const Request& request,
              DirectJournal* journal);
    int stop(DbConnection& connection, int kind, const SignedInUser& user, const Request& request,
             DirectJournal* journal);
    // Whether the command changes recorded time (and is kept when the server is away).
    static bool changesTime(const QString& command);
    // Keeps the command's change in the journal for later: exit code Kept.
    int keepOffline(const Request& request, const DbConnection& connection, int developerId,
                    const DatabaseUnavailable& error);
    int kept(const QString& description, const QString& detail);
    // Writes what waits in the journal for the user, and tells what could not be.
    void sendWaiting(TJournal& journal, DbConnection& connection, const SignedInUser& user);
    int report(DbConnection& connection, const Request& request);

    QTextStream& m_in;
    QTextStream& m_out;
    QTextStream& m_err;
    QProcessEnvironment m_environment;
    PasswordPrompt m_prompt;
    std::function<void()> m_beforeStop;
    std::function<void()> m_beforeStart;
};
