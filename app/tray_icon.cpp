#include "app/tray_icon.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace {

// A plain check mark on a blue square, for a program that has no icon of its own: a
// notification area cannot show an icon without an image.
QIcon BuiltInIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1E, 0x5A, 0xA8));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 5, 5);
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF({QPointF(9, 16), QPointF(14, 22), QPointF(23, 10)}));
    painter.end();
    return QIcon(pixmap);
}

}  // namespace

TTrayIcon::TTrayIcon(QWidget* owner, std::unique_ptr<ITrayService> service)
    : QObject(owner),
      owner_(owner),
      service_(service ? std::move(service) : std::make_unique<TQtTrayService>()) {
    timer_.setInterval(interval_);
    connect(&timer_, &QTimer::timeout, this, &TTrayIcon::NextImage);
    service_->OnActivated = [this](QSystemTrayIcon::ActivationReason reason) { Activated(reason); };
    if (owner_) {
        owner_->installEventFilter(this);
    }
    // The system ending the session quits the application; the icon goes with it.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (iconShown_) {
                service_->Remove();
                iconShown_ = false;
            }
        });
    }
}

TTrayIcon::~TTrayIcon() {
    if (iconShown_) {
        service_->Remove();
    }
}

void TTrayIcon::Loaded() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    // Qt settles on one kind of notification area per process, so it is asked once.
    hosted_ = service_->Available();
    if (hosted_ && enabled_) {
        AddIcon();
    }
}

void TTrayIcon::AddIcon() {
    if (!service_->Add(CurrentIcon(), Tip())) {
        hosted_ = false;
        throw ETrayIconError(QStringLiteral("Cannot create Shell Notification Icon"));
    }
    hosted_ = true;
    iconShown_ = true;
}

void TTrayIcon::RemoveIcon() {
    if (!service_->Remove()) {
        throw ETrayIconError(QStringLiteral("Cannot remove Shell Notification Icon"));
    }
    iconShown_ = false;
}

void TTrayIcon::SetEnabled(bool value) {
    if (value == enabled_) {
        return;
    }
    if (loaded_ && value && !iconShown_ && service_->Available()) {
        AddIcon();
    } else if (loaded_ && !value && iconShown_) {
        RemoveIcon();
        // Without its icon a window hidden in the notification area could never come back.
        if (inTray_) {
            RestoreApp();
        }
    }
    enabled_ = value;
}

void TTrayIcon::SetHint(const QString& value) {
    if (value == hint_ || value.size() >= 64) {
        return;
    }
    hint_ = value;
    UpdateIcon();
}

void TTrayIcon::SetIcons(const QList<QIcon>& value) {
    icons_ = value;
    UpdateIcon();
}

void TTrayIcon::SetIconIndex(int value) {
    iconIndex_ = value;
    UpdateIcon();
}

void TTrayIcon::SetAnimate(bool value) {
    animate_ = value;
    UpdateTimer();
}

void TTrayIcon::SetInterval(int value) {
    interval_ = value;
    UpdateTimer();
}

void TTrayIcon::UpdateTimer() {
    // A period of zero or less never fires.
    if (animate_ && interval_ > 0) {
        timer_.start(interval_);
    } else {
        timer_.stop();
    }
}

void TTrayIcon::NextImage() {
    if (icons_.isEmpty()) {
        return;
    }
    int next = iconIndex_ + 1;
    if (next < 0 || next >= icons_.size()) {
        next = 0;
    }
    SetIconIndex(next);
}

QIcon TTrayIcon::CurrentIcon() const {
    if (iconIndex_ >= 0 && iconIndex_ < icons_.size() && !icons_[iconIndex_].isNull()) {
        return icons_[iconIndex_];
    }
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull() && owner_) {
        icon = owner_->windowIcon();
    }
    return icon.isNull() ? BuiltInIcon() : icon;
}

