#pragma once

#include <QApplication>

// The application object. An exception that escapes an event handler is
// shown in a message box and the program goes on.
class HourwrightApplication : public QApplication
{
    Q_OBJECT
public:
    HourwrightApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The first argument selects set-up mode when it is "-setup" in any letter case.
    static bool isSetupMode(const QStringList& arguments);
    // "-hidden" in any letter case (the session's autostart): the main window
    // waits in the notification area, where there is one.
    static bool startsHidden(const QStringList& arguments);
    // Shows a start-up failure in a box titled "Application Error" and on stderr.
    static void reportStartupFailure(const QString& message);

    // --help (-h) and --version (-v) as the first argument: the text to print
    // before ending, with no window and no display needed; empty otherwise.
    static QString informationRequested(const QStringList& arguments);
    static QString helpText();
    static QString versionText();
};
