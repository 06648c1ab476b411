#pragma once

#include "components/o_ConnectionSettings.h"
#include "components/o_SignIn.h"
#include "components/o_WorkWriter.h"
#include "framework/mc_CustomModule.h"
#include "framework/o_MainModule.h"

#include <QDateTime>

#include <optional>

class DbConnection;
class MemTable;
class QLabel;
class SqlQuery;
class TDesktopCompanion;
class TLoginDialog;
class TDailyBackup;
class TIntervalCommands;
class TServerStatus;
class TTrayIcon;
class TqvIdleWatch;
class TqvProjectMonitor;
class TqvWorkRowLoader;

// The main window's controller, alive for the whole run: it owns the one
// connection and the project monitor, signs the user in, lists the user's
// projects and their intervals, drives Start and Stop Monitoring, shows the
// elapsed time, hides to the notification area and ends the program.
class TdmMain : public TCustomModule, public IMainModule
{
    Q_OBJECT
public:
    enum Command {
        cmdProjects = 100,
        cmdDevelopers = 101,
        cmdCustomers = 102,
        cmdUsers = 103,
        cmdSpecialEntry = 104,
        cmdReports = 105,
        cmdRecalcTimeSpend = 106,
        cmdProjectsPerDeveloper = 107,
        cmdTimerTick = 108,
        cmdWeek = 109,
        cmdLockPeriod = 110,
        cmdChanges = 111,
        cmdClose = 200,
        cmdOptions = 201,
        cmdRestore = 202,
        cmdTerminate = 203,
        cmdAbout = 204,
        cmdChangePassword = 205,
        cmdStartMonitoring = 400,
        cmdStopMonitoring = 401,
        cmdEditInterval = 402,
        cmdDeleteInterval = 403,
        cmdStartLastProject = 404,
        cmdRefresh = 405,
    };

    // How long a sign-in waits for a team server that does not answer.
    static constexpr int ServerLoginTimeoutSeconds = 10;

    using TCustomModule::TCustomModule;
    ~TdmMain() override;

    static Ptr<TdmMain> create();

    DbConnection* AdoConn() const override { return m_connection; }
    TqvProjectMonitor* ProjectMonitor() const override { return m_monitor; }
    int DatabaseKind() const override { return m_databaseKind; }

    TTrayIcon* MainTrayIcon() const { return m_trayIcon; }
    TLoginDialog* loginDialog() const { return m_loginDialog; }
    SqlQuery* ProjectsQuery() const { return m_projectsQuery; }
    SqlQuery* UsersQuery() const { return m_usersQuery; }
    // The selected project's intervals, newest first, read as they are shown.
    MemTable* ProjectWorkData() const { return m_projectWorkData; }
    TqvWorkRowLoader* WorkRowLoader() const { return m_workRows; }
    // The day's copy of the embedded database, made after the sign-in.
    TDailyBackup* DailyBackup() const { return m_backup; }
    QDateTime DisplayStartTime() const { return m_displayStartTime; }

    void AfterLogin(QObject* sender, const QString& userName);
    // Enables the administrator-only menu items for an administrator and
    // disables them for everyone else (and before anyone has signed in).
    void ApplyRoles();
    const SignedInUser& signedInUser() const { return m_user; }
    void LoadProjects();
    void DoStartMonitoring();
    void DoStopMonitoring();
    // After time away from the desk: keep it, discard it (the interval ends
    // when input stopped) or stop now, as the user answers.
    void AskAboutTimeAway(const QDateTime& since, const QDateTime& until);
    TqvIdleWatch* idleWatch() const { return m_idleWatch.get(); }
    void RefreshData();
    // View > Refresh: on a server, once it answers.
    void Refresh();
    TServerStatus* serverStatus() const { return m_server.get(); }
    // Recalculate Time Spend, off the window's thread, with a progress window.
    void Recalculate();
    void UpdateElapsedLabel();
    // Whether the signed-in user is an administrator (IS_ADMIN exactly 1).
    bool IsAdmin() const { return m_user.isAdmin; }
    // The project list's key: ID for administrators, PROJECT_ID for others.
    QString projectKeyField() const;
    // Closes the running interval as of an earlier moment (the forgotten
    // stop, the screen locked); the source is where the stop was decided.
    void StopMonitoringAt(const QDateTime& end, WorkSource source) { stopAt(end, source); }
    // The buttons and the elapsed time follow the monitor again, after its
    // interval was corrected or deleted.
    void MonitorChanged();
    TIntervalCommands* intervalCommands() const { return m_intervals.get(); }
    TDesktopCompanion* desktopCompanion() const { return m_desktop; }
    void Terminate();

    // "hh:mm:ss" with the hours counted in full (25 hours show as 25:00:00).
    static QString elapsedText(const QDateTime& from, const QDateTime& to);
    // A moment as days since 1899-12-30, the form LastProjectTimeElapsed keeps.
    static double toDaySerial(const QDateTime& moment);
    static QDateTime fromDaySerial(double serial);

    // The statements of the project list.
    static QString adminProjectsStatement();
    static QString developerProjectsStatement(int developerId);

    // Opens one of the other windows as its command says. Each later window
    // registers itself here; a command without a window leaves its menu item
    // disabled.
    using WindowRunner = std::function<void(TdmMain& main)>;
    static void registerWindow(int command, WindowRunner runner);

protected:
    void CreateData() override;
    void DestroyData() override;
    void WireEvents() override;
    void HandleEvent0(QObject* sender) override;
    bool CanClose() override;

private:
    // The project the list shows after a refresh: the one being monitored,
    // else the one selected.
    QVariant projectToKeep() const;
    void selectProject(const QVariant& key);
    void setButtons(bool monitoring);
    // The buttons, the clock, the list and "Currently Monitoring" while
    // time runs, and while it does not.
    void setMonitoringDisplay();
    void setIdleDisplay();
    QString monitoredProjectName() const;
    // The day's copy in the status bar; a failure also in a warning.
    void showBackupOutcome(const QString& written, const QString& problem);
    void runWindow(int command);
    void stopAt(const QDateTime& end, WorkSource source);
    void prepareIdleWatch();
    void showTrayState();

    DbConnection* m_connection = nullptr;
    int m_databaseKind = -1;
    // Set on a team server with one login per person: the sign-in connects.
    std::optional<ConnectionSettings> m_serverSignIn;
    TqvProjectMonitor* m_monitor = nullptr;
    SqlQuery* m_projectsQuery = nullptr;
    MemTable* m_projectWorkData = nullptr;
    TqvWorkRowLoader* m_workRows = nullptr;
    SqlQuery* m_usersQuery = nullptr;
    TTrayIcon* m_trayIcon = nullptr;
    TDailyBackup* m_backup = nullptr;
    TLoginDialog* m_loginDialog = nullptr;
    QLabel* m_elapsedLabel = nullptr;
    QDateTime m_displayStartTime;
    SignedInUser m_user;
    std::unique_ptr<TqvIdleWatch> m_idleWatch;
    std::unique_ptr<TIntervalCommands> m_intervals;
    TDesktopCompanion* m_desktop = nullptr;
    std::unique_ptr<TServerStatus> m_server;
};
