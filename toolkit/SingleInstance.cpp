#include "toolkit/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace {
const QByteArray ComeForward = QByteArrayLiteral("show\n");

QString runtimeBase(const QString& key)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(key);
    return QDir(QDir::tempPath()).filePath(QStringLiteral("%1-%2").arg(key).arg(::getuid()));
}
} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent)
{
    const QString base = runtimeBase(key);
    m_lockPath = base + QStringLiteral(".lock");
    m_serverName = base + QStringLiteral(".socket");
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // Only a lock whose process is gone is stale, however old it is.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    m_lock->unlock();
}

bool SingleInstance::claim()
{
    if (m_lock->tryLock(0))
        return listen();
    if (askRunningToComeForward())
        return false;
    // The holder does not answer: it hangs or is no such program any more.
    // Take over rather than refuse to start.
    m_lock->removeStaleLockFile();
    if (m_lock->tryLock(0))
        return listen();
    return true;
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    // Private to the user; a socket file left by a killed run is replaced.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_serverName);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            auto readRequest = [this, socket] {
                if (socket->readAll().contains(ComeForward.trimmed()))
                    emit activationRequested();
            };
            connect(socket, &QLocalSocket::readyRead, this, readRequest);
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->bytesAvailable() > 0)
                readRequest();
        }
    });
    // Without a socket a later start cannot reach this one; it still runs.
    m_server->listen(m_serverName);
    return true;
}

bool SingleInstance::askRunningToComeForward()
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(150)) {
            socket.write(ComeForward);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(1000);
            return true;
        }
    }
    return false;
}
