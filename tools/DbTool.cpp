#include "tools/DbTool.h"

#include "components/o_ConnectionSettings.h"
#include "components/o_DatabaseBackup.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsLocation.h"
#include "components/o_OptionsManager.h"
#include "components/o_Schema.h"
#include "components/o_SharedStatements.h"
#include "tools/SampleData.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"
#include "toolkit/PasswordHash.h"
#include "toolkit/TerminalPassword.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <algorithm>

namespace {

// Takes "--name value" out of args; returns false if the option is absent.
bool takeOption(QStringList& args, const QString& name, QString* value)
{
    const int at = args.indexOf(name);
    if (at < 0)
        return false;
    if (at + 1 >= args.size())
        throw AppError(QStringLiteral("%1 needs a value").arg(name));
    *value = args.at(at + 1);
    args.remove(at, 2);
    return true;
}

bool takeFlag(QStringList& args, const QString& name)
{
    return args.removeAll(name) > 0;
}

// The embedded database named by an options file, relative paths taken
// from the file's folder.
QString databaseOfOptions(const QString& optionsFile)
{
    TqvOptionsManager options;
    const ConnectionSettings settings = ConnectionSettings::readFile(options, optionsFile);
    if (settings.kind != Dialect::LocalFile)
        throw AppError(QStringLiteral("No PATH given, and %1 names no embedded database").arg(optionsFile));
    return settings.resolvedDataBasePath();
}

// A command whose PATH is left out works on the database of the options
// file: --options FILE, else the one the program itself would use.
QStringList withDefaultDatabase(const QString& command, QStringList args)
{
    QString optionsFile;
    const bool optionsGiven = takeOption(args, QStringLiteral("--options"), &optionsFile);
    static const QMap<QString, int> pathsNeeded{{QStringLiteral("init"), 1}, {QStringLiteral("add-user"), 2},
                                                {QStringLiteral("set-password"), 2},
                                                {QStringLiteral("sample"), 1}, {QStringLiteral("check"), 1},
                                                {QStringLiteral("backup"), 1}};
    const auto needed = pathsNeeded.constFind(command);
    if (needed == pathsNeeded.constEnd())
        return args;
    static const QStringList withValue{QStringLiteral("--password"), QStringLiteral("--developer"),
                                       QStringLiteral("--intervals")};
    int positional = 0;
    for (int i = 0; i < args.size(); ++i) {
        if (withValue.contains(args.at(i)))
            ++i;
        else if (!args.at(i).startsWith(QLatin1String("--")))
            ++positional;
    }
    if (positional != *needed - 1)
        return args;
    if (optionsGiven)
        args.prepend(databaseOfOptions(optionsFile));
    else if (QFileInfo(OptionsLocation::chosen()).isFile())
        args.prepend(databaseOfOptions(OptionsLocation::chosen()));
    // else the command says what it is missing
    return args;
}

void rejectExtra(const QStringList& args)
{
    for (const QString& arg : args)
        throw AppError(QStringLiteral("unexpected argument: %1").arg(arg));
}

// Stored user names that equal the name without regard to letter case.
QStringList namesLike(DbConnection& connection, const QString& name)
{
    QStringList found;
    QSqlQuery users = connection.exec(QStringLiteral("select USERNAME from USERS"));
    while (users.next()) {
        const QString stored = users.value(0).toString();
        if (stored.compare(name, Qt::CaseInsensitive) == 0)
            found << stored;
    }
    return found;
}

} // namespace

DbTool::DbTool(QTextStream& out, QTextStream& err)
    : m_out(out)
    , m_err(err)
    , m_prompt(&TerminalPassword::read)
{
}

QString DbTool::usage()
{
    return QStringLiteral(
        "usage: hourwright-db COMMAND ...\n"
        "  init PATH                 create a new SQLite database with the six tables\n"
        "  sqlserver-script          print the T-SQL script that creates the tables on SQL Server\n"
        "  add-user PATH NAME (--password P | --password-stdin) [--admin] [--developer ID]\n"
        "                            add a user who can sign in (the password is stored hashed)\n"
        "  set-password PATH NAME [--password-stdin]\n"
        "                            give a user a new password, asked on the terminal without echo\n"
        "                            or read as one line from standard input\n"
        "  sample PATH [--intervals N]\n"
        "                            add customers, developers, projects, users and N work intervals\n"
        "  check PATH                list missing tables or columns and passwords still stored as\n"
        "                            plain text (exit 1 if any)\n"
        "  backup PATH [DEST]        copy the database while it is in use; DEST is a file or a folder\n"
        "                            (default: the folder Backups beside the database)\n"
        "Without PATH a command works on the embedded database of --options FILE, else of the options\n"
        "file the program uses: options.ini beside it, else $XDG_CONFIG_HOME/Hourwright/options.ini.\n");
}

