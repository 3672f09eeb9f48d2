// Create Item, Delete Item with its question, the default and cancel keys, the current-item
// text and the list's popup menu.

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <functional>
#include <optional>

#include "window_fixture.h"

class TestItemCommands : public QObject {
    Q_OBJECT

    WindowFixture f;

    QWidget* Rows() { return f.List().ListBox()->viewport(); }
    QPoint RowPoint(int row) {
        return QPoint(20, row * f.List().ListBox()->RowHeight() + f.List().ItemHeight() / 2);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(WindowFixture::OwnConfigFolder(), "run through ctest"); }
    void init() {
        f.Reset();
        WindowFixture::Store("vSubj", QStringLiteral("1"));
        WindowFixture::Store("vReso", QStringLiteral("1"));
        QVERIFY(f.Start());
        f.Main().activateWindow();
    }
    void cleanup() { f.Destroy(); }

    void createItem() {
        // 10:00 on 1 March 2023 is due at 10:00 on 30 April.
        f.fake->Clock.Current = QDateTimeToDateTime(QDateTime(QDate(2023, 3, 1), QTime(10, 0)));
        f.Main().SetMessage(QStringLiteral("before"));
        f.List().ListBox()->SetItemIndex(0);
        QTest::mouseClick(f.Main().btnCreateItem(), Qt::LeftButton);
        f.Main().findChild<QAction*>(QStringLiteral("mnuItemsCreate1"))->trigger();
        QCOMPARE(f.ListSubjects(),
                 (QStringList{QStringLiteral("Using Pellmark"), QStringLiteral("Manual"),
                              QStringLiteral("New task"), QStringLiteral("New task")}));
        const TTodoItem& item = *f.List().Items().At(3);
        QCOMPARE(item.Notes().Text(), std::string("None\r\n"));
        QCOMPARE(int(item.Completion()), 0);
        QCOMPARE(item.Priority(), tpNormal);
        QCOMPARE(item.Resource(), std::string("Unassigned"));
        QCOMPARE(DateTimeToQDateTime(item.CreationDate()),
                 QDateTime(QDate(2023, 3, 1), QTime(10, 0)));
        QCOMPARE(DateTimeToQDateTime(item.DueDate()), QDateTime(QDate(2023, 4, 30), QTime(10, 0)));
        QCOMPARE(item.Status(), tsNotStarted);
        QVERIFY(!item.Complete());
        // Nothing else changes.
        QCOMPARE(f.List().ListBox()->ItemIndex(), 0);
        QCOMPARE(f.Main().Message(), QStringLiteral("before"));
    }

    // The list's own Insert key reads the same clock as the window's commands.
    void insertKeyUsesThePlatformClock() {
        f.fake->Clock.Current = QDateTimeToDateTime(QDateTime(QDate(2024, 7, 1), QTime(8, 30)));
        f.List().SetAutoInsertItem(true);
        f.List().ListBox()->setFocus();
        QTest::keyClick(f.List().ListBox()->viewport(), Qt::Key_Insert);
        QCOMPARE(f.List().Items().Count(), 3);
        const TTodoItem& item = *f.List().Items().At(2);
        QCOMPARE(item.CreationDate(), f.fake->Clock.Current);
        QCOMPARE(item.DueDate(), f.fake->Clock.Current + 1);
        f.List().EndEdit();
    }

    void deleteWithoutSelection() {
        f.List().ListBox()->SetItemIndex(-1);
        QTest::mouseClick(f.Main().btnDeleteItem(), Qt::LeftButton);
        QCOMPARE(f.fake->Messages.Texts(mkMessage),
                 QStringList{QStringLiteral("Sorry, you must first select an item to delete.")});
        QVERIFY(f.fake->Messages.Texts(mkConfirm).isEmpty());
        QCOMPARE(f.List().Items().Count(), 2);
    }

