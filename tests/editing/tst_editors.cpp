// The in-place editors on their own, in a dialog with a default button, a cancel button
// and window shortcuts on Enter and Escape: their key tables, values and colours.

#include <QDialog>
#include <QPushButton>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "editing/cell_editing.h"
#include "editing/edit_colors.h"
#include "model/date_time.h"
#include "model/errors.h"

namespace {

class TRecordingOwner : public IInplaceEditorOwner {
public:
    void EndEdit() override { Log << QStringLiteral("end"); }
    void AdvanceEdit() override { Log << QStringLiteral("advance"); }
    void Beep() override { ++Beeps; }

    QStringList Log;
    int Beeps = 0;
};

// A dialog whose Enter and Escape would press its buttons or fire its shortcuts.
struct TDialog {
    QDialog dialog;
    QPushButton* ok;
    QPushButton* cancel;
    int shortcuts = 0;

    TDialog()
        : ok(new QPushButton(QStringLiteral("OK"), &dialog)),
          cancel(new QPushButton(QStringLiteral("Cancel"), &dialog)) {
        auto* layout = new QVBoxLayout(&dialog);  // owned by the dialog
        layout->addWidget(ok);
        layout->addWidget(cancel);
        ok->setDefault(true);
        QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
        for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape)}) {
            auto* shortcut = new QShortcut(QKeySequence(key), &dialog);  // owned by the dialog
            QObject::connect(shortcut, &QShortcut::activated, &dialog, [this] { ++shortcuts; });
        }
        dialog.resize(300, 300);
    }

    void Show(QWidget* editor) {
        editor->setParent(&dialog);
        editor->setGeometry(10, 120, 120, 24);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        editor->show();
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
    }
};

}  // namespace

