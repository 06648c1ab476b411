#include "toolkit/DateTimePicker.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QScopedValueRollback>

DateTimePicker::DateTimePicker(Kind kind, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_value(QDate::currentDate(), QTime(0, 0))
    , m_check(new QCheckBox(this))
    , m_editor(new QDateTimeEdit(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_check);
    layout->addWidget(m_editor, 1);
    m_check->setChecked(true);
    m_check->hide();
    setFocusProxy(m_editor);
    connect(m_editor, &QDateTimeEdit::dateTimeChanged, this, &DateTimePicker::edited);
    connect(m_check, &QCheckBox::toggled, this, [this](bool checked) {
        updateEnabled();
        emit checkedChanged(checked);
    });
    setKind(kind);
}

void DateTimePicker::setKind(Kind kind)
{
    m_kind = kind;
    {
        QScopedValueRollback<bool> showing(m_showing, true);
        if (kind == Date) {
            m_editor->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
            m_editor->setCalendarPopup(true);
        } else {
            m_editor->setCalendarPopup(false);
            m_editor->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        }
    }
    showValue();
}

void DateTimePicker::setDateTime(const QDateTime& value)
{
    if (!value.isValid() || value == m_value)
        return;
    m_value = value;
    showValue();
    emit dateTimeChanged(m_value);
}

void DateTimePicker::showValue()
{
    QScopedValueRollback<bool> showing(m_showing, true);
    m_editor->setDateTime(m_value);
}

void DateTimePicker::edited(const QDateTime& shown)
{
    if (m_showing)
        return;
    QDateTime value = m_value;
    if (m_kind == Date) {
        value.setDate(shown.date());
    } else {
        const QTime time = shown.time();
        value.setTime(QTime(time.hour(), time.minute(), time.second(), m_value.time().msec()));
    }
    if (value == m_value)
        return;
    m_value = value;
    emit dateTimeChanged(m_value);
}

void DateTimePicker::setShowCheckBox(bool show)
{
    m_check->setVisible(show);
    m_check->setHidden(!show);
    updateEnabled();
}

bool DateTimePicker::showCheckBox() const
{
    return !m_check->isHidden();
}

bool DateTimePicker::isChecked() const
{
    return !showCheckBox() || m_check->isChecked();
}

void DateTimePicker::setChecked(bool checked)
{
    m_check->setChecked(checked);
}

void DateTimePicker::updateEnabled()
{
    m_editor->setEnabled(isChecked());
}
