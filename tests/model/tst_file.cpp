#include <sys/stat.h>
#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "model/errors.h"
#include "model/safe_file.h"
#include "model/todo_file.h"
#include "recording_owner.h"

namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

// The one-item file of the format description, 110 bytes.
const QByteArray kWorkedItems =
    Hex("01000000 0e000000"
        "01 0100 00"
        "02 0100 32"
        "03 0800 0000000000000000"
        "04 0800 00000000 10f9e540"
        "05 0800 00000000 e0f9e540"
        "06 0400 ffffffff"
        "07 0a00 32206c6974726573 0d0a"
        "08 0100 02"
        "09 0200 4d65"
        "0a 0100 02"
        "0b 0800 427579206d696c6b"
        "0c 0400 00000000"
        "0d 0400 00000000"
        "0e 0000");

// The one-column layout file: width 35, caption Done, data kind tdComplete; 26 bytes.
const QByteArray kWorkedColumns =
    Hex("01000000 03000000 01 0400 23000000 02 0400 446f6e65 03 0100 07");

void FillWorkedItem(TTodoItem& item) {
    item.SetCreationDate(45000.5);
    item.SetDueDate(45007.0);
    item.SetCompletion(50);
    item.SetNotes(TStringList{"2 litres"});
    item.SetPriority(tpNormal);
    item.SetResource("Me");
    item.SetStatus(tsInProgress);
    item.SetSubject("Buy milk");
}

QByteArray Record(const QByteArray& fields, int count) {
    QByteArray out;
    out.append(char(count)).append(3, '\0');
    return out + fields;
}

