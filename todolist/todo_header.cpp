#include "todolist/todo_header.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <algorithm>

#include "platform/qt_convert.h"
#include "todolist/todo_list.h"

namespace {

Qt::Alignment VerticalFlags(TVAlignment alignment) {
    switch (alignment) {
        case vtaTop:
            return Qt::AlignTop;
        case vtaBottom:
            return Qt::AlignBottom;
        case vtaCenter:
        default:
            return Qt::AlignVCenter;
    }
}

// A caption with a carriage return is several lines (CR LF, CR or LF end a line).
QStringList CaptionLines(const QString& caption) {
    QString text = caption;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

}  // namespace

TTodoHeader::TTodoHeader(TCustomTodoList* owner, QWidget* parent)
    : QWidget(parent), owner_(owner), editor_(new QPlainTextEdit(this)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    editor_->setFrameStyle(QFrame::NoFrame);
    editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor_->hide();
    editor_->installEventFilter(this);
}

TTodoHeader::~TTodoHeader() {
    editor_->removeEventFilter(this);
}

// Sections --------------------------------------------------------------------------------

void TTodoHeader::AddSection(const QString& text, int width) {
    sections_.push_back({text, width});
    update();
}

void TTodoHeader::DeleteSection(int index) {
    if (index < 0 || index >= SectionCount()) {
        return;
    }
    sections_.erase(sections_.begin() + index);
    update();
}

void TTodoHeader::ClearSections() {
    sections_.clear();
    update();
}

QString TTodoHeader::SectionText(int index) const {
    if (index < 0 || index >= SectionCount()) {
        return {};
    }
    return sections_[static_cast<std::size_t>(index)].text;
}

void TTodoHeader::SetSectionText(int index, const QString& text) {
    if (index < 0 || index >= SectionCount()) {
        return;
    }
    sections_[static_cast<std::size_t>(index)].text = text;
    update();
}

int TTodoHeader::Extent() const {
    return orientation_ == hoHorizontal ? width() : height();
}

int TTodoHeader::SectionWidth(int index) const {
    if (index < 0 || index >= SectionCount()) {
        return 0;
    }
    if (index == SectionCount() - 1) {
        return Extent() - SectionStart(index);
    }
    return sections_[static_cast<std::size_t>(index)].width;
}

void TTodoHeader::SetSectionWidth(int index, int width) {
    if (index < 0 || index >= SectionCount()) {
        return;
    }
    sections_[static_cast<std::size_t>(index)].width = width;
    update();
}

int TTodoHeader::SectionStart(int index) const {
    int start = 0;
    for (int i = 0; i < index && i < SectionCount(); ++i) {
        start += sections_[static_cast<std::size_t>(i)].width;
    }
    return start;
}

int TTodoHeader::XYToSection(int x, int y) const {
    const int along = orientation_ == hoHorizontal ? x : y;
    if (along <= 0 || sections_.empty()) {
        return -1;
    }
    int start = 0;
    for (int k = 0; k < SectionCount(); ++k) {
        const int end = start + SectionWidth(k);
        if (start < along && along <= end) {
            return k;
        }
        start = end;
    }
    return SectionCount() - 1;
}

QRect TTodoHeader::SectionRect(int index) const {
    const int start = SectionStart(index);
    const int length = SectionWidth(index);
    if (orientation_ == hoHorizontal) {
        return QRect(start, 0, length, height());
    }
    return QRect(0, start, width(), length);
}

int TTodoHeader::DividerAt(int x) const {
    int edge = 0;
    for (int k = 0; k + 1 < SectionCount(); ++k) {
        edge += sections_[static_cast<std::size_t>(k)].width;
        if (std::abs(x - edge) < 4) {
            return k;
        }
    }
    return -1;
}

// Properties ------------------------------------------------------------------------------

void TTodoHeader::SetAlignment(TAlignment value) {
    alignment_ = value;
    update();
}

void TTodoHeader::SetVAlignment(TVAlignment value) {
    vAlignment_ = value;
    update();
}

void TTodoHeader::SetColor(TColor value) {
    color_ = value;
    update();
}

void TTodoHeader::SetLineColor(TColor value) {
    lineColor_ = value;
    update();
}

void TTodoHeader::SetFlat(bool value) {
    flat_ = value;
    update();
}

void TTodoHeader::SetTextHeight(int value) {
    textHeight_ = value;
    update();
}

void TTodoHeader::SetItemHeight(int value) {
    itemHeight_ = value;
    update();
}

void TTodoHeader::SetImages(TImageList* value) {
    images_ = value;
    update();
}

void TTodoHeader::SetImagePosition(TImagePosition value) {
    imagePosition_ = value;
    update();
}

void TTodoHeader::SetOrientation(THeaderOrientation value) {
    orientation_ = value;
    update();
}

void TTodoHeader::SetSortShow(bool value) {
    sortShow_ = value;
    update();
}

void TTodoHeader::SetSortedSection(int value) {
    sortedSection_ = value;
    update();
}

void TTodoHeader::SetSortDirection(TSortDirection value) {
    sortDirection_ = value;
    update();
}

void TTodoHeader::SetFont(const TFont& value) {
    font_ = value;
    update();
}

// Painting --------------------------------------------------------------------------------

void TTodoHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool horizontal = orientation_ == hoHorizontal;
    const int extent = Extent();
    if (sections_.empty()) {
        PaintSection(painter, -1, rect(), true);
        return;
    }
    int start = 0;
    for (int i = 0; i < SectionCount(); ++i) {
        int end = start + SectionWidth(i);
        const bool isLast = i == SectionCount() - 1 || extent - end < 2;
        if (isLast) {
            end = extent;
        }
        const QRect r =
            horizontal ? EdgeRect(start, 0, end, height()) : EdgeRect(0, start, width(), end);
        PaintSection(painter, i, r, isLast);
        if (isLast) {
            break;
        }
        start = end;
    }
}

