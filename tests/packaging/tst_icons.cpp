// The program's icon: every size the package installs is in the resources, and each one
// is the picture the desktop's icon theme gets.

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QTest>

#include "data/app_icon.h"

namespace {

const QList<int> kSizes = {16, 22, 24, 32, 48, 64, 128, 256};

QString ThemeFile(int size) {
    return QStringLiteral(PELLMARK_ICON_ROOT "/%1x%1/apps/pellmark.png").arg(size);
}

}  // namespace

class TestIcons : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everySizeIsThere() {
        const QIcon icon = PellmarkApplicationIcon();
        QVERIFY(!icon.isNull());
        QList<int> sizes;
        for (const QSize& size : icon.availableSizes()) {
            QCOMPARE(size.width(), size.height());
            sizes << size.width();
        }
        std::sort(sizes.begin(), sizes.end());
        QCOMPARE(sizes, kSizes);
    }

    void sameAsTheThemeIcon_data() {
        QTest::addColumn<int>("size");
        for (const int size : kSizes) {
            QTest::addRow("%d", size) << size;
        }
    }

    void sameAsTheThemeIcon() {
        QFETCH(int, size);
        const QImage theme(ThemeFile(size));
        QCOMPARE(theme.size(), QSize(size, size));
        const QImage own = PellmarkApplicationIcon()
                               .pixmap(QSize(size, size), 1.0)
                               .toImage()
                               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(own.size(), theme.size());
        QVERIFY(own == theme.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }

    // The picture itself, at the largest size: transparent corners around the page, the
    // dark page edge, the white sheet, and the green badge at the bottom right.
    void thePicture() {
        const QImage image(ThemeFile(256));
        QCOMPARE(qAlpha(image.pixel(2, 2)), 0);
        QCOMPARE(qAlpha(image.pixel(253, 2)), 0);
        QCOMPARE(image.pixelColor(40, 128).name(), QStringLiteral("#2c3e50"));
        QCOMPARE(image.pixelColor(56, 220).name(), QStringLiteral("#ffffff"));
        QCOMPARE(image.pixelColor(165, 165).name(), QStringLiteral("#27a35a"));
        QCOMPARE(image.pixelColor(80, 88).name(), QStringLiteral("#27a35a"));
        QCOMPARE(image.pixelColor(128, 48).name(), QStringLiteral("#3b82d6"));
    }
};

QTEST_MAIN(TestIcons)
#include "tst_icons.moc"
