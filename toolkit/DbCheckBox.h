#pragma once

#include <QCheckBox>
#include <QVariant>

class DataLink;
class DataSource;

// A check box bound to one field: a null field shows the undetermined
// state, a value equal to ValueChecked ticks it, one equal to ValueUnchecked
// clears it (anything else shows undetermined). Clicking writes
// ValueChecked or ValueUnchecked, starting an edit of the row.
class DbCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit DbCheckBox(QWidget* parent = nullptr);
    DbCheckBox(const QString& text, DataSource* source, const QString& field, QWidget* parent = nullptr);

    void setDataSource(DataSource* source);
    DataSource* dataSource() const;
    void setDataField(const QString& field);
    QString dataField() const;

    void setValueChecked(const QVariant& value);
    QVariant valueChecked() const { return m_checked; }
    void setValueUnchecked(const QVariant& value);
    QVariant valueUnchecked() const { return m_unchecked; }

protected:
    void nextCheckState() override;

private:
    void showValue();
    bool matches(const QVariant& fieldValue, const QVariant& wanted) const;

    DataLink* m_link;
    QVariant m_checked = 1;
    QVariant m_unchecked = 0;
};
