#pragma once

#include "app/mm_main.h"
#include "components/LoginDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

// Types into the sign-in form once it is on screen (inside its modal loop)
// and presses Login, once per pair given. For tests that link the program.
class LoginDriver : public QObject
{
public:
    LoginDriver(TdmMain& main, QList<QPair<QString, QString>> pairs)
        : m_main(main)
        , m_pairs(std::move(pairs))
    {
        connect(&m_timer, &QTimer::timeout, this, &LoginDriver::step);
        m_timer.start(5);
    }

private:
    void step()
    {
        TFrmLogin* form = m_main.loginDialog()->form();
        if (!form || !form->isVisible())
            return;
        if (m_pairs.isEmpty()) {
            m_timer.stop();
            return;
        }
        const auto pair = m_pairs.takeFirst();
        form->UserCombo->setEditText(pair.first);
        form->PassTxt->setText(pair.second);
        form->LoginBtn->click();
    }
    TdmMain& m_main;
    QList<QPair<QString, QString>> m_pairs;
    QTimer m_timer;
};
