#include "modules/f_EditInterval.h"

#include "framework/o_FormBuilding.h"
#include "toolkit/DateTimePicker.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFrmEditInterval::TFrmEditInterval(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmEditInterval"));
    setWindowTitle(tr("Edit Interval"));
    resize(480, 220);

    auto* layout = new QVBoxLayout(this);
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
    layout->addLayout(fields);

    // Shown for a running interval, whose project and stop cannot change.
    auto* running = named(new QLabel(this), "lblRunning");
    running->setWordWrap(true);
    running->setVisible(false);
    layout->addWidget(running);
    layout->addStretch();

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
