#pragma once

#include <QProcess>
#include <QString>

// The test support's TCP proxy (tcp-proxy.py) between the program and a
// server: it can pause the link the way a stalled network does, cut every
// connection, and refuse new ones.
class TcpProxy
{
public:
    // target: "host:port".
    explicit TcpProxy(const QString& target);
    ~TcpProxy();

    // "127.0.0.1:port", to put where the server's address goes.
    QString address() const;
    void pause();
    void resume();
    void cut();
    // Refuses new connections (true) or accepts them again.
    void refuse(bool refusing);

private:
    void signal(int number);

    QProcess m_process;
    int m_port = 0;
};
