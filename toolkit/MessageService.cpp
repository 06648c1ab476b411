#include "toolkit/MessageService.h"

#include "toolkit/AppError.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>

#include <cstdio>

namespace {
MessageService::Handler s_handler;
QList<QMessageBox::StandardButton> s_answers;
QList<MessageService::Request> s_shown;

QMessageBox::StandardButton firstButton(QMessageBox::StandardButtons buttons)
{
    for (int bit = QMessageBox::FirstButton; bit <= QMessageBox::LastButton; bit <<= 1)
        if (buttons & bit)
            return QMessageBox::StandardButton(bit);
    return QMessageBox::NoButton;
}

QMessageBox::StandardButton ask(const MessageService::Request& request, QWidget* parent)
{
    if (s_handler)
        return s_handler(request);
    // A box without a window of its own opens over the active one.
    QMessageBox box(request.icon, request.title, request.text, request.buttons,
                    parent ? parent : QApplication::activeWindow());
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    if (!request.detail.isEmpty())
        box.setDetailedText(request.detail);
    for (auto it = request.buttonTexts.begin(); it != request.buttonTexts.end(); ++it)
        if (QAbstractButton* button = box.button(it.key()))
            button->setText(it.value());
    // Help answers inside the open box: the button no longer reaches the
    // box's button row, which would close it.
    QAbstractButton* help = box.button(QMessageBox::Help);
    auto* row = box.findChild<QDialogButtonBox*>();
    if (help && row && request.onHelp) {
        QObject::disconnect(help, SIGNAL(clicked(bool)), row, nullptr);
        QObject::connect(help, &QAbstractButton::clicked, &box, [&request] { request.onHelp(); });
    }
    return QMessageBox::StandardButton(box.exec());
}
} // namespace

QMessageBox::StandardButton MessageService::show(const Request& request, QWidget* parent)
{
    if (s_handler)
        s_shown << request;
    for (;;) {
        const QMessageBox::StandardButton answer = ask(request, parent);
        if (answer == QMessageBox::Help && request.onHelp) {
            request.onHelp();
            continue; // the box stays open after Help
        }
        return answer;
    }
}

void MessageService::information(const QString& title, const QString& text, QWidget* parent)
{
    show(Request::make(title, text, QMessageBox::Information), parent);
}

void MessageService::warning(const QString& title, const QString& text, QWidget* parent)
{
    show(Request::make(title, text, QMessageBox::Warning), parent);
}

void MessageService::error(const QString& title, const QString& text, QWidget* parent)
{
    show(Request::make(title, text, QMessageBox::Critical), parent);
}

void MessageService::error(const QString& title, const std::exception& error, QWidget* parent)
{
    Request request = Request::make(title, errorMessage(error), QMessageBox::Critical);
    request.detail = errorDetail(error);
    show(request, parent);
}

void MessageService::setHandler(Handler handler)
{
    s_handler = std::move(handler);
}

void MessageService::queueAnswer(QMessageBox::StandardButton answer)
{
    s_answers << answer;
}

void MessageService::useTestAnswers()
{
    s_handler = [](const Request& request) {
        if (!s_answers.isEmpty())
            return s_answers.takeFirst();
        if (request.defaultButton != QMessageBox::NoButton)
            return request.defaultButton;
        return firstButton(request.buttons);
    };
}

void MessageService::resetForTests()
{
    s_answers.clear();
    s_shown.clear();
    useTestAnswers();
}

void MessageService::answerFromEnvironment()
{
    if (!qEnvironmentVariableIsSet("HW_MESSAGE_AUTO_ANSWER"))
        return;
    useTestAnswers();
    Handler answer = s_handler;
    s_handler = [answer](const Request& request) {
        std::fprintf(stderr, "message box [%s]: %s\n", qPrintable(request.title), qPrintable(request.text));
        return answer(request);
    };
}

const QList<MessageService::Request>& MessageService::shownForTests()
{
    return s_shown;
}
