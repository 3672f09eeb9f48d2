#include "app/keyboard_menu.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QWidget>

TKeyboardMenu::TKeyboardMenu(QWidget* widget, std::function<void()> open)
    : QObject(widget), open_(std::move(open)) {
    widget->installEventFilter(this);
}

bool TKeyboardMenu::eventFilter(QObject* watched, QEvent* event) {
    bool asked = false;
    if (event->type() == QEvent::ContextMenu) {
        asked = static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        asked = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
    }
    if (!asked) {
        return QObject::eventFilter(watched, event);
    }
    event->accept();
    open_();
    return true;
}
