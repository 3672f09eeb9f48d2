#pragma once

// Help → "&About": the program's version, the makers' links and a short description of
// the running operating system. Made hidden at program start and filled once; showing it
// does not wait, and closing it only hides it.

#include <QLabel>
#include <QString>
#include <QWidget>
#include <functional>

#include "platform/os_info.h"
#include "platform/platform_services.h"

class QMouseEvent;
class QShowEvent;

inline const QString kProgramVersion = QStringLiteral("1.02");
inline const QString kWebAddress = QStringLiteral("https://pellmark.example.org");
// The web address as the link shows it.
inline const QString kWebAddressText = QStringLiteral("pellmark.example.org");
inline const QString kMailAddress = QStringLiteral("pellmark@example.org");

// "Your OS: " and the platform name, "/" and the product name when that is longer than
// 2 characters, a carriage return, "OS Version: " and the version text.
QString AboutSystemDescription(const TOSDescription& os);

// A label that reports a click of the left button released over it.
class TLinkLabel : public QLabel {
public:
    using QLabel::QLabel;

    std::function<void(TLinkLabel* sender)> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TfrmAbout : public QWidget {
public:
    // Only the shell service and the OS description are used; the services must outlive
    // the box.
    explicit TfrmAbout(const TPlatformServices& services, QWidget* parent = nullptr);

    // The system description as built at creation, with its carriage return.
    const QString& SystemDescription() const { return systemDescription_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    // Open the web address, and "mailto: " and the e-mail address, through the shell.
    void lblWebClick(TLinkLabel* sender);
    void lblMailClick(TLinkLabel* sender);

    IShellService& shell_;
    const IOSInfo& osInfo_;
    QString systemDescription_;
    bool placed_ = false;
    QLabel* lblCurrVs_ = nullptr;
    QLabel* lblNotice_ = nullptr;
    QLabel* label1_ = nullptr;
};
