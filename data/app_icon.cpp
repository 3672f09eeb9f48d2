#include "data/app_icon.h"

#include <QDir>
#include <QImageReader>

QIcon PellmarkApplicationIcon() {
    // The resources hold one PNG per size, drawn from pellmark.svg at build time.
    const QDir folder(QStringLiteral(":/pellmark/icons"));
    QIcon icon;
    for (const QString& name : folder.entryList({QStringLiteral("pellmark-*.png")})) {
        icon.addFile(folder.filePath(name), QImageReader(folder.filePath(name)).size());
    }
    return icon;
}
