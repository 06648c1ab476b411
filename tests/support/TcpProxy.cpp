#include "support/TcpProxy.h"

#include "toolkit/AppError.h"

#include <csignal>

TcpProxy::TcpProxy(const QString& target)
{
    m_process.setProgram(QStringLiteral("python3"));
    m_process.setArguments({QStringLiteral(HW_TEST_SUPPORT_DIR "/tcp-proxy.py"), target});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(5000) || !m_process.waitForReadyRead(5000))
        throw AppError(QStringLiteral("The test proxy did not start: %1").arg(m_process.errorString()));
    m_port = m_process.readLine().trimmed().toInt();
    if (m_port <= 0)
        throw AppError(QStringLiteral("The test proxy gave no port"));
}

TcpProxy::~TcpProxy()
{
    resume();
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString TcpProxy::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void TcpProxy::signal(int number)
{
    if (m_process.processId() > 0)
        ::kill(pid_t(m_process.processId()), number);
}

void TcpProxy::pause()
{
    signal(SIGSTOP);
}

void TcpProxy::resume()
{
    signal(SIGCONT);
}

void TcpProxy::cut()
{
    signal(SIGUSR1);
}

void TcpProxy::refuse(bool refusing)
{
    // Two of the same signal sent while the proxy is paused arrive as one:
    // each state has a signal of its own.
    signal(refusing ? SIGUSR2 : SIGHUP);
}
