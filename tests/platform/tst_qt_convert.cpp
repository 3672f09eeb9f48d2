#include <QApplication>
#include <QTest>

#include "platform/qt_convert.h"

Q_DECLARE_METATYPE(QPalette::ColorRole)

namespace {

// A palette where every role of the active group has its own colour, so a wrong role
// cannot go unnoticed.
QPalette DistinctPalette() {
    QPalette p;
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        if (role == QPalette::NoRole) {
            continue;
        }
        p.setColor(QPalette::Active, QPalette::ColorRole(role), QColor(10 + role * 9, 7, 200));
        p.setColor(QPalette::Inactive, QPalette::ColorRole(role), QColor(10 + role * 9, 7, 200));
        p.setColor(QPalette::Disabled, QPalette::ColorRole(role), QColor(10 + role * 9, 99, 9));
    }
    return p;
}

}  // namespace

class TestQtConvert : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void plainColours_data() {
        QTest::addColumn<uint>("color");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("clRed has red in the low byte") << uint(clRed) << QColor(255, 0, 0);
        QTest::newRow("clBlue") << uint(clBlue) << QColor(0, 0, 255);
        QTest::newRow("clNavy") << uint(clNavy) << QColor(0, 0, 128);
        QTest::newRow("clLime") << uint(clLime) << QColor(0, 255, 0);
        QTest::newRow("clGray") << uint(clGray) << QColor(128, 128, 128);
        QTest::newRow("mixed") << uint(0x00336699) << QColor(0x99, 0x66, 0x33);
    }
    void plainColours() {
        QFETCH(uint, color);
        QFETCH(QColor, expected);
        QCOMPARE(ToQColor(color, DistinctPalette()), expected);
        QCOMPARE(FromQColor(expected), TColor(color));
    }

    void systemColours_data() {
        QTest::addColumn<uint>("color");
        QTest::addColumn<QPalette::ColorRole>("role");
        QTest::newRow("clWindow") << uint(clWindow) << QPalette::Base;
        QTest::newRow("clWindowText") << uint(clWindowText) << QPalette::Text;
        QTest::newRow("clHighlight") << uint(clHighlight) << QPalette::Highlight;
        QTest::newRow("clHighlightText") << uint(clHighlightText) << QPalette::HighlightedText;
        QTest::newRow("clBtnFace") << uint(clBtnFace) << QPalette::Button;
        QTest::newRow("clBtnText") << uint(clBtnText) << QPalette::ButtonText;
        QTest::newRow("clBtnShadow") << uint(clBtnShadow) << QPalette::Dark;
        QTest::newRow("clBtnHighlight") << uint(clBtnHighlight) << QPalette::Light;
        QTest::newRow("cl3DDkShadow") << uint(cl3DDkShadow) << QPalette::Shadow;
        QTest::newRow("cl3DLight") << uint(cl3DLight) << QPalette::Midlight;
        QTest::newRow("clInfoBk") << uint(clInfoBk) << QPalette::ToolTipBase;
        QTest::newRow("clInfoText") << uint(clInfoText) << QPalette::ToolTipText;
        QTest::newRow("clMenu") << uint(clMenu) << QPalette::Window;
        QTest::newRow("clMenuText") << uint(clMenuText) << QPalette::WindowText;
    }
    void systemColours() {
        QFETCH(uint, color);
        QFETCH(QPalette::ColorRole, role);
        const QPalette p = DistinctPalette();
        QCOMPARE(ToQColor(color, p), p.color(role));
    }

    void grayTextIsTheDisabledText() {
        const QPalette p = DistinctPalette();
        QCOMPARE(ToQColor(clGrayText, p), p.color(QPalette::Disabled, QPalette::Text));
        QVERIFY(ToQColor(clGrayText, p) != p.color(QPalette::Active, QPalette::Text));
    }

    void specialColours() {
        const QPalette p = DistinctPalette();
        QCOMPARE(ToQColor(clNone, p).alpha(), 0);
        QCOMPARE(ToQColor(clDefault, p), p.color(QPalette::Base));
        QCOMPARE(FromQColor(QColor(Qt::transparent)), clNone);
        QCOMPARE(FromQColor(QColor()), clNone);
        // Colours given in HSV come out as their RGB value.
        QCOMPARE(FromQColor(QColor::fromHsv(0, 255, 255)), clRed);
        // An unknown system colour index still paints.
        QVERIFY(ToQColor(0x80000040, p).isValid());
    }

    void fontToQt() {
        QFont base(QStringLiteral("DejaVu Sans"), 9);
        base.setBold(true);
        TFont f;
        f.PixelSize = 11;
        f.Style = fsItalic | fsStrikeOut;
        const QFont q = ToQFont(f, base);
        QCOMPARE(q.family(), QStringLiteral("DejaVu Sans"));  // empty name keeps the face
        QCOMPARE(q.pixelSize(), 11);
        QVERIFY(!q.bold());  // the style flags are the model's, not the base's
        QVERIFY(q.italic());
        QVERIFY(q.strikeOut());
        QVERIFY(!q.underline());

        TFont sized;
        sized.Name = QStringLiteral("DejaVu Serif");
        sized.PointSize = 14.5;
        sized.Style = fsBold | fsUnderline;
        const QFont r = ToQFont(sized, base);
        QCOMPARE(r.family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(r.pointSizeF(), 14.5);
        QVERIFY(r.bold());
        QVERIFY(r.underline());

        // Zero sizes keep the base's size.
        QCOMPARE(ToQFont(TFont{}, base).pointSize(), 9);
    }

    void fontRoundTrip_data() {
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<double>("pointSize");
        QTest::addColumn<int>("style");
        QTest::newRow("pixels, plain") << 11 << 0.0 << 0;
        QTest::newRow("points, bold italic") << 0 << 10.0 << int(fsBold | fsItalic);
        QTest::newRow("points, all styles")
            << 0 << 8.5 << int(fsBold | fsItalic | fsUnderline | fsStrikeOut);
    }
    void fontRoundTrip() {
        QFETCH(int, pixelSize);
        QFETCH(double, pointSize);
        QFETCH(int, style);
        TFont f;
        f.Name = QStringLiteral("DejaVu Sans");
        f.PixelSize = pixelSize;
        f.PointSize = pointSize;
        f.Style = TFontStyles(style);
        f.Color = clBlue;
        QCOMPARE(FromQFont(ToQFont(f, QFont()), clBlue), f);
    }
};

QTEST_MAIN(TestQtConvert)
#include "tst_qt_convert.moc"
