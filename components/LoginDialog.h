#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>

#include "components/o_ConnectionSettings.h"
#include "components/o_SignIn.h"
#include "toolkit/MemTable.h"

#include <optional>
class DbConnection;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TqvOptionsManager;

// The sign-in form: a user-name list, a masked password and two buttons.
// It binds its own handlers; the checking is the dialog component's.
class TFrmLogin : public QDialog
{
    Q_OBJECT
public:
    explicit TFrmLogin(QWidget* parent = nullptr);

    QTabWidget* TabControl1;
    QGroupBox* GroupBox1;
    QLabel* UsrLbl;
    QLabel* PassLbl;
    QComboBox* UserCombo;
    QLineEdit* PassTxt;
    QLabel* Image1;
    QLabel* Image2;
    QPushButton* LoginBtn;
    QPushButton* CancelBtn;

    // Set by the dialog: answers whether the form may close with this result.
    std::function<bool(int result)> closeQuery;
    std::function<void()> onCancel;

    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LoginBtnClick();
    void CancelBtnClick();
    void PassTxtKeyPress();
};

// Asks for a user name and password and checks them by the sign-in rules
// (SignIn) against the users table of its connection; the data set only fills
// the user-name list. Shows itself once the event loop runs (when
// ShowOnAppStart), and can end the program: Quit at the first sign-in, or
// too many failed attempts.
class TLoginDialog : public QObject
{
    Q_OBJECT
public:
    // Posted events, by their window-message numbers.
    static constexpr int WM_LOGIN_SHOW = 1024 + 300;
    static constexpr int WM_LOGIN_START = 1024 + 301;
    static constexpr int WM_LOGIN_HIDE = 1024 + 302;

    // The owner is the widget the start-up event is posted to.
    explicit TLoginDialog(QWidget* owner);
    ~TLoginDialog() override;

    MemTable* Dataset() const { return m_dataset; }
    void setDataset(MemTable* dataset) { m_dataset = dataset; }
    int MaxAttempts = 0;
    bool ShowOnAppStart() const { return m_showOnAppStart; }
    void setShowOnAppStart(bool show) { m_showOnAppStart = show; }
    bool ShowModal = false;
    QString FormCaption = QStringLiteral("User Validation");
    QString UserLabelCaption = QStringLiteral("UserName :");
    QString PassLabelCaption = QStringLiteral("Password :");
    QString GroupBoxCaption = QStringLiteral("Please enter your username and password");
    QString LoginButtonCaption = QStringLiteral("Login");
    QString CancelBtnCaption = QStringLiteral("Quit");
    QString UserFieldName;
    QString PassFieldName;
    QString UserActiveFieldName;
    bool ListUsers = false;
    QString ErrorMsgTitle = QStringLiteral("User Validation");
    QString ErrorMsgText = SignIn::refusalText();
    bool IsFirstAppRun = true;
    // Where the users are checked; without a connection nobody signs in.
    void setConnection(DbConnection* connection, int databaseKind);
    // Where the master pair's option is read at each attempt; without one
    // the master pair is refused. The user name signed in with last is kept
    // there too, and offered when the form opens.
    void setOptions(TqvOptionsManager* options);
    // On a team server with one login per person the pair opens the
    // connection itself, waiting at most the login timeout for the server.
    void setServerSignIn(const ConnectionSettings& settings, int loginTimeoutSeconds);
    // Signs in without the form (the person who just made the database); on
    // success the form is not shown at start.
    bool SignInWith(const QString& userName, const QString& password);
    // Who signed in last.
    const SignedInUser& signedInUser() const { return m_signedIn; }
    std::function<void(QObject* sender, const QString& userName)> OnAfterSuccesLogin;

    int attemptCount() const { return m_attemptCount; }
    TFrmLogin* form() const { return m_form; }

    // Whether the pair may sign in; counts failed attempts and shows the
    // error message as the rules say.
    bool ValidateLogin(const QString& userName, const QString& password);
    void ApplyCaptions();
    void FillUserList();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showForm();
    void ensureForm();
    void rememberUser(const QString& userName);

    QPointer<QWidget> m_owner;
    QPointer<MemTable> m_dataset;
    QPointer<DbConnection> m_connection;
    int m_databaseKind = -1;
    QPointer<TqvOptionsManager> m_options;
    std::optional<ConnectionSettings> m_serverSignIn;
    int m_loginTimeoutSeconds = 0;
    SignedInUser m_signedIn;
    bool m_showOnAppStart = false;
    QPointer<TFrmLogin> m_form;
    int m_attemptCount = 1;
};
