#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <vector>

#include "platform/loaded_printer.h"
#include "platform/text_printer.h"

namespace {

struct TDrawCall {
    int X, Y;
    QString Text;
    int Page;
};

// A page of fixed measures whose characters are 10 pixels wide (some wider, by table)
// and 12 high; it records where the text lands.
class TMeasuredSurface : public ITextSurface {
public:
    int PageWidth() const override { return Width; }
    int PageHeight() const override { return Height; }
    int FontHeight() const override { return 12; }
    int AverageCharWidth() const override { return 10; }
    int TextWidth(const QString& text) const override {
        int width = 0;
        for (QChar c : text) {
            const auto wide = Wide.find(c.unicode());
            width += wide != Wide.end() ? wide->second : c.isMark() ? 0 : 10;
        }
        return width;
    }
    int TextHeight(const QString&) const override { return 12; }
    void DrawText(int x, int y, const QString& text) override {
        Draws.push_back({x, y, text, Page});
    }
    void NewPage() override { ++Page; }

    int Width = 100;
    int Height = 200;
    std::map<char16_t, int> Wide;
    std::vector<TDrawCall> Draws;
    int Page = 0;
};

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return QStringLiteral("<%1 failed>").arg(program);
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPages(const QString& fileName) {
    const QString info = Run(QStringLiteral("pdfinfo"), {fileName});
    for (const QString& line : info.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Pages:"))) {
            return line.mid(6).trimmed().toInt();
        }
    }
    return -1;
}

