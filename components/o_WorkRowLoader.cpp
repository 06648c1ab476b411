#include "components/o_WorkRowLoader.h"

#include "components/o_Dialect.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QCoreApplication>

TqvWorkRowLoader::TqvWorkRowLoader(DbConnection* connection, int databaseKind, MemTable* rows, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_kind(databaseKind)
    , m_rows(rows)
{
    m_rows->setPacketReader([this] { readNextPacket(); });
}

TqvWorkRowLoader::~TqvWorkRowLoader()
{
    if (m_rows)
        m_rows->setPacketReader({});
}

void TqvWorkRowLoader::setPacketSizes(int first, int later)
{
    m_firstPacket = std::max(first, 1);
    m_laterPacket = std::max(later, 1);
}

void TqvWorkRowLoader::followProjects(MemTable* projects, const QString& keyField)
{
    if (m_projects)
        disconnect(m_projects, nullptr, this, nullptr);
    m_projects = projects;
    m_keyField = keyField;
    if (!projects)
        return;
    connect(projects, &MemTable::currentChanged, this, [this] {
        const QVariant key = m_projects->isActive() && m_projects->recNo() >= 0 ? m_projects->value(m_keyField)
                                                                                 : QVariant();
        if (key != m_projectId || !m_rows->isActive())
            followCurrent();
    });
    // A reloaded list may come with changed rows: read them afresh.
    connect(projects, &MemTable::rowsReset, this, &TqvWorkRowLoader::followCurrent);
    followCurrent();
}

void TqvWorkRowLoader::hold()
{
    ++m_holds;
}

void TqvWorkRowLoader::release()
{
    if (m_holds > 0 && --m_holds == 0)
        followCurrent();
}

void TqvWorkRowLoader::followCurrent()
{
    if (m_holds > 0 || !m_projects)
        return;
    const QVariant key = m_projects->isActive() && m_projects->recNo() >= 0 ? m_projects->value(m_keyField)
                                                                             : QVariant();
    // Called from the list's signals, inside Qt, and from clean-up code: a
    // refused read is shown here and leaves the grid empty.
    try {
        showProject(key);
    } catch (const AppError& error) {
        m_projectId = QVariant();
        m_more = false;
        m_rows->close();
        MessageService::error(QCoreApplication::applicationName(), error.message());
    }
}

void TqvWorkRowLoader::showProject(const QVariant& projectId)
{
    m_projectId = projectId;
    m_oldestId = 0;
    m_more = false;
    readPacket(m_firstPacket);
}

bool TqvWorkRowLoader::hasMoreRows() const
{
    return m_more;
}

void TqvWorkRowLoader::readNextPacket()
{
    if (m_more)
        readPacket(m_laterPacket);
}

void TqvWorkRowLoader::readPacket(int size)
{
    bool isNumber = false;
    const qint64 project = m_projectId.toLongLong(&isNumber);
    const bool first = m_oldestId == 0;
    // Without a project the statement still gives the fields, and no row.
    const bool none = m_projectId.isNull() || !isNumber;
    SqlQuery packet(m_connection, none ? Dialect::workRowsOfProjectStatement(m_kind, 0, 0, 0)
                                       : Dialect::workRowsOfProjectStatement(m_kind, project, m_oldestId, size));
    packet.open();
    const int count = packet.recordCount();
    if (count > 0) {
        packet.last();
        m_oldestId = packet.value(QStringLiteral("ID")).toLongLong();
    }
    m_more = !none && count == size;
    if (first)
        m_rows->loadFrom(packet);
    else
        m_rows->insertRows(m_rows->recordCount(), packet);
    m_rows->setMoreRows(m_more);
}

bool TqvWorkRowLoader::refreshInterval(qint64 workId)
{
    if (!m_rows->isActive() || m_projectId.isNull() || workId <= 0)
        return false;
    SqlQuery one(m_connection, Dialect::workRowStatement(m_kind, workId));
    try {
        one.open();
    } catch (const DatabaseUnavailable&) {
        // A row the server cannot give now stays as shown; it is read again
        // once the server has the change.
        return false;
    }
    const int idField = m_rows->fieldIndex(QStringLiteral("ID"));
    if (idField < 0)
        return false;
    const int count = m_rows->recordCount();
    int position = 0;
    qint64 id = 0;
    while (position < count && m_rows->intAt(position, idField, &id) && id > workId)
        ++position;
    const bool shown = position < count && m_rows->intAt(position, idField, &id) && id == workId;
    if (one.isEmpty())
        return false;
    if (shown) {
        m_rows->replaceRow(position, one);
        return true;
    }
    if (one.value(QStringLiteral("PROJECT_ID")) != m_projectId)
        return false;
    // Rows below the oldest one read come with a later packet.
    if (m_more && workId < m_oldestId)
        return false;
    m_rows->insertRows(position, one);
    return true;
}

void TqvWorkRowLoader::readInterval(qint64 workId, MemTable& into) const
{
    SqlQuery one(m_connection, Dialect::workRowStatement(m_kind, workId));
    one.open();
    into.close();
    into.loadFrom(one);
}
