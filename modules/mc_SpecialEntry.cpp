#include "modules/mc_SpecialEntry.h"

#include "components/o_Dialect.h"
#include "components/o_HandEntries.h"
#include "components/o_IntervalEditor.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_Schema.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DataSource.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbConnection.h"
#include "toolkit/SqlQuery.h"
#include "toolkit/SqlTemplate.h"

#include <QLineEdit>

QDateTime TdmSpecialEntry::combine(const QDate& date, const QTime& time)
{
    return QDateTime(date, QTime(time.hour(), time.minute(), time.second()));
}

void TdmSpecialEntry::CreateData()
{
    TCustomModule::CreateData();
    m_projects = new SqlQuery(&mainConnection(), QString(), this);
}

void TdmSpecialEntry::WireEvents()
{
    TCustomModule::WireEvents();
    AssignEventByName(QStringLiteral("btnInsert"), cmdInsert, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnClose"), cmdClose, 0, QStringLiteral("OnClick"));
    const QDateTime now = Clock::now();
    for (const char* name : {"dtStartDate", "dtStartTime", "dtStopDate", "dtStopTime"})
        Lookup(QString::fromLatin1(name))->as<DateTimePicker>()->setDateTime(now);
}

void TdmSpecialEntry::BeforeShow()
{
    TCustomModule::BeforeShow();
    // The projects Edit Interval offers the same user, now that the inputs
    // say who it is.
    m_projects->close();
    m_projects->setSql(TIntervalEditor::projectsStatement({DeveloperID, IsAdmin}));
    m_projects->open();
    Lookup(QStringLiteral("dsProjects"))->as<DataSource>()->setDataSet(m_projects);
}

void TdmSpecialEntry::DestroyData()
{
    if (m_projects)
        m_projects->close();
    TCustomModule::DestroyData();
}

void TdmSpecialEntry::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdClose:
        Close();
        break;
    case cmdInsert:
        InsertSpecialEntry();
        break;
    default:
        break;
    }
}

bool TdmSpecialEntry::ProjectExists(int projectId)
{
    QSqlQuery query = mainConnection().exec(
        SqlTemplate::fill(QStringLiteral("select ID from PROJECTS where ID = %d"), {SqlValue::integer(projectId)}));
    return query.next() && !query.value(0).isNull();
}

QDateTime TdmSpecialEntry::pickerMoment(const char* dateName, const char* timeName)
{
    const QDate date = Lookup(QString::fromLatin1(dateName))->as<DateTimePicker>()->date();
    const QTime time = Lookup(QString::fromLatin1(timeName))->as<DateTimePicker>()->time();
    return combine(date, time);
}

void TdmSpecialEntry::InsertSpecialEntry()
{
    if (DeveloperID == 0)
        throw AppError(TIntervalEditor::noDeveloperText(UserName));
    if (!m_projects->isActive() || m_projects->isEmpty())
        throw AppError(QStringLiteral("There is no project to enter time for; nothing was written."));
    const int projectId = m_projects->value(QStringLiteral("ID")).toInt();
    if (!ProjectExists(projectId))
        throw AppError(QStringLiteral("The project %1 no longer exists; nothing was written.")
                           .arg(m_projects->value(QStringLiteral("DESCRIPTION")).toString()));
    const QDateTime start = pickerMoment("dtStartDate", "dtStartTime");
    const QDateTime stop = pickerMoment("dtStopDate", "dtStopTime");
    const QString refused = TIntervalEditor::timesRefusal(start, stop, Clock::now());
    if (!refused.isEmpty())
        throw AppError(refused);

    DbConnection& db = mainConnection();
    TIntervalEditor intervals(db, Dialect::kindOf(db));
    if (!TIntervalEditor::overlapsAccepted(intervals.overlapping(DeveloperID, start, stop), ModuleForm()))
        return;
    // Without a comment the column stays empty, as it always was for hand entries.
    QLineEdit* comment = Lookup(QStringLiteral("edtComment"))->as<QLineEdit>();
    const QString text = comment ? comment->text() : QString();
    TransactionGuard transaction(db);
    // Marked as entered by hand where the database has the mark, so the week
    // grid may shorten or remove it.
    db.exec(THandEntries::insertStatement(Schema::hasHandEntryMark(db)), {projectId, DeveloperID, start, stop, TqvProjectMonitor::TimeSpendBetween(start, stop),
                                1, start.date(), stop.date(), text.isEmpty() ? QVariant() : QVariant(text)});
    transaction.commit();
}