int DbTool::fail(const QString& message, int code)
{
    m_err << "hourwright-db: " << message << Qt::endl;
    return code;
}

int DbTool::run(const QStringList& arguments)
{
    if (arguments.isEmpty() || arguments.first() == QLatin1String("--help")
        || arguments.first() == QLatin1String("-h")) {
        (arguments.isEmpty() ? m_err : m_out) << usage();
        m_out.flush();
        m_err.flush();
        return arguments.isEmpty() ? 2 : 0;
    }
    QStringList args = arguments;
    const QString command = args.takeFirst();
    try {
        args = withDefaultDatabase(command, args);
        if (command == QLatin1String("init"))
            return init(args);
        if (command == QLatin1String("sqlserver-script"))
            return sqlServerScript(args);
        if (command == QLatin1String("add-user"))
            return addUser(args);
        if (command == QLatin1String("set-password"))
            return setPassword(args);
        if (command == QLatin1String("sample"))
            return sample(args);
        if (command == QLatin1String("check"))
            return check(args);
        if (command == QLatin1String("backup"))
            return backup(args);
        m_err << usage();
        return fail(QStringLiteral("unknown command: %1").arg(command), 2);
    } catch (const std::exception& error) {
        return fail(errorMessage(error));
    }
}

int DbTool::init(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("init needs exactly one PATH"), 2);
    const QString path = args.first();
    if (QFileInfo::exists(path))
        return fail(QStringLiteral("%1 already exists; init never touches an existing file").arg(path));
    QDir().mkpath(QFileInfo(path).absolutePath());
    DbConnection connection;
    connection.createSqlite(path);
    try {
        Schema::createSqlite(connection);
    } catch (...) {
        connection.close();
        QFile::remove(path);
        throw;
    }
    m_out << "created " << path << Qt::endl;
    return 0;
}

int DbTool::sqlServerScript(const QStringList& args)
{
    rejectExtra(args);
    m_out << Schema::sqlServerScript();
    m_out.flush();
    return 0;
}

int DbTool::addUser(const QStringList& arguments)
{
    QStringList args = arguments;
    QString password;
    QString developer = QStringLiteral("0");
    const bool fromStdin = takeFlag(args, QStringLiteral("--password-stdin"));
    const bool given = takeOption(args, QStringLiteral("--password"), &password);
    if (given == fromStdin)
        return fail(QStringLiteral("add-user needs --password P or --password-stdin"), 2);
    takeOption(args, QStringLiteral("--developer"), &developer);
    const bool admin = takeFlag(args, QStringLiteral("--admin"));
    if (args.size() != 2)
        return fail(QStringLiteral("add-user needs PATH and NAME"), 2);
    bool ok = false;
    const int developerId = developer.toInt(&ok);
    if (!ok || developerId < 0)
        return fail(QStringLiteral("--developer needs a developer ID, not %1").arg(developer), 2);
    const QString name = args.at(1);
    if (name.trimmed().isEmpty())
        return fail(QStringLiteral("a user needs a name"), 2);
    if (fromStdin)
        password = readPassword(true, name);
    if (password.isEmpty())
        return fail(QStringLiteral("a user needs a password"), 2);

    DbConnection connection;
    connection.openSqlite(args.at(0));
    const QStringList taken = namesLike(connection, name);
    if (!taken.isEmpty())
        return fail(QStringLiteral("the user name %1 is already taken by %2; user names must differ in more than "
                                   "letter case")
                        .arg(name, taken.first()));
    TransactionGuard transaction(connection);
    insertUser(connection, name, password, admin, developerId);
    transaction.commit();
    m_out << "added user " << name << (admin ? " (administrator)" : "") << Qt::endl;
    return 0;
}

void DbTool::insertUser(DbConnection& connection, const QString& name, const QString& password, bool admin,
                        int developerId)
{
    connection.exec(QStringLiteral("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (?,?,?,?)"),
                    {developerId, admin ? 1 : 0, name, PasswordHash::hash(password)});
}

