#include "platform/shell_service.h"

#include <QDesktopServices>

QUrl ShellUrl(const QString& address) {
    const QString text = address.trimmed();
    const QLatin1String mailto("mailto:");
    if (text.startsWith(mailto, Qt::CaseInsensitive)) {
        return QUrl(QStringLiteral("mailto:") + text.mid(mailto.size()).trimmed());
    }
    return QUrl::fromUserInput(text);
}

bool TQtShellService::OpenAddress(const QString& address) {
    const QUrl url = ShellUrl(address);
    return url.isValid() && QDesktopServices::openUrl(url);
}
