#pragma once

// The main window: the to-do list in a scroll box, the panel with the Create Item and
// Delete Item buttons, the status bar with its message, clock and notice panes, the menus,
// the autosave timer, the notification-area icon and the single-copy component.
//
// Its first showing runs the start-up sequence (window placement, list options, the
// start-up file, the buttons panel, the columns, autosave); a close request runs the exit
// flow (save, or ask first, then store the placement and the column layout). The file
// and item commands live in file_commands.cpp and item_commands.cpp.
//
// Errors: the commands raise the model's exceptions; the menus, buttons, timer, start-up
// and exit flow show them as the general error handler does and go on.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/run_once.h"
#include "app/tray_service.h"
#include "platform/dialog_service.h"
#include "platform/platform_services.h"
#include "settings/options_dialog.h"
#include "settings/options_host.h"

class QAction;
class QMenu;
class QPushButton;
class QScrollArea;
class TEditHistory;
class TFindBar;
class TListLock;
class TTodoItemCollection;
class TRunOnce;
class TStatusBar;
class TFileWatch;
class TTodoItemCollection;
class TSyncController;
class TTodoList;
class TTrayIcon;
class TfrmSync;

// The notice pane's text.
inline const QString kOwnershipNotice = QStringLiteral("\u00a9 The Pellmark authors");

