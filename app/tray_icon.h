#pragma once

// The program's icon in the desktop's notification area. Minimising the main window, by
// any route, sends it to the notification area: the window and its taskbar entry are
// hidden and only the icon remains. The icon's mouse actions can restore the window or
// open a popup menu, and are reported as events.
//
// What a Linux notification area reports: QSystemTrayIcon gives one notification per
// click, not separate presses and releases. A left press arrives as a left press followed
// at once by a left release; a left double click (on hosts that report one) as a left
// double click followed by a left release, so one double click gives one left press in
// all; the right button (or the host's context-menu request) as a right press followed by
// a right release. Right double clicks and the middle button are not reported.
//
// Without a notification area (QSystemTrayIcon::isSystemTrayAvailable() false when the
// icon is added, or the area refusing the icon) the program runs without the icon:
// minimising stays an ordinary minimise, the window keeps its taskbar entry, and
// OnMinimizeApp and OnRestoreApp are not raised.

#include <QIcon>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/tray_service.h"
#include "model/errors.h"

class QWidget;

// The notification area refused to add or remove the icon.
class ETrayIconError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};

enum TTrayIconClicks : std::uint8_t {
    ticNone = 0,
    ticLeftClick = 1,      // left press
    ticLeftDblClick = 2,   // left double click
    ticLeftClickUp = 3,    // left release
    ticRightClick = 4,     // right press
    ticRightDblClick = 5,  // right double click
    ticRightClickUp = 6,   // right release
};

class TTrayIcon : public QObject {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TTrayIcon* sender)>;

    // Watches the owner's minimise and restore. A null service means the desktop's own
    // notification area. Nothing is shown until Loaded().
    explicit TTrayIcon(QWidget* owner, std::unique_ptr<ITrayService> service = nullptr);
    ~TTrayIcon() override;

    // Call once the properties are set: takes the image (Icons at IconIndex, else the
    // application's icon) and adds the icon when Enabled is on and a notification area
    // exists. Throws ETrayIconError "Cannot create Shell Notification Icon" when the area
    // refuses the icon; the component then behaves as without a notification area.
    void Loaded();

    // The icon is present in the notification area. Switching it off removes the icon
    // ("Cannot remove Shell Notification Icon" when that fails); switching it on adds it.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Tooltip. A value of 64 characters or more is ignored.
    QString Hint() const { return hint_; }
    void SetHint(const QString& value);
    // Not owned; the menu opened by the PopupMenuOn click, at the pointer.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* value) { popupMenu_ = value; }
    TTrayIconClicks RestoreOn() const { return restoreOn_; }
    void SetRestoreOn(TTrayIconClicks value) { restoreOn_ = value; }
    TTrayIconClicks PopupMenuOn() const { return popupMenuOn_; }
    void SetPopupMenuOn(TTrayIconClicks value) { popupMenuOn_ = value; }
    // Images for the icon; empty means the application's icon.
    const QList<QIcon>& Icons() const { return icons_; }
    void SetIcons(const QList<QIcon>& value);
    int IconIndex() const { return iconIndex_; }
    void SetIconIndex(int value);
    // While on, IconIndex moves to the next image every Interval milliseconds.
    bool Animate() const { return animate_; }
    void SetAnimate(bool value);
    int Interval() const { return interval_; }
    void SetInterval(int value);

    // Raised after the window went to the notification area / came back from it.
    TNotifyEvent OnMinimizeApp;
    TNotifyEvent OnRestoreApp;
    TNotifyEvent OnLButtonDown;
    TNotifyEvent OnLButtonUp;
    TNotifyEvent OnLButtonDblClick;
    TNotifyEvent OnRButtonDown;
    TNotifyEvent OnRButtonUp;
    TNotifyEvent OnRButtonDblClick;

    // Minimises the owner window (to the notification area when there is one); nothing
    // happens while it is already there.
    void MinimizeApp();
    // Brings the owner window back: shown, un-minimised, raised and activated, then
    // OnRestoreApp.
    void RestoreApp();

    // Whether the icon is in the notification area now.
    bool IconShown() const { return iconShown_; }
    // Whether the owner window is hidden in the notification area now.
    bool InTray() const { return inTray_; }
    // The image the icon shows, and its tooltip.
    QIcon CurrentIcon() const;
    QString Tip() const { return hint_.left(63); }
    // Where the desktop placed the icon, when it says.
    QRect IconGeometry() const { return service_->Geometry(); }

    // One mouse action over the icon: restores the window when RestoreOn names it, opens
    // the menu when PopupMenuOn names it, then raises the matching event.
    void MouseAction(TTrayIconClicks action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void OpenPopupMenu();
    void UpdateIcon();
    void AddIcon();
    void RemoveIcon();
    void UpdateTimer();
    void NextImage();
    void WentMinimized();
    void FinishMinimize();
    void WentRestored();
    static void Raise(const TNotifyEvent& event, TTrayIcon* sender);

    QPointer<QWidget> owner_;
    std::unique_ptr<ITrayService> service_;
    QTimer timer_;
    QPointer<QMenu> popupMenu_;
    QList<QIcon> icons_;
    QString hint_;
    TTrayIconClicks restoreOn_ = ticLeftDblClick;
    TTrayIconClicks popupMenuOn_ = ticRightClickUp;
    int iconIndex_ = 0;
    int interval_ = 1000;
    bool enabled_ = true;
    bool animate_ = false;
    bool loaded_ = false;
    // A notification area took the icon at Loaded (or later when Enabled came on).
    bool hosted_ = false;
    bool iconShown_ = false;
    bool inTray_ = false;
    bool restoring_ = false;
};
