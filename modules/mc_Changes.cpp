#include "modules/mc_Changes.h"

#include "components/o_DataSetToCsv.h"
#include "components/o_WorkHistory.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DataSource.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"

#include <QLabel>

namespace {

const char* const Fields[] = {"CHANGED_AT", "CHANGED_BY",   "SOURCE", "ACTION", "WORK_ID",
                              "DEVELOPER_NAME", "PROJECT_NAME", "DAY", "WHAT"};

} // namespace

void TdmChanges::CreateData()
{
    TCustomModule::CreateData();
    m_rows = new MemTable(this);
    m_rows->setObjectName(QStringLiteral("ChangesRows"));
    for (const char* field : Fields)
        m_rows->addField(QString::fromLatin1(field),
                         qstrcmp(field, "WORK_ID") == 0 ? FieldType::Integer : FieldType::Text);
    m_rows->open();
    m_csv = new TDataSetToCsv(this);
    m_csv->setFileStem(QStringLiteral("Hourwright changes"));
}

void TdmChanges::WireEvents()
{
    TCustomModule::WireEvents();
    AssignEventByName(QStringLiteral("btnSearch"), cmdSearch, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnExportCsv"), cmdExportCsv, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnClose"), cmdClose, 0, QStringLiteral("OnClick"));
    Lookup(QStringLiteral("dsChanges"))->as<DataSource>()->setDataSet(m_rows);
    // The last month's changes to begin with.
    const QDate today = Clock::now().date();
    Lookup(QStringLiteral("dtFrom"))->as<DateTimePicker>()->setDateTime(today.addMonths(-1).startOfDay());
    Lookup(QStringLiteral("dtTo"))->as<DateTimePicker>()->setDateTime(today.startOfDay());
}

void TdmChanges::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdSearch:
        Search();
        break;
    case cmdExportCsv:
        ExportCsv();
        break;
    case cmdClose:
        Close();
        break;
    default:
        break;
    }
}

void TdmChanges::Search()
{
    const QDate from = Lookup(QStringLiteral("dtFrom"))->as<DateTimePicker>()->date();
    const QDate to = Lookup(QStringLiteral("dtTo"))->as<DateTimePicker>()->date();
    QLabel* found = Lookup(QStringLiteral("lblFound"))->AsLabel();
    m_rows->close();
    m_rows->open();
    TWorkHistory history(mainConnection());
    if (!history.isRecorded())
        throw AppError(TWorkHistory::notRecordedText());
    if (to < from)
        throw AppError(tr("The period ends (%1) before it starts (%2).")
                           .arg(to.toString(QStringLiteral("yyyy-MM-dd")), from.toString(QStringLiteral("yyyy-MM-dd"))));
    const QList<TWorkChange> changes = history.madeBetween(from, to);
    m_rows->disableControls();
    for (const TWorkChange& change : changes) {
        const TWorkValues& interval = change.interval();
        m_rows->append();
        m_rows->setValue(0, TWorkHistory::whenText(change));
        m_rows->setValue(1, change.who);
        m_rows->setValue(2, TWorkHistory::sourceText(change.source));
        m_rows->setValue(3, TWorkHistory::actionText(change.action));
        m_rows->setValue(4, change.workId);
        m_rows->setValue(5, history.developerName(interval[TWorkValues::DeveloperId]));
        m_rows->setValue(6, history.projectName(interval[TWorkValues::ProjectId]));
        m_rows->setValue(7, interval.day().toString(QStringLiteral("yyyy-MM-dd")));
        m_rows->setValue(8, history.describe(change));
        m_rows->post();
    }
    m_rows->resetChangeTracking();
    m_rows->first();
    m_rows->enableControls();
    found->setText(changes.size() == 1 ? tr("1 change") : tr("%1 changes").arg(changes.size()));
}

void TdmChanges::ExportCsv()
{
    if (m_rows->isEmpty())
        return;
    m_csv->ExportGrid(Lookup(QStringLiteral("ChangesGrid"))->as<DbGrid>());
}
