#include "app/mm_main.h"

#include "app/f_main.h"
#include "app/o_DesktopCompanion.h"
#include "app/o_Roles.h"
#include "app/o_StartCheck.h"
#include "app/o_IntervalCommands.h"
#include "app/o_ServerStatus.h"
#include "app/o_WindowTable.h"
#include "components/LoginDialog.h"
#include "components/TrayIcon.h"
#include "components/o_ConnectionSettings.h"
#include "components/o_DailyBackup.h"
#include "components/o_Dialect.h"
#include "components/o_IdleWatch.h"
#include "components/o_OptionsManager.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_Schema.h"
#include "components/o_StartConflict.h"
#include "components/o_QVMessageBox.h"
#include "components/o_QVTimer.h"
#include "components/o_Recalculation.h"
#include "components/o_ServerLink.h"
#include "components/o_SharedStatements.h"
#include "components/o_WorkRowLoader.h"
#include "framework/o_ComponentCaster.h"
#include "toolkit/AppError.h"
#include "toolkit/ApplicationControl.h"
#include "toolkit/Clock.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbConnection.h"
#include "toolkit/DbGrid.h"
#include "toolkit/IdleSource.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMap>
#include <QMenu>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {

QMap<int, TdmMain::WindowRunner>& windows()
{
    static QMap<int, TdmMain::WindowRunner> table;
    return table;
}

const QDate SerialEpoch(1899, 12, 30);
constexpr qint64 MSecsPerDay = 24LL * 60 * 60 * 1000;

// The menu items and buttons and the commands they carry.
struct CommandWiring
{
    const char* name;
    int command;
    const char* event;
};
const CommandWiring s_wiring[] = {
    {"mnuProjects", TdmMain::cmdProjects, "OnClick"},
    {"mnuDevelopers", TdmMain::cmdDevelopers, "OnClick"},
    {"mnuCustomers", TdmMain::cmdCustomers, "OnClick"},
    {"mnuUsers", TdmMain::cmdUsers, "OnClick"},
    {"mnuSpecialEntry", TdmMain::cmdSpecialEntry, "OnClick"},
    {"mnuReports", TdmMain::cmdReports, "OnClick"},
    {"mnuWeek", TdmMain::cmdWeek, "OnClick"},
    {"btnWeek", TdmMain::cmdWeek, "OnClick"},
    {"mnuRecalcTimeSpend", TdmMain::cmdRecalcTimeSpend, "OnClick"},
    {"mnuLockPeriod", TdmMain::cmdLockPeriod, "OnClick"},
    {"mnuChanges", TdmMain::cmdChanges, "OnClick"},
    {"mnuProjectsperDeveloper", TdmMain::cmdProjectsPerDeveloper, "OnClick"},
    {"TimeElapsedTimer", TdmMain::cmdTimerTick, "OnTimer"},
    {"mnuClose", TdmMain::cmdClose, "OnClick"},
    {"mnuOptions", TdmMain::cmdOptions, "OnClick"},
    {"mnuPopRestore", TdmMain::cmdRestore, "OnClick"},
    {"mnuTerminate", TdmMain::cmdTerminate, "OnClick"},
    {"mnuPopTerminate", TdmMain::cmdTerminate, "OnClick"},
    {"mnuPopStart", TdmMain::cmdStartLastProject, "OnClick"},
    {"mnuPopStop", TdmMain::cmdStopMonitoring, "OnClick"},
    {"mnuAbout", TdmMain::cmdAbout, "OnClick"},
    {"mnuChangePassword", TdmMain::cmdChangePassword, "OnClick"},
    {"btnStartMonitoring", TdmMain::cmdStartMonitoring, "OnClick"},
    {"btnStopMonitoring", TdmMain::cmdStopMonitoring, "OnClick"},
    // The menu's Start and Stop do what the buttons do.
    {"StartMonitoring1", TdmMain::cmdStartMonitoring, "OnClick"},
    {"StopMonitoring1", TdmMain::cmdStopMonitoring, "OnClick"},
    // Correcting recorded time: the menu, the work grid's keys and a double-click.
    {"mnuEditInterval", TdmMain::cmdEditInterval, "OnClick"},
    {"actGridEditInterval", TdmMain::cmdEditInterval, "OnClick"},
    {"ProjectWorkGrid", TdmMain::cmdEditInterval, "OnDblClick"},
    {"mnuDeleteInterval", TdmMain::cmdDeleteInterval, "OnClick"},
    {"actGridDeleteInterval", TdmMain::cmdDeleteInterval, "OnClick"},
    {"mnuRefresh", TdmMain::cmdRefresh, "OnClick"},
};

} // namespace

