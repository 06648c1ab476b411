#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// One running copy of a program per user session. The first start holds a
// lock file and listens on a local socket; a later start finds the lock,
// tells the first over the socket to come forward, and should then end.
// A lock or socket left by a killed run never blocks a start: a lock whose
// process is gone is taken over, and a socket file is replaced.
//
// Both files live in $XDG_RUNTIME_DIR (private to the user), else in a
// folder of the user's own (0700) in the temporary folder, named with the
// key and the user's id; a folder of that name that is someone else's, a
// link or open to others is passed over for the next name ("….1", "….2").
// With none to be had, claim() lets the start run without the lock.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True: this is the first start and now listens. False: another start of
    // the same user runs and has been asked to come forward.
    bool claim();

    QString lockFilePath() const { return m_lockPath; }
    QString serverName() const { return m_serverName; }

signals:
    // A later start asked this one to show itself.
    void activationRequested();

private:
    bool listen();
    bool askRunningToComeForward();

    QString m_lockPath;
    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
