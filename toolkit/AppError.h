#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Every failure the program reports to its user is one of these: the message
// is what the user reads, unchanged.
class AppError : public std::exception
{
public:
    explicit AppError(QString message, QString detail = QString());

    const QString& message() const noexcept { return m_message; }
    // What lies behind the message (a driver's own text), for a box's
    // details; empty when the message says it all.
    const QString& detail() const noexcept { return m_detail; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QString m_detail;
    QByteArray m_utf8;
};

// A statement or connection the database refused; carries the driver's text.
class DatabaseError : public AppError
{
public:
    using AppError::AppError;
};

// The server could not do it now: it cannot be reached, the connection was
// lost, or it did not answer in time. The same action may succeed later;
// the message says so in words and the detail carries the driver's text.
class DatabaseUnavailable : public DatabaseError
{
public:
    using DatabaseError::DatabaseError;
};

// The text of any exception, for display.
QString errorMessage(const std::exception& error);
// Its detail, when it has one.
QString errorDetail(const std::exception& error);
