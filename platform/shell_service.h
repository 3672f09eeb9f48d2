#pragma once

// The desktop's document launcher: a web address opens in the default browser, a mailto:
// link in the default mail program.

#include <QString>
#include <QUrl>

// The address as a URL for the launcher. Blanks around it and after "mailto:" are dropped
// ("mailto: me@example.org" is a valid link then); an address without a scheme
// ("www.example.org") is taken as a web address.
QUrl ShellUrl(const QString& address);

class IShellService {
public:
    virtual ~IShellService() = default;
    // False when the desktop cannot open it; nothing is shown either way.
    virtual bool OpenAddress(const QString& address) = 0;
};

// QDesktopServices.
class TQtShellService : public IShellService {
public:
    bool OpenAddress(const QString& address) override;
};
