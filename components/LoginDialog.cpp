#include "components/LoginDialog.h"

#include "components/o_OptionsManager.h"
#include "toolkit/AppError.h"
#include "toolkit/ApplicationControl.h"
#include "toolkit/DbConnection.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
QEvent::Type eventType(int message)
{
    return QEvent::Type(message);
}
} // namespace

TFrmLogin::TFrmLogin(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmLogin"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    resize(405, 211);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);

    auto* outer = new QVBoxLayout(this);
    TabControl1 = new QTabWidget(this);
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->tabBar()->hide();
    auto* page = new QWidget(TabControl1);
    TabControl1->addTab(page, QString());
    outer->addWidget(TabControl1);
    auto* pageLayout = new QVBoxLayout(page);

    GroupBox1 = new QGroupBox(page);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(GroupBox1);
    UsrLbl = new QLabel(GroupBox1);
    UsrLbl->setObjectName(QStringLiteral("UsrLbl"));
    PassLbl = new QLabel(GroupBox1);
    PassLbl->setObjectName(QStringLiteral("PassLbl"));
    UserCombo = new QComboBox(GroupBox1);
    UserCombo->setObjectName(QStringLiteral("UserCombo"));
    UserCombo->setEditable(true);
    UserCombo->setInsertPolicy(QComboBox::NoInsert);
    // What the person typed is the name: the list may suggest a longer one
    // below the box, but never writes it into the box unasked.
    UserCombo->completer()->setCompletionMode(QCompleter::PopupCompletion);
    PassTxt = new QLineEdit(GroupBox1);
    PassTxt->setObjectName(QStringLiteral("PassTxt"));
    PassTxt->setEchoMode(QLineEdit::Password);
    Image1 = new QLabel(GroupBox1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DirHomeIcon).pixmap(32, 32));
    Image2 = new QLabel(GroupBox1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    UsrLbl->setBuddy(UserCombo);
    PassLbl->setBuddy(PassTxt);
    grid->addWidget(Image1, 0, 0);
    grid->addWidget(UsrLbl, 0, 1);
    grid->addWidget(UserCombo, 0, 2);
    grid->addWidget(Image2, 1, 0);
    grid->addWidget(PassLbl, 1, 1);
    grid->addWidget(PassTxt, 1, 2);
    grid->setColumnStretch(2, 1);
    pageLayout->addWidget(GroupBox1);

    auto* line = new QFrame(page);
    line->setObjectName(QStringLiteral("Bevel1"));
    line->setFrameShape(QFrame::HLine);
    pageLayout->addWidget(line);
    auto* buttons = new QHBoxLayout();
    LoginBtn = new QPushButton(page);
    LoginBtn->setObjectName(QStringLiteral("LoginBtn"));
    CancelBtn = new QPushButton(page);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    // Enter in the user-name list must not sign in; only Enter in the password does.
    LoginBtn->setAutoDefault(false);
    CancelBtn->setAutoDefault(false);
    buttons->addWidget(LoginBtn);
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    pageLayout->addLayout(buttons);

    setTabOrder(UserCombo, PassTxt);
    setTabOrder(PassTxt, LoginBtn);
    setTabOrder(LoginBtn, CancelBtn);

    connect(LoginBtn, &QPushButton::clicked, this, &TFrmLogin::LoginBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TFrmLogin::CancelBtnClick);
    connect(PassTxt, &QLineEdit::returnPressed, this, &TFrmLogin::PassTxtKeyPress);
}

void TFrmLogin::LoginBtnClick()
{
    done(QDialog::Accepted);
}

void TFrmLogin::PassTxtKeyPress()
{
    done(QDialog::Accepted);
}

void TFrmLogin::CancelBtnClick()
{
    if (onCancel)
        onCancel();
    else
        done(QDialog::Rejected);
}

void TFrmLogin::done(int result)
{
    if (result != QDialog::Rejected && closeQuery && !closeQuery(result))
        return;
    QDialog::done(result);
}

void TFrmLogin::closeEvent(QCloseEvent* event)
{
    // The close box acts as Quit (the dialog decides what Quit means now).
    event->ignore();
    CancelBtnClick();
}

void TFrmLogin::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        CancelBtnClick();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return; // only the password field signs in on Enter
    QDialog::keyPressEvent(event);
}

TLoginDialog::TLoginDialog(QWidget* owner)
    : QObject(owner)
    , m_owner(owner)
{
    qApp->installEventFilter(this);
    QCoreApplication::postEvent(owner ? static_cast<QObject*>(owner) : qApp, new QEvent(eventType(WM_LOGIN_START)));
    IsFirstAppRun = true;
}

TLoginDialog::~TLoginDialog()
{
    if (qApp)
        qApp->removeEventFilter(this);
    delete m_form;
}

bool TLoginDialog::eventFilter(QObject* watched, QEvent* event)
{
    const int type = event->type();
    if (type == WM_LOGIN_START) {
        if (m_showOnAppStart)
            QCoreApplication::postEvent(m_owner ? static_cast<QObject*>(m_owner) : qApp,
                                        new QEvent(eventType(WM_LOGIN_SHOW)));
    } else if (type == WM_LOGIN_SHOW) {
        showForm();
    } else if (type == WM_LOGIN_HIDE) {
        if (m_form)
            m_form->hide();
    }
    // The messages are never marked handled.
    return QObject::eventFilter(watched, event);
}

