#include "platform/message_service.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) {
        return message + QLatin1Char('.');
    }
    return message;
}

namespace {

void ShowBox(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, kApplicationTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

}  // namespace

void TQtMessageService::ShowError(const QString& text) {
    ShowBox(QMessageBox::Critical, text);
}

void TQtMessageService::ShowMessage(const QString& text) {
    ShowBox(QMessageBox::NoIcon, text);
}

bool TQtMessageService::Confirm(const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), question,
                    QMessageBox::NoButton, QApplication::activeWindow());
    // Own buttons, so the texts do not depend on a translation of Qt's standard ones.
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

int TQtMessageService::Choose(const QString& question, const QStringList& choices) {
    QMessageBox box(QMessageBox::Question, kApplicationTitle, question, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QList<QAbstractButton*> buttons;
    for (const QString& choice : choices) {
        buttons << box.addButton(choice, QMessageBox::AcceptRole);
    }
    if (!buttons.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
        box.setEscapeButton(buttons.back());
    }
    box.exec();
    const auto chosen = buttons.indexOf(box.clickedButton());
    return static_cast<int>(chosen >= 0 ? chosen : buttons.size() - 1);
}
