#include "modules/f_Changes.h"

#include "framework/o_FormBuilding.h"
#include "toolkit/DataSource.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbGrid.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFrmChanges::TFrmChanges(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmChanges"));
    setWindowTitle(tr("Changes of Intervals"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    resize(900, 480);

    auto* layout = new QVBoxLayout(this);
    auto* criteria = new QHBoxLayout();
    auto* fromLabel = new QLabel(tr("Changed &from :"), this);
    auto* from = named(new DateTimePicker(DateTimePicker::Date, this), "dtFrom");
    fromLabel->setBuddy(from);
    auto* toLabel = new QLabel(tr("&to :"), this);
    auto* to = named(new DateTimePicker(DateTimePicker::Date, this), "dtTo");
    toLabel->setBuddy(to);
    auto* search = named(new QPushButton(tr("&Search"), this), "btnSearch");
    search->setDefault(true);
    criteria->addWidget(fromLabel);
    criteria->addWidget(from);
    criteria->addWidget(toLabel);
    criteria->addWidget(to);
    criteria->addWidget(search);
    criteria->addStretch();
    layout->addLayout(criteria);

    auto* grid = named(new DbGrid(this), "ChangesGrid");
    grid->addColumn(QStringLiteral("CHANGED_AT"), tr("When"), 160);
    grid->addColumn(QStringLiteral("CHANGED_BY"), tr("Who"), 90);
    grid->addColumn(QStringLiteral("SOURCE"), tr("From"), 100);
    grid->addColumn(QStringLiteral("ACTION"), tr("Action"), 60);
    grid->addColumn(QStringLiteral("WORK_ID"), tr("Interval"), 60);
    grid->addColumn(QStringLiteral("DEVELOPER_NAME"), tr("Developer"), 120);
    grid->addColumn(QStringLiteral("PROJECT_NAME"), tr("Project"), 110);
    grid->addColumn(QStringLiteral("DAY"), tr("Day"), 85);
    grid->addColumn(QStringLiteral("WHAT"), tr("What"), 400);
    grid->setDataSource(named(new DataSource(this), "dsChanges"));
    grid->setReadOnly(true);
    layout->addWidget(grid, 1);
    layout->addWidget(named(new QLabel(this), "lblFound"));

    auto* bottom = new QHBoxLayout();
    auto* csv = named(new QPushButton(tr("&Export to CSV"), this), "btnExportCsv");
    csv->setAutoDefault(false);
    auto* close = named(new QPushButton(tr("&Close"), this), "btnClose");
    close->setAutoDefault(false);
    bottom->addWidget(csv);
    bottom->addStretch();
    bottom->addWidget(close);
    layout->addLayout(bottom);
}
