#pragma once

#include "app/mm_main.h"
#include "components/LoginDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// Types into the sign-in form once it is on screen (inside its modal loop)
// and presses Login, once per pair given; then, if asked, Quit. For tests
// that link the program.
class LoginDriver : public QObject
{
public:
    LoginDriver(TdmMain& main, QList<QPair<QString, QString>> pairs, bool quitAtEnd = false)
        : m_main(main)
        , m_pairs(std::move(pairs))
        , m_quit(quitAtEnd)
    {
        connect(&m_timer, &QTimer::timeout, this, &LoginDriver::step);
        m_timer.start(5);
    }
    int presses = 0;

private:
    void step()
    {
        TFrmLogin* form = m_main.loginDialog()->form();
        if (!form || !form->isVisible())
            return;
        if (!m_pairs.isEmpty()) {
            const auto pair = m_pairs.takeFirst();
            form->UserCombo->setEditText(pair.first);
            form->PassTxt->setText(pair.second);
            ++presses;
            form->LoginBtn->click();
            return;
        }
        if (m_quit)
            form->CancelBtn->click();
        m_timer.stop();
    }
    TdmMain& m_main;
    QList<QPair<QString, QString>> m_pairs;
    bool m_quit;
    QTimer m_timer;
};

// Signs in through the form of a window already shown, and waits until the
// form has gone.
inline void signIn(TdmMain& main, const QString& user, const QString& password)
{
    LoginDriver driver(main, {{user, password}});
    QTRY_VERIFY_WITH_TIMEOUT(!main.loginDialog()->IsFirstAppRun, 5000);
    QTRY_VERIFY(!main.loginDialog()->form()->isVisible());
}
