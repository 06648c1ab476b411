#pragma once

#include <QString>

// Statements that more than one window sends.
namespace SharedStatements {
// The users with their developer's name: the sign-in list and the users window.
QString usersList(int kind);
} // namespace SharedStatements
