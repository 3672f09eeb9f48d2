#include "editing/inplace_editors.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QFocusEvent>
#include <QLocale>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextCursor>
#include <limits>

#include "model/date_time.h"
#include "model/string_list.h"
#include "platform/format_settings.h"
#include "platform/qt_convert.h"

bool IsEditorOwnKey(const QKeyEvent* event) {
    const int key = event->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

namespace {

bool IsEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

bool IsTab(const QKeyEvent* event) {
    return event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
}

// System colours resolve against the application's palette, not the editor's own one,
// which already carries the colours set here.
QColor Resolve(TColor color) {
    return ToQColor(color, QApplication::palette());
}

// How many characters at the end of `text` must go so that its local 8-bit form holds
// at most `limit` bytes, counting each line break as `breakBytes`.
qsizetype ExcessCharacters(const QString& text, qsizetype limit, int breakBytes) {
    qsizetype bytes = 0;
    qsizetype fits = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        qsizetype size;
        if (c == QLatin1Char('\n')) {
            size = breakBytes;
        } else if (c.isHighSurrogate() && i + 1 < text.size()) {
            size = text.mid(i, 2).toLocal8Bit().size();
            if (bytes + size > limit) {
                break;
            }
            bytes += size;
            ++i;
            fits = i + 1;
            continue;
        } else {
            size = QString(c).toLocal8Bit().size();
        }
        if (bytes + size > limit) {
            break;
        }
        bytes += size;
        fits = i + 1;
    }
    return text.size() - fits;
}

// Paints the rows of both list editors 16 pixels high; the priority list paints its own.
class TListRowDelegate : public QStyledItemDelegate {
public:
    TListRowDelegate(TInplaceListBox* list, const TInplaceODListBox* ownerDrawn)
        : QStyledItemDelegate(list), ownerDrawn_(ownerDrawn) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(),
                     TInplaceListBox::RowHeight);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (ownerDrawn_) {
            ownerDrawn_->PaintRow(*painter, index.row(), option.rect,
                                  (option.state & QStyle::State_Selected) != 0);
        } else {
            QStyledItemDelegate::paint(painter, option, index);
        }
    }

    void SetOwnerDrawn(const TInplaceODListBox* list) { ownerDrawn_ = list; }

private:
    const TInplaceODListBox* ownerDrawn_;
};

}  // namespace

// The shared base ----------------------------------------------------------------------------

template <class TBase>
TInplaceEditorBase<TBase>::TInplaceEditorBase(IInplaceEditorOwner* owner, QWidget* parent)
    : TBase(parent), owner_(owner) {
    this->hide();
}

template <class TBase>
void TInplaceEditorBase<TBase>::SetColor(TColor value) {
    color_ = value;
    ApplyColors();
}

template <class TBase>
void TInplaceEditorBase<TBase>::SetFontColor(TColor value) {
    fontColor_ = value;
    ApplyColors();
}

template <class TBase>
void TInplaceEditorBase<TBase>::SetEditorFont(const TFont& font, const QFont& base,
                                              bool keepColor) {
    this->setFont(ToQFont(font, base));
    if (!keepColor) {
        SetFontColor(font.Color);
    }
}

template <class TBase>
void TInplaceEditorBase<TBase>::ApplyColors() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Resolve(color_));
    palette.setColor(QPalette::Window, Resolve(color_));
    palette.setColor(QPalette::Text, Resolve(fontColor_));
    palette.setColor(QPalette::WindowText, Resolve(fontColor_));
    this->setPalette(palette);
}