void TTodoHeader::PaintSection(QPainter& painter, int index, const QRect& r, bool isLast) {
    Q_UNUSED(isLast);
    const QPalette pal = palette();
    const int rl = r.left();
    const int rt = r.top();
    const int rr = r.left() + r.width();
    const int rb = r.top() + r.height();
    if (r.width() > 0 && r.height() > 0) {
        painter.fillRect(r, ToQColor(color_, pal));
    }
    if (index >= 0) {
        const QFont font = ToQFont(font_, QWidget::font());
        const QFontMetrics metrics(font);
        const QString caption = SectionText(index);
        const bool sorted = sortShow_ && index == sortedSection_;
        int tl = rl + 4;
        int tr = rr - 4;
        const int tt = rt + 2;
        const int tb = tt + textHeight_;
        if (sorted) {
            tr -= 16;
        }
        const QStringList lines = CaptionLines(caption);
        int fullWidth = 0;
        for (const QString& line : lines) {
            fullWidth = std::max(fullWidth, metrics.horizontalAdvance(line));
        }
        const QRect t = EdgeRect(tl, tt, tr, tb);
        if (t.width() > 0 && t.height() > 0) {
            painter.save();
            painter.setClipRect(t);
            painter.setFont(font);
            painter.setPen(ToQColor(font_.Color, pal));
            if (lines.size() > 1) {
                // Several lines, from the top, only what fits in the text height.
                QStringList shown;
                for (const QString& line : lines) {
                    shown << metrics.elidedText(line, Qt::ElideRight, t.width());
                }
                painter.drawText(t, ToQAlignment(alignment_) | Qt::AlignTop,
                                 shown.join(QLatin1Char('\n')));
            } else {
                painter.drawText(
                    t, ToQAlignment(alignment_) | VerticalFlags(vAlignment_) | Qt::TextSingleLine,
                    metrics.elidedText(caption, Qt::ElideRight, t.width()));
            }
            painter.restore();
        }
        if (sorted) {
            // Near the section's right edge, or just after a caption that reaches it.
            const int e = tl + fullWidth;
            const int x = e < rr ? rr - 8 : e + 8;
            const int y = tt + 6;
            const QColor white = ToQColor(clWhite, pal);
            const QColor gray = ToQColor(clGray, pal);
            painter.save();
            // Through the pixel centres: a one-pixel pen is then two device pixels wide on
            // the same pixels at a device pixel ratio of 2, not half a pixel up and left.
            painter.translate(0.5, 0.5);
            if (sortDirection_ == sdAscending) {
                painter.setPen(white);
                painter.drawLine(x - 4, y + 4, x + 4, y + 4);
                painter.drawLine(x, y - 4, x + 4, y + 4);
                painter.setPen(gray);
                painter.drawLine(x - 4, y + 4, x, y - 4);
            } else {
                painter.setPen(white);
                painter.drawLine(x + 4, y - 4, x, y + 4);
                painter.setPen(gray);
                painter.drawLine(x - 4, y - 4, x + 4, y - 4);
                painter.drawLine(x - 4, y - 4, x, y + 4);
            }
            painter.restore();
        }
    }
    if (!flat_) {
        if (r.width() > 0 && r.height() > 0) {
            const QColor light = ToQColor(clBtnHighlight, pal);
            const QColor shadow = ToQColor(clBtnShadow, pal);
            painter.fillRect(EdgeRect(rl, rt, rr, rt + 1), light);
            painter.fillRect(EdgeRect(rl, rt, rl + 1, rb), light);
            painter.fillRect(EdgeRect(rr - 1, rt, rr, rb), shadow);
            painter.fillRect(EdgeRect(rl, rb - 1, rr, rb), shadow);
        }
    } else if (index > 0 && lineColor_ != clNone) {
        const QColor line = ToQColor(lineColor_, pal);
        if (orientation_ == hoHorizontal) {
            painter.fillRect(EdgeRect(rl + 1, rt, rl + 2, rb), line);
        } else {
            painter.fillRect(EdgeRect(rl, rt + 2, rr, rt + 3), line);
        }
    }
}

// Mouse -----------------------------------------------------------------------------------

