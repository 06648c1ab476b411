#include "modules/f_SpecialEntry.h"

#include "framework/o_FormBuilding.h"
#include "toolkit/DataSource.h"
#include "toolkit/DateTimePicker.h"
#include "toolkit/DbGrid.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TFrmSpecialEntry::TFrmSpecialEntry(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmSpecialEntry"));
    setWindowTitle(tr("Enter Special Entry"));
    resize(463, 351);
    auto* dsProjects = named(new DataSource(this), "dsProjects");

    auto* layout = new QVBoxLayout(this);
    auto* pages = named(new QTabWidget(this), "PageControl1");
    auto* page = new QWidget(pages);
    pages->addTab(page, tr("Enter Special Entry"));
    layout->addWidget(pages, 1);
    auto* pageLayout = new QVBoxLayout(page);

    auto* panel1 = named(new QWidget(page), "Panel1");
    auto* pickers = new QGridLayout(panel1);
    pickers->setContentsMargins(0, 0, 0, 0);
    auto* startLabel = named(new QLabel(tr("&Start :"), panel1), "Label1");
    auto* stopLabel = named(new QLabel(tr("St&op:"), panel1), "Label2");
    auto* startDate = named(new DateTimePicker(DateTimePicker::Date, panel1), "dtStartDate");
    auto* startTime = named(new DateTimePicker(DateTimePicker::Time, panel1), "dtStartTime");
    auto* stopDate = named(new DateTimePicker(DateTimePicker::Date, panel1), "dtStopDate");
    auto* stopTime = named(new DateTimePicker(DateTimePicker::Time, panel1), "dtStopTime");
    startLabel->setBuddy(startDate);
    stopLabel->setBuddy(stopDate);
    pickers->addWidget(startLabel, 0, 0);
    pickers->addWidget(startDate, 0, 1);
    pickers->addWidget(startTime, 0, 2);
    pickers->addWidget(stopLabel, 1, 0);
    pickers->addWidget(stopDate, 1, 1);
    pickers->addWidget(stopTime, 1, 2);
    auto* commentLabel = named(new QLabel(tr("&Comment :"), panel1), "lblComment");
    auto* comment = named(new QLineEdit(panel1), "edtComment");
    commentLabel->setBuddy(comment);
    pickers->addWidget(commentLabel, 2, 0);
    pickers->addWidget(comment, 2, 1, 1, 2);
    pageLayout->addWidget(panel1);

    auto* grid = named(new DbGrid(page), "ProjectsGrid");
    grid->addColumn(QStringLiteral("DESCRIPTION"), tr("Project"), 250);
    grid->setDataSource(dsProjects);
    grid->setReadOnly(true);
    pageLayout->addWidget(grid, 1);

    auto* panel2 = named(new QWidget(page), "Panel2");
    auto* insertRow = new QHBoxLayout(panel2);
    insertRow->setContentsMargins(0, 0, 0, 0);
    auto* insert = named(new QPushButton(tr("&Insert"), panel2), "btnInsert");
    insert->setAutoDefault(false);
    insertRow->addStretch();
    insertRow->addWidget(insert);
    pageLayout->addWidget(panel2);

    auto* bottom = new QHBoxLayout();
    auto* close = named(new QPushButton(tr("&Close"), this), "btnClose");
    close->setAutoDefault(false);
    bottom->addStretch();
    bottom->addWidget(close);
    layout->addLayout(bottom);
}
