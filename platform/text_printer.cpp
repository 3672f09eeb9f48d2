#include "platform/text_printer.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Ends of the characters as the reader sees them (a base letter with its accents, a
// surrogate pair), so a break never splits one.
std::vector<qsizetype> CharacterEnds(const QString& text) {
    std::vector<qsizetype> ends;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) {
        ends.push_back(at);
    }
    return ends;
}

// One page of a QPrinter under its painter, in device pixels of the printable area.
class TPrinterSurface : public ITextSurface {
public:
    TPrinterSurface(QPrinter& printer, QPainter& painter, QString printerName)
        : printer_(printer),
          painter_(painter),
          printerName_(std::move(printerName)),
          paintRect_(printer.pageLayout().paintRectPixels(printer.resolution())) {}

    int PageWidth() const override { return paintRect_.width(); }
    int PageHeight() const override { return paintRect_.height(); }
    int FontHeight() const override { return painter_.fontMetrics().height(); }
    int AverageCharWidth() const override { return painter_.fontMetrics().averageCharWidth(); }
    int TextWidth(const QString& text) const override {
        return painter_.fontMetrics().horizontalAdvance(text);
    }
    int TextHeight(const QString& text) const override {
        return painter_.fontMetrics().size(Qt::TextSingleLine, text).height();
    }
    void DrawText(int x, int y, const QString& text) override {
        painter_.drawText(x, y + painter_.fontMetrics().ascent(), text);
        CheckState();
    }
    void NewPage() override {
        if (!printer_.newPage()) {
            throw EPrinterError(WriteFailure(printerName_));
        }
        CheckState();
    }

    static QString WriteFailure(const QString& printerName) {
        return QStringLiteral("Printing on %1 failed").arg(printerName);
    }

private:
    void CheckState() const {
        if (printer_.printerState() == QPrinter::Error ||
            printer_.printerState() == QPrinter::Aborted) {
            throw EPrinterError(WriteFailure(printerName_));
        }
    }

    QPrinter& printer_;
    QPainter& painter_;
    QString printerName_;
    QRect paintRect_;
};

}  // namespace

void TTextChannel::WriteLine(const QString& line) {
    if (pageFull_) {
        // The break waits for the next line, so the last page of a job is never blank.
        surface_.NewPage();
        pageFull_ = false;
        ++pages_;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\t')) {
            WriteRun(line.mid(start, i - start));
            start = i + 1;
            const int tabWidth = std::max(1, 8 * surface_.AverageCharWidth());
            x_ = (x_ / tabWidth + 1) * tabWidth;
            if (x_ > surface_.PageWidth()) {
                NextLine();
            }
        }
    }
    WriteRun(line.mid(start));
    NextLine();
}

void TTextChannel::WriteRun(QString text) {
    while (!text.isEmpty()) {
        if (pageFull_) {
            surface_.NewPage();
            pageFull_ = false;
            ++pages_;
        }
        const std::vector<qsizetype> ends = CharacterEnds(text);
        const int room = surface_.PageWidth() - x_;
        // The most characters whose text fits into the room left on this line.
        std::size_t low = 0;
        std::size_t high = ends.size();
        while (low < high) {
            const std::size_t mid = (low + high + 1) / 2;
            if (surface_.TextWidth(text.left(ends[mid - 1])) <= room) {
                low = mid;
            } else {
                high = mid - 1;
            }
        }
        if (low == 0 && x_ > 0) {
            NextLine();
            continue;
        }
        const qsizetype length = low > 0 ? ends[low - 1] : ends.front();
        const QString piece = text.left(length);
        surface_.DrawText(x_, y_, piece);
        lineHeight_ = std::max(lineHeight_, surface_.TextHeight(piece) + 2);
        text.remove(0, length);
        if (text.isEmpty()) {
            x_ += surface_.TextWidth(piece);
        } else {
            NextLine();
        }
    }
}

void TTextChannel::NextLine() {
    if (lineHeight_ == 0) {
        lineHeight_ = surface_.FontHeight();
    }
    x_ = 0;
    y_ += lineHeight_;
    if (y_ > surface_.PageHeight() - 2 * lineHeight_) {
        pageFull_ = true;
        y_ = 0;
    }
    lineHeight_ = 0;
}

struct TPainterTextPrinter::TJob {
    TJob(std::unique_ptr<QPrinter> p, QString name)
        : printer(std::move(p)),
          printerName(std::move(name)),
          surface(*printer, painter, printerName),
          channel(surface) {}

    std::unique_ptr<QPrinter> printer;
    QString printerName;
    // Declared after the printer, so it is ended before the printer goes.
    QPainter painter;
    TPrinterSurface surface;
    TTextChannel channel;
};

TPainterTextPrinter::TPainterTextPrinter() = default;

TPainterTextPrinter::~TPainterTextPrinter() = default;

QString TPainterTextPrinter::PrinterName(const QPrinter& printer) const {
    return printer.printerName();
}

void TPainterTextPrinter::BeginJob(const QString& title) {
    if (job_) {
        throw EPrinterError(QStringLiteral("A print job is already open"));
    }
    std::unique_ptr<QPrinter> printer = CreatePrinter();
    printer->setDocName(title);
    QString name = PrinterName(*printer);
    auto job = std::make_unique<TJob>(std::move(printer), std::move(name));
    if (!job->painter.begin(job->printer.get())) {
        throw EPrinterError(QStringLiteral("Cannot start a print job on %1").arg(job->printerName));
    }
    pages_ = 1;
    job_ = std::move(job);
}

void TPainterTextPrinter::WriteLine(const QString& line) {
    if (!job_) {
        throw EPrinterError(QStringLiteral("No print job is open"));
    }
    try {
        job_->channel.WriteLine(line);
        pages_ = job_->channel.Pages();
    } catch (...) {
        pages_ = job_->channel.Pages();
        throw;
    }
}

void TPainterTextPrinter::EndJob() {
    if (!job_) {
        return;
    }
    const std::unique_ptr<TJob> job = std::move(job_);
    const bool ended = job->painter.end();
    if (!ended || job->printer->printerState() == QPrinter::Error ||
        job->printer->printerState() == QPrinter::Aborted) {
        throw EPrinterError(TPrinterSurface::WriteFailure(job->printerName));
    }
}

bool TQtTextPrinter::HasDefaultPrinter() const {
    return !QPrinterInfo::defaultPrinter().isNull();
}

std::unique_ptr<QPrinter> TQtTextPrinter::CreatePrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        throw EPrinterError(kNoDefaultPrinter);
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid()) {
        throw EPrinterError(
            QStringLiteral("Cannot start a print job on %1").arg(info.printerName()));
    }
    return printer;
}

TPdfTextPrinter::TPdfTextPrinter(QString fileName) : fileName_(std::move(fileName)) {}

std::unique_ptr<QPrinter> TPdfTextPrinter::CreatePrinter() {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(fileName_);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    return printer;
}

QString TPdfTextPrinter::PrinterName(const QPrinter&) const {
    return QFileInfo(fileName_).fileName();
}
