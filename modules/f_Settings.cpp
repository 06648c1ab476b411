#include "modules/f_Settings.h"

#include "framework/o_FormBuilding.h"

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
#include <QVBoxLayout>

namespace {

QPushButton* smallButton(const QString& caption, QWidget* parent, const char* name)
{
    auto* button = named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    return button;
}

} // namespace

QStringList TFrmSettings::databaseKindNames()
{
    // Kind 0 is the embedded SQLite file, kind 1 SQL Server, kind 2 PostgreSQL.
    return {QStringLiteral("SQLite"), QStringLiteral("MSSSQL"), QStringLiteral("PostgreSQL")};
}

TFrmSettings::TFrmSettings(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmSettings"));
    setWindowTitle(tr("Hourwright - Settings"));

    auto* layout = new QVBoxLayout(this);
    auto* pages = named(new QTabWidget(this), "PageControl1");
    layout->addWidget(pages, 1);

    // First page: the connection. Created in tab order.
    auto* connectionPage = named(new QWidget(pages), "tsConnection");
    pages->addTab(connectionPage, tr("Connection Settings"));
    auto* connectionLayout = new QVBoxLayout(connectionPage);
    auto* group = named(new QGroupBox(tr("Connection Settings"), connectionPage), "GroupBox1");
    connectionLayout->addWidget(group);
    connectionLayout->addStretch();
    auto* rows = new QFormLayout(group);
    QLineEdit* server = addLabeledEdit(rows, group, tr("Server :"), "edtServerName");
    QLineEdit* dataBase = addLabeledEdit(rows, group, tr("DB Name :"), "edtDataBaseName");
    QLineEdit* user = addLabeledEdit(rows, group, tr("UserName :"), "edtUserName");
    QLineEdit* password = addLabeledEdit(rows, group, tr("Password :"), "edtPassWord");
    password->setEchoMode(QLineEdit::Password);

    auto* kindLabel = named(new QLabel(tr("DB Type :"), group), "Label1");
    auto* kind = named(new QComboBox(group), "edtDataBaseKind");
    kind->setEditable(true);
    // Return in the edit must not add a kind to the list.
    kind->setInsertPolicy(QComboBox::NoInsert);
    kind->addItems(databaseKindNames());
    kind->setCurrentIndex(-1);
    kindLabel->setBuddy(kind);
    auto* test = named(new QPushButton(tr("Test connection"), group), "btnTestConnection");
    test->setAutoDefault(false);
    auto* kindRow = new QHBoxLayout();
    kindRow->addWidget(kind, 1);
    kindRow->addWidget(test);
    rows->addRow(kindLabel, kindRow);

    // Second page: the files.
    auto* filesPage = named(new QWidget(pages), "tsFiles");
    pages->addTab(filesPage, tr("Excel File Path"));
    auto* filesLayout = new QVBoxLayout(filesPage);
    auto* fileRows = new QFormLayout();
    filesLayout->addLayout(fileRows);
    filesLayout->addStretch();

    auto* excelPath = named(new QLineEdit(filesPage), "edtExcelFilePath");
    auto* excelLabel = named(new QLabel(tr("Excel Path :"), filesPage), "lblExcelFilePath");
    excelLabel->setBuddy(excelPath);
    auto* excelRow = new QHBoxLayout();
    excelRow->addWidget(excelPath, 1);
    excelRow->addWidget(smallButton(QStringLiteral("..."), filesPage, "btnSetExcelPath"));
    fileRows->addRow(excelLabel, excelRow);

    auto* dataBasePath = named(new QLineEdit(filesPage), "edtDataBasePath");
    auto* dataBaseLabel = named(new QLabel(tr("Database Path :"), filesPage), "lblDataBasePath");
    dataBaseLabel->setBuddy(dataBasePath);
    auto* dataBaseRow = new QHBoxLayout();
    dataBaseRow->addWidget(dataBasePath, 1);
    dataBaseRow->addWidget(smallButton(QStringLiteral("..."), filesPage, "Button1"));
    fileRows->addRow(dataBaseLabel, dataBaseRow);

    // Time away from the desk while monitoring.
    auto* idle = named(new QSpinBox(filesPage), "edtIdleMinutes");
    idle->setRange(0, 24 * 60);
    idle->setSpecialValueText(tr("off"));
    idle->setSuffix(tr(" min"));
    auto* idleLabel = named(new QLabel(tr("Idle after :"), filesPage), "lblIdleMinutes");
    idleLabel->setBuddy(idle);
    fileRows->addRow(idleLabel, idle);
    auto* idleSource = named(new QLabel(filesPage), "lblIdleSource");
    idleSource->setWordWrap(true);
    fileRows->addRow(QString(), idleSource);

    // An interval found running at sign-in for longer is asked about.
    auto* longInterval = named(new QSpinBox(filesPage), "edtLongIntervalHours");
    longInterval->setRange(0, 24 * 7);
    longInterval->setSpecialValueText(tr("never ask"));
    longInterval->setSuffix(tr(" h"));
    auto* longLabel = named(new QLabel(tr("Ask about intervals running over :"), filesPage), "lblLongIntervalHours");
    longLabel->setBuddy(longInterval);
    fileRows->addRow(longLabel, longInterval);

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

    setTabOrder(server, dataBase);
    setTabOrder(dataBase, user);
    setTabOrder(user, password);
    setTabOrder(password, kind);
    setTabOrder(kind, test);

    resize(sizeHint().expandedTo(QSize(359, 307)));
}
