#include "toolkit/AppError.h"

AppError::AppError(QString message, QString detail)
    : m_message(std::move(message))
    , m_detail(std::move(detail))
    , m_utf8(m_message.toUtf8())
{
}

QString errorMessage(const std::exception& error)
{
    if (auto* app = dynamic_cast<const AppError*>(&error))
        return app->message();
    return QString::fromUtf8(error.what());
}

QString errorDetail(const std::exception& error)
{
    if (auto* app = dynamic_cast<const AppError*>(&error))
        return app->detail();
    return QString();
}
