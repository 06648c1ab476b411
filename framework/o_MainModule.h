#pragma once

class DbConnection;
class TqvProjectMonitor;

// What every window reaches through the main controller: the one connection
// and the one project monitor. The main controller implements it, so windows
// need not include the application.
class IMainModule
{
public:
    virtual ~IMainModule() = default;
    virtual DbConnection* AdoConn() const = 0;
    virtual TqvProjectMonitor* ProjectMonitor() const = 0;
    virtual int DatabaseKind() const = 0;
};

// The running main controller (null in set-up mode and before start-up).
IMainModule* dmMain();
// The main controller's open connection; raises AppError when there is none.
DbConnection& mainConnection();
void setDmMain(IMainModule* main);