void TdmMain::registerWindow(int command, WindowRunner runner)
{
    windows().insert(command, std::move(runner));
}

TdmMain::Ptr<TdmMain> TdmMain::create()
{
    registerHourwrightWindows();
    auto main = Create<TdmMain, TFrmMain>();
    setDmMain(main.get());
    return main;
}

TdmMain::~TdmMain()
{
    m_server.reset();
    m_intervals.reset();
    m_idleWatch.reset();
    if (dmMain() == this)
        setDmMain(nullptr);
}

QString TdmMain::adminProjectsStatement()
{
    return QStringLiteral("select ID,CUSTOMER_ID,IS_FINISHED,DESCRIPTION as PROJECT_NAME from PROJECTS");
}

QString TdmMain::developerProjectsStatement(int developerId)
{
    // An assignment whose project was deleted since lists nothing.
    return QStringLiteral("select\r"
                          " DP.ID\r"
                          ",DP.DEVELOPER_ID\r"
                          ",DP.PROJECT_ID\r"
                          ",P.DESCRIPTION              as PROJECT_NAME\r"
                          "from\r"
                          "  DEVELOPER_PROJECTS DP\r"
                          "join\r"
                          "  PROJECTS P   on P.ID = DP.PROJECT_ID\r"
                          "where DP.DEVELOPER_ID  = %1")
        .arg(developerId);
}

