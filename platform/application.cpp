#include "platform/application.h"

#include "model/errors.h"

void ShowException(IMessageService& messages, const std::exception& error) {
    messages.ShowError(ErrorBoxText(QString::fromUtf8(error.what())));
}

void ShowCurrentException(IMessageService& messages) {
    try {
        throw;
    } catch (const std::exception& e) {
        ShowException(messages, e);
    } catch (...) {
        messages.ShowError(ErrorBoxText(QStringLiteral("Unknown error")));
    }
}

bool RunShowingErrors(IMessageService& messages, const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (...) {
        ShowCurrentException(messages);
        return false;
    }
}

TPellmarkApplication::TPellmarkApplication(int& argc, char** argv)
    : QApplication(argc, argv), ownMessages_(std::make_unique<TQtMessageService>()) {}

TPellmarkApplication::~TPellmarkApplication() = default;

void TPellmarkApplication::SetMessageService(IMessageService* messages) {
    messages_ = messages;
}

IMessageService& TPellmarkApplication::MessageService() {
    return messages_ ? *messages_ : *ownMessages_;
}

bool TPellmarkApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // The failing command stops here; the event counts as handled.
        try {
            ShowCurrentException(MessageService());
        } catch (...) {
            // Nothing better can be done when the error box itself fails.
        }
        return true;
    }
}
