#include "app/o_Application.h"
#include "app/o_StartUp.h"
#include "toolkit/MessageService.h"

#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[])
{
    // Answered before the application exists: no display is needed for them.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString information = HourwrightApplication::informationRequested(arguments);
    if (!information.isEmpty()) {
        std::fputs(information.toLocal8Bit().constData(), stdout);
        return 0;
    }
    HourwrightApplication app(argc, argv);
    MessageService::answerFromEnvironment();
    return StartUp::run(app);
}
