#include "modules/mc_Users.h"

#include "components/o_Dialect.h"
#include "components/o_ServerLogins.h"
#include "components/o_SharedStatements.h"
#include "framework/o_MainModule.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/PasswordHash.h"

#include <QWidget>

#include <QMap>

namespace {

struct UserRow
{
    int position;
    QString name;
    QString password; // typed in this window; empty keeps the stored one
    bool isNew;
    bool changed; // new or edited in this window
    bool isAdmin;
};

QList<UserRow> rowsOf(const MemTable& copy)
{
    const int name = copy.fieldIndex(QStringLiteral("USERNAME"));
    const int password = copy.fieldIndex(QStringLiteral("PASSWORD"));
    const int admin = copy.fieldIndex(QStringLiteral("IS_ADMIN"));
    QList<UserRow> rows;
    for (int i = 0; i < copy.recordCount(); ++i) {
        qint64 flag = 0;
        const MemTable::RowStatus status = copy.rowStatusAt(i);
        rows.append({i, copy.valueAt(i, name).toString().trimmed(), copy.valueAt(i, password).toString(),
                     status == MemTable::Inserted, status != MemTable::Unchanged,
                     copy.intAt(i, admin, &flag) && flag == 1});
    }
    return rows;
}

} // namespace

void TdmUsers::CreateData()
{
    m_serverLogins = ServerLogins::managePeople(connection());
    TMaintenanceModule::CreateData();
}

TMaintenanceModule::Definition TdmUsers::definition() const
{
    Definition d;
    const int kind = Dialect::kindOf(connection());
    d.table = QStringLiteral("USERS");
    d.workingSourceName = QStringLiteral("dsUsers");
    d.listStatement = SharedStatements::usersForEditing(kind);
    d.updateTemplate = SharedStatements::userUpdateTemplate(kind);
    d.updateFields = {{"DEVELOPER_ID", SqlValue::Integer},
                      {"IS_ADMIN", SqlValue::Integer},
                      {"USERNAME", SqlValue::Text},
                      {"PASSWORD", SqlValue::Text},
                      {"ID", SqlValue::Integer}};
    d.insertTemplate = SharedStatements::userInsertTemplate(kind);
    d.insertFields = {{"DEVELOPER_ID", SqlValue::Integer},
                      {"IS_ADMIN", SqlValue::Integer},
                      {"USERNAME", SqlValue::Text},
                      {"PASSWORD", SqlValue::Text}};
    if (m_serverLogins) {
        // People are the server's logins: the server's functions keep each
        // login and its row together, and hold the rules themselves.
        d.updateTemplate = ServerLogins::userUpdateTemplate();
        d.updateFields = {{"ID", SqlValue::Integer},
                          {"USERNAME", SqlValue::Text},
                          {"IS_ADMIN", SqlValue::Integer},
                          {"DEVELOPER_ID", SqlValue::Integer},
                          {"PASSWORD", SqlValue::Text}};
        d.insertTemplate = ServerLogins::userInsertTemplate();
        d.insertFields = {{"USERNAME", SqlValue::Text},
                          {"PASSWORD", SqlValue::Text},
                          {"IS_ADMIN", SqlValue::Integer},
                          {"DEVELOPER_ID", SqlValue::Integer}};
        d.deleteTemplate = ServerLogins::userDeleteTemplate();
    }
    d.lookups = {{QStringLiteral("dsDevelopers"), QStringLiteral("select ID,LASTNAME,NAME from DEVELOPERS")}};
    d.noun = QStringLiteral("user");
    d.nameFields = {QStringLiteral("USERNAME")};
    d.flagFields = {QStringLiteral("IS_ADMIN")};
    return d;
}

