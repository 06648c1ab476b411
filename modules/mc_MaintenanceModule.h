#pragma once

#include "framework/mc_CustomModule.h"
#include "toolkit/SqlTemplate.h"

#include <QList>
#include <QString>
#include <QStringList>

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
    // Rows of another table that point at a record of this one.
    struct Reference
    {
        QString table;    // e.g. "PROJECTWORK"
        QString column;   // e.g. "PROJECT_ID"
        QString one;      // "recorded interval"
        QString many;     // "recorded intervals"
    };
    struct RequiredField
    {
        QString field;
        QString label; // as the window labels it
    };
    // Which record the project monitor may be measuring right now.
    enum class Monitored { Nothing, Project, Developer };

    struct Definition
    {
        QString table;               // e.g. "PROJECTS"
        QString workingSourceName;   // e.g. "dsProjects"
        QString listStatement;       // empty: the window loads the copy itself
        QString updateTemplate;
        QList<TemplateField> updateFields;
        QString insertTemplate;
        QList<TemplateField> insertFields;
        QString deleteTemplate;      // %s the key; empty: a delete from the table
        QList<LookupDefinition> lookups;

        // The rules that keep records from being lost or written empty.
        QString keyField = QStringLiteral("ID"); // never edited in the grid
        QString noun;                            // "project"
        QStringList nameFields;                  // name a record in questions
        QString nameSeparator = QStringLiteral(" ");
        QList<Reference> references;             // counted before a delete
        QString referencesFate;                  // "they stay, without a project"
        QList<RequiredField> required;           // a row is not kept without them
        QStringList flagFields;                  // 0/1 check boxes in the grid
        Monitored monitored = Monitored::Nothing;
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

    // Whether anything was changed, deleted or entered since the window opened.
    bool HasChanges() const;
    // The question Delete asks about the current row; empty when the row may
    // not be deleted at all (the reason has then been shown).
    QString DeleteQuestion();

    // The statements a row produces, in the order ApplyChanges sends them.
    QString updateStatement() const;
    QString deleteStatement(const QString& id) const;

protected:
    virtual Definition definition() const = 0;

    void CreateData() override;
    void WireEvents() override;
    void DestroyData() override;
    void HandleEvent0(QObject* sender) override;
    bool CanClose() override;

    // Opens the list statement and fills the working copy with its rows.
    void LoadWorkingCopy(const QString& listStatement);
    DbConnection& connection() const;
    // The database kind of the connection, for the dialect's literals.
    int databaseKind() const;
    // The row being typed is posted, or dropped when nothing was typed into
    // it; false when it lacks a required value (the user has been shown which).
    bool settlePendingRow();

private:
    void configureGrid();
    void deleteCurrent();
    void saveCurrent();
    // Shows which required field the current row lacks; false when one does.
    bool requiredFieldsPresent();
    QString recordName() const;
    bool isMonitored(qint64 id) const;
    QWidget* form() const { return ModuleForm(); }
    QString fill(const QString& pattern, const QList<TemplateField>& fields) const;

    Definition m_definition;
    SqlQuery* m_listQuery = nullptr;
    MemTable* m_workingCopy = nullptr;
    QList<SqlQuery*> m_lookups;
    bool m_written = false; // Ok wrote the changes; closing asks nothing
};
