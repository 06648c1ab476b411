#include "tools/DbTool.h"

#include "components/o_ConnectionSettings.h"
#include "components/o_DatabaseBackup.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsLocation.h"
#include "components/o_OptionsManager.h"
#include "components/o_Schema.h"
#include "components/o_ServerLogins.h"
#include "components/o_SharedStatements.h"
#include "components/o_TeamServer.h"
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

// A command whose PATH is left out works on the database of the options
// file: --options FILE, else the one the program itself would use. An
// embedded database becomes the PATH argument; a server's settings are
// returned and the command opens them instead.
std::optional<ConnectionSettings> withDefaultDatabase(const QString& command, QStringList& args)
{
    static const QMap<QString, int> pathsNeeded{{QStringLiteral("init"), 1}, {QStringLiteral("add-user"), 2},
                                                {QStringLiteral("set-password"), 2},
                                                {QStringLiteral("sample"), 1}, {QStringLiteral("check"), 1},
                                                {QStringLiteral("upgrade"), 1},
                                                {QStringLiteral("backup"), 1}};
    const auto needed = pathsNeeded.constFind(command);
    if (needed == pathsNeeded.constEnd())
        return std::nullopt; // an --options left in the arguments is refused as unexpected
    QString optionsFile;
    const bool optionsGiven = takeOption(args, QStringLiteral("--options"), &optionsFile);
    static const QStringList withValue{QStringLiteral("--password"), QStringLiteral("--developer"),
                                       QStringLiteral("--intervals")};
    int positional = 0;
    for (int i = 0; i < args.size(); ++i) {
        if (withValue.contains(args.at(i)))
            ++i;
        else if (!args.at(i).startsWith(QLatin1String("--")))
            ++positional;
    }
    if (positional != *needed - 1) {
        if (optionsGiven && positional == *needed)
            throw AppError(QStringLiteral("give either a PATH or --options FILE, not both"));
        return std::nullopt;
    }
    if (!optionsGiven) {
        optionsFile = OptionsLocation::chosen();
        if (!QFileInfo(optionsFile).isFile())
            return std::nullopt; // the command says what it is missing
    }
    TqvOptionsManager options;
    const ConnectionSettings settings = ConnectionSettings::readFile(options, optionsFile);
    if (Dialect::isFile(settings.kind)) {
        args.prepend(settings.resolvedDataBasePath());
        return std::nullopt;
    }
    if (!Dialect::isKnownKind(settings.kind))
        throw AppError(QStringLiteral("%1 names no database (DatabaseType is %2); run \"hourwright -setup\" or "
                                      "hourwright-db write-options")
                           .arg(optionsFile)
                           .arg(settings.kind));
    return settings;
}

// How the messages name a server's database.
QString serverDatabaseName(const ConnectionSettings& settings)
{
    return QStringLiteral("database %1 on %2").arg(settings.dataBaseName, settings.serverName);
}

void rejectExtra(const QStringList& args)
{
    for (const QString& arg : args)
        throw AppError(QStringLiteral("unexpected argument: %1").arg(arg));
}

