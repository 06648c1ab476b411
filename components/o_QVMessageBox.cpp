#include "components/o_QVMessageBox.h"

#include "toolkit/MessageService.h"

TqvMessageBox::TqvMessageBox(QObject* owner)
    : QObject(owner)
{
}

TqvMessageBox::~TqvMessageBox() = default;

quint32 TqvMessageBox::flagsFor(TqvMessageBoxType type, TqvMessageModalityLevel modality, TqvMessageBoxIcon icon,
                                TqvMessageDefButton defButton, bool helpButton)
{
    // The enumeration order is not the order of the flag values.
    static const quint32 typeFlags[] = {MB_OK, MB_YESNO, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL,
                                        MB_RETRYCANCEL};
    static const quint32 modalityFlags[] = {MB_APPLMODAL, MB_SYSTEMMODAL, MB_TASKMODAL};
    static const quint32 iconFlags[] = {0, MB_ICONINFORMATION, MB_ICONQUESTION, MB_ICONWARNING, MB_ICONERROR};
    static const quint32 defButtonFlags[] = {MB_DEFBUTTON1, MB_DEFBUTTON2, MB_DEFBUTTON3, MB_DEFBUTTON4};
    return iconFlags[icon] + defButtonFlags[defButton] + typeFlags[type] + modalityFlags[modality]
        + (helpButton ? quint32(MB_HELP) : 0u);
}

quint32 TqvMessageBox::Flags() const
{
    return flagsFor(m_type, m_modality, m_icon, m_defButton, m_showHelp);
}

QList<QMessageBox::StandardButton> TqvMessageBox::buttonsFor(TqvMessageBoxType type, bool helpButton)
{
    // A type outside the list (a scripted value) shows Ok, so a box always has a button.
    QList<QMessageBox::StandardButton> buttons = {QMessageBox::Ok};
    switch (type) {
    case mbtOk: buttons = {QMessageBox::Ok}; break;
    case mbtYesNo: buttons = {QMessageBox::Yes, QMessageBox::No}; break;
    case mbtOkCancel: buttons = {QMessageBox::Ok, QMessageBox::Cancel}; break;
    case mbtAbortRetryIgnore: buttons = {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}; break;
    case mbtYesNoCancel: buttons = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}; break;
    case mbtRetryCancel: buttons = {QMessageBox::Retry, QMessageBox::Cancel}; break;
    }
    if (helpButton)
        buttons << QMessageBox::Help;
    return buttons;
}

QMessageBox::Icon TqvMessageBox::iconFor(TqvMessageBoxIcon icon)
{
    switch (icon) {
    case mbiNone: return QMessageBox::NoIcon;
    case mbiInformation: return QMessageBox::Information;
    case mbiQuestion: return QMessageBox::Question;
    case mbiWarning: return QMessageBox::Warning;
    case mbiError: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton TqvMessageBox::defaultButtonFor(TqvMessageBoxType type, TqvMessageDefButton defButton,
                                                            bool helpButton)
{
    const QList<QMessageBox::StandardButton> buttons = buttonsFor(type, helpButton);
    const int index = int(defButton);
    // Help never becomes the default: Enter would then reopen the box forever.
    if (index >= buttons.size() || buttons.at(index) == QMessageBox::Help)
        return buttons.first();
    return buttons.at(index);
}

TqvMessageBox::TqvMessageExecResult TqvMessageBox::resultFor(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok: return merOk;
    case QMessageBox::Cancel: return merCancel;
    case QMessageBox::Abort: return merAbort;
    case QMessageBox::Retry: return merRetry;
    case QMessageBox::Ignore: return merIgnore;
    case QMessageBox::Yes: return merYes;
    case QMessageBox::No: return merNo;
    case QMessageBox::Close: return merClose;
    default: return merNone;
    }
}

TqvMessageBox::TqvMessageExecResult TqvMessageBox::Execute()
{
    MessageService::Request request;
    request.title = m_caption;
    request.text = m_text;
    request.icon = iconFor(m_icon);
    request.buttons = {};
    for (QMessageBox::StandardButton button : buttonsFor(m_type, m_showHelp))
        request.buttons |= button;
    request.defaultButton = defaultButtonFor(m_type, m_defButton, m_showHelp);
    if (m_showHelp)
        request.onHelp = [this] { emit OnHelpButtonClick(this); };

    m_result = resultFor(MessageService::show(request));
    emit AfterExecute(this, m_result);
    return m_result;
}
