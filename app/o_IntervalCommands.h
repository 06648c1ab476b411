#pragma once

#include "components/o_IntervalEditor.h"

#include <QString>

#include <memory>

class QObject;
class TdmMain;

// The main window's commands on recorded intervals: Edit Interval and
// Delete Interval on the work grid's current row, the Comment field that
// goes into the monitor at Start and Stop, and the question at sign-in
// about an interval left running too long. Kept apart from the main
// controller, which calls in here.
class TIntervalCommands
{
public:
    explicit TIntervalCommands(TdmMain& main);
    ~TIntervalCommands();

    // Who corrects time in this window: the signed-in user's developer and role.
    TIntervalUser user() const;

    // The work grid's current interval in the edit window; true when changed.
    bool editCurrent();
    // The work grid's current interval deleted after a question; true when deleted.
    bool deleteCurrent();

    // The comment the monitor writes now: what the field shows, or the
    // stored text when the field shows it unchanged (it holds one line).
    QString comment() const;
    // Whether the field holds something else than it was given.
    bool commentTyped() const;
    // After a Start: what the field shows is now the interval's stored comment.
    void commentWritten();
    // After a stop: the field is empty for the next interval.
    void clearComment();
    // The monitor's open interval, taken over here: its project and its
    // comment in the field (the field is emptied when nothing is open).
    void adoptOpen();
    // At sign-in, with an interval taken over: adoptOpen, and the question
    // when it has run longer than the limit.
    void takeOver();
    // LongIntervalHours from the options (default 10; 0 never asks).
    static int longIntervalHours();

private:
    int currentWorkId() const;
    // The work grid's current row and the project list, for an edit while
    // the server cannot be asked.
    TInterval shownInterval() const;
    QList<TIntervalEditor::Project> listedProjects() const;
    // An edit kept in the journal and written by the server link.
    TInterval keep(const TInterval& original, const TIntervalChange& change, bool overlapAccepted, bool lockConfirmed);
    void enableRowCommands();
    std::optional<TInterval> openInterval();
    void adopt(const TInterval& open);
    void showComment(const QString& stored);
    void showAfterChange(int projectId, int workId);

    TdmMain& m_main;
    // Enter and Delete in the work grid.
    std::unique_ptr<QObject> m_gridKeys;
    // Follows the work grid's rows for the commands on them.
    std::unique_ptr<QObject> m_rowWatch;
    QString m_storedComment;
    QString m_shownComment;
};