// Stored user names that equal the name without regard to letter case or
// surrounding spaces.
QStringList namesLike(DbConnection& connection, const QString& name)
{
    QStringList found;
    QSqlQuery users = connection.exec(QStringLiteral("select USERNAME from USERS"));
    while (users.next()) {
        const QString stored = users.value(0).toString();
        if (stored.trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            found << stored;
    }
    return found;
}

// What a run of init or upgrade leaves for the person running it to do.
void tellReport(QTextStream& out, const TeamServer::Report& report)
{
    if (!report.withoutPassword.isEmpty())
        out << "users who still need a server password (hourwright-db set-password --options FILE NAME): "
            << report.withoutPassword.join(QLatin1String(", ")) << Qt::endl;
    if (!report.formerOwner.isEmpty())
        out << "the login " << report.formerOwner
            << " owned the database and no longer reaches it; drop it once no desktop names it "
               "(DROP ROLE " << TeamServer::identifier(report.formerOwner) << ")" << Qt::endl;
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
        "  init --options FILE       create the tables in the database FILE names: a new SQLite file, or\n"
        "                            an empty database on the server with its roles, row security and\n"
        "                            functions (in one transaction; FILE names a login that may create roles)\n"
        "  sqlserver-script          print the T-SQL script that creates the tables on SQL Server\n"
        "  postgres-script           print the script that creates the tables on PostgreSQL\n"
        "  add-user PATH NAME (--password P | --password-stdin) [--admin] [--developer ID]\n"
        "                            add a user who can sign in (the password is stored hashed)\n"
        "  set-password PATH NAME [--password-stdin]\n"
        "                            give a user a new password, asked on the terminal without echo\n"
        "                            or read as one line from standard input\n"
        "  sample PATH [--intervals N]\n"
        "                            add customers, developers, projects, users and N work intervals\n"
        "  check PATH                list missing tables or columns and passwords still stored as\n"
        "                            plain text, or on a team server users without a password (exit 1 if any)\n"
        "  upgrade PATH              add to the tables what later versions added (the program does this\n"
        "                            to its own SQLite file by itself)\n"
        "  upgrade --options FILE    the same on the database FILE names; on a team server, with a login\n"
        "                            that may create roles, also turn a database made for one shared\n"
        "                            login into one login per person, keeping every row, and list the\n"
        "                            users who still need a password\n"
        "  backup PATH [DEST]        copy the SQLite database while it is in use; DEST is a file or a\n"
        "                            folder (default: the folder Backups beside the database)\n"
        "  write-options FILE --kind N [--server H] [--database D] [--user U] [--password-stdin]\n"
        "                [--ssl-mode M] [--ssl-root-cert P] [--database-path P] [--excel-path P]\n"
        "                            write the connection settings as the settings window does: kind 0\n"
        "                            an SQLite file (P), 1 SQL Server, 2 PostgreSQL (H, D and the login;\n"
        "                            the password is read as one line from standard input). A team\n"
        "                            server's desktops name no login: each person signs in with their own\n"
        "Instead of PATH, --options FILE names the database: an SQLite file or a server, whatever the\n"
        "options file says. Without either, a command works on the database of the options file the\n"
        "program uses: options.ini beside it, else $XDG_CONFIG_HOME/Hourwright/options.ini.\n");
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
        m_server = withDefaultDatabase(command, args);
        if (command == QLatin1String("init"))
            return init(args);
        if (command == QLatin1String("sqlserver-script"))
            return sqlServerScript(args);
        if (command == QLatin1String("postgres-script"))
            return postgresScript(args);
        if (command == QLatin1String("write-options"))
            return writeOptions(args);
        if (command == QLatin1String("add-user"))
            return addUser(args);
        if (command == QLatin1String("set-password"))
            return setPassword(args);
        if (command == QLatin1String("sample"))
            return sample(args);
        if (command == QLatin1String("check"))
            return check(args);
        if (command == QLatin1String("upgrade"))
            return upgrade(args);
        if (command == QLatin1String("backup"))
            return backup(args);
        m_err << usage();
        return fail(QStringLiteral("unknown command: %1").arg(command), 2);
    } catch (const std::exception& error) {
        return fail(errorMessage(error));
    }
}

// The database of a command: the server of --options, else the SQLite file
// the first positional argument names (taken out of positional).
DbTool::Target DbTool::takeTarget(QStringList& positional) const
{
    Target target;
    if (m_server) {
        target.server = m_server;
        target.name = serverDatabaseName(*m_server);
    } else {
        target.name = positional.takeFirst();
    }
    return target;
}

void DbTool::open(DbConnection& connection, const Target& target)
{
    if (target.server)
        target.server->open(connection);
    else
        connection.openSqlite(target.name);
}

int DbTool::positionalCount(const QStringList& positional) const
{
    return int(positional.size()) + (m_server ? 1 : 0);
}

