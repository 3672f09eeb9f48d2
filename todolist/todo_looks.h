#pragma once

// The small appearance objects of the to-do list control: the colours of the completion
// bar and the look of the done-check cells. Each reports a change through OnChange, which
// its owner binds to a repaint.

#include <QPixmap>
#include <cstdint>
#include <functional>

#include "model/todo_types.h"

class TProgressLook {
public:
    TColor CompleteColor() const { return completeColor_; }
    void SetCompleteColor(TColor value) { Set(completeColor_, value); }
    TColor CompleteFontColor() const { return completeFontColor_; }
    void SetCompleteFontColor(TColor value) { Set(completeFontColor_, value); }
    TColor UnCompleteColor() const { return unCompleteColor_; }
    void SetUnCompleteColor(TColor value) { Set(unCompleteColor_, value); }
    TColor UnCompleteFontColor() const { return unCompleteFontColor_; }
    void SetUnCompleteFontColor(TColor value) { Set(unCompleteFontColor_, value); }

    // Copies the four colours of another look; one change notification.
    void Assign(const TProgressLook& other);

    // Raised by a colour setter whose value differs from the stored one.
    std::function<void(TProgressLook* sender)> OnChange;

private:
    void Set(TColor& field, TColor value);
    void Changed();

    TColor completeColor_ = clRed;
    TColor completeFontColor_ = clWhite;
    TColor unCompleteColor_ = clWindow;
    TColor unCompleteFontColor_ = clWindowText;
};

enum TCheckType : std::uint8_t { ctCheckBox = 0, ctCheckMark = 1, ctGlyph = 2 };

class TCompleteCheck {
public:
    const QPixmap& CompletedGlyph() const { return completedGlyph_; }
    void SetCompletedGlyph(const QPixmap& value);
    const QPixmap& UnCompletedGlyph() const { return unCompletedGlyph_; }
    void SetUnCompletedGlyph(const QPixmap& value);
    TCheckType CheckType() const { return checkType_; }
    // Notifies also when the value is unchanged.
    void SetCheckType(TCheckType value);

    std::function<void(TCompleteCheck* sender)> OnChange;

private:
    void Changed();

    QPixmap completedGlyph_;
    QPixmap unCompletedGlyph_;
    TCheckType checkType_ = ctCheckBox;
};
