#include "toolkit/FieldValues.h"

#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemColumn.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>

namespace {

constexpr qint64 msecsPerDay = 86400000;

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        return QStringLiteral("integer");
    case FieldType::Float:
        return QStringLiteral("floating point");
    case FieldType::Text:
        return QStringLiteral("text");
    case FieldType::Date:
        return QStringLiteral("date");
    case FieldType::DateTime:
        return QStringLiteral("date and time");
    case FieldType::Boolean:
        return QStringLiteral("boolean");
    }
    return QString();
}

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool parseNumber(const QString& text, double* number)
{
    bool ok = false;
    *number = text.toDouble(&ok);
    if (!ok)
        *number = QLocale().toDouble(text, &ok);
    return ok && std::isfinite(*number);
}

// Day counts from 1899-12-30, as older data files keep date-times.
QDateTime fromDayCount(double days)
{
    const double whole = std::floor(days);
    const qint64 msecs = qRound64((days - whole) * msecsPerDay);
    return QDateTime(QDate(1899, 12, 30).addDays(qint64(whole)), QTime(0, 0)).addMSecs(msecs);
}

QString trimmedZeros(QString text)
{
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

} // namespace

QVariant FieldValues::convert(const FieldDef& def, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return {};
    const bool isText = value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray;
    const QString text = isText ? value.toString().trimmed() : QString();
    if (def.type != FieldType::Text && isText && text.isEmpty())
        return {};
    auto invalid = [&] {
        return AppError(QStringLiteral("'%1' is not a valid %2 value for field '%3'")
                            .arg(value.toString(), typeName(def.type), def.name));
    };
    switch (def.type) {
    case FieldType::Integer:
    case FieldType::AutoInc: {
        if (value.typeId() == QMetaType::Bool)
            return qlonglong(value.toBool() ? 1 : 0);
        if (isText) {
            bool ok = false;
            const qlonglong number = text.toLongLong(&ok);
            if (ok)
                return number;
            double real = 0;
            if (parseNumber(text, &real) && real == std::floor(real) && std::fabs(real) < 9.2e18)
                return qlonglong(real);
            throw invalid();
        }
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            const double real = value.toDouble();
            if (!std::isfinite(real) || std::fabs(real) >= 9.2e18)
                throw invalid();
            return qlonglong(qRound64(real));
        }
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (!ok)
            throw invalid();
        return number;
    }
    case FieldType::Float: {
        if (isText) {
            double real = 0;
            if (!parseNumber(text, &real))
                throw invalid();
            return real;
        }
        bool ok = false;
        const double real = value.toDouble(&ok);
        if (!ok || !std::isfinite(real))
            throw invalid();
        return real;
    }
    case FieldType::Boolean: {
        if (isText) {
            const QString lower = text.toLower();
            if (lower == QLatin1String("true") || lower == QLatin1String("yes"))
                return true;
            if (lower == QLatin1String("false") || lower == QLatin1String("no"))
                return false;
            double real = 0;
            if (parseNumber(text, &real))
                return real != 0;
            throw invalid();
        }
        if (value.typeId() == QMetaType::Bool || isNumber(value))
            return value.toBool();
        throw invalid();
    }
    case FieldType::Text: {
        QString result = value.typeId() == QMetaType::QDateTime
                             ? value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                         : value.typeId() == QMetaType::QDate ? value.toDate().toString(QStringLiteral("yyyy-MM-dd"))
                                                               : value.toString();
        if (def.size > 0 && result.size() > def.size)
            result.truncate(def.size);
        return result;
    }
    case FieldType::Date: {
        QDate date;
        if (value.typeId() == QMetaType::QDate)
            date = value.toDate();
        else if (value.typeId() == QMetaType::QDateTime)
            date = value.toDateTime().date();
        else if (isNumber(value))
            date = fromDayCount(value.toDouble()).date();
        else if (isText)
            date = DbConnection::parseDateTime(text).date();
        if (!date.isValid())
            throw invalid();
        return date;
    }
    case FieldType::DateTime: {
        QDateTime moment;
        if (value.typeId() == QMetaType::QDateTime)
            moment = value.toDateTime().toLocalTime();
        else if (value.typeId() == QMetaType::QDate)
            moment = value.toDate().startOfDay();
        else if (isNumber(value))
            moment = fromDayCount(value.toDouble());
        else if (isText)
            moment = DbConnection::parseDateTime(text);
        if (!moment.isValid())
            throw invalid();
        return moment;
    }
    }
    return {};
}

QString FieldValues::displayText(const MemColumn& column, size_t row)
{
    if (column.isNull(row))
        return {};
    switch (column.type) {
    case FieldType::Integer:
    case FieldType::AutoInc:
        return QString::number(column.ints[row]);
    case FieldType::Boolean:
        return column.ints[row] ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date:
        return QDate::fromJulianDay(column.ints[row]).toString(QStringLiteral("yyyy-MM-dd"));
    case FieldType::DateTime:
        return MemColumn::fromWallClock(column.ints[row]).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case FieldType::Float:
        return trimmedZeros(QString::number(column.reals[row], 'f', 4));
    case FieldType::Text:
        return column.text(row);
    }
    return {};
}
