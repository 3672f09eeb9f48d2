// iCalendar content lines: reading (unfolding, parameters, line numbers, refusals) and
// writing (escaping, folding exactly as libical folds).

#include <libical/ical.h>
#include <QRandomGenerator>
#include <QTest>

#include "calendar/calendar_error.h"
#include "calendar/content_line.h"
#include "calendar/line_reader.h"
#include "calendar/line_writer.h"

namespace {

// Every line of the input as "NUMBER|NAME|P=V;P=V|VALUE", one per line, or the error.
QString ReadAll(const QByteArray& input) {
    QStringList lines;
    try {
        TLineReader reader(ReadFromMemory(std::string_view(input.constData(), input.size())));
        TContentLine line;
        while (reader.Next(line)) {
            QStringList parameters;
            for (const TParameter& p : line.Parameters) {
                parameters << QString::fromUtf8(p.Name.data(), qsizetype(p.Name.size())) +
                                  QLatin1Char('=') +
                                  QString::fromUtf8(p.Value.data(), qsizetype(p.Value.size()));
            }
            lines << QStringLiteral("%1|%2|%3|%4")
                         .arg(line.Number)
                         .arg(QString::fromUtf8(line.Name.data(), qsizetype(line.Name.size())),
                              parameters.join(QLatin1Char(';')),
                              QString::fromUtf8(line.Value.data(), qsizetype(line.Value.size())));
        }
    } catch (const ECalendarError& error) {
        return error.Message();
    }
    return lines.join(QLatin1Char('\n'));
}

std::string Folded(std::string_view line) {
    std::string out;
    AppendFoldedLine(out, line);
    return out;
}

// What libical writes for a SUMMARY of this text, with its one fault mended: where it
// breaks between the final CR and LF, the rest stays on its line.
std::string LibicalSummary(const std::string& text) {
    icalproperty* property = icalproperty_new_summary(text.c_str());
    char* written = icalproperty_as_ical_string_r(property);
    std::string result(written);
    icalmemory_free_buffer(written);
    icalproperty_free(property);
    const std::string_view strayCr = "\r\r\n \n";
    if (result.ends_with(strayCr)) {
        result.replace(result.size() - strayCr.size(), strayCr.size(), "\r\n");
    }
    return result;
}

}  // namespace

