#pragma once

// A notification area for tests: records what TTrayIcon asks of it, can refuse, and
// reports mouse actions on demand.

#include <QStringList>
#include <memory>

#include "app/tray_service.h"

struct FakeTrayArea {
    bool available = true;
    bool refuseAdd = false;
    bool refuseRemove = false;
    bool shown = false;
    QIcon icon;
    QString tip;
    QStringList calls;
    // The image of every Add and Modify, in order.
    QList<qint64> iconKeys;
};

class FakeTrayService : public ITrayService {
public:
    explicit FakeTrayService(std::shared_ptr<FakeTrayArea> area) : area_(std::move(area)) {}

    bool Available() const override { return area_->available; }
    bool Add(const QIcon& icon, const QString& tip) override {
        area_->calls << QStringLiteral("Add ") + tip;
        if (area_->refuseAdd) {
            return false;
        }
        area_->shown = true;
        area_->iconKeys << icon.cacheKey();
        area_->icon = icon;
        area_->tip = tip;
        return true;
    }
    bool Modify(const QIcon& icon, const QString& tip) override {
        area_->calls << QStringLiteral("Modify ") + tip;
        area_->iconKeys << icon.cacheKey();
        area_->icon = icon;
        area_->tip = tip;
        return area_->shown;
    }
    bool Remove() override {
        area_->calls << QStringLiteral("Remove");
        if (area_->refuseRemove) {
            return false;
        }
        area_->shown = false;
        return true;
    }
    QRect Geometry() const override { return area_->shown ? QRect(10, 10, 22, 22) : QRect(); }

    // What the desktop would report for a mouse action over the icon.
    void Report(QSystemTrayIcon::ActivationReason reason) {
        if (OnActivated) {
            OnActivated(reason);
        }
    }

private:
    std::shared_ptr<FakeTrayArea> area_;
};
