#pragma once

// File → "&Print Todo List...": the whole list as plain text lines on the default printer,
// without a print dialog. Of each item only the subject, the resource and the first line
// of the notes are printed.

#include <QString>

#include "model/date_time.h"
#include "platform/platform_services.h"

class TTodoItemCollection;

// Told once the list has gone to the printer.
inline const QString kPrintingIncomplete =
    QStringLiteral("This feature isn't fully implemented yet...");

// "Pellmark - ", the current file's name without its folder (nothing without a current
// file), " - Printed at ", the date in the short date format, a blank and the time in the
// long time format.
QString PrintTitleLine(const QString& currentFile, TDateTime now, const TFormatSettings& settings);

// Prints the title line, an empty line and three lines per item ("Subject: ",
// "Resource: ", "Notes: "), first item first, then shows kPrintingIncomplete. The job is
// closed also when a step fails; the failure (EPrinterError, "There is no default printer
// currently selected" without a printer) then goes on to the caller and no message is
// shown.
void PrintTodoList(const TTodoItemCollection& items, const QString& currentFile,
                   const TPlatformServices& services);
