#include "app/o_IntervalCommands.h"

#include "app/mm_main.h"
#include "app/o_ServerStatus.h"
#include "components/o_Journal.h"
#include "components/o_ServerLink.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsManager.h"
#include "components/o_PeriodLock.h"
#include "components/o_ProjectMonitor.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_EditInterval.h"
#include "modules/f_ForgottenStop.h"
#include "modules/mc_EditInterval.h"
#include "modules/mc_ForgottenStop.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace {

// Enter and Delete on the work grid run its two actions, whose commands the
// main controller carries out. Keys with a modifier, and keys while the
// grid edits (it never does), go on to the grid.
class GridKeys : public QObject
{
public:
    GridKeys(QAction* edit, QAction* remove)
        : m_edit(edit)
        , m_remove(remove)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        QAction* action = nullptr;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            action = m_edit;
        else if (key->key() == Qt::Key_Delete)
            action = m_remove;
        if (!action || !action->isEnabled())
            return false;
        action->trigger();
        return true;
    }

private:
    QPointer<QAction> m_edit;
    QPointer<QAction> m_remove;
};

} // namespace

TIntervalCommands::TIntervalCommands(TdmMain& main)
    : m_main(main)
{
    QWidget* grid = m_main.Lookup(QStringLiteral("ProjectWorkGrid"))->as<QWidget>();
    QAction* edit = m_main.Lookup(QStringLiteral("actGridEditInterval"))->AsAction();
    QAction* remove = m_main.Lookup(QStringLiteral("actGridDeleteInterval"))->AsAction();
    if (grid && edit && remove) {
        m_gridKeys = std::make_unique<GridKeys>(edit, remove);
        grid->installEventFilter(m_gridKeys.get());
    }
    // Edit and Delete are offered only while the grid is on an interval.
    m_rowWatch = std::make_unique<QObject>();
    if (MemTable* rows = m_main.ProjectWorkData()) {
        const auto follow = [this] { enableRowCommands(); };
        QObject::connect(rows, &MemTable::currentChanged, m_rowWatch.get(), follow);
        QObject::connect(rows, &MemTable::rowsReset, m_rowWatch.get(), follow);
        QObject::connect(rows, &MemTable::rowInserted, m_rowWatch.get(), follow);
        QObject::connect(rows, &MemTable::rowRemoved, m_rowWatch.get(), follow);
    }
    enableRowCommands();
}

void TIntervalCommands::enableRowCommands()
{
    const bool onRow = currentWorkId() != 0;
    for (const char* name : {"mnuEditInterval", "mnuDeleteInterval", "actGridEditInterval", "actGridDeleteInterval"})
        if (QAction* action = m_main.Lookup(QString::fromLatin1(name))->AsAction())
            action->setEnabled(onRow);
}

TIntervalCommands::~TIntervalCommands() = default;

TIntervalUser TIntervalCommands::user() const
{
    TIntervalUser user;
    user.developerId = m_main.ProjectMonitor()->DeveloperID;
    user.isAdmin = m_main.IsAdmin();
    user.userName = m_main.signedInUser().userName;
    user.source = WorkSource::Window;
    return user;
}

int TIntervalCommands::currentWorkId() const
{
    MemTable* rows = m_main.ProjectWorkData();
    if (!rows || !rows->isActive() || rows->isEmpty() || rows->recNo() < 0)
        return 0;
    return rows->value(QStringLiteral("ID")).toInt();
}

void TIntervalCommands::showAfterChange(int projectId, int workId)
{
    try {
        m_main.RefreshData();
    } catch (const DatabaseUnavailable&) {
        // The grid shows the change once the server has it.
        return;
    }
    // Back on the project and the row that were corrected.
    SqlQuery* projects = m_main.ProjectsQuery();
    if (projectId != 0 && projects->isActive())
        projects->locate(m_main.projectKeyField(), projectId);
    if (workId != 0)
        m_main.ProjectWorkData()->locate(QStringLiteral("ID"), workId);
}

