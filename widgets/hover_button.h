#pragma once

// A push button whose face takes another colour while the mouse is over it, with a hand
// cursor and an optional small glyph.

#include <QColor>
#include <QPushButton>

class THoverButton : public QPushButton {
    Q_OBJECT

public:
    explicit THoverButton(const QString& text, QWidget* parent = nullptr);

    QColor HoverColor() const { return hoverColor_; }
    void SetHoverColor(const QColor& color);
    // The face colour shown when the mouse is not over the button.
    QColor FaceColor() const { return faceColor_; }
    void SetFaceColor(const QColor& color);
    // The colour the face shows now.
    QColor CurrentFace() const;
    bool Hovered() const { return hovered_; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void ApplyFace();

    QColor hoverColor_;
    QColor faceColor_;
    bool hovered_ = false;
};

// Small glyphs drawn in code for the buttons and menus: a plus, a cross, a disk, a
// folder, a printer, a gear, a question mark, curved arrows and a magnifier.
enum class TGlyph { Add, Delete, Save, Open, Print, Options, About, Exit, Web, Undo, Redo, Find };
QIcon GlyphIcon(TGlyph glyph);
