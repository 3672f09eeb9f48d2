#include "app/print_list.h"

#include <QFileInfo>

#include "model/todo_collections.h"

QString PrintTitleLine(const QString& currentFile, TDateTime now, const TFormatSettings& settings) {
    const QString fileName = currentFile.isEmpty() ? QString() : QFileInfo(currentFile).fileName();
    return QStringLiteral("Pellmark - ") + fileName + QStringLiteral(" - Printed at ") +
           FormatDateTime(settings.ShortDateFormat, now, settings) + QLatin1Char(' ') +
           FormatDateTime(settings.LongTimeFormat, now, settings);
}

void PrintTodoList(const TTodoItemCollection& items, const QString& currentFile,
                   const TPlatformServices& services) {
    ITextPrinter& printer = services.Printer;
    printer.BeginJob(kApplicationTitle);
    try {
        printer.WriteLine(
            PrintTitleLine(currentFile, services.Clock.Now(), services.FormatSettings));
        printer.WriteLine(QString());
        for (const TTodoItem* item : items) {
            printer.WriteLine(QStringLiteral("Subject: ") +
                              QString::fromLocal8Bit(item->Subject()));
            printer.WriteLine(QStringLiteral("Resource: ") +
                              QString::fromLocal8Bit(item->Resource()));
            printer.WriteLine(QStringLiteral("Notes: ") +
                              QString::fromLocal8Bit(item->NotesLine()));
        }
    } catch (...) {
        // The first failure is the one to report; the job is closed all the same.
        try {
            printer.EndJob();
        } catch (...) {
        }
        throw;
    }
    printer.EndJob();
    services.Messages.ShowMessage(kPrintingIncomplete);
}