template <class TBase>
bool TInplaceEditorBase<TBase>::event(QEvent* event) {
    // A window shortcut on Enter or Escape (a default or cancel button) must not fire
    // while an editor has the focus: the key is the editor's.
    if (event->type() == QEvent::ShortcutOverride &&
        IsEditorOwnKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return TBase::event(event);
}

template <class TBase>
void TInplaceEditorBase<TBase>::focusOutEvent(QFocusEvent* event) {
    TBase::focusOutEvent(event);
    // A popup of the editor's own (the calendar, a context menu) takes the keyboard for a
    // while; the edit goes on.
    if (event->reason() == Qt::PopupFocusReason) {
        return;
    }
    // Some platforms activate a popup window late, after it has closed again; the
    // editor's window takes the activation back and the edit goes on.
    if (event->reason() == Qt::ActiveWindowFocusReason) {
        QWidget* active = QApplication::activeWindow();
        if (active && !active->isVisible() && this->isVisible()) {
            this->window()->activateWindow();
            return;
        }
    }
    EndEdit();
}

template <class TBase>
void TInplaceEditorBase<TBase>::EndEdit() {
    if (owner_) {
        owner_->EndEdit();
    }
}

template <class TBase>
void TInplaceEditorBase<TBase>::AdvanceEdit() {
    if (owner_) {
        owner_->AdvanceEdit();
    }
}

template class TInplaceEditorBase<QLineEdit>;
template class TInplaceEditorBase<QPlainTextEdit>;
template class TInplaceEditorBase<QAbstractSpinBox>;
template class TInplaceEditorBase<QDateTimeEdit>;
template class TInplaceEditorBase<QListWidget>;

// TInplaceEdit -------------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(IInplaceEditorOwner* owner, QWidget* parent)
    : TInplaceEditorBase<QLineEdit>(owner, parent) {
    setFrame(false);
    setMaxLength(kMaxFieldBytes);
    connect(this, &QLineEdit::textChanged, this, [this] { LimitLength(); });
}

void TInplaceEdit::SetText(const QString& value) {
    setText(value);
    savedText_ = value;
}

void TInplaceEdit::LimitLength() {
    if (limiting_) {
        return;
    }
    const QString current = text();
    const qsizetype excess = ExcessCharacters(current, kMaxFieldBytes, 1);
    if (excess <= 0) {
        return;
    }
    // Cut what was just typed or pasted: the characters before the caret.
    limiting_ = true;
    const int cursor = cursorPosition();
    const qsizetype cut = std::min<qsizetype>(excess, cursor);
    QString shortened = current;
    shortened.remove(cursor - cut, cut);
    if (shortened.size() > current.size() - excess) {
        shortened.chop(shortened.size() - (current.size() - excess));
    }
    setText(shortened);
    setCursorPosition(static_cast<int>(std::min<qsizetype>(cursor - cut, shortened.size())));
    limiting_ = false;
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event)) {
        QLineEdit::keyPressEvent(event);
        event->accept();
        EndEdit();
        AdvanceEdit();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        setText(savedText_);
        EndEdit();
        return;
    }
    QLineEdit::keyPressEvent(event);
    // Keys the line has no use for (Up, Down) stay here rather than moving the rows.
    event->accept();
}

// TInplaceMemo -------------------------------------------------------------------------------

TInplaceMemo::TInplaceMemo(IInplaceEditorOwner* owner, QWidget* parent)
    : TInplaceEditorBase<QPlainTextEdit>(owner, parent) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(false);
    setFrameShape(QFrame::NoFrame);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { LimitLength(); });
}

std::vector<std::string> TInplaceMemo::Lines() const {
    return TStringList::SplitLines(toPlainText().toLocal8Bit().toStdString());
}

void TInplaceMemo::SetLines(const std::vector<std::string>& lines) {
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += QLatin1Char('\n');
        }
        text += QString::fromLocal8Bit(lines[i].data(), static_cast<qsizetype>(lines[i].size()));
    }
    setPlainText(text);
}

void TInplaceMemo::SetBorder(bool single) {
    setFrameShape(single ? QFrame::Box : QFrame::NoFrame);
    setLineWidth(1);
}

void TInplaceMemo::LimitLength() {
    if (limiting_) {
        return;
    }
    // The notes are stored with CR LF after every line, the last one too.
    const QString current = toPlainText();
    const qsizetype limit = kMaxFieldBytes - (current.isEmpty() ? 0 : 2);
    const qsizetype excess = ExcessCharacters(current, limit, 2);
    if (excess <= 0) {
        return;
    }
    limiting_ = true;
    QTextCursor cursor = textCursor();
    const int position = cursor.position();
    const qsizetype cut = std::min<qsizetype>(excess, position);
    cursor.setPosition(static_cast<int>(position - cut));
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (excess > cut) {
        QTextCursor tail(document());
        tail.movePosition(QTextCursor::End);
        tail.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor,
                          static_cast<int>(excess - cut));
        tail.removeSelectedText();
    }
    setTextCursor(cursor);
    limiting_ = false;
}

bool TInplaceMemo::event(QEvent* event) {
    // Tab is never typed: it ends the edit as Escape does (before focus navigation).
    if (event->type() == QEvent::KeyPress && IsTab(static_cast<QKeyEvent*>(event))) {
        event->accept();
        Finish();
        return true;
    }
    return TInplaceEditorBase<QPlainTextEdit>::event(event);
}

void TInplaceMemo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        Finish();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
    event->accept();
}

void TInplaceMemo::Finish() {
    // Escape keeps what was typed: the memo has nothing to put back.
    EndEdit();
    AdvanceEdit();
}

