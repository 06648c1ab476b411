#include "components/o_SearchCriteria.h"

#include "toolkit/AppError.h"
#include "toolkit/MemTable.h"

namespace {

const QString kId = QStringLiteral("ID");
const QString kJoinTableName = QStringLiteral("JoinTableName");
const QString kJoinOperator = QStringLiteral("JoinOperator");
const QString kJoinTableAliasName = QStringLiteral("JoinTableAliasName");
const QString kSelectFieldName = QStringLiteral("SelectFieldName");
const QString kCriteriaFieldName = QStringLiteral("CriteriaFieldName");
const QString kCriteriaFieldValue = QStringLiteral("CriteriaFieldValue");
const QString kCriteriaValueOperator = QStringLiteral("CriteriaValueOperator");
const QString kCriteriaBooleanOperator = QStringLiteral("CriteriaBooleanOperator");
const QString kJoinFieldName = QStringLiteral("JoinFieldName");
const QString kTableNameToJoin = QStringLiteral("TableNameToJoin");
const QString kJoinTableField = QStringLiteral("JoinTableField");

// Reads rows by position, so composing a statement never moves a cursor.
QVariant at(const MemTable& table, int row, const QString& field)
{
    return table.valueAt(row, table.fieldIndex(field));
}

QString textAt(const MemTable& table, int row, const QString& field)
{
    return at(table, row, field).toString();
}

// The first row whose field equals the text exactly, or -1.
int findRow(const MemTable& table, const QString& field, const QString& text)
{
    const int column = table.fieldIndex(field);
    for (int row = 0; row < table.recordCount(); ++row) {
        const QVariant value = table.valueAt(row, column);
        if (!value.isNull() && value.toString() == text)
            return row;
    }
    return -1;
}

} // namespace

TSearchCriteriaManager::TSearchCriteriaManager(QObject* owner)
    : QObject(owner)
    , m_joinTables(new MemTable(this))
    , m_selectFields(new MemTable(this))
    , m_criteria(new MemTable(this))
    , m_joinLinks(new MemTable(this))
{
    m_joinTables->setObjectName(QStringLiteral("JoinTables"));
    m_selectFields->setObjectName(QStringLiteral("SelectFields"));
    m_criteria->setObjectName(QStringLiteral("Criteria"));
    m_joinLinks->setObjectName(QStringLiteral("JoinLinks"));
    CreateTables();
}

TSearchCriteriaManager::~TSearchCriteriaManager() = default;

void TSearchCriteriaManager::CreateTables()
{
    m_joinTables->addField(kId, FieldType::AutoInc);
    m_joinTables->addField(kJoinTableName, FieldType::Text, 50);
    m_joinTables->addField(kJoinOperator, FieldType::Text, 50);
    m_joinTables->addField(kJoinTableAliasName, FieldType::Text, 50);
    m_joinTables->open();

    m_selectFields->addField(kSelectFieldName, FieldType::Text, 50);
    m_selectFields->addField(kJoinTableName, FieldType::Text, 50);
    m_selectFields->open();

    m_criteria->addField(kCriteriaFieldName, FieldType::Text, 50);
    m_criteria->addField(kCriteriaFieldValue, FieldType::Text, 50);
    m_criteria->addField(kCriteriaValueOperator, FieldType::Text, 10);
    m_criteria->addField(kCriteriaBooleanOperator, FieldType::Text, 15);
    m_criteria->open();

    m_joinLinks->addField(kJoinFieldName, FieldType::Text, 50);
    m_joinLinks->addField(kJoinTableName, FieldType::Text, 50);
    m_joinLinks->addField(kTableNameToJoin, FieldType::Text, 50);
    m_joinLinks->addField(kJoinTableField, FieldType::Text, 50);
    m_joinLinks->addField(kJoinTableAliasName, FieldType::Text, 50);
    m_joinLinks->open();
}

int TSearchCriteriaManager::AddJoinTable(const QString& TableName, const QString& AliasName, TJoinType JoinType)
{
    m_joinTables->append();
    m_joinTables->setValue(kJoinTableName, TableName);
    m_joinTables->setValue(kJoinOperator, JoinTypeToStr(JoinType));
    m_joinTables->setValue(kJoinTableAliasName, AliasName);
    m_joinTables->post();
    return m_joinTables->value(kId).toInt();
}

