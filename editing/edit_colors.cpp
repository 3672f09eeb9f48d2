#include "editing/edit_colors.h"

#include <string>

#include "editing/cell_editing.h"
#include "model/errors.h"

IInplaceColors& TBackForeColors::Colors(const char* operation) const {
    auto* colors = dynamic_cast<IInplaceColors*>(editor_);
    if (!colors) {
        throw EPellmarkError(std::string("TEditColors.") + operation + ": unknown control class.");
    }
    return *colors;
}

TColor TBackForeColors::FontColor() const {
    return Colors("GetFontColor").FontColor();
}

void TBackForeColors::SetFontColor(TColor value) {
    Colors("SetFontColor").SetFontColor(value);
}

TColor TBackForeColors::BackColor() const {
    return Colors("GetBackColor").Color();
}

void TBackForeColors::SetBackColor(TColor value) {
    Colors("SetBackColor").SetColor(value);
}

TEditColors::TEditColors(TCellEditing& editing)
    : stringEditor_(&editing.InplaceEdit()),
      memoEditor_(&editing.InplaceMemo()),
      integerEditor_(&editing.InplaceSpinEdit()),
      priorityEditor_(&editing.InplaceODListBox()),
      statusEditor_(&editing.InplaceListBox()),
      dateEditor_(&editing.DateTimePicker()) {}