class TestContentLines : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reading_data() {
        const auto S = [](const char* text) { return QString::fromUtf8(text); };
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("read");
        QTest::newRow("plain") << QByteArray("SUMMARY:Buy milk\r\n") << S("1|SUMMARY||Buy milk");
        QTest::newRow("LF alone, no final line end")
            << QByteArray("A:1\nB:2") << S("1|A||1\n2|B||2");
        QTest::newRow("folded with a blank and a tab")
            << QByteArray("SUMMARY:Buy\r\n  milk\r\n\tand eggs\r\nX:1\r\n")
            << S("1|SUMMARY||Buy milkand eggs\n4|X||1");
        QTest::newRow("fold inside a UTF-8 sequence")
            << QByteArray("SUMMARY:Caf\xC3\r\n \xA9\r\n") << S("1|SUMMARY||Caf\u00e9");
        QTest::newRow("names in upper case, parameters")
            << QByteArray("dtStart;tzid=Europe/Berlin;Value=DATE-TIME:20240501T093000")
            << S("1|DTSTART|TZID=Europe/Berlin;VALUE=DATE-TIME|20240501T093000");
        QTest::newRow("quoted value with ; : and ,")
            << QByteArray("ATTENDEE;CN=\"Doe, John; Jr.: x\";ROLE=CHAIR:mailto:j@x.org")
            << S("1|ATTENDEE|CN=Doe, John; Jr.: x;ROLE=CHAIR|mailto:j@x.org");
        QTest::newRow("list of quoted values")
            << QByteArray("X-A;MEMBER=\"a\",\"b\",c:v") << S("1|X-A|MEMBER=\"a\",\"b\",c|v");
        QTest::newRow("empty value and empty parameter value")
            << QByteArray("DESCRIPTION;X-E=:") << S("1|DESCRIPTION|X-E=|");
        QTest::newRow("empty lines, byte order mark, numbers")
            << QByteArray("\xEF\xBB\xBF\r\nA:1\r\n 2\r\n\r\n\nB:3\r\n\r\n") << S("2|A||12\n6|B||3");
        QTest::newRow("no colon") << QByteArray("A:1\r\nSUMMARY Buy milk\r\n")
                                  << S("line 2: \"SUMMARY Buy milk\" has no colon: a content "
                                       "line is NAME:VALUE");
        QTest::newRow("blank in the name") << QByteArray("SUM MARY:x")
                                           << S("line 1: \"SUM MARY:x\" is not NAME:VALUE: a name "
                                                "holds only letters, digits and hyphens");
        QTest::newRow("continuation first")
            << QByteArray(" A:1")
            << S("line 1: \" A:1\" is not NAME:VALUE: a name holds only "
                 "letters, digits and hyphens");
        QTest::newRow("quote not closed") << QByteArray("A;CN=\"x:y")
                                          << S("line 1: a quoted parameter value of A is not "
                                               "closed");
        QTest::newRow("parameter without =")
            << QByteArray("A;CN:x") << S("line 1: a parameter of A is not NAME=VALUE");
        QTest::newRow("stray quote") << QByteArray("A;CN=x\"y\":z")
                                     << S("line 1: a parameter value of A holds a stray quote");
        QTest::newRow("parameters and no value")
            << QByteArray("A;CN=x")
            << S("line 1: the parameters of A are not followed by a "
                 "colon and the value");
        QTest::newRow("Latin-1") << QByteArray("A:1\r\nSUMMARY:Caf\xE9\r\n")
                                 << S("line 2: byte 12 (0xe9) is not UTF-8 text; iCalendar files "
                                      "are UTF-8");
        QTest::newRow("overlong slash") << QByteArray("A:\xC0\xAF")
                                        << S("line 1: byte 3 (0xc0) is not UTF-8 text; iCalendar "
                                             "files are UTF-8");
        QTest::newRow("surrogate") << QByteArray("A:ok\xED\xA0\x80")
                                   << S("line 1: byte 5 (0xed) is not UTF-8 text; iCalendar files "
                                        "are UTF-8");
        QTest::newRow("cut inside a sequence")
            << QByteArray("A:\xE2\x82")
            << S("line 1: byte 3 (0xe2) is not UTF-8 text; iCalendar "
                 "files are UTF-8");
        QTest::newRow("zero byte")
            << QByteArray("A:x\0y", 5) << S("line 1: a zero byte, which text cannot hold");
        const QString tooLong = QStringLiteral(
                                    "line %1: the line is longer than %2 bytes, more than "
                                    "iCalendar text holds")
                                    .arg(2)
                                    .arg(MaxContentLineLength);
        QTest::newRow("one line too long")
            << QByteArray("A:1\r\nB:") + QByteArray(int(MaxContentLineLength), 'x') << tooLong;
        QByteArray folds("A:1\r\nB:");
        for (std::size_t i = 0; i <= MaxContentLineLength / 1000; ++i) {
            folds += QByteArray(1000, 'y') + "\r\n ";
        }
        QTest::newRow("too long in folds") << folds << tooLong;
    }
    void reading() {
        QFETCH(QByteArray, input);
        QFETCH(QString, read);
        QCOMPARE(ReadAll(input), read);
    }

    // A long line arrives in pieces of every size; the reader holds a few chunks at most.
    void readingFromSmallPieces() {
        const QByteArray input = "SUMMARY:" + QByteArray(200000, 'x') + "\r\n  tail\r\nB:1\n";
        for (std::size_t piece : {1, 3, 4096}) {
            std::size_t at = 0;
            TLineReader reader([&](char* into, std::size_t size) {
                const std::size_t n = std::min({piece, size, std::size_t(input.size()) - at});
                std::memcpy(into, input.constData() + at, n);
                at += n;
                return n;
            });
            TContentLine line;
            QVERIFY(reader.Next(line));
            QCOMPARE(line.Value.size(), std::size_t(200000 + 5));
            QVERIFY(line.Value.ends_with("x tail"));
            QVERIFY(reader.Next(line));
            QCOMPARE(line.Number, 3);
            QVERIFY(!reader.Next(line));
        }
    }

    void textValues_data() {
        QTest::addColumn<QByteArray>("escaped");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("written");  // the writer gives exactly `escaped`
        QTest::newRow("specials") << QByteArray("a\\\\b\\;c\\,d\\ne") << QByteArray("a\\b;c,d\ne")
                                  << true;
        QTest::newRow("colon, quote and tab stay")
            << QByteArray("a:\"b\"\tc") << QByteArray("a:\"b\"\tc") << true;
        QTest::newRow("capital N") << QByteArray("a\\Nb") << QByteArray("a\nb") << false;
        QTest::newRow("unknown escape kept")
            << QByteArray("C:\\Users\\x") << QByteArray("C:\\Users\\x") << false;
        QTest::newRow("final backslash") << QByteArray("a\\") << QByteArray("a\\") << false;
    }
    void textValues() {
        QFETCH(QByteArray, escaped);
        QFETCH(QByteArray, text);
        QFETCH(bool, written);
        std::string read;
        UnescapeText(escaped.toStdString(), read);
        QCOMPARE(QByteArray::fromStdString(read), text);
        std::string out;
        AppendEscapedText(out, text.toStdString());
        QCOMPARE(QByteArray::fromStdString(out) == escaped, written);
    }

    void categoryLists() {
        QCOMPARE(SplitTextList("Home,Work\\, late,,x\\\\,"),
                 (std::vector<std::string>{"Home", "Work, late", "x\\"}));
        QCOMPARE(SplitTextList("end\\"), std::vector<std::string>{"end\\"});
    }

    void folding_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("folded");
        const QByteArray x73(73, 'x');
        QTest::newRow("72 octets stay") << QByteArray(72, 'a') << QByteArray(72, 'a') + "\r\n";
        QTest::newRow("after the colon")
            << "SUMMARY:" + QByteArray(66, 'x') << "SUMMARY:\r\n " + QByteArray(66, 'x') + "\r\n";
        QTest::newRow("after the last blank")
            << "SUMMARY:" + QByteArray(50, 'a') + " " + QByteArray(30, 'b')
            << "SUMMARY:" + QByteArray(50, 'a') + " \r\n " + QByteArray(30, 'b') + "\r\n";
        QTest::newRow("before a UTF-8 sequence")
            << "X:" + QByteArray(71, 'a') + "\xC3\xA9\xC3\xA9"
            << "X:\r\n " + QByteArray(71, 'a') + "\xC3\xA9\r\n \xC3\xA9\r\n";
        QTest::newRow("never inside one")
            << "X" + QByteArray("\xE2\x82\xAC").repeated(30)
            << "X" + QByteArray("\xE2\x82\xAC").repeated(24) + "\r\n " +
                   QByteArray("\xE2\x82\xAC").repeated(6) + "\r\n";
        QTest::newRow("74 octets a line without a place to break")
            << "SUMMARY:" + QByteArray(150, 'x')
            << "SUMMARY:\r\n " + QByteArray(74, 'x') + "\r\n " + QByteArray(74, 'x') +
                   "\r\n xx\r\n";
        // libical writes a stray CR here: "...x\r\r\n \n".
        QTest::newRow("73 left: not between CR and LF")
            << "SUMMARY:" + x73 << "SUMMARY:\r\n " + x73 + "\r\n";
        // libical's empty last line is kept: it unfolds to nothing.
        QTest::newRow("74 left: an empty last line")
            << "SUMMARY:" + QByteArray(74, 'x')
            << "SUMMARY:\r\n " + QByteArray(74, 'x') + "\r\n \r\n";
    }
    void folding() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, folded);
        QCOMPARE(QByteArray::fromStdString(Folded(line.toStdString())), folded);
    }

    // Random texts of every length around the folds, ASCII with the break characters and
    // UTF-8 of two to four bytes: libical writes the same bytes, no line is longer than 75
    // octets, and reading unfolds to the original.
    void foldingAsLibicalDoes() {
        icalerror_set_errors_are_fatal(0);
        QRandomGenerator random(75);
        const char* pieces[] = {"a",
                                "b",
                                " ",
                                ";",
                                ",",
                                ":",
                                "\\",
                                "\n",
                                "\xC3\xA9",
                                "\xE2\x82\xAC",
                                "\xF0\x9F\x98\x80",
                                "\t",
                                "\""};
        for (int n = 0; n < 3000; ++n) {
            std::string text;
            const int length = int(random.bounded(1, 260));
            const int kinds = n % 3 == 0 ? 2 : int(std::size(pieces));
            while (int(text.size()) < length) {
                text += pieces[random.bounded(kinds)];
            }
            std::string line = "SUMMARY:";
            AppendEscapedText(line, text);
            const std::string mine = Folded(line);
            QCOMPARE(QByteArray::fromStdString(mine),
                     QByteArray::fromStdString(LibicalSummary(text)));

            TLineReader reader(ReadFromMemory(mine));
            TContentLine read;
            QVERIFY(reader.Next(read));
            std::string unescaped;
            UnescapeText(read.Value, unescaped);
            QCOMPARE(QByteArray::fromStdString(unescaped), QByteArray::fromStdString(text));
            for (const QByteArray& physical : QByteArray::fromStdString(mine).split('\n')) {
                QVERIFY(physical.size() <= 76);  // 75 octets and the CR
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestContentLines)
#include "tst_content_lines.moc"
