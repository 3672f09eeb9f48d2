#include <QTest>

#include "model/todo_collections.h"
#include "recording_owner.h"

class TestCollections : public QObject {
    Q_OBJECT

    RecordingOwner owner;
    std::unique_ptr<TTodoItemCollection> items;
    std::unique_ptr<TTodoColumnCollection> columns;

private Q_SLOTS:
    void init() {
        owner = RecordingOwner();
        items = std::make_unique<TTodoItemCollection>(&owner);
        columns = std::make_unique<TTodoColumnCollection>(&owner);
        owner.items = items.get();
    }

    void clearRemovesRowsFromTheEnd() {
        for (int i = 0; i < 3; ++i) {
            items->Add()->SetSubject(std::to_string(i));
        }
        owner.selected = 1;
        owner.take();
        QList<int> rowsSeen;
        items->Clear();
        QCOMPARE(owner.take(), QStringList(3, QStringLiteral("SyncRows")));
        QCOMPARE(items->Count(), 0);
        QCOMPARE(owner.rows, 0);
        QCOMPARE(owner.selected, -1);
    }

    void deleteKeepsPositionsAndSelection() {
        for (int i = 0; i < 3; ++i) {
            items->Add()->SetSubject(std::to_string(i));
        }
        owner.selected = 2;
        items->Delete(2);  // the selected last row goes: the new last row is selected
        QCOMPARE(owner.selected, 1);
        items->Delete(0);
        QCOMPARE(items->Count(), 1);
        QCOMPARE(items->GetItem(0)->Subject(), std::string("1"));
        QCOMPARE(items->GetItem(0)->Index(), 0);
    }

    void getItemOutOfRange() {
        items->Add();
        try {
            items->GetItem(1);
            QFAIL("no error");
        } catch (const EListError& e) {
            QCOMPARE(e.Message(), QStringLiteral("List index out of bounds (1)"));
        }
        QVERIFY_THROWS_EXCEPTION(EListError, items->GetItem(-1));
        QVERIFY_THROWS_EXCEPTION(EListError, columns->GetItem(0));
    }

    void newColumnValues() {
        owner.font.Name = QStringLiteral("Sans");
        owner.font.PointSize = 9;
        TTodoColumnItem* column = columns->Add();
        QCOMPARE(column->Width(), 100);
        QCOMPARE(column->Color(), clWindow);
        QCOMPARE(column->Editable(), true);
        QCOMPARE(column->Alignment(), taLeftJustify);
        QCOMPARE(column->TodoData(), tdSubject);
        QVERIFY(column->Caption().empty());
        QCOMPARE(column->Font(), owner.font);
        // The header is rebuilt and the rows repainted for the new column.
        const QStringList expected{QStringLiteral("RepaintAll"), QStringLiteral("ColumnsChanged")};
        QCOMPARE(owner.take(), expected);
    }

    void columnBeforeWindowSendsNoNotice() {
        owner.hasWindow = false;
        TTodoColumnItem* column = columns->Add();
        column->SetWidth(50);
        column->SetCaption("Done");
        columns->Delete(0);
        QCOMPARE(owner.take(), QStringList());
    }

    // Width and caption rebuild the header even when unchanged; other properties only
    // repaint; a move repaints but leaves the header alone.
    void columnSettersNotify() {
        TTodoColumnItem* column = columns->Add();
        columns->Add();
        int changes = 0;
        column->OnChange = [&](TTodoColumnItem* sender) {
            QCOMPARE(sender, column);
            ++changes;
        };
        owner.take();
        const QStringList rebuild{QStringLiteral("RepaintAll"), QStringLiteral("ColumnsChanged")};
        column->SetWidth(100);
        QCOMPARE(owner.take(), rebuild);
        column->SetCaption("");
        QCOMPARE(owner.take(), rebuild);
        column->SetAlignment(taCenter);
        column->SetColor(clRed);
        column->SetFont(TFont{});
        column->SetTodoData(tdNotes);
        QCOMPARE(owner.take(), QStringList(4, QStringLiteral("RepaintAll")));
        QCOMPARE(changes, 6);
        column->SetEditable(false);
        QCOMPARE(owner.take(), QStringList());
        column->SetIndex(1);
        QCOMPARE(owner.take(), QStringList{QStringLiteral("RepaintAll")});
        QCOMPARE(column->Index(), 1);
        QCOMPARE(columns->GetItem(1), column);
    }

