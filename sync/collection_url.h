#pragma once

#include <QString>
#include <QUrl>

// The collection URL as the user typed it: http or https with a host, or EPellmarkError
// "'TEXT' is not an http or https URL".
QUrl CollectionUrl(const QString& text);
