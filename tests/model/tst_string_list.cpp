#include <QTest>

#include "model/errors.h"
#include "model/string_list.h"

namespace {

QStringList LinesOf(const TStringList& list) {
    QStringList out;
    for (const std::string& line : list.Lines()) {
        out << QString::fromStdString(line);
    }
    return out;
}

// Counts the change notifications of a list.
class CountingList : public TStringList {
public:
    int changes = 0;

protected:
    void Changed() override { ++changes; }
};

}  // namespace

class TestStringList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Texts as a file may hold them: the lines come out the same whether the text already
    // has the program's own form or needs to be taken apart.
    void setText_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("one empty line") << QByteArray("\r\n") << QStringList{QString()};
        QTest::newRow("two lines") << QByteArray("alpha\r\nbeta\r\n")
                                   << QStringList{QStringLiteral("alpha"), QStringLiteral("beta")};
        QTest::newRow("long lines, breaks across words")
            << QByteArray("a fairly long first line!\r\nand a second one, longer still\r\n")
            << QStringList{QStringLiteral("a fairly long first line!"),
                           QStringLiteral("and a second one, longer still")};
        QTest::newRow("no break at the end")
            << QByteArray("alpha\r\nbeta")
            << QStringList{QStringLiteral("alpha"), QStringLiteral("beta")};
        QTest::newRow("lone LF") << QByteArray("alpha\nbeta\n")
                                 << QStringList{QStringLiteral("alpha"), QStringLiteral("beta")};
        QTest::newRow("lone LF inside, CR LF at the end")
            << QByteArray("alpha\nbeta\r\n")
            << QStringList{QStringLiteral("alpha"), QStringLiteral("beta")};
        QTest::newRow("lone CR inside, CR LF at the end")
            << QByteArray("alpha\rbeta\r\n")
            << QStringList{QStringLiteral("alpha"), QStringLiteral("beta")};
        QTest::newRow("CR LF across eight-byte words")
            << QByteArray("abcdefg\r\nabcdef\r\nabcdefghijklmn\r\n")
            << QStringList{QStringLiteral("abcdefg"), QStringLiteral("abcdef"),
                           QStringLiteral("abcdefghijklmn")};
        QTest::newRow("lone CR before a word's last byte")
            << QByteArray("abcdef\rgabcdefgh\r\n")
            << QStringList{QStringLiteral("abcdef"), QStringLiteral("gabcdefgh")};
        QTest::newRow("lone CR") << QByteArray("alpha\rbeta\r")
                                 << QStringList{QStringLiteral("alpha"), QStringLiteral("beta")};
        QTest::newRow("LF CR is two breaks")
            << QByteArray("a\n\rb")
            << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")};
        QTest::newRow("CR at the very end")
            << QByteArray("abcdefgh\r") << QStringList{QStringLiteral("abcdefgh")};
        QTest::newRow("empty lines kept")
            << QByteArray("\r\n\r\nx\r\n\r\n")
            << QStringList{QString(), QString(), QStringLiteral("x"), QString()};
        QTest::newRow("zero byte ends the text")
            << QByteArray("kept\r\nalso\0gone\r\n", 18)
            << QStringList{QStringLiteral("kept"), QStringLiteral("also")};
        QTest::newRow("zero byte after a break")
            << QByteArray("kept\r\n\0gone", 11) << QStringList{QStringLiteral("kept")};
        QTest::newRow("other control bytes stay")
            << QByteArray("tab\there\x01\x0b\x0c\r\n")
            << QStringList{QStringLiteral("tab\there\x01\x0b\x0c")};
    }
    void setText() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, lines);
        TStringList list;
        list.SetText(std::string_view(text.constData(), std::size_t(text.size())));
        QCOMPARE(LinesOf(list), lines);
        QCOMPARE(list.Count(), int(lines.size()));
        QCOMPARE(list.IsEmpty(), lines.isEmpty());
        std::string expected;
        for (const QString& line : lines) {
            expected += line.toStdString() + "\r\n";
        }
        QCOMPARE(list.Text(), expected);
        QCOMPARE(
            TStringList::SplitLines(std::string_view(text.constData(), std::size_t(text.size()))),
            list.Lines());
    }

    void editing() {
        CountingList list;
        list.Add("b");
        list.Insert(0, "a");
        list.Insert(2, "d");
        list.Insert(2, "c");
        QCOMPARE(LinesOf(list), (QStringList{QStringLiteral("a"), QStringLiteral("b"),
                                             QStringLiteral("c"), QStringLiteral("d")}));
        list.Put(1, "B, longer now");
        list.Delete(3);
        list.Delete(0);
        QCOMPARE(LinesOf(list),
                 (QStringList{QStringLiteral("B, longer now"), QStringLiteral("c")}));
        QCOMPARE(list.Get(0), std::string("B, longer now"));
        QCOMPARE(list[1], std::string("c"));
        QCOMPARE(list.Text(), std::string("B, longer now\r\nc\r\n"));
        QCOMPARE(list.changes, 7);
        list.Clear();
        list.Clear();  // nothing left to clear: no notification
        QCOMPARE(list.changes, 8);
        QCOMPARE(list.Count(), 0);
    }

    // A lone CR or LF given as part of a line stays inside that line.
    void lineWithLoneBreakCharacters() {
        TStringList list{"ends with CR\r", "\nstarts with LF", "middle\rCR"};
        QCOMPARE(list.Count(), 3);
        QCOMPARE(list[0], std::string("ends with CR\r"));
        QCOMPARE(list[1], std::string("\nstarts with LF"));
        QCOMPARE(list[2], std::string("middle\rCR"));
        list.Delete(1);
        QCOMPARE(list[1], std::string("middle\rCR"));
    }

    void badIndexes_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("negative") << -1;
        QTest::newRow("one past the end") << 2;
        QTest::newRow("far beyond") << 1000;
    }
    void badIndexes() {
        QFETCH(int, index);
        TStringList list{"a", "b"};
        const QString message = QStringLiteral("List index out of bounds (%1)").arg(index);
        auto expectError = [&](auto&& call) {
            try {
                call();
                QFAIL("no error");
            } catch (const EListError& e) {
                QCOMPARE(e.Message(), message);
            }
        };
        expectError([&] { list.Get(index); });
        expectError([&] { list.Put(index, "x"); });
        expectError([&] { list.Delete(index); });
        if (index != 2) {  // inserting at the end is allowed
            expectError([&] { list.Insert(index, "x"); });
        }
        QCOMPARE(list.Text(), std::string("a\r\nb\r\n"));  // unchanged
    }

    void updateBracketReportsOnce() {
        CountingList list;
        list.BeginUpdate();
        list.Add("a");
        list.Add("b");
        list.BeginUpdate();
        list.Delete(0);
        list.EndUpdate();
        QCOMPARE(list.changes, 0);
        list.EndUpdate();
        QCOMPARE(list.changes, 1);
        list.BeginUpdate();
        list.EndUpdate();
        QCOMPARE(list.changes, 1);  // nothing changed inside
    }

    void copiesAndSwaps() {
        TStringList a{"one", "two"};
        TStringList b(std::vector<std::string>{"three"});
        const TStringList copy = a;
        QVERIFY(copy == a);
        a.SwapLines(b);
        QCOMPARE(LinesOf(a), QStringList{QStringLiteral("three")});
        QCOMPARE(LinesOf(b), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
        QVERIFY(b == copy);
        b = a;
        QVERIFY(b == a);
        QVERIFY(!(b == copy));
    }
};

QTEST_GUILESS_MAIN(TestStringList)
#include "tst_string_list.moc"
