#include "widgets/hover_button.h"

#include <QEnterEvent>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

THoverButton::THoverButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    faceColor_ = palette().color(QPalette::Button);
    ApplyFace();
}

void THoverButton::SetHoverColor(const QColor& color) {
    hoverColor_ = color;
    ApplyFace();
}

void THoverButton::SetFaceColor(const QColor& color) {
    faceColor_ = color;
    ApplyFace();
}

QColor THoverButton::CurrentFace() const {
    return hovered_ && hoverColor_.isValid() ? hoverColor_ : faceColor_;
}

void THoverButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    ApplyFace();
    QPushButton::enterEvent(event);
}

void THoverButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    ApplyFace();
    QPushButton::leaveEvent(event);
}

void THoverButton::ApplyFace() {
    QPalette p = palette();
    p.setColor(QPalette::Button, CurrentFace());
    setPalette(p);
    // Styles that ignore the palette for the face still honour autoFillBackground.
    setAutoFillBackground(true);
    update();
}

namespace {

QPixmap GlyphPixmap(TGlyph glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(0x30, 0x30, 0x30), 1.2);
    switch (glyph) {
        case TGlyph::Add:
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x2e, 0x9e, 0x3c));
            p.drawRect(QRectF(6.5, 2, 3, 12));
            p.drawRect(QRectF(2, 6.5, 12, 3));
            break;
        case TGlyph::Delete:
        case TGlyph::Exit:
            p.setPen(QPen(QColor(0xc8, 0x28, 0x28), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
            break;
        case TGlyph::Save:
            p.setPen(outline);
            p.setBrush(QColor(0x3a, 0x6e, 0xc8));
            p.drawRoundedRect(QRectF(2, 2, 12, 12), 1.5, 1.5);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 2.5, 7, 4.5));
            p.drawRect(QRectF(5, 9.5, 6, 4));
            break;
        case TGlyph::Open:
            p.setPen(outline);
            p.setBrush(QColor(0xe8, 0xb8, 0x3c));
            p.drawPolygon(QPolygonF({QPointF(1.5, 4), QPointF(6, 4), QPointF(7.5, 5.5),
                                     QPointF(14.5, 5.5), QPointF(14.5, 13.5), QPointF(1.5, 13.5)}));
            break;
        case TGlyph::Print:
            p.setPen(outline);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(QColor(0x80, 0x80, 0x88));
            p.drawRoundedRect(QRectF(1.5, 6, 13, 6), 1.5, 1.5);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 10, 7, 4.5));
            break;
        case TGlyph::Options: {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x60, 0x60, 0x68));
            QPainterPath gear;
            gear.addEllipse(QPointF(8, 8), 5.5, 5.5);
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(8, 8);
                p.rotate(45.0 * i);
                p.drawRect(QRectF(-1.3, -7.5, 2.6, 3));
                p.restore();
            }
            QPainterPath hole;
            hole.addEllipse(QPointF(8, 8), 2.2, 2.2);
            p.drawPath(gear.subtracted(hole));
            break;
        }
        case TGlyph::About:
        case TGlyph::Web: {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x3a, 0x6e, 0xc8));
            p.drawEllipse(QRectF(1, 1, 14, 14));
            p.setPen(Qt::white);
            QFont font = p.font();
            font.setPixelSize(11);
            font.setBold(true);
            p.setFont(font);
            p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter,
                       glyph == TGlyph::About ? QStringLiteral("?") : QStringLiteral("w"));
            break;
        }
        case TGlyph::Undo:
        case TGlyph::Redo: {
            // Drawn for Undo, mirrored for Redo.
            if (glyph == TGlyph::Redo) {
                p.translate(16, 0);
                p.scale(-1, 1);
            }
            p.setPen(QPen(QColor(0x3a, 0x6e, 0xc8), 2.0, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            QPainterPath arc;
            arc.moveTo(4, 6);
            arc.lineTo(9.5, 6);
            arc.cubicTo(15, 6, 15, 13.5, 9.5, 13.5);
            arc.lineTo(6, 13.5);
            p.drawPath(arc);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x3a, 0x6e, 0xc8));
            p.drawPolygon(QPolygonF({QPointF(1, 6), QPointF(5.5, 1.5), QPointF(5.5, 10.5)}));
            break;
        }
        case TGlyph::Find:
            p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.6));
            p.setBrush(QColor(0xd8, 0xe8, 0xf8));
            p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
            p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(10, 10), QPointF(14, 14));
            break;
    }
    return pixmap;
}

// The glyph is drawn when the icon is first asked for a picture: the menus' icons are
// then drawn when a menu first opens, not while the window is made.
class TGlyphIconEngine : public QIconEngine {
public:
    explicit TGlyphIconEngine(TGlyph glyph) : glyph_(glyph) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Drawn().pixmap(size, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        Drawn().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Drawn().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Drawn().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new TGlyphIconEngine(*this); }
    QString key() const override { return QStringLiteral("TGlyphIconEngine"); }

private:
    const QIcon& Drawn() {
        if (drawn_.isNull()) {
            drawn_ = QIcon(GlyphPixmap(glyph_));
        }
        return drawn_;
    }

    TGlyph glyph_;
    QIcon drawn_;
};

}  // namespace

QIcon GlyphIcon(TGlyph glyph) {
    return QIcon(new TGlyphIconEngine(glyph));  // the icon owns its engine
}
