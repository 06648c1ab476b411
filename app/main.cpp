#include "app/o_Application.h"
#include "app/o_StartUp.h"

int main(int argc, char* argv[])
{
    HourwrightApplication app(argc, argv);
    return StartUp::run(app);
}