QString TdmMain::elapsedText(const QDateTime& from, const QDateTime& to)
{
    qint64 msecs = TqvProjectMonitor::wallClockMSecs(to) - TqvProjectMonitor::wallClockMSecs(from);
    if (msecs < 0)
        msecs = 0;
    const qint64 seconds = msecs / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

double TdmMain::toDaySerial(const QDateTime& moment)
{
    return double(SerialEpoch.daysTo(moment.date())) + double(moment.time().msecsSinceStartOfDay()) / MSecsPerDay;
}

QDateTime TdmMain::fromDaySerial(double serial)
{
    const qint64 msecs = qint64(serial * MSecsPerDay + (serial >= 0 ? 0.5 : -0.5));
    qint64 days = msecs / MSecsPerDay;
    qint64 rest = msecs % MSecsPerDay;
    if (rest < 0) {
        rest += MSecsPerDay;
        --days;
    }
    return QDateTime(SerialEpoch.addDays(days), QTime::fromMSecsSinceStartOfDay(int(rest)));
}

void TdmMain::CreateData()
{
    TCustomModule::CreateData();
    m_connection = new DbConnection(this);
    const ConnectionSettings settings = ConnectionSettings::read(*GetOptionsManager());
    m_databaseKind = settings.kind;
    // On a team server where everyone has a login of their own, nothing can
    // be read before the sign-in: it opens the connection.
    if (settings.personalLogins())
        m_serverSignIn = settings;
    else
        settings.open(*m_connection);
    Schema::upgradeOwnFile(*m_connection);

    m_monitor = new TqvProjectMonitor(this);
    m_monitor->setAdoConnection(m_connection);
    // Start settles an interval running elsewhere first; one started by
    // another client after that is refused rather than left open beside ours.
    m_monitor->OneOpenPerDeveloper = true;

    m_projectsQuery = new SqlQuery(m_connection, QString(), this);
    m_projectWorkData = new MemTable(this);
    m_workRows = new TqvWorkRowLoader(m_connection, m_databaseKind, m_projectWorkData, this);

    m_trayIcon = new TTrayIcon(this);
    m_trayIcon->ShowIdle();

    m_backup = new TDailyBackup(this);
    connect(m_backup, &TDailyBackup::progress, this, [this](int percent) {
        Lookup(QStringLiteral("StatusBarBackup"))->AsLabel()->setText(QStringLiteral("Backing up: %1%").arg(percent));
    });
    connect(m_backup, &TDailyBackup::finished, this, &TdmMain::showBackupOutcome);

    m_usersQuery = new SqlQuery(m_connection, SharedStatements::usersList(m_databaseKind), this);
    if (!m_serverSignIn)
        m_usersQuery->open();
}

void TdmMain::DestroyData()
{
    m_server.reset();
    // A copy under way is stopped; the next sign-in makes it.
    if (m_backup)
        m_backup->stop();
    if (m_connection)
        m_connection->close();
    TCustomModule::DestroyData();
}

void TdmMain::WireEvents()
{
    TCustomModule::WireEvents();
    for (const CommandWiring& wiring : s_wiring)
        AssignEventByName(QString::fromLatin1(wiring.name), wiring.command, 0, QString::fromLatin1(wiring.event));

    // Windows that are not part of this build stay in the menu, disabled.
    for (const CommandWiring& wiring : s_wiring) {
        const bool isWindow = (wiring.command <= cmdProjectsPerDeveloper && wiring.command != cmdRecalcTimeSpend)
                              || wiring.command == cmdWeek || wiring.command == cmdLockPeriod
                              || wiring.command == cmdChanges;
        const bool optional = isWindow || wiring.command == cmdOptions || wiring.command == cmdAbout
                              || wiring.command == cmdChangePassword;
        if (optional && !windows().contains(wiring.command))
            if (QAction* action = Lookup(QString::fromLatin1(wiring.name))->AsAction())
                action->setEnabled(false);
    }

    m_trayIcon->setPopupMenu(Lookup(QStringLiteral("TrayPopupMenu"))->AsPopupMenu());
    m_trayIcon->setMainWindow(ModuleForm());

    m_loginDialog = new TLoginDialog(ModuleForm());
    m_loginDialog->ListUsers = true;
    m_loginDialog->setShowOnAppStart(true);
    m_loginDialog->ShowModal = true;
    m_loginDialog->MaxAttempts = 3;
    m_loginDialog->UserFieldName = QStringLiteral("UserName");
    m_loginDialog->PassFieldName = QStringLiteral("Password");
    m_loginDialog->OnAfterSuccesLogin = [this](QObject* sender, const QString& userName) {
        AfterLogin(sender, userName);
    };
    m_loginDialog->setDataset(m_usersQuery);
    m_loginDialog->setConnection(m_connection, m_databaseKind);
    m_loginDialog->setOptions(GetOptionsManager());
    if (m_serverSignIn) {
        m_loginDialog->ListUsers = false;
        m_loginDialog->setServerSignIn(*m_serverSignIn, ServerLoginTimeoutSeconds);
    }
    ApplyRoles();

    m_elapsedLabel = Lookup(QStringLiteral("lblTimeElapsed"))->AsLabel();
    m_intervals = std::make_unique<TIntervalCommands>(*this);
    m_desktop = new TDesktopCompanion(*this);
}

void TdmMain::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    if (Roles::isAdministratorOnly(TagOf(sender)) && !m_user.isAdmin) {
        MessageService::warning(QStringLiteral("Hourwright"), Roles::refusalText(), ModuleForm());
        return;
    }
    switch (TagOf(sender)) {
    case cmdProjects:
    case cmdProjectsPerDeveloper:
        // The project list may have changed, even when the window failed.
        try {
            runWindow(TagOf(sender));
        } catch (...) {
            RefreshData();
            throw;
        }
        RefreshData();
        break;
    case cmdSpecialEntry:
    case cmdWeek:
        runWindow(TagOf(sender));
        RefreshData();
        break;
    case cmdDevelopers:
    case cmdCustomers:
    case cmdUsers:
    case cmdReports:
    case cmdLockPeriod:
    case cmdChanges:
    case cmdAbout:
    case cmdChangePassword:
        runWindow(TagOf(sender));
        break;
    case cmdOptions:
        runWindow(cmdOptions);
        m_desktop->readSettings();
        break;
    case cmdRecalcTimeSpend:
        Recalculate();
        break;
    case cmdTimerTick:
        UpdateElapsedLabel();
        if (m_monitor->Monitoring() && m_idleWatch) {
            if (const auto away = m_idleWatch->tick(Clock::now()))
                AskAboutTimeAway(away->since, away->until);
        }
        break;
    case cmdClose:
        Close();
        break;
    case cmdRestore:
        m_trayIcon->Restore();
        break;
    case cmdTerminate:
        Terminate();
        break;
    case cmdStartMonitoring:
        DoStartMonitoring();
        break;
    case cmdStopMonitoring:
        DoStopMonitoring();
        break;
    case cmdStartLastProject:
        m_desktop->startLastProject();
        break;
    case cmdEditInterval:
        m_intervals->editCurrent();
        break;
    case cmdDeleteInterval:
        m_intervals->deleteCurrent();
        break;
    case cmdRefresh:
        Refresh();
        break;
    default:
        break;
    }
}

