#pragma once

// Which items the row list box shows while a find text is set. Without one every item is a
// row and row n is item n. With one, the rows are the items whose subject, resource, notes
// or project contain the text, compared without regard to case and accents, in the items'
// order. Rows stay while their item is edited (a row never vanishes under the user's
// hands); an item added on its own is shown, items added together (a loaded list) are
// shown when they match; a new text or a sort chooses again.
//
// The folded texts of the items are kept between choices, so that a keystroke in the find
// bar is one substring scan over them; an item's text is folded again after it changed.

#include <QString>
#include <vector>

#include "model/todo_collections.h"

class TRowFilter {
public:
    // The text as it is compared: compatibility-decomposed, combining marks dropped,
    // case-folded ("Élan" and "ELAN" both read "elan", "Straße" reads "strasse").
    static QString Fold(const QString& text);
    // The text of an item that a find looks in: subject, resource, notes, project.
    static QString FindText(const TTodoItem& item);

    bool Active() const { return !needle_.isEmpty(); }
    const QString& Text() const { return text_; }
    // Sets the find text and chooses the rows from all items.
    void SetText(const QString& text, const TTodoItemCollection& items);
    // Chooses the rows again with the same text (the items' contents moved, or were
    // replaced).
    void Choose(const TTodoItemCollection& items);

    // The rows: how many, the item of one (null outside), the row of an item position
    // (-1 when it has none).
    int RowCount(const TTodoItemCollection& items) const;
    TTodoItem* RowItem(const TTodoItemCollection& items, int row) const;
    int RowOf(int index) const;

    // What the items report ---------------------------------------------------------------

    // The item at this position changed: its folded text is stale.
    void ItemChanged(int index);
    // The item at this position is leaving the collection.
    void ItemRemoving(const TTodoItemCollection& items, int index);
    // The item count changed: an item appended on its own since the last look becomes a
    // row, several become rows when they match.
    void ItemsAdded(const TTodoItemCollection& items);
    // Items moved: the rows follow the items' order again.
    void ItemsMoved();
    // The items' contents moved between positions (a sort) or the items are replaced
    // without notice (a load): nothing known about them holds any more.
    void Forget();

private:
    // The folded text of the item at a position, folded again when stale.
    const QString& Folded(const TTodoItemCollection& items, int index);

    struct TFolded {
        const TTodoItem* Item = nullptr;  // the item it was folded from; null when stale
        QString Text;
    };

    QString text_;
    QString needle_;
    std::vector<TTodoItem*> rows_;  // in the items' order
    std::vector<TFolded> folded_;   // by item position
    int knownCount_ = 0;            // items the rows were last brought up to date with
    bool changed_ = true;           // items changed, came or went since the rows were chosen
};
