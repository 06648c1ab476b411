#pragma once

#include <QString>

// The program's built-in files (schema scripts, pictures, templates).
class HourwrightResources
{
public:
    // Registers the resources; they sit in a static library, so nothing
    // would pull them into an executable otherwise. Safe to call repeatedly.
    static void init();
    // The text of a built-in file, e.g. ":/schema-sqlite.sql".
    static QString text(const QString& resourcePath);
};
