#include "data/app_icon.h"

#include <QDir>
#include <QImageReader>
#include <algorithm>
#include <vector>

namespace {

QIcon LoadIcon() {
    // The resources hold one PNG per size, drawn from pellmark.svg at build time.
    const QDir folder(QStringLiteral(":/pellmark/icons"));
    std::vector<std::pair<int, QString>> files;
    for (const QString& name : folder.entryList({QStringLiteral("pellmark-*.png")})) {
        const QString path = folder.filePath(name);
        files.emplace_back(QImageReader(path).size().width(), path);
    }
    // Smallest first: the X11 window icon property takes the sizes in this order until it
    // is full, so the small ones that task bars use must not come after the largest.
    std::sort(files.begin(), files.end());
    QIcon icon;
    for (const auto& [size, path] : files) {
        icon.addFile(path, QSize(size, size));
    }
    return icon;
}

}  // namespace

QIcon PellmarkApplicationIcon() {
    // Decoding every size is a noticeable part of the program's start, and the application
    // and its main window both ask: the pixels are decoded once and shared.
    static const QIcon icon = LoadIcon();
    return icon;
}
