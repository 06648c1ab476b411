#include "app/o_Application.h"

#include "toolkit/AppError.h"
#include "toolkit/MessageService.h"

#include <cstdio>

HourwrightApplication::HourwrightApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // Also what a team server's administrator sees in pg_stat_activity.
    setApplicationName(QStringLiteral("Hourwright"));
}

bool HourwrightApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        MessageService::error(QStringLiteral("Hourwright"), error);
    } catch (...) {
        MessageService::error(QStringLiteral("Hourwright"), QStringLiteral("Unknown error"));
    }
    return false;
}

bool HourwrightApplication::isSetupMode(const QStringList& arguments)
{
    return arguments.size() > 1 && arguments.at(1).compare(QLatin1String("-setup"), Qt::CaseInsensitive) == 0;
}

bool HourwrightApplication::startsHidden(const QStringList& arguments)
{
    return arguments.size() > 1 && arguments.at(1).compare(QLatin1String("-hidden"), Qt::CaseInsensitive) == 0;
}

void HourwrightApplication::reportStartupFailure(const QString& message)
{
    std::fprintf(stderr, "hourwright: %s\n", message.toLocal8Bit().constData());
    MessageService::error(QStringLiteral("Application Error"), message);
}
