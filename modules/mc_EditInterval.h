#pragma once

#include "components/o_IntervalEditor.h"
#include "framework/mc_CustomModule.h"

#include <functional>
#include <optional>

// Corrects one recorded interval: project (from the user's projects), start,
// stop and comment. A running interval takes a new start and comment only.
// The History tab lists who changed the interval, when and from where.
// Ok asks about overlaps with the developer's other intervals, then writes
// the change in one transaction and closes; a refused change leaves the
// window open with the reason shown.
class TdmEditInterval : public TCustomModule
{
    Q_OBJECT
public:
    enum Command { cmdOk = 100, cmdCancel = 101 };

    using TCustomModule::TCustomModule;

    // Inputs, set before Execute: the interval and who corrects it.
    int WorkID = 0;
    TIntervalUser User;
    // When the server cannot be asked: the interval and the projects as the
    // main window shows them.
    std::optional<TInterval> Known;
    QList<TIntervalEditor::Project> KnownProjects;
    // Writes the change instead of the editor (the interval as read, the
    // change, whether an overlap was accepted) and returns the interval as
    // written; throws a refusal, which leaves the window open.
    // The last argument: an administrator said yes to changing the locked period.
    std::function<TInterval(const TInterval&, const TIntervalChange&, bool, bool)> Write;

    // The interval as it was when the window opened.
    const TInterval& Original() const { return m_original; }
    // The interval as written by Ok; empty after Cancel.
    const std::optional<TInterval>& Result() const { return m_result; }

    // What the controls describe.
    TIntervalChange ScreenChange();
    // Checks, asks about overlaps (and an administrator about the locked
    // period), writes and closes; false when nothing was written.
    bool Save();
    // Fills the History tab with the interval's recorded changes.
    void ShowHistory();

protected:
    void CreateData() override;
    void WireEvents() override;
    void BeforeShow() override;
    void HandleEvent0(QObject* sender) override;

private:
    void showInterval();

    std::unique_ptr<TIntervalEditor> m_editor;
    TInterval m_original;
    QString m_shownComment;
    std::optional<TInterval> m_result;
    bool m_historyShown = false;
};
