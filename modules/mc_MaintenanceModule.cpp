#include "modules/mc_MaintenanceModule.h"

#include "components/o_Dialect.h"
#include "components/o_ProjectMonitor.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "toolkit/AppError.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbConnection.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QLocale>
#include <QSqlQuery>

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
bool isBlank(const QVariant& value)
{
    return value.isNull() || value.toString().trimmed().isEmpty();
}

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}

// "1,234 recorded intervals, 1 user and 2 assignments"
QString countList(const QStringList& parts)
{
    if (parts.size() < 2)
        return parts.value(0);
    return QStringList(parts.mid(0, parts.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" and ")
           + parts.last();
}
} // namespace

TMaintenanceModule::~TMaintenanceModule() = default;

DbConnection& TMaintenanceModule::connection() const
{
    return mainConnection();
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
    configureGrid();
}

void TMaintenanceModule::configureGrid()
{
    if (auto* grid = Lookup(QStringLiteral("DBGrid1"))->as<DbGrid>()) {
        grid->setFieldReadOnly(m_definition.keyField);
        for (const QString& flag : std::as_const(m_definition.flagFields))
            grid->setFieldFlag(flag);
    }
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
        saveCurrent();
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
            deleteCurrent();
        break;
    default:
        break;
    }
}

void TMaintenanceModule::saveCurrent()
{
    settlePendingRow();
}

bool TMaintenanceModule::settlePendingRow()
{
    MemTable& copy = *m_workingCopy;
    if (copy.state() == MemTable::Insert && !copy.isModified()) {
        copy.cancel(); // a new row with nothing typed is not kept
        return true;
    }
    if (copy.state() != MemTable::Edit && copy.state() != MemTable::Insert)
        return true;
    if (!requiredFieldsPresent())
        return false;
    copy.post();
    return true;
}

bool TMaintenanceModule::requiredFieldsPresent()
{
    for (const RequiredField& required : std::as_const(m_definition.required)) {
        if (!isBlank(m_workingCopy->value(required.field)))
            continue;
        MessageService::warning(form()->windowTitle(),
                                tr("A %1 needs a value in \"%2\".").arg(m_definition.noun, required.label), form());
        return false;
    }
    return true;
}

QString TMaintenanceModule::recordName() const
{
    QStringList parts;
    for (const QString& field : m_definition.nameFields) {
        const QString part = m_workingCopy->value(field).toString().trimmed();
        if (!part.isEmpty())
            parts << part;
    }
    const QString& noun = m_definition.noun;
    if (!parts.isEmpty())
        return QStringLiteral("%1 \"%2\"").arg(noun, parts.join(m_definition.nameSeparator));
    const QVariant key = m_workingCopy->value(m_definition.keyField);
    if (key.isNull())
        return tr("the new %1").arg(noun);
    return tr("%1 %2").arg(noun, key.toString());
}

bool TMaintenanceModule::isMonitored(qint64 id) const
{
    IMainModule* main = dmMain();
    TqvProjectMonitor* monitor = main ? main->ProjectMonitor() : nullptr;
    if (!monitor || !monitor->Monitoring())
        return false;
    switch (m_definition.monitored) {
    case Monitored::Project:
        return monitor->ProjectID == id;
    case Monitored::Developer:
        return monitor->DeveloperID == id;
    case Monitored::Nothing:
        break;
    }
    return false;
}

QString TMaintenanceModule::DeleteQuestion()
{
    MemTable& copy = *m_workingCopy;
    const QString name = recordName();
    const QVariant key = copy.value(m_definition.keyField);
    if (key.isNull() || copy.rowStatus() == MemTable::Inserted)
        return tr("Delete %1?").arg(name);
    const qint64 id = SqlTemplate::integerOf(key);
    if (isMonitored(id)) {
        MessageService::warning(form()->windowTitle(),
                                tr("%1 is being monitored right now and cannot be deleted. "
                                   "Stop monitoring first.")
                                    .arg(capitalized(name)),
                                form());
        return {};
    }
    const QLocale numbers(QLocale::English, QLocale::UnitedStates);
    QStringList counts;
    for (const Reference& reference : std::as_const(m_definition.references)) {
        QSqlQuery query
            = connection().exec(Dialect::referenceCountStatement(reference.table, reference.column, id));
        const qint64 count = query.next() ? query.value(0).toLongLong() : 0;
        if (count > 0)
            counts << QStringLiteral("%1 %2").arg(numbers.toString(count), count == 1 ? reference.one : reference.many);
    }
    if (counts.isEmpty())
        return tr("Delete %1?").arg(name);
    return tr("%1 has %2; %3. Delete it?").arg(capitalized(name), countList(counts), m_definition.referencesFate);
}

void TMaintenanceModule::deleteCurrent()
{
    const QString question = DeleteQuestion();
    if (question.isEmpty())
        return;
    const auto answer = MessageService::show(
        MessageService::Request::make(form()->windowTitle(), question, QMessageBox::Question,
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
        form());
    if (answer == QMessageBox::Yes)
        m_workingCopy->remove();
}

bool TMaintenanceModule::HasChanges() const
{
    const MemTable& copy = *m_workingCopy;
    if (!copy.isActive())
        return false;
    if (copy.isModified() || !copy.removedRows().isEmpty())
        return true;
    // A new row nothing was typed into is no change: it would be dropped.
    const int untouched = copy.state() == MemTable::Insert ? copy.recNo() : -1;
    for (int row = 0; row < copy.recordCount(); ++row)
        if (row != untouched && copy.rowStatusAt(row) != MemTable::Unchanged)
            return true;
    return false;
}

bool TMaintenanceModule::CanClose()
{
    if (!TCustomModule::CanClose())
        return false;
    if (m_written || !m_workingCopy || !HasChanges())
        return true;
    const auto answer = MessageService::show(
        MessageService::Request::make(form()->windowTitle(), tr("Discard your changes?"), QMessageBox::Question,
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
        form());
    return answer == QMessageBox::Yes;
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
    const QString pattern = m_definition.deleteTemplate.isEmpty()
                                ? QStringLiteral("delete from %1 where ID = %s").arg(m_definition.table)
                                : m_definition.deleteTemplate;
    return SqlTemplate::fill(pattern, {SqlValue::raw(id)});
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
        values << (field.kind == SqlValue::Integer
                       ? SqlValue::integer(value)
                       : SqlValue::raw(Dialect::textLiteral(databaseKind(), value.isNull() ? QString() : value.toString())));
    }
    return SqlTemplate::fill(pattern, values);
}

void TMaintenanceModule::ApplyChanges()
{
    MemTable& copy = *m_workingCopy;
    DbConnection& db = connection();
    // A pending row counts as entered, unless nothing was typed into it; it
    // stays posted even if the write fails.
    if (!settlePendingRow())
        return;
    // No row is written while one of them lacks a required value; the
    // cursor then stays on it.
    const int shown = copy.recNo();
    for (int row = 0; row < copy.recordCount(); ++row) {
        if (copy.rowStatusAt(row) == MemTable::Unchanged)
            continue;
        copy.setRecNo(row);
        if (!requiredFieldsPresent())
            return;
    }
    copy.setRecNo(shown);

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
    m_written = true;
    Close();
}

int TMaintenanceModule::databaseKind() const
{
    IMainModule* main = dmMain();
    return main ? main->DatabaseKind() : Dialect::kindOf(connection());
}
