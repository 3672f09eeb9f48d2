#pragma once

#include <QObject>
#include <functional>

// Asks for a widget's context menu from the keyboard: the Menu key (which the windowing
// system turns into a keyboard context-menu event) and Shift+F10. Installed on the widget
// and owned by it; the mouse keeps its own route.
class TKeyboardMenu : public QObject {
    Q_OBJECT

public:
    TKeyboardMenu(QWidget* widget, std::function<void()> open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> open_;
};
