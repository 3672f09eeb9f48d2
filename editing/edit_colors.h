#pragma once

// The editor colours of the to-do list control. They hold no colour of their own: every
// read returns the wrapped editor's current colour and every write changes the editor at
// once. A font colour set here lasts until the next edit of that editor, which gives it
// the column's font; the background colour stays.

#include <QWidget>
#include <memory>

#include "editing/inplace_editors.h"

class TCellEditing;

// Background and font colour of one editor.
class TBackForeColors {
public:
    // The editor must be one of the in-place editors; any other widget makes every access
    // fail with "TEditColors.GetBackColor: unknown control class." and the like.
    explicit TBackForeColors(QWidget* editor) : editor_(editor) {}

    TColor FontColor() const;
    void SetFontColor(TColor value);
    TColor BackColor() const;
    void SetBackColor(TColor value);

protected:
    IInplaceColors& Colors(const char* operation) const;

    QWidget* editor_;
};

// The date editor's colours, with those of its drop-down calendar.
class TDatePickerColors : public TBackForeColors {
public:
    explicit TDatePickerColors(TTodoDateTimePicker* picker)
        : TBackForeColors(picker), picker_(picker) {}

    const TMonthCalColors& CalColors() const { return picker_->CalColors(); }
    // Copies all the calendar colours.
    void SetCalColors(const TMonthCalColors& value) { picker_->SetCalColors(value); }

private:
    TTodoDateTimePicker* picker_;
};

class TEditColors {
public:
    explicit TEditColors(TCellEditing& editing);

    TBackForeColors& StringEditor() { return stringEditor_; }
    TBackForeColors& MemoEditor() { return memoEditor_; }
    TBackForeColors& IntegerEditor() { return integerEditor_; }
    TBackForeColors& PriorityEditor() { return priorityEditor_; }
    TBackForeColors& StatusEditor() { return statusEditor_; }
    TDatePickerColors& DateEditor() { return dateEditor_; }

private:
    TBackForeColors stringEditor_;
    TBackForeColors memoEditor_;
    TBackForeColors integerEditor_;
    TBackForeColors priorityEditor_;
    TBackForeColors statusEditor_;
    TDatePickerColors dateEditor_;
};
