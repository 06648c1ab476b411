#pragma once

#include <QDateTime>
#include <QWidget>

class QCheckBox;
class QDateTimeEdit;

// A date or time picker holding a whole date-time: the Date kind edits its
// date and keeps its time of day, the Time kind edits hours, minutes and
// seconds and keeps its date (and milliseconds). An optional check box in
// front switches the picker off; the editor is disabled while unticked.
class DateTimePicker : public QWidget
{
    Q_OBJECT
public:
    enum Kind { Date, Time };
    Q_ENUM(Kind)

    explicit DateTimePicker(Kind kind = Date, QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);

    QDateTime dateTime() const { return m_value; }
    void setDateTime(const QDateTime& value);
    QDate date() const { return m_value.date(); }
    QTime time() const { return m_value.time(); }

    void setShowCheckBox(bool show);
    bool showCheckBox() const;
    bool isChecked() const; // true when no check box is shown
    void setChecked(bool checked);

    QDateTimeEdit* editor() const { return m_editor; }
    QCheckBox* checkBox() const { return m_check; }

signals:
    void dateTimeChanged(const QDateTime& value);
    void checkedChanged(bool checked);

private:
    void edited(const QDateTime& shown);
    void showValue();
    void updateEnabled();

    Kind m_kind;
    QDateTime m_value;
    QCheckBox* m_check;
    QDateTimeEdit* m_editor;
    bool m_showing = false;
};
