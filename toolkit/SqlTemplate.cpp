#include "toolkit/SqlTemplate.h"

#include "toolkit/AppError.h"

QString SqlTemplate::quoted(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

qint64 SqlTemplate::integerOf(const QVariant& value)
{
    if (value.isNull())
        return 0;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    if (ok)
        return number;
    const double real = value.toDouble(&ok);
    return ok ? qint64(real) : 0;
}

QString SqlValue::render() const
{
    switch (m_kind) {
    case Text:
        return SqlTemplate::quoted(m_value.isNull() ? QString() : m_value.toString());
    case Integer:
        return QString::number(SqlTemplate::integerOf(m_value));
    case Raw:
        return m_value.toString();
    }
    return {};
}

QString SqlTemplate::fill(const QString& pattern, const QList<SqlValue>& values)
{
    QString result;
    result.reserve(pattern.size() + 16 * values.size());
    int next = 0;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c != QLatin1Char('%') || i + 1 >= pattern.size()) {
            result += c;
            continue;
        }
        const QChar spec = pattern.at(++i);
        if (spec == QLatin1Char('%')) {
            result += spec;
            continue;
        }
        if (spec != QLatin1Char('s') && spec != QLatin1Char('d'))
            throw AppError(QStringLiteral("Unknown placeholder %%%1 in statement template").arg(spec));
        if (next >= values.size())
            throw AppError(QStringLiteral("Too few values for statement template: %1").arg(pattern));
        const SqlValue& value = values.at(next++);
        const bool wantsInteger = spec == QLatin1Char('d');
        if (wantsInteger != (value.kind() == SqlValue::Integer))
            throw AppError(QStringLiteral("Value %1 does not fit its placeholder in: %2").arg(next).arg(pattern));
        result += value.render();
    }
    if (next != values.size())
        throw AppError(QStringLiteral("Too many values for statement template: %1").arg(pattern));
    return result;
}
