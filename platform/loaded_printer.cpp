#include "platform/loaded_printer.h"

#include "platform/module_loader.h"

TLoadedTextPrinter::TLoadedTextPrinter() = default;

TLoadedTextPrinter::~TLoadedTextPrinter() = default;

ITextPrinter& TLoadedTextPrinter::Printer() const {
    if (!printer_) {
        try {
            auto create = reinterpret_cast<TNewTextPrinter>(
                ResolveModuleSymbol("pellmark-printing", "PellmarkNewTextPrinter"));
            printer_.reset(create());
        } catch (const EPellmarkError& error) {
            throw EPrinterError(std::string(error.what()));
        }
    }
    return *printer_;
}

bool TLoadedTextPrinter::HasDefaultPrinter() const {
    try {
        return Printer().HasDefaultPrinter();
    } catch (const EPrinterError&) {
        return false;
    }
}

void TLoadedTextPrinter::BeginJob(const QString& title) {
    Printer().BeginJob(title);
}

void TLoadedTextPrinter::WriteLine(const QString& line) {
    if (!printer_) {
        throw EPrinterError(QStringLiteral("No print job is open"));
    }
    printer_->WriteLine(line);
}

void TLoadedTextPrinter::EndJob() {
    if (printer_) {
        printer_->EndJob();
    }
}
