#pragma once

#include "components/o_SignIn.h"

#include <QObject>
#include <QPointer>
#include <QSet>

class QLabel;
class QTimer;
class TdmMain;
class TServerLink;

// The main window on a server that comes and goes. After sign-in it writes
// what waits in the journal from earlier, then lets the project monitor keep
// Start and Stop in the journal; it shows "Offline: N changes waiting" in
// the status bar and the tray's tip until all is written, says when an
// action is kept and when one could not be written, follows a kept Start
// once it is written, and keeps the work grid current: every minute, and on
// View > Refresh, it asks the server from the sender's thread first and
// reads only when it answered. On the embedded file it does nothing.
class TServerStatus : public QObject
{
    Q_OBJECT
public:
    // For the signed-in user of main, before the window reads its rows; null
    // on the embedded file.
    static std::unique_ptr<TServerStatus> attach(TdmMain& main, const SignedInUser& user);
    ~TServerStatus() override;

    TServerLink* link() const { return m_link; }
    // View > Refresh: the project list and rows again, once the server answers.
    void refresh();

    // How often the grid is read again by itself.
    static constexpr int RefreshIntervalMs = 60 * 1000;

private:
    TServerStatus(TdmMain& main, TServerLink* link);
    void showState();
    void onWritten(const QString& writeId, int action, int workId);
    void onSetAside(const QString& writeId, const QString& text);
    void onKept(const QString& description);
    void onProbed(bool answered);
    void showPendingRows();

    TdmMain& m_main;
    TServerLink* m_link;
    QPointer<QLabel> m_label;
    QTimer* m_timer = nullptr;
    bool m_refreshAsked = false;
    QSet<int> m_toShow; // intervals written while the grid could not read them
};