// TInplaceSpinEdit ---------------------------------------------------------------------------

TInplaceSpinEdit::TInplaceSpinEdit(IInplaceEditorOwner* owner, QWidget* parent)
    : TInplaceEditorBase<QAbstractSpinBox>(owner, parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setFrame(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    SetText(QStringLiteral("0"));
}

int TInplaceSpinEdit::Value() const {
    bool ok = false;
    const int value = Text().trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

void TInplaceSpinEdit::SetValue(int value) {
    SetText(QString::number(value));
}

QString TInplaceSpinEdit::Text() const {
    return lineEdit()->text();
}

void TInplaceSpinEdit::SetText(const QString& value) {
    lineEdit()->setText(value);
}

void TInplaceSpinEdit::stepBy(int steps) {
    const long long next = static_cast<long long>(Value()) + steps;
    SetValue(static_cast<int>(std::clamp<long long>(next, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max())));
    selectAll();
}

QValidator::State TInplaceSpinEdit::validate(QString& input, int& pos) const {
    Q_UNUSED(input);
    Q_UNUSED(pos);
    // Any text is taken; what is not a whole number reads as 0.
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled TInplaceSpinEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

void TInplaceSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event)) {
        event->accept();
        EndEdit();
        AdvanceEdit();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QChar c = text.at(0);
        const QString decimal = QLocale().decimalPoint();
        const bool allowed = c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') ||
                             decimal.contains(c) || c.category() == QChar::Other_Control;
        if (!allowed) {
            event->accept();
            if (EditorOwner()) {
                EditorOwner()->Beep();
            }
            return;
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
    event->accept();
}

void TInplaceSpinEdit::focusInEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusInEvent(event);
    // Typing replaces the value.
    selectAll();
}

// TTodoDateTimePicker ------------------------------------------------------------------------

TTodoDateTimePicker::TTodoDateTimePicker(IInplaceEditorOwner* owner, QWidget* parent)
    : TInplaceEditorBase<QDateTimeEdit>(owner, parent) {
    setCalendarPopup(true);
    // Every date the model can hold, 30 December 1899 (the value 0) included.
    setDateTimeRange(QDateTime(QDate(100, 1, 1), QTime(0, 0)),
                     QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999)));
    setDateTime(QDateTime::currentDateTime());
    SetDateFormat(QStringLiteral("MM/d/yyyy"));
}

TDateTime TTodoDateTimePicker::DateTime() const {
    const QDateTime value = dateTime();
    if (givenShown_.isValid() && value == givenShown_) {
        return givenValue_;  // untouched: not even rounded to milliseconds
    }
    return EncodeDateTime(value.date(), value.time());
}

void TTodoDateTimePicker::SetDateTime(TDateTime value) {
    const QDateTime given = DateTimeToQDateTime(value);
    if (!given.isValid()) {
        givenShown_ = QDateTime();
        return;
    }
    setDateTime(given);
    givenValue_ = value;
    givenShown_ = dateTime();
}

void TTodoDateTimePicker::SetDate(TDateTime value) {
    const QDateTime given = DateTimeToQDateTime(value);
    if (!given.isValid()) {
        return;
    }
    setDateTime(QDateTime(given.date(), dateTime().time()));
}

void TTodoDateTimePicker::SetDateFormat(const QString& programFormat) {
    setDisplayFormat(ToQtPattern(programFormat));
}

void TTodoDateTimePicker::SetCalColors(const TMonthCalColors& value) {
    calColors_ = value;
    ApplyColors();
}

QPoint TTodoDateTimePicker::ArrowPoint() const {
    // Where the style puts the drop-down button of an editable combo box, as the date
    // edit itself tests a click against.
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    const QRect arrow =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
    return arrow.isValid() && !arrow.isEmpty() ? arrow.center() : QPoint(width() - 4, height() / 2);
}

void TTodoDateTimePicker::ApplyColors() {
    TInplaceEditorBase<QDateTimeEdit>::ApplyColors();
    if (calendarMade_) {
        ApplyCalendarColors();
    }
}

void TTodoDateTimePicker::showEvent(QShowEvent* event) {
    TInplaceEditorBase<QDateTimeEdit>::showEvent(event);
    if (!calendarMade_) {
        ApplyCalendarColors();
    }
}

