#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

// One message box described by properties (text, caption, buttons, icon,
// default button), so a controller only has to call Execute. The box is
// shown through MessageService; the classic message-box flag word is kept
// as a pure function because other code and the tests reason in it.
class TqvMessageBox : public QObject
{
    Q_OBJECT
public:
    enum TqvMessageBoxType : int { mbtOk, mbtYesNo, mbtOkCancel, mbtAbortRetryIgnore, mbtYesNoCancel, mbtRetryCancel };
    Q_ENUM(TqvMessageBoxType)
    enum TqvMessageModalityLevel : int { mmlApplication, mmlSystem, mmlTask };
    Q_ENUM(TqvMessageModalityLevel)
    enum TqvMessageBoxIcon : int { mbiNone, mbiInformation, mbiQuestion, mbiWarning, mbiError };
    Q_ENUM(TqvMessageBoxIcon)
    enum TqvMessageDefButton : int { mdbButton1, mdbButton2, mdbButton3, mdbButton4 };
    Q_ENUM(TqvMessageDefButton)
    enum TqvMessageExecResult : int {
        merNone, merOk, merCancel, merAbort, merRetry, merIgnore,
        merYes, merNo, merClose, merTryAgain, merContinue
    };
    Q_ENUM(TqvMessageExecResult)

private:
    Q_PROPERTY(TqvMessageBoxType MessageBoxType READ MessageBoxType WRITE setMessageBoxType)
    Q_PROPERTY(TqvMessageModalityLevel MessageModalityLevel READ MessageModalityLevel WRITE setMessageModalityLevel)
    Q_PROPERTY(TqvMessageBoxIcon MessageBoxIcon READ MessageBoxIcon WRITE setMessageBoxIcon)
    Q_PROPERTY(TqvMessageDefButton MessageDefButton READ MessageDefButton WRITE setMessageDefButton)
    Q_PROPERTY(QString MessageText READ MessageText WRITE setMessageText)
    Q_PROPERTY(QString MessageCaption READ MessageCaption WRITE setMessageCaption)
    Q_PROPERTY(bool ShowHelpButton READ ShowHelpButton WRITE setShowHelpButton)
    Q_PROPERTY(TqvMessageExecResult ExecResult READ ExecResult)

public:
    // The flag values of the classic message-box call.
    enum Flag : quint32 {
        MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
        MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5,
        MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
        MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200, MB_DEFBUTTON4 = 0x300,
        MB_APPLMODAL = 0x0, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000,
        MB_HELP = 0x4000
    };

    explicit TqvMessageBox(QObject* owner = nullptr);
    ~TqvMessageBox() override;

    TqvMessageBoxType MessageBoxType() const { return m_type; }
    void setMessageBoxType(TqvMessageBoxType type) { m_type = type; }
    TqvMessageModalityLevel MessageModalityLevel() const { return m_modality; }
    void setMessageModalityLevel(TqvMessageModalityLevel level) { m_modality = level; }
    TqvMessageBoxIcon MessageBoxIcon() const { return m_icon; }
    void setMessageBoxIcon(TqvMessageBoxIcon icon) { m_icon = icon; }
    TqvMessageDefButton MessageDefButton() const { return m_defButton; }
    void setMessageDefButton(TqvMessageDefButton button) { m_defButton = button; }
    QString MessageText() const { return m_text; }
    void setMessageText(const QString& text) { m_text = text; }
    QString MessageCaption() const { return m_caption; }
    void setMessageCaption(const QString& caption) { m_caption = caption; }
    bool ShowHelpButton() const { return m_showHelp; }
    void setShowHelpButton(bool show) { m_showHelp = show; }
    TqvMessageExecResult ExecResult() const { return m_result; }

    // Shows the box, waits for the user, stores and returns the result and
    // then emits AfterExecute.
    TqvMessageExecResult Execute();

    // The flag word of the current properties, MB_HELP included when the
    // help button is shown.
    quint32 Flags() const;

    static quint32 flagsFor(TqvMessageBoxType type, TqvMessageModalityLevel modality,
                            TqvMessageBoxIcon icon, TqvMessageDefButton defButton, bool helpButton);
    // The buttons of a box type, in the order they appear (Help last).
    static QList<QMessageBox::StandardButton> buttonsFor(TqvMessageBoxType type, bool helpButton);
    static QMessageBox::Icon iconFor(TqvMessageBoxIcon icon);
    // The n-th button of the box; a number past the last button, or the
    // Help button, means the first.
    static QMessageBox::StandardButton defaultButtonFor(TqvMessageBoxType type, TqvMessageDefButton defButton,
                                                        bool helpButton);
    static TqvMessageExecResult resultFor(QMessageBox::StandardButton button);

signals:
    void AfterExecute(QObject* sender, TqvMessageBox::TqvMessageExecResult result);
    // Each press of Help; the box stays open.
    void OnHelpButtonClick(QObject* sender);

private:
    TqvMessageBoxType m_type = mbtOk;
    TqvMessageModalityLevel m_modality = mmlApplication;
    TqvMessageBoxIcon m_icon = mbiNone;
    TqvMessageDefButton m_defButton = mdbButton1;
    QString m_text;
    QString m_caption;
    bool m_showHelp = false;
    TqvMessageExecResult m_result = merNone;
};