void TTodoHeader::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const bool horizontal = orientation_ == hoHorizontal;
    if (event->button() == Qt::RightButton) {
        if (OnRightClick) {
            OnRightClick(this, XYToSection(p.x(), p.y()));
        }
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int divider = horizontal ? DividerAt(p.x()) : -1;

    // 1. A press that resizes a column does not also pick its section up for a move.
    if (sectionDragDrop_ && !dragging_ && divider < 0) {
        const int source = XYToSection(p.x(), p.y());
        if (source >= 0) {
            dragging_ = true;
            dragSource_ = source;
            setCursor(Qt::DragMoveCursor);
        }
    }

    // 2. The caption editor.
    if (sectionEdit_) {
        if (editor_->isVisible()) {
            CommitCaptionEdit();
        }
        editSection_ = XYToSection(p.x(), p.y());
        if (editSection_ >= 0) {
            editWidth_ = sections_[static_cast<std::size_t>(editSection_)].width;
            QPalette editorPalette = editor_->palette();
            editorPalette.setColor(QPalette::Base, ToQColor(color_, palette()));
            editorPalette.setColor(QPalette::Text, ToQColor(font_.Color, palette()));
            editor_->setPalette(editorPalette);
            editor_->setFont(ToQFont(font_, QWidget::font()));
            editor_->setGeometry(SectionRect(editSection_).adjusted(2, 2, -2, -2).translated(2, 2));
            editor_->setPlainText(SectionText(editSection_));
            editor_->selectAll();
            editor_->show();
            editor_->setFocus(Qt::MouseFocusReason);
        }
    }

    // 3. The start of a divider drag.
    if (divider >= 0) {
        resizeSection_ = divider;
        resizePressX_ = p.x();
        resizePressWidth_ = SectionWidth(divider);
    }

    // 4. Any in-place edit in the rows ends.
    const int s = XYToSection(p.x(), p.y());
    if (owner_) {
        owner_->EndEdit();
    }

    // 5. Sorting: not near an edge (the resize zone), only on a column that sorts.
    if (owner_ && s >= 0 && s < owner_->Columns().Count()) {
        const int along = horizontal ? p.x() : p.y();
        const int start = SectionStart(s);
        const int end = start + SectionWidth(s);
        if (along - start > 4 && end - along > 4) {
            SortBySection(s);
        }
    }

    // 6. The click notification.
    if (OnClick) {
        OnClick(this, s);
    }
}

bool TTodoHeader::SortBySection(int section) {
    if (!owner_ || section < 0 || section >= owner_->Columns().Count() ||
        owner_->Columns().At(section)->TodoData() == tdHandle) {
        return false;
    }
    if (section == owner_->SortColumn()) {
        owner_->SetSortDirection(owner_->SortDirection() == sdAscending ? sdDescending
                                                                        : sdAscending);
    } else {
        owner_->SetSortColumn(section);
    }
    return true;
}

void TTodoHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint p = event->position().toPoint();
    if (resizeSection_ >= 0) {
        const int section = resizeSection_;
        resizeSection_ = -1;
        if (OnSized) {
            OnSized(this, section, SectionWidth(section));
        }
    }
    if (OnClick) {
        OnClick(this, XYToSection(p.x(), p.y()));
    }
    if (dragging_) {
        dragging_ = false;
        UpdateCursor(p);
        const int target = XYToSection(p.x(), p.y());
        if (OnDragDrop && target >= 0 && target != dragSource_) {
            OnDragDrop(this, dragSource_, target);
        }
    }
}

void TTodoHeader::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    // The drag lasts from the press to the release, as with a captured mouse.
    if (resizeSection_ >= 0) {
        const int k = resizeSection_;
        const int lowest = k == 0 ? 2 : SectionStart(k) + 4;
        const int x = std::max(lowest, std::min(p.x(), width() - 2));
        SetSectionWidth(k, std::max(0, resizePressWidth_ + x - resizePressX_));
        repaint();
        return;
    }
    UpdateCursor(p);
}

void TTodoHeader::leaveEvent(QEvent* event) {
    if (!dragging_ && resizeSection_ < 0) {
        unsetCursor();
    }
    QWidget::leaveEvent(event);
}

void TTodoHeader::UpdateCursor(const QPoint& position) {
    if (dragging_) {
        setCursor(Qt::DragMoveCursor);
    } else if (orientation_ == hoHorizontal && DividerAt(position.x()) >= 0) {
        setCursor(Qt::SizeHorCursor);
    } else {
        unsetCursor();
    }
}

// The caption editor ----------------------------------------------------------------------

bool TTodoHeader::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && event->type() == QEvent::FocusOut && editor_->isVisible()) {
        CommitCaptionEdit();
    }
    return QWidget::eventFilter(watched, event);
}

void TTodoHeader::CommitCaptionEdit() {
    // Only the section changes; the next rebuild from the columns puts their captions back.
    if (editSection_ >= 0 && editSection_ < SectionCount()) {
        sections_[static_cast<std::size_t>(editSection_)].text = editor_->toPlainText();
        sections_[static_cast<std::size_t>(editSection_)].width = editWidth_;
    }
    editor_->hide();
    update();
}
