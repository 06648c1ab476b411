#include "app/o_Application.h"
#include "app/o_StartUp.h"
#include "toolkit/MessageService.h"

int main(int argc, char* argv[])
{
    HourwrightApplication app(argc, argv);
    MessageService::answerFromEnvironment();
    return StartUp::run(app);
}
