#pragma once

#include <QDateTime>
#include <QString>

class DbConnection;
class QWidget;
class TqvProjectMonitor;

// A Start while the developer already has an open interval (started on
// another machine or from the command line) must never leave two open rows:
// the user takes the running one over, or stops it and starts the new one.
namespace StartConflict {

struct OpenInterval
{
    int id = 0; // 0: none is open
    int projectId = 0;
    QString projectName;
    QDateTime start;
    QString comments;
};

enum class Outcome {
    NoneOpen,  // nothing was open; start the new interval
    TakenOver, // the monitor now runs the open interval (its ProjectID included)
    Stopped,   // the open intervals were stopped now; start the new interval
    Cancelled  // the user kept things as they are
};

// The developer's newest open interval.
OpenInterval newestOpen(DbConnection& connection, int developerId);

QString question(const OpenInterval& open, const QString& newProjectName);

// Asks (through the message seam) and carries out the answer on the
// monitor, whose DeveloperID names the developer and which must be idle.
Outcome settle(TqvProjectMonitor& monitor, const QString& newProjectName, QWidget* parent = nullptr);

} // namespace StartConflict
