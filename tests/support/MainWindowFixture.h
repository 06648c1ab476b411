#pragma once

#include <functional>

#include "support/TestDatabase.h"

#include <QTemporaryDir>

#include <memory>

// A test database with customers, developers, projects, users and
// assignments, and an options.ini naming it, as the program finds them at
// start-up. The application folder points at the fixture's folder.
class MainWindowFixture
{
public:
    MainWindowFixture();
    ~MainWindowFixture();

    TestDatabase& db() { return m_db; }
    QString optionsPath() const;

    // Known rows: developers 1 "Berg Anna", 2 "Okafor Chidi", 3 "Lindqvist Erik";
    // projects 1 "Billing" (customer 1), 2 "Portal" (customer 2), 3 "Inventory" (no customer);
    // developer 2 is assigned projects 2 and 3; users: "admin"/"secret" (admin,
    // developer 1), "chidi"/"pw" (developer 2), "erik"/"pw" (IS_ADMIN 2, developer 3),
    // "nodev"/"pw" (no developer).
    void fillKnownRows();

    // For each test that starts a main window: ending the program only calls
    // onTerminate, and there is no notification area (the window minimises
    // instead of hiding in the tray). afterWindowTest() puts both and the
    // clock back.
    static void beforeWindowTest(std::function<void()> onTerminate = [] {});
    static void afterWindowTest();

private:
    TestDatabase m_db;
};
