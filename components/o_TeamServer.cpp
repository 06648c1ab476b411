#include "components/o_TeamServer.h"

#include "components/o_PeriodLock.h"
#include "components/o_Schema.h"
#include "components/o_WriteIds.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/SqlTemplate.h"

#include <QSet>
#include <QSqlQuery>

namespace TeamServer {

QString identifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

Roles Roles::of(const QString& dataBaseName)
{
    // A role name holds at most 63 bytes; the longest suffix is 8 letters.
    QString base = dataBaseName;
    while (base.toUtf8().size() > 54)
        base.chop(1);
    return {base + QStringLiteral("_owner"), base + QStringLiteral("_members"), base + QStringLiteral("_admins"),
            base + QStringLiteral("_people")};
}

namespace {

const QStringList& masterTables()
{
    static const QStringList tables{QStringLiteral("PROJECTS"), QStringLiteral("CUSTOMER"),
                                    QStringLiteral("DEVELOPERS"), QStringLiteral("DEVELOPER_PROJECTS")};
    return tables;
}

bool truth(DbConnection& c, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query = c.exec(sql, values);
    return query.next() && query.value(0).toBool();
}

QString text(DbConnection& c, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query = c.exec(sql, values);
    return query.next() ? query.value(0).toString() : QString();
}

bool isSuperuser(DbConnection& c)
{
    return truth(c, QStringLiteral("select rolsuper from pg_roles where rolname = session_user"));
}

bool roleExists(DbConnection& c, const QString& role)
{
    return truth(c, QStringLiteral("select count(*) > 0 from pg_roles where rolname = ?"), {role});
}

// Whether member was granted group itself (a superuser is no member by that).
bool directMember(DbConnection& c, const QString& member, const QString& group)
{
    return truth(c,
                 QStringLiteral("select count(*) > 0 from pg_auth_members m join pg_roles g on g.oid = m.roleid "
                                "join pg_roles u on u.oid = m.member where g.rolname = ? and u.rolname = ?"),
                 {group, member});
}

QString database(DbConnection& c)
{
    return identifier(text(c, QStringLiteral("select current_database()")));
}

// The sequence behind a table's ID.
QString sequenceOf(DbConnection& c, const QString& table)
{
    return text(c, QStringLiteral("select pg_get_serial_sequence(?, 'id')"),
                {QStringLiteral("public.") + table.toLower()});
}

// Runs statements as a role, so that what they create belongs to it.
void asRole(DbConnection& c, const QString& role, const std::function<void()>& statements)
{
    c.exec(QStringLiteral("set local role ") + identifier(role));
    statements();
    c.exec(QStringLiteral("reset role"));
}

void createRoles(DbConnection& c, const Roles& r, Report&)
{
    const QList<QPair<QString, QString>> groups{{r.owner, QStringLiteral("NOLOGIN")},
                                                {r.members, QStringLiteral("NOLOGIN")},
                                                {r.admins, QStringLiteral("NOLOGIN")},
                                                {r.people, QStringLiteral("NOLOGIN CREATEROLE")}};
    for (const auto& [role, attributes] : groups) {
        if (!roleExists(c, role)) {
            c.exec(QStringLiteral("create role %1 %2").arg(identifier(role), attributes));
        } else if (truth(c, QStringLiteral("select rolcanlogin or rolsuper from pg_roles where rolname = ?"), {role})) {
            throw DatabaseError(QStringLiteral("The server has a login %1, the name this database's group would "
                                               "have; rename that login first")
                                    .arg(role));
        }
    }
    if (!directMember(c, r.admins, r.members))
        c.exec(QStringLiteral("grant %1 to %2").arg(identifier(r.members), identifier(r.admins)));
    // A setup login that is no superuser acts as the owner and the people
    // role through membership, and adds the first administrator as one;
    // dropping the login ends that.
    if (!isSuperuser(c)) {
        for (const QString& role : {r.owner, r.people, r.admins})
            if (!truth(c, QStringLiteral("select pg_has_role(session_user, ?, 'MEMBER')"), {role}))
                c.exec(QStringLiteral("grant %1 to session_user").arg(identifier(role)));
    }
}

void transferOwnership(DbConnection& c, const Roles& r, Report& report)
{
    const QString former = text(c, QStringLiteral("select pg_get_userbyid(datdba) from pg_database "
                                                  "where datname = current_database()"));
    if (former != r.owner) {
        // The owner of a database may drop its schema with everything in it.
        if (truth(c, QStringLiteral("select rolcanlogin from pg_roles where rolname = ?"), {former})
            && former != text(c, QStringLiteral("select session_user")))
            report.formerOwner = former;
        c.exec(QStringLiteral("alter database %1 owner to %2").arg(database(c), identifier(r.owner)));
    }
    // The schema too: its owner may drop what is in it. A database made
    // anew has it belong to whoever owns the database.
    const QString schemaOwner =
        text(c, QStringLiteral("select pg_get_userbyid(nspowner) from pg_namespace where nspname = 'public'"));
    if (schemaOwner != r.owner && schemaOwner != QLatin1String("pg_database_owner"))
        c.exec(QStringLiteral("alter schema public owner to %1").arg(identifier(r.owner)));
    // The program's functions too: one that ran as the former owner would
    // write the history with its rights.
    QSqlQuery functions = c.exec(QStringLiteral(
        "select p.oid::regprocedure::text, pg_get_userbyid(p.proowner) from pg_proc p join pg_namespace n "
        "on n.oid = p.pronamespace where n.nspname = 'public' and (p.proname like 'hw\\_%' or p.proname = "
        "'own_developer')"));
    QStringList foreign;
    while (functions.next())
        if (functions.value(1).toString() != r.owner)
            foreign << functions.value(0).toString();
    functions.finish();
    for (const QString& function : std::as_const(foreign))
        c.exec(QStringLiteral("alter function public.%1 owner to %2").arg(function, identifier(r.owner)));
    QMap<QString, QString> present = Schema::presentTables(c);
    for (const QString& later : {Schema::HistoryTable, Schema::LockTable})
        if (Schema::hasTable(c, later))
            present.insert(later, later.toLower());
    for (const QString& table : std::as_const(present)) {
        const QString owner = text(c, QStringLiteral("select tableowner from pg_tables where schemaname = 'public' "
                                                     "and tablename = ?"),
                                   {table});
        if (owner != r.owner)
            c.exec(QStringLiteral("alter table public.%1 owner to %2").arg(identifier(table), identifier(r.owner)));
    }
}

void createTables(DbConnection& c, const Roles& r, Report&)
{
    const QMap<QString, QString> present = Schema::presentTables(c);
    if (present.size() == Schema::tables().size())
        return;
    if (!present.isEmpty())
        throw DatabaseError(QStringLiteral("The database has only some of the program's tables (%1); "
                                           "hourwright-db check names what is missing")
                                .arg(QStringList(present.keys()).join(QLatin1String(", "))));
    asRole(c, r.owner, [&c] {
        for (const QString& statement : Schema::statements(Schema::postgresScript()))
            c.exec(statement);
    });
}

// What later versions added to the tables, made as their owner.
void addLaterColumns(DbConnection& c, const Roles& r, Report&)
{
    asRole(c, r.owner, [&c] { Schema::addMissing(c); });
}

void grantPrivileges(DbConnection& c, const Roles& r, Report&)
{
    const QString members = identifier(r.members);
    const QString admins = identifier(r.admins);
    const QString people = identifier(r.people);
    const QString db = database(c);
    c.exec(QStringLiteral("revoke all on database %1 from public").arg(db));
    c.exec(QStringLiteral("grant connect on database %1 to %2").arg(db, members));
    c.exec(QStringLiteral("revoke all on schema public from public"));
    c.exec(QStringLiteral("grant usage on schema public to %1, %2").arg(members, people));
    for (const Schema::Table& table : Schema::tables())
        c.exec(QStringLiteral("revoke all on table %1 from public, %2, %3, %4")
                   .arg(table.name, members, admins, people));
    // Everyone reads what the program shows everyone; a person's USERS row
    // without its secret column.
    c.exec(QStringLiteral("grant select on %1, PROJECTWORK to %2").arg(masterTables().join(','), members));
    c.exec(QStringLiteral("grant select (ID, DEVELOPER_ID, IS_ADMIN, USERNAME) on USERS to %1").arg(members));
    // Intervals: row security keeps a member to their own developer's rows.
    c.exec(QStringLiteral("grant insert, update, delete on PROJECTWORK to %1").arg(members));
    c.exec(QStringLiteral("grant usage on sequence %1 to %2").arg(sequenceOf(c, QStringLiteral("PROJECTWORK")), members));
    c.exec(QStringLiteral("grant insert, update, delete on %1 to %2").arg(masterTables().join(','), admins));
    for (const QString& table : masterTables())
        c.exec(QStringLiteral("grant usage on sequence %1 to %2").arg(sequenceOf(c, table), admins));
    // People are written only by the functions that keep logins and rows together.
    c.exec(QStringLiteral("grant select, insert, update, delete on USERS to %1").arg(people));
    c.exec(QStringLiteral("grant usage on sequence %1 to %2").arg(sequenceOf(c, QStringLiteral("USERS")), people));
}

void protectIntervals(DbConnection& c, const Roles& r, Report&)
{
    // Who is asking is the login that connected: a SET ROLE after a password
    // check proves nothing.
    asRole(c, r.owner, [&c] {
        // In plpgsql, whose plan a session keeps: a SECURITY DEFINER function
        // in SQL would be planned anew by every statement that writes.
        c.exec(QStringLiteral(
            "create or replace function public.own_developer() returns integer language plpgsql stable security definer "
            "set search_path = pg_catalog, pg_temp as "
            "$hw$ begin return (select nullif(min(DEVELOPER_ID), 0) from public.USERS "
            "where USERNAME = session_user); end $hw$"));
    });
    c.exec(QStringLiteral("revoke all on function public.own_developer() from public"));
    c.exec(QStringLiteral("grant execute on function public.own_developer() to %1").arg(identifier(r.members)));
    c.exec(QStringLiteral("alter table PROJECTWORK enable row level security"));
    c.exec(QStringLiteral("alter table PROJECTWORK force row level security"));
    const QString members = identifier(r.members);
    const QList<QPair<QString, QString>> policies{
        {QStringLiteral("hw_read"), QStringLiteral("for select to %1 using (true)").arg(members)},
        {QStringLiteral("hw_own_insert"),
         QStringLiteral("for insert to %1 with check (DEVELOPER_ID = public.own_developer())").arg(members)},
        {QStringLiteral("hw_own_update"),
         QStringLiteral("for update to %1 using (DEVELOPER_ID = public.own_developer()) "
                        "with check (DEVELOPER_ID = public.own_developer())")
             .arg(members)},
        {QStringLiteral("hw_own_delete"),
         QStringLiteral("for delete to %1 using (DEVELOPER_ID = public.own_developer())").arg(members)},
        {QStringLiteral("hw_administrators"),
         QStringLiteral("for all to %1 using (true) with check (true)").arg(identifier(r.admins))},
    };
    for (const auto& [name, rule] : policies) {
        c.exec(QStringLiteral("drop policy if exists %1 on PROJECTWORK").arg(name));
        c.exec(QStringLiteral("create policy %1 on PROJECTWORK %2").arg(name, rule));
    }
}

// The history and the closed period. Members read the history and the lock
// date and write neither; administrators set the lock. The server refuses a
// member's insert, change or delete of an interval whose day is on or before
// the lock date (with a grace period, more than that many days before
// today), also from psql, unless it stops a running interval or writes its
// comment: time passing locks nothing that still runs.
void guardHistoryAndLocks(DbConnection& c, const Roles& r, Report&)
{
    const QString members = identifier(r.members);
    const QString admins = identifier(r.admins);
    const QString people = identifier(r.people);
    for (const QString& table : {Schema::HistoryTable, Schema::LockTable})
        c.exec(QStringLiteral("revoke all on table %1 from public, %2, %3, %4").arg(table, members, admins, people));
    c.exec(QStringLiteral("grant select on %1, %2 to %3").arg(Schema::HistoryTable, Schema::LockTable, members));
    c.exec(QStringLiteral("grant update on %1 to %2").arg(Schema::LockTable, admins));
    asRole(c, r.owner, [&] {
        c.exec(QStringLiteral(
                   "create or replace function public.hw_guard_locked_work() returns trigger language plpgsql "
                   "security definer set search_path = pg_catalog, pg_temp as $hw$ "
                   "declare through date; was_day date; new_day date; "
                   "begin "
                   "if pg_has_role(session_user, %1, 'MEMBER') then "
                   "if TG_OP = 'DELETE' then return OLD; end if; return NEW; end if; "
                   "select greatest(LOCKED_THROUGH, current_date - GRACE_DAYS - 1) into through "
                   "from public.PERIOD_LOCK where ID = 1; "
                   "if through is null then if TG_OP = 'DELETE' then return OLD; end if; return NEW; end if; "
                   "if TG_OP = 'UPDATE' and coalesce(OLD.COMPLETED, 0) <> 1 "
                   "and NEW.PROJECT_ID is not distinct from OLD.PROJECT_ID "
                   "and NEW.DEVELOPER_ID is not distinct from OLD.DEVELOPER_ID "
                   "and NEW.TIME_START is not distinct from OLD.TIME_START "
                   "and NEW.DAY_START is not distinct from OLD.DAY_START then return NEW; end if; "
                   "if TG_OP <> 'INSERT' then was_day := coalesce(OLD.DAY_START, OLD.TIME_START::date); end if; "
                   "if TG_OP <> 'DELETE' then new_day := coalesce(NEW.DAY_START, NEW.TIME_START::date); end if; "
                   "if was_day <= through or new_day <= through then "
                   "raise exception '%', %2 using errcode = 'HW001'; end if; "
                   "if TG_OP = 'DELETE' then return OLD; end if; return NEW; "
                   "end $hw$")
                   .arg(SqlTemplate::quoted(r.admins),
                        QStringLiteral("format(%1, to_char(through, 'YYYY-MM-DD'))")
                            .arg(SqlTemplate::quoted(TPeriodLock::lockedText(QStringLiteral("%s"))))));
        c.exec(QStringLiteral("create or replace trigger hw_locked_period before insert or update or delete on "
                              "PROJECTWORK for each row execute function public.hw_guard_locked_work()"));
    });
}

// The functions that manage people. They run as the people role, which may
// create roles but cannot log in; each acts only on logins that are people
// of this database, and a password arrives only as a SCRAM verifier made on
// the client, so no password is ever SQL text or in the server's log.
QStringList peopleFunctions(const Roles& r)
{
    const QString members = SqlTemplate::quoted(r.members);
    const QString admins = SqlTemplate::quoted(r.admins);
    const QString groups = QStringLiteral("%1, %2, %3, %4")
                               .arg(SqlTemplate::quoted(r.owner), members, admins, SqlTemplate::quoted(r.people));
    const QString header = QStringLiteral("language plpgsql set search_path = pg_catalog, pg_temp as $hw$ ");
    return {
        // A name as stored: trimmed, not empty, and apart from every other
        // user's in more than letter case.
        QStringLiteral(
            "create or replace function people.valid_name(wanted text, except_id integer) returns text %1"
            "declare trimmed text := btrim(coalesce(wanted, '')); taken text; "
            "begin "
            "if trimmed = '' then raise exception 'Every user needs a user name.'; end if; "
            "select USERNAME into taken from public.USERS where lower(btrim(USERNAME)) = lower(trimmed) "
            "and ID is distinct from except_id limit 1; "
            "if found then raise exception 'The user name \"%\" is already taken by \"%\". User names must differ "
            "in more than letter case or surrounding spaces.', trimmed, taken; end if; "
            "if exists (select 1 from pg_roles where rolname = trimmed) "
            "and not exists (select 1 from public.USERS where USERNAME = trimmed and ID is not distinct from except_id) "
            "then raise exception 'The server already has a login \"%\": choose another user name (logins are shared "
            "by every database of the server).', trimmed; end if; "
            "return trimmed; end $hw$")
            .arg(header),
        QStringLiteral("create or replace function people.valid_verifier(verifier text) returns void %1"
                       "begin "
                       "if verifier is null or verifier !~ '^SCRAM-SHA-256\\$[0-9]+:' then raise exception "
                       "'A password reaches the server only as a SCRAM verifier made by the program.'; end if; "
                       "end $hw$")
            .arg(header),
        // The login of a person of this database, and nobody else's.
        QStringLiteral("create or replace function people.person(user_name text) returns text %1"
                       "begin "
                       "if user_name in (%2) or not exists (select 1 from pg_auth_members m "
                       "join pg_roles g on g.oid = m.roleid join pg_roles u on u.oid = m.member "
                       "where g.rolname = %3 and u.rolname = user_name and not u.rolsuper) then "
                       "raise exception 'The user \"%\" has no login of this database on the server; run "
                       "hourwright-db upgrade.', user_name; end if; "
                       "return user_name; end $hw$")
            .arg(header, groups, members),
        QStringLiteral("create or replace function people.keep_an_administrator(except_id integer) returns void %1"
                       "begin "
                       "if not exists (select 1 from public.USERS where IS_ADMIN = 1 and ID <> except_id) then "
                       "raise exception 'The last administrator can be neither deleted nor demoted: somebody must be "
                       "left to manage the users.'; end if; end $hw$")
            .arg(header),
        QStringLiteral("create or replace function people.add_user(user_name text, verifier text, admin integer, "
                       "developer integer) returns integer security definer %1"
                       "declare login text := people.valid_name(user_name, null); new_id integer; "
                       "begin "
                       "perform people.valid_verifier(verifier); "
                       "execute format('create role %I login password %L in role %I', login, verifier, %2); "
                       "if admin = 1 then execute format('grant %I to %I', %3, login); end if; "
                       "insert into public.USERS (DEVELOPER_ID, IS_ADMIN, USERNAME) "
                       "values (coalesce(developer, 0), admin, login) returning ID into new_id; "
                       "return new_id; end $hw$")
            .arg(header, members, admins),
        QStringLiteral(
            "create or replace function people.change_user(user_id integer, user_name text, admin integer, "
            "developer integer, verifier text) returns void security definer %1"
            "declare was record; login text; "
            "begin "
            "select * into was from public.USERS where ID = user_id for update; "
            "if not found then raise exception 'There is no user %.', user_id; end if; "
            "perform people.person(was.USERNAME); "
            "login := people.valid_name(user_name, user_id); "
            "if coalesce(was.IS_ADMIN, 0) = 1 and coalesce(admin, 0) <> 1 then "
            "perform people.keep_an_administrator(user_id); end if; "
            "if login <> was.USERNAME then execute format('alter role %I rename to %I', was.USERNAME, login); end if; "
            "if admin = 1 then execute format('grant %I to %I', %2, login); "
            "elsif pg_has_role(login, %2, 'MEMBER') then execute format('revoke %I from %I', %2, login); end if; "
            "if coalesce(verifier, '') <> '' then perform people.valid_verifier(verifier); "
            "execute format('alter role %I password %L', login, verifier); end if; "
            "update public.USERS set USERNAME = login, IS_ADMIN = admin, DEVELOPER_ID = developer where ID = user_id; "
            "end $hw$")
            .arg(header, admins),
        QStringLiteral("create or replace function people.remove_user(user_id integer) returns void security definer %1"
                       "declare was record; "
                       "begin "
                       "select * into was from public.USERS where ID = user_id for update; "
                       "if not found then return; end if; "
                       "if coalesce(was.IS_ADMIN, 0) = 1 then perform people.keep_an_administrator(user_id); end if; "
                       "if exists (select 1 from pg_roles where rolname = was.USERNAME) then "
                       "execute format('drop role %I', people.person(was.USERNAME)); end if; "
                       "delete from public.USERS where ID = user_id; "
                       "end $hw$")
            .arg(header),
        QStringLiteral("create or replace function people.set_password(user_name text, verifier text) returns void "
                       "security definer %1"
                       "begin "
                       "if not exists (select 1 from public.USERS where USERNAME = user_name) then "
                       "raise exception 'There is no user %.', user_name; end if; "
                       "perform people.valid_verifier(verifier); "
                       "execute format('alter role %I password %L', people.person(user_name), verifier); "
                       "end $hw$")
            .arg(header),
    };
}

void createPeopleFunctions(DbConnection& c, const Roles& r, Report&)
{
    if (!truth(c, QStringLiteral("select count(*) > 0 from pg_namespace where nspname = 'people'")))
        c.exec(QStringLiteral("create schema people authorization %1").arg(identifier(r.people)));
    c.exec(QStringLiteral("revoke all on schema people from public"));
    c.exec(QStringLiteral("grant usage on schema people to %1").arg(identifier(r.admins)));
    asRole(c, r.people, [&] {
        for (const QString& function : peopleFunctions(r))
            c.exec(function);
    });
    c.exec(QStringLiteral("revoke all on all functions in schema people from public"));
    for (const char* function : {"add_user(text, text, integer, integer)",
                                 "change_user(integer, text, integer, integer, text)", "remove_user(integer)",
                                 "set_password(text, text)"})
        c.exec(QStringLiteral("grant execute on function people.%1 to %2")
                   .arg(QString::fromLatin1(function), identifier(r.admins)));
}

// Every USERS row becomes a login of its own, in the groups its row names;
// the program's hashes, of no use to the server, are emptied.
void enrolUsers(DbConnection& c, const Roles& r, Report& report)
{
    struct User
    {
        int id;
        QString stored;
        QString name;
        bool admin;
    };
    QList<User> users;
    QSqlQuery rows = c.exec(QStringLiteral("select ID, USERNAME, IS_ADMIN from USERS order by ID"));
    while (rows.next())
        users.append({rows.value(0).toInt(), rows.value(1).toString(), rows.value(1).toString().trimmed(),
                      !rows.value(2).isNull() && rows.value(2).toInt() == 1});
    rows.finish();
    QMap<QString, QString> seen;
    for (const User& user : users) {
        if (user.name.isEmpty())
            throw DatabaseError(QStringLiteral("The user with ID %1 has no name; give it one in Tables > Users first")
                                    .arg(user.id));
        const QString folded = user.name.toLower();
        if (seen.contains(folded))
            throw DatabaseError(QStringLiteral("The users \"%1\" and \"%2\" differ only in letter case or surrounding "
                                               "spaces and cannot both have a login; rename one first")
                                    .arg(seen.value(folded), user.stored));
        seen.insert(folded, user.stored);
    }
    const QSet<QString> groups{r.owner, r.members, r.admins, r.people};
    QStringList created;
    for (const User& user : users) {
        if (user.name != user.stored)
            c.exec(QStringLiteral("update USERS set USERNAME = ? where ID = ?"), {user.name, user.id});
        const QString login = identifier(user.name);
        if (!roleExists(c, user.name)) {
            c.exec(QStringLiteral("create role %1 login in role %2").arg(login, identifier(r.members)));
            created << user.name;
        } else if (groups.contains(user.name) || user.name.startsWith(QLatin1String("pg_"))
                   || truth(c, QStringLiteral("select rolsuper from pg_roles where rolname = ?"), {user.name})
                   || !directMember(c, user.name, r.members)) {
            throw DatabaseError(QStringLiteral("The server already has a login \"%1\" that is no user of this "
                                               "database; rename the user (or that login) first")
                                    .arg(user.name));
        }
        const bool isAdmin = directMember(c, user.name, r.admins);
        if (user.admin && !isAdmin)
            c.exec(QStringLiteral("grant %1 to %2").arg(identifier(r.admins), login));
        else if (!user.admin && isAdmin)
            c.exec(QStringLiteral("revoke %1 from %2").arg(identifier(r.admins), login));
    }
    c.exec(QStringLiteral("update USERS set PASSWORD = null where PASSWORD is not null"));
    report.withoutPassword = isSuperuser(c) ? usersWithoutPassword(c) : created;
}

// The IDs of writes sent from journals: each member records those of their
// own writes, in the same transaction; nobody changes or removes one. A table
// an earlier upgrade made as the shared login passes to the owner.
void grantWriteIds(DbConnection& c, const Roles& r, Report&)
{
    const QString table = WriteIds::tableName();
    const QString owner = text(c, QStringLiteral("select tableowner from pg_tables where schemaname = 'public' "
                                                 "and tablename = lower(?)"),
                               {table});
    if (owner.isEmpty())
        return;
    if (owner != r.owner)
        c.exec(QStringLiteral("alter table %1 owner to %2").arg(table, identifier(r.owner)));
    c.exec(QStringLiteral("revoke all on table %1 from public, %2, %3, %4")
               .arg(table, identifier(r.members), identifier(r.admins), identifier(r.people)));
    c.exec(QStringLiteral("grant select, insert on %1 to %2").arg(table, identifier(r.members)));
}

Report runSteps(DbConnection& connection, const QString& purpose)
{
    if (!mayCreateRoles(connection))
        throw DatabaseError(
            QStringLiteral("%1 needs a login that may create roles: the server's superuser, or a setup login (see "
                           "\"A team server\" in the README); %2 may not")
                .arg(purpose, text(connection, QStringLiteral("select session_user"))));
    const Roles roles = Roles::of(text(connection, QStringLiteral("select current_database()")));
    Report report;
    TransactionGuard transaction(connection);
    connection.exec(QStringLiteral("set local client_min_messages to warning"));
    for (const Step& step : steps()) {
        try {
            step.run(connection, roles, report);
        } catch (const AppError& error) {
            throw DatabaseError(QStringLiteral("%1 (%2): %3").arg(purpose, QString::fromLatin1(step.name),
                                                                  error.message()));
        }
    }
    transaction.commit();
    return report;
}

} // namespace

const QList<Step>& steps()
{
    static const QList<Step> list{
        {"roles", createRoles},
        {"ownership", transferOwnership},
        {"tables", createTables},
        {"additions", addLaterColumns},
        {"privileges", grantPrivileges},
        {"row security", protectIntervals},
        {"history and locks", guardHistoryAndLocks},
        {"people functions", createPeopleFunctions},
        {"logins", enrolUsers},
        {"write ids", grantWriteIds},
    };
    return list;
}

bool mayCreateRoles(DbConnection& connection)
{
    return truth(connection,
                 QStringLiteral("select rolsuper or rolcreaterole from pg_roles where rolname = session_user"));
}

bool hasPersonalLogins(DbConnection& connection)
{
    return truth(connection,
                 QStringLiteral("select to_regprocedure('people.add_user(text, text, integer, integer)') is not null"));
}

Report create(DbConnection& connection)
{
    if (!Schema::presentTables(connection).isEmpty())
        throw DatabaseError(QStringLiteral("The database already has some of the tables"));
    return runSteps(connection, QStringLiteral("init"));
}

Report upgrade(DbConnection& connection)
{
    return runSteps(connection, QStringLiteral("upgrade"));
}

QStringList usersWithoutPassword(DbConnection& connection)
{
    QStringList names;
    if (!isSuperuser(connection))
        return names;
    QSqlQuery query = connection.exec(QStringLiteral("select U.USERNAME from USERS U join pg_authid A on "
                                                     "A.rolname = U.USERNAME where A.rolpassword is null order by U.ID"));
    while (query.next())
        names << query.value(0).toString();
    return names;
}

} // namespace TeamServer
