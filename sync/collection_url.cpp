#include "sync/collection_url.h"

#include "model/errors.h"

QUrl CollectionUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        throw EPellmarkError(QLatin1Char('\'') + text +
                             QLatin1String("' is not an http or https URL"));
    }
    return url;
}