QByteArray FileOf(const QByteArray& itemRecord) {
    return Hex("01000000") + itemRecord;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void workedItemExampleByteForByte() {
        QCOMPARE(kWorkedItems.size(), 110);
        TTodoItemCollection items;
        FillWorkedItem(*items.Add());
        QCOMPARE(ItemsToBytes(items), kWorkedItems);

        TTodoItemCollection read;
        ReadItems(kWorkedItems, QStringLiteral("example"), read);
        QCOMPARE(read.Count(), 1);
        const TTodoItem* item = read.GetItem(0);
        QCOMPARE(item->CreationDate(), 45000.5);
        QCOMPARE(item->DueDate(), 45007.0);
        QCOMPARE(int(item->Completion()), 50);
        QCOMPARE(item->ImageIndex(), -1);
        QCOMPARE(item->NotesLine(), std::string("2 litres"));
        QCOMPARE(item->Notes().Count(), 1);
        QCOMPARE(item->Resource(), std::string("Me"));
        QCOMPARE(item->Status(), tsInProgress);
        QCOMPARE(item->Subject(), std::string("Buy milk"));
        QCOMPARE(ItemsToBytes(read), kWorkedItems);
    }

    void workedColumnExampleByteForByte() {
        QCOMPARE(kWorkedColumns.size(), 26);
        TTodoColumnCollection columns;
        TTodoColumnItem* done = columns.Add();
        done->SetWidth(35);
        done->SetCaption("Done");
        done->SetTodoData(tdComplete);
        QCOMPARE(ColumnsToBytes(columns), kWorkedColumns);

        const std::vector<TColumnRecord> records = ReadColumns(kWorkedColumns, QStringLiteral("x"));
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(*records[0].Width, 35);
        QCOMPARE(*records[0].Caption, std::string("Done"));
        QCOMPARE(int(*records[0].TodoData), int(tdComplete));
    }

    void emptyList() {
        TTodoItemCollection items;
        QCOMPARE(ItemsToBytes(items), Hex("00000000"));
        TTodoItemCollection read;
        ReadItems(Hex("00000000"), QStringLiteral("x"), read);
        QCOMPARE(read.Count(), 0);
        ReadItems(Hex("f6ffffff"), QStringLiteral("x"), read);  // a negative count: empty
        QCOMPARE(read.Count(), 0);
    }

    void notesLines_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("none") << QByteArray() << QStringList() << QByteArray();
        QTest::newRow("one empty line")
            << QByteArray("\r\n") << QStringList{QString()} << QByteArray("\r\n");
        QTest::newRow("lone LF") << QByteArray("a\nb")
                                 << QStringList{QStringLiteral("a"), QStringLiteral("b")}
                                 << QByteArray("a\r\nb\r\n");
        QTest::newRow("lone CR") << QByteArray("a\rb\r")
                                 << QStringList{QStringLiteral("a"), QStringLiteral("b")}
                                 << QByteArray("a\r\nb\r\n");
        QTest::newRow("blank line kept")
            << QByteArray("a\r\n\r\nb\r\n")
            << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}
            << QByteArray("a\r\n\r\nb\r\n");
        QTest::newRow("zero byte ends")
            << QByteArray("a\r\nb\0c\r\n", 8)
            << QStringList{QStringLiteral("a"), QStringLiteral("b")} << QByteArray("a\r\nb\r\n");
    }
    void notesLines() {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, written);
        QByteArray field = Hex("07");
        field.append(char(stored.size())).append('\0').append(stored);
        TTodoItemCollection read;
        ReadItems(FileOf(Record(field, 1)), QStringLiteral("x"), read);
        QStringList got;
        for (const auto& line : read.GetItem(0)->Notes().Lines()) {
            got << QString::fromStdString(line);
        }
        QCOMPARE(got, lines);
        QCOMPARE(QByteArray::fromStdString(read.GetItem(0)->Notes().Text()), written);
    }

    void unknownTagsAreSkipped() {
        const QByteArray fields = Hex("14 0500 0102030405") + Hex("0b 0200 4869") + Hex("00 0000");
        TTodoItemCollection read;
        ReadItems(FileOf(Record(fields, 3)), QStringLiteral("x"), read);
        QCOMPARE(read.GetItem(0)->Subject(), std::string("Hi"));
    }

    void onlySubjectGivesNewItemValues() {
        TTodoItemCollection read;
        ReadItems(FileOf(Record(Hex("0b 0300 416263"), 1)), QStringLiteral("x"), read);
        const TTodoItem* item = read.GetItem(0);
        QCOMPARE(item->Subject(), std::string("Abc"));
        QCOMPARE(item->ImageIndex(), -1);
        QCOMPARE(item->Priority(), tpLowest);
        QCOMPARE(item->DueDate(), 0.0);
        QCOMPARE(item->Notes().Count(), 0);
    }

    void fixedWidthFieldsIgnoreTheLength() {
        // A completion field claiming 5 bytes is still read as one byte; the record goes
        // on right after it. A repeated tag keeps its last value.
        const QByteArray fields = Hex("02 0500 07") + Hex("0b 0100 41") + Hex("0b 0100 42");
        TTodoItemCollection read;
        ReadItems(FileOf(Record(fields, 3)), QStringLiteral("x"), read);
        QCOMPARE(int(read.GetItem(0)->Completion()), 7);
        QCOMPARE(read.GetItem(0)->Subject(), std::string("B"));
    }

    // Values no editor produces are kept as read, so such a file saves back unchanged.
    void outOfRangeBytesRoundTrip() {
        QByteArray bytes = kWorkedItems;
        bytes[15] = char(150);  // completion
        bytes[72] = char(9);    // priority
        bytes[81] = char(200);  // status
        bytes[11] = char(3);    // complete: any non-zero byte is true
        TTodoItemCollection read;
        ReadItems(bytes, QStringLiteral("x"), read);
        QCOMPARE(int(read.GetItem(0)->Completion()), 150);
        QCOMPARE(int(read.GetItem(0)->Priority()), 9);
        QCOMPARE(int(read.GetItem(0)->Status()), 200);
        QCOMPARE(read.GetItem(0)->Complete(), true);
        QByteArray expected = bytes;
        expected[11] = char(1);
        QCOMPARE(ItemsToBytes(read), expected);
    }

    void columnsDoNotKeepTheirLook() {
        TTodoColumnCollection columns;
        TTodoColumnItem* column = columns.Add();
        column->SetAlignment(taCenter);
        column->SetColor(clYellow);
        column->SetEditable(false);
        column->SetTodoData(tdNotes);
        column->SetCaption("Notes");
        const QString file = path("columninfo.txt");
        SaveColumns(columns, file);
        TTodoColumnCollection read;
        read.Add()->SetCaption("old");
        LoadColumns(read, file);
        QCOMPARE(read.Count(), 1);
        QCOMPARE(read.GetItem(0)->Alignment(), taLeftJustify);
        QCOMPARE(read.GetItem(0)->Color(), clWindow);
        QCOMPARE(read.GetItem(0)->Editable(), true);
        QCOMPARE(read.GetItem(0)->TodoData(), tdNotes);
        QCOMPARE(read.GetItem(0)->Caption(), std::string("Notes"));

        // A handle column read back is not editable.
        column->SetTodoData(tdHandle);
        SaveColumns(columns, file);
        LoadColumns(read, file);
        QCOMPARE(read.GetItem(0)->Editable(), false);
    }

    void loadReplacesAndSaveIsStable() {
        const QString file = path("list.2do");
        TTodoItemCollection items;
        for (int i = 0; i < 5; ++i) {
            TTodoItem* item = items.Add();
            item->SetSubject("item " + std::to_string(i));
            item->SetNotes(TStringList{"line one", "line two"});
            item->SetProject("p" + std::to_string(i));
            item->SetDueDate(45000 + i * 0.3);
        }
        SaveToFile(items, file);
        const QByteArray first = ReadFile(file);
        SaveToFile(items, file);
        QCOMPARE(ReadFile(file), first);

        RecordingOwner owner;
        TTodoItemCollection shown(&owner);
        owner.items = &shown;
        shown.Add()->SetSubject("other");
        shown.Add()->SetSubject("other 2");
        owner.selected = 1;
        owner.take();
        LoadFromFile(shown, file);
        QCOMPARE(shown.Count(), 5);
        QCOMPARE(shown.GetItem(4)->Project(), std::string("p4"));
        QCOMPARE(owner.rows, 5);
        QCOMPARE(owner.selected, -1);  // nothing is selected after a load
        const QStringList calls{QStringLiteral("SyncRows"), QStringLiteral("SyncRows"),
                                QStringLiteral("SyncRows")};
        QCOMPARE(owner.take(), calls);  // two rows removed, then the new ones at once
        SaveToFile(shown, path("again.2do"));
        QCOMPARE(ReadFile(path("again.2do")), first);
    }

    void streams() {
        TTodoItemCollection items;
        FillWorkedItem(*items.Add());
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        SaveToStream(items, buffer);
        QCOMPARE(buffer.data(), kWorkedItems);
        buffer.seek(0);
        TTodoItemCollection read;
        LoadFromStream(read, buffer);
        QCOMPARE(read.GetItem(0)->Subject(), std::string("Buy milk"));
    }

    // Every way the worked example can end early fails with a message naming the file and
    // the byte where it stopped, and leaves the list as it was.
    void everyTruncationFailsCleanly() {
        TTodoItemCollection items;
        items.Add()->SetSubject("keep me");
        for (int length = 0; length < kWorkedItems.size(); ++length) {
            const QString file = path("cut.2do");
            WriteFile(file, kWorkedItems.left(length));
            try {
                LoadFromFile(items, file);
                QFAIL(qPrintable(QStringLiteral("length %1 was accepted").arg(length)));
            } catch (const EReadError& e) {
                QVERIFY2(e.Message().contains(file), qPrintable(e.Message()));
                QVERIFY2(e.Message().contains(QStringLiteral("byte ")), qPrintable(e.Message()));
            }
            QCOMPARE(items.Count(), 1);
            QCOMPARE(items.GetItem(0)->Subject(), std::string("keep me"));
        }
        for (int length = 0; length < kWorkedColumns.size(); ++length) {
            QVERIFY_THROWS_EXCEPTION(EReadError,
                                     ReadColumns(kWorkedColumns.left(length), QStringLiteral("c")));
        }
    }

    void implausibleCountsFailAtOnce() {
        QByteArray bytes = Hex("00943577");  // 2,000,000,000 items
        bytes.append(96, '\0');
        try {
            TTodoItemCollection read;
            ReadItems(bytes, QStringLiteral("big.2do"), read);
            QFAIL("accepted");
        } catch (const EReadError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Cannot read file big.2do: damaged at byte 0 "
                                                 "(item count 2000000000 is more than the file "
                                                 "can hold)"));
        }
        // A field count beyond the record's bytes.
        QVERIFY_THROWS_EXCEPTION(EReadError, [] {
            TTodoItemCollection read;
            ReadItems(Hex("01000000 ffffff7f 0b0000"), QStringLiteral("x"), read);
        }());
        QVERIFY_THROWS_EXCEPTION(EReadError, ReadColumns(Hex("ffffff7f"), QStringLiteral("x")));
    }

    void openAndCreateErrors() {
        TTodoItemCollection items;
        const QString missing = path("missing.2do");
        try {
            LoadFromFile(items, missing);
            QFAIL("opened");
        } catch (const EFOpenError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Cannot open file ") + missing);
        }
        const QString nowhere = path("no/such/folder/list.2do");
        try {
            SaveToFile(items, nowhere);
            QFAIL("created");
        } catch (const EFCreateError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Cannot create file ") + nowhere);
        }
        QVERIFY_THROWS_EXCEPTION(EFOpenError,
                                 LoadColumns(*std::make_unique<TTodoColumnCollection>(), missing));
    }

    // A FIFO without a writer blocked the open, a device the read, forever.
    void onlyRegularFilesAreRead_data() {
        QTest::addColumn<QString>("file");
        const QString fifo = path("fifo.2do");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QTest::newRow("FIFO") << fifo;
        QTest::newRow("endless device") << QStringLiteral("/dev/zero");
        QTest::newRow("empty device") << QStringLiteral("/dev/null");
    }
    void onlyRegularFilesAreRead() {
        QFETCH(QString, file);
        const QString message = QStringLiteral("Cannot open file %1: not a regular file").arg(file);
        TTodoItemCollection items;
        items.Add();
        try {
            LoadFromFile(items, file);
            QFAIL("read");
        } catch (const EFOpenError& e) {
            QCOMPARE(e.Message(), message);
        }
        try {
            ForEachItemInFile(file, {}, [](TTodoItem&) {});
            QFAIL("read item by item");
        } catch (const EFOpenError& e) {
            QCOMPARE(e.Message(), message);
        }
        QCOMPARE(items.Count(), 1);
    }

    // Item by item through a window smaller than the file: the same items, and a damage
    // reported at the same byte as when the whole file is read.
    void itemByItemReadsAndWritesTheSameBytes() {
        TTodoItemCollection items;
        for (int i = 0; i < 3000; ++i) {
            TTodoItem* item = items.Add();
            FillWorkedItem(*item);
            item->Notes().SetText(std::string(std::size_t(i % 7) * 300, char('a' + i % 26)));
            item->SetTag(i);
        }
        items.GetItem(2000)->SetSubject(std::string(65535, 's'));  // across a window's end
        const QByteArray bytes = ItemsToBytes(items);
        QVERIFY(bytes.size() > 2 * 1024 * 1024);
        const QString file = path("window.2do");
        {
            TTodoFileWriter writer(file);
            int count = -1;
            ForEachItemInFile(
                [&] {
                    WriteFile(path("whole.2do"), bytes);
                    return path("whole.2do");
                }(),
                [&count](int n) { count = n; }, [&writer](TTodoItem& item) { writer.Add(item); });
            QCOMPARE(count, 3000);
            QCOMPARE(writer.Count(), 3000);
            QVERIFY(!QFile::exists(file));  // only Commit makes the file
            writer.Commit();
        }
        QCOMPARE(ReadFile(file), bytes);

        const QByteArray cut = bytes.left(bytes.size() - 10);
        WriteFile(file, cut);
        QString whole;
        try {
            TTodoItemCollection read;
            ReadItems(cut, file, read);
        } catch (const EReadError& e) {
            whole = e.Message();
        }
        QVERIFY(whole.contains(QStringLiteral("damaged at byte")));
        int seen = 0;
        try {
            ForEachItemInFile(file, {}, [&seen](TTodoItem&) { ++seen; });
            QFAIL("read a cut file");
        } catch (const EReadError& e) {
            QCOMPARE(e.Message(), whole);
        }
        QCOMPARE(seen, 2999);
    }

    // A long list is read in parts on several threads, found by the fields' lengths: the
    // items are those of one reading, also where a length is not the field's width.
    void longListsReadInPartsAsInOneGo() {
        TTodoItemCollection items;
        for (int i = 0; i < 45000; ++i) {
            TTodoItem* item = items.Add();
            FillWorkedItem(*item);
            item->Notes().SetText(std::string(std::size_t(i % 5) * 20, char('a' + i % 26)));
            item->SetTag(i);
        }
        const QByteArray bytes = ItemsToBytes(items);
        TTodoItemCollection read;
        ReadItems(bytes, QStringLiteral("long"), read);
        QCOMPARE(ItemsToBytes(read), bytes);

        // Item 30000's Complete says it takes 5 bytes: it is still read as one.
        qsizetype at = 4;
        for (int i = 0; i < 30000; ++i) {
            at +=
                qsizetype(86 + items.At(i)->Notes().Text().size() + items.At(i)->Resource().size() +
                          items.At(i)->Subject().size() + items.At(i)->Project().size());
        }
        QByteArray odd = bytes;
        QCOMPARE(odd.mid(at + 4, 3), Hex("01 0100"));
        odd[at + 5] = 5;
        TTodoItemCollection oddRead;
        ReadItems(odd, QStringLiteral("long"), oddRead);
        QCOMPARE(ItemsToBytes(oddRead), bytes);

        // Cut off: the message of the reading item by item.
        const QByteArray cut = bytes.left(bytes.size() - 10);
        QString whole;
        try {
            TTodoItemCollection partial;
            ReadItems(cut, path("cut.2do"), partial);
        } catch (const EReadError& e) {
            whole = e.Message();
        }
        WriteFile(path("cut.2do"), cut);
        try {
            ForEachItemInFile(path("cut.2do"), {}, [](TTodoItem&) {});
            QFAIL("read a cut file");
        } catch (const EReadError& e) {
            QCOMPARE(whole, e.Message());
        }
    }

    void tooLongTextIsRefusedBeforeWriting() {
        const QString file = path("long.2do");
        TTodoItemCollection items;
        items.Add()->SetSubject("short");
        SaveToFile(items, file);
        const QByteArray before = ReadFile(file);
        items.Add()->SetResource(std::string(65536, 'x'));
        try {
            SaveToFile(items, file);
            QFAIL("saved");
        } catch (const EWriteError& e) {
            QVERIFY2(e.Message().contains(QStringLiteral("Resource of item 1")),
                     qPrintable(e.Message()));
        }
        QCOMPARE(ReadFile(file), before);
        items.GetItem(1)->SetResource(std::string(65535, 'x'));  // the most a field holds
        SaveToFile(items, file);
        TTodoItemCollection read;
        LoadFromFile(read, file);
        QCOMPARE(read.GetItem(1)->Resource().size(), std::size_t(65535));
    }

    void failedWriteKeepsThePreviousFile() {
        const QString file = path("full.2do");
        TTodoItemCollection items;
        FillWorkedItem(*items.Add());
        SaveToFile(items, file);
        items.Add()->SetSubject("second");
        SetWriteLimitForTesting(50);
        QVERIFY_THROWS_EXCEPTION(EWriteError, SaveToFile(items, file));
        SetWriteLimitForTesting(-1);
        QCOMPARE(ReadFile(file), kWorkedItems);
        QCOMPARE(QDir(dir.path())
                     .entryList(QDir::Hidden | QDir::Files)
                     .filter(QStringLiteral("full.2do.")),
                 QStringList());  // no temporary file left behind
    }

    void saveKeepsPermissionsAndFollowsLinks() {
        const QString real = path("real.2do");
        const QString link = path("link.2do");
        TTodoItemCollection items;
        items.Add()->SetSubject("v1");
        SaveToFile(items, real);
        QVERIFY(QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::link(real, link));
        items.GetItem(0)->SetSubject("v2");
        SaveToFile(items, link);
        QVERIFY(QFileInfo(link).isSymLink());
        TTodoItemCollection read;
        LoadFromFile(read, real);
        QCOMPARE(read.GetItem(0)->Subject(), std::string("v2"));
        QCOMPARE(QFile::permissions(real),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }
};

QTEST_GUILESS_MAIN(TestFile)
#include "tst_file.moc"
