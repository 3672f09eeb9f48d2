#pragma once

// The default printer of the program: a TQtTextPrinter that lives in the printing module
// (module_loader.h), loaded at the first use, so that QtPrintSupport is loaded only when
// the user prints.

#include <memory>

#include "platform/text_printer.h"

class TLoadedTextPrinter : public ITextPrinter {
public:
    TLoadedTextPrinter();
    ~TLoadedTextPrinter() override;

    // False also when the printing module cannot be loaded.
    bool HasDefaultPrinter() const override;
    // Throws EPrinterError with the loader's reason when the module cannot be loaded.
    void BeginJob(const QString& title) override;
    void WriteLine(const QString& line) override;
    void EndJob() override;

private:
    ITextPrinter& Printer() const;

    mutable std::unique_ptr<ITextPrinter> printer_;
};

// The printing module's entry: a new TQtTextPrinter, owned by the caller.
extern "C" ITextPrinter* PellmarkNewTextPrinter();
using TNewTextPrinter = ITextPrinter* (*)();
