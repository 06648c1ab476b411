#include "app/f_main.h"

#include "framework/o_FormBuilding.h"
#include "components/o_QVMessageBox.h"
#include "components/o_Duration.h"
#include "components/o_QVTimer.h"
#include "toolkit/DataSource.h"
#include "toolkit/DbGrid.h"
#include "toolkit/ElidedLabel.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QAction* menuItem(QMenu* menu, const char* name, const QString& caption,
                  const QKeySequence& shortcut = QKeySequence())
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QToolButton* toolButton(QToolBar* bar, const char* name, const QString& caption, QStyle::StandardPixmap icon)
{
    auto* button = named(new QToolButton(bar), name);
    button->setText(caption);
    button->setToolTip(caption);
    button->setIcon(bar->style()->standardIcon(icon));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setEnabled(false);
    bar->addWidget(button);
    return button;
}

} // namespace

TFrmMain::TFrmMain(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Hourwright"));
    resize(860, 560);

    auto* dsProjects = named(new DataSource(this), "dsProjects");
    auto* dsProjectWork = named(new DataSource(this), "dsProjectWork");

    // Menus, in the order of the menu bar.
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    QMenu* file = named(bar->addMenu(tr("&File")), "File1");
    menuItem(file, "mnuOptions", tr("&Options"), QKeySequence(Qt::CTRL | Qt::Key_O));
    menuItem(file, "mnuChangePassword", tr("Change &Password..."));
    file->addSeparator();
    menuItem(file, "mnuClose", tr("&Close"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    file->addSeparator();
    menuItem(file, "mnuTerminate", tr("&Terminate"));

    QMenu* view = named(bar->addMenu(tr("&View")), "View1");
    menuItem(view, "mnuRefresh", tr("&Refresh"), QKeySequence(Qt::Key_F5));

    QMenu* tables = named(bar->addMenu(tr("&Tables")), "Tables1");
    menuItem(tables, "mnuDevelopers", tr("&Developers"));
    menuItem(tables, "mnuProjects", tr("&Projects"));
    menuItem(tables, "mnuProjectsperDeveloper", tr("Projects per D&eveloper"));
    menuItem(tables, "mnuCustomers", tr("&Customers"));
    tables->addSeparator();
    menuItem(tables, "mnuUsers", tr("&Users"));
    menuItem(tables, "mnuLockPeriod", tr("&Lock Period..."));
    tables->addSeparator();

    QMenu* actions = named(bar->addMenu(tr("&Actions")), "Actions1");
    menuItem(actions, "StartMonitoring1", tr("&Start Monitoring"), QKeySequence(Qt::Key_F7))->setEnabled(false);
    menuItem(actions, "StopMonitoring1", tr("S&top Monitoring"), QKeySequence(Qt::Key_F8))->setEnabled(false);
    actions->addSeparator();
    menuItem(actions, "mnuSpecialEntry", tr("Special &Entry"));
    menuItem(actions, "mnuEditInterval", tr("Ed&it Interval..."));
    menuItem(actions, "mnuDeleteInterval", tr("&Delete Interval"));
    actions->addSeparator();
    menuItem(actions, "mnuRecalcTimeSpend", tr("&Recalculate Time Spend"));
    actions->addSeparator();
    menuItem(actions, "mnuRefreshStatus", tr("Refresh Status"))->setVisible(false);

    QMenu* tracking = named(bar->addMenu(tr("T&racking")), "Tracking1");
    menuItem(tracking, "mnuWeek", tr("&Week..."), QKeySequence(Qt::Key_F9));

    QMenu* statistics = named(bar->addMenu(tr("&Statistics")), "Statistics1");
    menuItem(statistics, "mnuReports", tr("Project &Reports"));
    menuItem(statistics, "mnuChanges", tr("&Changes..."));

    QMenu* help = named(bar->addMenu(tr("&Help")), "Help1");
    menuItem(help, "HelpFile1", tr("&Help File"))->setVisible(false);
    menuItem(help, "mnuAbout", tr("&About..."));

    // Tool bar with the two monitoring buttons.
    auto* toolBar = named(new QToolBar(tr("Monitoring"), this), "ToolBar1");
    toolBar->setMovable(false);
    toolBar->setIconSize(QSize(32, 32));
    addToolBar(Qt::TopToolBarArea, toolBar);
    toolButton(toolBar, "btnStartMonitoring", tr("Start Monitoring"), QStyle::SP_MediaPlay);
    toolButton(toolBar, "btnStopMonitoring", tr("Stop Monitoring"), QStyle::SP_MediaStop);
    toolBar->addSeparator();
    toolButton(toolBar, "btnWeek", tr("Week"), QStyle::SP_FileDialogDetailedView)->setEnabled(true);

    // Projects on the left, the running interval and the work list on the right.
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    auto* splitter = named(new QSplitter(Qt::Horizontal, central), "Splitter1");
    layout->addWidget(splitter);

    auto* projectGrid = named(new DbGrid(splitter), "ProjectGrid");
    projectGrid->addColumn(QStringLiteral("PROJECT_NAME"), tr("Project"), 220);
    projectGrid->setDataSource(dsProjects);
    projectGrid->setReadOnly(true);
    splitter->addWidget(projectGrid);

    auto* right = new QWidget(splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    auto* monitoring = named(new QGroupBox(tr("Currently Monitoring"), right), "GroupBox1");
    auto* monitoringLayout = new QVBoxLayout(monitoring);
    // The project being measured (or that nothing is), however long its
    // name: the controller fills it in.
    auto* currentProject = named(new ElidedLabel(monitoring), "CurrentProject");
    currentProject->setText(tr("Not monitoring"));
    currentProject->setAlignment(Qt::AlignCenter);
    QFont big = currentProject->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    currentProject->setFont(big);
    auto* elapsed = named(new QLabel(monitoring), "lblTimeElapsed");
    elapsed->setAlignment(Qt::AlignCenter);
    elapsed->setFont(big);
    // Empty or not, the line keeps its height, so the fields below stay put.
    elapsed->setMinimumHeight(elapsed->fontMetrics().height());
    monitoringLayout->addWidget(currentProject);
    monitoringLayout->addWidget(elapsed);
    rightLayout->addWidget(monitoring);
    // What the interval is about: written at Start and again at Stop.
    auto* commentRow = new QHBoxLayout();
    auto* commentLabel = named(new QLabel(tr("&Comment :"), right), "lblComment");
    auto* comment = named(new QLineEdit(right), "edtComment");
    comment->setPlaceholderText(tr("What you are working on"));
    commentLabel->setBuddy(comment);
    commentRow->addWidget(commentLabel);
    commentRow->addWidget(comment, 1);
    rightLayout->addLayout(commentRow);

    auto* pages = named(new QTabWidget(right), "PageControl1");
    auto* workPage = named(new QWidget(pages), "tabProjectWork");
    auto* workLayout = new QVBoxLayout(workPage);
    auto* workGrid = named(new DbGrid(workPage), "ProjectWorkGrid");
    workGrid->addColumn(QStringLiteral("PROJECT_NAME"), tr("Project"), 150, false);
    workGrid->addColumn(QStringLiteral("DEVELOPER_NAME"), tr("Developer"), 150);
    workGrid->addColumn(QStringLiteral("TIME_SPEND"), tr("Time Spend"), 80);
    workGrid->setFieldText(QStringLiteral("TIME_SPEND"), &Duration::ofStoredHours);
    workGrid->addColumn(QStringLiteral("TIME_START"), tr("Time Start"), 140);
    workGrid->addColumn(QStringLiteral("TIME_END"), tr("Time End"), 140);
    workGrid->addColumn(QStringLiteral("COMMENTS"), tr("Comment"), 200);
    workGrid->setDataSource(dsProjectWork);
    workGrid->setReadOnly(true);
    // The grid's right-click menu; the controller also runs them on Enter
    // and Delete in the grid (a double-click edits too).
    QAction* gridEdit = named(new QAction(tr("Edit Interval...\tEnter"), workGrid), "actGridEditInterval");
    QAction* gridDelete = named(new QAction(tr("Delete Interval\tDel"), workGrid), "actGridDeleteInterval");
    workGrid->addAction(gridEdit);
    workGrid->addAction(gridDelete);
    workGrid->setContextMenuPolicy(Qt::ActionsContextMenu);
    workLayout->addWidget(workGrid);
    pages->addTab(workPage, tr("Project Work"));
    rightLayout->addWidget(pages, 1);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(central);

    // Status bar: the date and the signed-in user.
    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar"));
    auto* panel0 = named(new QLabel(status), "StatusBarPanel0");
    panel0->setFixedWidth(200);
    auto* panel1 = named(new QLabel(status), "StatusBarPanel1");
    panel1->setMinimumWidth(400);
    // The day's backup: under way, made, or failed.
    auto* backup = named(new QLabel(status), "StatusBarBackup");
    status->addWidget(panel0);
    status->addWidget(panel1, 1);
    status->addPermanentWidget(backup);

    auto* timer = named(new TqvTimer(this), "TimeElapsedTimer");
    timer->setInterval(1000);
    timer->setEnabled(false);

    auto* noProject = named(new TqvMessageBox(this), "NoProjectMessageBox");
    noProject->setMessageBoxType(TqvMessageBox::mbtOk);
    noProject->setMessageBoxIcon(TqvMessageBox::mbiInformation);
    noProject->setMessageModalityLevel(TqvMessageBox::mmlApplication);
    noProject->setMessageText(QStringLiteral("No Project Selected"));
    noProject->setMessageCaption(QStringLiteral("Hourwright"));
    auto* recalculated = named(new TqvMessageBox(this), "RecalculateMsgBox");
    recalculated->setMessageBoxType(TqvMessageBox::mbtOk);
    recalculated->setMessageBoxIcon(TqvMessageBox::mbiInformation);
    recalculated->setMessageModalityLevel(TqvMessageBox::mmlApplication);
    recalculated->setMessageText(QStringLiteral("Time Recalculated"));
    recalculated->setMessageCaption(QStringLiteral("Hourwright"));

    auto* tray = named(new QMenu(this), "TrayPopupMenu");
    QAction* title = tray->addAction(QStringLiteral("Hourwright"));
    title->setObjectName(QStringLiteral("mnuPopTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    tray->setDefaultAction(title);
    tray->addSeparator();
    menuItem(tray, "mnuPopRestore", tr("&Restore"));
    menuItem(tray, "mnuPopStart", tr("&Start Monitoring"))->setEnabled(false);
    menuItem(tray, "mnuPopStop", tr("S&top Monitoring"))->setEnabled(false);
    tray->addSeparator();
    menuItem(tray, "mnuPopTerminate", tr("&Terminate"));
}