    void deleteAsksFirst_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<bool>("answer");
        QTest::newRow("No keeps it") << "Manual" << false;
        QTest::newRow("Yes deletes it") << "Manual" << true;
        QTest::newRow("empty subject") << "" << true;
    }
    void deleteAsksFirst() {
        QFETCH(QString, subject);
        QFETCH(bool, answer);
        f.List().Items().At(1)->SetSubject(subject.toStdString());
        f.List().ListBox()->SetItemIndex(1);
        f.fake->Messages.ConfirmAnswers = {answer};
        f.Main().findChild<QAction*>(QStringLiteral("mnuItemsDelete1"))->trigger();
        QCOMPARE(f.fake->Messages.Texts(mkConfirm),
                 QStringList{QStringLiteral("Are you sure you want to delete this item? [") +
                             subject + QLatin1Char(']')});
        QCOMPARE(f.List().Items().Count(), answer ? 1 : 2);
        QCOMPARE(f.List().Items().At(0)->Subject(), std::string("Using Pellmark"));
    }

    void enterAndEscape() {
        f.List().ListBox()->setFocus();
        QTest::keyClick(f.List().ListBox(), Qt::Key_Return);
        QCOMPARE(f.List().Items().Count(), 3);
        QTest::keyClick(f.List().ListBox(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(f.List().Items().Count(), 4);
        // With a modifier the keys are no default or cancel keys.
        QTest::keyClick(f.List().ListBox(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(f.List().Items().Count(), 4);

        f.List().ListBox()->SetItemIndex(0);
        f.fake->Messages.ConfirmAnswers = {true};
        QTest::keyClick(f.List().ListBox(), Qt::Key_Escape);
        QCOMPARE(f.fake->Messages.Texts(mkConfirm),
                 QStringList{QStringLiteral(
                     "Are you sure you want to delete this item? [Using Pellmark]")});
        QCOMPARE(f.List().Items().Count(), 3);
    }

    void enterOnAFocusedButtonPressesThatButton() {
        f.List().ListBox()->SetItemIndex(0);
        f.Main().btnDeleteItem()->setFocus();
        QTest::keyClick(f.Main().btnDeleteItem(), Qt::Key_Return);
        QCOMPARE(f.fake->Messages.Texts(mkConfirm).size(), 1);
        QCOMPARE(f.List().Items().Count(), 2);
    }

    void keysDoNothingWithTheButtonsHidden() {
        f.Main().SetButtonsVisible(false);
        f.List().ListBox()->setFocus();
        f.List().ListBox()->SetItemIndex(0);
        QTest::keyClick(f.List().ListBox(), Qt::Key_Return);
        QTest::keyClick(f.List().ListBox(), Qt::Key_Escape);
        QCOMPARE(f.List().Items().Count(), 2);
        QVERIFY(f.fake->Messages.Calls.empty());
    }

    void editorsKeepTheirKeys() {
        // A control that uses Enter itself (as the in-place editors do) keeps it.
        auto* editor = new QLineEdit(f.Main().ScrollBox1()->viewport());
        editor->installEventFilter(this);
        editor->show();
        editor->setFocus();
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(f.List().Items().Count(), 2);
        QVERIFY(f.fake->Messages.Calls.empty());
        delete editor;
    }

    void accelerators() {
        QTest::keyClick(&f.Main(), Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(f.List().Items().Count(), 3);  // the button animates its press first
    }

    void clickShowsTheCurrentItem() {
        f.Main().SetMessage(QStringLiteral("kept"));
        f.List().ListBox()->SetItemIndex(-1);
        QTest::mouseClick(Rows(), Qt::LeftButton, {}, QPoint(20, 200));  // below the rows
        QCOMPARE(f.Main().Message(), QStringLiteral("kept"));
        QTest::mouseClick(Rows(), Qt::LeftButton, {}, RowPoint(1));
        QCOMPARE(f.Main().Message(), QStringLiteral("Current Item: Manual"));
    }

    // The menu opens at the pointer: the press position mapped to the screen, so it follows
    // the window wherever it is.
    void rightPressOpensThePopup() {
        QMenu* popup = f.Main().pupTodolist();
        QVERIFY(!popup->isVisible());
        QTest::mousePress(Rows(), Qt::LeftButton, {}, RowPoint(0));
        QTest::mouseRelease(Rows(), Qt::LeftButton, {}, RowPoint(0));
        QVERIFY(!popup->isVisible());
        f.Main().move(f.Main().pos() + QPoint(37, 23));
        const QPoint at = RowPoint(1);
        QTest::mousePress(Rows(), Qt::RightButton, {}, at);
        QTRY_VERIFY(popup->isVisible());
        QCOMPARE(popup->pos(), Rows()->mapToGlobal(at));
        popup->hide();
    }

    // The Menu key (a keyboard context-menu event) and Shift+F10 open the same menu below
    // the selected row, or at the top of the rows with none; other keys and the mouse's
    // context-menu event do not (the right-button press above is the mouse's one route).
    void keyboardOpensThePopup() {
        QMenu* popup = f.Main().pupTodolist();
        TTodoListBox* list = f.List().ListBox();
        const auto opened = [&](const std::function<void()>& ask) {
            popup->hide();
            ask();
            const bool visible = popup->isVisible();
            const QPoint at = popup->pos();
            popup->hide();
            return visible ? std::optional<QPoint>(at) : std::nullopt;
        };
        const auto menuKey = [list] {
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1),
                                    list->mapToGlobal(QPoint(1, 1)));
            QCoreApplication::sendEvent(list, &event);
        };
        const auto shiftF10 = [list] { QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier); };
        list->setFocus();
        list->SetItemIndex(1);
        const QPoint belowRow1 = Rows()->mapToGlobal(QPoint(0, 2 * list->RowHeight()));
        QCOMPARE(opened(menuKey), belowRow1);
        QCOMPARE(opened(shiftF10), belowRow1);
        list->SetItemIndex(-1);
        QCOMPARE(opened(menuKey), Rows()->mapToGlobal(QPoint(0, 0)));
        list->SetItemIndex(1);
        QCOMPARE(opened([list] { QTest::keyClick(list, Qt::Key_F10); }), std::nullopt);
        QCOMPARE(opened([list] {
                     QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1),
                                             list->mapToGlobal(QPoint(1, 1)));
                     QCoreApplication::sendEvent(list, &event);
                 }),
                 std::nullopt);
    }

protected:
    // Accepts the shortcut-override of Enter and Escape, as an editor that uses them does.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Escape) {
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

QTEST_MAIN(TestItemCommands)
#include "tst_item_commands.moc"