class TestEditors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void enterAndEscapeStayInTheEditor_data() {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("log");
        const QStringList endAdvance({QStringLiteral("end"), QStringLiteral("advance")});
        const QStringList end({QStringLiteral("end")});
        QTest::newRow("edit enter") << "edit" << int(Qt::Key_Return) << endAdvance;
        QTest::newRow("edit escape") << "edit" << int(Qt::Key_Escape) << end;
        QTest::newRow("memo enter") << "memo" << int(Qt::Key_Return) << QStringList();
        QTest::newRow("memo escape") << "memo" << int(Qt::Key_Escape) << endAdvance;
        QTest::newRow("memo tab") << "memo" << int(Qt::Key_Tab) << endAdvance;
        QTest::newRow("spin enter") << "spin" << int(Qt::Key_Enter) << endAdvance;
        QTest::newRow("spin escape") << "spin" << int(Qt::Key_Escape) << QStringList();
        QTest::newRow("date enter") << "date" << int(Qt::Key_Return) << end;
        QTest::newRow("date escape") << "date" << int(Qt::Key_Escape) << QStringList();
        QTest::newRow("list enter")
            << "list" << int(Qt::Key_Return)
            << QStringList({QStringLiteral("selected"), QStringLiteral("advance")});
        QTest::newRow("list escape")
            << "list" << int(Qt::Key_Escape) << QStringList({QStringLiteral("selected")});
        QTest::newRow("list tab") << "list" << int(Qt::Key_Tab)
                                  << QStringList(
                                         {QStringLiteral("selected"), QStringLiteral("advance")});
    }

    void enterAndEscapeStayInTheEditor() {
        QFETCH(QString, editor);
        QFETCH(int, key);
        QFETCH(QStringList, log);
        TRecordingOwner owner;
        TDialog dialog;
        QSignalSpy okClicked(dialog.ok, &QPushButton::clicked);
        QSignalSpy rejected(&dialog.dialog, &QDialog::rejected);
        QWidget* widget = nullptr;
        if (editor == QLatin1String("edit")) {
            widget = new TInplaceEdit(&owner, nullptr);
        } else if (editor == QLatin1String("memo")) {
            widget = new TInplaceMemo(&owner, nullptr);
        } else if (editor == QLatin1String("spin")) {
            widget = new TInplaceSpinEdit(&owner, nullptr);
        } else if (editor == QLatin1String("date")) {
            widget = new TTodoDateTimePicker(&owner, nullptr);
        } else {
            auto* list = new TInplaceListBox(&owner, nullptr);
            list->addItems({QStringLiteral("a"), QStringLiteral("b")});
            list->OnSelected = [&owner](QObject*) { owner.Log << QStringLiteral("selected"); };
            widget = list;
        }
        dialog.Show(widget);  // the dialog owns it from here
        QTest::keyClick(widget, Qt::Key(key));
        QCOMPARE(owner.Log, log);
        QCOMPARE(okClicked.count(), 0);
        QCOMPARE(rejected.count(), 0);
        QCOMPARE(dialog.shortcuts, 0);
        QVERIFY(dialog.dialog.isVisible());
    }

    void focusLossEndsTheEdit() {
        TRecordingOwner owner;
        TDialog dialog;
        auto* edit = new TInplaceEdit(&owner, nullptr);
        dialog.Show(edit);
        dialog.cancel->setFocus();
        QTRY_COMPARE(owner.Log, QStringList({QStringLiteral("end")}));
    }

    void escapePutsBackTheSavedText() {
        TRecordingOwner owner;
        TInplaceEdit edit(&owner, nullptr);
        edit.SetText(QStringLiteral("start"));
        edit.setText(QStringLiteral("typed"));
        QTest::keyClick(&edit, Qt::Key_Escape);
        QCOMPARE(edit.Text(), QStringLiteral("start"));
        QCOMPARE(edit.SavedText(), QStringLiteral("start"));
    }

    void spinValue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("number") << "42" << 42;
        QTest::newRow("negative") << "-7" << -7;
        QTest::newRow("plus") << "+3" << 3;
        QTest::newRow("decimal") << "1.5" << 0;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("beyond int") << "99999999999" << 0;
        QTest::newRow("int max") << "2147483647" << 2147483647;
    }

    void spinValue() {
        QFETCH(QString, text);
        QFETCH(int, value);
        TInplaceSpinEdit spin(nullptr, nullptr);
        spin.SetText(text);
        QCOMPARE(spin.Value(), value);
    }

    void spinKeys() {
        TRecordingOwner owner;
        TInplaceSpinEdit spin(&owner, nullptr);
        spin.SetValue(5);
        QTest::keyClick(&spin, Qt::Key_Up);
        QCOMPARE(spin.Value(), 6);
        QTest::keyClick(&spin, Qt::Key_Down);
        QTest::keyClick(&spin, Qt::Key_Down);
        QCOMPARE(spin.Value(), 4);
        spin.SetValue(2147483647);
        QTest::keyClick(&spin, Qt::Key_Up);
        QCOMPARE(spin.Value(), 2147483647);
        // A letter is refused with a beep; digits, signs and the separator are typed.
        spin.SetText(QString());
        QTest::keyClicks(&spin, QStringLiteral("x"));
        QCOMPARE(owner.Beeps, 1);
        QCOMPARE(spin.Text(), QString());
        QTest::keyClicks(&spin, QStringLiteral("-1.2+"));
        QCOMPARE(spin.Text(), QStringLiteral("-1.2+"));
        QCOMPARE(owner.Beeps, 1);
        // Enter gives no beep.
        QTest::keyClick(&spin, Qt::Key_Return);
        QCOMPARE(owner.Beeps, 1);
    }

    void datePickerKeepsItsTimeOfDay() {
        TTodoDateTimePicker picker(nullptr, nullptr);
        picker.setTime(QTime(14, 25));
        picker.SetDate(EncodeDateTime(QDate(2024, 2, 29), QTime(7, 0)));
        QCOMPARE(picker.date(), QDate(2024, 2, 29));
        QCOMPARE(DateTimeToQDateTime(picker.DateTime()),
                 QDateTime(QDate(2024, 2, 29), QTime(14, 25)));
        picker.SetDate(0.0);
        QCOMPARE(picker.date(), QDate(1899, 12, 30));
        QCOMPARE(picker.DateTime(), EncodeDateTime(QDate(1899, 12, 30), QTime(14, 25)));
        picker.SetDateFormat(QStringLiteral("MM/d/yyyy"));
        QCOMPARE(picker.text(), QStringLiteral("12/30/1899"));
    }

    void listKeepsItsSavedIndexAndPicksOnClick() {
        TRecordingOwner owner;
        TDialog dialog;
        auto* list = new TInplaceListBox(&owner, nullptr);
        int picks = 0;
        list->OnSelected = [&](QObject*) { ++picks; };
        list->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        list->SetItemIndex(2);
        dialog.Show(list);
        list->resize(70, 48);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(list->ItemIndex(), 1);
        QCOMPARE(picks, 0);
        QTest::keyClick(list, Qt::Key_Escape);
        QCOMPARE(list->ItemIndex(), 2);
        QCOMPARE(picks, 1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QCOMPARE(list->ItemIndex(), 0);
        QCOMPARE(picks, 2);
        // A release without a press in the list picks nothing.
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(picks, 2);
    }

    void popupEndsTheEditWhenItGoes() {
        TEditorPopup popup(nullptr);
        int ends = 0;
        popup.OnDeactivate = [&] { ++ends; };
        popup.resize(50, 50);
        popup.show();
        QVERIFY(QTest::qWaitForWindowExposed(&popup));
        popup.hide();
        QCOMPARE(ends, 1);
    }

    void colorsOfAnUnknownControlFail_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("message");
        QTest::newRow("get back") << 0 << "TEditColors.GetBackColor: unknown control class.";
        QTest::newRow("get font") << 1 << "TEditColors.GetFontColor: unknown control class.";
        QTest::newRow("set back") << 2 << "TEditColors.SetBackColor: unknown control class.";
        QTest::newRow("set font") << 3 << "TEditColors.SetFontColor: unknown control class.";
    }

    void colorsOfAnUnknownControlFail() {
        QFETCH(int, operation);
        QFETCH(QString, message);
        QWidget plain;
        TBackForeColors colors(&plain);
        try {
            switch (operation) {
                case 0:
                    colors.BackColor();
                    break;
                case 1:
                    colors.FontColor();
                    break;
                case 2:
                    colors.SetBackColor(clRed);
                    break;
                default:
                    colors.SetFontColor(clRed);
                    break;
            }
            QFAIL("no exception");
        } catch (const EPellmarkError& error) {
            QCOMPARE(error.Message(), message);
        }
    }

    void editorColorsAreTheEditorsOwn() {
        TInplaceMemo memo(nullptr, nullptr);
        TBackForeColors colors(&memo);
        QCOMPARE(colors.BackColor(), clWindow);
        QCOMPARE(colors.FontColor(), clWindowText);
        colors.SetBackColor(clInfoBk);
        colors.SetFontColor(clRed);
        QCOMPARE(memo.Color(), clInfoBk);
        QCOMPARE(memo.palette().color(QPalette::Text), QColor(Qt::red));
        // A font given by an edit brings its colour, unless it is kept.
        TFont font;
        font.Color = clBlue;
        memo.SetEditorFont(font, QFont(), true);
        QCOMPARE(memo.FontColor(), clRed);
        memo.SetEditorFont(font, QFont(), false);
        QCOMPARE(colors.FontColor(), clBlue);
    }

    void splitCommaText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("defaults") << R"("Not started","Completed","In progress","Deferred")"
                                  << QStringList({QStringLiteral("Not started"),
                                                  QStringLiteral("Completed"),
                                                  QStringLiteral("In progress"),
                                                  QStringLiteral("Deferred")});
        QTest::newRow("comma inside")
            << R"("a, b","c")" << QStringList({QStringLiteral("a, b"), QStringLiteral("c")});
        QTest::newRow("quote inside")
            << R"("say "hi"","x")"
            << QStringList({QStringLiteral("say \"hi\""), QStringLiteral("x")});
        QTest::newRow("empty texts") << R"("","")" << QStringList({QString(), QString()});
        QTest::newRow("nothing") << "" << QStringList();
    }

    void splitCommaText() {
        QFETCH(QString, text);
        QFETCH(QStringList, parts);
        QStringList got;
        for (const std::string& part : TCellEditing::SplitCommaText(text.toStdString())) {
            got << QString::fromStdString(part);
        }
        QCOMPARE(got, parts);
    }

    void completionFromClick_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("value");
        QTest::newRow("left") << 10 << 101 << 0;
        QTest::newRow("right") << 110 << 101 << 100;
        QTest::newRow("quarter") << 35 << 101 << 25;
        QTest::newRow("truncates") << 11 << 3 << 50;
        QTest::newRow("one pixel") << 10 << 1 << 0;
        QTest::newRow("left of the cell") << 0 << 101 << 0;
        QTest::newRow("right of the cell") << 500 << 101 << 100;
    }

    void completionFromClick() {
        QFETCH(int, x);
        QFETCH(int, width);
        QFETCH(int, value);
        QCOMPARE(TCellEditing::CompletionFromClick(x, QRect(10, 0, width, 18)), value);
    }
};

QTEST_MAIN(TestEditors)
#include "tst_editors.moc"
