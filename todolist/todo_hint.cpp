#include "todolist/todo_hint.h"

#include <QApplication>

TTodoHintWindow::TTodoHintWindow(QWidget* parent)
    : QLabel(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setPalette(QApplication::palette("QTipLabel"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setMargin(1);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hideTimer_.setSingleShot(true);
    connect(&hideTimer_, &QTimer::timeout, this, &TTodoHintWindow::HideHint);
    hide();
}

void TTodoHintWindow::ShowHint(const TTodoHintInfo& info) {
    area_ = info.CursorRect;
    setText(info.HintStr);
    setWordWrap(false);
    QSize size = sizeHint();
    if (info.HintMaxWidth > 0 && size.width() > info.HintMaxWidth) {
        // Too wide for the list: wrap within its width.
        setWordWrap(true);
        size = QSize(info.HintMaxWidth, heightForWidth(info.HintMaxWidth));
    }
    setGeometry(QRect(info.HintPos, size));
    show();
    raise();
    hideTimer_.start(HideAfterMs);
}

void TTodoHintWindow::HideHint() {
    hideTimer_.stop();
    area_ = QRect();
    hide();
}