bool TIntervalCommands::editCurrent()
{
    const int id = currentWorkId();
    if (id == 0)
        return false;
    auto module = TCustomModule::Create<TdmEditInterval, TFrmEditInterval>();
    module->WorkID = id;
    module->User = user();
    if (TServerLink* link = m_main.serverStatus() ? m_main.serverStatus()->link() : nullptr) {
        // On a server the change goes through the journal like Start and
        // Stop; while the server cannot be asked the window opens on the
        // row as shown, and the write finds out whether it changed since.
        if (link->isAway() || link->waitingCount() > 0) {
            module->Known = shownInterval();
            module->KnownProjects = listedProjects();
        }
        module->Write = [this](const TInterval& original, const TIntervalChange& change, bool overlapAccepted,
                               bool lockConfirmed) { return keep(original, change, overlapAccepted, lockConfirmed); };
    }
    module->Execute(true);
    if (!module->Result())
        return false;
    const TInterval written = *module->Result();
    TqvProjectMonitor* monitor = m_main.ProjectMonitor();
    if (monitor->Monitoring() && monitor->CurrentWorkID() == id) {
        // The running interval counts from its new start, and Stop writes
        // the comment as corrected.
        try {
            monitor->CheckIncompleteWork();
        } catch (const DatabaseUnavailable&) {
            // Still measuring; the start shown follows when it is written.
        }
        showComment(written.comment);
        m_main.MonitorChanged();
    }
    showAfterChange(written.projectId, id);
    return true;
}

TInterval TIntervalCommands::shownInterval() const
{
    MemTable* rows = m_main.ProjectWorkData();
    TInterval shown;
    shown.id = rows->value(QStringLiteral("ID")).toInt();
    shown.projectId = rows->value(QStringLiteral("PROJECT_ID")).toInt();
    shown.developerId = rows->value(QStringLiteral("DEVELOPER_ID")).toInt();
    shown.projectName = rows->value(QStringLiteral("PROJECT_NAME")).toString();
    shown.developerName = rows->value(QStringLiteral("DEVELOPER_NAME")).toString();
    shown.start = DbConnection::parseDateTime(rows->value(QStringLiteral("TIME_START")));
    shown.end = DbConnection::parseDateTime(rows->value(QStringLiteral("TIME_END")));
    shown.hours = rows->value(QStringLiteral("TIME_SPEND")).toDouble();
    shown.completed = rows->value(QStringLiteral("COMPLETED")).toInt() == 1;
    shown.comment = rows->value(QStringLiteral("COMMENTS")).toString();
    return shown;
}

QList<TIntervalEditor::Project> TIntervalCommands::listedProjects() const
{
    SqlQuery* list = m_main.ProjectsQuery();
    QList<TIntervalEditor::Project> projects;
    const int key = list->fieldIndex(m_main.projectKeyField());
    const int name = list->fieldIndex(QStringLiteral("PROJECT_NAME"));
    for (int row = 0; key >= 0 && name >= 0 && row < list->recordCount(); ++row)
        projects.append({list->valueAt(row, key).toInt(), list->valueAt(row, name).toString(), 0});
    return projects;
}

TInterval TIntervalCommands::keep(const TInterval& original, const TIntervalChange& change, bool overlapAccepted,
                                  bool lockConfirmed)
{
    TServerLink* link = m_main.serverStatus()->link();
    JournalEntry entry;
    entry.action = JournalEntry::Edit;
    entry.moment = Clock::now();
    entry.developerId = original.developerId;
    entry.workId = original.id;
    entry.projectId = change.projectId != original.projectId ? change.projectId : 0;
    entry.newStart = change.start;
    entry.newEnd = change.end;
    entry.comment = change.comment;
    entry.expected = original;
    entry.allowOverlap = overlapAccepted;
    entry.lockConfirmed = lockConfirmed;
    const std::optional<TEntryWriter::Outcome> outcome = link->submit(entry);
    if (outcome && outcome->kind != TEntryWriter::Outcome::Written) {
        // An administrator is asked, and the window writes it once more on yes.
        if (outcome->lockedThrough.isValid())
            throw LockedPeriodError(outcome->message, outcome->lockedThrough, m_main.IsAdmin());
        if (outcome->byDatabase)
            throw DatabaseError(outcome->message);
        throw AppError(outcome->message);
    }
    // As written (or as it will be): the window goes on from it.
    TInterval written = original;
    written.projectId = change.projectId;
    written.start = change.start;
    written.end = change.end;
    written.comment = change.comment;
    if (written.end.isValid())
        written.hours = TqvProjectMonitor::TimeSpendBetween(written.start, written.end);
    return written;
}

