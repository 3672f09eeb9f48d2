#pragma once

// The full-text hint of the row list box: a small tooltip-like window that opens exactly
// over a cell whose text does not fit, and closes when the pointer leaves the cell, a key
// is pressed, the list scrolls or a few seconds have passed.

#include <QLabel>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>

// What a hint request fills in: the text, where the hint window opens (screen
// coordinates), the area it belongs to (screen coordinates; leaving it withdraws the hint)
// and the widest the window may grow.
struct TTodoHintInfo {
    QString HintStr;
    QPoint HintPos;
    QRect CursorRect;
    int HintMaxWidth = 0;
};

class TTodoHintWindow : public QLabel {
    Q_OBJECT

public:
    // How long a hint stays when the pointer rests.
    static constexpr int HideAfterMs = 10000;

    explicit TTodoHintWindow(QWidget* parent);

    void ShowHint(const TTodoHintInfo& info);
    void HideHint();
    // The area of the hint on show, in screen coordinates.
    const QRect& Area() const { return area_; }

private:
    QRect area_;
    QTimer hideTimer_;
};
