#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class MemTable;

enum TValueOperator : quint8 {
    voEqual,
    voGreater,
    voLess,
    voGreaterOrEqual,
    voLessOrEqual,
    voNotEqual,
    voBetween,
    voIn,
};

enum TBooleanOperator : quint8 { boAnd, boOr };

enum TJoinType : quint8 { jtLeftJoin, jtRightJoin, jtInnerJoin, jtUnion };

// Composes one select statement from lists its owner fills once: the main
// table, the joined tables with their on-conditions, the select list and a
// set of named criteria. Before each search the owner gives every criterion
// a value or clears it; criteria without a value are left out.
//
// The text is dialect-neutral and the builder knows nothing of the database
// kind; rows are only ever appended and appear in the order they were added.
class TSearchCriteriaManager : public QObject
{
    Q_OBJECT
public:
    explicit TSearchCriteriaManager(QObject* owner = nullptr);
    ~TSearchCriteriaManager() override;

    QString MainTableName;
    // The statement's order ("T.ID"); without one the rows come in
    // whatever order the database's plan gives, which differs between kinds.
    QString OrderBy;

    // Returns the ID the new row was given.
    int AddJoinTable(const QString& TableName, const QString& AliasName, TJoinType JoinType);
    // Binds to the JoinTables row with JoinTableID, or (ID 0) the first of
    // that name; a table never added makes this do nothing. AddToSelect is
    // refused with an AppError before anything changes: the entry it would
    // add names the joined table with the other table's column, which is no
    // column of either once the table has an alias. Callers add the select
    // entry they mean with AddJoinSelectField.
    void AddJoinLink(const QString& JoinFieldName, const QString& JoinTableName, const QString& TableNameToJoin,
                     const QString& JoinTableField, int JoinTableID = 0, bool AddToSelect = false);
    void AddSelectField(const QString& FieldName);
    void AddJoinSelectField(const QString& FieldName, const QString& TableName);
    void AddCriteria(const QString& FieldName, TValueOperator ValueOperator, TBooleanOperator BooleanOperator);
    // A null Value clears the criterion. Unquoted, the value's text goes into
    // the statement as SQL (a BETWEEN's "x and y", an IN list); quoted, it
    // becomes one SQL string literal, its own quotes doubled. A value text
    // (quotes included) wider than the column raises AppError instead of
    // being cut into a different condition.
    void SetCriteriaValue(const QString& FieldName, const QVariant& Value, bool Quoted);

    QString GetSQL();

    virtual QString GetSelectClause();
    virtual QString GetJoinClause();
    virtual QString GetWhereClause();
    virtual int GetCriteriaCount();
    virtual QString GetJoinOperator(const QString& TableName);
    virtual QString ValueOperatorToStr(TValueOperator ValueOperator) const;
    virtual QString BooleanOperatorToStr(TBooleanOperator BooleanOperator) const;
    virtual QString JoinTypeToStr(TJoinType JoinType) const;

    MemTable* JoinTables() const { return m_joinTables; }
    MemTable* SelectFields() const { return m_selectFields; }
    MemTable* Criteria() const { return m_criteria; }
    MemTable* JoinLinks() const { return m_joinLinks; }

protected:
    virtual void CreateTables();

private:
    MemTable* m_joinTables;
    MemTable* m_selectFields;
    MemTable* m_criteria;
    MemTable* m_joinLinks;
};
