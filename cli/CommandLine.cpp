#include "cli/CommandLine.h"

#include "cli/DirectJournal.h"
#include "cli/IntervalCommands.h"
#include "cli/WeekCommand.h"
#include "cli/WorkReport.h"
#include "components/o_ConnectionSettings.h"
#include "components/o_Dialect.h"
#include "components/o_Duration.h"
#include "components/o_IntervalEditor.h"
#include "components/o_Journal.h"
#include "components/o_JournalSender.h"
#include "components/o_WriteIds.h"
#include "components/o_OptionsLocation.h"
#include "components/o_OptionsManager.h"
#include "components/o_OwnPassword.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_Schema.h"
#include "components/o_SignIn.h"
#include "components/o_Week.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"
#include "toolkit/TerminalPassword.h"

#include <QCommandLineParser>

namespace {

// Thrown for arguments that cannot be run; exit code 2.
class UsageError : public AppError
{
public:
    using AppError::AppError;
};

const QString Program = QStringLiteral("hourwright-cli");

QString momentText(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

int positiveId(const QString& option, const QString& text)
{
    bool ok = false;
    const int id = text.toInt(&ok);
    if (!ok || id <= 0)
        throw UsageError(QStringLiteral("--%1 needs a positive ID, not \"%2\"").arg(option, text));
    return id;
}

QDate dateArgument(const QString& option, const QString& text)
{
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        throw UsageError(QStringLiteral("--%1 needs a date as yyyy-MM-dd, not \"%2\"").arg(option, text));
    return date;
}

// An open interval with the names that make it readable.
struct OpenInterval
{
    int id = 0;
    int developerId = 0;
    QString developerName;
    QString projectName;
    QDateTime start;
};

QList<OpenInterval> openIntervals(DbConnection& connection, int kind, int onlyId = 0)
{
    QString sql = QStringLiteral("select PW.ID, PW.DEVELOPER_ID, %1 as DEVELOPER_NAME, P.DESCRIPTION as PROJECT_NAME,"
                                 " PW.TIME_START\n"
                                 "from PROJECTWORK PW\n"
                                 "left join PROJECTS P on P.ID = PW.PROJECT_ID\n"
                                 "left join DEVELOPERS DEV on DEV.ID = PW.DEVELOPER_ID\n"
                                 "where PW.COMPLETED = 0")
                      .arg(Dialect::fullName(kind, QStringLiteral("DEV.")));
    QVariantList values;
    if (onlyId != 0) {
        sql += QStringLiteral(" and PW.ID = :ID");
        values << onlyId;
    }
    sql += QStringLiteral("\norder by PW.TIME_START, PW.ID");
    QSqlQuery query = connection.exec(sql, values);
    QList<OpenInterval> intervals;
    while (query.next())
        intervals.append({query.value(0).toInt(), query.value(1).toInt(), query.value(2).toString(),
                          query.value(3).toString(), DbConnection::parseDateTime(query.value(4))});
    return intervals;
}

QString developerText(const SignedInUser& user)
{
    return user.developerName.trimmed().isEmpty() ? QStringLiteral("developer %1").arg(user.developerId)
                                                  : user.developerName;
}

} // namespace

struct CommandLine::Request
{
    QString command;
    QString optionsPath;
    QString user;
    bool passwordFromStdin = false;
    QString project; // start: an ID or a name; report: an ID
    ReportFilter filter;
    bool csv = false;
    int workId = 0;     // edit, delete
    IntervalEdit edit;  // edit; its comment also for start and stop
    QDate listFrom;     // list
    QDate listTo;
    TWeek week;         // week; its --developer is filter.developerId
};

CommandLine::CommandLine(QTextStream& in, QTextStream& out, QTextStream& err)
    : m_in(in)
    , m_out(out)
    , m_err(err)
    , m_environment(QProcessEnvironment::systemEnvironment())
    , m_prompt(&TerminalPassword::read)
{
}

CommandLine::~CommandLine() = default;

QString CommandLine::usage()
{
    return QStringLiteral(
        "usage: hourwright-cli COMMAND --user NAME [--options PATH] [--password-stdin] ...\n"
        "  status                        the open intervals: for whom, since when, how long\n"
        "  start --project ID|NAME [--comment TEXT]\n"
        "                                open an interval for your developer on one of your projects\n"
        "  stop [--comment TEXT]         close your developer's open interval (keeping its comment\n"
        "                                unless another is given)\n"
        "  list [--from DATE] [--to DATE]\n"
        "                                your developer's intervals with their IDs, newest first\n"
        "  edit ID [--project ID|NAME] [--start TIME] [--stop TIME] [--comment TEXT] [--allow-overlap]\n"
        "                                correct an interval; times as YYYY-MM-DD HH:MM[:SS] (or with\n"
        "                                a T), local time; a running one takes only --start and --comment\n"
        "  delete ID                     delete an interval\n"
        "  history ID                    the interval's recorded changes: when, who, from where, what\n"
        "  report --from DATE --to DATE [--developer ID] [--project ID] [--customer ID] [--csv]\n"
        "                                completed intervals whose days lie in the range (yyyy-MM-dd)\n"
        "  week [--week YYYY-Www] [--developer ID]\n"
        "                                a week (default: this one) as a grid of projects and days with\n"
        "                                the totals; your developer's, an administrator's of anyone\n"
        "  passwd                        change your own password: the new one is asked twice, or read\n"
        "                                from the line of standard input after the current one\n"
        "Users correct their own developer's intervals, administrators anyone's. An edit that would\n"
        "overlap another interval of the same developer is refused unless --allow-overlap is given.\n"
        "Intervals in the locked period are refused; an administrator changes or deletes them with\n"
        "--allow-locked.\n"
        "The password is asked on the terminal, or taken from HOURWRIGHT_PASSWORD, or read as one\n"
        "line from standard input with --password-stdin. The options file is --options PATH, else\n"
        "options.ini beside the program when it is there, else $XDG_CONFIG_HOME/Hourwright/options.ini.\n"
        "On a server that cannot be reached, start, stop and edit are kept in the journal and written\n"
        "by the next command of any Hourwright program.\n"
        "Exit codes: 0 done, 1 failed, 2 bad arguments, 3 sign-in refused, 4 kept: the server could not\n"
        "be reached and the change waits to be written.\n");
}

QString CommandLine::elapsedText(qint64 msecs)
{
    const qint64 seconds = qMax<qint64>(msecs, 0) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

int CommandLine::run(const QStringList& arguments)
{
    int code = Failure;
    try {
        code = execute(arguments);
    } catch (const UsageError& error) {
        m_err << Program << ": " << error.message() << '\n' << "Try \"hourwright-cli --help\".\n";
        code = BadArguments;
    } catch (const std::exception& error) {
        m_err << Program << ": " << errorMessage(error) << '\n';
        if (!errorDetail(error).isEmpty())
            m_err << "  (" << errorDetail(error) << ")\n";
        code = Failure;
    }
    m_out.flush();
    m_err.flush();
    return code;
}

int CommandLine::execute(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption options(QStringLiteral("options"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption passwordStdin(QStringLiteral("password-stdin"));
    const QCommandLineOption project(QStringLiteral("project"), QString(), QStringLiteral("ID|NAME"));
    const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("DATE"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("DATE"));
    const QCommandLineOption developer(QStringLiteral("developer"), QString(), QStringLiteral("ID"));
    const QCommandLineOption customer(QStringLiteral("customer"), QString(), QStringLiteral("ID"));
    const QCommandLineOption csv(QStringLiteral("csv"));
    const QCommandLineOption comment(QStringLiteral("comment"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption startAt(QStringLiteral("start"), QString(), QStringLiteral("TIME"));
    const QCommandLineOption stopAt(QStringLiteral("stop"), QString(), QStringLiteral("TIME"));
    const QCommandLineOption allowOverlap(QStringLiteral("allow-overlap"));
    const QCommandLineOption allowLocked(QStringLiteral("allow-locked"));
    const QCommandLineOption week(QStringLiteral("week"), QString(), QStringLiteral("YYYY-Www"));
    const QList<QCommandLineOption> all{help,   options,      user,        passwordStdin, project,  from,
                                        to,     developer,    customer,    csv,           comment,  startAt,
                                        stopAt, allowOverlap, allowLocked, week};
    parser.addOptions(all);
    if (!parser.parse(QStringList{Program} + arguments))
        throw UsageError(parser.errorText());
    if (parser.isSet(help)) {
        m_out << usage();
        return Ok;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        m_err << usage();
        return BadArguments;
    }
    Request request;
    request.command = positional.first();
    // edit, delete and history name the interval after the command.
    const bool takesId = request.command == QLatin1String("edit") || request.command == QLatin1String("delete")
                         || request.command == QLatin1String("history");
    if (takesId && positional.size() < 2)
        throw UsageError(QStringLiteral("%1 needs the interval's ID (see \"hourwright-cli list\")").arg(request.command));
    if (positional.size() > (takesId ? 2 : 1))
        throw UsageError(QStringLiteral("unexpected argument: %1").arg(positional.at(takesId ? 2 : 1)));
    if (takesId) {
        bool ok = false;
        request.workId = positional.at(1).toInt(&ok);
        if (!ok || request.workId <= 0)
            throw UsageError(QStringLiteral("%1 needs a positive interval ID, not \"%2\"")
                                 .arg(request.command, positional.at(1)));
    }
    QStringList allowed{QStringLiteral("options"), QStringLiteral("user"), QStringLiteral("password-stdin")};
    if (request.command == QLatin1String("start"))
        allowed << QStringLiteral("project") << QStringLiteral("comment");
    else if (request.command == QLatin1String("stop"))
        allowed << QStringLiteral("comment");
    else if (request.command == QLatin1String("list"))
        allowed << QStringLiteral("from") << QStringLiteral("to");
    else if (request.command == QLatin1String("edit"))
        allowed << QStringLiteral("project") << QStringLiteral("start") << QStringLiteral("stop")
                << QStringLiteral("comment") << QStringLiteral("allow-overlap") << QStringLiteral("allow-locked");
    else if (request.command == QLatin1String("delete"))
        allowed << QStringLiteral("allow-locked");
    else if (request.command == QLatin1String("passwd") || request.command == QLatin1String("history")) {
        // the passwords; the interval's ID only
    }
    else if (request.command == QLatin1String("week"))
        allowed << QStringLiteral("week") << QStringLiteral("developer");
    else if (request.command == QLatin1String("report"))
        allowed << QStringLiteral("project") << QStringLiteral("from") << QStringLiteral("to")
                << QStringLiteral("developer") << QStringLiteral("customer") << QStringLiteral("csv");
    else if (request.command != QLatin1String("status") && request.command != QLatin1String("stop"))
        throw UsageError(QStringLiteral("unknown command: %1").arg(request.command));
    for (const QCommandLineOption& option : all) {
        const QString name = option.names().last();
        if (!parser.isSet(option))
            continue;
        if (!allowed.contains(name))
            throw UsageError(QStringLiteral("--%1 does not go with %2").arg(name, request.command));
        if (!option.valueName().isEmpty() && parser.values(option).size() > 1)
            throw UsageError(QStringLiteral("--%1 is given more than once").arg(name));
    }

    request.user = parser.value(user);
    if (!parser.isSet(user))
        throw UsageError(QStringLiteral("%1 needs --user NAME").arg(request.command));
    request.optionsPath =
        parser.isSet(options) ? parser.value(options) : OptionsLocation::chosen();
    request.passwordFromStdin = parser.isSet(passwordStdin);
    request.project = parser.value(project);
    if (request.command == QLatin1String("start") && request.project.trimmed().isEmpty())
        throw UsageError(QStringLiteral("start needs --project ID or NAME"));
    if (request.command == QLatin1String("report")) {
        if (!parser.isSet(from) || !parser.isSet(to))
            throw UsageError(QStringLiteral("report needs --from DATE and --to DATE"));
        request.filter.from = dateArgument(QStringLiteral("from"), parser.value(from));
        request.filter.to = dateArgument(QStringLiteral("to"), parser.value(to));
        if (request.filter.from > request.filter.to)
            throw UsageError(QStringLiteral("--from %1 lies after --to %2").arg(parser.value(from), parser.value(to)));
        if (parser.isSet(developer))
            request.filter.developerId = positiveId(QStringLiteral("developer"), parser.value(developer));
        if (parser.isSet(project))
            request.filter.projectId = positiveId(QStringLiteral("project"), parser.value(project));
        if (parser.isSet(customer))
            request.filter.customerId = positiveId(QStringLiteral("customer"), parser.value(customer));
        request.csv = parser.isSet(csv);
    }
    if (request.command == QLatin1String("week")) {
        const std::optional<TWeek> named =
            parser.isSet(week) ? TWeek::fromIsoText(parser.value(week)) : TWeek::containing(Clock::now().date());
        if (!named)
            throw UsageError(QStringLiteral("--week needs an ISO week as YYYY-Www (2026-W20), not \"%1\"")
                                 .arg(parser.value(week)));
        request.week = *named;
        if (parser.isSet(developer))
            request.filter.developerId = positiveId(QStringLiteral("developer"), parser.value(developer));
    }
    if (parser.isSet(comment))
        request.edit.comment = parser.value(comment);
    request.edit.allowLocked = parser.isSet(allowLocked);
    if (request.command == QLatin1String("list")) {
        if (parser.isSet(from))
            request.listFrom = dateArgument(QStringLiteral("from"), parser.value(from));
        if (parser.isSet(to))
            request.listTo = dateArgument(QStringLiteral("to"), parser.value(to));
        if (request.listFrom.isValid() && request.listTo.isValid() && request.listFrom > request.listTo)
            throw UsageError(QStringLiteral("--from %1 lies after --to %2").arg(parser.value(from), parser.value(to)));
    }
    if (request.command == QLatin1String("edit")) {
        if (parser.isSet(project)) {
            if (parser.value(project).trimmed().isEmpty())
                throw UsageError(QStringLiteral("--project needs an ID or a name"));
            request.edit.project = parser.value(project);
        }
        for (const auto& [option, target] :
             {std::pair{&startAt, &request.edit.start}, std::pair{&stopAt, &request.edit.stop}}) {
            if (!parser.isSet(*option))
                continue;
            const QDateTime moment = IntervalCommands::parseMoment(parser.value(*option));
            if (!moment.isValid())
                throw UsageError(QStringLiteral("--%1 needs a time as YYYY-MM-DD HH:MM[:SS], not \"%2\"")
                                     .arg(option->names().first(), parser.value(*option)));
            *target = moment;
        }
        request.edit.allowOverlap = parser.isSet(allowOverlap);
        if (!request.edit.project && !request.edit.start && !request.edit.stop && !request.edit.comment)
            throw UsageError(QStringLiteral("edit needs at least one of --project, --start, --stop, --comment"));
    }

    // The password is asked before the database is touched, so a script
    // without one fails as a bad call rather than halfway.
    const QString typed = password(request);
    DbConnection connection;
    int kind = -1;
    SignIn::Result result;
    try {
        result = signIn(request, typed, connection, &kind);
    } catch (const DatabaseUnavailable& error) {
        // Nobody can be signed in without the server: a change is kept for
        // the user named, and written under their next sign-in.
        if (!changesTime(request.command))
            throw;
        return keepOffline(request, connection, 0, error);
    }
    if (result.outcome != SignIn::Outcome::SignedIn) {
        m_err << Program << ": Wrong username or password; sign-in refused.\n";
        return SignInRefused;
    }
    if (!result.rehashProblem.isEmpty())
        m_err << Program << ": signed in, but the password could not be stored as a hash: " << result.rehashProblem
              << '\n';
    const std::optional<SignedInUser> signedIn = result.user;

    // On a server, changes go through the journal, and what waits there
    // from earlier is written first.
    std::unique_ptr<TJournal> journal;
    std::unique_ptr<DirectJournal> direct;
    if (!Dialect::isFile(kind)) {
        journal = std::make_unique<TJournal>();
        sendWaiting(*journal, connection, *signedIn);
        // Changes are written in the order they were made: while earlier
        // ones still wait, this one waits behind them.
        if (changesTime(request.command)
            && journal->waitingCount(connection.parameters().target(), signedIn->userName) > 0)
            return keepOffline(request, connection, signedIn->developerId,
                               DatabaseUnavailable(QStringLiteral("Earlier changes could not be written yet.")));
        direct = std::make_unique<DirectJournal>(*journal, connection, signedIn->userName,
                                                 IntervalCommands::intervalUser(*signedIn));
    }
    try {
        if (request.command == QLatin1String("status"))
            return status(connection, kind);
        if (request.command == QLatin1String("passwd")) {
            OwnPassword::change(connection, *signedIn, newPassword(request));
            m_out << "Changed the password of " << signedIn->userName << ".\n";
            return Ok;
        }
        if (request.command == QLatin1String("start"))
            return start(connection, kind, *signedIn, request, direct.get());
        if (request.command == QLatin1String("stop"))
            return stop(connection, kind, *signedIn, request, direct.get());
        if (request.command == QLatin1String("list")) {
            IntervalCommands(connection, kind, *signedIn, m_out).list(request.listFrom, request.listTo);
            return Ok;
        }
        if (request.command == QLatin1String("edit")) {
            IntervalCommands(connection, kind, *signedIn, m_out).edit(request.workId, request.edit);
            return Ok;
        }
        if (request.command == QLatin1String("delete")) {
            IntervalCommands(connection, kind, *signedIn, m_out).remove(request.workId, request.edit.allowLocked);
            return Ok;
        }
        if (request.command == QLatin1String("history")) {
            IntervalCommands(connection, kind, *signedIn, m_out).history(request.workId);
            return Ok;
        }
    } catch (const DatabaseUnavailable& error) {
        if (!journal || !changesTime(request.command))
            throw;
        return keepOffline(request, connection, signedIn->developerId, error);
    }
    if (request.command == QLatin1String("week")) {
        WeekCommand::show(connection, *signedIn, request.week, request.filter.developerId, m_out);
        return Ok;
    }
    return report(connection, request);
}

QString CommandLine::password(const Request& request)
{
    if (request.passwordFromStdin) {
        const QString line = m_in.readLine();
        if (line.isNull())
            throw UsageError(QStringLiteral("--password-stdin: standard input holds no password"));
        return line;
    }
    if (m_environment.contains(passwordVariable()))
        return m_environment.value(passwordVariable());
    const std::optional<QString> typed =
        m_prompt ? m_prompt(QStringLiteral("Password for %1: ").arg(request.user)) : std::nullopt;
    if (!typed)
        throw UsageError(QStringLiteral("no terminal to ask for the password on; set %1 or use --password-stdin")
                             .arg(passwordVariable()));
    return *typed;
}

QString CommandLine::newPassword(const Request& request)
{
    if (request.passwordFromStdin) {
        const QString line = m_in.readLine();
        if (line.isNull())
            throw UsageError(QStringLiteral("--password-stdin: standard input holds no new password after the "
                                            "current one"));
        return line;
    }
    const auto ask = [this](const QString& prompt) {
        const std::optional<QString> typed = m_prompt ? m_prompt(prompt) : std::nullopt;
        if (!typed)
            throw UsageError(QStringLiteral("no terminal to ask for the new password on; use --password-stdin"));
        return *typed;
    };
    const QString first = ask(QStringLiteral("New password: "));
    if (ask(QStringLiteral("Retype the new password: ")) != first)
        throw AppError(QStringLiteral("the two passwords differ; nothing was changed"));
    return first;
}

SignIn::Result CommandLine::signIn(const Request& request, const QString& typed, DbConnection& connection, int* kind)
{
    TqvOptionsManager options;
    const ConnectionSettings settings = ConnectionSettings::readFile(options, request.optionsPath);
    *kind = settings.kind;
    // On a team server with one login per person the server checks the pair.
    if (settings.personalLogins())
        return SignIn::checkOnServer(connection, settings, request.user, typed, LoginTimeoutSeconds);
    // A relative database path is taken from the folder that holds
    // options.ini, as the program takes it.
    settings.open(connection);
    Schema::upgradeOwnFile(connection);
    return SignIn::check(connection, *kind, request.user, typed, SignIn::masterLoginEnabled(options));
}

int CommandLine::status(DbConnection& connection, int kind)
{
    const QList<OpenInterval> intervals = openIntervals(connection, kind);
    if (intervals.isEmpty()) {
        m_out << "No interval is open.\n";
        return Ok;
    }
    const QDateTime now = Clock::now();
    for (const OpenInterval& open : intervals) {
        const QString who = open.developerName.trimmed().isEmpty()
                                ? QStringLiteral("developer %1").arg(open.developerId)
                                : QStringLiteral("%1 (developer %2)").arg(open.developerName).arg(open.developerId);
        m_out << QStringLiteral("Interval %1 is open for %2 on %3 since %4, elapsed %5\n")
                     .arg(open.id)
                     .arg(who, open.projectName.isEmpty() ? QStringLiteral("no project") : open.projectName,
                          momentText(open.start),
                          elapsedText(TqvProjectMonitor::wallClockMSecs(now)
                                      - TqvProjectMonitor::wallClockMSecs(open.start)));
    }
    return Ok;
}

bool CommandLine::changesTime(const QString& command)
{
    return command == QLatin1String("start") || command == QLatin1String("stop") || command == QLatin1String("edit");
}

int CommandLine::kept(const QString& description, const QString& detail)
{
    m_out << QStringLiteral("The server cannot be reached. %1 is kept and will be written when it is back.\n")
                 .arg(description);
    if (!detail.isEmpty())
        m_err << Program << ": " << detail << '\n';
    return Kept;
}

int CommandLine::keepOffline(const Request& request, const DbConnection& connection, int developerId,
                             const DatabaseUnavailable& error)
{
    TJournal journal;
    JournalEntry entry;
    entry.writeId = WriteIds::newId();
    entry.target = connection.parameters().target();
    entry.userName = request.user;
    entry.moment = Clock::now();
    entry.developerId = developerId;
    entry.comment = request.edit.comment;
    if (request.command == QLatin1String("start")) {
        // The project is looked up among the user's when it is written.
        entry.action = JournalEntry::Start;
        entry.projectText = request.project;
        entry.comment = request.edit.comment.value_or(QString());
    } else if (request.command == QLatin1String("stop")) {
        // The developer's open interval then, whichever it is.
        entry.action = JournalEntry::Stop;
    } else {
        entry.action = JournalEntry::Edit;
        entry.workId = request.workId;
        entry.projectText = request.edit.project.value_or(QString());
        entry.newStart = request.edit.start.value_or(QDateTime());
        entry.newEnd = request.edit.stop.value_or(QDateTime());
        entry.allowOverlap = request.edit.allowOverlap;
    }
    journal.record(entry);
    journal.onDisk();
    return kept(entry.describe(), error.detail().isEmpty() ? error.message() : error.detail());
}

void CommandLine::sendWaiting(TJournal& journal, DbConnection& connection, const SignedInUser& user)
{
    int written = 0;
    try {
        written = TJournalSender::sendWaiting(journal, connection, user.userName,
                                              IntervalCommands::intervalUser(user));
    } catch (const DatabaseUnavailable&) {
        // The command finds out for itself.
    }
    const QList<JournalEntry> setAside = journal.takeUntold(connection.parameters().target(), user.userName);
    for (const JournalEntry& entry : setAside)
        m_err << Program << ": " << entry.describe() << " was not written: " << entry.message << '\n';
    if (written > setAside.size())
        m_err << Program << ": " << (written - setAside.size())
              << (written - setAside.size() == 1 ? " change kept" : " changes kept")
              << " while the server could not be reached " << (written - setAside.size() == 1 ? "was" : "were")
              << " written.\n";
}

int CommandLine::start(DbConnection& connection, int kind, const SignedInUser& user, const Request& request,
                       DirectJournal* journal)
{
    IntervalCommands::requireDeveloper(user);
    // One of the projects this user may pick, as in the main window's list.
    const TIntervalEditor::Project project = IntervalCommands(connection, kind, user, m_out).project(request.project, true);

    TqvProjectMonitor monitor;
    monitor.setAdoConnection(&connection);
    monitor.setJournalLink(journal);
    monitor.DeveloperID = user.developerId;
    monitor.UserName = user.userName;
    monitor.IsAdmin = user.isAdmin;
    // Checked again under the write lock: another client may start one
    // between this look and the insert.
    monitor.OneOpenPerDeveloper = true;
    if (const int openId = monitor.CheckIncompleteWork()) {
        const QList<OpenInterval> open = openIntervals(connection, kind, openId);
        throw AppError(QStringLiteral("An interval is already open for %1: interval %2 on %3 since %4. Stop it first.")
                           .arg(developerText(user))
                           .arg(openId)
                           .arg(open.isEmpty() ? QString() : open.first().projectName, momentText(monitor.StartTime())));
    }
    monitor.ProjectID = project.id;
    monitor.CustomerID = project.customerId;
    monitor.Comments = request.edit.comment.value_or(QString());
    if (m_beforeStart)
        m_beforeStart();
    monitor.StartMonitoring(WorkSource::CommandLine);
    if (journal && journal->kept())
        return kept(journal->lastEntry().describe(), journal->keptDetail());
    m_out << QStringLiteral("Started interval %1 on %2 for %3 at %4.\n")
                 .arg(monitor.CurrentWorkID())
                 .arg(project.name, developerText(user), momentText(monitor.StartTime()));
    return Ok;
}

int CommandLine::stop(DbConnection& connection, int kind, const SignedInUser& user, const Request& request,
                      DirectJournal* journal)
{
    IntervalCommands::requireDeveloper(user);
    TqvProjectMonitor monitor;
    monitor.setAdoConnection(&connection);
    monitor.setJournalLink(journal);
    monitor.DeveloperID = user.developerId;
    monitor.UserName = user.userName;
    monitor.IsAdmin = user.isAdmin;
    const int workId = monitor.CheckIncompleteWork();
    if (workId == 0)
        throw AppError(QStringLiteral("No interval is open for %1.").arg(developerText(user)));
    const QList<OpenInterval> open = openIntervals(connection, kind, workId);
    const QString projectName = open.isEmpty() ? QString() : open.first().projectName;
    // The comment given is written; without one, the stored comment stays
    // (also one written elsewhere since the start).
    monitor.CommentTyped = request.edit.comment.has_value();
    monitor.Comments = request.edit.comment.value_or(QString());
    if (m_beforeStop)
        m_beforeStop();
    // Another client may close the row first; the monitor's update then
    // touches nothing and says so, and this call fails with that message.
    monitor.StopMonitoring(WorkSource::CommandLine);
    if (journal && journal->kept())
        return kept(journal->lastEntry().describe(), journal->keptDetail());

    QSqlQuery closed =
        connection.exec(QStringLiteral("select TIME_START, TIME_END, TIME_SPEND from PROJECTWORK where ID = :ID"), {workId});
    QString after;
    if (closed.next()) {
        const qint64 msecs = TqvProjectMonitor::wallClockMSecs(DbConnection::parseDateTime(closed.value(1)))
                             - TqvProjectMonitor::wallClockMSecs(DbConnection::parseDateTime(closed.value(0)));
        after = QStringLiteral(" after %1 (%2 h)").arg(elapsedText(msecs), Duration::ofStoredHours(closed.value(2)));
    }
    m_out << QStringLiteral("Stopped interval %1 on %2 for %3%4.\n").arg(workId).arg(projectName, developerText(user), after);
    return Ok;
}

int CommandLine::report(DbConnection& connection, const Request& request)
{
    const QList<ReportRow> rows = WorkReport::load(connection, request.filter);
    if (request.csv)
        WorkReport::writeCsv(m_out, rows);
    else
        WorkReport::writeTable(m_out, rows);
    return Ok;
}