void TdmMain::Recalculate()
{
    // The work opens a connection of its own to the same database, as the
    // same login.
    const TRecalculation::Result result =
        TRecalculation::run(*m_connection, m_user.userName, m_user.isAdmin, ModuleForm());
    RefreshData();
    if (result.outcome == TRecalculation::Outcome::Done) {
        Lookup(QStringLiteral("RecalculateMsgBox"))->AsMessageBox()->Execute();
        if (result.leftLocked > 0)
            MessageService::information(QStringLiteral("Hourwright"), TRecalculation::leftLockedText(result.leftLocked),
                                        ModuleForm());
    }
    else if (result.outcome == TRecalculation::Outcome::Failed)
        MessageService::error(QStringLiteral("Hourwright"), result.problem, ModuleForm());
}

void TdmMain::runWindow(int command)
{
    const auto runner = windows().value(command);
    if (runner)
        runner(*this);
}

QString TdmMain::projectKeyField() const
{
    return m_user.isAdmin ? QStringLiteral("ID") : QStringLiteral("PROJECT_ID");
}

void TdmMain::ApplyRoles()
{
    for (const Roles::MenuItem& item : Roles::administratorItems()) {
        const bool available = item.command == cmdRecalcTimeSpend || windows().contains(item.command);
        if (QAction* action = Lookup(QString::fromLatin1(item.name))->AsAction())
            action->setEnabled(m_user.isAdmin && available);
    }
}

void TdmMain::AfterLogin(QObject* sender, const QString& userName)
{
    // The dialog says who signed in; a caller that signs in without it
    // (benchmarks) has put the users list on the user's row.
    m_user = sender == m_loginDialog ? m_loginDialog->signedInUser() : SignIn::fromUsersRow(*m_usersQuery, userName);
    ApplyRoles();
    Lookup(QStringLiteral("StatusBarPanel0"))
        ->AsLabel()
        ->setText(QLocale().toString(Clock::now().date(), QStringLiteral("dddd dd MMMM yyyy")));
    Lookup(QStringLiteral("StatusBarPanel1"))
        ->AsLabel()
        ->setText(QStringLiteral("User %1 - > Developer :%2")
                      .arg(userName, m_user.developerName));
    m_monitor->DeveloperID = m_user.developerId;
    m_monitor->UserName = m_user.userName;
    m_monitor->IsAdmin = m_user.isAdmin;
    m_server.reset();
    m_server = TServerStatus::attach(*this, m_user);
    LoadProjects();
    // The day's copy of the embedded database, once the window is usable.
    QTimer::singleShot(0, m_backup, [this] { m_backup->start(m_databaseKind, *m_connection); });
}

void TdmMain::showBackupOutcome(const QString& written, const QString& problem)
{
    QLabel* status = Lookup(QStringLiteral("StatusBarBackup"))->AsLabel();
    if (!problem.isEmpty()) {
        status->setText(QStringLiteral("Today's backup failed"));
        MessageService::warning(QStringLiteral("Hourwright"), problem, ModuleForm());
    } else {
        status->setText(written.isEmpty() ? QString()
                                          : QStringLiteral("Backup made: %1").arg(QFileInfo(written).fileName()));
    }
}

