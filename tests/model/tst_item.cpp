#include <QTest>
#include <cmath>
#include <limits>

#include "model/todo_collections.h"
#include "model/todo_strings.h"
#include "recording_owner.h"

class TestItem : public QObject {
    Q_OBJECT

    RecordingOwner owner;
    std::unique_ptr<TTodoItemCollection> items;

    TTodoItem* addItem() {
        TTodoItem* item = items->Add();
        owner.take();
        return item;
    }

private Q_SLOTS:
    void init() {
        owner = RecordingOwner();
        items = std::make_unique<TTodoItemCollection>(&owner);
        owner.items = items.get();
    }

    void newItemValues() {
        TTodoItem* item = items->Add();
        QCOMPARE(item->Index(), 0);
        QCOMPARE(item->Complete(), false);
        QCOMPARE(int(item->Completion()), 0);
        QCOMPARE(item->CompletionDate(), 0.0);
        QCOMPARE(item->CreationDate(), 0.0);
        QCOMPARE(item->DueDate(), 0.0);
        QCOMPARE(item->ImageIndex(), -1);
        QCOMPARE(item->Notes().Count(), 0);
        QCOMPARE(item->Priority(), tpLowest);
        QCOMPARE(item->Status(), tsNotStarted);
        QVERIFY(item->Subject().empty() && item->Resource().empty() && item->Project().empty());
        QCOMPARE(item->Tag(), 0);
        QCOMPARE(item->TotalTime(), 0);
        // The new row appears through the view's synchronisation.
        QCOMPARE(owner.take(), QStringList{QStringLiteral("SyncRows")});
        QCOMPARE(owner.rows, 1);
    }

    // Every setter repaints its own row once when the value changes, and not at all when
    // it is set to the value it already has.
    void settersRepaintOnlyOnChange_data() {
        QTest::addColumn<int>("property");
        for (int p = 0; p < 12; ++p) {
            QTest::addRow("property %d", p) << p;
        }
    }
    void settersRepaintOnlyOnChange() {
        QFETCH(int, property);
        addItem();
        TTodoItem* item = addItem();
        auto set = [&] {
            switch (property) {
                case 0:
                    item->SetComplete(true);
                    break;
                case 1:
                    item->SetCompletion(40);
                    break;
                case 2:
                    item->SetCompletionDate(45000.25);
                    break;
                case 3:
                    item->SetCreationDate(45000.5);
                    break;
                case 4:
                    item->SetDueDate(45001.0);
                    break;
                case 5:
                    item->SetImageIndex(3);
                    break;
                case 6:
                    item->SetPriority(tpHigh);
                    break;
                case 7:
                    item->SetProject("Home");
                    break;
                case 8:
                    item->SetResource("Me");
                    break;
                case 9:
                    item->SetStatus(tsDeferred);
                    break;
                case 10:
                    item->SetSubject("Buy milk");
                    break;
                case 11:
                    item->SetTotalTime(8);
                    break;
            }
        };
        set();
        QCOMPARE(owner.take(), QStringList{QStringLiteral("RepaintRow 1")});
        set();
        QCOMPARE(owner.take(), QStringList());
    }

    // A date read from a file keeps its exact bits, so that the list saves to the same
    // bytes: -0.0 is not the default 0.0, and a NaN is one value, not always a change.
    void datesCompareByTheirBits() {
        TTodoItem* item = addItem();
        owner.take();
        item->SetDueDate(-0.0);
        QVERIFY(std::signbit(item->DueDate()));
        QCOMPARE(owner.take(), QStringList{QStringLiteral("RepaintRow 0")});
        item->SetCompletionDate(-0.0);
        item->SetCreationDate(-0.0);
        QVERIFY(std::signbit(item->CompletionDate()));
        QVERIFY(std::signbit(item->CreationDate()));
        owner.take();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        item->SetDueDate(nan);
        QCOMPARE(owner.take().size(), 1);
        item->SetDueDate(nan);
        QCOMPARE(owner.take(), QStringList());

        TTodoItemCollection copy;
        copy.Add()->Assign(*item);
        QVERIFY(std::signbit(copy.At(0)->CreationDate()));
        QVERIFY(std::isnan(copy.At(0)->DueDate()));
    }

