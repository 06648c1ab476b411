#pragma once

#include <functional>

// Ending the program from deep inside a handler: the request ends every
// running event loop (modal ones included) once control returns to them.
// Tests replace the handler and see the request instead.
class ApplicationControl
{
public:
    static void terminate();
    static void setTerminateHandler(std::function<void()> handler); // empty: quit the application
};