QString DbTool::readPassword(bool fromStdin, const QString& name)
{
    if (fromStdin) {
        const QString line = m_in ? m_in->readLine() : QString();
        if (line.isNull())
            throw AppError(QStringLiteral("--password-stdin: standard input holds no password"));
        return line;
    }
    const auto ask = [this](const QString& prompt) {
        const std::optional<QString> typed = m_prompt ? m_prompt(prompt) : std::nullopt;
        if (!typed)
            throw AppError(QStringLiteral("no terminal to ask for the password on; use --password-stdin"));
        return *typed;
    };
    const QString first = ask(QStringLiteral("New password for %1: ").arg(name));
    if (ask(QStringLiteral("Retype the new password: ")) != first)
        throw AppError(QStringLiteral("the two passwords differ; nothing was changed"));
    return first;
}

int DbTool::setPassword(const QStringList& arguments)
{
    QStringList positional = arguments;
    const bool fromStdin = takeFlag(positional, QStringLiteral("--password-stdin"));
    if (positional.size() != 2)
        return fail(QStringLiteral("set-password needs PATH and NAME"), 2);
    const QString path = positional.at(0);
    const QString name = positional.at(1);

    DbConnection connection;
    connection.openSqlite(path);
    QSqlQuery user = connection.exec(QStringLiteral("select ID from USERS where USERNAME = ?"), {name});
    if (!user.next()) {
        const QStringList like = namesLike(connection, name);
        return fail(like.isEmpty() ? QStringLiteral("there is no user %1").arg(name)
                                   : QStringLiteral("there is no user %1; user names are exact: did you mean %2?")
                                         .arg(name, like.first()));
    }
    const int id = user.value(0).toInt();
    user.finish();

    const QString password = readPassword(fromStdin, name);
    if (password.isEmpty())
        return fail(QStringLiteral("an empty password is refused; nothing was changed"));
    const QString hash = PasswordHash::hash(password);
    TransactionGuard transaction(connection);
    connection.exec(SharedStatements::setUserPassword(Dialect::kindOf(connection)), {hash, id});
    transaction.commit();
    m_out << "set a new password for " << name << Qt::endl;
    return 0;
}

int DbTool::sample(const QStringList& arguments)
{
    QStringList args = arguments;
    SampleData::Counts counts;
    QString intervals;
    if (takeOption(args, QStringLiteral("--intervals"), &intervals)) {
        bool ok = false;
        counts.intervals = intervals.toLongLong(&ok);
        if (!ok || counts.intervals < 0)
            return fail(QStringLiteral("--intervals needs a number, not %1").arg(intervals), 2);
    }
    if (args.size() != 1)
        return fail(QStringLiteral("sample needs exactly one PATH"), 2);
    DbConnection connection;
    connection.openSqlite(args.first());
    SampleData::fill(connection, counts, Clock::now());
    m_out << "added sample data with " << counts.intervals << " intervals to " << args.first() << Qt::endl;
    return 0;
}

int DbTool::check(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("check needs exactly one PATH"), 2);
    DbConnection connection;
    connection.openSqlite(args.first());
    const QStringList problems = Schema::check(connection);
    for (const QString& problem : problems)
        m_out << problem << Qt::endl;
    if (problems.isEmpty())
        m_out << "all tables and columns are present" << Qt::endl;

    int plain = 0;
    if (!std::any_of(problems.begin(), problems.end(),
                     [](const QString& problem) { return problem.contains(QLatin1String("USERS")); })) {
        QSqlQuery users = connection.exec(QStringLiteral("select USERNAME, PASSWORD from USERS order by ID"));
        while (users.next()) {
            if (PasswordHash::looksHashed(users.value(1).toString()))
                continue;
            ++plain;
            m_out << "user " << users.value(0).toString()
                  << ": password stored as plain text (hashed at the next sign-in, or run set-password)" << Qt::endl;
        }
    }
    return problems.isEmpty() && plain == 0 ? 0 : 1;
}

int DbTool::backup(const QStringList& args)
{
    if (args.isEmpty() || args.size() > 2)
        return fail(QStringLiteral("backup needs PATH and at most one DEST"), 2);
    const QString source = args.at(0);
    QString written;
    if (args.size() == 1) {
        const QString folder = DatabaseBackup::defaultFolder(source);
        if (!QFileInfo(source).isFile())
            return fail(QStringLiteral("The database file %1 does not exist").arg(source));
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("The backup folder %1 cannot be created").arg(folder));
        written = DatabaseBackup::copyInto(source, folder);
    } else if (QFileInfo(args.at(1)).isDir()) {
        written = DatabaseBackup::copyInto(source, args.at(1));
    } else {
        written = args.at(1);
        DatabaseBackup::copy(source, written);
    }
    m_out << "backup written to " << written << Qt::endl;
    return 0;
}
