#include "modules/f_DesktopRows.h"

#include "framework/o_FormBuilding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QTimeEdit>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("TFrmSettings", text);
}

QLabel* caption(QWidget* parent, const QString& text, const char* name, QWidget* buddy)
{
    auto* label = named(new QLabel(text, parent), name);
    label->setBuddy(buddy);
    return label;
}
} // namespace

void addReminderRows(QFormLayout* rows, QWidget* parent)
{
    auto* minutes = named(new QSpinBox(parent), "edtReminderMinutes");
    minutes->setRange(0, 8 * 60);
    minutes->setSpecialValueText(tr("off"));
    minutes->setSuffix(tr(" min"));
    rows->addRow(caption(parent, tr("Remind me after working without an interval for :"), "lblReminderMinutes",
                         minutes),
                 minutes);

    // The days in the order of the user's week, each named as the locale does.
    auto* days = new QHBoxLayout();
    const QLocale locale;
    QCheckBox* first = nullptr;
    for (int i = 0; i < 7; ++i) {
        const int day = (int(locale.firstDayOfWeek()) - 1 + i) % 7 + 1;
        auto* box = new QCheckBox(locale.dayName(day, QLocale::ShortFormat), parent);
        box->setObjectName(QStringLiteral("chkWorkDay%1").arg(day));
        days->addWidget(box);
        first = first ? first : box;
    }
    days->addStretch();
    rows->addRow(caption(parent, tr("Working days :"), "lblWorkDays", first), days);

    auto* hours = new QHBoxLayout();
    auto* start = named(new QTimeEdit(parent), "edtWorkStart");
    auto* end = named(new QTimeEdit(parent), "edtWorkEnd");
    for (QTimeEdit* edit : {start, end})
        edit->setDisplayFormat(QStringLiteral("HH:mm"));
    hours->addWidget(start);
    hours->addWidget(caption(parent, tr("to"), "lblWorkEnd", end));
    hours->addWidget(end);
    hours->addStretch();
    rows->addRow(caption(parent, tr("Working hours :"), "lblWorkStart", start), hours);
    auto* note = named(new QLabel(tr("At the end of the working day a running interval is reminded about once."),
                                  parent),
                       "lblReminderNote");
    note->setWordWrap(true);
    rows->addRow(QString(), note);
}

void addSessionRows(QFormLayout* rows, QWidget* parent)
{
    auto* onLock = named(new QComboBox(parent), "edtOnLockOrSuspend");
    onLock->addItems({tr("keep the interval running"), tr("stop the interval at that moment"),
                      tr("ask on return, as after time away")});
    rows->addRow(caption(parent, tr("When the screen locks or the computer sleeps :"), "lblOnLockOrSuspend", onLock),
                 onLock);
    rows->addRow(QString(), named(new QCheckBox(tr("Start Hourwright when I log in"), parent), "chkStartAtLogin"));
}
