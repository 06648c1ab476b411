#include "app/o_ServerStatus.h"

#include "app/mm_main.h"
#include "app/o_IntervalCommands.h"
#include "components/TrayIcon.h"
#include "components/o_Dialect.h"
#include "components/o_Journal.h"
#include "components/o_ProjectMonitor.h"
#include "components/o_ServerLink.h"
#include "components/o_WorkRowLoader.h"
#include "framework/o_ComponentCaster.h"
#include "toolkit/AppError.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MessageService.h"

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

std::unique_ptr<TServerStatus> TServerStatus::attach(TdmMain& main, const SignedInUser& user)
{
    if (Dialect::isFile(main.DatabaseKind()) || !main.AdoConn())
        return nullptr;
    TIntervalUser who;
    who.developerId = user.developerId;
    who.isAdmin = user.isAdmin;
    auto* link = new TServerLink(*main.AdoConn(), user.userName, who);
    std::unique_ptr<TServerStatus> status(new TServerStatus(main, link));
    link->setParent(status.get());
    // What an earlier run kept is written before the window reads its rows,
    // so they show it.
    const QStringList setAside = link->sendWaitingNow();
    main.ProjectMonitor()->setJournalLink(link);
    link->start();
    status->showState();
    for (const QString& text : setAside)
        MessageService::warning(QStringLiteral("Hourwright"), text, main.ModuleForm());
    return status;
}

TServerStatus::TServerStatus(TdmMain& main, TServerLink* link)
    : m_main(main)
    , m_link(link)
{
    if (auto* bar = m_main.ModuleForm()->findChild<QStatusBar*>()) {
        m_label = new QLabel(bar);
        m_label->setObjectName(QStringLiteral("lblServerState"));
        bar->addPermanentWidget(m_label);
    }
    connect(link, &TServerLink::stateChanged, this, &TServerStatus::showState);
    connect(link, &TServerLink::written, this, &TServerStatus::onWritten);
    connect(link, &TServerLink::setAside, this, &TServerStatus::onSetAside);
    connect(link, &TServerLink::kept, this, &TServerStatus::onKept);
    connect(link, &TServerLink::probed, this, &TServerStatus::onProbed);
    m_timer = new QTimer(this);
    m_timer->setInterval(RefreshIntervalMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        // Not under an open dialog, whose rows must stay as they are.
        if (!QApplication::activeModalWidget())
            refresh();
    });
    m_timer->start();
}

TServerStatus::~TServerStatus()
{
    if (m_main.ProjectMonitor())
        m_main.ProjectMonitor()->setJournalLink(nullptr);
    if (m_label)
        m_label->deleteLater();
    if (m_main.MainTrayIcon())
        m_main.MainTrayIcon()->setNote(QString());
}

void TServerStatus::showState()
{
    const QString text = m_link->stateText();
    if (m_label) {
        m_label->setText(text);
        m_label->setToolTip(m_link->isAway() ? m_link->lastProblem() : QString());
    }
    if (m_main.MainTrayIcon())
        m_main.MainTrayIcon()->setNote(text);
    if (!m_link->isAway() && m_link->waitingCount() == 0)
        showPendingRows();
}

void TServerStatus::refresh()
{
    // The server is asked from the sender's thread; only an answer lets the
    // window read (and so never wait on a server that is away).
    m_refreshAsked = true;
    m_link->probe();
}

void TServerStatus::onProbed(bool answered)
{
    if (!m_refreshAsked)
        return;
    m_refreshAsked = false;
    if (!answered || m_link->waitingCount() > 0)
        return;
    try {
        m_main.RefreshData();
    } catch (const DatabaseUnavailable&) {
        // Shown in the status bar; read again at the next refresh.
    }
}

void TServerStatus::onWritten(const QString& writeId, int action, int workId)
{
    TqvProjectMonitor* monitor = m_main.ProjectMonitor();
    if (action == JournalEntry::Start && writeId == monitor->StartRef())
        monitor->StartWritten(writeId, workId);
    m_toShow.insert(workId);
    if (!m_link->isAway() && m_link->waitingCount() == 0)
        showPendingRows();
}

void TServerStatus::showPendingRows()
{
    const QSet<int> rows = std::exchange(m_toShow, {});
    try {
        for (const int workId : rows)
            m_main.WorkRowLoader()->refreshInterval(workId);
    } catch (const std::exception&) {
        // Read with the grid's next refresh.
    }
}

void TServerStatus::onSetAside(const QString& writeId, const QString& text)
{
    TqvProjectMonitor* monitor = m_main.ProjectMonitor();
    if (!monitor->StartRef().isEmpty() && writeId == monitor->StartRef()) {
        // The Start being measured will never be a row: the window follows
        // whatever is open on the server instead.
        monitor->StartRefused(writeId);
        try {
            monitor->CheckIncompleteWork();
            m_main.intervalCommands()->adoptOpen();
        } catch (const std::exception&) {
        }
        m_main.MonitorChanged();
    }
    MessageService::warning(QStringLiteral("Hourwright"), text, m_main.ModuleForm());
}

void TServerStatus::onKept(const QString& description)
{
    MessageService::Request request = MessageService::Request::make(
        QStringLiteral("Hourwright"),
        QStringLiteral("The server cannot be reached. %1 is kept and will be written when it is back.").arg(description),
        QMessageBox::Information);
    request.detail = m_link->lastProblem();
    MessageService::show(request, m_main.ModuleForm());
}
