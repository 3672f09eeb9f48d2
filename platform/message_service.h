#pragma once

// Message and question boxes. The widgets and the model never show boxes themselves; the
// application shows them through this service, so tests can answer them in advance.

#include <QString>
#include <QStringList>

// The caption of every message box and the application's title.
inline const QString kApplicationTitle = QStringLiteral("Pellmark");

// The error text as the general error handler shows it: a full stop is added when the
// last character comes after the full stop in character order (letters, digits, most
// closing marks), so "Cannot open file x.2do" gets one and "Done." or "(x)" do not.
QString ErrorBoxText(const QString& message);

class IMessageService {
public:
    virtual ~IMessageService() = default;
    // The general error box: caption "Pellmark", error icon, an OK button. The text is
    // shown as given (ShowException applies ErrorBoxText).
    virtual void ShowError(const QString& text) = 0;
    // A plain message box captioned "Pellmark" with an OK button.
    virtual void ShowMessage(const QString& text) = 0;
    // A question captioned "Confirm" with the buttons "&Yes" and "&No"; true only when the
    // user pressed Yes (No, Escape and the close box all refuse).
    virtual bool Confirm(const QString& question) = 0;
    // A question captioned "Pellmark" with one button per choice, the first the default;
    // returns the index of the pressed one. Escape and the close box press the last, so
    // the last choice is the one that changes least.
    virtual int Choose(const QString& question, const QStringList& choices) = 0;
};

// Qt's message boxes, modal on the active window.
class TQtMessageService : public IMessageService {
public:
    void ShowError(const QString& text) override;
    void ShowMessage(const QString& text) override;
    bool Confirm(const QString& question) override;
    int Choose(const QString& question, const QStringList& choices) override;
};
