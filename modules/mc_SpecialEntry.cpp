#include "modules/mc_SpecialEntry.h"

#include "components/o_Dialect.h"
#include "components/o_HandEntries.h"
#include "components/o_IntervalEditor.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_Schema.h"
#include "components/o_SharedStatements.h"
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
    return QDateTime(date, time);
}

void TdmSpecialEntry::CreateData()
{
    TCustomModule::CreateData();
    m_projects = new SqlQuery(&mainConnection(),
                              SharedStatements::projectsWithCustomers(),
                              this);
}

void TdmSpecialEntry::WireEvents()
{
    TCustomModule::WireEvents();
    m_projects->open();
    AssignEventByName(QStringLiteral("btnInsert"), cmdInsert, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnClose"), cmdClose, 0, QStringLiteral("OnClick"));
    Lookup(QStringLiteral("dsProjects"))->as<DataSource>()->setDataSet(m_projects);
    const QDateTime now = Clock::now();
    for (const char* name : {"dtStartDate", "dtStartTime", "dtStopDate", "dtStopTime"})
        Lookup(QString::fromLatin1(name))->as<DateTimePicker>()->setDateTime(now);
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
    const int projectId = m_projects->isEmpty() ? 0 : m_projects->value(QStringLiteral("ID")).toInt();
    if (!ProjectExists(projectId))
        return;
    const QDateTime start = pickerMoment("dtStartDate", "dtStartTime");
    const QDateTime stop = pickerMoment("dtStopDate", "dtStopTime");
    if (stop < start)
        throw AppError(QStringLiteral("The stop (%1) is earlier than the start (%2); nothing was written.")
                           .arg(QLocale().toString(stop, QLocale::ShortFormat),
                                QLocale().toString(start, QLocale::ShortFormat)));

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