QString TdmUsers::problem()
{
    MemTable& copy = *WorkingCopy();
    settlePendingRow();
    const QList<UserRow> rows = rowsOf(copy);
    auto at = [&copy](const UserRow& row, const QString& text) {
        copy.setRecNo(row.position);
        return text;
    };
    for (const UserRow& row : rows) {
        if (row.name.trimmed().isEmpty())
            return at(row, QStringLiteral("Every user needs a user name."));
        for (const UserRow& earlier : rows) {
            if (earlier.position >= row.position)
                break;
            if (earlier.name.compare(row.name, Qt::CaseInsensitive) != 0)
                continue;
            // The name typed in this window is the one at fault.
            const bool blameEarlier = earlier.changed && !row.changed;
            const UserRow& culprit = blameEarlier ? earlier : row;
            const UserRow& owner = blameEarlier ? row : earlier;
            return at(culprit, QStringLiteral("The user name \"%1\" is already taken by \"%2\". User names must "
                                              "differ in more than letter case or surrounding spaces, or one of the "
                                              "two could never sign in.")
                                   .arg(culprit.name, owner.name));
        }
        if (row.isNew && row.password.isEmpty())
            return at(row, QStringLiteral("The new user \"%1\" needs a password.").arg(row.name));
    }
    const bool adminRemains = std::any_of(rows.begin(), rows.end(), [](const UserRow& row) { return row.isAdmin; });
    if (!adminRemains) {
        QSqlQuery stored = connection().exec(SharedStatements::administratorCount());
        if (stored.next() && stored.value(0).toLongLong() > 0)
            return QStringLiteral("The last administrator can be neither deleted nor demoted: somebody must be "
                                  "left to manage the users.");
    }
    return QString();
}

void TdmUsers::HandleEvent0(QObject* sender)
{
    if (TagOf(sender) != cmdOk) {
        TMaintenanceModule::HandleEvent0(sender);
        return;
    }
    const QString refusal = problem();
    if (!refusal.isEmpty()) {
        MessageService::warning(ModuleForm() ? ModuleForm()->windowTitle() : QStringLiteral("Manage Users"), refusal,
                                ModuleForm());
        return;
    }
    applyWithHashes(sender);
}

void TdmUsers::applyWithHashes(QObject* sender)
{
    // What was typed is replaced by its hash (or, on a server whose people
    // are its logins, by a verifier) for the write, and put back should the
    // write fail, so a second Ok hashes the typed text again.
    MemTable& copy = *WorkingCopy();
    const int position = copy.recNo();
    QMap<int, QString> typed;
    auto setPasswords = [&copy](const QMap<int, QString>& values) {
        for (auto it = values.begin(); it != values.end(); ++it) {
            copy.setRecNo(it.key());
            copy.setValue(QStringLiteral("PASSWORD"), it.value());
            copy.post();
        }
    };
    copy.disableControls();
    try {
        QMap<int, QString> hashes;
        for (const UserRow& row : rowsOf(copy)) {
            // A name is stored as it signs in: without surrounding spaces.
            if (row.changed && copy.valueAt(row.position, copy.fieldIndex(QStringLiteral("USERNAME"))) != row.name) {
                copy.setRecNo(row.position);
                copy.setValue(QStringLiteral("USERNAME"), row.name);
                copy.post();
            }
            if (row.password.isEmpty())
                continue;
            typed.insert(row.position, row.password);
            hashes.insert(row.position, m_serverLogins ? ServerLogins::verifier(connection(), row.name, row.password)
                                                       : PasswordHash::hash(row.password));
        }
        setPasswords(hashes);
        copy.setRecNo(position);
    } catch (...) {
        setPasswords(typed);
        copy.setRecNo(position);
        copy.enableControls();
        throw;
    }
    copy.enableControls();
    auto restore = [&] {
        copy.disableControls();
        setPasswords(typed);
        copy.setRecNo(position);
        copy.enableControls();
    };
    try {
        TMaintenanceModule::HandleEvent0(sender);
    } catch (...) {
        restore();
        throw;
    }
    if (ModuleForm() && ModuleForm()->isVisible())
        restore(); // not written: the window stays open with what was typed
}
