// The main window's Edit menu: Undo and Redo over the list's edit history, and Find, which
// shows the find bar above the list. The history records the item commands and the cell
// edits; the file commands mark where the list was saved or opened.

#include <QAction>
#include <QBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/edit_history.h"
#include "app/find_bar.h"
#include "app/main_window.h"
#include "todolist/todo_list.h"
#include "widgets/hover_button.h"

namespace {

// "&Undo" alone, or followed by what it would take back: "&Undo Edit Subject".
QString ActionText(const QString& verb, const QString& what) {
    return what.isEmpty() ? verb : verb + QLatin1Char(' ') + what;
}

}  // namespace

void TForm1::BuildEditing() {
    history_ = std::make_unique<TEditHistory>(*todoList1_);
    QUndoStack& stack = history_->Stack();

    findBar_ = new TFindBar(centralWidget());
    if (auto* layout = qobject_cast<QBoxLayout*>(centralWidget()->layout())) {
        layout->insertWidget(0, findBar_);
    }
    connect(findBar_, &TFindBar::TextChanged, this,
            [this](const QString& text) { todoList1_->ListBox()->SetFindText(text); });
    connect(findBar_, &TFindBar::Left, this,
            [this] { todoList1_->ListBox()->setFocus(Qt::OtherFocusReason); });

    auto* edit = new QMenu(QStringLiteral("&Edit"), this);
    edit->setObjectName(QStringLiteral("mnuEdit"));
    // Between File and Items, where desktop programs keep it.
    auto* items = findChild<QMenu*>(QStringLiteral("mnuItems"));
    menuBar()->insertMenu(items ? items->menuAction() : nullptr, edit);

    // The desktop's theme icons where it has them, else the program's own glyphs, as in
    // the other menus.
    auto addAction = [this, edit](const char* name, const QString& text, const char* icon,
                                  TGlyph glyph, QList<QKeySequence> keys,
                                  std::function<void()> command) {
        QAction* action =
            edit->addAction(QIcon::fromTheme(QString::fromLatin1(icon), GlyphIcon(glyph)), text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this,
                [this, command = std::move(command)] { RunCommand(command); });
        return action;
    };
    const QString undoVerb = QStringLiteral("&Undo");
    const QString redoVerb = QStringLiteral("&Redo");
    QAction* undo = addAction("mnuEditUndo", undoVerb, "edit-undo", TGlyph::Undo,
                              {QKeySequence::Undo}, [this] { history_->Undo(); });
    QAction* redo = addAction(
        "mnuEditRedo", redoVerb, "edit-redo", TGlyph::Redo,
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
        [this] { history_->Redo(); });
    edit->addSeparator();
    addAction("mnuEditFind", QStringLiteral("&Find..."), "edit-find", TGlyph::Find,
              {QKeySequence::Find}, [this] { findBar_->Open(); });

    undo->setEnabled(false);
    redo->setEnabled(false);
    connect(&stack, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::undoTextChanged, undo,
            [undo, undoVerb](const QString& what) { undo->setText(ActionText(undoVerb, what)); });
    connect(&stack, &QUndoStack::redoTextChanged, redo,
            [redo, redoVerb](const QString& what) { redo->setText(ActionText(redoVerb, what)); });
}

bool TForm1::HasUnsavedChanges() const {
    return history_->Modified();
}

void TForm1::ReplaceItemsUndoably(TTodoItemCollection& newItems, const QString& text) {
    history_->ReplaceItems(newItems, text);
}
