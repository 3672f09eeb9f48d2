#pragma once

// Helpers shared by the to-do list control tests: a crisp test font, pictures of the rows
// and the header, and colour lookups through the widget's palette.

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QTest>
#include <memory>

#include "platform/qt_convert.h"
#include "todolist/todo_list.h"

// One font for every test, drawn without anti-aliasing, so that text pixels have exactly
// the colour they were drawn in.
inline void UseCrispTestFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    QApplication::setFont(font);
}

// A shown control without border, so that the list box starts right below the header.
inline std::unique_ptr<TTodoList> MakeList(int width = 400, int height = 200) {
    auto list = std::make_unique<TTodoList>();
    list->SetBorderStyle(bsNone);
    list->resize(width, height);
    list->show();
    if (!QTest::qWaitForWindowExposed(list.get())) {
        qWarning("the test window was not exposed");
    }
    return list;
}

inline QImage GrabRows(const TTodoList& list) {
    return list.ListBox()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QImage GrabHeader(const TTodoList& list) {
    return list.Header()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor Resolve(const TTodoList& list, TColor color) {
    return ToQColor(color, list.ListBox()->palette());
}

inline QString PixelName(const QImage& image, int x, int y) {
    return image.pixelColor(x, y).name();
}

// How many pixels of the rectangle have exactly this colour.
inline int CountColor(const QImage& image, const QRect& rect, const QColor& color) {
    int count = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (image.pixel(x, y) == color.rgb()) {
                ++count;
            }
        }
    }
    return count;
}

// How many pixels of the rectangle differ from this colour.
inline int CountOther(const QImage& image, const QRect& rect, const QColor& color) {
    const QRect r = rect.intersected(image.rect());
    return r.width() * r.height() - CountColor(image, r, color);
}

// Shows the control and gives its row list box the keyboard focus.
inline bool ShowFocused(TTodoList& list) {
    list.show();
    if (!QTest::qWaitForWindowExposed(&list)) {
        return false;
    }
    list.activateWindow();
    list.ListBox()->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([&] { return list.ListBox()->hasFocus(); });
}