void TdmMain::LoadProjects()
{
    // The work rows are read once, for the project the list settles on.
    m_workRows->hold();
    auto readRows = qScopeGuard([this] { m_workRows->release(); });
    m_projectsQuery->close();
    m_projectsQuery->setSql(m_user.isAdmin ? adminProjectsStatement() : developerProjectsStatement(m_monitor->DeveloperID));
    m_projectsQuery->open();
    Lookup(QStringLiteral("dsProjects"))->as<DataSource>()->setDataSet(m_projectsQuery);
    m_workRows->followProjects(m_projectsQuery, projectKeyField());
    Lookup(QStringLiteral("dsProjectWork"))->as<DataSource>()->setDataSet(m_projectWorkData);

    const int openWork = m_monitor->CheckIncompleteWork();
    if (openWork != 0) {
        MemTable open;
        m_workRows->readInterval(openWork, open);
        if (!open.isEmpty()) {
            // The list goes to the project when it holds it; what is
            // monitored is the interval's project either way.
            m_projectsQuery->locate(projectKeyField(), open.value("PROJECT_ID"));
            m_monitor->ProjectID = open.value("PROJECT_ID").toInt();
            m_monitor->CustomerID = open.value("CUSTOMER_ID").toInt();
            m_monitor->DeveloperID = open.value("DEVELOPER_ID").toInt();
        }
    }

    const bool monitoring = m_monitor->Monitoring();
    // A resumed interval counts from its own start, whatever the options
    // file says (it may be 0 after a crash, or another interval's moment).
    m_displayStartTime = monitoring ? m_monitor->StartTime()
                                    : fromDaySerial(Options::toDouble(GetOptionsManager()->ReadValue(
                                        Options::ProjectsSection, Options::LastProjectTimeElapsed, 0)));
    // A resumed interval shows as one started here.
    if (monitoring) {
        setMonitoringDisplay();
        UpdateElapsedLabel();
    } else {
        setIdleDisplay();
    }
    prepareIdleWatch();
    showTrayState();
    m_intervals->takeOver();
}

QString TdmMain::monitoredProjectName() const
{
    // The name as the project list holds it, without asking the server.
    const int key = m_projectsQuery->fieldIndex(projectKeyField());
    const int name = m_projectsQuery->fieldIndex(QStringLiteral("PROJECT_NAME"));
    qint64 id = 0;
    for (int row = 0; key >= 0 && name >= 0 && row < m_projectsQuery->recordCount(); ++row)
        if (m_projectsQuery->intAt(row, key, &id) && id == m_monitor->ProjectID)
            return m_projectsQuery->valueAt(row, name).toString();
    // Another project (taken over, finished or deleted) only the server
    // knows, and a server known to be away is not waited for.
    if (m_server && m_server->link()->isAway())
        return QStringLiteral("Project %1").arg(m_monitor->ProjectID);
    try {
        QSqlQuery query = m_connection->exec(QStringLiteral("select DESCRIPTION from PROJECTS where ID = ?"),
                                             {m_monitor->ProjectID});
        if (query.next())
            return query.value(0).toString();
    } catch (const std::exception&) {
        // The display then names no project; measuring is not affected.
    }
    return QString();
}

void TdmMain::showTrayState()
{
    if (!m_monitor->Monitoring()) {
        m_trayIcon->ShowIdle();
        return;
    }
    m_trayIcon->ShowMonitoring(monitoredProjectName(), m_displayStartTime);
}

void TdmMain::prepareIdleWatch()
{
    const int minutes = Options::toInt(
        GetOptionsManager()->ReadValue(Options::ProjectsSection, Options::IdleMinutes, 0));
    if (!m_idleWatch)
        m_idleWatch = std::make_unique<TqvIdleWatch>();
    m_idleWatch->setThresholdMinutes(minutes);
    if (minutes > 0 && !m_idleWatch->hasSource())
        m_idleWatch->setSource(IdleSource::detect());
    m_idleWatch->reset();
}

void TdmMain::AskAboutTimeAway(const QDateTime& since, const QDateTime& until)
{
    const qint64 minutes = since.secsTo(until) / 60;
    MessageService::Request request;
    request.title = QStringLiteral("Hourwright");
    request.text = QStringLiteral("There was no input from %1 to %2 (%3 minutes).\n\n"
                                  "Keep that time in the running interval, discard it (the interval ends at %1),"
                                  " or stop monitoring now?")
                       .arg(QLocale().toString(since.time(), QLocale::ShortFormat),
                            QLocale().toString(until.time(), QLocale::ShortFormat))
                       .arg(minutes);
    request.icon = QMessageBox::Question;
    request.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    request.defaultButton = QMessageBox::Yes;
    request.buttonTexts = {{QMessageBox::Yes, QStringLiteral("&Keep")},
                           {QMessageBox::No, QStringLiteral("&Discard")},
                           {QMessageBox::Cancel, QStringLiteral("&Stop")}};
    switch (MessageService::show(request, ModuleForm())) {
    case QMessageBox::No:
        stopAt(since, WorkSource::IdleQuestion);
        break;
    case QMessageBox::Cancel:
        stopAt(Clock::now(), WorkSource::IdleQuestion);
        break;
    default:
        break;
    }
}

