#pragma once

// Image lists and the built-in glyphs of the to-do list: the priority strip (five 12x12
// images, white transparent) and the two 16x16 check marks (fuchsia transparent). The
// glyphs are drawn here pixel by pixel as 16-colour bitmaps, so nothing is loaded from
// disk.

#include <QImage>
#include <QObject>
#include <QPainter>
#include <QPixmap>
#include <functional>
#include <vector>

// A list of equally sized images, drawn by index. Drawing an index outside the list draws
// nothing. Lists handed to the control as Images are not owned by it; a QPointer there
// forgets a list that is destroyed.
class TImageList : public QObject {
    Q_OBJECT

public:
    TImageList(int width, int height, QObject* parent = nullptr);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(images_.size()); }

    void Add(const QPixmap& image);
    // Cuts a horizontal strip into images of Width() pixels, the colour `transparent`
    // becoming see-through.
    void AddStrip(const QImage& strip, QRgb transparent);
    void Clear();
    // The image at that index, or a null pixmap outside the list.
    QPixmap Image(int index) const;

    // Draws the image with its top-left corner at (x, y); a disabled look greys it out.
    void Draw(QPainter& painter, int x, int y, int index, bool enabled = true) const;

    std::function<void()> OnChange;

private:
    void Changed();

    int width_;
    int height_;
    std::vector<QPixmap> images_;
};

// The 60x12 priority strip as a 16-colour bitmap on white: image 0 two red exclamation
// marks, 1 one, 2 a black dash, 3 one blue downward arrow, 4 two of them. A priority p
// shows image 4 - p.
QImage PriorityStripBitmap();
// The 16x16 check-mark glyphs on fuchsia: a white box with a black outline and a rounded
// top edge, with a dark red and silver check mark inside (checked) or empty.
QImage CheckedGlyphBitmap();
QImage UncheckedGlyphBitmap();

// The image with every pixel of the transparent colour made see-through.
QPixmap MakeTransparent(const QImage& image, QRgb transparent);
// The same with the colour of the bottom-left pixel as the transparent one.
QPixmap MakeTransparentByCorner(const QImage& image);
