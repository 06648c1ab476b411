#include "toolkit/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray ComeForward = QByteArrayLiteral("show\n");

// Folders of this name tried in the temporary folder before giving up.
constexpr int PrivateFolderCandidates = 8;

// A folder only this user can enter: made 0700 when missing, or one that
// exists, is no link, belongs to this user and is closed to others.
bool isPrivateFolder(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info{};
    return ::lstat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid()
           && (info.st_mode & 077) == 0;
}

QString runtimeBase(const QString& key)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(key);
    // The temporary folder is everyone's: a name there could be planted by
    // another user to keep this program from starting. The lock and socket
    // go into a folder of this user's own, the first of the candidates that
    // is (every start tries them in the same order, so all meet in one).
    const QString stem = QDir(QDir::tempPath()).filePath(QStringLiteral("%1-%2").arg(key).arg(::getuid()));
    for (int candidate = 0; candidate < PrivateFolderCandidates; ++candidate) {
        const QString folder = candidate == 0 ? stem : QStringLiteral("%1.%2").arg(stem).arg(candidate);
        if (isPrivateFolder(folder))
            return QDir(folder).filePath(key);
    }
    return QString();
}
} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent)
{
    const QString base = runtimeBase(key);
    if (base.isEmpty())
        return;
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
    if (m_lock)
        m_lock->unlock();
}

bool SingleInstance::claim()
{
    if (!m_lock) {
        // No private place for the lock: this start runs unguarded rather
        // than not at all.
        std::fprintf(stderr, "%s: no private folder for the one-instance lock in %s; starting without it\n",
                     qPrintable(QCoreApplication::applicationName()), qPrintable(QDir::tempPath()));
        return true;
    }
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
