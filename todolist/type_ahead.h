#pragma once

// The type-ahead of the rows: typed characters gather in a buffer, and the first row whose
// text begins with the buffer, compared without regard to case, is selected. The buffer is
// the character just typed, or with Incremental everything typed since Escape, a
// navigation key or the focus arriving.

#include <QString>
#include <functional>

class TTypeAhead {
public:
    bool Incremental() const { return incremental_; }
    void SetIncremental(bool value) { incremental_ = value; }
    const QString& Buffer() const { return buffer_; }
    void Clear() { buffer_.clear(); }

    // Takes a key (a Qt key code; 0 for none) into the buffer. With `search`, the rows are
    // then searched: from the selected row to the end (only when a row is selected or the
    // buffer is incremental), then from the first row; without a match an incremental
    // buffer starts again with the key alone. Returns the row to select, or -1.
    int Key(int key, bool search, int selected, int rowCount,
            const std::function<QString(int row)>& rowText);

private:
    bool incremental_ = false;
    QString buffer_;
};
