#pragma once

#include <QString>

// Statements that more than one window sends.
namespace SharedStatements {
// The users with their developer's name: the sign-in list and the users window.
QString usersList(int kind);
// Every project with its customer's name: the projects window and hand entry.
QString projectsWithCustomers();
} // namespace SharedStatements
