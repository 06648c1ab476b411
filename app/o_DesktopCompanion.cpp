#include "app/o_DesktopCompanion.h"

#include "app/mm_main.h"
#include "components/TrayIcon.h"
#include "components/o_IdleWatch.h"
#include "components/o_OptionsManager.h"
#include "components/o_ProjectMonitor.h"
#include "framework/o_ComponentCaster.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DbConnection.h"
#include "toolkit/DesktopBus.h"
#include "toolkit/DesktopNotifications.h"
#include "toolkit/IdleSource.h"
#include "toolkit/MessageService.h"
#include "toolkit/SessionSignals.h"
#include "toolkit/SqlQuery.h"

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QSqlQuery>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int LookEveryMSecs = 30 * 1000;
const QString Title = QStringLiteral("Hourwright");

QString shortTime(const QTime& time)
{
    return QLocale().toString(time, QLocale::ShortFormat);
}
} // namespace

TDesktopCompanion::TDesktopCompanion(TdmMain& main)
    : QObject(&main)
    , m_main(main)
{
    m_notifications = new DesktopNotifications(DesktopBus::session(), this);
    connect(m_notifications, &DesktopNotifications::actionInvoked, this, &TDesktopCompanion::onAction);
    connect(m_notifications, &DesktopNotifications::notShown, this,
            [this](const QString& summary, const QString& body, const QString& why) {
                // No notification service: the tray's own message, at least.
                std::fprintf(stderr, "hourwright: no desktop notification (%s): %s\n", qPrintable(why),
                             qPrintable(summary));
                m_main.MainTrayIcon()->ShowBalloon(summary, body);
            });
    m_sessionSignals = new SessionSignals(DesktopBus::system(), DesktopBus::session(), this);
    connect(m_sessionSignals, &SessionSignals::leaving, this, &TDesktopCompanion::onLeaving);
    connect(m_sessionSignals, &SessionSignals::back, this, &TDesktopCompanion::onBack);
    m_timer = new QTimer(this);
    m_timer->setInterval(LookEveryMSecs);
    connect(m_timer, &QTimer::timeout, this, &TDesktopCompanion::tick);
    if (QMenu* menu = m_main.Lookup(QStringLiteral("TrayPopupMenu"))->AsPopupMenu())
        connect(menu, &QMenu::aboutToShow, this, &TDesktopCompanion::updateTrayMenu);
    readSettings();
}

TDesktopCompanion::~TDesktopCompanion() = default;

void TDesktopCompanion::readSettings()
{
    TqvOptionsManager* options = GetOptionsManager();
    m_scheduler.setHours(WorkingHours::read(*options));
    bool ok = false;
    const int action = options->ReadValue(Options::DesktopSection, Options::OnLockOrSuspend, 0).toString().toInt(&ok);
    m_onLockOrSuspend = ok && action >= 0 && action <= 2 ? action : 0;
    if (m_scheduler.hours().reminderMinutes > 0)
        m_timer->start();
    else
        m_timer->stop();
}

bool TDesktopCompanion::monitoring() const
{
    return m_main.ProjectMonitor()->Monitoring();
}

template <typename Command> void TDesktopCompanion::guarded(Command command)
{
    try {
        command();
    } catch (const std::exception& error) {
        MessageService::error(Title, errorMessage(error), m_main.ModuleForm());
    }
}

void TDesktopCompanion::tick()
{
    if (!m_main.ProjectsQuery()->isActive())
        return; // nobody has signed in yet
    if (!m_idleLookedFor && m_scheduler.hours().reminderMinutes > 0) {
        m_idle = IdleSource::detect();
        m_idleLookedFor = true;
    }
    remind(m_scheduler.tick(Clock::now(), m_idle ? m_idle->idleMSecs() : -1, monitoring()));
}