void TSearchCriteriaManager::AddJoinLink(const QString& JoinFieldName, const QString& JoinTableName,
                                         const QString& TableNameToJoin, const QString& JoinTableField,
                                         int JoinTableID, bool AddToSelect)
{
    if (AddToSelect)
        throw AppError(QStringLiteral("A join link cannot add its own select entry (%1.%2); add the column with "
                                      "AddJoinSelectField instead.")
                           .arg(JoinTableName, JoinFieldName));
    int row = -1;
    if (JoinTableID != 0) {
        const int column = m_joinTables->fieldIndex(kId);
        for (int r = 0; r < m_joinTables->recordCount() && row < 0; ++r)
            if (m_joinTables->valueAt(r, column).toLongLong() == JoinTableID)
                row = r;
    } else {
        row = findRow(*m_joinTables, kJoinTableName, JoinTableName);
    }
    if (row < 0)
        return;
    const QVariant alias = at(*m_joinTables, row, kJoinTableAliasName);
    m_joinLinks->append();
    m_joinLinks->setValue(kJoinFieldName, JoinFieldName);
    m_joinLinks->setValue(kJoinTableName, JoinTableName);
    m_joinLinks->setValue(kTableNameToJoin, TableNameToJoin);
    m_joinLinks->setValue(kJoinTableField, JoinTableField);
    m_joinLinks->setValue(kJoinTableAliasName, alias);
    m_joinLinks->post();
}

void TSearchCriteriaManager::AddSelectField(const QString& FieldName)
{
    m_selectFields->append();
    m_selectFields->setValue(kSelectFieldName, FieldName);
    m_selectFields->post();
}

void TSearchCriteriaManager::AddJoinSelectField(const QString& FieldName, const QString& TableName)
{
    m_selectFields->append();
    m_selectFields->setValue(kSelectFieldName, FieldName);
    m_selectFields->setValue(kJoinTableName, TableName);
    m_selectFields->post();
}

void TSearchCriteriaManager::AddCriteria(const QString& FieldName, TValueOperator ValueOperator,
                                         TBooleanOperator BooleanOperator)
{
    m_criteria->append();
    m_criteria->setValue(kCriteriaFieldName, FieldName);
    m_criteria->setValue(kCriteriaValueOperator, ValueOperatorToStr(ValueOperator));
    m_criteria->setValue(kCriteriaBooleanOperator, BooleanOperatorToStr(BooleanOperator));
    m_criteria->post();
}

void TSearchCriteriaManager::SetCriteriaValue(const QString& FieldName, const QVariant& Value, bool Quoted)
{
    const int row = findRow(*m_criteria, kCriteriaFieldName, FieldName);
    if (row < 0)
        return;
    QVariant stored;
    if (Value.isValid() && !Value.isNull()) {
        QString text = Value.toString();
        // A quoted value is data, never SQL: its quotes cannot end the literal.
        if (Quoted)
            text = QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
        // Cut to the column's width it would become another condition.
        const int width = m_criteria->fieldDef(m_criteria->fieldIndex(kCriteriaFieldValue)).size;
        if (text.size() > width)
            throw AppError(QStringLiteral("The value for %1 is longer than %2 characters: %3")
                               .arg(FieldName)
                               .arg(width)
                               .arg(text));
        stored = text;
    }
    m_criteria->setRecNo(row);
    m_criteria->edit();
    m_criteria->setValue(kCriteriaFieldValue, stored);
    m_criteria->post();
}

QString TSearchCriteriaManager::GetSQL()
{
    QString sql = QStringLiteral(" select ") + GetSelectClause() + QStringLiteral(" from  ") + MainTableName
                  + GetJoinClause();
    const QString where = GetWhereClause();
    if (!where.isEmpty())
        sql += QStringLiteral(" where ") + where;
    if (!OrderBy.isEmpty())
        sql += QStringLiteral(" order by ") + OrderBy;
    return sql;
}

