#pragma once

#include "framework/mc_CustomModule.h"
#include "toolkit/SqlTemplate.h"

#include <QList>
#include <QString>

class DbConnection;
class MemTable;
class SqlQuery;

// The record-maintenance pattern: the window loads its whole table into a
// working copy; New, Edit, Save and Delete act on the copy only; Ok writes
// the changes back in one transaction and closes; Cancel writes nothing.
//
// A window is its form plus a definition: the table, the list statement, the
// update and insert templates with their fields, and its lookups.
class TMaintenanceModule : public TCustomModule
{
    Q_OBJECT
public:
    enum Command { cmdCancel = 100, cmdSave = 101, cmdOk = 102, cmdNew = 200, cmdEdit = 201, cmdDelete = 203 };

    struct TemplateField
    {
        QString name;
        SqlValue::Kind kind;
    };
    struct LookupDefinition
    {
        QString sourceName; // the form's data source that shows it
        QString statement;
    };
    struct Definition
    {
        QString table;               // e.g. "PROJECTS"
        QString workingSourceName;   // e.g. "dsProjects"
        QString listStatement;       // empty: the window loads the copy itself
        QString updateTemplate;
        QList<TemplateField> updateFields;
        QString insertTemplate;
        QList<TemplateField> insertFields;
        QList<LookupDefinition> lookups;
    };

    using TCustomModule::TCustomModule;
    ~TMaintenanceModule() override;

    MemTable* WorkingCopy() const { return m_workingCopy; }
    SqlQuery* ListQuery() const { return m_listQuery; }
    SqlQuery* LookupQuery(int index) const { return m_lookups.value(index); }

    // Writes the working copy's changes: deletions, then changed and new
    // rows (updated when the key is stored, inserted otherwise), in one
    // transaction; then closes the window. On failure nothing is written,
    // the window stays open and the error reaches the user.
    void ApplyChanges();
    bool RecordExists(int id);

    // The statements a row produces, in the order ApplyChanges sends them.
    QString updateStatement() const;
    QString deleteStatement(const QString& id) const;

protected:
    virtual Definition definition() const = 0;

    void CreateData() override;
    void WireEvents() override;
    void DestroyData() override;
    void HandleEvent0(QObject* sender) override;

    // Opens the list statement and fills the working copy with its rows.
    void LoadWorkingCopy(const QString& listStatement);
    DbConnection& connection() const;

private:
    QString fill(const QString& pattern, const QList<TemplateField>& fields) const;

    Definition m_definition;
    SqlQuery* m_listQuery = nullptr;
    MemTable* m_workingCopy = nullptr;
    QList<SqlQuery*> m_lookups;
};