void TTrayIcon::UpdateIcon() {
    if (iconShown_) {
        service_->Modify(CurrentIcon(), Tip());
    }
}

void TTrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            MouseAction(ticLeftClick);
            MouseAction(ticLeftClickUp);
            break;
        case QSystemTrayIcon::DoubleClick:
            MouseAction(ticLeftDblClick);
            MouseAction(ticLeftClickUp);
            break;
        case QSystemTrayIcon::Context:
            MouseAction(ticRightClick);
            MouseAction(ticRightClickUp);
            break;
        case QSystemTrayIcon::MiddleClick:
        case QSystemTrayIcon::Unknown:
            break;
    }
}

void TTrayIcon::MouseAction(TTrayIconClicks action) {
    if (action == ticNone) {
        return;
    }
    if (restoreOn_ == action) {
        RestoreApp();
    }
    if (popupMenuOn_ == action) {
        OpenPopupMenu();
    }
    switch (action) {
        case ticLeftClick:
            Raise(OnLButtonDown, this);
            break;
        case ticLeftDblClick:
            Raise(OnLButtonDblClick, this);
            break;
        case ticLeftClickUp:
            Raise(OnLButtonUp, this);
            break;
        case ticRightClick:
            Raise(OnRButtonDown, this);
            break;
        case ticRightDblClick:
            Raise(OnRButtonDblClick, this);
            break;
        case ticRightClickUp:
            Raise(OnRButtonUp, this);
            break;
        case ticNone:
            break;
    }
}

void TTrayIcon::OpenPopupMenu() {
    if (!popupMenu_) {
        return;
    }
    const QPoint pos = QCursor::pos();
    // A hidden window cannot come to the front; the menu opens over whatever is there.
    if (owner_ && owner_->isVisible()) {
        owner_->activateWindow();
    }
    popupMenu_->popup(pos);
}

void TTrayIcon::MinimizeApp() {
    if (!owner_ || inTray_) {
        return;
    }
    owner_->showMinimized();
}

void TTrayIcon::RestoreApp() {
    if (!owner_) {
        return;
    }
    restoring_ = true;
    owner_->setWindowState(owner_->windowState() & ~Qt::WindowMinimized);
    restoring_ = false;
    owner_->show();
    owner_->raise();
    owner_->activateWindow();
    inTray_ = false;
    if (hosted_) {
        Raise(OnRestoreApp, this);
    }
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_ && event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const bool was = change->oldState() & Qt::WindowMinimized;
        const bool now = owner_->windowState() & Qt::WindowMinimized;
        if (!was && now) {
            WentMinimized();
        } else if (was && !now) {
            WentRestored();
        }
    }
    return QObject::eventFilter(watched, event);
}

void TTrayIcon::WentMinimized() {
    if (!hosted_) {
        return;  // an ordinary minimise
    }
    if (enabled_ && iconShown_) {
        // Hiding a window from inside its own state change confuses some window
        // managers; it is done once the change has been delivered.
        QMetaObject::invokeMethod(this, &TTrayIcon::FinishMinimize, Qt::QueuedConnection);
    } else {
        Raise(OnMinimizeApp, this);
    }
}

void TTrayIcon::FinishMinimize() {
    // The window may have come back before the queued call ran.
    if (!owner_ || inTray_ || !(owner_->windowState() & Qt::WindowMinimized)) {
        return;
    }
    owner_->hide();
    inTray_ = true;
    Raise(OnMinimizeApp, this);
}

void TTrayIcon::WentRestored() {
    // RestoreApp reports its own restore once the window is in front again.
    if (restoring_ || !hosted_) {
        return;
    }
    if (!owner_->isVisible()) {
        owner_->show();
    }
    inTray_ = false;
    Raise(OnRestoreApp, this);
}

void TTrayIcon::Raise(const TNotifyEvent& event, TTrayIcon* sender) {
    if (event) {
        event(sender);
    }
}
