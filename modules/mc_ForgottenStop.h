#pragma once

#include "framework/mc_CustomModule.h"

#include <QDateTime>

#include <optional>

// Asks about an interval that has been running longer than the limit: keep
// it running, or stop it at a moment the user picks (by default its start
// plus the limit). The module only answers; the caller stops the interval.
class TdmForgottenStop : public TCustomModule
{
    Q_OBJECT
public:
    enum Command { cmdKeepRunning = 100, cmdStopAt = 101 };

    using TCustomModule::TCustomModule;

    // Inputs, set before Execute.
    QString ProjectName;
    QDateTime Start;
    int LimitHours = 10;

    // The moment chosen by "Stop at This Time"; empty when kept running.
    const std::optional<QDateTime>& StopAt() const { return m_stopAt; }
    QDateTime ScreenMoment();

    // Whether an interval that began at start is still running at now for
    // longer than limitHours; a limit of 0 never asks.
    static bool isForgotten(const QDateTime& start, const QDateTime& now, int limitHours);

protected:
    void WireEvents() override;
    void BeforeShow() override;
    void HandleEvent0(QObject* sender) override;

private:
    void chooseStop();

    std::optional<QDateTime> m_stopAt;
};
