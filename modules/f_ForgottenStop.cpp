#include "modules/f_ForgottenStop.h"

#include "framework/o_FormBuilding.h"
#include "toolkit/DateTimePicker.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TFrmForgottenStop::TFrmForgottenStop(QWidget* parent)
    : TModuleForm(parent)
{
    setObjectName(QStringLiteral("FrmForgottenStop"));
    setWindowTitle(tr("Still Working?"));
    resize(460, 180);

    auto* layout = new QVBoxLayout(this);
    auto* question = named(new QLabel(this), "lblQuestion");
    question->setWordWrap(true);
    layout->addWidget(question);

    auto* row = new QHBoxLayout();
    auto* stopLabel = named(new QLabel(tr("&Stop at :"), this), "lblStopAt");
    auto* stopDate = named(new DateTimePicker(DateTimePicker::Date, this), "dtStopDate");
    auto* stopTime = named(new DateTimePicker(DateTimePicker::Time, this), "dtStopTime");
    stopLabel->setBuddy(stopDate);
    row->addWidget(stopLabel);
    row->addWidget(stopDate);
    row->addWidget(stopTime);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();

    auto* buttons = new QHBoxLayout();
    auto* keep = named(new QPushButton(tr("&Keep Running"), this), "btnKeepRunning");
    auto* stop = named(new QPushButton(tr("Stop at &This Time"), this), "btnStopAt");
    stop->setDefault(true);
    keep->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(stop);
    buttons->addWidget(keep);
    layout->addLayout(buttons);
}
