#pragma once

#include "components/o_HandEntries.h"
#include "components/o_IntervalEditor.h"
#include "components/o_Week.h"
#include "components/o_WeekSheet.h"
#include "framework/mc_CustomModule.h"

#include <QTime>

#include <memory>

class TWeekModel;
class QTableView;

// The week window: a developer's week as a grid of projects and days, the
// time typed into its cells, last week copied into its empty ones.
// Everyone sees their own developer's week; administrators choose anyone's.
class TdmWeek : public TCustomModule
{
    Q_OBJECT
public:
    enum Command {
        cmdClose = 100,
        cmdPreviousWeek = 101,
        cmdNextWeek = 102,
        cmdThisWeek = 103,
        cmdAddProject = 104,
        cmdCopyLastWeek = 105,
    };

    using TCustomModule::TCustomModule;
    ~TdmWeek() override;

    // Who opens the window: set before it is shown.
    TIntervalUser User;

    const TWeek& Week() const { return m_week; }
    int DeveloperId() const { return m_developerId; }
    const TWeekSheet& Sheet() const;
    TWeekModel* Model() const { return m_model; }

    void ShowWeek(const TWeek& week);
    // Administrators only; anyone else stays on their own developer.
    void ShowDeveloper(int developerId);
    // Sets a project's time on a day of the week (0..6) as typed; false,
    // with the reason on the cell and under the grid, when nothing changed.
    bool SetCell(int projectId, int day, const QString& text);
    // A row for one of the user's projects, with the cursor on its first day.
    void AddProject();
    // Last week's time, cell by cell, into this week's empty cells, after a
    // question that names how much it adds.
    void CopyLastWeek();

    // The start of the working hours (WorkStart, "HH:mm"), 09:00 when unset or unreadable.
    static QTime workingDayStart();

protected:
    void CreateData() override;
    void WireEvents() override;
    void BeforeShow() override;
    void HandleEvent0(QObject* sender) override;

private:
    void reload();
    void showTitle();
    void showMessage(const QString& text, bool problem);
    void showCellComment(const QModelIndex& current);
    QTableView* grid();

    std::unique_ptr<THandEntries> m_entries;
    TWeekModel* m_model = nullptr;
    TWeek m_week;
    int m_developerId = 0;
    QString m_developerName;
    bool m_handMarks = false;
    QList<TIntervalEditor::Project> m_projects;
};
