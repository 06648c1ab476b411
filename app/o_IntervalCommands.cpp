#include "app/o_IntervalCommands.h"

#include "app/mm_main.h"
#include "components/o_Dialect.h"
#include "components/o_OptionsManager.h"
#include "components/o_PeriodLock.h"
#include "components/o_ProjectMonitor.h"
#include "framework/o_ComponentCaster.h"
#include "modules/f_EditInterval.h"
#include "modules/f_ForgottenStop.h"
#include "modules/mc_EditInterval.h"
#include "modules/mc_ForgottenStop.h"
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
    m_main.RefreshData();
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
    module->Execute(true);
    if (!module->Result())
        return false;
    const TInterval written = *module->Result();
    TqvProjectMonitor* monitor = m_main.ProjectMonitor();
    if (monitor->Monitoring() && monitor->CurrentWorkID() == id) {
        // The running interval counts from its new start, and Stop writes
        // the comment as corrected.
        monitor->CheckIncompleteWork();
        showComment(written.comment);
        m_main.MonitorChanged();
    }
    showAfterChange(written.projectId, id);
    return true;
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
