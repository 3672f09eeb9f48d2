#pragma once

// The default printer as a text device: a job takes whole lines and lays them out one
// below the other in the printer's current font, wrapping long lines and starting new
// pages by itself.

#include <QRect>
#include <QString>
#include <memory>

#include "model/errors.h"

class QPainter;
class QPrinter;

// Starting, writing or ending a print job failed.
class EPrinterError : public EPellmarkError {
public:
    using EPellmarkError::EPellmarkError;
};

inline const QString kNoDefaultPrinter =
    QStringLiteral("There is no default printer currently selected");

class ITextPrinter {
public:
    virtual ~ITextPrinter() = default;
    // A default printer is set up; BeginJob fails without one.
    virtual bool HasDefaultPrinter() const = 0;
    // Opens a job with this document name. Throws EPrinterError (kNoDefaultPrinter when
    // there is no default printer) and leaves no job open then.
    virtual void BeginJob(const QString& title) = 0;
    // One line of text; tabs, wrapping and page breaks are the printer's business.
    virtual void WriteLine(const QString& line) = 0;
    // Finishes the open job and sends it. Without an open job it does nothing. The job is
    // closed afterwards even when this throws.
    virtual void EndJob() = 0;
};

// What the text channel needs of a page: its measures and the text drawing, in device
// pixels, the origin at the top left of the printable area.
class ITextSurface {
public:
    virtual ~ITextSurface() = default;
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    // The font's character height.
    virtual int FontHeight() const = 0;
    virtual int AverageCharWidth() const = 0;
    virtual int TextWidth(const QString& text) const = 0;
    virtual int TextHeight(const QString& text) const = 0;
    // Draws the text with the top of its line at y.
    virtual void DrawText(int x, int y, const QString& text) = 0;
    // Ends the page and starts the next.
    virtual void NewPage() = 0;
};

// The layout rules of printed text lines:
// - a line is drawn at the left margin, below the previous one; its height is the height
//   of its text plus 2 device pixels, or the font's character height for an empty line;
// - a line wider than the printable width continues on the next line, broken after the
//   last character that fits (no word wrap); a character wider than the whole width is
//   drawn alone on its line rather than never;
// - a new page begins when the next line would reach into the last two line heights of
//   the page;
// - a tab advances to the next multiple of eight average character widths.
class TTextChannel {
public:
    explicit TTextChannel(ITextSurface& surface) : surface_(surface) {}

    void WriteLine(const QString& line);

    // Pages begun so far, counting the first.
    int Pages() const { return pages_; }

private:
    void WriteRun(QString text);
    void NextLine();

    ITextSurface& surface_;
    int x_ = 0;
    int y_ = 0;
    int lineHeight_ = 0;     // of the current line so far; 0 while nothing is on it
    bool pageFull_ = false;  // the next line goes on a new page
    int pages_ = 1;
};

// Prints through Qt onto a QPrinter made fresh for every job, so a printer whose job
// failed is never used again.
class TPainterTextPrinter : public ITextPrinter {
public:
    TPainterTextPrinter();
    ~TPainterTextPrinter() override;

    void BeginJob(const QString& title) override;
    void WriteLine(const QString& line) override;
    void EndJob() override;

    bool JobOpen() const { return job_ != nullptr; }
    // Pages of the open job, or of the last job once it has ended.
    int Pages() const { return pages_; }

protected:
    // The printer of the next job, set up but not started; throws EPrinterError.
    virtual std::unique_ptr<QPrinter> CreatePrinter() = 0;
    // Names the printer in failure messages.
    virtual QString PrinterName(const QPrinter& printer) const;

private:
    struct TJob;
    std::unique_ptr<TJob> job_;
    int pages_ = 0;
};

// The system's default printer (QPrinterInfo::defaultPrinter()). Qt would quietly print
// to a PDF file when no printer is set up, so the missing printer is found before a job
// starts.
class TQtTextPrinter : public TPainterTextPrinter {
public:
    bool HasDefaultPrinter() const override;

protected:
    std::unique_ptr<QPrinter> CreatePrinter() override;
};

// A PDF file in place of the printer: A4 at the printer resolution Qt uses for PDF, its
// default margins. Each job overwrites the file.
class TPdfTextPrinter : public TPainterTextPrinter {
public:
    explicit TPdfTextPrinter(QString fileName);
    bool HasDefaultPrinter() const override { return true; }
    const QString& FileName() const { return fileName_; }

protected:
    std::unique_ptr<QPrinter> CreatePrinter() override;
    QString PrinterName(const QPrinter& printer) const override;

private:
    QString fileName_;
};
