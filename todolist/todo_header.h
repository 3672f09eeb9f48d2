#pragma once

// The strip of column captions above the rows. One section per column, each a caption with
// a width; the last section always stretches to the far edge. The header paints the
// captions and the sort indicator, turns presses on a section into sort changes of its
// control, lets the user drag the dividers to resize columns and, when enabled, drag one
// section onto another to move a column.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "model/todo_types.h"
#include "todolist/todo_events.h"
#include "todolist/todo_glyphs.h"

class QPlainTextEdit;
class TCustomTodoList;

enum TVAlignment : std::uint8_t { vtaCenter = 0, vtaTop = 1, vtaBottom = 2 };
enum TImagePosition : std::uint8_t { ipLeft = 0, ipRight = 1 };
enum THeaderOrientation : std::uint8_t { hoHorizontal = 0, hoVertical = 1 };

class TTodoHeader : public QWidget {
    Q_OBJECT

public:
    // The owner receives the sort clicks and ends in-place edits at every press; a header
    // without owner only notifies.
    explicit TTodoHeader(TCustomTodoList* owner, QWidget* parent = nullptr);
    ~TTodoHeader() override;

    // Sections ----------------------------------------------------------------------------

    int SectionCount() const { return static_cast<int>(sections_.size()); }
    void AddSection(const QString& text, int width = 100);
    void DeleteSection(int index);
    void ClearSections();
    QString SectionText(int index) const;
    void SetSectionText(int index, const QString& text);
    // The last section reads as the header's length minus the widths of the others.
    int SectionWidth(int index) const;
    void SetSectionWidth(int index, int width);

    // The section at a point: the section k whose span (sum of the widths before k,
    // that sum + width of k] holds the coordinate along the header; -1 at or before the
    // start, the last section beyond the end.
    int XYToSection(int x, int y) const;
    // The section's rectangle across the whole header (Qt rectangle).
    QRect SectionRect(int index) const;

    // Properties --------------------------------------------------------------------------

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TVAlignment VAlignment() const { return vAlignment_; }
    void SetVAlignment(TVAlignment value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    // clNone draws no separators.
    TColor LineColor() const { return lineColor_; }
    void SetLineColor(TColor value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    int TextHeight() const { return textHeight_; }
    void SetTextHeight(int value);
    // Stored only.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int value);
    // Stored only; no image is drawn.
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* value);
    TImagePosition ImagePosition() const { return imagePosition_; }
    void SetImagePosition(TImagePosition value);
    THeaderOrientation Orientation() const { return orientation_; }
    void SetOrientation(THeaderOrientation value);
    // Sorts by a section as a press in its middle does: a column that sorts becomes the sort
    // column, or, when it is already, its direction turns. False for one that does not sort.
    bool SortBySection(int section);
    bool SortShow() const { return sortShow_; }
    void SetSortShow(bool value);
    int SortedSection() const { return sortedSection_; }
    void SetSortedSection(int value);
    TSortDirection SortDirection() const { return sortDirection_; }
    void SetSortDirection(TSortDirection value);
    bool SectionDragDrop() const { return sectionDragDrop_; }
    void SetSectionDragDrop(bool value) { sectionDragDrop_ = value; }
    bool SectionEdit() const { return sectionEdit_; }
    void SetSectionEdit(bool value) { sectionEdit_ = value; }
    // The caption font, colour included.
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& value);

    // The hidden caption editor that SectionEdit shows over a section.
    QPlainTextEdit* CaptionEditor() const { return editor_; }
    // The section whose divider is being dragged, or -1.
    int ResizingSection() const { return resizeSection_; }
    // Whether a section is being dragged onto another.
    bool DraggingSection() const { return dragging_; }

    // Events ------------------------------------------------------------------------------

    // Left press and left release (a click notifies twice), with the section index.
    THeaderClickEvent OnClick;
    THeaderClickEvent OnRightClick;
    // A section was dropped onto another one.
    THeaderDragDropEvent OnDragDrop;
    // The user finished dragging a divider: the section and its final width.
    THeaderSizedEvent OnSized;
    // Never raised; kept for clients that assign them.
    THeaderClickEvent OnSectionEditStart;
    THeaderClickEvent OnSectionEditEnd;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TSection {
        QString text;
        int width = 0;
    };

    // The length of the header along its sections.
    int Extent() const;
    // The start of a section: the sum of the widths before it.
    int SectionStart(int index) const;
    // The divider under the pointer: the first of sections 0 .. count - 2 whose far edge is
    // less than 4 pixels away, or -1.
    int DividerAt(int x) const;
    void CommitCaptionEdit();
    void UpdateCursor(const QPoint& position);
    void PaintSection(QPainter& painter, int index, const QRect& r, bool isLast);

    TCustomTodoList* owner_;
    std::vector<TSection> sections_;
    TAlignment alignment_ = taLeftJustify;
    TVAlignment vAlignment_ = vtaCenter;
    TColor color_ = clBtnFace;
    TColor lineColor_ = clBlack;
    bool flat_ = false;
    int textHeight_ = 16;
    int itemHeight_ = 16;
    QPointer<TImageList> images_;
    TImagePosition imagePosition_ = ipLeft;
    THeaderOrientation orientation_ = hoHorizontal;
    bool sortShow_ = false;
    int sortedSection_ = 0;
    TSortDirection sortDirection_ = sdAscending;
    bool sectionDragDrop_ = false;
    bool sectionEdit_ = false;
    TFont font_;

    QPlainTextEdit* editor_;
    int editSection_ = -1;
    int editWidth_ = 0;

    bool dragging_ = false;
    int dragSource_ = -1;

    int resizeSection_ = -1;
    int resizePressX_ = 0;
    int resizePressWidth_ = 0;
};
