#include "todolist/todo_looks.h"

void TProgressLook::Set(TColor& field, TColor value) {
    if (field != value) {
        field = value;
        Changed();
    }
}

void TProgressLook::Changed() {
    if (OnChange) {
        OnChange(this);
    }
}

void TProgressLook::Assign(const TProgressLook& other) {
    if (&other == this) {
        return;
    }
    completeColor_ = other.completeColor_;
    completeFontColor_ = other.completeFontColor_;
    unCompleteColor_ = other.unCompleteColor_;
    unCompleteFontColor_ = other.unCompleteFontColor_;
    Changed();
}

void TCompleteCheck::SetCompletedGlyph(const QPixmap& value) {
    completedGlyph_ = value;
    Changed();
}

void TCompleteCheck::SetUnCompletedGlyph(const QPixmap& value) {
    unCompletedGlyph_ = value;
    Changed();
}

void TCompleteCheck::SetCheckType(TCheckType value) {
    checkType_ = value;
    Changed();
}

void TCompleteCheck::Changed() {
    if (OnChange) {
        OnChange(this);
    }
}
