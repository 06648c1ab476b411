#pragma once

class QFormLayout;
class QWidget;

// The settings window's rows about the desktop; they only build controls.
// Reminders during working hours (the minutes, the days, the hours):
void addReminderRows(QFormLayout* rows, QWidget* parent);
// What a lock or suspend does to a running interval, and starting at login:
void addSessionRows(QFormLayout* rows, QWidget* parent);
