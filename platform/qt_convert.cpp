#include "platform/qt_convert.h"

namespace {

// Windows numbers its system colours 0..30; the program's constants carry that number
// in the low byte with the high bit set.
enum : TColor {
    kHotLight = 0x8000001A,
    kGradientActiveCaption = 0x8000001B,
    kGradientInactiveCaption = 0x8000001C,
    kMenuHighlight = 0x8000001D,
    kMenuBar = 0x8000001E,
};

QColor SystemColor(TColor color, const QPalette& p) {
    switch (color) {
        case clScrollBar:
            return p.color(QPalette::Button);
        case clBackground:
            return p.color(QPalette::Dark);
        case clActiveCaption:
        case kGradientActiveCaption:
        case kMenuHighlight:
        case clHighlight:
            return p.color(QPalette::Highlight);
        case clInactiveCaption:
        case kGradientInactiveCaption:
        case clAppWorkSpace:
            return p.color(QPalette::Mid);
        case clMenu:
        case kMenuBar:
        case clActiveBorder:
        case clInactiveBorder:
            return p.color(QPalette::Window);
        case clWindow:
            return p.color(QPalette::Base);
        case clWindowFrame:
        case cl3DDkShadow:
            return p.color(QPalette::Shadow);
        case clMenuText:
        case clInactiveCaptionText:
            return p.color(QPalette::WindowText);
        case clWindowText:
            return p.color(QPalette::Text);
        case clCaptionText:
        case clHighlightText:
            return p.color(QPalette::HighlightedText);
        case clBtnFace:
            return p.color(QPalette::Button);
        case clBtnShadow:
            return p.color(QPalette::Dark);
        case clGrayText:
            return p.color(QPalette::Disabled, QPalette::Text);
        case clBtnText:
            return p.color(QPalette::ButtonText);
        case clBtnHighlight:
            return p.color(QPalette::Light);
        case cl3DLight:
            return p.color(QPalette::Midlight);
        case clInfoText:
            return p.color(QPalette::ToolTipText);
        case clInfoBk:
            return p.color(QPalette::ToolTipBase);
        case kHotLight:
            return p.color(QPalette::Link);
        default:
            // An unknown system colour still has to paint something readable.
            return p.color(QPalette::Text);
    }
}

}  // namespace

QColor ToQColor(TColor color, const QPalette& palette) {
    if (color == clNone) {
        return QColor(Qt::transparent);
    }
    if (color == clDefault) {
        return palette.color(QPalette::Base);
    }
    if (IsSystemColor(color)) {
        return SystemColor(color, palette);
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor FromQColor(const QColor& color) {
    if (!color.isValid() || color.alpha() == 0) {
        return clNone;
    }
    const QColor rgb = color.toRgb();
    return TColor(rgb.red()) | (TColor(rgb.green()) << 8) | (TColor(rgb.blue()) << 16);
}

QFont ToQFont(const TFont& font, const QFont& base) {
    QFont f = base;
    if (!font.Name.isEmpty()) {
        f.setFamilies({font.Name});
    }
    if (font.PixelSize > 0) {
        f.setPixelSize(font.PixelSize);
    } else if (font.PointSize > 0) {
        f.setPointSizeF(font.PointSize);
    }
    f.setWeight(font.HasStyle(fsBold) ? QFont::Bold : QFont::Normal);
    f.setItalic(font.HasStyle(fsItalic));
    f.setUnderline(font.HasStyle(fsUnderline));
    f.setStrikeOut(font.HasStyle(fsStrikeOut));
    return f;
}

TFont FromQFont(const QFont& font, TColor color) {
    TFont f;
    f.Name = font.family();
    if (font.pixelSize() > 0) {
        f.PixelSize = font.pixelSize();
    } else {
        f.PointSize = font.pointSizeF();
    }
    f.Style =
        TFontStyles((font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0) |
                    (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0));
    f.Color = color;
    return f;
}

Qt::Alignment ToQAlignment(TAlignment alignment) {
    switch (alignment) {
        case taRightJustify:
            return Qt::AlignRight;
        case taCenter:
            return Qt::AlignHCenter;
        case taLeftJustify:
        default:
            return Qt::AlignLeft;
    }
}
