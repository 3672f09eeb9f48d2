#include <QTest>

#include "app/instance_message.h"

using Strings = std::vector<std::string>;
Q_DECLARE_METATYPE(Strings)

namespace {

std::string Bytes(const char* text, std::size_t size) {
    return std::string(text, size);
}

std::string Header(std::uint32_t block, std::uint32_t token) {
    std::string out(kInstanceMessageName);
    for (std::uint32_t v : {block, token}) {
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<char>((v >> shift) & 0xFF));
        }
    }
    return out;
}

}  // namespace

class TestInstanceMessage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The exact bytes of a small message: name, lengths, block, token.
    void messageBytes() {
        const std::string message = EncodeInstanceMessage({"/bin/p", "a b", "c"}, "tok");
        const std::string block = Bytes("/bin/p\0a b\0c\0\0", 14);
        QCOMPARE(block.size(), std::size_t(14));
        QCOMPARE(message, Header(14, 3) + block + "tok");
        QCOMPARE(InstanceMessageSize(message), message.size());
        const TInstanceMessage decoded = DecodeInstanceMessage(message);
        QCOMPARE(decoded.ParamStr, (Strings{"/bin/p", "a b", "c"}));
        QCOMPARE(decoded.ActivationToken, std::string("tok"));
    }

    // Blocks as the sender builds them: 1 + the sum of (length + 1).
    void encodeBlock_data() {
        QTest::addColumn<Strings>("input");
        QTest::addColumn<Strings>("sent");
        QTest::addRow("path only") << Strings{"/p"} << Strings{"/p"};
        QTest::addRow("parameters") << Strings{"/p", "x", "y z"} << Strings{"/p", "x", "y z"};
        QTest::addRow("8-bit text")
            << Strings{"/p", "\xE4\xFC\xDF"} << Strings{"/p", "\xE4\xFC\xDF"};
        // An empty string would end the list; nothing after it can be carried.
        QTest::addRow("empty parameter") << Strings{"/p", "a", "", "b"} << Strings{"/p", "a"};
        QTest::addRow("exactly full") << Strings{"/p", std::string(65536 - 3 - 1 - 1, 'x')}
                                      << Strings{"/p", std::string(65536 - 3 - 1 - 1, 'x')};
        QTest::addRow("one byte over")
            << Strings{"/p", std::string(65536 - 3 - 1, 'x'), "b"} << Strings{"/p"};
        QTest::addRow("later ones dropped")
            << Strings{"/p", "a", std::string(70000, 'x'), "b"} << Strings{"/p", "a"};
    }
    void encodeBlock() {
        QFETCH(Strings, input);
        QFETCH(Strings, sent);
        const std::string block = EncodeCommandLineBlock(input);
        std::size_t size = 1;
        for (const std::string& s : sent) {
            size += s.size() + 1;
        }
        QCOMPARE(block.size(), size);
        QVERIFY(block.size() <= kCommandLineBlockSize);
        QCOMPARE(DecodeCommandLineBlock(block), sent);
    }

    void encodeCutsOverlongPath() {
        const std::string block = EncodeCommandLineBlock({std::string(70000, 'p'), "a"});
        QCOMPARE(block.size(), kCommandLineBlockSize);
        const Strings decoded = DecodeCommandLineBlock(block);
        QCOMPARE(decoded.size(), std::size_t(1));
        QCOMPARE(decoded.front(), std::string(65534, 'p'));
    }

    void encodeNeedsProgramPath() {
        QVERIFY_THROWS_EXCEPTION(EInstanceMessageError, EncodeCommandLineBlock({}));
        QVERIFY_THROWS_EXCEPTION(EInstanceMessageError, EncodeCommandLineBlock({"", "a"}));
    }

    // A token that cannot travel is left out rather than spoiling the message.
    void unusableTokenDropped() {
        for (const std::string& token : {std::string(4097, 't'), Bytes("a\0b", 3)}) {
            const TInstanceMessage decoded =
                DecodeInstanceMessage(EncodeInstanceMessage({"/p"}, token));
            QCOMPARE(decoded.ActivationToken, std::string());
        }
        const std::string longest(4096, 't');
        QCOMPARE(DecodeInstanceMessage(EncodeInstanceMessage({"/p"}, longest)).ActivationToken,
                 longest);
    }

    void badBlocks_data() {
        QTest::addColumn<QByteArray>("block");
        QTest::addRow("empty") << QByteArray();
        QTest::addRow("only the end") << QByteArray("\0", 1);
        QTest::addRow("not terminated") << QByteArray("abc");
        QTest::addRow("no end of list") << QByteArray("abc\0", 4);
        QTest::addRow("bytes after the end") << QByteArray("abc\0\0x", 6);
        QTest::addRow("two ends") << QByteArray("abc\0\0\0", 6);
        QByteArray big(65537, 'x');
        big[65534] = '\0';
        big[65535] = '\0';
        QTest::addRow("too long") << big;
    }
    void badBlocks() {
        QFETCH(QByteArray, block);
        QVERIFY_THROWS_EXCEPTION(EInstanceMessageError, DecodeCommandLineBlock(std::string_view(
                                                            block.constData(), block.size())));
    }

    void badMessages_data() {
        QTest::addColumn<QByteArray>("bytes");
        const std::string good = EncodeInstanceMessage({"/p", "a"}, "t");
        auto raw = [](const std::string& s) { return QByteArray::fromStdString(s); };
        QTest::addRow("empty") << QByteArray();
        QTest::addRow("other name") << raw("VantreRunTwice" + good.substr(14));
        QTest::addRow("header cut") << raw(good.substr(0, 20));
        QTest::addRow("payload cut") << raw(good.substr(0, good.size() - 1));
        QTest::addRow("bytes after") << raw(good + "x");
        QTest::addRow("block too long") << raw(Header(65537, 0) + std::string(65537, 'x'));
        QTest::addRow("token too long")
            << raw(Header(4, 4097) + Bytes("/p\0\0", 4) + std::string(4097, 't'));
        QTest::addRow("huge lengths") << raw(Header(0xFFFFFFFF, 0xFFFFFFFF));
        QTest::addRow("zero in token") << raw(Header(4, 3) + Bytes("/p\0\0", 4) + Bytes("a\0b", 3));
        QTest::addRow("empty block") << raw(Header(0, 0));
        QTest::addRow("bad block") << raw(Header(3, 0) + "abc");
    }
    void badMessages() {
        QFETCH(QByteArray, bytes);
        QVERIFY_THROWS_EXCEPTION(EInstanceMessageError, DecodeInstanceMessage(std::string_view(
                                                            bytes.constData(), bytes.size())));
    }

    // Reading from a stream: the size is known from the header on, and a wrong start is
    // refused at once, before any length arrives.
    void sizeFromHead() {
        const std::string good = EncodeInstanceMessage({"/p", "a"}, "t");
        for (std::size_t n = 0; n < kInstanceMessageHeaderSize; ++n) {
            QCOMPARE(InstanceMessageSize(std::string_view(good).substr(0, n)), std::size_t(0));
        }
        QCOMPARE(InstanceMessageSize(std::string_view(good).substr(0, kInstanceMessageHeaderSize)),
                 good.size());
        QVERIFY_THROWS_EXCEPTION(EInstanceMessageError, InstanceMessageSize("Vx"));
        QVERIFY_THROWS_EXCEPTION(EInstanceMessageError, InstanceMessageSize(Header(65537, 0)));
        QCOMPARE(InstanceMessageSize(Header(65536, 4096)), kInstanceMessageMax);
    }
};

QTEST_APPLESS_MAIN(TestInstanceMessage)
#include "tst_instance_message.moc"
