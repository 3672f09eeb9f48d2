// Reaching everything from the keyboard: the tab order of the main window and of the options
// dialog, and the key that puts the focus into the rows, which Tab does not reach.

#include <QApplication>
#include <QPushButton>

#include "settings/options_dialog.h"
#include "window_fixture.h"

namespace {

// The options dialog's controls in their tab order.
const QStringList kOptionsOrder = {
    QStringLiteral("ckPreviewNotes"),    QStringLiteral("CheckBox4"),
    QStringLiteral("ckAutoDeleteKey"),   QStringLiteral("ckAutoInsertKey"),
    QStringLiteral("SpinEdit1"),         QStringLiteral("ckAsktoSave"),
    QStringLiteral("ckHideScroll"),      QStringLiteral("ckHideButtons"),
    QStringLiteral("ckAutoSave"),        QStringLiteral("FieldList"),
    QStringLiteral("txtStartupFile"),    QStringLiteral("btnStartupFile"),
    QStringLiteral("btnSelectPrevFont"), QStringLiteral("btnSelPriorityFont"),
    QStringLiteral("btnClose")};

// The named widget, or the one that holds the focus for it (a spin box's line edit).
bool HasFocus(QWidget* window, const QString& name) {
    QWidget* focus = QApplication::focusWidget();
    auto* expected = window->findChild<QWidget*>(name);
    return focus && expected && (focus == expected || expected->isAncestorOf(focus));
}

}  // namespace

class TestKeyboardPaths : public QObject {
    Q_OBJECT

    WindowFixture f;

    QWidget* MainWidget(const QString& name) {
        if (name == QLatin1StringView("rows")) {
            return f.List().ListBox();
        }
        return f.Main().findChild<QWidget*>(name);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest"); }
    void init() { f.Reset(); }
    void cleanup() { f.Destroy(); }

    void mainWindowKeysMoveTheFocus_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("to");
        QTest::newRow("create, Tab") << "btnCreateItem" << int(Qt::Key_Tab) << "btnDeleteItem";
        QTest::newRow("delete, Tab wraps")
            << "btnDeleteItem" << int(Qt::Key_Tab) << "btnCreateItem";
        QTest::newRow("delete, Shift+Tab")
            << "btnDeleteItem" << int(Qt::Key_Backtab) << "btnCreateItem";
        QTest::newRow("rows, Tab") << "rows" << int(Qt::Key_Tab) << "btnCreateItem";
        QTest::newRow("rows, Shift+Tab") << "rows" << int(Qt::Key_Backtab) << "btnDeleteItem";
        QTest::newRow("create, F6") << "btnCreateItem" << int(Qt::Key_F6) << "rows";
        QTest::newRow("delete, F6") << "btnDeleteItem" << int(Qt::Key_F6) << "rows";
    }
    void mainWindowKeysMoveTheFocus() {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, to);
        QVERIFY(f.Start());
        f.Main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.Main()));
        QWidget* start = MainWidget(from);
        start->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), start);
        QTest::keyClick(start, static_cast<Qt::Key>(key));
        QTRY_COMPARE(QApplication::focusWidget(), MainWidget(to));
    }

    void optionsTabOrder_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("to");
        for (qsizetype i = 0; i < kOptionsOrder.size(); ++i) {
            const QString& next = kOptionsOrder.at((i + 1) % kOptionsOrder.size());
            QTest::addRow("%s, Tab", qPrintable(kOptionsOrder.at(i)))
                << kOptionsOrder.at(i) << int(Qt::Key_Tab) << next;
            QTest::addRow("%s, Shift+Tab", qPrintable(next))
                << next << int(Qt::Key_Backtab) << kOptionsOrder.at(i);
        }
    }
    void optionsTabOrder() {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, to);
        QVERIFY(f.Start());
        TfrmOptions& options = f.Options();
        f.Main().ShowOptions();
        QVERIFY(QTest::qWaitForWindowActive(&options));
        auto* start = options.findChild<QWidget*>(from);
        QVERIFY(start);
        start->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(HasFocus(&options, from));
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
        QTRY_VERIFY2(
            HasFocus(&options, to),
            qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                   : QStringLiteral("nothing")));
    }
};

QTEST_MAIN(TestKeyboardPaths)
#include "tst_keyboard_paths.moc"
