#include "modules/f_EditInterval.h"

#include "framework/o_FormBuilding.h"
#include "toolkit/DateTimePicker.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

TFrmEditInterval::TFrmEditInterval(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmEditInterval"));
    setWindowTitle(tr("Edit Interval"));
    resize(640, 300);

    auto* layout = new QVBoxLayout(this);
    auto* pages = named(new QTabWidget(this), "pages");
    layout->addWidget(pages, 1);
    auto* intervalPage = named(new QWidget(pages), "tabInterval");
    pages->addTab(intervalPage, tr("&Interval"));
    auto* intervalLayout = new QVBoxLayout(intervalPage);
    auto* fields = new QGridLayout();
    auto* projectLabel = named(new QLabel(tr("&Project :"), this), "lblProject");
    auto* project = named(new QComboBox(this), "cboProject");
    projectLabel->setBuddy(project);
    fields->addWidget(projectLabel, 0, 0);
    fields->addWidget(project, 0, 1, 1, 2);

    auto* startLabel = named(new QLabel(tr("&Start :"), this), "lblStart");
    auto* startDate = named(new DateTimePicker(DateTimePicker::Date, this), "dtStartDate");
    auto* startTime = named(new DateTimePicker(DateTimePicker::Time, this), "dtStartTime");
    startLabel->setBuddy(startDate);
    fields->addWidget(startLabel, 1, 0);
    fields->addWidget(startDate, 1, 1);
    fields->addWidget(startTime, 1, 2);

    auto* stopLabel = named(new QLabel(tr("St&op :"), this), "lblStop");
    auto* stopDate = named(new DateTimePicker(DateTimePicker::Date, this), "dtStopDate");
    auto* stopTime = named(new DateTimePicker(DateTimePicker::Time, this), "dtStopTime");
    stopLabel->setBuddy(stopDate);
    fields->addWidget(stopLabel, 2, 0);
    fields->addWidget(stopDate, 2, 1);
    fields->addWidget(stopTime, 2, 2);

    auto* commentLabel = named(new QLabel(tr("&Comment :"), this), "lblComment");
    auto* comment = named(new QLineEdit(this), "edtComment");
    commentLabel->setBuddy(comment);
    fields->addWidget(commentLabel, 3, 0);
    fields->addWidget(comment, 3, 1, 1, 2);
    fields->setColumnStretch(1, 1);
    intervalLayout->addLayout(fields);

    // Shown for a running interval, whose project and stop cannot change.
    auto* running = named(new QLabel(this), "lblRunning");
    running->setWordWrap(true);
    running->setVisible(false);
    intervalLayout->addWidget(running);
    intervalLayout->addStretch();

    // Every recorded change of the interval, read when the tab is first shown.
    auto* historyPage = named(new QWidget(pages), "tabHistory");
    pages->addTab(historyPage, tr("&History"));
    auto* historyLayout = new QVBoxLayout(historyPage);
    auto* history = named(new QTreeWidget(historyPage), "lstHistory");
    history->setRootIsDecorated(false);
    history->setWordWrap(true);
    history->setHeaderLabels({tr("When"), tr("Who"), tr("From"), tr("Action"), tr("What")});
    history->setColumnWidth(0, 160);
    history->setColumnWidth(1, 90);
    history->setColumnWidth(2, 100);
    history->setColumnWidth(3, 60);
    historyLayout->addWidget(history, 1);
    auto* historyNote = named(new QLabel(historyPage), "lblHistory");
    historyNote->setWordWrap(true);
    historyLayout->addWidget(historyNote);

    auto* buttons = new QHBoxLayout();
    auto* ok = named(new QPushButton(tr("&Ok"), this), "btnOk");
    ok->setDefault(true);
    auto* cancel = named(new QPushButton(tr("&Cancel"), this), "btnCancel");
    cancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}
