#include "model/cell_text.h"

namespace {

QString Local(const std::string& bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

const std::string* CellTextBytes(const TTodoItem& item, TTodoData kind,
                                 const TCellTextContext& context, std::string& scratch) {
    switch (kind) {
        case tdSubject:
            return &item.Subject();
        case tdResource:
            return &item.Resource();
        case tdProject:
            return &item.Project();
        case tdNotes:
            switch (context.Notes) {
                case TNotesText::FirstLine:
                    scratch = item.NotesLine();
                    break;
                case TNotesText::AllLines:
                    return &item.Notes().Text();
                case TNotesText::None:
                    scratch.clear();
                    break;
            }
            return &scratch;
        default:
            return nullptr;
    }
}

QString CellText(const TTodoItem& item, TTodoData kind, const TCellTextContext& context) {
    const auto date = [&context](TDateTime value) {
        return FormatDateTime(context.DateFormat, value, *context.FormatSettings);
    };
    switch (kind) {
        case tdSubject:
        case tdResource:
        case tdProject:
        case tdNotes: {
            std::string scratch;
            return Local(*CellTextBytes(item, kind, context, scratch));
        }
        case tdCompletion:
            switch (context.Completion) {
                case TCompletionText::Percent:
                    return QString::number(item.Complete() ? 100 : item.Completion()) +
                           QLatin1Char('%');
                case TCompletionText::Number:
                    return QString::number(item.Completion());
                case TCompletionText::None:
                    return {};
            }
            return {};
        case tdPriority:
            return context.PriorityText ? Local(context.PriorityText(item.Priority())) : QString();
        case tdStatus:
            return context.StatusText ? Local(context.StatusText(item.Status())) : QString();
        case tdDueDate:
            return date(item.DueDate());
        case tdCompletionDate:
            return date(item.CompletionDate());
        case tdCreationDate:
            return date(item.CreationDate());
        case tdTotalTime:
            return QString::number(item.TotalTime()) + QLatin1Char('h');
        case tdImage:
            return context.ImageIndexTexts && item.ImageIndex() >= 0
                       ? QString::number(item.ImageIndex())
                       : QString();
        case tdComplete:
            if (!context.CheckTexts) {
                return {};
            }
            return item.Complete() ? QStringLiteral("[x]") : QStringLiteral("[ ]");
        case tdHandle:
            return {};
    }
    return {};
}
