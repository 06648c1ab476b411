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

QString HourwrightApplication::informationRequested(const QStringList& arguments)
{
    const QString first = arguments.value(1);
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("-?"))
        return helpText();
    if (first == QLatin1String("--version") || first == QLatin1String("-v"))
        return versionText();
    return QString();
}

QString HourwrightApplication::versionText()
{
    return QStringLiteral("hourwright %1\n").arg(QStringLiteral(HW_VERSION));
}

QString HourwrightApplication::helpText()
{
    return QStringLiteral(
        "Usage: hourwright [-setup | -hidden]\n"
        "Records the time you spend on software projects: sign in, pick a project, Start\n"
        "Monitoring (F7) and Stop Monitoring (F8). Closing the window keeps Hourwright in the\n"
        "notification area; a second start brings the running one's window back.\n"
        "\n"
        "  -setup         edit the connection settings in the settings window, before any\n"
        "                 database is reachable (beside a running Hourwright too)\n"
        "  -hidden        after the sign-in, keep the window in the notification area\n"
        "  -h, --help     print this help and end\n"
        "  -v, --version  print the version and end\n"
        "\n"
        "Options: options.ini beside the program, else $XDG_CONFIG_HOME/Hourwright/options.ini.\n"
        "See hourwright(1); hourwright-cli and hourwright-db work on the same database.\n");
}
