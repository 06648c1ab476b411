#include "modules/f_FirstStart.h"

#include "framework/o_FormBuilding.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFrmFirstStart::TFrmFirstStart(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmFirstStart"));
    setWindowTitle(tr("Hourwright - First Start"));
    resize(520, 0);

    auto* layout = new QVBoxLayout(this);
    auto* welcome = named(new QLabel(tr("Welcome to Hourwright. No settings were found for you yet.\n"
                                        "Create a personal database to record your time in, or use an "
                                        "existing database."),
                                     this),
                          "lblWelcome");
    welcome->setWordWrap(true);
    layout->addWidget(welcome);

    auto* group = named(new QGroupBox(tr("New personal database"), this), "grpNewDatabase");
    auto* rows = new QFormLayout(group);
    auto* pathRow = new QHBoxLayout();
    auto* path = named(new QLineEdit(group), "edtDataBasePath");
    auto* choose = named(new QPushButton(tr("..."), group), "btnChooseDataBasePath");
    choose->setAutoDefault(false);
    choose->setToolTip(tr("Choose the database file"));
    choose->setFixedWidth(choose->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    pathRow->addWidget(path, 1);
    pathRow->addWidget(choose);
    auto* pathLabel = named(new QLabel(tr("&Database file:"), group), "lblDataBasePath");
    pathLabel->setBuddy(path);
    rows->addRow(pathLabel, pathRow);
    addLabeledEdit(rows, group, tr("&Last name:"), "edtLastName");
    addLabeledEdit(rows, group, tr("&Name:"), "edtName");
    addLabeledEdit(rows, group, tr("&User name:"), "edtUserName");
    addLabeledEdit(rows, group, tr("&Password:"), "edtPassword")->setEchoMode(QLineEdit::Password);
    addLabeledEdit(rows, group, tr("&Repeat password:"), "edtPasswordAgain")->setEchoMode(QLineEdit::Password);
    auto* role = named(new QLabel(tr("You become the database's first developer and its administrator."), group),
                       "lblAdministrator");
    role->setWordWrap(true);
    rows->addRow(role);
    layout->addWidget(group);

    auto* buttons = new QHBoxLayout();
    auto* existing = named(new QPushButton(tr("Use an &Existing Database..."), this), "btnUseExisting");
    existing->setAutoDefault(false);
    auto* create = named(new QPushButton(tr("&Create and Sign In"), this), "btnCreate");
    create->setDefault(true);
    auto* quit = named(new QPushButton(tr("&Quit"), this), "btnQuit");
    quit->setAutoDefault(false);
    buttons->addWidget(existing);
    buttons->addStretch();
    buttons->addWidget(create);
    buttons->addWidget(quit);
    layout->addLayout(buttons);
}
