#pragma once

#include "components/o_ProjectMonitor.h"
#include "framework/o_MainModule.h"
#include "support/TestDatabase.h"

// Stands in for the main controller: windows reach the test database's
// connection and a monitor through it, without a sign-in.
class TestMain : public IMainModule
{
public:
    explicit TestMain(TestDatabase& db, int kind = 0)
        : m_db(db)
        , m_kind(kind)
    {
        m_monitor.setAdoConnection(&db.connection());
        setDmMain(this);
    }
    ~TestMain() override { setDmMain(nullptr); }

    DbConnection* AdoConn() const override { return &m_db.connection(); }
    TqvProjectMonitor* ProjectMonitor() const override { return const_cast<TqvProjectMonitor*>(&m_monitor); }
    int DatabaseKind() const override { return m_kind; }

private:
    TestDatabase& m_db;
    int m_kind;
    TqvProjectMonitor m_monitor;
};
