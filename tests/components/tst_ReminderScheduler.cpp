#include "components/o_ReminderScheduler.h"

#include <QtTest>

class TestReminderScheduler : public QObject
{
    Q_OBJECT

private slots:
    // Ticks once a minute from a moment on; each reminder is listed as
    // "<minute> <kind>". 2009-05-11 is a Monday.
    void remindsInWorkingTime_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("hours"); // "days start end"
        QTest::addColumn<qint64>("idle");
        QTest::addColumn<bool>("monitoring");
        QTest::addColumn<QStringList>("expected");
        const QString week = QStringLiteral("1,2,3,4,5 09:00 17:00");
        QTest::newRow("off") << "2009-05-11 09:00" << 40 << 0 << week << qint64(0) << false << QStringList{};
        QTest::newRow("at work, again after as long") << "2009-05-11 09:00" << 40 << 15 << week << qint64(0) << false
                                                      << QStringList{"15 work", "30 work"};
        QTest::newRow("away from the desk") << "2009-05-11 09:00" << 40 << 15 << week << qint64(6 * 60000) << false
                                            << QStringList{};
        QTest::newRow("idle time unknown counts as present")
            << "2009-05-11 09:00" << 20 << 15 << week << qint64(-1) << false << QStringList{"15 work"};
        QTest::newRow("weekend") << "2009-05-16 09:00" << 40 << 15 << week << qint64(0) << false << QStringList{};
        QTest::newRow("counted from the start of the day")
            << "2009-05-11 08:00" << 80 << 15 << week << qint64(0) << false << QStringList{"75 work"};
        QTest::newRow("hours across midnight") << "2009-05-12 01:00" << 20 << 15 << "1 22:00 06:00" << qint64(0)
                                               << false << QStringList{"15 work"};
        QTest::newRow("interval running: once at the end of the day")
            << "2009-05-11 16:50" << 30 << 15 << week << qint64(0) << true << QStringList{"10 end"};
        QTest::newRow("interval running on a day off") << "2009-05-17 16:50" << 30 << 15 << week << qint64(0) << true
                                                       << QStringList{};
    }
    void remindsInWorkingTime()
    {
        QFETCH(QString, from);
        QFETCH(int, ticks);
        QFETCH(int, minutes);
        QFETCH(QString, hours);
        QFETCH(qint64, idle);
        QFETCH(bool, monitoring);
        QFETCH(QStringList, expected);
        WorkingHours working;
        working.reminderMinutes = minutes;
        const QStringList parts = hours.split(QLatin1Char(' '));
        working.days.clear();
        for (const QString& day : parts.at(0).split(QLatin1Char(',')))
            working.days << day.toInt();
        working.start = QTime::fromString(parts.at(1), "HH:mm");
        working.end = QTime::fromString(parts.at(2), "HH:mm");
        TqvReminderScheduler scheduler;
        scheduler.setHours(working);
        const QDateTime start = QDateTime::fromString(from, "yyyy-MM-dd HH:mm");
        QStringList reminded;
        for (int minute = 0; minute <= ticks; ++minute) {
            const auto reminder = scheduler.tick(start.addSecs(minute * 60), idle, monitoring);
            if (reminder != TqvReminderScheduler::Reminder::None)
                reminded << QStringLiteral("%1 %2").arg(minute).arg(
                    reminder == TqvReminderScheduler::Reminder::NotMonitoring ? "work" : "end");
        }
        QCOMPARE(reminded, expected);
    }
};

QTEST_GUILESS_MAIN(TestReminderScheduler)
#include "tst_ReminderScheduler.moc"
