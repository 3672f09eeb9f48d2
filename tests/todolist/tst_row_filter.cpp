// The rows a find text leaves: which items match (case and accents aside), and editing,
// deleting and sorting while only some items are rows.

#include <QTest>

#include "list_test_support.h"
#include "todolist/row_filter.h"

class TestRowFilter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matches_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("find");
        QTest::addColumn<bool>("match");
        QTest::newRow("case") << int(tdSubject) << "Buy MILK"
                              << "milk" << true;
        QTest::newRow("accents in the item") << int(tdSubject) << "Crème brûlée"
                                             << "creme brulee" << true;
        QTest::newRow("accents in the find") << int(tdSubject) << "resume"
                                             << "Résumé" << true;
        QTest::newRow("capital with accent") << int(tdSubject) << "ÉCOLE"
                                             << "école" << true;
        QTest::newRow("decomposed input") << int(tdSubject) << "nai\u0308ve"
                                          << "NAÏVE" << true;
        QTest::newRow("ligature") << int(tdSubject) << "\ufb01le"
                                  << "file" << true;
        QTest::newRow("greek") << int(tdSubject) << "ΆΛΦΑ"
                               << "άλφα" << true;
        QTest::newRow("sharp s in the item") << int(tdSubject) << "Straße"
                                             << "STRASSE" << true;
        QTest::newRow("sharp s in the find") << int(tdSubject) << "Strasse"
                                             << "straße" << true;
        QTest::newRow("capital sharp s") << int(tdSubject) << "GROẞ"
                                         << "gross" << true;
        QTest::newRow("resource") << int(tdResource) << "Corvelle"
                                  << "corv" << true;
        QTest::newRow("later note line") << int(tdNotes) << "Second line"
                                         << "second" << true;
        QTest::newRow("project") << int(tdProject) << "Garden"
                                 << "gard" << true;
        QTest::newRow("other text") << int(tdSubject) << "Buy milk"
                                    << "bread" << false;
        QTest::newRow("a different letter") << int(tdSubject) << "Ø"
                                            << "o" << false;
    }
    void matches() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, find);
        QFETCH(bool, match);
        TTodoItemCollection items;
        items.Add();
        TTodoItem& item = *items.Add();
        const std::string bytes = text.toLocal8Bit().toStdString();
        switch (field) {
            case tdSubject:
                item.SetSubject(bytes);
                break;
            case tdResource:
                item.SetResource(bytes);
                break;
            case tdNotes:
                item.SetNotes(TStringList{"first line", bytes});
                break;
            default:
                item.SetProject(bytes);
                break;
        }
        TRowFilter filter;
        filter.SetText(find, items);
        QCOMPARE(filter.RowCount(items), match ? 1 : 0);
        QCOMPARE(filter.RowOf(1), match ? 0 : -1);
    }

    void editDeleteAndSortOnTheRows() {
        auto list = MakeList();
        list->AddColumn(tdSubject, "Subject");
        list->SetAutoDeleteItem(true);
        for (const char* subject : {"pear", "Apple pie", "banana", "apple juice"}) {
            list->Items().Add()->SetSubject(subject);
        }
        TTodoListBox& box = *list->ListBox();
        box.SetFindText(QStringLiteral("APPLE"));
        QCOMPARE(box.RowCount(), 2);
        QCOMPARE(box.RowOfItem(3), 1);
        // Typing on narrows the rows, deleting widens them again.
        box.SetFindText(QStringLiteral("apple j"));
        QCOMPARE(box.RowCount(), 1);
        box.SetFindText(QStringLiteral("APPLE"));
        QCOMPARE(box.RowCount(), 2);

        // An edit in row 1 goes into item 3; the row stays though it no longer matches.
        box.StartEdit(1, 0, false, TEditClick(), 0, 0, QChar());
        box.CellEditing().InplaceEdit().setText(QStringLiteral("cider"));
        list->EndEdit();
        QCOMPARE(list->Items().At(3)->Subject(), std::string("cider"));
        QCOMPARE(box.RowItem(1), list->Items().At(3));

        // The Delete key in row 0 deletes item 1.
        box.setFocus();
        box.SetItemIndex(0);
        QTest::keyClick(&box, Qt::Key_Delete);
        QCOMPARE(list->Items().Count(), 3);
        QCOMPARE(box.RowCount(), 1);
        QCOMPARE(box.RowItem(0)->Subject(), std::string("cider"));

        // A sort orders all items and chooses the rows again.
        list->Items().Add()->SetSubject("Applesauce");
        list->Items().Add()->SetSubject("apple");
        QCOMPARE(box.RowCount(), 3);  // added items are shown
        list->SetSorted(true);
        QStringList rows;
        for (int row = 0; row < box.RowCount(); ++row) {
            rows << QString::fromStdString(box.RowItem(row)->Subject());
        }
        QStringList matching;  // in the sorted order of all items
        for (const TTodoItem* item : list->Items()) {
            const QString subject = QString::fromStdString(item->Subject());
            if (subject.contains(QStringLiteral("apple"), Qt::CaseInsensitive)) {
                matching << subject;
            }
        }
        QCOMPARE(matching.size(), 2);
        QCOMPARE(rows, matching);

        box.SetFindText(QString());
        QCOMPARE(box.RowCount(), 5);
        QCOMPARE(box.RowItem(4), list->Items().At(4));
    }
};

QTEST_MAIN(TestRowFilter)
#include "tst_row_filter.moc"