// The text of each page, its lines without the trailing empty ones.
std::vector<QStringList> PdfText(const QString& fileName) {
    const QString text = Run(QStringLiteral("pdftotext"),
                             {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    std::vector<QStringList> pages;
    for (const QString& page : text.split(QLatin1Char('\f'))) {
        QStringList lines = page.split(QLatin1Char('\n'));
        while (!lines.isEmpty() && lines.back().trimmed().isEmpty()) {
            lines.removeLast();
        }
        for (QString& line : lines) {
            line = line.trimmed();
        }
        pages.push_back(lines);
    }
    while (!pages.empty() && pages.back().isEmpty()) {
        pages.pop_back();
    }
    return pages;
}

}  // namespace

class TestTextPrinter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QFAIL("pdftotext (poppler-utils) is missing: run tools/lib/ensure-packages");
        }
    }

    // Lines follow one another at the left margin: text lines 2 pixels higher than the
    // font, empty ones (and lines of tabs only) as high as the font.
    void lineHeights() {
        TMeasuredSurface surface;
        TTextChannel channel(surface);
        channel.WriteLine(QStringLiteral("one"));
        channel.WriteLine(QString());
        channel.WriteLine(QStringLiteral("\t"));
        channel.WriteLine(QStringLiteral("two"));
        channel.WriteLine(QStringLiteral("three"));
        QCOMPARE(surface.Draws.size(), 3u);
        QCOMPARE(surface.Draws[0].Y, 0);
        QCOMPARE(surface.Draws[1].Y, 14 + 12 + 12);
        QCOMPARE(surface.Draws[1].Text, QStringLiteral("two"));
        QCOMPARE(surface.Draws[2].Y, 14 + 12 + 12 + 14);
        for (const TDrawCall& draw : surface.Draws) {
            QCOMPARE(draw.X, 0);
        }
    }

    void wrapping_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QList<int>>("xs");
        QTest::addColumn<QList<int>>("ys");
        QTest::newRow("fits exactly") << "abcdefghij" << QStringList{QStringLiteral("abcdefghij")}
                                      << QList<int>{0} << QList<int>{0};
        QTest::newRow("one too many")
            << "abcdefghijk" << QStringList{QStringLiteral("abcdefghij"), QStringLiteral("k")}
            << QList<int>{0, 0} << QList<int>{0, 14};
        QTest::newRow("broken inside a word, blanks kept")
            << "to do list items"
            << QStringList{QStringLiteral("to do list"), QStringLiteral(" items")}
            << QList<int>{0, 0} << QList<int>{0, 14};
        QTest::newRow("three pieces")
            << QString(25, QLatin1Char('x'))
            << QStringList{QString(10, QLatin1Char('x')), QString(10, QLatin1Char('x')),
                           QString(5, QLatin1Char('x'))}
            << QList<int>{0, 0, 0} << QList<int>{0, 14, 28};
        QTest::newRow("wide characters")
            << "aWWb" << QStringList{QStringLiteral("aW"), QStringLiteral("Wb")} << QList<int>{0, 0}
            << QList<int>{0, 14};
        // A character wider than the page still prints, alone on its line.
        QTest::newRow("character wider than the page")
            << "aMb" << QStringList{QStringLiteral("a"), QStringLiteral("M"), QStringLiteral("b")}
            << QList<int>{0, 0, 0} << QList<int>{0, 14, 28};
        QTest::newRow("accent stays with its letter")
            << QStringLiteral("abcdefghie\u0301z")
            << QStringList{QStringLiteral("abcdefghie\u0301"), QStringLiteral("z")}
            << QList<int>{0, 0} << QList<int>{0, 14};
        QTest::newRow("tab to the next multiple of eight widths")
            << "a\tb" << QStringList{QStringLiteral("a"), QStringLiteral("b")} << QList<int>{0, 80}
            << QList<int>{0, 0};
        QTest::newRow("tab beyond the width begins the next line")
            << "a\t\tb" << QStringList{QStringLiteral("a"), QStringLiteral("b")} << QList<int>{0, 0}
            << QList<int>{0, 14};
        QTest::newRow("text after a tab wraps at the width")
            << "\tabc" << QStringList{QStringLiteral("ab"), QStringLiteral("c")}
            << QList<int>{80, 0} << QList<int>{0, 14};
    }
    void wrapping() {
        QFETCH(QString, line);
        QFETCH(QStringList, pieces);
        QFETCH(QList<int>, xs);
        QFETCH(QList<int>, ys);
        TMeasuredSurface surface;
        surface.Wide = {{u'W', 50}, {u'M', 150}};
        TTextChannel channel(surface);
        channel.WriteLine(line);
        channel.WriteLine(QStringLiteral("next"));
        QStringList drawn;
        QList<int> drawnXs, drawnYs;
        for (const TDrawCall& draw : surface.Draws) {
            drawn << draw.Text;
            drawnXs << draw.X;
            drawnYs << draw.Y;
        }
        QCOMPARE(drawn.mid(0, drawn.size() - 1), pieces);
        QCOMPARE(drawnXs.mid(0, drawn.size() - 1), xs);
        QCOMPARE(drawnYs.mid(0, drawn.size() - 1), ys);
        // The following line starts below the last piece, at the left margin.
        QCOMPARE(drawn.back(), QStringLiteral("next"));
        QCOMPARE(drawnXs.back(), 0);
        QCOMPARE(drawnYs.back(), ys.back() + 14);
    }

    void tabAtATabStop() {
        // "abcdefgh" ends exactly on the first stop (80); the tab goes on to the second
        // (160), which lies beyond a page 150 wide, so "b" begins the next line.
        TMeasuredSurface surface;
        surface.Width = 150;
        TTextChannel channel(surface);
        channel.WriteLine(QStringLiteral("abcdefgh\tb"));
        QCOMPARE(surface.Draws.size(), 2u);
        QCOMPARE(surface.Draws[1].X, 0);
        QCOMPARE(surface.Draws[1].Y, 14);
        surface.Draws.clear();
        surface.Width = 200;
        TTextChannel wide(surface);
        wide.WriteLine(QStringLiteral("abcdefgh\tb"));
        QCOMPARE(surface.Draws[1].X, 160);
        QCOMPARE(surface.Draws[1].Y, 0);
    }

    // Page height 200 and lines 14 high: a new page begins once a line would reach below
    // 200 - 2 * 14 = 172, so 13 lines fit on a page (the 13th ends at 182).
    void pageBreaks() {
        TMeasuredSurface surface;
        TTextChannel channel(surface);
        for (int i = 0; i < 30; ++i) {
            channel.WriteLine(QString::number(i));
        }
        QCOMPARE(channel.Pages(), 3);
        QCOMPARE(surface.Page, 2);
        for (int i = 0; i < 30; ++i) {
            QCOMPARE(surface.Draws[i].Page, i / 13);
            QCOMPARE(surface.Draws[i].Y, (i % 13) * 14);
        }
    }

    void fullLastPageAddsNoBlankPage() {
        TMeasuredSurface surface;
        TTextChannel channel(surface);
        for (int i = 0; i < 13; ++i) {
            channel.WriteLine(QStringLiteral("x"));
        }
        QCOMPARE(channel.Pages(), 1);
        QCOMPARE(surface.Page, 0);
        channel.WriteLine(QString());  // an empty line is a line too
        QCOMPARE(channel.Pages(), 2);
        QCOMPARE(surface.Page, 1);
    }

    void wrappedLineCrossesThePage() {
        TMeasuredSurface surface;
        TTextChannel channel(surface);
        for (int i = 0; i < 12; ++i) {
            channel.WriteLine(QStringLiteral("x"));
        }
        channel.WriteLine(QString(25, QLatin1Char('y')));
        // Its first piece ends page 1, the other two begin page 2.
        QCOMPARE(surface.Draws[12].Page, 0);
        QCOMPARE(surface.Draws[13].Page, 1);
        QCOMPARE(surface.Draws[13].Y, 0);
        QCOMPARE(surface.Draws[14].Y, 14);
    }

    void pdfJob() {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("list.pdf"));
        TPdfTextPrinter printer(fileName);
        QVERIFY(printer.HasDefaultPrinter());
        printer.BeginJob(QStringLiteral("Pellmark"));
        QVERIFY(printer.JobOpen());

        // Lines per page from the printer's own font, by the page-break rule.
        QPrinter probe(QPrinter::HighResolution);
        probe.setOutputFormat(QPrinter::PdfFormat);
        probe.setOutputFileName(dir.filePath(QStringLiteral("probe.pdf")));
        probe.setPageSize(QPageSize(QPageSize::A4));
        QPainter painter(&probe);
        const int lineHeight = painter.fontMetrics().height() + 2;
        const int pageHeight = probe.pageLayout().paintRectPixels(probe.resolution()).height();
        const int pageWidth = probe.pageLayout().paintRectPixels(probe.resolution()).width();
        const int perPage = (pageHeight - 2 * lineHeight) / lineHeight + 1;
        int fitting = 0;
        while (painter.fontMetrics().horizontalAdvance(QString(fitting + 1, QLatin1Char('x'))) <=
               pageWidth) {
            ++fitting;
        }
        painter.end();

        const int count = perPage + 5;
        for (int i = 0; i < count; ++i) {
            printer.WriteLine(QStringLiteral("Line %1").arg(i));
        }
        // Ten characters more than fit: the rest goes on the next line.
        printer.WriteLine(QString(fitting + 10, QLatin1Char('x')));
        printer.WriteLine(QStringLiteral("a\tb"));
        printer.EndJob();
        QVERIFY(!printer.JobOpen());
        QCOMPARE(printer.Pages(), 2);
        QCOMPARE(PdfPages(fileName), 2);

        const std::vector<QStringList> pages = PdfText(fileName);
        QCOMPARE(pages.size(), 2u);
        QCOMPARE(pages[0].size(), perPage);
        QCOMPARE(pages[0].front(), QStringLiteral("Line 0"));
        QCOMPARE(pages[0].back(), QStringLiteral("Line %1").arg(perPage - 1));
        QCOMPARE(pages[1].front(), QStringLiteral("Line %1").arg(perPage));
        QCOMPARE(pages[1].size(), 5 + 3);
        QCOMPARE(pages[1][5], QString(fitting, QLatin1Char('x')));
        QCOMPARE(pages[1][6], QString(10, QLatin1Char('x')));
        QVERIFY(pages[1][7].startsWith(QLatin1Char('a')));
        QVERIFY(pages[1][7].endsWith(QLatin1Char('b')));
        QVERIFY(pages[1][7].contains(QLatin1Char(' ')));  // the tab's gap
    }

    void failedStartLeavesNoJob() {
        QTemporaryDir dir;
        TPdfTextPrinter broken(dir.filePath(QStringLiteral("missing/list.pdf")));
        QVERIFY_THROWS_EXCEPTION(EPrinterError, broken.BeginJob(QStringLiteral("Pellmark")));
        QVERIFY(!broken.JobOpen());
        QVERIFY_THROWS_EXCEPTION(EPrinterError, broken.WriteLine(QStringLiteral("x")));
        broken.EndJob();  // nothing open: nothing happens

        // The same printer object starts afresh for the next job.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("missing")));
        broken.BeginJob(QStringLiteral("Pellmark"));
        broken.WriteLine(QStringLiteral("after the failure"));
        broken.EndJob();
        QCOMPARE(PdfText(broken.FileName()).at(0),
                 QStringList{QStringLiteral("after the failure")});
    }

    void secondJobWhileOneIsOpen() {
        QTemporaryDir dir;
        TPdfTextPrinter printer(dir.filePath(QStringLiteral("list.pdf")));
        printer.BeginJob(QStringLiteral("Pellmark"));
        QVERIFY_THROWS_EXCEPTION(EPrinterError, printer.BeginJob(QStringLiteral("Pellmark")));
        QVERIFY(printer.JobOpen());
        printer.EndJob();
    }

    // The test runs against a print server that does not exist (CUPS_SERVER in its
    // environment), so there is no default printer; Qt must not fall back to a PDF file.
    void noDefaultPrinter() {
        TQtTextPrinter printer;
        QVERIFY(!printer.HasDefaultPrinter());
        try {
            printer.BeginJob(QStringLiteral("Pellmark"));
            QFAIL("a job started without a printer");
        } catch (const EPrinterError& e) {
            QCOMPARE(e.Message(), QStringLiteral("There is no default printer currently selected"));
        }
        QVERIFY(!printer.JobOpen());
    }

    // The program's printer comes from the printing module: the same answers once it is
    // loaded (a failed load would give the loader's reason instead).
    void loadedPrinterFromModule() {
        TLoadedTextPrinter printer;
        QVERIFY_THROWS_EXCEPTION(EPrinterError, printer.WriteLine(QStringLiteral("x")));
        QVERIFY(!printer.HasDefaultPrinter());
        try {
            printer.BeginJob(QStringLiteral("Pellmark"));
            QFAIL("a job started without a printer");
        } catch (const EPrinterError& e) {
            QCOMPARE(e.Message(), kNoDefaultPrinter);
        }
        printer.EndJob();
    }
};

QTEST_MAIN(TestTextPrinter)
#include "tst_text_printer.moc"
