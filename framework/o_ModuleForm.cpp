#include "framework/o_ModuleForm.h"

#include <QCloseEvent>

TModuleForm::TModuleForm(QWidget* parent)
    : QDialog(parent)
{
}

TModuleForm::~TModuleForm() = default;

bool TModuleForm::mayClose()
{
    return m_approved || !m_closeQuery || m_closeQuery();
}

void TModuleForm::done(int result)
{
    if (!mayClose())
        return;
    QDialog::done(result);
}

void TModuleForm::closeEvent(QCloseEvent* event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    const bool wasApproved = m_approved;
    m_approved = true;
    QDialog::closeEvent(event);
    m_approved = wasApproved;
}