bool TIntervalCommands::deleteCurrent()
{
    const int id = currentWorkId();
    if (id == 0)
        return false;
    DbConnection& connection = *m_main.AdoConn();
    TIntervalEditor editor(connection, Dialect::kindOf(connection));
    const TInterval interval = editor.require(user(), id);
    TqvProjectMonitor* monitor = m_main.ProjectMonitor();
    const bool monitored = monitor->Monitoring() && monitor->CurrentWorkID() == id;
    QString question = QStringLiteral("Delete the interval %1?").arg(TIntervalEditor::describe(interval));
    if (interval.running())
        question += monitored ? QStringLiteral("\n\nIt is the interval being monitored; monitoring stops.")
                              : QStringLiteral("\n\nIt is still running.");
    if (MessageService::show(MessageService::Request::make(QStringLiteral("Hourwright"), question,
                                                           QMessageBox::Question,
                                                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No),
                             m_main.ModuleForm())
        != QMessageBox::Yes)
        return false;
    TIntervalUser deleting = user();
    if (!TPeriodLock::writeConfirming(deleting.lockConfirmed, m_main.ModuleForm(),
                                      [&] { editor.remove(deleting, id); }))
        return false;
    if (monitored) {
        // Another interval of this developer left open elsewhere is taken
        // over; usually there is none and the window goes idle.
        monitor->CheckIncompleteWork();
        adoptOpen();
        m_main.MonitorChanged();
    }
    showAfterChange(interval.projectId, 0);
    return true;
}

bool TIntervalCommands::commentTyped() const
{
    QLineEdit* field = m_main.Lookup(QStringLiteral("edtComment"))->as<QLineEdit>();
    return field && field->text() != m_shownComment;
}

QString TIntervalCommands::comment() const
{
    QLineEdit* field = m_main.Lookup(QStringLiteral("edtComment"))->as<QLineEdit>();
    if (!field)
        return QString();
    const QString typed = field->text();
    return typed == m_shownComment ? m_storedComment : typed;
}

void TIntervalCommands::showComment(const QString& stored)
{
    QLineEdit* field = m_main.Lookup(QStringLiteral("edtComment"))->as<QLineEdit>();
    if (!field)
        return;
    field->setMaxLength(std::max(field->maxLength(), int(stored.size())));
    field->setText(stored);
    m_storedComment = stored;
    m_shownComment = field->text();
}

void TIntervalCommands::commentWritten()
{
    if (QLineEdit* field = m_main.Lookup(QStringLiteral("edtComment"))->as<QLineEdit>()) {
        m_storedComment = comment();
        m_shownComment = field->text();
    }
}

void TIntervalCommands::clearComment()
{
    showComment(QString());
}

int TIntervalCommands::longIntervalHours()
{
    try {
        return Options::toInt(GetOptionsManager()->ReadValue(Options::ProjectsSection, Options::LongIntervalHours,
                                                             Options::DefaultLongIntervalHours));
    } catch (const std::exception&) {
        // A mistyped limit must not stand in the way of signing in.
        return Options::DefaultLongIntervalHours;
    }
}

std::optional<TInterval> TIntervalCommands::openInterval()
{
    TqvProjectMonitor* monitor = m_main.ProjectMonitor();
    if (!monitor->Monitoring())
        return std::nullopt;
    TIntervalEditor editor(*m_main.AdoConn(), Dialect::kindOf(*m_main.AdoConn()));
    return editor.find(monitor->CurrentWorkID());
}

void TIntervalCommands::adopt(const TInterval& open)
{
    m_main.ProjectMonitor()->ProjectID = open.projectId;
    showComment(open.comment);
}

void TIntervalCommands::adoptOpen()
{
    if (const std::optional<TInterval> open = openInterval())
        adopt(*open);
    else
        clearComment();
}

void TIntervalCommands::takeOver()
{
    const std::optional<TInterval> open = openInterval();
    if (!open)
        return;
    adopt(*open);

    const int limit = longIntervalHours();
    if (!TdmForgottenStop::isForgotten(open->start, Clock::now(), limit))
        return;
    auto question = TCustomModule::Create<TdmForgottenStop, TFrmForgottenStop>();
    question->ProjectName = open->projectName;
    question->Start = open->start;
    question->LimitHours = limit;
    question->Execute(true);
    if (const std::optional<QDateTime> stopAt = question->StopAt())
        m_main.StopMonitoringAt(*stopAt, WorkSource::ForgottenStop);
}
