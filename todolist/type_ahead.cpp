#include "todolist/type_ahead.h"

#include <Qt>
#include <algorithm>

int TTypeAhead::Key(int key, bool search, int selected, int rowCount,
                    const std::function<QString(int row)>& rowText) {
    if (key == 0) {
        return -1;
    }
    // Escape and the navigation keys start a new lookup.
    if (key == Qt::Key_Escape || (key >= Qt::Key_Home && key <= Qt::Key_PageDown)) {
        buffer_.clear();
        return -1;
    }
    if (key == Qt::Key_Backspace) {
        if (buffer_.isEmpty()) {
            return -1;
        }
        buffer_.chop(1);
    } else if (key < 32 || key > 255) {
        // Function and modifier keys are no characters.
        return -1;
    } else if (incremental_) {
        buffer_ += QChar(key);
    } else {
        buffer_ = QChar(key);
    }
    if (!search || buffer_.isEmpty()) {
        return -1;
    }
    auto from = [&](int first) {
        for (int row = std::max(first, 0); row < rowCount; ++row) {
            if (rowText(row).startsWith(buffer_, Qt::CaseInsensitive)) {
                return row;
            }
        }
        return -1;
    };
    int found = -1;
    if (selected >= 0 || incremental_) {
        found = from(selected);
    }
    if (found < 0) {
        found = from(0);
    }
    if (found < 0 && incremental_ && key != Qt::Key_Backspace) {
        buffer_ = QChar(key);
        found = from(0);
    }
    return found;
}
