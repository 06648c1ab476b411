#include "modules/f_Settings.h"

#include "components/o_Dialect.h"
#include "framework/o_FormBuilding.h"
#include "modules/f_DesktopRows.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

QPushButton* smallButton(const QString& caption, QWidget* parent, const char* name)
{
    auto* button = named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    return button;
}

// A captioned control on a row of its own; the caption is the control's buddy.
template <class Control>
Control* addRow(QFormLayout* rows, QWidget* parent, Control* control, const QString& caption, const char* labelName,
                QLayout* row = nullptr)
{
    auto* label = named(new QLabel(caption, parent), labelName);
    label->setBuddy(control);
    if (row)
        rows->addRow(label, row);
    else
        rows->addRow(label, control);
    return control;
}

// A file path with its "..." chooser.
QLineEdit* addPathRow(QFormLayout* rows, QWidget* parent, const QString& caption, const char* editName,
                      const char* labelName, const char* buttonName)
{
    auto* path = named(new QLineEdit(parent), editName);
    path->setMinimumWidth(path->fontMetrics().averageCharWidth() * 32);
    auto* row = new QHBoxLayout();
    row->addWidget(path, 1);
    row->addWidget(smallButton(QStringLiteral("..."), parent, buttonName));
    return addRow(rows, parent, path, caption, labelName, row);
}

} // namespace

QStringList TFrmSettings::databaseKindNames()
{
    // Kind 0 is the embedded SQLite file, kind 1 SQL Server, kind 2 PostgreSQL.
    return {QStringLiteral("SQLite"), QStringLiteral("MSSSQL"), QStringLiteral("PostgreSQL")};
}

QFormLayout* TFrmSettings::addPage(const char* name, const QString& title)
{
    auto* page = named(new QWidget(m_pages), name);
    m_pages->addTab(page, title);
    auto* layout = new QVBoxLayout(page);
    auto* rows = new QFormLayout();
    rows->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    layout->addLayout(rows);
    layout->addStretch();
    return rows;
}

QFormLayout* TFrmSettings::addSection(QFormLayout* page, const char* name, const QString& title)
{
    auto* section = named(new QGroupBox(title, page->parentWidget()), name);
    page->addRow(section);
    auto* rows = new QFormLayout(section);
    rows->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    return rows;
}

TFrmSettings::TFrmSettings(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmSettings"));
    setWindowTitle(tr("Hourwright - Settings"));

    auto* layout = new QVBoxLayout(this);
    m_pages = named(new QTabWidget(this), "PageControl1");
    layout->addWidget(m_pages, 1);

    // The database: its kind first, as it decides which of the sections
    // below apply (the controller hides the others). Created in tab order.
    QFormLayout* database = addPage("tsDatabase", tr("Database"));
    QWidget* databasePage = database->parentWidget();
    auto* kind = named(new QComboBox(databasePage), "edtDataBaseKind");
    kind->setEditable(true);
    // Return in the edit must not add a kind to the list.
    kind->setInsertPolicy(QComboBox::NoInsert);
    kind->addItems(databaseKindNames());
    kind->setCurrentIndex(-1);
    addRow(database, databasePage, kind, tr("DB Type :"), "Label1");

    QFormLayout* server = addSection(database, "grpServer", tr("Server"));
    QWidget* serverBox = server->parentWidget();
    addLabeledEdit(server, serverBox, tr("Server :"), "edtServerName");
    addLabeledEdit(server, serverBox, tr("DB Name :"), "edtDataBaseName");
    addLabeledEdit(server, serverBox, tr("UserName :"), "edtUserName");
    addLabeledEdit(server, serverBox, tr("Password :"), "edtPassWord")->setEchoMode(QLineEdit::Password);

    // PostgreSQL's TLS: how strictly the server's certificate is checked.
    QFormLayout* tls = addSection(database, "grpTls", tr("Encryption (TLS)"));
    QWidget* tlsBox = tls->parentWidget();
    auto* sslMode = named(new QComboBox(tlsBox), "edtSslMode");
    sslMode->addItem(tr("(libpq's default)"), QString());
    for (const QString& mode : Dialect::sslModes())
        sslMode->addItem(mode, mode);
    addRow(tls, tlsBox, sslMode, tr("SSL Mode :"), "lblSslMode");
    addPathRow(tls, tlsBox, tr("Root Certificate :"), "edtSslRootCert", "lblSslRootCert", "btnSslRootCert");

    QFormLayout* file = addSection(database, "grpDatabaseFile", tr("Database File"));
    addPathRow(file, file->parentWidget(), tr("Database Path :"), "edtDataBasePath", "lblDataBasePath", "Button1");

    auto* test = named(new QPushButton(tr("Test connection"), databasePage), "btnTestConnection");
    test->setAutoDefault(false);
    auto* testRow = new QHBoxLayout();
    testRow->addStretch();
    testRow->addWidget(test);
    database->addRow(testRow);

    // What happens while time is measured.
    QFormLayout* monitoring = addPage("tsMonitoring", tr("Monitoring"));
    QWidget* monitoringPage = monitoring->parentWidget();
    // Time away from the desk while monitoring.
    auto* idle = named(new QSpinBox(monitoringPage), "edtIdleMinutes");
    idle->setRange(0, 24 * 60);
    idle->setSpecialValueText(tr("off"));
    idle->setSuffix(tr(" min"));
    addRow(monitoring, monitoringPage, idle, tr("Idle after :"), "lblIdleMinutes");
    auto* idleSource = named(new QLabel(monitoringPage), "lblIdleSource");
    idleSource->setWordWrap(true);
    monitoring->addRow(QString(), idleSource);
    // An interval found running at sign-in for longer is asked about.
    auto* longInterval = named(new QSpinBox(monitoringPage), "edtLongIntervalHours");
    longInterval->setRange(0, 24 * 7);
    longInterval->setSpecialValueText(tr("never ask"));
    longInterval->setSuffix(tr(" h"));
    addRow(monitoring, monitoringPage, longInterval, tr("Ask about intervals running over :"),
           "lblLongIntervalHours");
    addSessionRows(monitoring, monitoringPage);

    // The report export.
    QFormLayout* reports = addPage("tsReports", tr("Reports"));
    addPathRow(reports, reports->parentWidget(), tr("Excel Path :"), "edtExcelFilePath", "lblExcelFilePath",
               "btnSetExcelPath");

    // Reminders during the working week.
    QFormLayout* reminders = addPage("tsReminders", tr("Reminders"));
    addReminderRows(reminders, reminders->parentWidget());

    // The bar at the bottom.
    auto* bar = named(new QFrame(this), "TabControl1");
    bar->setFrameShape(QFrame::StyledPanel);
    auto* barLayout = new QHBoxLayout(bar);
    auto* ok = named(new QPushButton(tr("Ok"), bar), "btnOk");
    ok->setAutoDefault(false);
    auto* cancel = named(new QPushButton(tr("Cancel"), bar), "btnCancel");
    cancel->setAutoDefault(false);
    barLayout->addWidget(ok);
    barLayout->addStretch();
    barLayout->addWidget(cancel);
    layout->addWidget(bar);

    resize(sizeHint().expandedTo(QSize(420, 307)));
}