void TdmMain::setButtons(bool monitoring)
{
    Lookup(QStringLiteral("btnStartMonitoring"))->AsToolButton()->setEnabled(!monitoring);
    Lookup(QStringLiteral("StartMonitoring1"))->AsAction()->setEnabled(!monitoring);
    Lookup(QStringLiteral("btnStopMonitoring"))->AsToolButton()->setEnabled(monitoring);
    Lookup(QStringLiteral("StopMonitoring1"))->AsAction()->setEnabled(monitoring);
    Lookup(QStringLiteral("mnuPopStart"))->AsAction()->setEnabled(!monitoring);
    Lookup(QStringLiteral("mnuPopStop"))->AsAction()->setEnabled(monitoring);
}

void TdmMain::setMonitoringDisplay()
{
    Lookup(QStringLiteral("TimeElapsedTimer"))->AsTimer()->setEnabled(true);
    // Named and the list locked on it, however the interval began: here,
    // elsewhere and taken over, or left running by an earlier run.
    const QString project = monitoredProjectName();
    Lookup(QStringLiteral("CurrentProject"))
        ->AsLabel()
        ->setText(project.isEmpty() ? QStringLiteral("Project %1, which no longer exists").arg(m_monitor->ProjectID)
                                    : project);
    Lookup(QStringLiteral("ProjectGrid"))->as<DbGrid>()->setEnabled(false);
    setButtons(true);
}

void TdmMain::setIdleDisplay()
{
    setButtons(false);
    Lookup(QStringLiteral("TimeElapsedTimer"))->AsTimer()->setEnabled(false);
    Lookup(QStringLiteral("CurrentProject"))->AsLabel()->setText(QStringLiteral("Not monitoring"));
    Lookup(QStringLiteral("ProjectGrid"))->as<DbGrid>()->setEnabled(true);
}

void TdmMain::DoStartMonitoring()
{
    if (m_monitor->Monitoring())
        return;
    if (!m_projectsQuery->isActive()) {
        Lookup(QStringLiteral("NoProjectMessageBox"))->AsMessageBox()->Execute();
        return;
    }
    const QVariant key = m_projectsQuery->isEmpty() ? QVariant() : m_projectsQuery->value(projectKeyField());
    const StartCheck::Result check = StartCheck::check(
        *m_connection, m_user, key,
        m_projectsQuery->isEmpty() ? QString() : m_projectsQuery->value(QStringLiteral("PROJECT_NAME")).toString());
    if (check.outcome != StartCheck::Outcome::Go) {
        MessageService::information(QStringLiteral("Hourwright"), check.message, ModuleForm());
        if (check.outcome == StartCheck::Outcome::ProjectVanished)
            RefreshData();
        return;
    }
    // An interval of this developer already running elsewhere is taken over
    // or stopped first, so there is never a second open row.
    const StartConflict::Outcome conflict = StartConflict::settle(
        *m_monitor, m_projectsQuery->value(QStringLiteral("PROJECT_NAME")).toString(), ModuleForm());
    if (conflict == StartConflict::Outcome::Cancelled)
        return;
    if (conflict == StartConflict::Outcome::TakenOver) {
        m_intervals->adoptOpen();
        m_projectsQuery->locate(projectKeyField(), m_monitor->ProjectID);
        m_displayStartTime = m_monitor->StartTime();
        setMonitoringDisplay();
        showTrayState();
        if (m_idleWatch)
            m_idleWatch->reset();
        UpdateElapsedLabel();
        return;
    }
    m_displayStartTime = Clock::now();
    m_monitor->ProjectID = key.toInt();
    m_monitor->CustomerID = m_projectWorkData->isEmpty() ? 0 : m_projectWorkData->value("CUSTOMER_ID").toInt();
    m_monitor->Comments = m_intervals->comment();
    try {
        m_monitor->StartMonitoring(WorkSource::Window);
    } catch (...) {
        // Nothing was written: the window stays idle, and the message shows why.
        setIdleDisplay();
        throw;
    }
    m_intervals->commentWritten();
    setMonitoringDisplay();
    showTrayState();
    if (m_idleWatch)
        m_idleWatch->reset();
    if (m_elapsedLabel)
        m_elapsedLabel->setText(QStringLiteral("Time Elapsed :") + elapsedText(m_displayStartTime, m_displayStartTime));
    // The running interval shows on top of the project's rows.
    m_workRows->refreshInterval(m_monitor->CurrentWorkID());
}

