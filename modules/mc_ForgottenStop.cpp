#include "modules/mc_ForgottenStop.h"

#include "components/o_IntervalEditor.h"
#include "components/o_ProjectMonitor.h"
#include "framework/o_ComponentCaster.h"
#include "toolkit/AppError.h"
#include "toolkit/Clock.h"
#include "toolkit/DateTimePicker.h"

#include <QLabel>

bool TdmForgottenStop::isForgotten(const QDateTime& start, const QDateTime& now, int limitHours)
{
    if (limitHours <= 0 || !start.isValid())
        return false;
    const qint64 running = TqvProjectMonitor::wallClockMSecs(now) - TqvProjectMonitor::wallClockMSecs(start);
    return running > qint64(limitHours) * 60 * 60 * 1000;
}

void TdmForgottenStop::WireEvents()
{
    TCustomModule::WireEvents();
    AssignEventByName(QStringLiteral("btnKeepRunning"), cmdKeepRunning, 0, QStringLiteral("OnClick"));
    AssignEventByName(QStringLiteral("btnStopAt"), cmdStopAt, 0, QStringLiteral("OnClick"));
}

void TdmForgottenStop::BeforeShow()
{
    TCustomModule::BeforeShow();
    const QDateTime now = Clock::now();
    const qint64 minutes =
        (TqvProjectMonitor::wallClockMSecs(now) - TqvProjectMonitor::wallClockMSecs(Start)) / 60000;
    Lookup(QStringLiteral("lblQuestion"))
        ->AsLabel()
        ->setText(tr("The interval on %1 has been running since %2, for %3 hours: more than the limit of %4 "
                     "hours. Did you forget to stop it?\n\nKeep it running, or stop it at the time below.")
                      .arg(ProjectName.isEmpty() ? tr("an unknown project") : ProjectName,
                           QLocale().toString(Start, QLocale::ShortFormat), TIntervalEditor::durationText(minutes))
                      .arg(LimitHours));
    const QDateTime proposed = std::min(Start.addSecs(qint64(LimitHours) * 3600), now);
    for (const char* name : {"dtStopDate", "dtStopTime"})
        Lookup(QString::fromLatin1(name))->as<DateTimePicker>()->setDateTime(proposed);
}

QDateTime TdmForgottenStop::ScreenMoment()
{
    return QDateTime(Lookup(QStringLiteral("dtStopDate"))->as<DateTimePicker>()->date(),
                     Lookup(QStringLiteral("dtStopTime"))->as<DateTimePicker>()->time());
}

void TdmForgottenStop::chooseStop()
{
    const QDateTime chosen = ScreenMoment();
    const QDateTime now = Clock::now();
    if (chosen < Start)
        throw AppError(tr("The stop (%1) is earlier than the start (%2).")
                           .arg(QLocale().toString(chosen, QLocale::ShortFormat),
                                QLocale().toString(Start, QLocale::ShortFormat)));
    if (const QString future = TIntervalEditor::futureRefusal(QDateTime(), chosen, now); !future.isEmpty())
        throw AppError(future);
    m_stopAt = chosen;
    Close();
}

void TdmForgottenStop::HandleEvent0(QObject* sender)
{
    TCustomModule::HandleEvent0(sender);
    switch (TagOf(sender)) {
    case cmdKeepRunning:
        m_stopAt.reset();
        Close();
        break;
    case cmdStopAt:
        chooseStop();
        break;
    default:
        break;
    }
}
