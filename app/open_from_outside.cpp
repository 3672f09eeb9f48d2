#include "app/open_from_outside.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "app/edit_history.h"
#include "app/file_watch.h"
#include "app/main_window.h"
#include "app/recent_lists.h"
#include "app/tray_icon.h"
#include "model/list_lock.h"
#include "todolist/todo_list.h"

namespace {

QString NameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

}  // namespace

QString ListFileArgument(const QStringList& arguments) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].isEmpty() && !arguments[i].startsWith(QLatin1Char('-'))) {
            return arguments[i];
        }
    }
    return {};
}

QString DroppedListFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QUrl url = data->urls().front();
    const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
    if (!path.endsWith(QStringLiteral(".2do"), Qt::CaseInsensitive) || !QFileInfo(path).isFile()) {
        return {};
    }
    return path;
}

TListDropTarget::TListDropTarget(QWidget* window, std::function<void(const QString& path)> open)
    : QObject(window), open_(std::move(open)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool TListDropTarget::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (!DroppedListFile(drag->mimeData()).isEmpty()) {
                drag->acceptProposedAction();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = DroppedListFile(drop->mimeData());
            if (path.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            QTimer::singleShot(0, this, [this, path] { open_(path); });
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

// The window's side ------------------------------------------------------------------------

void TForm1::BuildOutsideLinks() {
    fileWatch_ = new TFileWatch(this);
    connect(fileWatch_, &TFileWatch::Changed, this, &TForm1::CurrentFileChangedOnDisk);
    diskRetry_.setSingleShot(true);
    diskRetry_.setInterval(1000);
    connect(&diskRetry_, &QTimer::timeout, this, &TForm1::CurrentFileChangedOnDisk);
    // The sample list counts as saved: leaving it asks nothing.
    cleanHash_ = ContentHash(todoList1_->Items());

    connect(recentLists_, &QMenu::aboutToShow, this, &TForm1::FillRecentListsMenu);
    FillRecentListsMenu();

    new TListDropTarget(
        this, [this](const QString& path) { RunCommand([this, &path] { OpenList(path); }); });

    runOnce1_->OnOtherInstance = [this](TRunOnce*, unsigned, const std::vector<std::string>& p) {
        OpenFromOtherStart(p);
    };
}

void TForm1::FillRecentListsMenu() {
    recentLists_->clear();
    QStringList lists;
    try {
        lists = RecentLists();
    } catch (const EPellmarkError&) {
        // Unreadable settings leave the menu empty; the error shows where settings matter.
    }
    for (qsizetype i = 0; i < lists.size(); ++i) {
        const QString path = lists[i];
        QAction* action = recentLists_->addAction(RecentListEntryText(int(i), path));
        action->setObjectName(QStringLiteral("mnuRecentList%1").arg(i + 1));
        action->setToolTip(path);
        // A list on a folder that is not there now (a drive not mounted) may come back.
        action->setEnabled(QFileInfo(path).isFile());
        connect(action, &QAction::triggered, this,
                [this, path] { RunCommand([this, &path] { OpenList(path); }); });
    }
    if (lists.isEmpty()) {
        recentLists_->addAction(QStringLiteral("(none)"))->setEnabled(false);
        return;
    }
    recentLists_->addSeparator();
    QAction* clear = recentLists_->addAction(QStringLiteral("&Clear Recent Lists"));
    clear->setObjectName(QStringLiteral("mnuRecentListsClear"));
    connect(clear, &QAction::triggered, this, [this] { RunCommand([] { ClearRecentLists(); }); });
}

bool TForm1::OfferToSaveChanges(const QString& opening) {
    if (!HasUnsavedChanges()) {
        return true;
    }
    const QString list =
        HasCurrentFile() ? NameOf(currentFile_) : QStringLiteral("the list in this window");
    const int choice = platform_.Messages.Choose(
        QStringLiteral("Save the changes to ") + list + QStringLiteral(" before opening ") +
            NameOf(opening) + QLatin1Char('?'),
        {QStringLiteral("&Save"), QStringLiteral("&Discard"), QStringLiteral("Cancel")});
    if (choice == 0) {
        Save();  // Save As without a current file; a cancelled one leaves the changes
        return !HasUnsavedChanges();
    }
    return choice == 1;
}

bool TForm1::OpenList(const QString& path) {
    // As Open does once the dialog has chosen the file.
    todoList1_->EndEdit();
    if (!OfferToSaveChanges(path)) {
        return false;
    }
    LoadList(path);
    return true;
}

void TForm1::OpenFromOtherStart(const std::vector<std::string>& paramStr) {
    QStringList arguments;
    for (const std::string& param : paramStr) {
        arguments << QString::fromLocal8Bit(param);
    }
    const QString path = ListFileArgument(arguments);
    if (path.isEmpty()) {
        return;  // a plain start only brings the window forward
    }
    // The user asked for a list: show it even from the notification area.
    if (InTray()) {
        trayIcon1_->RestoreApp();
    }
    // After the channel's handler has returned, so that a question does not hold it.
    QTimer::singleShot(0, this, [this, path] { RunCommand([this, &path] { OpenList(path); }); });
}
