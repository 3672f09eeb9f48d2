#include "todolist/todo_glyphs.h"

#include <array>
#include <cstring>

namespace {

// The 16 colours of a classic 16-colour bitmap, by the letters the drawings below use.
struct TPaletteEntry {
    char letter;
    QRgb rgb;
};
constexpr std::array<TPaletteEntry, 16> kPalette = {{
    {'K', qRgb(0x00, 0x00, 0x00)},  // black
    {'M', qRgb(0x80, 0x00, 0x00)},  // maroon (dark red)
    {'G', qRgb(0x00, 0x80, 0x00)},  // green
    {'O', qRgb(0x80, 0x80, 0x00)},  // olive
    {'N', qRgb(0x00, 0x00, 0x80)},  // navy
    {'P', qRgb(0x80, 0x00, 0x80)},  // purple
    {'T', qRgb(0x00, 0x80, 0x80)},  // teal
    {'A', qRgb(0x80, 0x80, 0x80)},  // grey
    {'S', qRgb(0xC0, 0xC0, 0xC0)},  // silver
    {'R', qRgb(0xFF, 0x00, 0x00)},  // red
    {'L', qRgb(0x00, 0xFF, 0x00)},  // lime
    {'Y', qRgb(0xFF, 0xFF, 0x00)},  // yellow
    {'B', qRgb(0x00, 0x00, 0xFF)},  // blue
    {'F', qRgb(0xFF, 0x00, 0xFF)},  // fuchsia
    {'Q', qRgb(0x00, 0xFF, 0xFF)},  // aqua
    {'W', qRgb(0xFF, 0xFF, 0xFF)},  // white
}};

int PaletteIndex(char letter) {
    for (std::size_t i = 0; i < kPalette.size(); ++i) {
        if (kPalette[i].letter == letter) {
            return static_cast<int>(i);
        }
    }
    return 15;  // anything else is background white
}

// An indexed 16-colour image from rows of palette letters; '.' is the given background.
QImage FromRows(const char* const* rows, int width, int height, char background) {
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (const TPaletteEntry& entry : kPalette) {
        table.append(entry.rgb);
    }
    image.setColorTable(table);
    for (int y = 0; y < height; ++y) {
        const char* row = rows[y];
        const int length = static_cast<int>(std::strlen(row));
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const char c = x < length ? row[x] : '.';
            line[x] = static_cast<uchar>(PaletteIndex(c == '.' ? background : c));
        }
    }
    return image;
}

// Five 12x12 images side by side.
constexpr const char* kPriorityRows[12] = {
    // 0: !!        1: !          2: -          3: arrow      4: two arrows
    "............"
    "............"
    "............"
    "............"
    "............",
    "..RR....RR.."
    ".....RR....."
    "............"
    ".....BB....."
    "..BB....BB..",
    "..RR....RR.."
    ".....RR....."
    "............"
    ".....BB....."
    "..BB....BB..",
    "..RR....RR.."
    ".....RR....."
    "............"
    ".....BB....."
    "..BB....BB..",
    "..RR....RR.."
    ".....RR....."
    "............"
    ".....BB....."
    "..BB....BB..",
    "..RR....RR.."
    ".....RR....."
    "...KKKKKK..."
    ".....BB....."
    "..BB....BB..",
    "..RR....RR.."
    ".....RR....."
    "...KKKKKK..."
    "..BBBBBBBB.."
    "BBBBBBBBBBBB",
    "............"
    "............"
    "............"
    "...BBBBBB..."
    ".BBBB..BBBB.",
    "..RR....RR.."
    ".....RR....."
    "............"
    "....BBBB...."
    "..BB....BB..",
    "..RR....RR.."
    ".....RR....."
    "............"
    ".....BB....."
    "............",
    "............"
    "............"
    "............"
    "............"
    "............",
    "............"
    "............"
    "............"
    "............"
    "............",
};

constexpr const char* kCheckedRows[16] = {
    "FFFFFFFFFFFFFFFF",  //
    "FFFKKKKKKKKKKFFF",  //
    "FFKWWWWWWWWWWKFF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWMWKF",  //
    "FKWWWWWWWWWMMWKF",  //
    "FKWWWWWWWWMMSWKF",  //
    "FKWWMWWWWMMSWWKF",  //
    "FKWWMMWWMMSWWWKF",  //
    "FKWWSMMMMSWWWWKF",  //
    "FKWWWSMMSWWWWWKF",  //
    "FKWWWWSSWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKKKKKKKKKKKKKKF",  //
    "FFFFFFFFFFFFFFFF",  //
};

constexpr const char* kUncheckedRows[16] = {
    "FFFFFFFFFFFFFFFF",  //
    "FFFKKKKKKKKKKFFF",  //
    "FFKWWWWWWWWWWKFF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKWWWWWWWWWWWWKF",  //
    "FKKKKKKKKKKKKKKF",  //
    "FFFFFFFFFFFFFFFF",  //
};

constexpr int Length(const char* text) {
    int n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

template <std::size_t N>
constexpr bool AllRowsAre(const char* const (&rows)[N], int width) {
    for (const char* row : rows) {
        if (Length(row) != width) {
            return false;
        }
    }
    return true;
}

static_assert(AllRowsAre(kPriorityRows, 60));
static_assert(AllRowsAre(kCheckedRows, 16));
static_assert(AllRowsAre(kUncheckedRows, 16));

}  // namespace

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), width_(width), height_(height) {}

void TImageList::Add(const QPixmap& image) {
    images_.push_back(image);
    Changed();
}

void TImageList::AddStrip(const QImage& strip, QRgb transparent) {
    if (width_ <= 0) {
        return;
    }
    for (int x = 0; x + width_ <= strip.width(); x += width_) {
        images_.push_back(MakeTransparent(strip.copy(x, 0, width_, height_), transparent));
    }
    Changed();
}

void TImageList::Clear() {
    images_.clear();
    Changed();
}

QPixmap TImageList::Image(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    return images_[static_cast<std::size_t>(index)];
}

void TImageList::Draw(QPainter& painter, int x, int y, int index, bool enabled) const {
    if (index < 0 || index >= Count()) {
        return;
    }
    const QPixmap& image = images_[static_cast<std::size_t>(index)];
    if (enabled) {
        painter.drawPixmap(x, y, image);
        return;
    }
    const qreal opacity = painter.opacity();
    painter.setOpacity(opacity * 0.4);
    painter.drawPixmap(x, y, image);
    painter.setOpacity(opacity);
}

void TImageList::Changed() {
    if (OnChange) {
        OnChange();
    }
}

QImage PriorityStripBitmap() {
    return FromRows(kPriorityRows, 60, 12, 'W');
}

QImage CheckedGlyphBitmap() {
    return FromRows(kCheckedRows, 16, 16, 'F');
}

QImage UncheckedGlyphBitmap() {
    return FromRows(kUncheckedRows, 16, 16, 'F');
}

QPixmap MakeTransparent(const QImage& image, QRgb transparent) {
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent | 0xFF000000u;
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if ((line[x] | 0xFF000000u) == key) {
                line[x] = 0;
            }
        }
    }
    return QPixmap::fromImage(argb);
}

QPixmap MakeTransparentByCorner(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    return MakeTransparent(image, image.pixel(0, image.height() - 1));
}
