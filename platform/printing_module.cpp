// The printing module (libpellmark-printing.so): the only part of the program that links
// QtPrintSupport. TLoadedTextPrinter loads it at the first use of the printer.

#include "platform/loaded_printer.h"

extern "C" Q_DECL_EXPORT ITextPrinter* PellmarkNewTextPrinter() {
    return new TQtTextPrinter;
}
