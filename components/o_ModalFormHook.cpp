#include "components/o_ModalFormHook.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <limits>

TModalFormHook::TModalFormHook(QObject* owner)
    : QObject(owner)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &TModalFormHook::search);
}

TModalFormHook::~TModalFormHook() = default;

void TModalFormHook::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start();
}

void TModalFormHook::setSearchInterval(quint32 interval)
{
    m_searchInterval = interval;
    const int milliseconds = int(std::min<quint32>(interval, std::numeric_limits<int>::max()));
    if (milliseconds != m_timer.interval())
        m_timer.setInterval(milliseconds);
}

bool TModalFormHook::matches(const QWidget* form, const QString& formName, const QString& formClassName)
{
    if (!form)
        return false;
    if (!formName.isEmpty() && form->objectName().compare(formName, Qt::CaseInsensitive) == 0)
        return true;
    return !formClassName.isEmpty()
        && QString::fromLatin1(form->metaObject()->className()).compare(formClassName, Qt::CaseInsensitive) == 0;
}

void TModalFormHook::search()
{
    m_timer.stop();
    QWidget* found = nullptr;
    const QWidgetList forms = QApplication::topLevelWidgets();
    for (QWidget* form : forms) {
        if (!matches(form, m_formName, m_formClassName))
            continue;
        found = form;
        if (m_onFormFound)
            break;
    }
    if (!found) {
        m_timer.start();
        return;
    }
    m_found = found;
    if (m_onFormFound)
        m_onFormFound(found); // may delete this hook: nothing follows
}