void TLoginDialog::ensureForm()
{
    if (m_form)
        return;
    m_form = new TFrmLogin(m_owner);
    m_form->closeQuery = [this](int) {
        return ValidateLogin(m_form->UserCombo->currentText(), m_form->PassTxt->text());
    };
    m_form->onCancel = [this] {
        if (IsFirstAppRun) {
            // Nobody is signed in yet: Quit, the close box and Escape end the program.
            ApplicationControl::terminate();
        }
        m_form->QDialog::done(QDialog::Rejected);
    };
}

void TLoginDialog::showForm()
{
    ensureForm();
    ApplyCaptions();
    if (ListUsers)
        FillUserList();
    // The name signed in with last on this desktop is offered; the password
    // is then what is left to type.
    const QString remembered =
        m_options ? m_options->ReadValue(Options::ProjectsSection, Options::LastUserName, QString()).toString()
                  : QString();
    m_form->UserCombo->setEditText(remembered);
    if (remembered.isEmpty())
        m_form->UserCombo->setFocus();
    else
        m_form->PassTxt->setFocus();
    if (ShowModal) {
        m_form->exec();
    } else {
        m_form->show();
    }
}

void TLoginDialog::ApplyCaptions()
{
    ensureForm();
    if (!FormCaption.isEmpty())
        m_form->setWindowTitle(FormCaption);
    if (!UserLabelCaption.isEmpty())
        m_form->UsrLbl->setText(UserLabelCaption);
    if (!PassLabelCaption.isEmpty())
        m_form->PassLbl->setText(PassLabelCaption);
    if (!LoginButtonCaption.isEmpty())
        m_form->LoginBtn->setText(LoginButtonCaption);
    if (!CancelBtnCaption.isEmpty())
        m_form->CancelBtn->setText(CancelBtnCaption);
    if (!GroupBoxCaption.isEmpty())
        m_form->GroupBox1->setTitle(GroupBoxCaption);
    m_form->PassTxt->clear();
    m_form->UserCombo->setEditText(QString());
}

void TLoginDialog::rememberUser(const QString& userName)
{
    if (!m_options)
        return;
    try {
        m_options->WriteValue(Options::ProjectsSection, Options::LastUserName, userName);
    } catch (const std::exception&) {
        // Only the next sign-in's convenience depends on it.
    }
}

void TLoginDialog::FillUserList()
{
    if (!m_dataset)
        return;
    ensureForm();
    if (!m_dataset->isActive())
        m_dataset->open();
    if (!m_dataset->hasField(UserFieldName))
        return;
    const bool filtered = !UserActiveFieldName.trimmed().isEmpty();
    QComboBox* combo = m_form->UserCombo;
    combo->clear();
    for (m_dataset->first(); !m_dataset->eof(); m_dataset->next()) {
        if (filtered && m_dataset->value(UserActiveFieldName).toInt() != 1)
            continue;
        combo->addItem(m_dataset->value(UserFieldName).toString());
    }
    combo->setEditText(QString());
    m_dataset->last();
}

void TLoginDialog::setConnection(DbConnection* connection, int databaseKind)
{
    m_connection = connection;
    m_databaseKind = databaseKind;
}

void TLoginDialog::setOptions(TqvOptionsManager* options)
{
    m_options = options;
}

void TLoginDialog::setServerSignIn(const ConnectionSettings& settings, int loginTimeoutSeconds)
{
    m_serverSignIn = settings;
    m_loginTimeoutSeconds = loginTimeoutSeconds;
}

bool TLoginDialog::SignInWith(const QString& userName, const QString& password)
{
    if (!ValidateLogin(userName, password))
        return false;
    m_showOnAppStart = false;
    return true;
}

bool TLoginDialog::ValidateLogin(const QString& userName, const QString& password)
{
    if (MaxAttempts != 0 && m_attemptCount > MaxAttempts)
        ApplicationControl::terminate();

    // An unknown name is refused as a wrong password is: the message does
    // not tell which names exist.
    auto refuse = [&] {
        ++m_attemptCount;
        if (m_form)
            m_form->PassTxt->clear();
        MessageService::show(MessageService::Request::make(ErrorMsgTitle, ErrorMsgText, QMessageBox::Critical));
    };
    if (!m_connection) {
        refuse();
        return false;
    }

    SignIn::Result result;
    if (m_serverSignIn) {
        try {
            result = SignIn::checkOnServer(*m_connection, *m_serverSignIn, userName, password, m_loginTimeoutSeconds);
        } catch (const std::exception& error) {
            // The server could not be asked: no attempt is counted.
            if (m_form)
                m_form->PassTxt->clear();
            MessageService::error(ErrorMsgTitle, QStringLiteral("Signing in failed:\n%1").arg(errorMessage(error)));
            return false;
        }
    } else {
        const bool masterAllowed = m_options && SignIn::masterLoginEnabled(*m_options);
        result = SignIn::check(*m_connection, m_databaseKind, userName, password, masterAllowed);
    }
    if (result.outcome != SignIn::Outcome::SignedIn) {
        refuse();
        return false;
    }

    m_signedIn = result.user;
    // The list's data set follows the signed-in user's row where it has it.
    if (m_dataset && !result.user.master && m_dataset->isActive() && m_dataset->hasField(QStringLiteral("ID")))
        m_dataset->locate(QStringLiteral("ID"), result.user.userId);
    if (!result.rehashProblem.isEmpty())
        MessageService::warning(ErrorMsgTitle,
                                QStringLiteral("Signed in, but the password could not be stored as a hash:\n%1")
                                    .arg(result.rehashProblem));
    if (!result.user.master)
        rememberUser(result.user.userName);
    if (OnAfterSuccesLogin)
        OnAfterSuccesLogin(this, result.user.userName);
    IsFirstAppRun = false;
    return true;
}
