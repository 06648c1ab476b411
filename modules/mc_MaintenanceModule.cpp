#include "modules/mc_MaintenanceModule.h"

#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "toolkit/AppError.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/SqlQuery.h"

namespace {
struct Button
{
    const char* name;
    int command;
};
const Button s_buttons[] = {
    {"btnOk", TMaintenanceModule::cmdOk},     {"btnCancel", TMaintenanceModule::cmdCancel},
    {"btnNew", TMaintenanceModule::cmdNew},   {"btnSave", TMaintenanceModule::cmdSave},
    {"btnEdit", TMaintenanceModule::cmdEdit}, {"btnDelete", TMaintenanceModule::cmdDelete},
};
} // namespace

TMaintenanceModule::~TMaintenanceModule() = default;

DbConnection& TMaintenanceModule::connection() const
{
    IMainModule* main = dmMain();
    if (!main || !main->AdoConn())
        throw AppError(QStringLiteral("No database connection is open"));
    return *main->AdoConn();
}

void TMaintenanceModule::CreateData()
{
    TCustomModule::CreateData();
    m_definition = definition();
    m_listQuery = new SqlQuery(&connection(), m_definition.listStatement, this);
    m_workingCopy = new MemTable(this);
    for (const LookupDefinition& lookup : m_definition.lookups)
        m_lookups << new SqlQuery(&connection(), lookup.statement, this);
}

void TMaintenanceModule::WireEvents()
{
    TCustomModule::WireEvents();
    if (!m_definition.listStatement.isEmpty())
        LoadWorkingCopy(m_definition.listStatement);
    for (int i = 0; i < m_lookups.size(); ++i) {
        m_lookups[i]->open();
        if (DataSource* source = Lookup(m_definition.lookups[i].sourceName)->as<DataSource>())
            source->setDataSet(m_lookups[i]);
    }
    for (const Button& button : s_buttons)
        AssignEventByName(QString::fromLatin1(button.name), button.command, 0, QStringLiteral("OnClick"));
}

void TMaintenanceModule::LoadWorkingCopy(const QString& listStatement)
{
    m_listQuery->close();
    m_listQuery->setSql(listStatement);
    m_listQuery->open();
    m_workingCopy->loadFrom(*m_listQuery);
    if (DataSource* source = Lookup(m_definition.workingSourceName)->as<DataSource>())
        source->setDataSet(m_workingCopy);
}

void TMaintenanceModule::DestroyData()
{
    if (m_listQuery)
        m_listQuery->close();
    for (SqlQuery* lookup : std::as_const(m_lookups))
        lookup->close();
    TCustomModule::DestroyData();
}

void TMaintenanceModule::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    MemTable& copy = *m_workingCopy;
    const MemTable::State state = copy.state();
    switch (TagOf(sender)) {
    case cmdCancel:
        Close();
        break;
    case cmdSave:
        if (state == MemTable::Edit || state == MemTable::Insert)
            copy.post();
        break;
    case cmdOk:
        ApplyChanges();
        break;
    case cmdNew:
        copy.insert();
        break;
    case cmdEdit:
        if (state == MemTable::Browse)
            copy.edit();
        break;
    case cmdDelete:
        if (copy.isActive() && !copy.isEmpty() && state == MemTable::Browse)
            copy.remove();
        break;
    default:
        break;
    }
}

bool TMaintenanceModule::RecordExists(int id)
{
    QSqlQuery query = connection().exec(
        SqlTemplate::fill(QStringLiteral("select ID from %1 where ID = %d").arg(m_definition.table),
                          {SqlValue::integer(id)}));
    return query.next() && !query.value(0).isNull();
}

QString TMaintenanceModule::deleteStatement(const QString& id) const
{
    return SqlTemplate::fill(QStringLiteral("delete from %1 where ID = %s").arg(m_definition.table),
                             {SqlValue::raw(id)});
}

QString TMaintenanceModule::updateStatement() const
{
    return fill(m_definition.updateTemplate, m_definition.updateFields);
}

QString TMaintenanceModule::fill(const QString& pattern, const QList<TemplateField>& fields) const
{
    QList<SqlValue> values;
    for (const TemplateField& field : fields) {
        const QVariant value = m_workingCopy->value(field.name);
        values << (field.kind == SqlValue::Integer ? SqlValue::integer(value) : SqlValue::text(value));
    }
    return SqlTemplate::fill(pattern, values);
}

void TMaintenanceModule::ApplyChanges()
{
    MemTable& copy = *m_workingCopy;
    DbConnection& db = connection();
    // A pending row counts as entered; it stays posted even if the write fails.
    if (copy.state() == MemTable::Edit || copy.state() == MemTable::Insert)
        copy.post();

    copy.disableControls();
    const int position = copy.recNo();
    try {
        TransactionGuard transaction(db);
        for (const QVariant& id : copy.removedValues(QStringLiteral("ID")))
            db.exec(deleteStatement(QString::number(SqlTemplate::integerOf(id))));
        // Only rows changed in this window are written, so edits that others
        // made meanwhile to the rest survive.
        for (copy.first(); !copy.eof(); copy.next()) {
            const MemTable::RowStatus status = copy.rowStatus();
            if (status == MemTable::Unchanged)
                continue;
            const int id = int(SqlTemplate::integerOf(copy.value(QStringLiteral("ID"))));
            if (status == MemTable::Modified && RecordExists(id))
                db.exec(updateStatement());
            else
                db.exec(fill(m_definition.insertTemplate, m_definition.insertFields));
        }
        transaction.commit();
    } catch (...) {
        copy.setRecNo(position);
        copy.enableControls();
        throw;
    }
    copy.setRecNo(position);
    copy.enableControls();
    Close();
}
