#include "app/tray_service.h"

TQtTrayService::TQtTrayService() = default;
TQtTrayService::~TQtTrayService() = default;

bool TQtTrayService::Available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TQtTrayService::Add(const QIcon& icon, const QString& tip) {
    // QSystemTrayIcon reports no failure of its own; an icon without an image is the one
    // request that a notification area cannot take.
    if (icon.isNull()) {
        return false;
    }
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>();
        QObject::connect(icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (OnActivated) {
                                 OnActivated(reason);
                             }
                         });
    }
    icon_->setIcon(icon);
    icon_->setToolTip(tip);
    icon_->show();
    return icon_->isVisible();
}

bool TQtTrayService::Modify(const QIcon& icon, const QString& tip) {
    if (!icon_ || !icon_->isVisible() || icon.isNull()) {
        return false;
    }
    icon_->setIcon(icon);
    icon_->setToolTip(tip);
    return true;
}

bool TQtTrayService::Remove() {
    if (icon_) {
        icon_->hide();
    }
    return true;
}

QRect TQtTrayService::Geometry() const {
    return icon_ ? icon_->geometry() : QRect();
}
