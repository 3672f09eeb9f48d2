#include "data/app_icon.h"

#include <QDir>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <map>
#include <vector>

namespace {

// The icon's sizes, each decoded from its PNG only when a pixmap of it is asked for: on a
// desktop the window system asks for all of them, but a start without one (or with a
// tray that takes one size) does not pay for decoding sixteen to 256 pixels.
class TIconFiles : public QIconEngine {
public:
    // (size, resource path), smallest first.
    explicit TIconFiles(std::vector<std::pair<int, QString>> files) : files_(std::move(files)) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        // One picture for every mode: the window and the tray show it only as it is.
        Q_UNUSED(mode);
        Q_UNUSED(state);
        if (files_.empty() || size.isEmpty()) {
            return {};
        }
        // The smallest file that covers the size, else the largest, scaled down.
        const int wanted = std::max(size.width(), size.height());
        auto file = std::find_if(files_.begin(), files_.end(),
                                 [wanted](const auto& entry) { return entry.first >= wanted; });
        if (file == files_.end()) {
            file = std::prev(files_.end());
        }
        QPixmap& decoded = decoded_[file->first];
        if (decoded.isNull()) {
            decoded.load(file->second, "png");
        }
        return decoded.size() == size
                   ? decoded
                   : decoded.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, picture);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int largest = files_.empty() ? 0 : files_.back().first;
        const int side = std::min({size.width(), size.height(), largest});
        return {side, side};
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (const auto& entry : files_) {
            sizes << QSize(entry.first, entry.first);
        }
        return sizes;
    }

    QIconEngine* clone() const override { return new TIconFiles(*this); }
    QString key() const override { return QStringLiteral("TIconFiles"); }

private:
    std::vector<std::pair<int, QString>> files_;
    std::map<int, QPixmap> decoded_;
};

QIcon LoadIcon() {
    // The resources hold one PNG per size, pellmark-SIZE.png, drawn from pellmark.svg at
    // build time.
    const QDir folder(QStringLiteral(":/pellmark/icons"));
    std::vector<std::pair<int, QString>> files;
    for (const QString& name : folder.entryList({QStringLiteral("pellmark-*.png")})) {
        bool isNumber = false;
        const int size = name.mid(9, name.size() - 13).toInt(&isNumber);
        if (isNumber && size > 0) {
            files.emplace_back(size, folder.filePath(name));
        }
    }
    // Smallest first: the X11 window icon property takes the sizes in this order until it
    // is full, so the small ones that task bars use must not come after the largest.
    std::sort(files.begin(), files.end());
    // The icon owns its engine.
    return QIcon(new TIconFiles(std::move(files)));
}

}  // namespace

QIcon PellmarkApplicationIcon() {
    // The application and its main window both ask: the pixels are decoded once and shared.
    static const QIcon icon = LoadIcon();
    return icon;
}
