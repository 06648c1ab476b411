#pragma once

#include <QString>

// A new embedded database for one person: the six tables, that person as the
// first developer, and a user for them who is an administrator. The tables
// and the user are made by the same code as hourwright-db's init and add-user;
// the developer and the user are written in one transaction.
class PersonalDatabase
{
public:
    struct Owner
    {
        QString lastName;
        QString name;
        QString userName;
        QString password;
    };

    // Throws with the reason; a file it could not finish is removed again.
    // An existing file is never touched.
    static void create(const QString& path, const Owner& owner);
};
