#include <QEnterEvent>
#include <QTest>

#include "widgets/hover_button.h"
#include "widgets/status_bar.h"

class TestWidgets : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hoverChangesTheFaceAndBack() {
        THoverButton button(QStringLiteral("&Create Item"));
        button.SetFaceColor(QColor(0xF0, 0xF0, 0xF0));
        button.SetHoverColor(QColor(0x00, 0xFF, 0x00));
        button.resize(110, 26);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QEvent leave(QEvent::Leave);  // the pointer may start over the window
        QApplication::sendEvent(&button, &leave);
        QCOMPARE(button.CurrentFace(), QColor(0xF0, 0xF0, 0xF0));

        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&button, &enter);
        QCOMPARE(button.CurrentFace(), QColor(0x00, 0xFF, 0x00));
        QCOMPARE(button.palette().color(QPalette::Button), QColor(0x00, 0xFF, 0x00));
        // The face really is painted in the hover colour.
        const QImage image = button.grab().toImage();
        int green = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, 4);  // above the caption
            green += c.green() > 180 && c.red() < 160 && c.blue() < 160;
        }
        QVERIFY2(green > image.width() / 4, qPrintable(QString::number(green)));

        QApplication::sendEvent(&button, &leave);
        QCOMPARE(button.CurrentFace(), QColor(0xF0, 0xF0, 0xF0));
        QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
    }

    void statusBarPanes() {
        TStatusBar bar;
        bar.resize(600, 19);
        bar.SetMessage(QStringLiteral("list.2do loaded..."));
        bar.SetHint(QStringLiteral("No file loaded..."));
        bar.SetNotice(QStringLiteral("(c) Pellmark"));
        QCOMPARE(bar.MessagePane()->text(), QStringLiteral("list.2do loaded..."));
        QCOMPARE(bar.Hint(), QStringLiteral("No file loaded..."));
        QCOMPARE(bar.ClockPane()->width(), 130);
        QCOMPARE(bar.height(), 19);
    }

    void clockKeepsItselfCurrent() {
        TStatusBar bar;
        int calls = 0;
        bar.SetClockText([&] { return QStringLiteral("tick %1").arg(++calls); });
        QCOMPARE(bar.ClockPane()->text(), QStringLiteral("tick 1"));
        QTRY_VERIFY_WITH_TIMEOUT(calls >= 2, 3000);
        QCOMPARE(bar.ClockPane()->text(), QStringLiteral("tick %1").arg(calls));
    }

    void glyphsAreDrawn() {
        for (TGlyph glyph : {TGlyph::Add, TGlyph::Delete, TGlyph::Save, TGlyph::Open, TGlyph::Print,
                             TGlyph::Options, TGlyph::About, TGlyph::Exit, TGlyph::Web}) {
            const QImage image = GlyphIcon(glyph).pixmap(16, 16).toImage();
            int opaque = 0;
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    opaque += qAlpha(image.pixel(x, y)) > 128;
                }
            }
            QVERIFY(opaque > 10);
        }
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