QString TSearchCriteriaManager::GetSelectClause()
{
    QStringList entries;
    const MemTable& table = *m_selectFields;
    for (int row = 0; row < table.recordCount(); ++row) {
        const QVariant qualifier = at(table, row, kJoinTableName);
        entries << QStringLiteral("%1.%2").arg(qualifier.isNull() ? MainTableName : qualifier.toString(),
                                               textAt(table, row, kSelectFieldName));
    }
    return entries.join(QLatin1Char(','));
}

QString TSearchCriteriaManager::GetJoinClause()
{
    QString result;
    const MemTable& links = *m_joinLinks;
    for (int row = 0; row < links.recordCount(); ++row) {
        const QString table = textAt(links, row, kJoinTableName);
        const QString keyword = GetJoinOperator(table);
        const QString alias = textAt(links, row, kJoinTableAliasName);
        const bool hasAlias = !alias.trimmed().isEmpty();
        // Filled in one go, so that a '%' in a name cannot be taken for a marker.
        result += QStringLiteral(" %1 %2 on %3.%4 = %5.%6")
                      .arg(keyword, hasAlias ? table + QLatin1Char(' ') + alias : table, hasAlias ? alias : table,
                           textAt(links, row, kJoinTableField), textAt(links, row, kTableNameToJoin),
                           textAt(links, row, kJoinFieldName));
        result += QLatin1Char('\r');
    }
    return result;
}

QString TSearchCriteriaManager::GetWhereClause()
{
    const int count = GetCriteriaCount();
    const QString between = ValueOperatorToStr(voBetween);
    QString result;
    int i = 1;
    const MemTable& criteria = *m_criteria;
    for (int row = 0; row < criteria.recordCount(); ++row) {
        const QVariant value = at(criteria, row, kCriteriaFieldValue);
        if (value.isNull())
            continue;
        const QString name = textAt(criteria, row, kCriteriaFieldName);
        const QString op = textAt(criteria, row, kCriteriaValueOperator);
        if (i == count)
            result += QStringLiteral("(%1 %2 %3)").arg(name, op, value.toString())
                      + (op == between ? QString() : QStringLiteral(" "));
        else
            result += QStringLiteral("(%1 %2 %3) %4 ")
                          .arg(name, op, value.toString(), textAt(criteria, row, kCriteriaBooleanOperator));
        ++i;
    }
    return result;
}

int TSearchCriteriaManager::GetCriteriaCount()
{
    const int column = m_criteria->fieldIndex(kCriteriaFieldValue);
    int count = 0;
    for (int row = 0; row < m_criteria->recordCount(); ++row)
        if (!m_criteria->valueAt(row, column).isNull())
            ++count;
    return count;
}

QString TSearchCriteriaManager::GetJoinOperator(const QString& TableName)
{
    const int row = findRow(*m_joinTables, kJoinTableName, TableName);
    return row < 0 ? QString() : textAt(*m_joinTables, row, kJoinOperator);
}

QString TSearchCriteriaManager::ValueOperatorToStr(TValueOperator ValueOperator) const
{
    switch (ValueOperator) {
    case voEqual:
        return QStringLiteral("=");
    case voGreater:
        return QStringLiteral(">");
    case voLess:
        return QStringLiteral("<");
    case voGreaterOrEqual:
        return QStringLiteral(">=");
    case voLessOrEqual:
        return QStringLiteral("<=");
    case voNotEqual:
        return QStringLiteral("<>");
    case voBetween:
        return QStringLiteral("BETWEEN");
    case voIn:
        return QStringLiteral("IN");
    }
    return QString();
}

QString TSearchCriteriaManager::BooleanOperatorToStr(TBooleanOperator BooleanOperator) const
{
    switch (BooleanOperator) {
    case boAnd:
        return QStringLiteral(" and ");
    case boOr:
        return QStringLiteral(" or ");
    }
    return QString();
}

QString TSearchCriteriaManager::JoinTypeToStr(TJoinType JoinType) const
{
    switch (JoinType) {
    case jtLeftJoin:
        return QStringLiteral(" left join ");
    case jtRightJoin:
        return QStringLiteral(" right join ");
    case jtInnerJoin:
        return QStringLiteral(" inner join ");
    case jtUnion:
        return QStringLiteral(" union ");
    }
    return QString();
}