void TDesktopCompanion::remind(TqvReminderScheduler::Reminder reminder)
{
    using Reminder = TqvReminderScheduler::Reminder;
    if (reminder == Reminder::NotMonitoring) {
        QList<DesktopNotifications::Action> actions;
        const Project project = lastProject();
        if (project.key.isValid())
            actions << DesktopNotifications::Action{QStringLiteral("start"), QStringLiteral("Start ") + project.name};
        actions << DesktopNotifications::Action{QStringLiteral("dismiss"), QStringLiteral("Dismiss")};
        m_notifications->notify(QStringLiteral("No time is being recorded"),
                                QStringLiteral("You have been at work for %1 minutes without a running interval.")
                                    .arg(m_scheduler.hours().reminderMinutes),
                                actions);
    } else if (reminder == Reminder::StillMonitoring) {
        m_notifications->notify(QStringLiteral("Still monitoring"),
                                QStringLiteral("The working day ended at %1; the running interval started at %2.")
                                    .arg(shortTime(m_scheduler.hours().end),
                                         shortTime(m_main.ProjectMonitor()->StartTime().time())),
                                {{QStringLiteral("stop"), QStringLiteral("Stop Monitoring")},
                                 {QStringLiteral("dismiss"), QStringLiteral("Keep Running")}});
    }
}

void TDesktopCompanion::onAction(const QString& key)
{
    if (key == QLatin1String("start"))
        guarded([this] { startLastProject(); });
    else if (key == QLatin1String("stop"))
        guarded([this] { m_main.DoStopMonitoring(); });
}

TDesktopCompanion::Project TDesktopCompanion::lastProject() const
{
    SqlQuery* list = m_main.ProjectsQuery();
    if (!list->isActive() || list->isEmpty())
        return {};
    const int keyField = list->fieldIndex(m_main.projectKeyField());
    const int nameField = list->fieldIndex(QStringLiteral("PROJECT_NAME"));
    int row = list->recNo();
    try {
        QSqlQuery newest = m_main.AdoConn()->exec(
            QStringLiteral("select PROJECT_ID from PROJECTWORK where ID = "
                           "(select max(ID) from PROJECTWORK where DEVELOPER_ID = ?)"),
            {m_main.ProjectMonitor()->DeveloperID});
        if (newest.next()) {
            const qint64 project = newest.value(0).toLongLong();
            for (int i = 0; i < list->recordCount(); ++i) {
                if (list->valueAt(i, keyField).toLongLong() == project) {
                    row = i;
                    break;
                }
            }
        }
    } catch (const std::exception&) {
        // The selected project, then; Start itself reports a database that fails.
    }
    if (row < 0)
        return {};
    return {list->valueAt(row, keyField), list->valueAt(row, nameField).toString()};
}

void TDesktopCompanion::startLastProject()
{
    if (monitoring())
        return;
    const Project project = lastProject();
    if (project.key.isValid())
        m_main.ProjectsQuery()->locate(m_main.projectKeyField(), project.key);
    m_main.DoStartMonitoring();
}

void TDesktopCompanion::updateTrayMenu()
{
    QAction* start = m_main.Lookup(QStringLiteral("mnuPopStart"))->AsAction();
    if (!start)
        return;
    const Project project = monitoring() ? Project() : lastProject();
    start->setText(project.key.isValid() ? QStringLiteral("&Start Monitoring: %1").arg(project.name)
                                         : QStringLiteral("&Start Monitoring"));
}

bool TDesktopCompanion::confirmEndWithoutTray()
{
    MessageService::Request request = MessageService::Request::make(
        Title,
        QStringLiteral("This desktop has no notification area to keep Hourwright in while its window is closed.\n\n"
                       "End Hourwright? A running interval keeps running and is taken over at the next sign-in."),
        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    request.buttonTexts = {{QMessageBox::Yes, QStringLiteral("&End Hourwright")},
                           {QMessageBox::No, QStringLiteral("&Keep It Open")}};
    return MessageService::show(request, m_main.ModuleForm()) == QMessageBox::Yes;
}

void TDesktopCompanion::onLeaving()
{
    if (!monitoring() || m_leftAt.isValid() || m_onLockOrSuspend == 0)
        return;
    const QDateTime moment = Clock::now();
    if (m_onLockOrSuspend == 1)
        guarded([this, moment] { m_main.StopMonitoringAt(moment); });
    else
        m_leftAt = moment;
}

void TDesktopCompanion::onBack()
{
    const QDateTime since = m_leftAt;
    m_leftAt = QDateTime();
    if (!since.isValid() || !monitoring())
        return;
    // The clock's gap is this same absence: the idle question must not ask again.
    if (m_main.idleWatch())
        m_main.idleWatch()->reset();
    guarded([this, since] { m_main.AskAboutTimeAway(since, Clock::now()); });
}