void TTodoDateTimePicker::ApplyCalendarColors() {
    QCalendarWidget* calendar = calendarWidget();
    if (!calendar) {
        return;
    }
    calendarMade_ = true;
    QPalette palette = calendar->palette();
    palette.setColor(QPalette::Base, Resolve(calColors_.MonthBackColor));
    palette.setColor(QPalette::Window, Resolve(calColors_.BackColor));
    palette.setColor(QPalette::Text, Resolve(calColors_.TextColor));
    palette.setColor(QPalette::WindowText, Resolve(calColors_.TextColor));
    palette.setColor(QPalette::Highlight, Resolve(calColors_.TitleBackColor));
    palette.setColor(QPalette::HighlightedText, Resolve(calColors_.TitleTextColor));
    palette.setColor(QPalette::Disabled, QPalette::Text, Resolve(calColors_.TrailingTextColor));
    calendar->setPalette(palette);
}

void TTodoDateTimePicker::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event)) {
        // Enter hands the focus back to the rows, which ends the edit; no advance.
        event->accept();
        EndEdit();
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
    event->accept();
}

// TInplaceListBox ----------------------------------------------------------------------------

TInplaceListBox::TInplaceListBox(IInplaceEditorOwner* owner, QWidget* parent)
    : TInplaceEditorBase<QListWidget>(owner, parent),
      delegate_(new TListRowDelegate(this, nullptr)) {
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setItemDelegate(delegate_);
}

void TInplaceListBox::SetItemIndex(int value) {
    savedIndex_ = value;
    if (value >= 0 && value < count()) {
        setCurrentRow(value);
    } else {
        setCurrentRow(-1);
        clearSelection();
    }
}

QString TInplaceListBox::EntryText(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry ? entry->text() : QString();
}

void TInplaceListBox::Selected() {
    if (OnSelected) {
        OnSelected(this);
    }
}

void TInplaceListBox::Accept() {
    Selected();
    AdvanceEdit();
}

bool TInplaceListBox::event(QEvent* event) {
    // Tab picks the entry, as Enter does, instead of moving the focus.
    if (event->type() == QEvent::KeyPress && IsTab(static_cast<QKeyEvent*>(event))) {
        event->accept();
        Accept();
        return true;
    }
    return TInplaceEditorBase<QListWidget>::event(event);
}

void TInplaceListBox::keyPressEvent(QKeyEvent* event) {
    if (IsEnter(event)) {
        event->accept();
        Accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        SetItemIndex(savedIndex_);
        Selected();
        return;
    }
    QListWidget::keyPressEvent(event);
    event->accept();
}

void TInplaceListBox::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    mousePressed_ = true;
}

void TInplaceListBox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (mousePressed_) {
        mousePressed_ = false;
        Selected();
    }
}

// TInplaceODListBox --------------------------------------------------------------------------

TInplaceODListBox::TInplaceODListBox(IInplaceEditorOwner* owner, QWidget* parent)
    : TInplaceListBox(owner, parent) {
    static_cast<TListRowDelegate*>(itemDelegate())->SetOwnerDrawn(this);
}

void TInplaceODListBox::SetImageList(TImageSource value) {
    imageList_ = std::move(value);
    viewport()->update();
}

void TInplaceODListBox::PaintRow(QPainter& painter, int index, const QRect& rect,
                                 bool selected) const {
    constexpr int strip = 16;
    // 1. The ordinary row, moved right by the image strip.
    const QRect row = rect.adjusted(strip, 0, 0, 0);
    painter.save();
    painter.fillRect(row, Resolve(selected ? clHighlight : Color()));
    painter.setFont(font());
    painter.setPen(Resolve(selected ? clHighlightText : FontColor()));
    painter.drawText(row.adjusted(2, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, EntryText(index));
    // 2.-4. The strip and the priority's image (the strip runs from highest to lowest).
    if (imageList_) {
        const QRect band(rect.left(), rect.top(), strip, rect.height());
        painter.fillRect(band, Resolve(selected ? clHighlight : clWindow));
        const QPixmap image = imageList_(4 - index);
        if (!image.isNull()) {
            painter.drawPixmap(rect.left(), rect.top(), image);
        }
    }
    painter.restore();
}

// TEditorPopup -------------------------------------------------------------------------------

TEditorPopup::TEditorPopup(QWidget* parent) : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
    // The popup takes the keyboard as popups do, without becoming the active window: a
    // late activation after it closed would take the focus from the next editor.
    setAttribute(Qt::WA_ShowWithoutActivating);
    hide();
}

void TEditorPopup::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (OnDeactivate) {
        OnDeactivate();
    }
}

bool TEditorPopup::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate && isVisible() && OnDeactivate) {
        OnDeactivate();
    }
    return QWidget::event(event);
}