void TdmMain::DoStopMonitoring()
{
    stopAt(Clock::now(), WorkSource::Window);
}

void TdmMain::stopAt(const QDateTime& end, WorkSource source)
{
    if (!m_monitor->Monitoring())
        return;
    const int workId = m_monitor->CurrentWorkID();
    const int projectId = m_monitor->ProjectID;
    m_monitor->Comments = m_intervals->comment();
    // A comment written elsewhere while the clock ran stays unless one was typed here.
    m_monitor->CommentTyped = m_intervals->commentTyped();
    try {
        m_monitor->StopMonitoringAt(end, source);
    } catch (...) {
        // A row closed elsewhere leaves the monitor idle; a refused update
        // leaves it monitoring. The window shows whichever it is.
        if (!m_monitor->Monitoring()) {
            setIdleDisplay();
            showTrayState();
            RefreshData();
        }
        throw;
    }
    setIdleDisplay();
    showTrayState();
    if (m_elapsedLabel)
        m_elapsedLabel->setText(QStringLiteral("Last interval: ") + elapsedText(m_monitor->StartTime(), end));
    // The list stays on (or goes back to) the project just stopped, whose
    // row takes its end in place.
    if (projectId != 0)
        selectProject(projectId);
    m_workRows->refreshInterval(workId);
    m_intervals->clearComment();
}

void TdmMain::MonitorChanged()
{
    if (m_monitor->Monitoring()) {
        m_displayStartTime = m_monitor->StartTime();
        setMonitoringDisplay();
        UpdateElapsedLabel();
    } else {
        setIdleDisplay();
        if (m_elapsedLabel)
            m_elapsedLabel->clear();
    }
    showTrayState();
}

void TdmMain::RefreshData()
{
    if (!m_projectsQuery->isActive() && m_projectsQuery->sql().isEmpty())
        return; // nobody has signed in yet
    const QVariant keep = projectToKeep();
    // The list is read again and put back on its project; then that
    // project's rows are read, once.
    m_workRows->hold();
    auto readRows = qScopeGuard([this] { m_workRows->release(); });
    m_projectsQuery->close();
    m_projectsQuery->open();
    selectProject(keep);
}

void TdmMain::Refresh()
{
    if (m_server)
        m_server->refresh();
    else
        RefreshData();
}

QVariant TdmMain::projectToKeep() const
{
    if (m_monitor->Monitoring() && m_monitor->ProjectID != 0)
        return m_monitor->ProjectID;
    if (m_projectsQuery->isActive() && m_projectsQuery->recNo() >= 0)
        return m_projectsQuery->value(projectKeyField());
    return {};
}

void TdmMain::selectProject(const QVariant& key)
{
    if (!key.isNull() && m_projectsQuery->isActive())
        m_projectsQuery->locate(projectKeyField(), key);
}

void TdmMain::UpdateElapsedLabel()
{
    if (m_elapsedLabel)
        m_elapsedLabel->setText(QStringLiteral("Time Elapsed :") + elapsedText(m_displayStartTime, Clock::now()));
}

bool TdmMain::CanClose()
{
    // The window is never closed: it goes to the notification area and
    // monitoring goes on. Without one it could not be found again, so the
    // user is asked whether to end the program instead.
    if (m_trayIcon->isActive())
        m_trayIcon->Minimize();
    else if (m_desktop->confirmEndWithoutTray())
        Terminate();
    return false;
}

void TdmMain::Terminate()
{
    TqvOptionsManager* options = GetOptionsManager();
    try {
        if (m_monitor->Monitoring())
            options->WriteValue(Options::ProjectsSection, Options::LastProjectTimeElapsed,
                                toDaySerial(m_displayStartTime));
        else
            options->WriteValue(Options::ProjectsSection, Options::LastProjectTimeElapsed, 0);
    } catch (const std::exception& error) {
        // Only the elapsed-time display depends on the value: a running
        // interval stays open in its row and resumes from it at the next
        // sign-in. The program ends all the same.
        const QString message =
            QStringLiteral("%1\n\nHourwright ends anyway; a running interval continues at the next sign-in.")
                .arg(errorMessage(error));
        std::fprintf(stderr, "hourwright: %s\n", qPrintable(message));
        MessageService::error(QStringLiteral("Hourwright"), message, ModuleForm());
    }
    ApplicationControl::terminate();
}