    void textComparisonIsCaseSensitive() {
        TTodoItem* item = addItem();
        item->SetSubject("milk");
        owner.take();
        item->SetSubject("Milk");
        QCOMPARE(owner.take(), QStringList{QStringLiteral("RepaintRow 0")});
    }

    void notesAlwaysRepaintAndTagNever() {
        TTodoItem* item = addItem();
        const TStringList lines{"alpha", "beta"};
        item->SetNotes(lines);
        const QStringList once{QStringLiteral("NotesChanged"), QStringLiteral("RepaintRow 0")};
        QCOMPARE(owner.take(), once);
        item->SetNotes(lines);
        QCOMPARE(owner.take(), once);
        QCOMPARE(item->Notes().Lines(), lines.Lines());

        item->SetTag(7);
        item->SetTag(8);
        QCOMPARE(item->Tag(), 8);
        QCOMPARE(owner.take(), QStringList());
    }

    // Editing the notes list in place only resynchronises the rows and keeps the
    // selection; it does not repaint the row.
    void inPlaceNotesChangeOnlyResynchronises() {
        addItem();
        TTodoItem* item = addItem();
        owner.selected = 1;
        item->Notes().Add("first");
        item->Notes().Put(0, "changed");
        item->Notes().Insert(0, "zero");
        item->Notes().Delete(1);
        item->Notes().Clear();
        QCOMPARE(owner.take(), QStringList(5, QStringLiteral("NotesChanged")));
        QCOMPARE(owner.selected, 1);
        QCOMPARE(owner.rows, 2);
    }

    void fieldsAreIndependent() {
        TTodoItem* item = addItem();
        item->SetCompletion(40);
        item->SetComplete(true);
        QCOMPARE(item->Status(), tsNotStarted);
        QCOMPARE(int(item->Completion()), 40);
        QCOMPARE(item->CompletionDate(), 0.0);
        item->SetStatus(tsCompleted);
        item->SetComplete(false);
        QCOMPARE(item->Status(), tsCompleted);
    }

    void changeWithoutRowRepaintsNothing() {
        owner.hasWindow = false;  // rows are not synchronised yet
        TTodoItem* item = items->Add();
        QCOMPARE(owner.rows, 0);
        item->SetSubject("not shown yet");
        item->SetCompletion(10);
        QCOMPARE(owner.take(), QStringList());
    }

    void displayNameAndNotesLine() {
        for (int i = 0; i < 4; ++i) {
            addItem();
        }
        TTodoItem* item = items->GetItem(3);
        QCOMPARE(item->DisplayName(), std::string("Item3"));
        item->SetSubject("Buy milk");
        QCOMPARE(item->DisplayName(), std::string("Buy milk"));
        QCOMPARE(item->NotesLine(), std::string());
        item->SetNotes(TStringList{"alpha", "beta"});
        QCOMPARE(item->NotesLine(), std::string("alpha"));
    }

