#include "todolist/row_filter.h"

#include <QStringMatcher>
#include <algorithm>

#include "model/cell_text.h"

namespace {

bool IsMark(QChar c) {
    switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            return true;
        default:
            return false;
    }
}

const TCellTextContext& FindContext() {
    static const TCellTextContext context = [] {
        TCellTextContext c;
        c.Notes = TNotesText::AllLines;
        return c;
    }();
    return context;
}

bool ByPosition(const TTodoItem* a, const TTodoItem* b) {
    return a->Index() < b->Index();
}

}  // namespace

QString TRowFilter::Fold(const QString& text) {
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii) {
        return text.toLower();
    }
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString bare;
    bare.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (!IsMark(c)) {
            bare.append(c);
        }
    }
    // Qt folds one character to one: the sharp s, which folds to "ss", is done here.
    return bare.toCaseFolded().replace(QChar(0x00DF), QLatin1String("ss"));
}

QString TRowFilter::FindText(const TTodoItem& item) {
    const TCellTextContext& context = FindContext();
    // A line break between the fields, so that a find never matches across two of them.
    return CellText(item, tdSubject, context) + QLatin1Char('\n') +
           CellText(item, tdResource, context) + QLatin1Char('\n') +
           CellText(item, tdNotes, context) + QLatin1Char('\n') +
           CellText(item, tdProject, context);
}

void TRowFilter::SetText(const QString& text, const TTodoItemCollection& items) {
    const QString needle = Fold(text);
    // A longer text that contains the last one can only match items that matched it: a
    // keystroke while typing on looks only at the rows, unless some item changed since.
    const bool narrower =
        Active() && !changed_ && needle.contains(needle_) && knownCount_ == items.Count();
    text_ = text;
    needle_ = needle;
    if (!narrower) {
        Choose(items);
        return;
    }
    const QStringMatcher matcher(needle_);
    std::erase_if(rows_, [&](const TTodoItem* item) {
        return matcher.indexIn(Folded(items, item->Index())) < 0;
    });
}

void TRowFilter::Choose(const TTodoItemCollection& items) {
    rows_.clear();
    knownCount_ = items.Count();
    changed_ = false;
    if (!Active()) {
        return;
    }
    folded_.resize(static_cast<std::size_t>(items.Count()));
    const QStringMatcher matcher(needle_);
    for (int i = 0; i < items.Count(); ++i) {
        if (matcher.indexIn(Folded(items, i)) >= 0) {
            rows_.push_back(items.At(i));
        }
    }
}

const QString& TRowFilter::Folded(const TTodoItemCollection& items, int index) {
    TFolded& entry = folded_[static_cast<std::size_t>(index)];
    const TTodoItem* item = items.At(index);
    if (entry.Item != item) {
        entry.Item = item;
        entry.Text = Fold(FindText(*item));
    }
    return entry.Text;
}

int TRowFilter::RowCount(const TTodoItemCollection& items) const {
    return Active() ? static_cast<int>(rows_.size()) : items.Count();
}

TTodoItem* TRowFilter::RowItem(const TTodoItemCollection& items, int row) const {
    if (!Active()) {
        return row >= 0 && row < items.Count() ? items.At(row) : nullptr;
    }
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(row)]
                                                            : nullptr;
}

int TRowFilter::RowOf(int index) const {
    if (!Active()) {
        return index;
    }
    const auto found =
        std::lower_bound(rows_.begin(), rows_.end(), index,
                         [](const TTodoItem* item, int i) { return item->Index() < i; });
    if (found == rows_.end() || (*found)->Index() != index) {
        return -1;
    }
    return static_cast<int>(found - rows_.begin());
}

void TRowFilter::ItemChanged(int index) {
    changed_ = true;
    if (index >= 0 && index < static_cast<int>(folded_.size())) {
        folded_[static_cast<std::size_t>(index)].Item = nullptr;
    }
}

void TRowFilter::ItemRemoving(const TTodoItemCollection& items, int index) {
    changed_ = true;
    if (index < static_cast<int>(folded_.size())) {
        folded_.erase(folded_.begin() + index);
    }
    if (index < knownCount_) {
        --knownCount_;
    }
    if (!Active()) {
        return;
    }
    const TTodoItem* item = items.At(index);
    const auto found = std::lower_bound(rows_.begin(), rows_.end(), item, ByPosition);
    if (found != rows_.end() && *found == item) {
        rows_.erase(found);
    }
}

void TRowFilter::ItemsAdded(const TTodoItemCollection& items) {
    const int count = items.Count();
    changed_ = changed_ || count != knownCount_;
    if (Active() && count > knownCount_) {
        // One item is one the user just made (or got back); many are a loaded list.
        const bool one = count - knownCount_ == 1;
        folded_.resize(static_cast<std::size_t>(count));
        const QStringMatcher matcher(needle_);
        for (int i = knownCount_; i < count; ++i) {
            if (one || matcher.indexIn(Folded(items, i)) >= 0) {
                rows_.push_back(items.At(i));
            }
        }
    }
    knownCount_ = count;
}

void TRowFilter::ItemsMoved() {
    if (!std::is_sorted(rows_.begin(), rows_.end(), ByPosition)) {
        changed_ = true;
        std::sort(rows_.begin(), rows_.end(), ByPosition);
    }
}

void TRowFilter::Forget() {
    changed_ = true;
    rows_.clear();
    folded_.clear();
    knownCount_ = 0;
}
