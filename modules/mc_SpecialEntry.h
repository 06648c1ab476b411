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

    int DeveloperID = 0;

    SqlQuery* ProjectsQuery() const { return m_projects; }
    bool ProjectExists(int projectId);
    // Writes one closed interval with the comment typed; each press writes
    // one more. A stop before the start is refused and nothing is written;
    // an overlap with the developer's other intervals is asked about first.
    void InsertSpecialEntry();
    // The date of one picker with the time of day of the other.
    static QDateTime combine(const QDate& date, const QTime& time);

protected:
    void CreateData() override;
    void WireEvents() override;
    void DestroyData() override;
    void HandleEvent0(QObject* sender) override;

private:
    QDateTime pickerMoment(const char* dateName, const char* timeName);

    SqlQuery* m_projects = nullptr;
};