    void assignCopiesEverythingButOnChange() {
        TTodoItem* source = addItem();
        TTodoItem* target = addItem();
        source->SetComplete(true);
        source->SetCompletion(70);
        source->SetCompletionDate(1.5);
        source->SetCreationDate(2.5);
        source->SetDueDate(3.5);
        source->SetImageIndex(4);
        source->SetNotes(TStringList{"one", "two"});
        source->SetPriority(tpHighest);
        source->SetProject("Garden");
        source->SetResource("Ann");
        source->SetStatus(tsInProgress);
        source->SetSubject("Dig");
        source->SetTag(99);
        source->SetTotalTime(12);
        bool called = false;
        target->OnChange = [&](TTodoItem*) { called = true; };
        target->Assign(*source);
        QCOMPARE(target->Complete(), true);
        QCOMPARE(int(target->Completion()), 70);
        QCOMPARE(target->CompletionDate(), 1.5);
        QCOMPARE(target->CreationDate(), 2.5);
        QCOMPARE(target->DueDate(), 3.5);
        QCOMPARE(target->ImageIndex(), 4);
        QCOMPARE(target->Notes().Lines(), source->Notes().Lines());
        QCOMPARE(target->Priority(), tpHighest);
        QCOMPARE(target->Project(), std::string("Garden"));
        QCOMPARE(target->Resource(), std::string("Ann"));
        QCOMPARE(target->Status(), tsInProgress);
        QCOMPARE(target->Subject(), std::string("Dig"));
        QCOMPARE(target->Tag(), 99);
        QCOMPARE(target->TotalTime(), 12);
        QVERIFY(target->OnChange);
        QVERIFY(!called);  // nothing in the model raises OnChange
    }

    void assignFromAnotherClassIsIgnored() {
        TTodoItem* target = addItem();
        target->SetSubject("keep");
        TTodoColumnCollection columns;
        TTodoColumnItem* column = columns.Add();
        column->SetCaption("Subject");
        target->Assign(*column);
        QCOMPARE(target->Subject(), std::string("keep"));
        QCOMPARE(owner.take(), QStringList{QStringLiteral("RepaintRow 0")});
    }

    void exchangeSwapsContentsAndRepaintsBoth() {
        TTodoItem* a = addItem();
        TTodoItem* b = addItem();
        a->SetSubject("A");
        a->SetProject("PA");
        a->SetNotes(TStringList{"na"});
        b->SetSubject("B");
        b->SetProject("PB");
        owner.take();
        a->Exchange(*b);
        QCOMPARE(a->Subject(), std::string("B"));
        QCOMPARE(a->Project(), std::string("PB"));
        QCOMPARE(a->Notes().Count(), 0);
        QCOMPARE(b->Subject(), std::string("A"));
        QCOMPARE(b->Project(), std::string("PA"));
        QCOMPARE(b->NotesLine(), std::string("na"));
        QCOMPARE(a->Index(), 0);
        const QStringList both{QStringLiteral("RepaintRow 0"), QStringLiteral("RepaintRow 1")};
        QCOMPARE(owner.take(), both);
    }

    void selectMakesTheItemTheSelectedRow() {
        addItem();
        addItem()->Select();
        QCOMPARE(owner.selected, 1);
    }

    void displayTexts() {
        TStatusStrings status;
        TPriorityStrings priority;
        QCOMPARE(status.GetString(tsCompleted), std::string("Completed"));
        QCOMPARE(status.GetString(tsNotStarted), std::string("Not started"));
        QCOMPARE(status.GetString(tsInProgress), std::string("In progress"));
        QCOMPARE(status.GetString(tsDeferred), std::string("Deferred"));
        QCOMPARE(priority.GetString(tpHighest), std::string("Highest"));
        QCOMPARE(priority.GetString(tpLowest), std::string("Lowest"));
        // Values read from a foreign file are never used as an index.
        QCOMPARE(status.GetString(static_cast<TTodoStatus>(4)), std::string());
        QCOMPARE(priority.GetString(static_cast<TTodoPriority>(200)), std::string());

        int repaints = 0;
        status.OnChange = [&] { ++repaints; };
        priority.OnChange = [&] { ++repaints; };
        status.SetDeferred("Later");
        priority.SetHigh("Urgent");
        QCOMPARE(repaints, 2);
        QCOMPARE(status.GetString(tsDeferred), std::string("Later"));
        QCOMPARE(priority.High(), std::string("Urgent"));
    }
};

QTEST_GUILESS_MAIN(TestItem)
#include "tst_item.moc"
