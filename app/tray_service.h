#pragma once

// The desktop's notification area as TTrayIcon sees it: one icon that can be added,
// changed and removed, and the mouse notifications the desktop reports for it. The Qt
// implementation wraps QSystemTrayIcon; tests put a double in its place.

#include <QIcon>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class ITrayService {
public:
    virtual ~ITrayService() = default;
    // Whether the desktop offers a notification area at all.
    virtual bool Available() const = 0;
    // Each returns false when the notification area refuses the request.
    virtual bool Add(const QIcon& icon, const QString& tip) = 0;
    virtual bool Modify(const QIcon& icon, const QString& tip) = 0;
    virtual bool Remove() = 0;
    // Where the icon sits on the screen, when the desktop tells (empty otherwise).
    virtual QRect Geometry() const = 0;

    // A mouse action over the icon, as the desktop reports it.
    std::function<void(QSystemTrayIcon::ActivationReason reason)> OnActivated;
};

class TQtTrayService : public ITrayService {
public:
    TQtTrayService();
    ~TQtTrayService() override;

    bool Available() const override;
    bool Add(const QIcon& icon, const QString& tip) override;
    bool Modify(const QIcon& icon, const QString& tip) override;
    bool Remove() override;
    QRect Geometry() const override;

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
};
