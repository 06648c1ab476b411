#pragma once

#include "framework/mc_CustomModule.h"

#include <QDateTime>

class SqlQuery;

// Records a work interval by hand for the signed-in developer.
class TdmSpecialEntry : public TCustomModule
{
    Q_OBJECT
public:
    enum Command { cmdClose = 100, cmdInsert = 200 };

    using TCustomModule::TCustomModule;

    // Who enters the time: the signed-in user's developer, name and role
    // (administrators choose among every project, others among their own
    // unfinished ones).
    int DeveloperID = 0;
    QString UserName;
    bool IsAdmin = false;

    SqlQuery* ProjectsQuery() const { return m_projects; }
    bool ProjectExists(int projectId);
    // Writes one closed interval with the comment typed; each press writes
    // one more. A stop before or at the start, or a time later than now, is
    // refused and nothing is written; an overlap with the developer's other
    // intervals is asked about first.
    void InsertSpecialEntry();
    // The date of one picker with the time of day of the other, in whole
    // seconds: a hand-entered time has no milliseconds.
    static QDateTime combine(const QDate& date, const QTime& time);

protected:
    void CreateData() override;
    void WireEvents() override;
    void BeforeShow() override;
    void DestroyData() override;
    void HandleEvent0(QObject* sender) override;

private:
    QDateTime pickerMoment(const char* dateName, const char* timeName);

    SqlQuery* m_projects = nullptr;
};