class TForm1 : public QMainWindow, public IOptionsHost, public IRunOnceOwner {
    Q_OBJECT

public:
    // A null tray service means the desktop's notification area.
    explicit TForm1(TPlatformServices platform, std::unique_ptr<ITrayService> tray = nullptr,
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // The windows the menus show; not owned. The program entry makes them after the main
    // window. Without an options dialog the start-up sequence skips what concerns it.
    void SetOptionsDialog(TfrmOptions* options);
    TfrmOptions* OptionsDialog() const { return options_; }
    void SetAboutBox(QWidget* about);
    QWidget* AboutBox() const { return about_; }

    // State ------------------------------------------------------------------------------

    // The file saves go to; it counts as absent while shorter than 5 characters.
    const QString& CurrentFile() const { return currentFile_; }
    bool HasCurrentFile() const { return currentFile_.size() >= 5; }
    // The message pane's text and its hint (the current file or "No file loaded...").
    QString Message() const;
    void SetMessage(const QString& text);
    QString Hint() const;
    // "min" while the window sits in the notification area, empty otherwise.
    const QString& TrayState() const { return trayState_; }
    // Whether the start-up sequence has run (it runs once, at the first showing).
    bool StartupDone() const { return startupDone_; }

    TTodoList* TodoList1() const { return todoList1_; }
    QWidget* Panel_btm() const { return panelBtm_; }
    QScrollArea* ScrollBox1() const { return scrollBox1_; }
    QTimer* AutoSaveTimer() { return &autoSaveTimer_; }
    TStatusBar* StatusBar1() const { return statusBar1_; }
    QPushButton* btnCreateItem() const { return btnCreateItem_; }
    QPushButton* btnDeleteItem() const { return btnDeleteItem_; }
    QMenu* pupTodolist() const { return pupTodolist_; }
    QMenu* trayPopup() const { return trayPopup_; }
    TTrayIcon* TrayIcon1() const { return trayIcon1_; }
    TRunOnce* RunOnce1() const { return runOnce1_; }
    const TFileDialogOptions& OpenDialog1() const { return openDialog1_; }
    const TFileDialogOptions& SaveDialog1() const { return saveDialog1_; }

    // The column layout file: ColumnLayoutFileName() unless set otherwise (tests).
    const QString& LayoutFileName() const { return layoutFileName_; }
    void SetLayoutFileName(const QString& fileName) { layoutFileName_ = fileName; }

    // Commands (they raise; the menus and buttons show the errors) ----------------------

    void Open();
    void Save();
    // False when the user cancelled the dialog.
    bool SaveAs();
    void CreateItem();
    void DeleteItem();
    void ShowOptions();
    void ShowAbout();
    // Prints the list on the default printer and then says that printing is incomplete.
    void PrintList();
    // Opens the home page (the about box's web address) in the default browser.
    void VisitHomePage();
    // Stores the placement in the settings and the columns in the layout file.
    void SaveWindowSettings();

    // Undo, Redo and Find (edit_commands.cpp) -------------------------------------------

    // Every change of the list, for Edit -> Undo and Redo; the find bar of Edit -> Find.
    TEditHistory& History() const { return *history_; }
    TFindBar* FindBar() const { return findBar_; }
    // Whether the list changed since it was opened or last saved.
    bool HasUnsavedChanges() const;
    // Replaces all items by the given ones (taken over) as one change that Undo takes
    // back; `text` names it in the Edit menu ("Undo Reload").
    void ReplaceItemsUndoably(TTodoItemCollection& newItems, const QString& text);
    // Runs a command the way a menu does: an error is shown and the program goes on.
    bool RunCommand(const std::function<void()>& command);

    // Lists from outside the window and changes made elsewhere (open_from_outside.cpp,
    // disk_changes.cpp) -------------------------------------------------------------------

    // Opens a list as Open does, without the dialog (recent lists, a dropped file, another
    // start's command line); unsaved changes are offered for saving first. False when the
    // user kept the list the window has.
    bool OpenList(const QString& path);
    // The list the start-up sequence opens instead of the start-up file (the command line's).
    void SetFileToOpen(const QString& path) { fileToOpen_ = path; }
    // Reads the current file again; the selection and the first visible row stay on the
    // same items where these still exist.
    void ReloadCurrentFile();
    TFileWatch* FileWatch() const { return fileWatch_; }
    QMenu* RecentListsMenu() const { return recentLists_; }
    // Synchronization with a CalDAV server (sync_commands.cpp) ----------------------------

    // Starts a two-way sync of the list with the collection of the settings, in the
    // background; without a collection, shows the synchronization dialog instead.
    void Synchronize();
    void ShowSyncSettings();
    TfrmSync* SyncDialog() const;
    // Runs the syncs; made at its first use.
    TSyncController& SyncController();

    // IOptionsHost -----------------------------------------------------------------------

    TCustomTodoList& OptionsList() override;
    void SetButtonsVisible(bool visible) override;
    void SetListFillsScrollBox(bool fill) override;
    void SetAutoSaveEnabled(bool enabled) override;
    bool ListFillsScrollBox() const { return listFills_; }

    // IRunOnceOwner ----------------------------------------------------------------------

    bool InTray() const override { return trayState_ == QLatin1String("min"); }

Q_SIGNALS:
    // The exit flow let the window close; the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ConfigureList();
    void AddSampleContent();
    void BuildLayout();
    void BuildMenus();
    void BuildTray(std::unique_ptr<ITrayService> tray);
    void BuildEditing();
    void LayoutList();

    void RunStartup();
    void StartupPlacement();
    void EnsureOnScreen();
    void LoadStartupFile(const QString& path);
    // The exit flow; false keeps the window open.
    bool ExitFlow();
    // Saves to the current file at exit; false (after showing why) when that failed.
    bool SaveAtExit();
    void FinishExit();

    // After a successful load or save under a name: current file, hint, caption, lock.
    void SetCurrentFile(const QString& path, std::unique_ptr<TListLock> lock);
    std::unique_ptr<TListLock> LockFor(const QString& path);
    void AutoSaveTick();

    void ListClick();
    void ListMouseDown(Qt::MouseButton button, int x, int y);
    void ListKeyboardMenu();

    void BuildOutsideLinks();
    void InSyncWithCurrentFile();
    void CurrentFileChangedOnDisk();
    bool MayOverwriteCurrentFile();
    void ReplaceWithReloaded(TTodoItemCollection& items);
    bool OfferToSaveChanges(const QString& opening);
    // Reads PATH into the list and makes it the current file, as every way of opening does.
    void LoadList(const QString& path);
    void FillRecentListsMenu();
    void OpenFromOtherStart(const std::vector<std::string>& paramStr);
    void AddSyncCommands(QMenu* file);
    // A sync after a successful autosave, when the settings ask for it.
    void SyncAfterAutoSave();
    // True when a sync is running: the window closes once it has finished.
    bool CloseWaitsForSync();
    void SyncEnded();

    TPlatformServices platform_;
    QPointer<TfrmOptions> options_;
    QPointer<QWidget> about_;

    TTodoList* todoList1_ = nullptr;
    QScrollArea* scrollBox1_ = nullptr;
    QWidget* panelBtm_ = nullptr;
    QPushButton* btnCreateItem_ = nullptr;
    QPushButton* btnDeleteItem_ = nullptr;
    TStatusBar* statusBar1_ = nullptr;
    QMenu* pupTodolist_ = nullptr;
    QMenu* trayPopup_ = nullptr;
    TTrayIcon* trayIcon1_ = nullptr;
    TRunOnce* runOnce1_ = nullptr;
    QTimer autoSaveTimer_;
    TFileDialogOptions openDialog1_;
    TFileDialogOptions saveDialog1_;

    QString currentFile_;
    std::unique_ptr<TListLock> lock_;
    // Goes before the list it watches (a Qt child, destroyed after the members).
    std::unique_ptr<TEditHistory> history_;
    TFindBar* findBar_ = nullptr;
    QString trayState_;
    QString layoutFileName_;
    bool listFills_ = false;
    bool startupDone_ = false;
    // Set while a save runs, so that an autosave tick inside its dialog or error box does
    // not start a second one.
    bool saving_ = false;

    TFileWatch* fileWatch_ = nullptr;
    QMenu* recentLists_ = nullptr;
    QTimer diskRetry_;
    QString fileToOpen_;
    // ContentHash of the list as last read or written.
    QByteArray cleanHash_;
    bool askingAboutDisk_ = false;
    QPointer<TfrmSync> syncDialog_;
    bool closeAfterSync_ = false;
    // Last: a sync still running is stopped before the window's parts go.
    std::unique_ptr<TSyncController> sync_;
};

// The program's icon, the one the desktop entry shows (data/app_icon.h).
QIcon PellmarkIcon();
// The window's caption for a file: "Pellmark - " and the name without its folder.
QString CaptionFor(const QString& path);
// A stored number: an optional minus sign and decimal digits inside the 32-bit range;
// otherwise EConvertError "'%s' is not a valid integer value".
int StrToInt(const QString& text);
