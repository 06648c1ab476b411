#pragma once

#include <QList>
#include <QMap>
#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through here, so tests can answer a
// box and read what it showed without a person at the screen.
class MessageService
{
public:
    struct Request
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        // Called each time the user presses Help; the box then stays open.
        std::function<void()> onHelp;
        // Captions that replace the standard ones, by button.
        QMap<QMessageBox::StandardButton, QString> buttonTexts;
        // Shown behind "Show Details..." (a driver's own text).
        QString detail;

        static Request make(const QString& title, const QString& text, QMessageBox::Icon icon,
                            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                            QMessageBox::StandardButton defaultButton = QMessageBox::Ok)
        {
            Request request;
            request.title = title;
            request.text = text;
            request.icon = icon;
            request.buttons = buttons;
            request.defaultButton = defaultButton;
            return request;
        }
    };
    using Handler = std::function<QMessageBox::StandardButton(const Request&)>;

    // Shows the box (or asks the test handler) and returns the button pressed.
    static QMessageBox::StandardButton show(const Request& request, QWidget* parent = nullptr);

    // Shortcuts for the common boxes.
    static void information(const QString& title, const QString& text, QWidget* parent = nullptr);
    static void warning(const QString& title, const QString& text, QWidget* parent = nullptr);
    static void error(const QString& title, const QString& text, QWidget* parent = nullptr);
    // The message of an exception, with its detail behind the box's details.
    static void error(const QString& title, const std::exception& error, QWidget* parent = nullptr);

    // Test control. A handler, when set, answers every box instead of a
    // person; queued answers are used first, one per box, and a box with no
    // queued answer gets its default button (or the first of its buttons).
    static void setHandler(Handler handler);
    static void queueAnswer(QMessageBox::StandardButton answer);
    static void useTestAnswers(); // installs the queued-answer handler
    static void resetForTests();
    // When HW_MESSAGE_AUTO_ANSWER is set, every box is printed to stderr and
    // answered with its default button (scripted runs, process tests).
    static void answerFromEnvironment();
    static const QList<Request>& shownForTests();
};
