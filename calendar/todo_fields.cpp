#include "calendar/todo_fields.h"

#include <bit>

#include "model/todo_item.h"

namespace {

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

}  // namespace

TTodoFields DifferingFields(const TTodoItem& a, const TTodoItem& b) {
    TTodoFields fields = 0;
    const auto differs = [&](bool different, TTodoField field) {
        if (different) {
            fields |= field;
        }
    };
    differs(a.Complete() != b.Complete(), tfComplete);
    differs(a.Completion() != b.Completion(), tfCompletion);
    differs(!SameBits(a.CompletionDate(), b.CompletionDate()), tfCompletionDate);
    differs(!SameBits(a.CreationDate(), b.CreationDate()), tfCreationDate);
    differs(!SameBits(a.DueDate(), b.DueDate()), tfDueDate);
    differs(a.ImageIndex() != b.ImageIndex(), tfImageIndex);
    differs(a.Notes().Text() != b.Notes().Text(), tfNotes);
    differs(a.Priority() != b.Priority(), tfPriority);
    differs(a.Resource() != b.Resource(), tfResource);
    differs(a.Status() != b.Status(), tfStatus);
    differs(a.Subject() != b.Subject(), tfSubject);
    differs(a.Tag() != b.Tag(), tfTag);
    differs(a.TotalTime() != b.TotalTime(), tfTotalTime);
    differs(a.Project() != b.Project(), tfProject);
    return fields;
}

void CopyFields(const TTodoItem& from, TTodoItem& to, TTodoFields fields) {
    if (fields & tfComplete) {
        to.SetComplete(from.Complete());
    }
    if (fields & tfCompletion) {
        to.SetCompletion(from.Completion());
    }
    if (fields & tfCompletionDate) {
        to.SetCompletionDate(from.CompletionDate());
    }
    if (fields & tfCreationDate) {
        to.SetCreationDate(from.CreationDate());
    }
    if (fields & tfDueDate) {
        to.SetDueDate(from.DueDate());
    }
    if (fields & tfImageIndex) {
        to.SetImageIndex(from.ImageIndex());
    }
    if (fields & tfNotes) {
        to.SetNotes(from.Notes());
    }
    if (fields & tfPriority) {
        to.SetPriority(from.Priority());
    }
    if (fields & tfResource) {
        to.SetResource(from.Resource());
    }
    if (fields & tfStatus) {
        to.SetStatus(from.Status());
    }
    if (fields & tfSubject) {
        to.SetSubject(from.Subject());
    }
    if (fields & tfTag) {
        to.SetTag(from.Tag());
    }
    if (fields & tfTotalTime) {
        to.SetTotalTime(from.TotalTime());
    }
    if (fields & tfProject) {
        to.SetProject(from.Project());
    }
}
