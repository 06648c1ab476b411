#include "modules/mc_EditInterval.h"

#include "components/o_Dialect.h"
#include "components/o_PeriodLock.h"
#include "components/o_WorkHistory.h"
#include "framework/o_ComponentCaster.h"
#include "framework/o_MainModule.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbConnection.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTabWidget>
#include <QTreeWidget>

void TdmEditInterval::CreateData()
{
    TCustomModule::CreateData();
    DbConnection& connection = mainConnection();
    m_editor = std::make_unique<TIntervalEditor>(connection, Dialect::kindOf(connection));
}

void TdmEditInterval::WireEvents()
{
    TCustomModule::WireEvents();
    AssignEventByName(QStringLiteral("btnOk"), cmdOk, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnCancel"), cmdCancel, 0, QStringLiteral("OnClick"));
    QTabWidget* pages = Lookup(QStringLiteral("pages"))->as<QTabWidget>();
    connect(pages, &QTabWidget::currentChanged, this, [this, pages](int index) {
        if (pages->widget(index)->objectName() != QLatin1String("tabHistory") || m_historyShown)
            return;
        // Qt calls this from its own event handling: nothing may escape.
        try {
            ShowHistory();
        } catch (const std::exception& error) {
            Lookup(QStringLiteral("lblHistory"))->AsLabel()->setText(errorMessage(error));
        }
    });
}

void TdmEditInterval::ShowHistory()
{
    m_historyShown = true;
    QTreeWidget* list = Lookup(QStringLiteral("lstHistory"))->as<QTreeWidget>();
    QLabel* note = Lookup(QStringLiteral("lblHistory"))->AsLabel();
    list->clear();
    TWorkHistory history(mainConnection());
    if (!history.isRecorded()) {
        note->setText(TWorkHistory::notRecordedText());
        return;
    }
    const QList<TWorkChange> changes = history.ofInterval(m_original.id);
    for (const TWorkChange& change : changes) {
        auto* item = new QTreeWidgetItem(
            list, {TWorkHistory::whenText(change), change.who,
                   TWorkHistory::sourceText(change.source), TWorkHistory::actionText(change.action),
                   history.describe(change)});
        item->setToolTip(4, item->text(4));
    }
    note->setText(changes.isEmpty() ? tr("No changes of this interval are recorded: it was made before the history "
                                         "was kept.")
                                    : changes.size() == 1 ? tr("1 recorded change.")
                                                          : tr("%1 recorded changes, oldest first.").arg(changes.size()));
}

void TdmEditInterval::BeforeShow()
{
    TCustomModule::BeforeShow();
    // Read afresh when the inputs are set; refused (gone, or someone
    // else's) before the window shows.
    m_original = Known ? *Known : m_editor->require(User, WorkID);
    showInterval();
}

void TdmEditInterval::showInterval()
{
    const TInterval& interval = m_original;
    ModuleForm()->setWindowTitle(tr("Edit Interval %1").arg(interval.id));

    QComboBox* projects = Lookup(QStringLiteral("cboProject"))->AsComboBox();
    projects->clear();
    bool listed = false;
    for (const TIntervalEditor::Project& project : Known ? KnownProjects : m_editor->projectsOf(User)) {
        projects->addItem(project.name, project.id);
        listed = listed || project.id == interval.projectId;
    }
    // The interval's own project stays choosable, also when it is no longer
    // among the user's projects, so a correction of the times keeps it.
    if (!listed)
        projects->insertItem(0, interval.projectName.isEmpty() ? tr("(project %1)").arg(interval.projectId)
                                                               : interval.projectName,
                             interval.projectId);
    projects->setCurrentIndex(projects->findData(interval.projectId));

    for (const char* name : {"dtStartDate", "dtStartTime"})
        Lookup(QString::fromLatin1(name))->as<DateTimePicker>()->setDateTime(interval.start);
    const QDateTime stop = interval.running() ? Clock::now() : interval.end;
    for (const char* name : {"dtStopDate", "dtStopTime"})
        Lookup(QString::fromLatin1(name))->as<DateTimePicker>()->setDateTime(stop);

    QLineEdit* comment = Lookup(QStringLiteral("edtComment"))->as<QLineEdit>();
    comment->setMaxLength(std::max(comment->maxLength(), int(interval.comment.size())));
    comment->setText(interval.comment);
    m_shownComment = comment->text();

    const bool running = interval.running();
    projects->setEnabled(!running);
    for (const char* name : {"dtStopDate", "dtStopTime"})
        Lookup(QString::fromLatin1(name))->as<DateTimePicker>()->setEnabled(!running);
    QLabel* note = Lookup(QStringLiteral("lblRunning"))->AsLabel();
    note->setText(tr("This interval is running: only its start and comment can change."));
    note->setVisible(running);
}

TIntervalChange TdmEditInterval::ScreenChange()
{
    auto moment = [this](const char* dateName, const char* timeName) {
        return QDateTime(Lookup(QString::fromLatin1(dateName))->as<DateTimePicker>()->date(),
                         Lookup(QString::fromLatin1(timeName))->as<DateTimePicker>()->time());
    };
    TIntervalChange change;
    change.id = m_original.id;
    QComboBox* projects = Lookup(QStringLiteral("cboProject"))->AsComboBox();
    change.projectId = projects->currentIndex() >= 0 ? projects->currentData().toInt() : m_original.projectId;
    change.start = moment("dtStartDate", "dtStartTime");
    if (!m_original.running())
        change.end = moment("dtStopDate", "dtStopTime");
    // A comment the one-line field could not show as it is (line breaks)
    // stays exactly as stored unless the user changed it.
    const QString typed = Lookup(QStringLiteral("edtComment"))->as<QLineEdit>()->text();
    change.comment = typed == m_shownComment ? m_original.comment : typed;
    return change;
}

bool TdmEditInterval::Save()
{
    const TIntervalChange change = ScreenChange();
    const QString refused = TIntervalEditor::refusal(m_original, change, Clock::now());
    if (!refused.isEmpty())
        throw AppError(refused);
    QList<TInterval> overlaps;
    // Only moved times can come to share time with another interval.
    if (TIntervalEditor::timesChanged(m_original, change)) {
        try {
            overlaps = m_editor->overlapping(m_original.developerId, change.start, change.end, m_original.id);
        } catch (const DatabaseUnavailable&) {
            // Kept for later, the write itself refuses an overlap.
            if (!Write)
                throw;
        }
    }
    if (!TIntervalEditor::overlapsAccepted(overlaps, ModuleForm()))
        return false;
    // A row changed elsewhere since this window read it is not overwritten.
    if (!TPeriodLock::writeConfirming(User.lockConfirmed, ModuleForm(), [&] {
            m_result = Write ? Write(m_original, change, !overlaps.isEmpty(), User.lockConfirmed)
                             : m_editor->update(User, change, m_original);
        }))
        return false;
    Close();
    return true;
}

void TdmEditInterval::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdOk:
        Save();
        break;
    case cmdCancel:
        Close();
        break;
    default:
        break;
    }
}