int DbTool::init(const QStringList& args)
{
    if (positionalCount(args) != 1)
        return fail(QStringLiteral("init needs exactly one PATH or --options FILE"), 2);
    if (m_server)
        return initServer(*m_server);
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

int DbTool::initServer(const ConnectionSettings& settings)
{
    DbConnection connection;
    settings.open(connection);
    // Any of the tables already there means someone's data: init only ever
    // creates, so it leaves such a database as it is.
    const QStringList present = Schema::presentTables(connection).keys();
    if (!present.isEmpty())
        return fail(QStringLiteral("the %1 already has the tables %2; init only creates them in an empty database "
                                   "(hourwright-db check --options tells whether they are complete)")
                        .arg(serverDatabaseName(settings), present.join(QLatin1String(", "))));
    if (settings.kind == Dialect::PostgreSql) {
        // The server guards who may do what: roles, row security and the
        // people functions come with the tables.
        tellReport(m_out, TeamServer::create(connection));
        m_out << "created the tables, roles and row security in the " << serverDatabaseName(settings) << Qt::endl;
        return 0;
    }
    Schema::create(connection, Dialect::schemaScript(settings.kind));
    m_out << "created the tables in the " << serverDatabaseName(settings) << Qt::endl;
    return 0;
}

int DbTool::sqlServerScript(const QStringList& args)
{
    rejectExtra(args);
    m_out << Dialect::schemaScript(Dialect::SqlServer);
    m_out.flush();
    return 0;
}

int DbTool::postgresScript(const QStringList& args)
{
    rejectExtra(args);
    m_out << Dialect::schemaScript(Dialect::PostgreSql);
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
    if (positionalCount(args) != 2)
        return fail(QStringLiteral("add-user needs PATH (or --options FILE) and NAME"), 2);
    bool ok = false;
    const int developerId = developer.toInt(&ok);
    if (!ok || developerId < 0)
        return fail(QStringLiteral("--developer needs a developer ID, not %1").arg(developer), 2);
    const Target target = takeTarget(args);
    // Names are stored trimmed: "alice " could never sign in as "alice".
    const QString name = args.at(0).trimmed();
    if (name.isEmpty())
        return fail(QStringLiteral("a user needs a name"), 2);
    if (fromStdin)
        password = readPassword(true, name);
    if (password.isEmpty())
        return fail(QStringLiteral("a user needs a password"), 2);

    DbConnection connection;
    open(connection, target);
    // The name is checked in the transaction that adds it, so two runs at
    // once cannot both take it.
    TransactionGuard transaction(connection);
    const QStringList taken = namesLike(connection, name);
    if (!taken.isEmpty())
        return fail(QStringLiteral("the user name %1 is already taken by %2; user names must differ in more than "
                                   "letter case")
                        .arg(name, taken.first()));
    if (ServerLogins::managePeople(connection))
        ServerLogins::addUser(connection, name, password, admin, developerId);
    else
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
    if (positionalCount(positional) != 2)
        return fail(QStringLiteral("set-password needs PATH (or --options FILE) and NAME"), 2);
    const Target target = takeTarget(positional);
    const QString name = positional.at(0);

    DbConnection connection;
    open(connection, target);
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
    if (ServerLogins::managePeople(connection)) {
        TransactionGuard transaction(connection);
        ServerLogins::setPassword(connection, name, password);
        transaction.commit();
        m_out << "set a new password for " << name << Qt::endl;
        return 0;
    }
    const QString hash = PasswordHash::hash(password);
    TransactionGuard transaction(connection);
    QSqlQuery changed = connection.exec(SharedStatements::setUserPassword(Dialect::kindOf(connection)), {hash, id});
    if (changed.numRowsAffected() == 0)
        return fail(QStringLiteral("the user %1 was removed meanwhile; nothing was changed").arg(name));
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
    if (positionalCount(args) != 1)
        return fail(QStringLiteral("sample needs exactly one PATH or --options FILE"), 2);
    const Target target = takeTarget(args);
    DbConnection connection;
    open(connection, target);
    SampleData::fill(connection, counts, Clock::now());
    m_out << "added sample data with " << counts.intervals << " intervals to " << target.name << Qt::endl;
    return 0;
}

int DbTool::check(const QStringList& arguments)
{
    QStringList args = arguments;
    if (positionalCount(args) != 1)
        return fail(QStringLiteral("check needs exactly one PATH or --options FILE"), 2);
    const Target target = takeTarget(args);
    DbConnection connection;
    open(connection, target);
    const QStringList problems = Schema::check(connection);
    for (const QString& problem : problems)
        m_out << problem << Qt::endl;
    if (problems.isEmpty())
        m_out << "all tables and columns are present" << Qt::endl;

    int plain = 0;
    if (problems.isEmpty() && ServerLogins::managePeople(connection)) {
        // The server keeps the passwords; a login without one cannot sign in.
        const QStringList without = TeamServer::usersWithoutPassword(connection);
        for (const QString& name : without)
            m_out << "user " << name << ": no server password yet (run set-password)" << Qt::endl;
        return without.isEmpty() ? 0 : 1;
    }
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

int DbTool::upgrade(const QStringList& arguments)
{
    QStringList args = arguments;
    if (positionalCount(args) != 1)
        return fail(QStringLiteral("upgrade needs exactly one PATH or --options FILE"), 2);
    const Target target = takeTarget(args);
    DbConnection connection;
    open(connection, target);
    const bool teamServer = m_server && m_server->kind == Dialect::PostgreSql;
    if (teamServer && TeamServer::mayCreateRoles(connection)) {
        // The team server's layout has the additions among its steps.
        const TeamServer::Report report = TeamServer::upgrade(connection);
        m_out << "the " << target.name << " has one login per person, row security and the people "
              << "functions; every row was kept" << Qt::endl;
        tellReport(m_out, report);
        return 0;
    }
    const QStringList added = Schema::upgrade(connection);
    for (const QString& addition : added)
        m_out << addition << " added" << Qt::endl;
    if (added.isEmpty())
        m_out << target.name << " is up to date" << Qt::endl;
    if (teamServer && !TeamServer::hasPersonalLogins(connection))
        m_out << "one login per person needs upgrade with a login that may create roles (see \"A team server\" "
                 "in the README)" << Qt::endl;
    return 0;
}

int DbTool::backup(const QStringList& args)
{
    if (m_server)
        return fail(QStringLiteral("backup copies an SQLite database file; the %1 is a server's: back it up with "
                                   "the server's own tools")
                        .arg(serverDatabaseName(*m_server)));
    if (args.isEmpty() || args.size() > 2)
        return fail(QStringLiteral("backup needs PATH and at most one DEST"), 2);
    const QString source = args.at(0);
    QString written;
    if (args.size() == 1) {
        const QString folder = DatabaseBackup::defaultFolder(source);
        if (!QFileInfo(source).isFile())
            return fail(QStringLiteral("The database file %1 does not exist").arg(source));
        DatabaseBackup::makePrivateFolder(folder);
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

int DbTool::writeOptions(const QStringList& arguments)
{
    using namespace Options;
    QStringList args = arguments;
    QString kindText, server, database, user, databasePath, excelPath, sslMode, sslRootCert;
    const bool hasKind = takeOption(args, QStringLiteral("--kind"), &kindText);
    const bool hasServer = takeOption(args, QStringLiteral("--server"), &server);
    const bool hasDatabase = takeOption(args, QStringLiteral("--database"), &database);
    const bool hasUser = takeOption(args, QStringLiteral("--user"), &user);
    const bool passwordFromStdin = takeFlag(args, QStringLiteral("--password-stdin"));
    const bool hasDatabasePath = takeOption(args, QStringLiteral("--database-path"), &databasePath);
    const bool hasExcelPath = takeOption(args, QStringLiteral("--excel-path"), &excelPath);
    const bool hasSslMode = takeOption(args, QStringLiteral("--ssl-mode"), &sslMode);
    const bool hasSslRootCert = takeOption(args, QStringLiteral("--ssl-root-cert"), &sslRootCert);
    if (args.isEmpty())
        return fail(QStringLiteral("write-options needs the options FILE"), 2);
    const QString file = args.takeFirst();
    rejectExtra(args);
    if (!hasKind)
        return fail(QStringLiteral("write-options needs --kind N (0 SQLite file, 1 SQL Server, 2 PostgreSQL)"), 2);
    bool isNumber = false;
    const int kind = kindText.trimmed().toInt(&isNumber);
    if (!isNumber || !Dialect::isKnownKind(kind))
        return fail(QStringLiteral("--kind %1 is no database kind: 0 is an SQLite file, 1 SQL Server, 2 PostgreSQL")
                        .arg(kindText),
                    2);
    const bool isFile = Dialect::isFile(kind);
    if (isFile && (hasServer || hasDatabase || hasUser || passwordFromStdin))
        return fail(QStringLiteral("--kind %1 is an SQLite file: --server, --database, --user and --password-stdin "
                                   "are for a server")
                        .arg(kind),
                    2);
    if (!isFile && hasDatabasePath)
        return fail(QStringLiteral("--kind %1 is a server: --database-path is for an SQLite file").arg(kind), 2);
    if (kind != Dialect::PostgreSql && (hasSslMode || hasSslRootCert))
        return fail(QStringLiteral("--ssl-mode and --ssl-root-cert are for a PostgreSQL server (--kind 2)"), 2);
    if (hasSslMode && !sslMode.isEmpty() && !Dialect::sslModes().contains(sslMode))
        return fail(QStringLiteral("--ssl-mode %1 is none of %2").arg(sslMode, Dialect::sslModes().join(", ")), 2);
    if (QFileInfo(file).isDir())
        return fail(QStringLiteral("%1 is a folder, not an options file").arg(file), 2);

    // The values the settings window would show for this file, then the
    // ones given; it saves all of them.
    ConnectionSettings shown;
    shown.kind = kind;
    shown.dataBasePath = DefaultDataBasePath;
    QString shownExcelPath = DefaultExcelPath;
    TqvOptionsManager options;
    const bool exists = QFileInfo::exists(file);
    if (exists) {
        options.setOptionsFileName(file);
        shown.serverName = options.ReadValue(ConnectionSection, ServerName, QString()).toString();
        shown.dataBaseName = options.ReadValue(ConnectionSection, DataBaseName, QString()).toString();
        shown.userName = options.ReadEncodedValue(ConnectionSection, UserName, QString()).toString();
        shown.password = options.ReadEncodedValue(ConnectionSection, Password, QString()).toString();
        shown.dataBasePath = options.ReadValue(ExportSection, DataBasePath, DefaultDataBasePath).toString();
        shownExcelPath = options.ReadValue(ExportSection, ExcelPath, DefaultExcelPath).toString();
        shown.sslMode = options.ReadValue(ConnectionSection, SslMode, QString()).toString();
        shown.sslRootCert = options.ReadValue(ConnectionSection, SslRootCert, QString()).toString();
    }
    if (hasServer)
        shown.serverName = server;
    if (hasDatabase)
        shown.dataBaseName = database;
    if (hasUser)
        shown.userName = user;
    if (hasDatabasePath)
        shown.dataBasePath = databasePath;
    if (hasExcelPath)
        shownExcelPath = excelPath;
    if (hasSslMode)
        shown.sslMode = sslMode;
    if (hasSslRootCert)
        shown.sslRootCert = sslRootCert;
    if (passwordFromStdin)
        shown.password = readPassword(true, shown.userName);

    for (const QString& value : {shown.serverName, shown.dataBaseName, shown.userName, shown.password,
                                 shown.dataBasePath, shownExcelPath, shown.sslRootCert}) {
        if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
            return fail(QStringLiteral("an options value cannot hold a line break; nothing was written"), 2);
    }
    if (!isFile) {
        QStringList missing;
        if (shown.serverName.trimmed().isEmpty())
            missing << QStringLiteral("--server");
        if (shown.dataBaseName.trimmed().isEmpty())
            missing << QStringLiteral("--database");
        if (!missing.isEmpty())
            return fail(QStringLiteral("--kind %1 is a server and needs %2; nothing was written")
                            .arg(kind)
                            .arg(missing.join(QLatin1String(" and "))),
                        2);
    } else if (shown.dataBasePath.trimmed().isEmpty()) {
        return fail(QStringLiteral("--database-path cannot be empty; nothing was written"), 2);
    }

    // A login is kept to the file's owner from the first byte on, not only
    // once it has been written.
    const bool holdsLogin = !shown.userName.isEmpty() || !shown.password.isEmpty();
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!exists) {
        const QString folder = QFileInfo(file).absolutePath();
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("The folder %1 cannot be created").arg(folder));
        QFile created(file);
        const bool made = holdsLogin ? created.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)
                                     : created.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        if (!made)
            return fail(QStringLiteral("Unable to write to %1: %2").arg(file, created.errorString()));
        created.close();
    } else if (holdsLogin && !QFile::setPermissions(file, ownerOnly)) {
        return fail(QStringLiteral("Unable to write to %1").arg(file));
    }
    options.setOptionsFileName(file);
    // The settings window's keys, in its order.
    options.WriteValue(ConnectionSection, ServerName, shown.serverName);
    options.WriteValue(ConnectionSection, DataBaseName, shown.dataBaseName);
    options.WriteEncodedValue(ConnectionSection, UserName, shown.userName);
    options.WriteEncodedValue(ConnectionSection, Password, shown.password);
    options.WriteValue(ConnectionSection, DatabaseType, kind);
    if (kind == Dialect::PostgreSql) {
        options.WriteValue(ConnectionSection, SslMode, shown.sslMode);
        options.WriteValue(ConnectionSection, SslRootCert, shown.sslRootCert);
    }
    options.WriteValue(ExportSection, ExcelPath, shownExcelPath);
    options.WriteValue(ExportSection, DataBasePath, shown.dataBasePath);
    m_out << "wrote " << file << Qt::endl;
    return 0;
}
