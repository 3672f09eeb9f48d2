#pragma once

// The six in-place editors of the to-do list and the borderless popup that hosts three of
// them. They are created once by the cell-editing logic, stay hidden between edits and
// report back to it through IInplaceEditorOwner: losing the focus ends the edit, and the
// keys that finish an edit (Enter, Escape, Tab) end it and may advance to the next
// column. Enter and Escape always belong to the editor: they never reach a default or
// cancel button, nor a window shortcut, of the window around the list.

#include <QAbstractSpinBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "model/todo_types.h"

class QStyledItemDelegate;

// What an editor asks of the logic that shows it.
class IInplaceEditorOwner {
public:
    virtual ~IInplaceEditorOwner() = default;
    // Writes the editor's value back and hides it; harmless when no edit is open.
    virtual void EndEdit() = 0;
    // Moves on to the next column when the list advances automatically.
    virtual void AdvanceEdit() = 0;
    virtual void Beep() = 0;
};

// The colours and font every editor keeps. Colours are the program's values (system
// colours stay system colours); the font colour is part of the font an edit gives it.
class IInplaceColors {
public:
    virtual ~IInplaceColors() = default;
    virtual TColor Color() const = 0;
    virtual void SetColor(TColor value) = 0;
    virtual TColor FontColor() const = 0;
    virtual void SetFontColor(TColor value) = 0;
    // Face, size and style of the font; its colour too unless keepColor.
    virtual void SetEditorFont(const TFont& font, const QFont& base, bool keepColor) = 0;
};

// The most bytes (in the local 8-bit code page) a text field of a .2do file holds.
inline constexpr int kMaxFieldBytes = 65535;

// True for Enter, Return and Escape, the keys an editor keeps from the window.
bool IsEditorOwnKey(const QKeyEvent* event);

// The part all editors share: owner, colours, focus-loss handling and keeping Enter and
// Escape from the window's buttons and shortcuts.
template <class TBase>
class TInplaceEditorBase : public TBase, public IInplaceColors {
public:
    TInplaceEditorBase(IInplaceEditorOwner* owner, QWidget* parent);

    IInplaceEditorOwner* EditorOwner() const { return owner_; }
    void SetEditorOwner(IInplaceEditorOwner* owner) { owner_ = owner; }

    TColor Color() const override { return color_; }
    void SetColor(TColor value) override;
    TColor FontColor() const override { return fontColor_; }
    void SetFontColor(TColor value) override;
    void SetEditorFont(const TFont& font, const QFont& base, bool keepColor) override;

protected:
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void EndEdit();
    void AdvanceEdit();
    virtual void ApplyColors();

private:
    IInplaceEditorOwner* owner_;
    TColor color_ = clWindow;
    TColor fontColor_ = clWindowText;
};

// The one-line text editor of subject, resource and project cells.
class TInplaceEdit : public TInplaceEditorBase<QLineEdit> {
public:
    TInplaceEdit(IInplaceEditorOwner* owner, QWidget* parent);

    // Setting the text also records it as the saved text that Escape puts back.
    QString Text() const { return text(); }
    void SetText(const QString& value);
    const QString& SavedText() const { return savedText_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LimitLength();

    QString savedText_;
    bool limiting_ = false;
};

// The notes editor: word wrap, Enter types a line break, Escape and Tab end the edit
// keeping the text and advance.
class TInplaceMemo : public TInplaceEditorBase<QPlainTextEdit> {
public:
    TInplaceMemo(IInplaceEditorOwner* owner, QWidget* parent);

    // The lines as the model keeps them (local 8-bit bytes).
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);
    // A single border in the popup, none over the preview band.
    void SetBorder(bool single);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Finish();
    void LimitLength();

    bool limiting_ = false;
};

// The integer editor of completion and total time: a text with up and down buttons, any
// whole number within int. A text that is not a whole number reads as 0.
class TInplaceSpinEdit : public TInplaceEditorBase<QAbstractSpinBox> {
public:
    TInplaceSpinEdit(IInplaceEditorOwner* owner, QWidget* parent);

