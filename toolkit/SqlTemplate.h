#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// A value to put into a statement template. Texts go in single quotes with
// every inner quote doubled, integers in decimal (an empty value as 0), raw
// text as it stands (the key of a delete statement).
class SqlValue
{
public:
    enum Kind { Text, Integer, Raw };

    SqlValue() = default;
    static SqlValue text(const QVariant& value) { return {Text, value}; }
    static SqlValue integer(const QVariant& value) { return {Integer, value}; }
    static SqlValue raw(const QString& value) { return {Raw, value}; }

    Kind kind() const { return m_kind; }
    QString render() const;

private:
    SqlValue(Kind kind, QVariant value)
        : m_kind(kind)
        , m_value(std::move(value))
    {
    }
    Kind m_kind = Raw;
    QVariant m_value;
};

namespace SqlTemplate {
// 'text' with inner quotes doubled; the empty text gives ''.
QString quoted(const QString& text);
// The integer form of a stored value: empty or null gives 0.
qint64 integerOf(const QVariant& value);
// Fills each %s (a Text or Raw value) and %d (an Integer value) in order;
// "%%" stands for one percent sign. A missing or mismatched value is a
// programming error and throws.
QString fill(const QString& pattern, const QList<SqlValue>& values);
} // namespace SqlTemplate
