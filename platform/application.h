#pragma once

// The application object with the general error handler: an exception that escapes an
// event handler is shown in the error box and the program goes on with the next event.

#include <QApplication>
#include <exception>
#include <functional>
#include <memory>

#include "platform/message_service.h"

// Shows a caught exception the way the general error handler does: the error box with its
// message (EPellmarkError and other std::exception texts, UTF-8) and the full-stop rule.
void ShowException(IMessageService& messages, const std::exception& error);
// The same for the exception being handled; call it inside a catch block. Exceptions of
// other types get a general text.
void ShowCurrentException(IMessageService& messages);
// Runs one step of a command; an error it raises is shown that way and ends the step.
// False when it failed.
bool RunShowingErrors(IMessageService& messages, const std::function<void()>& step);

class TPellmarkApplication : public QApplication {
    Q_OBJECT

public:
    TPellmarkApplication(int& argc, char** argv);
    ~TPellmarkApplication() override;

    // Where the handler shows errors; nullptr (the start) means Qt's message boxes. The
    // service must outlive its use here.
    void SetMessageService(IMessageService* messages);
    IMessageService& MessageService();

    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::unique_ptr<TQtMessageService> ownMessages_;
    IMessageService* messages_ = nullptr;
};