    int Value() const;
    void SetValue(int value);
    QString Text() const;
    void SetText(const QString& value);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

// The month calendar colours of the date editor's drop-down.
struct TMonthCalColors {
    TColor BackColor = clWindow;
    TColor TextColor = clWindowText;
    TColor TitleBackColor = clActiveCaption;
    TColor TitleTextColor = clCaptionText;
    TColor MonthBackColor = clWindow;
    TColor TrailingTextColor = clGrayText;
    friend bool operator==(const TMonthCalColors&, const TMonthCalColors&) = default;
};

// The date editor: a date field with a drop-down calendar. Writing a date keeps the time
// of day the editor holds (at first the moment it was made); reading gives both.
class TTodoDateTimePicker : public TInplaceEditorBase<QDateTimeEdit> {
public:
    TTodoDateTimePicker(IInplaceEditorOwner* owner, QWidget* parent);

    // The value shown; exactly the value given to SetDateTime while the user has not
    // changed it.
    TDateTime DateTime() const;
    // Takes the date part of the value and keeps the editor's own time of day.
    void SetDate(TDateTime value);
    // Takes date and time of day, so that opening and closing a cell changes nothing.
    void SetDateTime(TDateTime value);
    // The display pattern, from a format of the program ("MM/d/yyyy").
    void SetDateFormat(const QString& programFormat);

    const TMonthCalColors& CalColors() const { return calColors_; }
    void SetCalColors(const TMonthCalColors& value);

    // The middle of the drop-down arrow, in the editor's coordinates; a click there opens
    // the calendar.
    QPoint ArrowPoint() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void ApplyColors() override;

private:
    // Colours the calendar, which is made here if it was not yet.
    void ApplyCalendarColors();

    TMonthCalColors calColors_;
    // The calendar (with its icons) is made when the editor is first shown, not when the
    // list is made at the program's start.
    bool calendarMade_ = false;
    // The value last given and how it was shown, to give it back unchanged.
    TDateTime givenValue_ = 0.0;
    QDateTime givenShown_;
};

// The status list: a pick ends the edit through OnSelected; Escape puts back the entry the
// list was opened with; Tab behaves as Enter.
class TInplaceListBox : public TInplaceEditorBase<QListWidget> {
public:
    // Every entry is this many pixels high.
    static constexpr int RowHeight = 16;

    TInplaceListBox(IInplaceEditorOwner* owner, QWidget* parent);

    // Setting records the value as the saved index; -1 selects nothing.
    int ItemIndex() const { return currentRow(); }
    void SetItemIndex(int value);
    int SavedIndex() const { return savedIndex_; }
    // The text of an entry, empty outside the entries.
    QString EntryText(int index) const;

    // The comma text the entries were filled from; empty before the first fill.
    const std::string& FilledFrom() const { return filledFrom_; }
    void SetFilledFrom(const std::string& value) { filledFrom_ = value; }

    // Raised on Enter, Escape, Tab and a click on an entry.
    std::function<void(QObject* Sender)> OnSelected;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void Selected();

private:
    void Accept();

    int savedIndex_ = -1;
    bool mousePressed_ = false;
    std::string filledFrom_;
    QStyledItemDelegate* delegate_;  // owned by this list
};

// The image of a priority row: index 4 - row; a null pixmap for none.
using TImageSource = std::function<QPixmap(int index)>;

// The priority list: each row shows the priority's image in a 16-pixel strip left of
// its text.
class TInplaceODListBox : public TInplaceListBox {
public:
    TInplaceODListBox(IInplaceEditorOwner* owner, QWidget* parent);

    const TImageSource& ImageList() const { return imageList_; }
    void SetImageList(TImageSource value);

    // Paints one row the owner-drawn way (also used by the tests).
    void PaintRow(QPainter& painter, int index, const QRect& rect, bool selected) const;

private:
    TImageSource imageList_;
};

// The borderless popup window that hosts the memo and the two lists. It ends the edit
// when it goes away: a click outside it, another window activated, or hidden.
class TEditorPopup : public QWidget {
    Q_OBJECT

public:
    explicit TEditorPopup(QWidget* parent);

    // Raised when the popup is hidden for any reason but the edit logic's own hiding.
    std::function<void()> OnDeactivate;

protected:
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
};
