// Printing for real: a print server of the test's own (cupsd on a socket in a temporary
// folder) with a cups-pdf queue as the default printer. The list goes through the Qt
// printer implementation to that queue; the job must arrive as a PDF with the expected
// number of pages. The text is read back from the PDF that Qt itself handed to the server
// for the same job (kept in the spool folder), since the PDF that cups-pdf makes from it
// does not give its text back cleanly.

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/print_list.h"
#include "model/todo_collections.h"
#include "platform/testing/fake_platform.h"

namespace {

const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
const QString kCupsPdfConfigFolder = QStringLiteral("/etc/cups");
constexpr int kItems = 200;

bool WriteFile(const QString& fileName, const QByteArray& contents) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(contents) == contents.size();
}

struct TRunResult {
    int ExitCode = -1;
    QString Output;
};

TRunResult Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    TRunResult result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        result.ExitCode = process.exitCode();
    }
    result.Output = QString::fromUtf8(process.readAll());
    return result;
}

int PdfPages(const QString& fileName) {
    const TRunResult info = Run(QStringLiteral("pdfinfo"), {fileName});
    for (const QString& line : info.Output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Pages:"))) {
            return line.mid(6).trimmed().toInt();
        }
    }
    return -1;
}

// The lines of each page, trimmed, without the trailing empty ones.
std::vector<QStringList> PdfText(const QString& fileName) {
    const TRunResult text = Run(QStringLiteral("pdftotext"),
                                {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    std::vector<QStringList> pages;
    for (const QString& page : text.Output.split(QLatin1Char('\f'))) {
        QStringList lines;
        for (const QString& line : page.split(QLatin1Char('\n'))) {
            lines << line.trimmed();
        }
        while (!lines.isEmpty() && lines.back().isEmpty()) {
            lines.removeLast();
        }
        pages.push_back(lines);
    }
    while (!pages.empty() && pages.back().isEmpty()) {
        pages.pop_back();
    }
    return pages;
}

}  // namespace

class TestPrintCups : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (::geteuid() != 0) {
            QSKIP("the cups-pdf backend runs only under a print server started as root");
        }
        const QString cupsd = QStandardPaths::findExecutable(
            QStringLiteral("cupsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        lpadmin_ = QStandardPaths::findExecutable(
            QStringLiteral("lpadmin"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        lpstat_ = QStandardPaths::findExecutable(QStringLiteral("lpstat"));
        if (cupsd.isEmpty() || lpadmin_.isEmpty() || lpstat_.isEmpty() ||
            !QFile::exists(kBackend) || !QFile::exists(kPpd)) {
            QSKIP("CUPS or cups-pdf is not installed (tools/lib/ensure-packages installs them)");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QFAIL("pdftotext (poppler-utils) is missing: run tools/lib/ensure-packages");
        }

        // A short path: the server's socket name must fit into a socket address.
        dir_ = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                               QStringLiteral("/pellmark-cups-XXXXXX"));
        QVERIFY(dir_->isValid());
        const QString root = dir_->path();
        for (const char* sub : {"spool", "cache", "state", "log", "tmp", "ppd", "out"}) {
            QVERIFY(QDir(root).mkdir(QLatin1String(sub)));
        }
        // The filters run as the server's unprivileged user: they must reach the folder and
        // write temporary files.
        QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                        QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                        QFileDevice::ExeOther);
        QVERIFY(QProcess::execute(QStringLiteral("chmod"),
                                  {QStringLiteral("1777"), root + QStringLiteral("/tmp")}) == 0);

        socket_ = root + QStringLiteral("/cups.sock");
        QVERIFY(WriteFile(root + QStringLiteral("/cups-files.conf"),
                          QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                                         "StateDir %1/state\nTempDir %1/tmp\n"
                                         "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                         "PageLog %1/log/page_log\n")
                              .arg(root)
                              .toUtf8()));
        // PreserveJobFiles keeps the PDF that Qt sends, to read the text from.
        QVERIFY(
            WriteFile(root + QStringLiteral("/cupsd.conf"),
                      QStringLiteral("Listen %1\nLogLevel warn\nWebInterface No\nBrowsing No\n"
                                     "PreserveJobFiles Yes\n"
                                     "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                     "<Policy default>\n  <Limit All>\n    Order allow,deny\n"
                                     "    Allow all\n  </Limit>\n</Policy>\n")
                          .arg(socket_)
                          .toUtf8()));
        // Every client in this process, Qt's printer support included, talks to this server.
        qputenv("CUPS_SERVER", socket_.toLocal8Bit());

        cupsd_ = std::make_unique<QProcess>();
        cupsd_->setProcessChannelMode(QProcess::MergedChannels);
        cupsd_->start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"),
                              root + QStringLiteral("/cupsd.conf"), QStringLiteral("-s"),
                              root + QStringLiteral("/cups-files.conf")});
        if (!cupsd_->waitForStarted(10000)) {
            QSKIP("cupsd cannot be started");
        }
        QTRY_VERIFY_WITH_TIMEOUT(cupsd_->state() != QProcess::Running ||
                                     Run(lpstat_, {QStringLiteral("-r")}).ExitCode == 0,
                                 15000);
        if (cupsd_->state() != QProcess::Running) {
            QSKIP(qPrintable(QStringLiteral("cupsd does not run: ") +
                             QString::fromLocal8Bit(cupsd_->readAll()).trimmed()));
        }

        // cups-pdf takes the settings of a queue from a file named after the device's name;
        // it knows no other place than the system's CUPS folder.
        queue_ = QStringLiteral("PellmarkTest%1").arg(::getpid());
        cupsPdfConfig_ = QStringLiteral("%1/cups-pdf-%2.conf").arg(kCupsPdfConfigFolder, queue_);
        if (!WriteFile(cupsPdfConfig_,
                       QStringLiteral("Out %1/out\nLog %1/log\n").arg(root).toUtf8())) {
            cupsPdfConfig_.clear();
            QSKIP("the cups-pdf settings cannot be written to /etc/cups");
        }
        const TRunResult add =
            Run(lpadmin_, {QStringLiteral("-p"), queue_, QStringLiteral("-E"), QStringLiteral("-v"),
                           QStringLiteral("cups-pdf:/") + queue_, QStringLiteral("-P"), kPpd});
        QVERIFY2(add.ExitCode == 0, qPrintable(add.Output));
        const TRunResult setDefault = Run(lpadmin_, {QStringLiteral("-d"), queue_});
        QVERIFY2(setDefault.ExitCode == 0, qPrintable(setDefault.Output));
    }

    void cleanupTestCase() {
        if (cupsd_ && cupsd_->state() == QProcess::Running) {
            Run(lpadmin_, {QStringLiteral("-x"), queue_});
            cupsd_->terminate();
            if (!cupsd_->waitForFinished(10000)) {
                cupsd_->kill();
                cupsd_->waitForFinished(5000);
            }
        }
        if (!cupsPdfConfig_.isEmpty()) {
            QFile::remove(cupsPdfConfig_);
        }
    }

    void theQueueIsTheDefaultPrinter() {
        QCOMPARE(QPrinterInfo::defaultPrinter().printerName(), queue_);
        TQtTextPrinter printer;
        QVERIFY(printer.HasDefaultPrinter());
    }

    void listOf200Items() {
        TTodoItemCollection items;
        for (int i = 1; i <= kItems; ++i) {
            TTodoItem* item = items.Add();
            item->SetSubject(
                QStringLiteral("Item %1").arg(i, 3, 10, QLatin1Char('0')).toStdString());
            item->SetResource(i % 2 ? "Ann" : "Bob");
            item->Notes().SetText("note " + std::to_string(i) + "\nnot printed");
        }

        // Lines per page by the layout rules, from the printer's font and page.
        QPrinter probe(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
        const QFontMetrics metrics(QGuiApplication::font(), &probe);
        const int lineHeight = metrics.height() + 2;
        const int pageHeight = probe.pageLayout().paintRectPixels(probe.resolution()).height();
        // Title line, empty line (as high as the font), then the item lines.
        const int lineCount = 2 + 3 * kItems;
        std::vector<int> perPage{0};
        int y = 0;
        bool pageFull = false;
        for (int line = 0; line < lineCount; ++line) {
            if (pageFull) {
                perPage.push_back(0);
                y = 0;
                pageFull = false;
            }
            const int height = line == 1 ? lineHeight - 2 : lineHeight;
            ++perPage.back();
            y += height;
            pageFull = y > pageHeight - 2 * height;
        }
        const int expectedPages = int(perPage.size());
        QVERIFY(expectedPages > 1);
        qInfo("%d lines in %d pages, %d on the first", lineCount, expectedPages, perPage[0]);

        TFakePlatform platform;
        TQtTextPrinter printer;
        const TPlatformServices services{
            platform.Messages, platform.Dialogs,        platform.Clock, platform.Shell,
            platform.OSInfo,   platform.FormatSettings, printer};
        PrintTodoList(items, QStringLiteral("/lists/big.2do"), services);
        QCOMPARE(platform.Messages.Texts(mkMessage),
                 QStringList{QStringLiteral("This feature isn't fully implemented yet...")});
        QCOMPARE(printer.Pages(), expectedPages);

        // The job arrives as a PDF from cups-pdf.
        const QString outFolder = dir_->filePath(QStringLiteral("out"));
        QTRY_VERIFY_WITH_TIMEOUT(
            Run(lpstat_,
                {QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"), queue_})
                    .Output.contains(queue_) &&
                !QDir(outFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files).isEmpty(),
            60000);
        const QStringList outputs =
            QDir(outFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        QCOMPARE(outputs.size(), 1);
        QCOMPARE(PdfPages(QDir(outFolder).filePath(outputs.front())), expectedPages);

        // The text, from the PDF that Qt sent for this job.
        const QStringList spooled = QDir(dir_->filePath(QStringLiteral("spool")))
                                        .entryList({QStringLiteral("d*")}, QDir::Files);
        QCOMPARE(spooled.size(), 1);
        const std::vector<QStringList> pages =
            PdfText(dir_->filePath(QStringLiteral("spool/") + spooled.front()));
        QCOMPARE(int(pages.size()), expectedPages);
        QStringList lines;
        for (std::size_t page = 0; page < pages.size(); ++page) {
            QCOMPARE(pages[page].size(), perPage[page]);
            lines << pages[page];
        }
        QCOMPARE(lines.size(), lineCount);
        QCOMPARE(lines[0], QStringLiteral("Pellmark - big.2do - Printed at 3/15/2023 12:00:00 PM"));
        QCOMPARE(lines[1], QString());
        for (int i = 1; i <= kItems; ++i) {
            const int at = 2 + 3 * (i - 1);
            QCOMPARE(lines[at], QStringLiteral("Subject: Item %1").arg(i, 3, 10, QLatin1Char('0')));
            QCOMPARE(lines[at + 1],
                     i % 2 ? QStringLiteral("Resource: Ann") : QStringLiteral("Resource: Bob"));
            QCOMPARE(lines[at + 2], QStringLiteral("Notes: note %1").arg(i));
        }
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> cupsd_;
    QString socket_;
    QString lpadmin_;
    QString lpstat_;
    QString queue_;
    QString cupsPdfConfig_;
};

QTEST_MAIN(TestPrintCups)
#include "tst_print_cups.moc"
