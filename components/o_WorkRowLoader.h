#pragma once

#include <QObject>
#include <QPointer>
#include <QVariant>

class DbConnection;
class MemTable;

// Fills the main window's work rows one project at a time: the newest
// intervals when a project is chosen, older ones in packets as a view
// scrolls to the end of what was read, and single intervals in place when
// one starts or stops. No read touches another project's intervals.
class TqvWorkRowLoader : public QObject
{
    Q_OBJECT
public:
    TqvWorkRowLoader(DbConnection* connection, int databaseKind, MemTable* rows, QObject* parent = nullptr);
    ~TqvWorkRowLoader() override;

    // Rows read when a project is chosen, and per later packet.
    void setPacketSizes(int first, int later);
    int firstPacketSize() const { return m_firstPacket; }

    // Keeps the rows on the project of the list's current row (its keyField),
    // reading them whenever the list moves to another project or is reloaded.
    void followProjects(MemTable* projects, const QString& keyField);
    // While held, the list may move and reload without reading anything;
    // release() reads the current project's rows once, afresh. Reads that
    // follow the list show a refused statement to the user and never throw.
    void hold();
    void release();

    // The project's newest rows (a null key: none). Reads even when the
    // project is the one shown, so changes made since show.
    void showProject(const QVariant& projectId);
    QVariant shownProject() const { return m_projectId; }
    // The shown project's rows again, from its newest.
    void reload() { showProject(m_projectId); }
    bool hasMoreRows() const;
    void readNextPacket();

    // An interval written since the rows were read: its row is read again
    // and replaces the one shown, or, new to the shown project, is added on
    // top. An interval of another project changes nothing, and so does a
    // server that cannot be asked now. Returns whether the rows changed.
    bool refreshInterval(qint64 workId);

    // One interval with its names, as the rows hold it (an empty table when
    // there is none); throws DatabaseError with the driver's message.
    void readInterval(qint64 workId, MemTable& into) const;

private:
    void readPacket(int size);
    void followCurrent();

    QPointer<DbConnection> m_connection;
    int m_kind;
    QPointer<MemTable> m_rows; // a sibling that may be destroyed first
    QPointer<MemTable> m_projects;
    QString m_keyField;
    int m_holds = 0;
    QVariant m_projectId;
    qint64 m_oldestId = 0; // the lowest ID read so far; 0 before the first packet
    bool m_more = false;
    int m_firstPacket = 200;
    int m_laterPacket = 1000;
};
