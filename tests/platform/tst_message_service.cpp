#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

#include "modal_answer.h"
#include "platform/message_service.h"

namespace {

QStringList ButtonTexts(const QMessageBox* box) {
    QStringList texts;
    for (const QAbstractButton* button : box->buttons()) {
        texts << button->text();
    }
    return texts;
}

QAbstractButton* ButtonWithText(const QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

// Answers a box as `how` says: "click TEXT", "alt X" (a letter), "enter", "escape", or
// anything else to close it; false when there is no button of that text.
bool Answer(QMessageBox* box, const QString& how) {
    if (how.startsWith(QLatin1String("click "))) {
        QAbstractButton* button = ButtonWithText(box, how.mid(6));
        if (!button) {
            return false;
        }
        QTest::mouseClick(button, Qt::LeftButton);
    } else if (how.startsWith(QLatin1String("alt ")) && how.size() == 5) {
        QTest::keyClick(box, how.at(4).toLatin1(), Qt::AltModifier);
    } else if (how == QLatin1String("enter")) {
        QTest::keyClick(box, Qt::Key_Return);
    } else if (how == QLatin1String("escape")) {
        QTest::keyClick(box, Qt::Key_Escape);
    } else {
        box->close();
    }
    return true;
}

}  // namespace

class TestMessageService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fullStopRule_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Cannot open file list"
                                << "Cannot open file list.";
        QTest::newRow("digit") << "List index out of bounds (3"
                               << "List index out of bounds (3.";
        QTest::newRow("file extension") << "Cannot open file a.2do"
                                        << "Cannot open file a.2do.";
        QTest::newRow("already a full stop") << "Done."
                                             << "Done.";
        QTest::newRow("closing bracket comes before '.'") << "Index (3)"
                                                          << "Index (3)";
        QTest::newRow("quote comes before '.'") << "Invalid data type for 'x'"
                                                << "Invalid data type for 'x'";
        QTest::newRow("question mark comes after '.'") << "Really?"
                                                       << "Really?.";
        QTest::newRow("slash comes after '.'") << "/tmp/"
                                               << "/tmp/.";
        QTest::newRow("blank") << "Trailing "
                               << "Trailing ";
        QTest::newRow("non-ASCII letter")
            << QString::fromUtf8("Datei geöffnet: ä") << QString::fromUtf8("Datei geöffnet: ä.");
        QTest::newRow("empty") << ""
                               << "";
    }
    void fullStopRule() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBoxText(message), shown);
    }

    void errorBox() {
        TQtMessageService messages;
        TModalAnswer<QMessageBox> answer([](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("Pellmark"));
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(box->text(), QStringLiteral("Cannot create file x.2do."));
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons().constFirst()), QMessageBox::Ok);
            box->buttons().constFirst()->click();
        });
        messages.ShowError(QStringLiteral("Cannot create file x.2do."));
        QVERIFY(answer.Answered());
    }

    void plainMessage() {
        TQtMessageService messages;
        TModalAnswer<QMessageBox> answer([](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("Pellmark"));
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            // Shown as given: no full stop is added to plain messages.
            QCOMPARE(box->text(), QStringLiteral("Error loading file: /tmp/a.2do"));
            QTest::keyClick(box, Qt::Key_Return);
        });
        messages.ShowMessage(QStringLiteral("Error loading file: /tmp/a.2do"));
        QVERIFY(answer.Answered());
    }

    void confirm_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("consents");
        QTest::newRow("Yes clicked") << "click &Yes" << true;
        QTest::newRow("No clicked") << "click &No" << false;
        QTest::newRow("Alt+Y") << "alt y" << true;
        QTest::newRow("Alt+N") << "alt n" << false;
        QTest::newRow("Enter takes the default, Yes") << "enter" << true;
        QTest::newRow("Escape") << "escape" << false;
        QTest::newRow("closed") << "close" << false;
    }
    void confirm() {
        QFETCH(QString, how);
        QFETCH(bool, consents);
        TQtMessageService messages;
        TModalAnswer<QMessageBox> answer([&](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("Confirm"));
            QCOMPARE(box->icon(), QMessageBox::Question);
            QCOMPARE(box->text(), QStringLiteral("Do you want to save your Todolist?"));
            QCOMPARE(ButtonTexts(box),
                     (QStringList{QStringLiteral("&Yes"), QStringLiteral("&No")}));
            QVERIFY(Answer(box, how));
        });
        QCOMPARE(messages.Confirm(QStringLiteral("Do you want to save your Todolist?")), consents);
        QVERIFY(answer.Answered());
    }

    // A question with the program's own choices: the first is the default, Escape and the
    // close box take the last.
    void choose_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("chosen");
        QTest::newRow("first clicked") << "click &Reload" << 0;
        QTest::newRow("middle clicked") << "click Save &As..." << 1;
        QTest::newRow("Alt+K") << "alt k" << 2;
        QTest::newRow("Enter takes the first") << "enter" << 0;
        QTest::newRow("Escape takes the last") << "escape" << 2;
        QTest::newRow("closed") << "close" << 2;
    }
    void choose() {
        QFETCH(QString, how);
        QFETCH(int, chosen);
        const QStringList choices{QStringLiteral("&Reload"), QStringLiteral("Save &As..."),
                                  QStringLiteral("&Keep mine")};
        TQtMessageService messages;
        TModalAnswer<QMessageBox> answer([&](QMessageBox* box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("Pellmark"));
            QCOMPARE(box->text(), QStringLiteral("Which one?"));
            QCOMPARE(ButtonTexts(box), choices);
            QVERIFY(Answer(box, how));
        });
        QCOMPARE(messages.Choose(QStringLiteral("Which one?"), choices), chosen);
        QVERIFY(answer.Answered());
    }
};

QTEST_MAIN(TestMessageService)
#include "tst_message_service.moc"