    void fontChangedInPlaceNotifiesNothing() {
        TTodoColumnItem* column = columns->Add();
        owner.take();
        column->FontRef().Style = fsBold;
        QCOMPARE(owner.take(), QStringList());
        QVERIFY(column->Font().HasStyle(fsBold));
    }

    void handleColumnIsNotEditable() {
        TTodoColumnItem* column = columns->Add();
        column->SetTodoData(tdHandle);
        QCOMPARE(column->Editable(), false);
        column->SetTodoData(tdSubject);
        QCOMPARE(column->Editable(), false);
        column->SetEditable(true);
        QCOMPARE(column->Editable(), true);
    }

    void columnDisplayName() {
        columns->Add();
        columns->Add();
        TTodoColumnItem* third = columns->Add();
        QCOMPARE(third->DisplayName(), std::string("Column2"));
        third->SetCaption("Due");
        QCOMPARE(third->DisplayName(), std::string("Due"));
    }

    void columnAssign() {
        TTodoColumnItem* source = columns->Add();
        TTodoColumnItem* target = columns->Add();
        source->SetAlignment(taRightJustify);
        source->SetCaption("Prio");
        source->SetColor(clYellow);
        source->SetEditable(false);
        source->FontRef().Color = clRed;
        source->SetTodoData(tdPriority);
        source->SetWidth(42);
        target->Assign(*source);
        QCOMPARE(target->Alignment(), taRightJustify);
        QCOMPARE(target->Caption(), std::string("Prio"));
        QCOMPARE(target->Color(), clYellow);
        QCOMPARE(target->Editable(), false);
        QCOMPARE(target->Font().Color, clRed);
        QCOMPARE(target->TodoData(), tdPriority);
        QCOMPARE(target->Width(), 42);
        TTodoItem* item = items->Add();
        target->Assign(*item);  // another class: ignored
        QCOMPARE(target->Caption(), std::string("Prio"));
    }

    void updateBracketSendsOneUpdate() {
        columns->Add();
        columns->Add();
        columns->Add();
        owner.take();
        columns->BeginUpdate();
        columns->BeginUpdate();
        columns->Move(0, 2);
        columns->Move(2, 0);
        columns->EndUpdate();
        QCOMPARE(owner.take(), QStringList());
        columns->EndUpdate();
        QCOMPARE(owner.take(), QStringList{QStringLiteral("RepaintAll")});
    }

    void moveShiftsTheMembersBetween() {
        for (int i = 0; i < 4; ++i) {
            items->Add()->SetSubject(std::to_string(i));
        }
        items->GetItem(0)->SetIndex(2);
        QStringList order;
        for (TTodoItem* item : *items) {
            order << QString::fromStdString(item->Subject());
            QCOMPARE(items->GetItem(item->Index()), item);
        }
        QCOMPARE(order, (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("0"),
                                     QStringLiteral("3")}));
    }

    void takeAllMovesItemsAndSynchronisesOnce() {
        TTodoItemCollection loose;
        loose.Add()->SetSubject("a");
        loose.Add()->SetSubject("b");
        items->Add();
        owner.take();
        items->TakeAll(loose);
        QCOMPARE(loose.Count(), 0);
        QCOMPARE(items->Count(), 3);
        QCOMPARE(items->GetItem(2)->Subject(), std::string("b"));
        QCOMPARE(items->GetItem(2)->Index(), 2);
        QCOMPARE(items->GetItem(2)->Collection(), items.get());
        QCOMPARE(owner.take(), QStringList{QStringLiteral("SyncRows")});
        items->GetItem(1)->SetSubject("now shown");
        QCOMPARE(owner.take(), QStringList{QStringLiteral("RepaintRow 1")});
    }
};

QTEST_GUILESS_MAIN(TestCollections)
#include "tst_collections.moc"
