#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Every failure the program reports to its user is one of these: the message
// is what the user reads, unchanged.
class AppError : public std::exception
{
public:
    explicit AppError(QString message);

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A statement or connection the database refused; carries the driver's text.
class DatabaseError : public AppError
{
public:
    using AppError::AppError;
};

// The text of any exception, for display.
QString errorMessage(const std::exception& error);
