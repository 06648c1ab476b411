#include "toolkit/AppError.h"

AppError::AppError(QString message)
    : m_message(std::move(message))
    , m_utf8(m_message.toUtf8())
{
}

QString errorMessage(const std::exception& error)
{
    if (auto* app = dynamic_cast<const AppError*>(&error))
        return app->message();
    return QString::fromUtf8(error.what());
}
